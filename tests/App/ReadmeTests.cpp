// README.md names only what exists: its keys are the ones the program shows (the Shortcuts
// tab and the editor's menus), its make targets the Makefile's, its lumetra options those of
// --help, its packages those scripts/bootstrap.sh installs, and its paths those of the
// repository, of the installation and of the files the program writes.
#include "AppTestSupport.h"

#include "App/AppMenuBar.h"
#include "App/LaunchAtLogin.h"
#include "App/SingleInstance.h"
#include "App/SettingsRows.h"
#include "App/ShortcutsSettingsView.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Entry = QPair<QString, QString>; // a command and its keys

QString sourceFile(const QString& path)
{
    QFile file(QDir(QStringLiteral(LUMETRA_SOURCE_DIR)).filePath(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QList<QRegularExpressionMatch> matches(const QString& pattern, const QString& text)
{
    QList<QRegularExpressionMatch> found;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text))
        found << m;
    return found;
}

struct Readme {
    QString text = sourceFile(QStringLiteral("README.md"));
    QStringList code; // fenced blocks and `spans`

    Readme()
    {
        QString prose = text;
        for (const auto& m : matches(QStringLiteral(R"(^```[^\n]*\n([\s\S]*?)^```)"), text)) {
            code << m.captured(1);
            prose.remove(m.captured(0));
        }
        for (const auto& m : matches(QStringLiteral("`([^`\n]+)`"), prose))
            code << m.captured(1);
    }
    // The cells of the rows of every table whose header starts with these cells.
    QList<QStringList> tableRows(const QStringList& header) const
    {
        QList<QStringList> rows;
        bool inTable = false;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1Char('|'))) {
                inTable = false;
                continue;
            }
            QStringList cells = line.mid(1, line.lastIndexOf(QLatin1Char('|')) - 1).split(QLatin1Char('|'));
            for (QString& cell : cells)
                cell = cell.trimmed();
            if (cells.mid(0, header.size()) == header)
                inTable = true;
            else if (inTable && !cells.first().startsWith(QStringLiteral("---")))
                rows << cells;
        }
        return rows;
    }
    QStringList codeWords() const { return code.join(QLatin1Char('\n')).split(QRegularExpression(QStringLiteral(R"(\s+)"))); }
};

