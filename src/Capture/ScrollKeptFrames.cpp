#include "Capture/ScrollKeptFrames.h"

#include <QtGlobal>

#include <algorithm>
#include <utility>

void ScrollKeptFrames::append(const QImage& frame, int offset, int footer)
{
    if (frame.isNull())
        return;
    m_frameBefore = m_lastFrame;
    m_cutBefore = m_slices.empty() ? 0 : m_slices.back().bottomCut;
    m_canDrop = true;
    if (!m_slices.empty() && footer > 0) {
        // The new rows continue where the last slice now ends.
        KeptSlice& last = m_slices.back();
        last.bottomCut = std::min(footer, last.rows.height());
        offset += footer - last.bottomCut;
        m_stitchedHeight -= last.bottomCut;
    }
    const int top = qBound(0, offset, frame.height());
    // The first frame is drawn whole and is also the last frame: one buffer serves both.
    KeptSlice slice;
    slice.offset = top;
    slice.rows = top == 0 ? frame : frame.copy(0, top, frame.width(), frame.height() - top);
    m_stitchedHeight += slice.rows.height();
    m_slices.push_back(std::move(slice));
    m_lastFrame = frame;
}

void ScrollKeptFrames::dropLast()
{
    if (!m_canDrop || m_slices.empty())
        return;
    m_stitchedHeight -= m_slices.back().rows.height();
    m_slices.pop_back();
    if (!m_slices.empty()) {
        m_stitchedHeight += m_slices.back().bottomCut - m_cutBefore;
        m_slices.back().bottomCut = m_cutBefore;
    }
    m_lastFrame = m_frameBefore;
    m_frameBefore = QImage();
    m_canDrop = false;
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
    m_lastFrame = QImage();
    m_frameBefore = QImage();
    m_stitchedHeight = 0;
    m_canDrop = false;
}
