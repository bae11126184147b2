#include "Capture/ScrollFrameSource.h"

#include "Platform/ScreenGrabber.h"

#include <QCoreApplication>

#include <memory>

namespace {

class ScreenFrameSource final : public ScrollFrameSource {
public:
    QImage grab(const QRect& rootPixels, bool withPointer) override
    {
        if (!m_grabber) {
            m_grabber = screenGrabberForApplication();
            if (!m_grabber)
                return {};
            // The grabber's shared segment lives on Qt's connection, which closes with
            // the application: let it go while the connection is still open.
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [this] { m_grabber.reset(); });
        }
        QImage image = m_grabber->grab(rootPixels);
        if (withPointer && !image.isNull())
            compositeApplicationCursor(image, rootPixels.topLeft());
        return image;
    }

private:
    std::unique_ptr<ScreenGrabber> m_grabber;
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
