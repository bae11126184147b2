#pragma once

#include "Views/CanvasGeometry.h"

#include "Models/TextLayout.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextEdit>
#include <QTimer>
#include <QTransform>
#include <QVariant>

#include <optional>
#include <vector>

class ImageEditorViewModel;

// The box a text annotation is typed in, over the canvas. The text belongs to the image,
// so the box lies on the image as the text will: turned with it, its text drawn by the
// shared text layout at the very place and size the committed text is drawn at. What
// is typed and the size it measures go back into the editor model's text-editing
// fields. Return finishes a free-width text (a fixed-width one takes a line break);
// Escape drops the text.
//
// The text edit underneath keeps the text, the caret and the keys; the box paints
// itself and places the caret from the shared layout, so a click lands on the letter
// it shows at any turn.
class InPlaceTextEditor : public QTextEdit {
    Q_OBJECT
public:
    // A free-width box grows with its text up to this width, then wraps.
    static constexpr double freeWidthCap = 800.0;
    // Measured sizes this close to the model's are not written back, so measuring and
    // laying out never feed each other in a loop; a box too small for its text is
    // always grown.
    static constexpr double writeBackThreshold = 5.0;

    // The size of the box for `text`: fixed width keeps `currentWidth` and only grows
    // downwards; free width follows the text up to freeWidthCap. Never below
    // max(1.5 x fontSize, 10) in free width.
    struct Measure {
        double width = 0.0;
        double height = 0.0;
        double wrapWidth = 0.0; // the width the text's lines are broken at
    };
    static Measure measure(const QString& text, const QFont& layoutFont, double fontSize, bool wrapsText,
                           double currentWidth, double currentHeight);
    static double minimumSide(double fontSize);
    // The side the model's box holds once a measured side has gone back to it: a
    // larger measure always, a smaller one only beyond writeBackThreshold.
    static double settledSide(double measured, double modelSide);
    // The frame is drawn just outside the box, so it never covers a letter.
    static constexpr double frameWidth = 2.0;

    explicit InPlaceTextEditor(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);

    // Follows the model: hidden unless a text is being edited; otherwise the text, font,
    // colour and size of the box, centred on its place under `transform`.
    void sync(const HandleFrameTransform& transform);

    // The font size, in display points, the box shows its text at.
    double displayFontSize() const { return m_fontSize; }
    // The box in the displayed image's own (unturned) points, and where its text's
    // first line starts: where the committed text will be drawn.
    QRectF imageBox() const { return m_box; }
    QPointF textOrigin() const { return m_textOrigin; }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void applyTextFormat();
    void commit();
    void place(const HandleFrameTransform& transform, const Measure& size);
    // The typed text with any composition of an input method where it goes.
    QString shownText() const;
    // The text position under a point of this widget, by the drawn layout.
    int positionAt(QPointF widgetPoint) const;
    // The drawn layout's pieces of the text from `from` to `to`, in the image's points.
    std::vector<QRectF> rangeRects(int from, int to) const;
    QRectF caretRect() const;
    void restartCaret();

    ImageEditorViewModel* m_viewModel;
    QString m_fontKey;
    QFont m_layoutFont;
    double m_fontSize = 0.0;
    double m_lineHeight = 0.0;
    bool m_wrapsText = false;
    bool m_updating = false;
    bool m_focusTaken = false;
    QSizeF m_displaySize;
    double m_referenceWidth = 0.0;

    // What the box shows, in the displayed image's points, and the map from there onto
    // this widget.
    std::optional<TextLayout> m_layout;
    QRectF m_box;
    QPointF m_textOrigin;
    QColor m_textColor;
    HandleFrameTransform m_transform;
    QTransform m_toWidget;
    QTimer m_caretBlink;
    bool m_caretOn = true;
    QString m_preedit;
    int m_preeditCaret = 0;
};
