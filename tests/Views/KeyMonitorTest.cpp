#include "EditorCanvasTestSupport.h"

#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Views/EditorKeyMonitor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace CanvasTest;

namespace {

const std::vector<NotificationName> kCommands{
    Notifications::toolShortcut,  Notifications::deleteAnnotation,
    Notifications::clearImage,    Notifications::cropConfirm,
    Notifications::cropCancel,    Notifications::pasteImage,
    Notifications::ocrToggle,     Notifications::pinImage,
    Notifications::backdropToggle, Notifications::resizePanel,
};

// A focusable widget that remembers the key presses that reach it.
class KeyTarget : public QWidget {
public:
    using QWidget::QWidget;
    QList<int> pressed;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int key = event->key();
        if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta)
            pressed << key;
    }
};

class KeyMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        target = new KeyTarget(&window);
        target->setFocusPolicy(Qt::StrongFocus);
        field = new QLineEdit(&window);
        layout->addWidget(target);
        layout->addWidget(field);
        window.resize(300, 200);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        target->setFocus();
        monitor.start(&window);
    }
    void TearDown() override
    {
        monitor.stop();
        ShortcutStore::shared().restoreDefaults();
    }

    QWidget window;
    KeyTarget* target = nullptr;
    QLineEdit* field = nullptr;
    KeyboardEventMonitor monitor;
    NotificationRecorder recorder { kCommands };
};

} // namespace

TEST_F(KeyMonitorTest, BoundKeysBecomeTheirCommandsAndAreSwallowedTheRestReachTheWidget)
{
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<NotificationName> command; // none: the key goes on to the widget
        const char* payload = nullptr;
        bool alsoReachesTheWidget = false;
    } keys[] = {
        { Qt::Key_2, Qt::NoModifier, Notifications::toolShortcut, "toolArrow" },
        { Qt::Key_Escape, Qt::NoModifier, Notifications::cropCancel, nullptr, true },
        { Qt::Key_Backspace, Qt::NoModifier, Notifications::deleteAnnotation },
        { Qt::Key_Delete, Qt::NoModifier, Notifications::deleteAnnotation },
        { Qt::Key_Backspace, Qt::ControlModifier, Notifications::clearImage },
        { Qt::Key_Backspace, Qt::ShiftModifier, std::nullopt },
        { Qt::Key_Backspace, Qt::AltModifier, std::nullopt },
        { Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier, Notifications::backdropToggle },
        { Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier, Notifications::ocrToggle },
        { Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, Notifications::pinImage },
        { Qt::Key_I, Qt::ControlModifier | Qt::AltModifier, Notifications::resizePanel },
        // Copy and save-as are the menu's keys; Return confirms only while cropping.
        { Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, std::nullopt },
        { Qt::Key_Return, Qt::NoModifier, std::nullopt },
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(QKeySequence(k.key | k.modifiers).toString().toStdString());
        recorder.entries.clear();
        target->pressed.clear();
        QTest::keyClick(target, Qt::Key(k.key), k.modifiers);
        if (k.command) {
            ASSERT_EQ(recorder.names(), QStringList{ *k.command });
            if (k.payload)
                EXPECT_EQ(recorder.entries.front().payload, std::optional<QString>(QString::fromLatin1(k.payload)));
        } else {
            EXPECT_TRUE(recorder.entries.empty());
        }
        if (k.command && !k.alsoReachesTheWidget)
            EXPECT_TRUE(target->pressed.isEmpty());
        else
            EXPECT_EQ(target->pressed, QList<int>{ k.key });
    }
}

TEST_F(KeyMonitorTest, ShiftedKeyMatchesItsPositionWithShift)
{
    ShortcutStore::shared().setOverride(ShortcutAction::toolLine,
                                        ShortcutBinding{ 26, ShortcutBinding::shiftFlag, QStringLiteral("7") });
    // What X11 delivers for Shift+7 on a US keyboard: the "&" key sym on keycode 16.
    QKeyEvent shifted(QEvent::ShortcutOverride, Qt::Key_Ampersand, Qt::ShiftModifier, 16, 0x26, 0x1,
                      QStringLiteral("&"));
    QApplication::sendEvent(target, &shifted);
    ASSERT_EQ(recorder.names(), QStringList{ Notifications::toolShortcut });
    EXPECT_EQ(recorder.entries.back().payload, std::optional<QString>(QStringLiteral("toolLine")));

    // The same key without Shift is the numbered marker's.
    QTest::keyClick(target, Qt::Key_7);
    EXPECT_EQ(recorder.entries.back().payload, std::optional<QString>(QStringLiteral("toolNumber")));
}

