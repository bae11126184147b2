#include "ToolbarTestSupport.h"

#include <QEnterEvent>

#include <gtest/gtest.h>

using namespace ToolbarTest;
using namespace std::chrono_literals;

namespace {

struct TooltipFixture {
    FakeTooltipTimer timer;
    QWidget window;
    QWidget* first = new QWidget(&window);
    QWidget* second = new QWidget(&window);
    HoverTooltip* firstTip = new HoverTooltip(first, QStringLiteral("tooltip.undo"),
                                              [] { return std::optional<QString>(QStringLiteral("Ctrl + Z")); }, &timer);
    HoverTooltip* secondTip = new HoverTooltip(second, QStringLiteral("tooltip.redo"), {}, &timer);

    TooltipFixture()
    {
        WindowChrome::setTranslucencyProbeForTesting([] { return false; });
        window.resize(300, 200);
        first->setGeometry(100, 150, 28, 28);
        second->setGeometry(133, 150, 28, 28);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    static void enter(QWidget* w)
    {
        QEnterEvent event(QPointF(5, 5), w->mapTo(w->window(), QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(w, &event);
    }
    static void leave(QWidget* w)
    {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(w, &event);
    }
};

} // namespace

TEST(HoverTooltip, ShowsAfterFourTenthsOfASecondAtRestAndLeavingCancelsOrHides)
{
    TooltipFixture f;
    f.enter(f.first);
    EXPECT_TRUE(f.firstTip->isHovering());
    f.timer.advance(399ms);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    f.timer.advance(1ms);
    ASSERT_TRUE(f.firstTip->isBubbleShown());
    EXPECT_TRUE(f.firstTip->bubble()->isVisible());
    EXPECT_EQ(f.firstTip->bubble()->windowType(), Qt::ToolTip) << "what a capture knows a tooltip by, to leave it hidden";
    EXPECT_TRUE(f.firstTip->bubble()->text().endsWith(QStringLiteral(" (Ctrl + Z)")));

    // Moving to the neighbour hides at once and shows the next after the delay.
    f.leave(f.first);
    f.enter(f.second);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    EXPECT_FALSE(f.firstTip->bubble()->isVisible());
    f.timer.advance(399ms);
    EXPECT_FALSE(f.secondTip->isBubbleShown());
    f.timer.advance(1ms);
    EXPECT_TRUE(f.secondTip->isBubbleShown());
    EXPECT_FALSE(f.secondTip->bubbleText().contains(QLatin1Char('('))) << "without a shortcut the text stands alone";

    // In and out within the delay never shows.
    f.leave(f.second);
    f.enter(f.first);
    f.timer.advance(300ms);
    f.leave(f.first);
    EXPECT_FALSE(f.firstTip->hasPendingReveal());
    f.timer.advance(1s);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    EXPECT_EQ(f.timer.pendingCount(), 0u);

    // Entering again restarts the wait.
    f.enter(f.first);
    f.timer.advance(300ms);
    f.firstTip->hoverChanged(true);
    EXPECT_EQ(f.timer.pendingCount(), 1u);
    f.timer.advance(300ms);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    f.timer.advance(100ms);
    EXPECT_TRUE(f.firstTip->isBubbleShown());
}

TEST(HoverTooltip, SuppressionHidesAndOnlyANewEntryShowsAgain)
{
    TooltipFixture f;
    f.secondTip->setSuppressed(true);
    f.enter(f.second);
    f.timer.advance(1s);
    EXPECT_FALSE(f.secondTip->isBubbleShown());
    EXPECT_TRUE(f.secondTip->isHovering());

    // A popover opening during the wait: the pending reveal finds the tooltip suppressed.
    f.enter(f.first);
    f.timer.advance(200ms);
    f.firstTip->setSuppressed(true);
    f.timer.advance(200ms);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    EXPECT_FALSE(f.firstTip->hasPendingReveal());

    // Opening while shown hides; closing brings nothing back until the pointer enters again.
    f.firstTip->setSuppressed(false);
    f.leave(f.first);
    f.enter(f.first);
    f.timer.advance(400ms);
    ASSERT_TRUE(f.firstTip->isBubbleShown());
    f.firstTip->setSuppressed(true);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    EXPECT_FALSE(f.firstTip->bubble()->isVisible());
    f.firstTip->setSuppressed(false);
    f.timer.advance(2s);
    EXPECT_FALSE(f.firstTip->isBubbleShown());
    f.leave(f.first);
    f.enter(f.first);
    f.timer.advance(400ms);
    EXPECT_TRUE(f.firstTip->isBubbleShown());
}

TEST(HoverTooltip, UnknownKeyShowsTheKey)
{
    EXPECT_EQ(HoverTooltip::composeText(QStringLiteral("tooltip.noSuchKey"), QStringLiteral("Ctrl + Q")),
              QStringLiteral("tooltip.noSuchKey (Ctrl + Q)"));
}

TEST(HoverTooltip, BubbleStandsFourteenPointsAboveCentredAndIsNeverCut)
{
    TooltipFixture f;
    f.firstTip->setKey(QStringLiteral("a key whose text is much wider than its little control"));
    f.enter(f.first);
    f.timer.advance(400ms);
    TooltipBubble* bubble = f.firstTip->bubble();
    ASSERT_TRUE(bubble && bubble->isVisible());
    const QRect control(f.first->mapToGlobal(QPoint(0, 0)), f.first->size());
    const QRect shown = bubble->geometry();
    EXPECT_EQ(shown.bottom() + 1, control.top() - HoverTooltip::liftAboveControl);
    EXPECT_LE(std::abs(shown.center().x() - control.center().x()), 1);
    EXPECT_GT(shown.width(), 200);
    EXPECT_GE(shown.width(), QFontMetrics(bubble->font()).horizontalAdvance(bubble->text()));
    // It takes no input and no focus.
    EXPECT_TRUE(bubble->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(bubble->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(HoverTooltip, RealTimerRevealsOnTheMainQueue)
{
    QWidget window;
    window.resize(100, 100);
    auto* control = new QWidget(&window);
    control->setGeometry(30, 50, 28, 28);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    HoverTooltip tip(control, QStringLiteral("tooltip.pin"));
    tip.hoverChanged(true);
    EXPECT_FALSE(tip.isBubbleShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tip.isBubbleShown(); }, 3000));
    tip.hoverChanged(false);
    EXPECT_FALSE(tip.isBubbleShown());
}

TEST(HoverTooltip, InsideItsWindowTheBubbleIsDrawnOverTheWidgetsBeneathItAndStaysInTheWindow)
{
    HoverTooltip::setBubblesInsideWindowForTesting(true);
    struct Restore {
        ~Restore() { HoverTooltip::setBubblesInsideWindowForTesting(std::nullopt); }
    } restore;
    TooltipFixture f;
    // A red panel where the bubble comes up, made before it.
    auto* beneath = new QWidget(&f.window);
    beneath->setGeometry(0, 60, 300, 90);
    QPalette red = beneath->palette();
    red.setColor(QPalette::Window, Qt::red);
    beneath->setPalette(red);
    beneath->setAutoFillBackground(true);
    beneath->show();

    f.enter(f.first);
    f.timer.advance(400ms);
    TooltipBubble* bubble = f.firstTip->bubble();
    ASSERT_TRUE(bubble && bubble->isVisible());
    EXPECT_FALSE(bubble->isWindow()) << "no surface of its own that the window system could take away";
    EXPECT_EQ(bubble->window(), &f.window);
    const QRect control(f.first->pos(), f.first->size());
    EXPECT_EQ(bubble->geometry().bottom() + 1, control.top() - HoverTooltip::liftAboveControl);
    EXPECT_LE(std::abs(bubble->geometry().center().x() - control.center().x()), 1);
    EXPECT_TRUE(bubble->testAttribute(Qt::WA_TransparentForMouseEvents));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bubble->opacity() >= 1.0; }, 3000));
    const QImage shot = f.window.grab().toImage();
    const QPoint inside = bubble->geometry().topLeft() + QPoint(3, bubble->height() / 2);
    EXPECT_NE(shot.pixelColor(inside).rgb(), QColor(Qt::red).rgb()) << "the bubble is drawn over the panel";
    EXPECT_EQ(shot.pixelColor(bubble->geometry().topLeft() + QPoint(3, -3)).rgb(), QColor(Qt::red).rgb());

    // A control at the window's left edge with a long text: the bubble is moved into the
    // window, not cut by it.
    f.leave(f.first);
    f.firstTip->setKey(QStringLiteral("a key whose text is much wider than its little control"));
    f.first->move(0, 150);
    f.enter(f.first);
    f.timer.advance(400ms);
    EXPECT_EQ(bubble->geometry().left(), 0);
    EXPECT_GE(bubble->width(), QFontMetrics(bubble->font()).horizontalAdvance(bubble->text()));
}
