#include "Platform/UserDefaults.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString filePath() const { return m_dir.filePath(QStringLiteral("Lumetra.conf")); }
    std::unique_ptr<UserDefaults> open() const { return std::make_unique<UserDefaults>(filePath()); }

    void writeFile(const QByteArray& contents) const
    {
        QFile file(filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerUntilAValueIsStoredAndAreNeverWritten)
{
    auto defaults = open();
    defaults->registerDefaults({{QStringLiteral("openWindowAtLaunch"), true},
                                {QStringLiteral("captureDelaySeconds"), 3},
                                {QStringLiteral("appTheme"), QStringLiteral("system")}});
    EXPECT_TRUE(defaults->boolValue(QStringLiteral("openWindowAtLaunch")));
    EXPECT_EQ(defaults->integer(QStringLiteral("captureDelaySeconds")), 3);
    EXPECT_EQ(defaults->string(QStringLiteral("appTheme")), QStringLiteral("system"));
    EXPECT_FALSE(defaults->hasStoredValue(QStringLiteral("appTheme")));

    defaults->set(QStringLiteral("appTheme"), QStringLiteral("dark"));
    defaults->set(QStringLiteral("openWindowAtLaunch"), false);
    EXPECT_EQ(defaults->string(QStringLiteral("appTheme")), QStringLiteral("dark"));
    EXPECT_FALSE(defaults->boolValue(QStringLiteral("openWindowAtLaunch")));

    // Removing the stored value brings the registered one back.
    defaults->remove(QStringLiteral("appTheme"));
    EXPECT_EQ(defaults->string(QStringLiteral("appTheme")), QStringLiteral("system"));

    // A fresh store over the same file sees the stored values but not the registrations.
    auto reopened = open();
    EXPECT_FALSE(reopened->integer(QStringLiteral("captureDelaySeconds")));
    EXPECT_FALSE(reopened->string(QStringLiteral("appTheme")).has_value());
    EXPECT_TRUE(reopened->hasStoredValue(QStringLiteral("openWindowAtLaunch")));
    EXPECT_FALSE(reopened->boolValue(QStringLiteral("openWindowAtLaunch")));
}

TEST_F(UserDefaultsTest, TypedReadsConvertWhatTheyCanAndFallBackOnWrongTypesOrNoValue)
{
    auto defaults = open();
    const QString missing = QStringLiteral("missing");
    EXPECT_FALSE(defaults->object(missing).isValid() || defaults->hasStoredValue(missing) || defaults->boolValue(missing));
    EXPECT_EQ(std::pair(defaults->integer(missing), defaults->doubleValue(missing)), std::pair(qint64(0), 0.0));
    EXPECT_FALSE(defaults->string(missing).has_value() || defaults->data(missing).has_value());

    defaults->set(QStringLiteral("word"), QStringLiteral("abc"));
    defaults->set(QStringLiteral("numberText"), QStringLiteral(" 42 "));
    defaults->set(QStringLiteral("fraction"), QStringLiteral("3.9"));
    defaults->set(QStringLiteral("yes"), QStringLiteral("YES"));
    defaults->set(QStringLiteral("count"), 5);
    defaults->set(QStringLiteral("list"), QVariantList{1, 2});
    defaults->set(QStringLiteral("notANumber"), std::nan(""));
    defaults->set(QStringLiteral("huge"), 1e300);

    EXPECT_FALSE(defaults->boolValue(QStringLiteral("word")));
    EXPECT_EQ(defaults->integer(QStringLiteral("word")), 0);
    EXPECT_FALSE(defaults->data(QStringLiteral("word")).has_value());

    EXPECT_EQ(defaults->integer(QStringLiteral("numberText")), 42);
    EXPECT_EQ(defaults->integer(QStringLiteral("fraction")), 3);
    EXPECT_DOUBLE_EQ(defaults->doubleValue(QStringLiteral("fraction")), 3.9);
    EXPECT_TRUE(defaults->boolValue(QStringLiteral("yes")));
    EXPECT_TRUE(defaults->boolValue(QStringLiteral("count")));
    EXPECT_EQ(defaults->string(QStringLiteral("count")), QStringLiteral("5"));

    EXPECT_EQ(defaults->integer(QStringLiteral("list")), 0);
    EXPECT_FALSE(defaults->string(QStringLiteral("list")).has_value());

    EXPECT_EQ(defaults->integer(QStringLiteral("notANumber")), 0);
    EXPECT_EQ(defaults->integer(QStringLiteral("huge")), std::numeric_limits<qint64>::max());

    // The same conversions hold once the values come back from the file as text.
    auto reopened = open();
    EXPECT_EQ(reopened->integer(QStringLiteral("count")), 5);
    EXPECT_EQ(reopened->integer(QStringLiteral("numberText")), 42);
    EXPECT_FALSE(reopened->boolValue(QStringLiteral("word")));
}

TEST_F(UserDefaultsTest, DataBlobsRoundTripEveryByteAndStayApartFromStrings)
{
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(static_cast<char>(i));
    const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("arrow"), QStringLiteral("⌘⇧7\n\"q\"")}})
                                .toJson(QJsonDocument::Compact);
    {
        auto defaults = open();
        defaults->setData(QStringLiteral("bytes"), allBytes);
        defaults->set(QStringLiteral("customShortcuts"), QVariant(json)); // a QByteArray through set()
        defaults->setData(QStringLiteral("empty"), QByteArray());
        // Strings that look like encodings of data stay strings.
        defaults->set(QStringLiteral("at"), QStringLiteral("@ByteArray(x)"));
        defaults->set(QStringLiteral("tagged"), QStringLiteral("data:aGVsbG8="));
        defaults->set(QStringLiteral("list-like"), QStringLiteral("a, b, c"));
        EXPECT_EQ(defaults->data(QStringLiteral("bytes")), allBytes);
    }
    auto reopened = open();
    EXPECT_EQ(reopened->data(QStringLiteral("bytes")), allBytes);
    EXPECT_EQ(reopened->data(QStringLiteral("customShortcuts")), json);
    EXPECT_EQ(reopened->data(QStringLiteral("empty")), QByteArray());
    EXPECT_FALSE(reopened->string(QStringLiteral("bytes")).has_value());
    for (const char* key : {"at", "tagged", "list-like"})
        EXPECT_FALSE(reopened->data(QString::fromLatin1(key)).has_value()) << key;
    EXPECT_EQ(reopened->string(QStringLiteral("at")), QStringLiteral("@ByteArray(x)"));
    EXPECT_EQ(reopened->string(QStringLiteral("tagged")), QStringLiteral("data:aGVsbG8="));
}

