// The Settings window: each tab's controls over their settings, the shortcut recorder's
// rules, the tab memory, and the language and appearance of the open window.
#include "AppTestSupport.h"

#include "App/AppMenuBar.h"
#include "App/EditingSettingsView.h"
#include "App/GeneralSettingsView.h"
#include "App/LaunchAtLogin.h"
#include "App/SettingsWindow.h"
#include "App/ShortcutKeySequence.h"
#include "App/ShortcutRecorder.h"
#include "App/ShortcutsSettingsView.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Core/ThemeRefresh.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScopeGuard>
#include <QShortcut>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The notifications the tabs post, by name.
const QString kUpdater = Notifications::sparklePreferencesChanged;
const QString kPersist = Notifications::persistToolStyles;
const QString kReset = Notifications::resetToolStyles;
const QString kShortcuts = Notifications::shortcutConfigurationChanged;

constexpr quint64 kCtrl = ShortcutBinding::commandFlag, kAlt = ShortcutBinding::optionFlag,
                  kShift = ShortcutBinding::shiftFlag;

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : defaults(UserDefaults::standard()), store(defaults)
    {
        defaults.set(Settings::appLanguage.name(), QStringLiteral("en"));
        for (NotificationName name : {Notifications::sparklePreferencesChanged, Notifications::persistToolStyles,
                                      Notifications::resetToolStyles, Notifications::shortcutConfigurationChanged})
            NotificationCenter::defaultCenter().addObserver(name, &context,
                                                            [this, name](const auto&) { posted << QString(name); });
    }

    template <typename Widget>
    Widget* find(QWidget& parent, const QString& name)
    {
        auto* widget = parent.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    UserDefaults& defaults;
    ShortcutStore store;
    QObject context;
    QStringList posted;
};

} // namespace

TEST_F(SettingsTest, GeneralSwitchesShowTheirDefaultsAndStoreEveryChange)
{
    GeneralSettingsView view(defaults, {});
    // objectName (the key), shown with empty defaults, whether a change is announced to the updater.
    const struct {
        const char* key;
        bool shown;
        bool toUpdater;
    } rows[] = {{"openWindowAtLaunch", true, false},     {"captureOpensEditor", true, false},
                {"captureShowsCursor", false, false},    {"SUEnableAutomaticChecks", true, true},
                {"SUAutomaticallyUpdate", false, true}};
    for (const auto& row : rows) {
        const QString key = QString::fromLatin1(row.key);
        auto* box = find<QCheckBox>(view, key);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isChecked(), row.shown) << row.key;
        posted.clear();
        box->click();
        EXPECT_EQ(defaults.object(key), QVariant(!row.shown)) << row.key;
        EXPECT_EQ(posted, row.toUpdater ? QStringList{kUpdater} : QStringList{}) << row.key;
        // A write from elsewhere moves the switch and announces nothing more.
        defaults.set(key, row.shown);
        EXPECT_EQ(box->isChecked(), row.shown) << row.key;
    }
}

TEST_F(SettingsTest, LanguageAndAppearancePickersReadLegacyAndUnknownValues)
{
    AppLanguages::setPreferredLanguagesSource([] { return QStringList{QStringLiteral("en")}; });
    // Stored language, stored appearance -> what the pickers show (in that language).
    const struct {
        const char *language, *theme, *shownLanguage, *shownTheme;
    } rows[] = {{"chinese", "dark", "简体中文", "深色"},
                {"klingon", "Dark", "Follow System", "Follow System"},
                {"de", "light", "Deutsch", "Hell"}};
    for (const auto& row : rows) {
        defaults.set(Settings::appLanguage.name(), QString::fromUtf8(row.language));
        defaults.set(Settings::appTheme.name(), QString::fromUtf8(row.theme));
        GeneralSettingsView view(defaults, {});
        EXPECT_EQ(find<QComboBox>(view, "appLanguage")->currentText(), QString::fromUtf8(row.shownLanguage));
        EXPECT_EQ(find<QComboBox>(view, "appTheme")->currentText(), QString::fromUtf8(row.shownTheme));
    }
    // An alias is replaced only by a choice.
    defaults.set(Settings::appLanguage.name(), QStringLiteral("english"));
    GeneralSettingsView view(defaults, {});
    EXPECT_EQ(defaults.string(Settings::appLanguage.name()), QStringLiteral("english"));
    find<QComboBox>(view, "appLanguage")->setCurrentIndex(int(AppLanguages::allCases().indexOf(AppLanguage::french)));
    EXPECT_EQ(defaults.string(Settings::appLanguage.name()), QStringLiteral("fr"));
}

