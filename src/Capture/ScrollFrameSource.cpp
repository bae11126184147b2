#include "Capture/ScrollFrameSource.h"

#include "Platform/ScreenGrabber.h"

namespace {

class ScreenFrameSource final : public ScrollFrameSource {
public:
    QImage grab(const QRect& rootPixels, bool withPointer) override
    {
        QImage image = m_grabber.grab(rootPixels);
        if (withPointer && !image.isNull())
            compositeApplicationCursor(image, rootPixels.topLeft());
        return image;
    }

private:
    ApplicationScreenGrabber m_grabber;
};

ScrollFrameSource* installed = nullptr;

} // namespace

ScrollFrameSource& ScrollFrameSource::current()
{
    // Never destroyed: at exit the connection it read through is already gone.
    static ScreenFrameSource* screen = new ScreenFrameSource;
    return installed ? *installed : *screen;
}

void ScrollFrameSource::setForTesting(ScrollFrameSource* source)
{
    installed = source;
}
