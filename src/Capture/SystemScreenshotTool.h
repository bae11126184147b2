#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class PortalScreenshot;
struct PortalScreenshotResult;

// The desktop's own interactive screenshot tool, used when Lumetra cannot read the
// screen itself. It lets the user choose an area (or a window) and hands back the image.
class SystemScreenshotTool : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts the tool; false, with the reason in error, when it cannot start.
    virtual bool start(QString* error) = 0;

signals:
    // The tool ended: with the chosen image, or a null image when the user cancelled.
    void finished(const QImage& image);
    // The tool started but could not do its work (refused, or the desktop has no
    // interactive picker); reason is a sentence for the user.
    void failed(const QString& reason);
    // The desktop's screenshot service stopped answering; the request was given up.
    void notAnswering();
};

// The desktop portal's interactive Screenshot request (org.freedesktop.portal.Screenshot)
// on the session bus.
class PortalScreenshotTool final : public SystemScreenshotTool {
    Q_OBJECT
public:
    // programExists: see PortalScreenshot::missingPickerProgram.
    explicit PortalScreenshotTool(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  std::function<bool(const QString&)> programExists = {}, QObject* parent = nullptr);
    bool start(QString* error) override;

    // The user may take a long while to choose.
    static constexpr int timeoutMs = 300000;

private:
    void taken(const PortalScreenshotResult& result);
    // The sentence naming what the user must install, when that is why a pick fails.
    std::optional<QString> missingPickerReason() const;

    QDBusConnection m_bus;
    std::function<bool(const QString&)> m_programExists;
    PortalScreenshot* m_screenshot;
};