TEST_F(SettingsTest, MaximumScrollLengthIsParsedInTheLocaleAndClamped)
{
    // The interface language's digit grouping, whatever the desktop's locale; a stored
    // value capture would not use (no number, or out of range) shows as the default.
    defaults.set(Settings::appLanguage.name(), QStringLiteral("de"));
    for (const auto& [stored, shown] : {std::pair{"hello", "20.000"}, {"500", "20.000"}, {"31500", "31.500"}}) {
        defaults.set(Settings::captureMaxScrollLength.name(), QString::fromLatin1(stored));
        GeneralSettingsView opened(defaults, {});
        EXPECT_EQ(find<QLineEdit>(opened, "captureMaxScrollLength")->text(), QString::fromLatin1(shown)) << stored;
    }
    defaults.remove(Settings::captureMaxScrollLength.name());
    GeneralSettingsView view(defaults, {});
    QLineEdit* field = find<QLineEdit>(view, "captureMaxScrollLength");
    EXPECT_EQ(field->text(), QStringLiteral("20.000"));
    // Typed -> stored (none: nothing stored, the field shows the stored value again).
    const struct {
        const char* typed;
        std::optional<int> stored;
    } rows[] = {{"500", 2000},      {"80000", 50000}, {"2000", 2000},  {"50.000", 50000}, {"31.500", 31500},
                {"abc", std::nullopt}, {"", std::nullopt}, {"12,5", std::nullopt}, {"99999999999", 50000}};
    for (const auto& row : rows) {
        defaults.remove(Settings::captureMaxScrollLength.name());
        field->setText(QString::fromLatin1(row.typed));
        emit field->editingFinished();
        EXPECT_EQ(defaults.object(Settings::captureMaxScrollLength.name()),
                  row.stored ? QVariant(*row.stored) : QVariant()) << row.typed;
        EXPECT_EQ(field->text(), GeneralSettingsView::lengthText(row.stored.value_or(20000))) << row.typed;
    }
    // Written from outside while the window is open: a number is brought in, anything else shows the default.
    defaults.set(Settings::captureMaxScrollLength.name(), QStringLiteral("hello"));
    EXPECT_EQ(field->text(), QStringLiteral("20.000"));
    EXPECT_EQ(defaults.string(Settings::captureMaxScrollLength.name()), QStringLiteral("hello"));
}

