#pragma once

#include <QObject>
#include <QUrl>

#include <optional>

// The process-wide hand-over point for files opened from outside the editor window
// (command line, a second launch, the application's open command). The editor
// canvas watches `pendingImageURL`, takes the URL and loads it.
class ImageLoadManager : public QObject {
    Q_OBJECT
public:
    static ImageLoadManager& shared();

    const std::optional<QUrl>& pendingImageURL() const { return m_pendingImageURL; }
    void setPendingImageURL(std::optional<QUrl> url);

    // Publishes the URL on the main thread, always later (also when called on it).
    // May be called from any thread.
    void loadImage(const QUrl& url);

signals:
    void pendingImageURLChanged();

private:
    explicit ImageLoadManager(QObject* parent = nullptr);

    std::optional<QUrl> m_pendingImageURL;
};
