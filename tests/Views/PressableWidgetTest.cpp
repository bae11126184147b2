#include "Views/ToolButton.h"
#include "Views/ZoomMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

void send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The toolbar's buttons and the zoom menu's items share their press handling.
struct Control {
    const char* name;
    std::function<std::unique_ptr<PressableWidget>()> make;
};

class PressHandling : public ::testing::TestWithParam<Control> {};

} // namespace

TEST_P(PressHandling, ClicksOnlyWhenALeftPressIsReleasedInside)
{
    const std::unique_ptr<PressableWidget> control = GetParam().make();
    control->resize(40, 28);
    QSignalSpy clicks(control.get(), &PressableWidget::clicked);
    const QPoint inside(10, 10);
    const QPoint outside(60, 10);

    send(control.get(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(control->isPressed());
    send(control.get(), QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(control->isPressed());
    EXPECT_EQ(clicks.count(), 1);

    // Dragged out, the press lets go of the control and a release there is no click;
    // dragged back in, it is pressed again.
    send(control.get(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    send(control.get(), QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(control->isPressed());
    send(control.get(), QEvent::MouseMove, inside, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(control->isPressed());
    send(control.get(), QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton);
    send(control.get(), QEvent::MouseButtonRelease, outside, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 1);

    // Other buttons neither press nor click.
    send(control.get(), QEvent::MouseButtonPress, inside, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(control->isPressed());
    send(control.get(), QEvent::MouseButtonRelease, inside, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_P(PressHandling, SwitchedOffItDropsThePressAndTakesNoClick)
{
    const std::unique_ptr<PressableWidget> control = GetParam().make();
    control->resize(40, 28);
    QSignalSpy clicks(control.get(), &PressableWidget::clicked);

    send(control.get(), QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    control->setEnabled(false);
    EXPECT_FALSE(control->isPressed());
    send(control.get(), QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    control->click();
    EXPECT_EQ(clicks.count(), 0);

    control->setEnabled(true);
    control->click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_P(PressHandling, LeavingEndsHoverAndPress)
{
    const std::unique_ptr<PressableWidget> control = GetParam().make();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(control.get(), &enter);
    EXPECT_TRUE(control->isHovered());
    send(control.get(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(control.get(), &leave);
    EXPECT_FALSE(control->isHovered());
    EXPECT_FALSE(control->isPressed());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, PressHandling,
    ::testing::Values(
        Control{ "toolbarButton", [] { return std::make_unique<ToolbarButton>(QStringLiteral("rectangle")); } },
        Control{ "zoomMenuRow",
                 [] {
                     return std::make_unique<ZoomMenuItem>(ZoomMenuItem::Kind::row, QStringLiteral("zoom.fit"),
                                                           QStringLiteral("0"), 0);
                 } }),
    [](const ::testing::TestParamInfo<Control>& info) { return std::string(info.param.name); });