TEST_F(SettingsTest, LaunchAtLoginIsTheAutostartEntryInThePrivateConfigFolder)
{
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_HOME", xdg.path().toUtf8());
    GeneralSettingsView view(defaults, {});
    auto* box = find<QCheckBox>(view, "launchAtLogin");
    EXPECT_FALSE(box->isChecked());
    box->click();
    QFile written(xdg.filePath(QStringLiteral("autostart/lumetra.desktop")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString contents = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(contents.startsWith(QStringLiteral("[Desktop Entry]\n")) && contents.contains(QStringLiteral("Type=Application\n")));
    EXPECT_TRUE(LaunchAtLogin::isEnabled());
    // Characters the Exec key reserves are escaped, so the path stays one argument.
    EXPECT_TRUE(LaunchAtLogin::desktopEntry(QStringLiteral("/opt/my apps/a\"b$c"))
                    .contains(QStringLiteral("Exec=\"/opt/my apps/a\\\\\"b\\\\$c\"\n")));
    box->click();
    EXPECT_FALSE(written.exists());
    EXPECT_TRUE(LaunchAtLogin::setEnabled(false)); // already off
    // Entries that start nothing read as off.
    for (const char* text : {"[Desktop Entry]\nType=Application\nExec=lumetra\nHidden=true\n",
                             "[Desktop Entry]\nType=Application\n", "Exec=lumetra\n"}) {
        QFile entry(LaunchAtLogin::autostartFilePath());
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly | QIODevice::Truncate));
        entry.write(text);
        entry.close();
        EXPECT_FALSE(LaunchAtLogin::isEnabled()) << text;
    }

    // A folder that cannot be written: the switch shows what is, off.
    QDir(xdg.filePath(QStringLiteral("autostart"))).removeRecursively();
    QFile(xdg.filePath(QStringLiteral("autostart"))).open(QIODevice::WriteOnly);
    box->click();
    EXPECT_FALSE(box->isChecked());
    qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsTest, WhereTheSessionRunsNoAutostartEntriesTheStartupSectionSaysHowToStartLumetra)
{
    const QByteArray before = qgetenv("XDG_CURRENT_DESKTOP");
    const struct {
        const char* desktop;
        bool runsAutostart;
    } sessions[] = {{"sway", false}, {"GNOME", true}, {"KDE", true}, {"", true}, {"foo:SWAY", false}};
    for (const auto& session : sessions) {
        qputenv("XDG_CURRENT_DESKTOP", session.desktop);
        EXPECT_EQ(LaunchAtLogin::sessionRunsAutostart(), session.runsAutostart) << session.desktop;
        GeneralSettingsView view(defaults, {});
        const auto* note = view.findChild<SettingsFooterLabel*>(QStringLiteral("launchAtLoginNoAutostart"));
        EXPECT_EQ(note != nullptr, !session.runsAutostart) << session.desktop;
        if (note)
            EXPECT_TRUE(note->text().contains(QStringLiteral("exec lumetra"))) << note->text().toStdString();
    }
    qputenv("XDG_CURRENT_DESKTOP", before);
}

TEST_F(SettingsTest, EditingTabFormatQualityAndToolStyleResets)
{
    EditingSettingsView view(defaults);
    auto* format = find<QComboBox>(view, "defaultSaveFormat");
    auto* quality = find<QLabel>(view, "jpegQualityText");
    EXPECT_EQ(format->currentText(), QStringLiteral("PNG"));
    EXPECT_TRUE(quality->parentWidget()->isHidden());
    format->setCurrentIndex(1);
    EXPECT_EQ(defaults.string(Settings::defaultSaveFormat.name()), QStringLiteral("jpeg"));
    EXPECT_FALSE(quality->parentWidget()->isHidden());
    EXPECT_EQ(quality->text(), QStringLiteral("90%"));
    defaults.set(Settings::defaultSaveFormat.name(), QStringLiteral("jpg"));
    EXPECT_EQ(format->currentIndex(), -1);
    EXPECT_TRUE(quality->parentWidget()->isHidden());
    for (const auto& [value, shown] : {std::pair{0.15000000000000002, "15%"}, {1.0, "100%"}, {0.1, "10%"}, {NAN, "–"}})
        EXPECT_EQ(EditingSettingsView::qualityText(value), QString::fromUtf8(shown));

    // Remember off drops the stored styles at once; on asks editors to store theirs.
    defaults.setData(Settings::toolStyleSnapshot.name(), "{}");
    find<QCheckBox>(view, "rememberToolStyles")->click();
    EXPECT_FALSE(defaults.data(Settings::toolStyleSnapshot.name()).has_value());
    find<QPushButton>(view, "resetToolStyles")->click();
    EXPECT_EQ(posted, QStringList{kReset});

    // Reset everything: the reset first, then (remember having been off) the persist.
    posted.clear();
    defaults.setData(Settings::toolStyleSnapshot.name(), "{}");
    find<QPushButton>(view, "resetDefaults")->click();
    EXPECT_EQ(posted, (QStringList{kReset, kPersist}));
    EXPECT_EQ(defaults.string(Settings::defaultSaveFormat.name()), QStringLiteral("png"));
    EXPECT_EQ(defaults.doubleValue(Settings::defaultJpegQuality.name()), 0.9);
    EXPECT_FALSE(defaults.data(Settings::toolStyleSnapshot.name()).has_value());
    posted.clear();
    view.resetDefaults();
    EXPECT_EQ(posted, QStringList{kReset});
}