// Where `make install` puts each file (the generated install script, read for prefix).
QStringList installedFiles(const QString& prefix)
{
    const QString script = sourceFile(QStringLiteral(LUMETRA_BUILD_DIR "/cmake_install.cmake"));
    QStringList files;
    for (const auto& m : matches(QStringLiteral(R"re(file\(INSTALL DESTINATION "\$\{CMAKE_INSTALL_PREFIX\}([^"]*)"[^)]*?(?:RENAME "([^"]+)" )?FILES "([^"]+)"\))re"), script))
        files << prefix + m.captured(1) + QLatin1Char('/') + (m.captured(2).isEmpty() ? QFileInfo(m.captured(3)).fileName() : m.captured(2));
    return files;
}

} // namespace

TEST(Readme, KeysAreTheOnesTheProgramShows)
{
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));
    ShortcutStore store(UserDefaults::standard());
    ShortcutsSettingsView tab(store, [](ShortcutAction) { return false; });
    QSet<Entry> inTab; // every row of the Shortcuts tab: its title, then its keys
    const auto take = [&](const QLabel* title, const QWidget* keys) {
        if (const auto* label = qobject_cast<const QLabel*>(keys))
            inTab.insert({title->text(), label->text()});
        else if (const auto* button = qobject_cast<const QAbstractButton*>(keys))
            inTab.insert({title->text(), button->text()});
    };
    // The rebindable actions: a title and the binding's capsule on a line.
    for (const QHBoxLayout* row : tab.findChildren<QHBoxLayout*>()) {
        if (const auto* title = row->count() > 1 ? qobject_cast<QLabel*>(row->itemAt(0)->widget()) : nullptr)
            take(title, row->itemAt(1)->widget());
    }
    // The fixed keys: a title and the keys shown beside it.
    for (const SettingsLabelledRow* row : tab.findChildren<SettingsLabelledRow*>())
        take(row->label(), row->control());
    ASSERT_GT(inTab.size(), ShortcutActions::allCases().size()) << "the rebindable actions and the fixed keys";
    QMenuBar bar;
    AppMenuBar menus(&bar, store);
    QSet<Entry> inMenus; // every key an item of the editor's menus answers to
    for (const QAction* item : bar.findChildren<QAction*>()) {
        for (const QKeySequence& keys : item->shortcuts())
            inMenus.insert({item->text().section(QLatin1Char('\t'), 0, 0).replace(QStringLiteral("&&"), QStringLiteral("&")),
                            shortcutDisplayText(keys)});
    }

    const Readme readme;
    QSet<Entry> inReadme;
    for (const QStringList& row : readme.tableRows({QStringLiteral("Command"), QStringLiteral("Keys")})) {
        for (qsizetype i = 0; i + 1 < row.size(); i += 2) {
            if (!row[i].isEmpty())
                inReadme.insert({row[i], row[i + 1]});
        }
    }
    for (const Entry& entry : inReadme)
        EXPECT_TRUE(inTab.contains(entry) || inMenus.contains(entry))
            << entry.first.toStdString() << " on " << entry.second.toStdString() << " is not what the program shows";
    for (const Entry& entry : inTab)
        EXPECT_TRUE(inReadme.contains(entry)) << "the README's key tables leave out " << entry.first.toStdString();

    // Every key combination in the text is one of Lumetra's, or named as another program's.
    QSet<QString> known{QStringLiteral("Alt + F3")}; // KDE's window menu
    for (const Entry& entry : inTab + inMenus)
        known.insert(entry.second);
    const auto combinations = matches(QStringLiteral(R"((?:(?:Ctrl|Alt|Shift|Super) \+ )+(?:Scroll Wheel|\w+|[^\s\w]))"), readme.text);
    EXPECT_GT(combinations.size(), 20);
    for (const auto& m : combinations)
        EXPECT_TRUE(known.contains(m.captured(0))) << m.captured(0).toStdString();
}

TEST(Readme, CommandsOptionsAndPackagesExist)
{
    const Readme readme;
    const QString code = readme.code.join(QLatin1Char('\n'));
    const QString makefile = sourceFile(QStringLiteral("Makefile"));
    for (const auto& m : matches(QStringLiteral(R"(\bmake ([a-z][\w-]*))"), code))
        EXPECT_TRUE(makefile.contains(QRegularExpression(QStringLiteral("^%1:").arg(m.captured(1)), QRegularExpression::MultilineOption)))
            << "make " << m.captured(1).toStdString();
    const QString cmakeFiles = sourceFile(QStringLiteral("cmake/LumetraModules.cmake")) + sourceFile(QStringLiteral("tests/e2e/CMakeLists.txt"));
    for (const auto& m : matches(QStringLiteral(R"(\bctest -L (\w+))"), code))
        EXPECT_TRUE(cmakeFiles.contains(QStringLiteral("LABELS ") + m.captured(1))) << "ctest label " << m.captured(1).toStdString();

    QProcess help;
    help.start(QStringLiteral(LUMETRA_BINARY), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(30000));
    QSet<QString> offered, named;
    for (const auto& m : matches(QStringLiteral(R"(^  (?:-\w, )?(--[\w-]+))"), QString::fromLocal8Bit(help.readAllStandardOutput())))
        offered << m.captured(1);
    for (const auto& m : matches(QStringLiteral(R"(\blumetra (--[\w-]+))"), code))
        named << m.captured(1);
    EXPECT_EQ(named, offered) << "the README's lumetra options and those --help lists differ";

    const QStringList bootstrap = sourceFile(QStringLiteral("scripts/bootstrap.sh")).split(QRegularExpression(QStringLiteral(R"(\s+)")));
    const auto packageRows = readme.tableRows({QStringLiteral("For"), QStringLiteral("Debian packages")});
    EXPECT_GE(packageRows.size(), 5);
    for (const QStringList& row : packageRows) {
        for (const auto& m : matches(QStringLiteral("`([^`]+)`"), row.value(1))) {
            const QRegularExpression package(QRegularExpression::wildcardToRegularExpression(m.captured(1)));
            EXPECT_FALSE(bootstrap.filter(package).isEmpty()) << "package " << m.captured(1).toStdString();
        }
    }
}

