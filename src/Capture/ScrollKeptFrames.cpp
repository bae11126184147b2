#include "Capture/ScrollKeptFrames.h"

#include "Capture/FramePixelCompare.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <utility>

void ScrollKeptFrames::append(const QImage& frame, int offset, int footer)
{
    appendRefreshing(frame, offset, footer, -1);
}

void ScrollKeptFrames::appendRefreshing(const QImage& frame, int offset, int footer, int refreshFrom)
{
    if (frame.isNull())
        return;
    if (m_undo.size() == kUndoDepth)
        m_undo.erase(m_undo.begin());
    m_undo.push_back({m_lastFrame, {}, {}});
    if (!m_slices.empty() && footer > 0) {
        // The new rows continue where the kept rows now end. Rows left out below more
        // than the last slice adds (a page's blank end shown by several frames, where
        // rows loaded) reach into the slices before it.
        int left = footer;
        for (auto slice = m_slices.rbegin(); slice != m_slices.rend() && left > 0; ++slice) {
            m_undo.back().cutsBefore.push_back(slice->bottomCut);
            const int cut = slice == m_slices.rbegin() ? std::min(left, slice->rows.height())
                                                       : std::min(left, slice->drawnRows());
            const int before = slice->drawnRows();
            slice->bottomCut = slice == m_slices.rbegin() ? cut : slice->bottomCut + cut;
            m_stitchedHeight -= before - slice->drawnRows();
            left -= cut;
        }
        offset += left;
    }
    const int top = qBound(0, offset, frame.height());
    if (refreshFrom >= 0) {
        m_recordRefresh = true;
        refreshTail(frame, refreshFrom, top);
        m_recordRefresh = false;
    }
    // The first frame is drawn whole and is also the last frame: one buffer serves both.
    KeptSlice slice;
    slice.offset = top;
    slice.rows = top == 0 ? frame : frame.copy(0, top, frame.width(), frame.height() - top);
    m_stitchedHeight += slice.rows.height();
    m_slices.push_back(std::move(slice));
    m_lastFrame = frame;
}

void ScrollKeptFrames::refreshLast(const QImage& frame, int from)
{
    if (!m_slices.empty() && frame.size() == m_lastFrame.size() && m_slices.back().bottomCut == 0)
        refreshTail(frame, from, frame.height());
}

void ScrollKeptFrames::refreshTail(const QImage& frame, int from, int to)
{
    if (frame.depth() != 32)
        return;
    const int w = frame.width();
    int r = to - 1; // the frame's row that shows what the kept rows' last one does
    for (auto slice = m_slices.rbegin(); slice != m_slices.rend() && r >= from; ++slice) {
        const std::size_t fromLast = std::size_t(slice - m_slices.rbegin());
        if (slice->rows.format() != frame.format() || slice->rows.width() != w)
            return;
        for (int y = slice->drawnRows() - 1; y >= 0 && r >= from; --y, --r) {
            const auto* now = reinterpret_cast<const quint32*>(frame.constScanLine(r));
            const auto* before = reinterpret_cast<const quint32*>(slice->rows.constScanLine(y));
            int first = 0;
            while (first < w && !FramePixelCompare::differ(now[first], before[first]))
                ++first;
            if (first == w)
                continue;
            int last = w - 1;
            while (!FramePixelCompare::differ(now[last], before[last]))
                --last;
            // A whole row of other content is no placeholder filled in.
            if (2 * (last - first + 1) > w)
                continue;
            // One colour across the part, set off from what lies beside it: a placeholder,
            // not the page's background where something fixed on the screen changed.
            bool plain = (first == 0 || before[first - 1] != before[first])
                         && (last == w - 1 || before[last + 1] != before[last]);
            for (int x = first + 1; x <= last && plain; ++x)
                plain = before[x] == before[first];
            if (plain && m_recordRefresh)
                m_undo.back().refreshedBefore.push_back({fromLast, y, first, std::vector<quint32>(before + first, before + last + 1)});
            if (plain)
                std::memcpy(slice->rows.scanLine(y) + std::size_t(first) * 4, now + first,
                            std::size_t(last - first + 1) * 4);
        }
    }
}