TEST_F(SettingsTest, RecorderJudgesKeysModifiersScopesAndConflictsInDeclarationOrder)
{
    using ShortcutRecorder::Verdict;
    const struct {
        ShortcutAction action;
        int qtKey;
        std::optional<quint16> keyCode;
        quint64 flags;
        Verdict verdict;
        std::optional<ShortcutAction> holder;
        const char* fixedHolder = "";
    } rows[] = {
        {ShortcutAction::toolLine, Qt::Key_Escape, 53, kCtrl, Verdict::cancelled, {}},
        {ShortcutAction::toolLine, Qt::Key_Shift, std::nullopt, kShift, Verdict::ignored, {}},
        {ShortcutAction::toolLine, Qt::Key_Return, 36, 0, Verdict::invalid, {}},
        {ShortcutAction::toolLine, Qt::Key_Tab, 48, 0, Verdict::invalid, {}},
        {ShortcutAction::toolLine, Qt::Key_F5, 96, kCtrl, Verdict::invalid, {}},
        {ShortcutAction::toolLine, Qt::Key_Left, 123, 0, Verdict::invalid, {}},
        {ShortcutAction::toolLine, Qt::Key_2, 19, 0, Verdict::conflict, ShortcutAction::toolArrow},
        {ShortcutAction::toolLine, Qt::Key_1, 18, 0, Verdict::accepted, {}},
        {ShortcutAction::toolNumber, Qt::Key_7, 26, kCtrl | kShift, Verdict::conflict, ShortcutAction::captureSelection},
        {ShortcutAction::captureSelection, Qt::Key_7, 26, 0, Verdict::invalid, {}},
        {ShortcutAction::captureSelection, Qt::Key_5, 23, kShift, Verdict::invalid, {}},
        {ShortcutAction::captureSelection, Qt::Key_5, 23, kCtrl | kAlt, Verdict::accepted, {}},
        {ShortcutAction::captureWindow, Qt::Key_Space, 49, ShortcutBinding::controlFlag, Verdict::accepted, {}},
        // The editor's menu keys (Actual Size, Zoom In, Undo) belong to no action; Copy
        // Image answers to Ctrl+C too.
        {ShortcutAction::captureWindow, Qt::Key_1, 18, kCtrl, Verdict::conflict, {}, "Actual Size"},
        {ShortcutAction::captureSelection, Qt::Key_Plus, 24, kCtrl | kShift, Verdict::conflict, {}, "Zoom In"},
        {ShortcutAction::toolLine, Qt::Key_Z, 6, kCtrl, Verdict::conflict, {}, "Undo"},
        {ShortcutAction::copyImage, Qt::Key_C, 8, kCtrl, Verdict::accepted, {}},
    };
    for (const auto& row : rows) {
        const auto judgement = ShortcutRecorder::judge(store, row.action, row.qtKey, row.keyCode, row.flags);
        EXPECT_EQ(judgement.verdict, row.verdict) << row.qtKey;
        EXPECT_EQ(judgement.holder, row.holder) << row.qtKey;
        EXPECT_EQ(localized(judgement.fixedHolderTitleKey), QString::fromUtf8(row.fixedHolder))
            << row.qtKey;
    }
    // Every recordable key of the editor's menus that no action holds is among them.
    QWidget editor;
    AppMenuBar menus(new QMenuBar(&editor), store);
    QSet<QKeySequence> menuKeys, actionKeys;
    for (const QAction* item : editor.findChildren<QAction*>())
        for (const QKeySequence& keys : item->shortcuts())
            menuKeys.insert(keys);
    for (const ShortcutBinding& binding : store.bindings())
        actionKeys.insert(keySequenceFor(binding));
    for (const auto& [code, character] : usKeyCharacterTable().asKeyValueRange())
        for (const quint64 flags : {kCtrl, kCtrl | kShift, kAlt, kCtrl | kAlt})
            if (const QKeySequence keys = keySequenceFor({code, flags, character}); menuKeys.contains(keys) && !actionKeys.contains(keys))
                EXPECT_TRUE(std::any_of(ShortcutRecorder::editorFixedKeys().begin(), ShortcutRecorder::editorFixedKeys().end(),
                                        [&, code = code](const auto& fixed) { return fixed.keyCode == code && fixed.modifierFlags == flags; }))
                    << keys.toString().toStdString();
    // Caps Lock and the keypad never count; the character is the key's own.
    const auto accepted = ShortcutRecorder::judge(store, ShortcutAction::toolLine, Qt::Key_L, 37, 0x10000 | kAlt);
    EXPECT_EQ(accepted.binding, (ShortcutBinding{37, kAlt, QStringLiteral("l")}));
    // Two other actions on one key (after a reset): the first declared is named, always.
    store.setOverride(ShortcutAction::toolSpotlight, {0, kAlt, QStringLiteral("a")});
    store.setOverride(ShortcutAction::toolArrow, {0, kAlt, QStringLiteral("a")});
    EXPECT_EQ(ShortcutRecorder::judge(store, ShortcutAction::toolLine, Qt::Key_A, 0, kAlt).holder,
              ShortcutAction::toolArrow);
}

