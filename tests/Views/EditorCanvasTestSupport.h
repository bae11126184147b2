#pragma once

// Helpers of the editor canvas tests: a shown canvas with an image, pointer drags as
// a user makes them, and a recorder of posted notifications.

#include "Models/EditorTestSupport.h"
#include "Models/ImageEditorViewModel.h"
#include "Platform/NotificationCenter.h"
#include "Views/EditorCanvasView.h"

#include <QGuiApplication>
#include <QObject>
#include <QStyleHints>
#include <QWindow>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

namespace CanvasTest {

using EditorTestSupport::solidImage;

inline QUrl fileUrl(const QString& name) { return QUrl::fromLocalFile(QStringLiteral("/tmp/") + name); }

// The image point under a viewport point, as a fraction of the shown image.
inline QPointF normalisedImagePoint(const EditorCanvasView& canvas, QPointF viewportPoint)
{
    const HandleFrameTransform t = canvas.currentTransform();
    const QPointF p = t.imagePoint(viewportPoint);
    return QPointF(p.x() / t.scaledSize.width(), p.y() / t.scaledSize.height());
}

// A press at `from`, moves in `steps` even steps, a release at `to` (left button).
inline void drag(QWidget* widget, QPointF from, QPointF to, int steps = 8)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= steps; ++i) {
        const QPointF p = from + (to - from) * (double(i) / steps);
        QMouseEvent move(QEvent::MouseMove, p, widget->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, to.toPoint());
}

// Clicks as a display server delivers them: a press and a release at `pos`, `count`
// times, `gapMs` apart in real time and in the events' time stamps. They enter Qt at the
// window, as the X11 connection hands them in, so Qt itself turns a second press soon
// enough after the first into a double click.
inline void serverClicks(QWidget* widget, QPoint pos, int count = 2, int gapMs = 120)
{
    QWindow* window = widget->window()->windowHandle();
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    const QPointF local = window->mapFromGlobal(global);
    const int apart = 10 * QGuiApplication::styleHints()->mouseDoubleClickInterval();
    int& time = QTest::lastMouseTimestamp;
    time += apart; // never a double click with what came before
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            QTest::qWait(gapMs);
            time += gapMs;
        }
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress,
                            Qt::NoModifier, time);
        time += 15;
        qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease,
                            Qt::NoModifier, time);
    }
    time += apart;
}

// The button presses, releases and double clicks a widget receives.
class MouseButtonLog : public QObject {
public:
    QList<QEvent::Type> types;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick)
            types << type;
        return false;
    }
};

// Every notification of the given names posted while it lives, in order.
class NotificationRecorder : public QObject {
public:
    struct Entry {
        QString name;
        std::optional<QString> payload;
    };
    explicit NotificationRecorder(const std::vector<NotificationName>& names)
    {
        for (NotificationName name : names)
            NotificationCenter::defaultCenter().addObserver(name, this, [this, name](const auto& payload) {
                entries.push_back({ name, payload });
            });
    }
    QStringList names() const
    {
        QStringList result;
        for (const Entry& e : entries)
            result << e.name;
        return result;
    }
    std::vector<Entry> entries;
};

// A canvas of `size`, shown; with an image, fitted, or at `zoom` when one is given.
struct ShownCanvas {
    ImageEditorViewModel model;
    EditorCanvasView canvas { &model };

    explicit ShownCanvas(QSize size = QSize(400, 300), std::optional<Image> image = std::nullopt,
                         std::optional<double> zoom = std::nullopt)
    {
        canvas.resize(size);
        canvas.show();
        (void)QTest::qWaitForWindowExposed(&canvas);
        if (image)
            load(*image);
        if (zoom)
            model.setZoomLevel(*zoom);
    }

    void load(const Image& image, const QString& name = QStringLiteral("canvas.png"))
    {
        model.setLoadedImage(image, fileUrl(name));
    }
    AnnotationManager& annotations() { return *model.annotationManager(); }
};

} // namespace CanvasTest
