#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The desktop's own interactive screenshot tool, used when Lumetra cannot read the
// screen itself. It lets the user choose an area and hands back the image.
class SystemScreenshotTool : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts the tool; false, with the reason in error, when it cannot start.
    virtual bool start(QString* error) = 0;

signals:
    // The tool ended: with the chosen image, or a null image when the user cancelled
    // or the tool failed.
    void finished(const QImage& image);
};

// The desktop portal's interactive Screenshot request (org.freedesktop.portal.Screenshot)
// on the session bus.
class PortalScreenshotTool final : public SystemScreenshotTool {
    Q_OBJECT
public:
    using SystemScreenshotTool::SystemScreenshotTool;
    bool start(QString* error) override;

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    QString m_requestPath;
};