TEST_F(SettingsTest, ShortcutRowsRecordHintAndReset)
{
    bool heldElsewhere = false;
    ShortcutsSettingsView view(store, [&](ShortcutAction) { return heldElsewhere; });
    view.resize(440, 2000);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    bool closed = false;
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), &view), &QShortcut::activated, [&] { closed = true; });
    auto* restore = find<QPushButton>(view, "restoreDefaults");
    EXPECT_FALSE(restore->isVisibleTo(&view));

    // A key that cannot be recorded: the yellow hint, recording goes on.
    find<BindingCapsule>(view, "binding.captureSelection")->click();
    ASSERT_EQ(view.recordingAction(), ShortcutAction::captureSelection);
    QTest::qWait(10);
    auto* recorder = find<ShortcutRecorderView>(view, "shortcutRecorder");
    QTest::keyClick(recorder, Qt::Key_F5);
    EXPECT_EQ(view.hint(), (ShortcutsSettingsView::Hint{ShortcutAction::captureSelection, "This key can’t be recorded", true}));
    EXPECT_EQ(view.recordingAction(), ShortcutAction::captureSelection);

    // Accepted, saved, announced; another program holds it: the yellow hint, binding kept.
    heldElsewhere = true;
    QTest::keyClick(recorder, Qt::Key_5, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(view.recordingAction(), std::nullopt);
    EXPECT_EQ(store.bindings().value(ShortcutAction::captureSelection), (ShortcutBinding{23, kCtrl | kAlt, "5"}));
    EXPECT_EQ(posted, QStringList{kShortcuts});
    EXPECT_EQ(view.hint()->text, QStringLiteral("May conflict with desktop shortcuts"));
    auto* hint = find<QLabel>(view, "hint.captureSelection");
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->palette().color(QPalette::WindowText), ShortcutsSettingsView::hintColor(true, false));
    EXPECT_EQ(find<BindingCapsule>(view, "binding.captureSelection")->text(), QStringLiteral("Ctrl + Alt + 5"));
    EXPECT_TRUE(restore->isVisibleTo(&view));
    EXPECT_TRUE(find<QToolButton>(view, "reset.captureSelection")->isVisibleTo(&view));
    // The first Escape after the press only leaves the row; the next one is the window's.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(closed);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_TRUE(closed);
    // The hint goes three seconds later.
    EXPECT_TRUE(spinUntil([&] { return !view.hint(); }, ShortcutsSettingsView::hintMilliseconds + 1000));
    EXPECT_FALSE(hint->isVisible());

    // Moving toolArrow onto "1" and resetting toolLine away from it, then back onto it:
    // the red conflict hint tells under toolLine that both hold "1" now.
    store.setOverride(ShortcutAction::toolLine, {0, 0, "a"});
    store.setOverride(ShortcutAction::toolArrow, {18, 0, "1"});
    posted.clear();
    view.resetShortcut(ShortcutAction::toolLine);
    EXPECT_EQ(posted, QStringList{kShortcuts});
    EXPECT_EQ(view.hint(), (ShortcutsSettingsView::Hint{ShortcutAction::toolLine, "Conflicts with “Arrow Annotation”", false}));

    posted.clear();
    restore->click();
    EXPECT_TRUE(store.userOverrides().isEmpty());
    EXPECT_EQ(posted, QStringList{kShortcuts});
    EXPECT_FALSE(restore->isVisibleTo(&view));

    // A desktop without global keys: the capture rows say so and show what to bind in
    // its keyboard settings, in place of a key that would do nothing; in-app keys stay.
    ShortcutsSettingsView noKeys(store, {}, true);
    noKeys.resize(440, 2000);
    noKeys.show();
    EXPECT_TRUE(find<QLabel>(noKeys, "globalKeysUnavailable")->isVisible());
    const QList<QPair<const char*, const char*>> commands{{"captureSelection", "lumetra --capture-area"},
                                                          {"captureWindow", "lumetra --capture-window"},
                                                          {"captureScroll", ""}};
    for (const auto& [action, command] : commands) {
        EXPECT_FALSE(find<BindingCapsule>(noKeys, QStringLiteral("binding.") + QLatin1String(action))->isVisible());
        EXPECT_EQ(find<QLabel>(noKeys, QStringLiteral("command.") + QLatin1String(action))->text(), QLatin1String(command));
    }
    EXPECT_TRUE(find<BindingCapsule>(noKeys, "binding.toolLine")->isVisible());
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("globalKeysUnavailable")), nullptr);
}

