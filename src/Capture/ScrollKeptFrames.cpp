#include "Capture/ScrollKeptFrames.h"

#include <QtGlobal>

#include <utility>

void ScrollKeptFrames::append(const QImage& frame, int offset)
{
    if (frame.isNull())
        return;
    const int top = qBound(0, offset, frame.height());
    // The first frame is drawn whole and is also the last frame: one buffer serves both.
    KeptSlice slice;
    slice.offset = top;
    slice.rows = top == 0 ? frame : frame.copy(0, top, frame.width(), frame.height() - top);
    m_stitchedHeight += slice.rows.height();
    m_slices.push_back(std::move(slice));
    m_lastFrame = frame;
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
    m_stitchedHeight = 0;
}
