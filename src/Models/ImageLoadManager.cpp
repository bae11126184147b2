#include "Models/ImageLoadManager.h"

#include <QCoreApplication>
#include <QMetaObject>

ImageLoadManager::ImageLoadManager(QObject* parent) : QObject(parent) { }

ImageLoadManager& ImageLoadManager::shared()
{
    // Lives on the main thread for the life of the process.
    static ImageLoadManager* instance = [] {
        auto* manager = new ImageLoadManager();
        if (auto* app = QCoreApplication::instance())
            manager->moveToThread(app->thread());
        return manager;
    }();
    return *instance;
}

void ImageLoadManager::setPendingImageURL(std::optional<QUrl> url)
{
    m_pendingImageURL = std::move(url);
    emit pendingImageURLChanged();
}

void ImageLoadManager::loadImage(const QUrl& url)
{
    QMetaObject::invokeMethod(this, [this, url] { setPendingImageURL(url); }, Qt::QueuedConnection);
}
