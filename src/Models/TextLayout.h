#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

class QColor;
class QPainter;
class QPaintDevice;
class QTextLayout;

// The one text layout of annotation text, shared by measurement, the canvas, the
// in-place editor and export so that a box is the same size everywhere and the
// drawn text is the text that was measured.
//
// Rules: font sizes are pixels (fonts are laid out on a 72-dpi device, where one
// point is one pixel; Qt's font engine renders the nearest whole pixel size, which
// every user of this class then shares); every line, empty ones
// included, is exactly the font's line spacing tall; text wraps at word
// boundaries at the given width, breaking a word only when it alone is too wide;
// "\n" starts a new line, and a trailing "\n" adds an empty last line.
//
//   QFont font = TextLayout::resolveFont(annotation.fontName, 24.0);
//   TextLayout layout(annotation.text, font, boxWidth);
//   layout.height();                        // what the box is sized by
//   layout.draw(painter, boxTopLeft, color); // the same lines, drawn
class TextLayout {
public:
    // The font a stored name stands for, sized in pixels. Names Linux lacks fall
    // back to the system UI font; Helvetica, Arial and Times use the Liberation
    // faces that match their metrics. The returned font's point size equals the
    // pixel size and is only meaningful through TextLayout (or on layoutDevice()).
    static QFont resolveFont(const QString& fontName, double pixelSize);

    // The fonts the text tool offers: the stored name and the name the list shows,
    // in the design's order (their names stay as designed whatever is installed).
    struct FontChoice {
        QString label;
        QString fontName;
    };
    static const QList<FontChoice>& fontChoices();
    // The family that actually draws a stored name here: its stand-in, or the system
    // UI font's family for a name Linux lacks.
    static QString drawnFamily(const QString& fontName);
    // The text tool's default: the first offered font drawn by a face of its own (or a
    // stand-in) rather than the system UI font; the first one when none is.
    static QString defaultFontName();

    // The fixed height of one line of text in this font, in pixels.
    static double lineHeight(const QFont& font);

    // The 72-dpi device fonts are resolved on.
    static const QPaintDevice* layoutDevice();

    // Lays the text out; no wrap width (or one that is not a positive finite
    // number) lays every line out at its natural width.
    TextLayout(const QString& text, const QFont& font, std::optional<double> wrapWidth = std::nullopt);
    ~TextLayout();
    TextLayout(TextLayout&&) noexcept;
    TextLayout& operator=(TextLayout&&) noexcept;
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    const QString& text() const { return m_text; }
    const QFont& font() const { return m_font; }
    std::optional<double> wrapWidth() const { return m_wrapWidth; }
    double lineHeight() const { return m_lineHeight; }
    int lineCount() const;
    // Height = line count x line height; width = the widest line's natural width.
    QSizeF size() const { return m_size; }
    double height() const { return m_size.height(); }

    // Line i's rectangle relative to the layout's top left, and the range of the
    // text it shows (positions index text()).
    QRectF lineRect(int line) const;
    int lineTextStart(int line) const;
    int lineTextLength(int line) const;

    // Caret support for in-place editing: the line holding a text position, the
    // caret's top point, and the text position nearest a point.
    int lineForPosition(int position) const;
    QPointF cursorPoint(int position) const;
    int positionAt(const QPointF& point) const;

    // Draws the lines with their top left at topLeft in the painter's current
    // coordinates. The painter's state is left as it was.
    void draw(QPainter& painter, const QPointF& topLeft, const QColor& color) const;

private:
    QString m_text;
    QFont m_font;
    std::optional<double> m_wrapWidth;
    double m_lineHeight = 0.0;
    QSizeF m_size;
    std::unique_ptr<QTextLayout> m_layout;
};