TEST_F(KeyMonitorTest, ReturnConfirmsACropOnlyWhileCroppingWithTheSizeEditorClosed)
{
    ImageEditorViewModel model;
    model.setIsCropping(true);
    QTest::keyClick(target, Qt::Key_Return);
    // Keypad Enter as X11 delivers it: keycode 104.
    QKeyEvent enter(QEvent::ShortcutOverride, Qt::Key_Enter, Qt::KeypadModifier, 104, 0xff8d, 0x10, QStringLiteral("\r"));
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(recorder.names(), (QStringList{ Notifications::cropConfirm, Notifications::cropConfirm }));

    model.setIsEditingCropSize(true);
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_EQ(recorder.entries.size(), 2u);
    EXPECT_EQ(target->pressed.size(), 1);

    // A tool key is ignored while the size editor is open; paste still works.
    QTest::keyClick(target, Qt::Key_3);
    EXPECT_EQ(recorder.entries.size(), 2u);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(recorder.names().last(), Notifications::pasteImage);
    model.setIsEditingCropSize(false);
    model.setIsCropping(false);
}

TEST_F(KeyMonitorTest, TypingInATextFieldIsNeverIntercepted)
{
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("12"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Escape);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(recorder.entries.empty());
    EXPECT_EQ(field->text(), QStringLiteral("1"));
}

TEST_F(KeyMonitorTest, KeysOfOtherWindowsAndAStoppedMonitorPassThrough)
{
    KeyTarget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.setFocus();
    QTest::keyClick(&other, Qt::Key_2);
    QTest::keyClick(&other, Qt::Key_Backspace);
    EXPECT_TRUE(recorder.entries.empty());
    EXPECT_EQ(other.pressed.size(), 2);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    target->setFocus();
    monitor.stop();
    QTest::keyClick(target, Qt::Key_2);
    EXPECT_TRUE(recorder.entries.empty());
    EXPECT_EQ(target->pressed, QList<int>{ Qt::Key_2 });
}

namespace {

QWheelEvent wheel(QPoint angle, Qt::KeyboardModifiers modifiers, QPointF at = QPointF(10, 10))
{
    return QWheelEvent(at, at, QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
}

} // namespace

TEST(WheelMonitor, CtrlWheelZoomsPlainWheelPansSidewaysCtrlWheelPasses)
{
    QWidget window;
    QWidget other;
    WheelZoomMonitor monitor;
    std::vector<double> zooms;
    std::vector<QPointF> pans;
    monitor.onZoom = [&](double delta, QPoint) { zooms.push_back(delta); };
    monitor.onPan = [&](double dx, double dy) { pans.emplace_back(dx, dy); };
    monitor.start(&window);

    using O = WheelZoomMonitor::Outcome;
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(0, 120), Qt::ControlModifier)), O::consumed);
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(0, -240), Qt::ControlModifier)), O::consumed);
    EXPECT_EQ(zooms, (std::vector<double>{ 40.0, -80.0 }));
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(120, 0), Qt::ControlModifier)), O::passThrough);
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(-120, 60), Qt::NoModifier)), O::consumed);
    EXPECT_EQ(pans, (std::vector<QPointF>{ QPointF(-40.0, 20.0) }));
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(0, 0), Qt::NoModifier)), O::passThrough);
    EXPECT_EQ(monitor.handleWheel(&other, wheel(QPoint(0, 120), Qt::ControlModifier)), O::passThrough);

    monitor.passesThroughAt = [](QPoint) { return true; };
    EXPECT_EQ(monitor.handleWheel(&window, wheel(QPoint(0, 120), Qt::NoModifier)), O::passThrough);
    EXPECT_EQ(zooms.size(), 2u);
    EXPECT_EQ(pans.size(), 1u);
}
