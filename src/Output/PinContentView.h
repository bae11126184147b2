#pragma once

#include "Output/PinSettings.h"

#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <optional>

class QMenu;
class QPainter;

// The whole content of a pin window: the pinned bitmap on a white card, and the pin's
// behaviour. Drag anywhere to move the window, turn the wheel to zoom it, hover for the
// close button, Escape to close, right-click for the menu of opacity, corner radius,
// shadow and close. A menu choice changes this pin and is remembered for later pins.
//
// Where the desktop draws translucency the card has a transparent margin of
// `pinPadding` around it with rounded corners and a shadow; elsewhere the card fills
// the window, square and without shadow (the choices are still kept and remembered).
class PinContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int pinPadding = 24;
    static constexpr int closeButtonSize = 22;

    // What the context menu's items do, as its tags name them.
    enum class MenuChoice { close = 0, opacity = 1, cornerRadius = 2, shadow = 3 };

    // `pointsPerPixel`: the display size of one image pixel (1 / the screen's device
    // pixel ratio). `translucent`: whether the desktop draws the margin and shadow.
    PinContentView(QImage bitmap, double pointsPerPixel, bool translucent, QWidget* parent = nullptr);

    const QImage& pinImage() const { return m_image; }
    QSizeF displaySize() const { return m_displaySize; }
    // The window's opacity as chosen (the window itself stores it in 8 bits).
    double opacity() const { return m_opacity; }
    double cornerRadius() const { return m_cornerRadius; }
    bool shadowEnabled() const { return m_shadowEnabled; }
    // The margin between the window's edge and the card: pinPadding, or 0 when opaque.
    int margin() const { return m_margin; }
    QWidget* closeButton() const { return m_closeButton; }

    // The window size for a card of `displaySize`.
    QSize windowSizeFor(QSizeF displaySize) const;
    // Where the card lies in this view: the view less the margin, or, where the desktop
    // gives the window another shape (a tiling compositor), the largest card of the
    // image's proportions centred in it.
    QRectF cardRect() const;
    // Puts the chosen opacity on the window, or, where the window system cannot fade a
    // window, into the drawing.
    void applyOpacity();

    // The menu shown on a right click, built fresh each time.
    QMenu* buildContextMenu(QWidget* parent);
    // Carries out one menu choice (`value` for opacity and corner radius).
    void applyMenuChoice(MenuChoice choice, double value = 0.0);
    // One wheel step; returns whether the pin changed size.
    bool zoomByWheel(double verticalDelta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void saveSettings();
    // The shadow, the card and the image, on a transparent view.
    void paintCard(QPainter& painter, const QRectF& card);
    const QImage& shadowImage();

    QImage m_image;
    QSizeF m_displaySize;
    double m_opacity;
    double m_cornerRadius;
    bool m_shadowEnabled;
    int m_margin;
    bool m_translucent;
    bool m_drawsOpacity;
    std::optional<QPointF> m_dragOriginOffset;
    QWidget* m_closeButton = nullptr;
    QImage m_shadow;
    QString m_shadowKey;
};
