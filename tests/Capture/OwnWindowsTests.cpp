#include "Capture/OwnWindows.h"
#include "CaptureTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

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

    // Three captures in a row, each begun with a tooltip up, with the windows hidden and
    // with them veiled: no tooltip is left standing after any of them, so none piles up
    // over the windows that came back.
    for (int capture = 0; capture < 6; ++capture) {
        SCOPED_TRACE(capture);
        OwnWindows::setVeilsForTesting(capture >= 3);
        bubble.show();
        OwnWindows::WindowList hidden = OwnWindows::hideVisible();
        EXPECT_EQ(hidden.size(), 3);
        EXPECT_FALSE(bubble.isVisible()) << "nothing of Lumetra's in the capture";
        EXPECT_EQ(OwnWindows::restore(hidden), 2);
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(bubble.isVisible());
        EXPECT_FALSE(OwnWindows::isVeiled(&bubble));
    }
    OwnWindows::setVeilsForTesting(std::nullopt);
}

namespace {

// Hides and shows seen by a window: a Wayland compositor forgets a window that hides.
struct VisibilityEvents : QObject {
    int hides = 0;
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        hides += event->type() == QEvent::Hide;
        shows += event->type() == QEvent::Show;
        return false;
    }
};

// The window as it would be drawn, over an opaque colour that its transparent parts let
// through; the alpha at its centre.
int alphaAtCentre(QWidget& window)
{
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window.render(&image);
    return qAlpha(image.pixel(image.rect().center()));
}

} // namespace

TEST(OwnWindows, WhereTheDesktopForgetsHiddenWindowsTheyStayShownEmptiedAndComeBackWhole)
{
    OwnWindows::setVeilsForTesting(true);
    QWidget editor;
    auto* layout = new QVBoxLayout(&editor);
    auto* label = new QLabel(QStringLiteral("an annotation"), &editor);
    label->setAutoFillBackground(true);
    layout->addWidget(label);
    editor.resize(300, 200);
    QWidget pin;
    pin.setAttribute(Qt::WA_TranslucentBackground);
    auto* content = new QLabel(QStringLiteral("a pin"), &pin);
    content->setAutoFillBackground(true);
    content->resize(120, 80);
    pin.resize(120, 80);
    for (QWidget* w : {&editor, &pin})
        w->show();
    ASSERT_EQ(alphaAtCentre(editor), 255);
    VisibilityEvents seen;
    editor.installEventFilter(&seen);
    pin.installEventFilter(&seen);

    OwnWindows::WindowList kept = OwnWindows::hideVisible();
    ASSERT_EQ(kept.size(), 2);
    for (QWidget* w : {&editor, &pin}) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(OwnWindows::isVeiled(w));
        EXPECT_EQ(alphaAtCentre(*w), 0) << "its content is in the picture";
    }
    // A window the compositor resizes meanwhile stays emptied all over.
    editor.resize(400, 260);
    EXPECT_EQ(alphaAtCentre(editor), 0);

    // Back, the main window among them although the delivery brings it forward: it was
    // never taken down. Every part of each window is still there.
    EXPECT_EQ(OwnWindows::restore(kept, &editor), 2);
    EXPECT_TRUE(kept.isEmpty());
    for (QWidget* w : {&editor, &pin})
        EXPECT_FALSE(OwnWindows::isVeiled(w));
    EXPECT_EQ(label->parentWidget(), &editor);
    EXPECT_EQ(content->parentWidget(), &pin);
    EXPECT_EQ(editor.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_EQ(alphaAtCentre(editor), 255);
    EXPECT_EQ(seen.hides, 0);
    EXPECT_EQ(seen.shows, 0);
    OwnWindows::setVeilsForTesting(std::nullopt);
}