TEST_F(SettingsTest, WindowRemembersItsTabAndFollowsLanguageAndAppearanceAtOnce)
{
    ThemeRefresh::shared();
    // Stored tag -> tab shown (3 names no tab).
    for (const auto& [stored, shownTag] : {std::pair{1, 1}, {4, 4}, {3, 0}}) {
        defaults.set(Settings::settingsSelectedTab.name(), stored);
        SettingsView view(defaults, store, {});
        EXPECT_EQ(view.selectedTab(), shownTag) << stored;
    }
    SettingsView view(defaults, store, {});
    view.show();
    view.tabWidget()->setCurrentIndex(2);
    EXPECT_EQ(defaults.integer(Settings::settingsSelectedTab.name()), 2);
    EXPECT_EQ(view.width(), SettingsView::contentWidth);

    defaults.set(Settings::appLanguage.name(), QStringLiteral("de"));
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(view.tabWidget()->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(view.selectedTab(), 2);

    const auto windowLightness = [&] { return view.tabWidget()->currentWidget()->palette().color(QPalette::Window).lightness(); };
    defaults.set(Settings::appTheme.name(), QStringLiteral("dark"));
    EXPECT_LT(windowLightness(), 100);
    defaults.set(Settings::appTheme.name(), QStringLiteral("LIGHT"));
    defaults.set(Settings::appTheme.name(), QStringLiteral("light"));
    EXPECT_GT(windowLightness(), 150);

    // One window, opened again from the menu's Settings item (Ctrl+,).
    QWidget editor;
    auto* bar = new QMenuBar(&editor);
    AppMenuBar menus(bar, store);
    for (int i = 0; i < 2; ++i) {
        QAction* item = nullptr;
        for (QAction* action : bar->findChild<QMenu*>("lumetraApplicationMenu")->actions())
            item = action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Comma) ? action : item;
        ASSERT_NE(item, nullptr);
        item->trigger();
    }
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        windows += widget->isVisible() && qobject_cast<SettingsView*>(widget) && widget != &view;
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(settingsWindow()->windowTitle(), QStringLiteral("Einstellungen"));
    // The one window would live on and answer the settings changes of the tests after this.
    delete settingsWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(SettingsTest, EscapeInAnOpenDropDownClosesTheListAndLeavesTheWindowOpen)
{
    defaults.set(Settings::settingsSelectedTab.name(), 0);
    for (const QString& name : {Settings::appLanguage.name(), Settings::appTheme.name()}) {
        SCOPED_TRACE(name.toStdString());
        showSettingsWindow();
        QPointer<SettingsView> window = settingsWindow();
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        auto* box = find<QComboBox>(*window, name);
        ASSERT_NE(box, nullptr);
        const int chosen = box->currentIndex();
        box->setFocus();
        box->showPopup();
        ASSERT_TRUE(spinUntil([] { return QApplication::activePopupWidget() != nullptr; }));

        // The key reaches the program as the window system hands it over: to the window.
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        EXPECT_TRUE(spinUntil([] { return QApplication::activePopupWidget() == nullptr; })) << "the list closes";
        ASSERT_TRUE(window) << "the window is still there";
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(box->currentIndex(), chosen) << "nothing was chosen";

        // With the list closed, Escape is the window's again.
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        EXPECT_TRUE(spinUntil([&] { return !window || !window->isVisible(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A shortcut row being recorded takes the first Escape; the next one is the window's.
    defaults.set(Settings::settingsSelectedTab.name(), 2);
    showSettingsWindow();
    QPointer<SettingsView> window = settingsWindow();
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
    auto* shortcuts = window->findChild<ShortcutsSettingsView*>();
    ASSERT_NE(shortcuts, nullptr);
    find<BindingCapsule>(*window, "binding.toolLine")->click();
    ASSERT_EQ(shortcuts->recordingAction(), ShortcutAction::toolLine);
    auto* recorder = find<ShortcutRecorderView>(*window, "shortcutRecorder");
    ASSERT_TRUE(recorder && spinUntil([&] { return recorder->hasFocus(); }));
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(shortcuts->recordingAction(), std::nullopt);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(spinUntil([&] { return !window || !window->isVisible(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(SettingsTest, EveryTabFitsTheWindowInEveryLanguage)
{
    // Every control and text of every tab stands inside the window's width, whole, in
    // each of the ten languages (the window scrolls down, never sideways). The JPEG
    // quality row shows too.
    const QString format = Settings::defaultSaveFormat.read(defaults);
    const QString language = defaults.string(Settings::appLanguage.name()).value_or(QStringLiteral("en"));
    const auto restore = qScopeGuard([&] {
        defaults.set(Settings::defaultSaveFormat.name(), format);
        defaults.set(Settings::appLanguage.name(), language);
    });
    defaults.set(Settings::defaultSaveFormat.name(), QStringLiteral("jpeg"));
    SettingsView view(defaults, store, {});
    view.resize(SettingsView::contentWidth, 620);
    view.show();
    QStringList problems;
    for (const char* code : {"en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru"}) {
        defaults.set(Settings::appLanguage.name(), QString::fromLatin1(code));
        for (int tab = 0; tab < view.tabWidget()->count(); ++tab) {
            view.tabWidget()->setCurrentIndex(tab);
            QApplication::processEvents();
            QWidget* page = view.tabWidget()->currentWidget();
            // What a tab scrolls shows only left of its scroll bar.
            auto* area = qobject_cast<QScrollArea*>(page);
            const int viewportRight = area ? area->viewport()->mapTo(&view, QPoint(area->viewport()->width(), 0)).x() : 0;
            for (QWidget* widget : page->findChildren<QWidget*>()) {
                if (!widget->isVisible())
                    continue;
                const QRect inWindow(widget->mapTo(&view, QPoint(0, 0)), widget->size());
                const bool scrolled = area && (widget == area->widget() || area->widget()->isAncestorOf(widget));
                const QString what = QStringLiteral("%1, tab %2: %3 \"%4\"")
                                         .arg(QLatin1String(code))
                                         .arg(tab)
                                         .arg(QLatin1String(widget->metaObject()->className()),
                                              widget->property("text").toString());
                const int right = scrolled ? viewportRight : view.width();
                if (inWindow.left() < 0 || inWindow.right() >= right)
                    problems << what + QStringLiteral(" spans x %1 to %2 of %3").arg(inWindow.left()).arg(inWindow.right()).arg(right);
                // A text that does not wrap needs its whole width (a picture is not checked).
                const auto* label = qobject_cast<QLabel*>(widget);
                if (label && label->text().isEmpty())
                    continue;
                const bool wraps = label && label->wordWrap();
                const bool showsText = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) || label;
                if (showsText && !wraps && widget->width() < widget->minimumSizeHint().width())
                    problems << what + QStringLiteral(" is %1 wide, needs %2").arg(widget->width()).arg(widget->minimumSizeHint().width());
                // A text that wraps (a label, a switch, a row) needs the height of its lines.
                if (widget->hasHeightForWidth() && widget->heightForWidth(widget->width()) > widget->height())
                    problems << what + QStringLiteral(" is %1 high, needs %2").arg(widget->height()).arg(widget->heightForWidth(widget->width()));
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}
