#pragma once

#include "Views/CanvasGeometry.h"

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QTextEdit>

class ImageEditorViewModel;

// The box a text annotation is typed in, over the canvas. It is shown upright at the
// text's place whatever the image's rotation, draws its text in the shared text layout's
// font and fixed line height, and writes what is typed and the size it measures back
// into the editor model's text-editing fields. Return finishes a free-width text (a
// fixed-width one takes a line break); Escape drops the text.
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

    explicit InPlaceTextEditor(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);

    // Follows the model: hidden unless a text is being edited; otherwise the text, font,
    // colour and size of the box, centred on its place under `transform`.
    void sync(const HandleFrameTransform& transform);

    // The font size, in display points, the box shows its text at.
    double displayFontSize() const { return m_fontSize; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTextFormat();
    void commit();

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
};
