#include "Platform/WindowList.h"

#include "Base/Logger.h"

#include <algorithm>
#include <cmath>

namespace WindowList {

int windowLayer(const QStringList& windowTypes, const QStringList& windowStates)
{
    if (windowStates.contains(QLatin1String("_NET_WM_STATE_BELOW")))
        return -1;
    for (const QString& type : windowTypes) {
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_DESKTOP"))
            return -2;
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_DOCK"))
            return 20;
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_NOTIFICATION"))
            return 23;
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_TOOLTIP"))
            return 25;
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_POPUP_MENU")
            || type == QLatin1String("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU")
            || type == QLatin1String("_NET_WM_WINDOW_TYPE_COMBO"))
            return 101;
        if (type == QLatin1String("_NET_WM_WINDOW_TYPE_DND") || type == QLatin1String("_NET_WM_WINDOW_TYPE_SPLASH"))
            return 102;
        // The first type the window manager knows decides; ordinary kinds stay at 0.
        if (type.startsWith(QLatin1String("_NET_WM_WINDOW_TYPE_")))
            break;
    }
    if (windowStates.contains(QLatin1String("_NET_WM_STATE_ABOVE")))
        return 3;
    return 0;
}

std::optional<QString> candidateRejectionReason(const WindowRecord& window, const CandidateFilter& filter)
{
    if (!window.ownerName)
        return QStringLiteral("no owner");
    if (filter.ownPid > 0 && window.pid && *window.pid == filter.ownPid)
        return QStringLiteral("own app");
    if (window.isDock)
        return QStringLiteral("dock");
    const bool untitled = !window.title || window.title->isEmpty();
    if (untitled) {
        const double area = window.frame.width() * window.frame.height();
        if (!(filter.firstScreenArea > 0.0) || area >= 0.9 * filter.firstScreenArea)
            return QStringLiteral("emptyTitle fullscreen");
    }
    if (filter.ownWindowIds.contains(window.windowId))
        return QStringLiteral("ownID");
    if (!window.isOnScreen)
        return QStringLiteral("offScreen");
    if (window.frame.width() < 60.0 || window.frame.height() < 60.0)
        return QStringLiteral("small");
    return std::nullopt;
}

WindowZOrder zOrderFromStacking(const QList<std::uint32_t>& bottomToTop)
{
    WindowZOrder order;
    const int count = int(bottomToTop.size());
    for (int i = 0; i < count; ++i)
        order.insert(bottomToTop[count - 1 - i], i);
    return order;
}

CandidateResult candidateWindows(const QList<WindowRecord>& listed, const WindowZOrder& zOrder,
                                 const CandidateFilter& filter)
{
    CandidateResult result;
    QList<WindowRecord> accepted;
    for (const WindowRecord& window : listed) {
        if (!candidateRejectionReason(window, filter))
            accepted.append(window);
    }

    QList<WindowRecord> unlayered;
    for (const WindowRecord& window : accepted) {
        if (window.layer != 0)
            ++result.droppedByLayer;
        else
            unlayered.append(window);
    }
    if (result.droppedByLayer > 0) {
        const int dropped = result.droppedByLayer;
        logMessage(LogLevel::info, [&] {
            return QStringLiteral("🪟 layer 过滤剔除 %1 个 UI chrome 层窗口（通知横幅/系统悬浮层）").arg(dropped);
        });
    }

    // Windows with a stacking position come first, front-most first; the others keep
    // their listed order behind them. stable_sort keeps equal keys in list order.
    std::stable_sort(unlayered.begin(), unlayered.end(), [&](const WindowRecord& a, const WindowRecord& b) {
        const auto za = zOrder.constFind(a.windowId);
        const auto zb = zOrder.constFind(b.windowId);
        const bool hasA = za != zOrder.constEnd();
        const bool hasB = zb != zOrder.constEnd();
        if (hasA && hasB)
            return za.value() < zb.value();
        return hasA && !hasB;
    });
    for (const WindowRecord& window : unlayered)
        if (zOrder.contains(window.windowId))
            ++result.matchedInZOrder;
    result.windows = unlayered;

    const int count = int(result.windows.size());
    const int matched = result.matchedInZOrder;
    logMessage(LogLevel::info, [&] {
        return QStringLiteral("🪟 枚举到 %1 个可捕获窗口（CG z-order 匹配 %2，头 = 最上层）").arg(count).arg(matched);
    });
    logMessage(LogLevel::info, [&] {
        QStringList heads;
        for (int i = 0; i < std::min(3, count); ++i)
            heads.append(windowLogDescription(result.windows[i]));
        return QStringLiteral("🪟 候选头3: ") + heads.join(QStringLiteral(" | "));
    });
    return result;
}

QString windowLogDescription(const WindowRecord& window)
{
    const QString owner = window.ownerName ? *window.ownerName : QStringLiteral("?");
    const QString title = window.title ? window.title->left(20) : QString();
    return owner + QStringLiteral("/'") + title + QStringLiteral("' ")
        + QString::number(static_cast<long long>(std::trunc(window.frame.width()))) + QChar(0x00D7)
        + QString::number(static_cast<long long>(std::trunc(window.frame.height())));
}

} // namespace WindowList
