#include "Capture/OwnWindows.h"
#include "CaptureTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

TEST(OwnWindows, HiddenWindowsComeBackLastHiddenFirstSkippingDestroyedOnes)
{
    QWidget a;
    QWidget b;
    auto c = std::make_unique<QWidget>();
    QWidget hiddenAlready;
    QWidget chrome;
    chrome.setProperty(OwnWindows::captureChromeProperty, true);
    for (QWidget* w : {&a, &b, c.get(), &chrome})
        w->show();

    const OwnWindows::WindowList hidden = OwnWindows::hideVisible([&](QWidget* w) { return w == &b; });
    EXPECT_EQ(hidden.size(), 2); // a and c: b is kept, chrome and the invisible one are not ours to hide
    EXPECT_FALSE(a.isVisible());
    EXPECT_TRUE(b.isVisible());
    EXPECT_TRUE(chrome.isVisible());

    ShowOrder order;
    a.installEventFilter(&order);
    c->installEventFilter(&order);
    const QObject* lastHidden = hidden.last().data();
    const QObject* firstHidden = hidden.first().data();

    EXPECT_EQ(OwnWindows::showAgain(hidden), 2);
    ASSERT_EQ(order.shown.size(), 2);
    EXPECT_EQ(order.shown[0], lastHidden);
    EXPECT_EQ(order.shown[1], firstHidden);

    const OwnWindows::WindowList again = OwnWindows::hideVisible([&](QWidget* w) { return w == &b; });
    c.reset();
    EXPECT_EQ(OwnWindows::showAgain(again), 1);
    EXPECT_TRUE(a.isVisible());
    EXPECT_FALSE(hiddenAlready.isVisible());
}

TEST(OwnWindows, TooltipsShownWhenACaptureBeginsAreHiddenForItAndStayHiddenAfterwards)
{
    // Hover bubbles and Qt's own tooltips are windows of the tooltip type.
    QWidget window;
    window.resize(300, 200);
    QWidget bubble(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    bubble.resize(60, 20);
    QWidget dialog(nullptr, Qt::Dialog);
    for (QWidget* w : {&window, &bubble, &dialog})
        w->show();

    // Three captures in a row, each begun with a tooltip up: none is left standing after
    // any of them, so none piles up over the windows that came back.
    for (int capture = 0; capture < 3; ++capture) {
        SCOPED_TRACE(capture);
        bubble.show();
        OwnWindows::WindowList hidden = OwnWindows::hideVisible();
        EXPECT_EQ(hidden.size(), 3);
        EXPECT_FALSE(bubble.isVisible()) << "nothing of Lumetra's in the capture";
        EXPECT_EQ(OwnWindows::restore(hidden), 2);
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(bubble.isVisible());
    }
}