TEST_F(UserDefaultsTest, CorruptFileContentsReadAsAbsentAndCanBeOverwritten)
{
    QByteArray contents("[General]\n"
                        "blob=plain text not data\n"
                        "broken=@ByteArray(no closing bracket\n"
                        "variant=@Variant(\\0\\0\\0\\x7f garbage)\n");
    contents += QByteArray("\xff\xfe\x00 junk\n", 9);
    contents += "toolStyleSnapshot=@ByteArray({not json)\n";
    writeFile(contents);
    auto defaults = open();
    EXPECT_FALSE(defaults->data(QStringLiteral("blob")).has_value());
    EXPECT_EQ(defaults->string(QStringLiteral("blob")), QStringLiteral("plain text not data"));
    // Whatever the damaged entries decode to, reading them neither crashes nor yields data
    // that was never written as a blob.
    EXPECT_FALSE(defaults->data(QStringLiteral("broken")).has_value());
    EXPECT_EQ(defaults->integer(QStringLiteral("variant")), 0);
    // A blob that is not valid JSON comes back byte for byte: decoding is the caller's job.
    EXPECT_EQ(defaults->data(QStringLiteral("toolStyleSnapshot")), QByteArray("{not json"));

    defaults->setData(QStringLiteral("blob"), QByteArray("{}"));
    EXPECT_EQ(open()->data(QStringLiteral("blob")), QByteArray("{}"));
}

TEST_F(UserDefaultsTest, ASettingsFileThatIsNotARegularFileIsSetAsideAndTheDefaultsApply)
{
    const QByteArray path = QFile::encodeName(filePath());
    const std::pair<const char*, std::function<void()>> cases[] {
        {"fifo", [&] { ::mkfifo(path.constData(), 0600); }},
        {"folder", [&] { QDir().mkpath(filePath()); }},
        {"symlink loop", [&] { ::symlink(path.constData(), path.constData()); }},
        {"device", [&] { ::symlink("/dev/zero", path.constData()); }},
    };
    for (const auto& [kind, make] : cases) {
        SCOPED_TRACE(kind);
        make();
        // Opening does not wait for a writer on the FIFO, and the defaults answer.
        auto defaults = open();
        defaults->registerDefaults({{QStringLiteral("openWindowAtLaunch"), true}});
        EXPECT_TRUE(defaults->boolValue(QStringLiteral("openWindowAtLaunch")));
        defaults->set(QStringLiteral("appTheme"), QStringLiteral("dark"));
        EXPECT_TRUE(QFileInfo(filePath()).isFile());
        EXPECT_EQ(open()->string(QStringLiteral("appTheme")), QStringLiteral("dark"));
        // What stood there was kept beside it.
        EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("Lumetra.conf.unusable-*")}, QDir::AllEntries | QDir::System).size(), 1);
        for (const QString& name : QDir(m_dir.path()).entryList({QStringLiteral("Lumetra.conf*")}, QDir::AllEntries | QDir::System)) {
            const QByteArray entry = QFile::encodeName(m_dir.filePath(name));
            if (::unlink(entry.constData()) != 0)
                ::rmdir(entry.constData());
        }
    }
}

