#include "Platform/WindowList.h"

#include <gtest/gtest.h>

namespace {

WindowRecord window(std::uint32_t id, QRectF frame = QRectF(0, 0, 400, 300), std::optional<QString> title = QStringLiteral("Doc"))
{
    return {.windowId = id, .frame = frame, .title = std::move(title), .ownerName = QStringLiteral("Editor"),
            .pid = 1000 + id};
}

CandidateFilter filter()
{
    CandidateFilter f;
    f.ownPid = 42;
    f.firstScreenArea = 1920.0 * 1080.0;
    return f;
}

QList<std::uint32_t> ids(const QList<WindowRecord>& windows)
{
    QList<std::uint32_t> result;
    for (const auto& w : windows)
        result.append(w.windowId);
    return result;
}

} // namespace

TEST(WindowListRejection, RulesApplyInOrderAndNameTheFirstThatMatches)
{
    auto f = filter();
    f.ownWindowIds.insert(7);
    auto noScreen = filter();
    noScreen.firstScreenArea = 0.0;
    auto ownerless = window(2);
    ownerless.ownerName.reset();
    ownerless.pid = 42; // would also be ours; "no owner" comes first
    auto ours = window(3);
    ours.pid = 42;
    ours.isDock = true;
    auto dock = window(4);
    dock.isDock = true;
    auto hidden = window(5, QRectF(0, 0, 10, 10));
    hidden.isOnScreen = false;
    const struct {
        const char* name;
        WindowRecord window;
        CandidateFilter filter;
        std::optional<QString> reason;
    } cases[] = {
        {"ordinary", window(1), f, std::nullopt},
        {"ownerless and ours", ownerless, f, "no owner"},
        {"ours and a dock", ours, f, "own app"},
        {"dock", dock, f, "dock"},
        // A window of ours that does not declare our pid is still caught by its id.
        {"ours by id", window(7), f, "ownID"},
        {"hidden", hidden, f, "offScreen"},
        // Untitled windows covering 90 % of the first screen's area, not 89 %.
        {"untitled, 90 %", window(1, QRectF(0, 0, 1920, 1080 * 0.9), std::nullopt), f, "emptyTitle fullscreen"},
        {"empty title, 89 %", window(2, QRectF(0, 0, 1920, 1080 * 0.89), QString()), f, std::nullopt},
        {"titled full screen", window(3, QRectF(0, 0, 1920, 1080), QStringLiteral("Movie")), f, std::nullopt},
        // Without a screen every untitled window goes, whatever its size.
        {"untitled, no screen", window(4, QRectF(0, 0, 100, 100), std::nullopt), noScreen, "emptyTitle fullscreen"},
        {"titled, no screen", window(5, QRectF(0, 0, 100, 100)), noScreen, std::nullopt},
        // Under sixty points on either side.
        {"narrow", window(1, QRectF(0, 0, 59.5, 300)), f, "small"},
        {"short", window(2, QRectF(0, 0, 300, 59.5)), f, "small"},
        {"sixty square", window(3, QRectF(10, 10, 60, 60)), f, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowList::candidateRejectionReason(c.window, c.filter), c.reason) << c.name;
}

TEST(WindowListLayers, PanelsMenusNotificationsAndKeptAboveWindowsAreNotOrdinary)
{
    using WindowList::windowLayer;
    const auto type = [](const char* t) { return QStringList{QStringLiteral("_NET_WM_WINDOW_TYPE_") + QLatin1String(t)}; };
    EXPECT_EQ(windowLayer({}, {}), 0);
    EXPECT_EQ(windowLayer(type("NORMAL"), {}), 0);
    EXPECT_EQ(windowLayer(type("DIALOG"), {QStringLiteral("_NET_WM_STATE_MODAL")}), 0);
    for (const char* special : {"NOTIFICATION", "TOOLTIP", "POPUP_MENU", "DOCK", "DESKTOP"})
        EXPECT_NE(windowLayer(type(special), {}), 0) << special;
    EXPECT_NE(windowLayer(type("NORMAL"), {QStringLiteral("_NET_WM_STATE_ABOVE")}), 0);
    // A vendor type first, a known one after it: the known one decides.
    EXPECT_NE(windowLayer({QStringLiteral("_KDE_NET_WM_WINDOW_TYPE_OVERRIDE"),
                           QStringLiteral("_NET_WM_WINDOW_TYPE_TOOLTIP")},
                          {}),
              0);
}

TEST(WindowListOrdering, CandidatesAreFilteredDroppedByLayerAndSortedFrontToBack)
{
    auto f = filter();
    auto tooltip = window(5);
    tooltip.layer = 25;
    auto small = window(6, QRectF(0, 0, 20, 20));
    // Listed order: 1 2 3 4 5 6 8 9; stacking knows 1..5 only, 3 on top.
    const QList<WindowRecord> listed{window(1), window(2), window(3), window(4), tooltip, small, window(8), window(9)};
    const WindowZOrder order = WindowList::zOrderFromStacking({1, 4, 2, 5, 3});

    const auto result = WindowList::candidateWindows(listed, order, f);
    EXPECT_EQ(ids(result.windows), (QList<std::uint32_t>{3, 2, 4, 1, 8, 9}));
    EXPECT_EQ(result.droppedByLayer, 1);
    EXPECT_EQ(result.matchedInZOrder, 4);

    // Unmatched windows keep their listed order even when listed first.
    const auto reversed = WindowList::candidateWindows({window(9), window(8), window(1)}, order, f);
    EXPECT_EQ(ids(reversed.windows), (QList<std::uint32_t>{1, 9, 8}));
    // Without stacking the listed order stands.
    const auto unstacked = WindowList::candidateWindows({window(3), window(1), window(2)}, {}, filter());
    EXPECT_EQ(ids(unstacked.windows), (QList<std::uint32_t>{3, 1, 2}));
    EXPECT_EQ(unstacked.matchedInZOrder, 0);

    // Excluding one window removes every equal entry and keeps the order.
    EXPECT_EQ(WindowList::windowsExcluding(QList<int>{1, 2, 3, 2, 4}, 2), (QList<int>{1, 3, 4}));
    EXPECT_EQ(WindowList::windowsExcluding(QList<int>{1, 3}, 2), (QList<int>{1, 3}));
}