bool ScrollKeptFrames::canReplaceTailWith(const QImage& frame) const
{
    if (m_slices.empty() || frame.size() != m_lastFrame.size() || frame.format() != m_lastFrame.format()
        || m_slices.back().bottomCut != 0)
        return false;
    for (const KeptSlice& slice : m_slices)
        if (slice.rows.format() != frame.format() || slice.rows.width() != frame.width())
            return false;
    return true;
}

bool ScrollKeptFrames::replaceLastTailAbove(const QImage& frame, int from, int upPx)
{
    if (!canReplaceTailWith(frame) || upPx <= 0 || m_stitchedHeight - upPx < frame.height())
        return false;
    // Left out as a footer is: the last slice first, then, where it adds fewer rows, the
    // ones before it.
    int left = upPx;
    for (auto slice = m_slices.rbegin(); slice != m_slices.rend() && left > 0; ++slice) {
        const int cut = std::min(left, slice->drawnRows());
        slice->bottomCut += cut;
        m_stitchedHeight -= cut;
        left -= cut;
    }
    writeTail(frame, from);
    return true;
}

bool ScrollKeptFrames::replaceLastTail(const QImage& frame, int from)
{
    if (!canReplaceTailWith(frame))
        return false;
    writeTail(frame, from);
    return true;
}

void ScrollKeptFrames::writeTail(const QImage& frame, int from)
{
    const std::size_t bytes = std::size_t(frame.bytesPerLine());
    int r = frame.height() - 1; // the frame's row that shows what the kept rows' last one does
    for (auto slice = m_slices.rbegin(); slice != m_slices.rend() && r >= from; ++slice)
        for (int y = slice->drawnRows() - 1; y >= 0 && r >= from; --y, --r)
            std::memcpy(slice->rows.scanLine(y), frame.constScanLine(r), bytes);
    m_lastFrame = frame;
    m_undo.clear();
}

void ScrollKeptFrames::restandLast(const QImage& frame, int from)
{
    if (m_slices.empty() || frame.size() != m_lastFrame.size() || frame.format() != m_lastFrame.format())
        return;
    refreshLast(frame, from);
    m_lastFrame = frame;
}

void ScrollKeptFrames::dropLast()
{
    if (m_undo.empty() || m_slices.empty())
        return;
    Undo undo = std::move(m_undo.back());
    m_undo.pop_back();
    m_stitchedHeight -= m_slices.back().rows.height();
    m_slices.pop_back();
    // Undone last written first, so that a pixel written twice gets its first look back.
    for (auto was = undo.refreshedBefore.rbegin(); was != undo.refreshedBefore.rend(); ++was) {
        if (was->fromLast >= m_slices.size())
            continue;
        QImage& rows = m_slices[m_slices.size() - 1 - was->fromLast].rows;
        if (was->y < rows.height() && was->x + int(was->pixels.size()) <= rows.width())
            std::memcpy(rows.scanLine(was->y) + std::size_t(was->x) * 4, was->pixels.data(), was->pixels.size() * 4);
    }
    auto slice = m_slices.rbegin();
    for (const int cut : undo.cutsBefore) {
        if (slice == m_slices.rend())
            break;
        m_stitchedHeight += slice->bottomCut - cut;
        slice->bottomCut = cut;
        ++slice;
    }
    m_lastFrame = undo.frameBefore;
}

std::vector<KeptSlice> ScrollKeptFrames::takeSlices()
{
    std::vector<KeptSlice> slices = std::move(m_slices);
    clear();
    return slices;
}

void ScrollKeptFrames::clear()
{
    m_slices.clear();
    m_undo.clear();
    m_lastFrame = QImage();
    m_stitchedHeight = 0;
}