TEST(Readme, PathsAndNamesAreWhereTheyAre)
{
    const Readme readme;
    const QDir source(QStringLiteral(LUMETRA_SOURCE_DIR));
    QStringList repositoryPaths;
    for (const auto& m : matches(QStringLiteral(R"(\]\(([^)#]+)\))"), readme.text))
        repositoryPaths << m.captured(1); // links and pictures
    const QRegularExpression inRepository(QStringLiteral(R"(^(?:src|tests|scripts|docs|bench|resources|cmake|\.ci)/[\w./-]*$)"));
    repositoryPaths << readme.codeWords().filter(inRepository);
    EXPECT_GE(repositoryPaths.size(), 15);
    for (const QString& path : repositoryPaths)
        EXPECT_TRUE(source.exists(path)) << path.toStdString();

    // Paths on the user's machine, as the program and the installation make them for a
    // home of /home/u (with "~" for it), the settings folder left as the README writes it.
    // The environment is the whole program's: what is changed here is put back.
    const QList<QByteArray> names{"HOME", "XDG_CONFIG_HOME", "LUMETRA_CONFIG_DIR"};
    const QList<QByteArray> saved{qgetenv(names[0]), qgetenv(names[1]), qgetenv(names[2])};
    const auto restore = qScopeGuard([&] {
        for (qsizetype i = 0; i < names.size(); ++i)
            saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    });
    qputenv("HOME", "/home/u");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("LUMETRA_CONFIG_DIR", "$LUMETRA_CONFIG_DIR");
    QStringList machine{UserDefaults::defaultFilePath()};
    qunsetenv("LUMETRA_CONFIG_DIR");
    machine << UserDefaults::defaultFilePath() << QFileInfo(UserDefaults::defaultFilePath()).path() + QLatin1Char('/')
            << LaunchAtLogin::autostartFilePath();
    const QStringList installed = installedFiles(QStringLiteral("/usr/local"));
    machine << installed << QFileInfo(installed.filter(QStringLiteral("/libexec/")).value(0)).path() + QLatin1Char('/');
    machine << SingleInstance::defaultSocketPath()
                   .replace(qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("$XDG_RUNTIME_DIR"))
                   .replace(QString::number(::getuid()), QStringLiteral("$UID"));
    machine.replaceInStrings(QRegularExpression(QStringLiteral("^/home/u/")), QStringLiteral("~/"));
    const QStringList named = readme.codeWords().filter(QRegularExpression(QStringLiteral(R"(^(?:~|/|\$\w+/))")));
    for (const QString& path : named)
        EXPECT_TRUE(machine.contains(path)) << path.toStdString() << " is not a path Lumetra or its installation uses";
    for (const QString& path : installed)
        EXPECT_TRUE(named.contains(path)) << "the README does not say that make install writes " << path.toStdString();
    EXPECT_GE(installed.size(), 3);

    // Names of settings given to the build or the program exist there.
    const QString where = sourceFile(QStringLiteral("CMakeLists.txt")) + sourceFile(QStringLiteral("Makefile"))
        + sourceFile(QStringLiteral("src/Platform/UserDefaults.cpp")) + sourceFile(QStringLiteral("src/Base/Logger.cpp"));
    for (const QString& word : readme.codeWords().filter(QRegularExpression(QStringLiteral(R"(^\$?[A-Z][A-Z0-9]*_[A-Z0-9_]+$)"))))
        EXPECT_TRUE(where.contains(QString(word).remove(QLatin1Char('$')))) << word.toStdString();
}