TEST_F(UserDefaultsTest, WritesReachOtherInstancesOverTheSameFile)
{
    auto first = open();
    auto second = open();
    first->set(QStringLiteral("captureDelaySeconds"), 5);
    first->setData(QStringLiteral("customShortcuts"), QByteArray("{\"a\":1}"));
    EXPECT_EQ(second->integer(QStringLiteral("captureDelaySeconds")), 5);
    EXPECT_EQ(second->data(QStringLiteral("customShortcuts")), QByteArray("{\"a\":1}"));

    second->remove(QStringLiteral("captureDelaySeconds"));
    EXPECT_FALSE(first->hasStoredValue(QStringLiteral("captureDelaySeconds")));
    EXPECT_FALSE(open()->hasStoredValue(QStringLiteral("captureDelaySeconds")));

    // Setting an invalid value removes the key.
    first->set(QStringLiteral("appLanguage"), QStringLiteral("de"));
    first->set(QStringLiteral("appLanguage"), QVariant());
    EXPECT_FALSE(open()->hasStoredValue(QStringLiteral("appLanguage")));
}

TEST_F(UserDefaultsTest, ChangeSignalNamesTheKeyAndObserversSeeOnlyTheirKey)
{
    auto defaults = open();
    QSignalSpy spy(defaults.get(), &UserDefaults::valueChanged);
    int themeChanges = 0;
    std::optional<QString> seenInHandler;
    auto context = std::make_unique<QObject>();
    defaults->observe(QStringLiteral("appTheme"), context.get(), [&] {
        ++themeChanges;
        // Reading back from inside the handler must see the new value (and not deadlock).
        seenInHandler = defaults->string(QStringLiteral("appTheme"));
    });

    defaults->set(QStringLiteral("appLanguage"), QStringLiteral("fr"));
    EXPECT_EQ(themeChanges, 0);
    defaults->set(QStringLiteral("appTheme"), QStringLiteral("dark"));
    EXPECT_EQ(themeChanges, 1);
    EXPECT_EQ(seenInHandler, QStringLiteral("dark"));
    // Writing an equal value is still a change.
    defaults->set(QStringLiteral("appTheme"), QStringLiteral("dark"));
    EXPECT_EQ(themeChanges, 2);
    defaults->remove(QStringLiteral("appTheme"));
    EXPECT_EQ(themeChanges, 3);
    EXPECT_FALSE(seenInHandler.has_value());

    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("appLanguage"));
    EXPECT_EQ(spy.at(1).at(0).toString(), QStringLiteral("appTheme"));

    // The observation ends with its context.
    context.reset();
    defaults->set(QStringLiteral("appTheme"), QStringLiteral("light"));
    EXPECT_EQ(themeChanges, 3);

    // Without a context it lasts as long as the store.
    int unboundChanges = 0;
    defaults->observe(QStringLiteral("appTheme"), nullptr, [&] { ++unboundChanges; });
    defaults->set(QStringLiteral("appTheme"), QStringLiteral("dark"));
    EXPECT_EQ(unboundChanges, 1);
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing)
{
    auto defaults = open();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                defaults->set(QStringLiteral("key%1_%2").arg(t).arg(i), i);
                (void)defaults->integer(QStringLiteral("key%1_%2").arg((t + 1) % 4).arg(i));
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    auto reopened = open();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 50; ++i)
            ASSERT_EQ(reopened->integer(QStringLiteral("key%1_%2").arg(t).arg(i)), i) << t << " " << i;
    }
}

TEST(UserDefaultsLocation, ConfigDirVariableRedirectsTheStore)
{
    const QByteArray savedConfigDir = qgetenv("LUMETRA_CONFIG_DIR");
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");

    qputenv("LUMETRA_CONFIG_DIR", "/tmp/lumetra-elsewhere");
    EXPECT_EQ(UserDefaults::defaultFilePath(), QStringLiteral("/tmp/lumetra-elsewhere/Lumetra.conf"));
    qunsetenv("LUMETRA_CONFIG_DIR");
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg-config");
    EXPECT_EQ(UserDefaults::defaultFilePath(), QStringLiteral("/tmp/xdg-config/Lumetra/Lumetra.conf"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserDefaults::defaultFilePath(), QDir::home().filePath(QStringLiteral(".config/Lumetra/Lumetra.conf")));

    qputenv("LUMETRA_CONFIG_DIR", savedConfigDir);
    if (savedXdg.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

TEST(StandardUserDefaults, QtsOwnDialogsKeepTheirStateInTheSameFolder)
{
    const QString folder = QFileInfo(UserDefaults::defaultFilePath()).absolutePath();
    const QString qtFile = QDir(folder).filePath(QStringLiteral("QtProject.conf"));
    UserDefaults::standard();
    QFile::remove(qtFile);
    {
        // Qt's file dialog writes its last folder and view when it goes.
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(QDir::tempPath());
    }
    EXPECT_TRUE(QFile::exists(qtFile)) << "the file dialog's state is not beside " << folder.toStdString();
    EXPECT_EQ(QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName(), qtFile);
    QFile::remove(qtFile);
}
