#include "Models/TextLayout.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Sizes outside this range are clamped: the font engine cannot render a size of
// zero or less, and a runaway scale factor must not ask it for a glyph the size of
// a city block.
constexpr double minimumPixelSize = 0.5;
constexpr double maximumPixelSize = 16384.0;

// One point is one pixel here (2835 dots per metre is 72 dpi).
const QImage& device72()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return device;
}

// Families whose names the stored styles use and whose metric-compatible stand-ins
// Linux ships under other names.
QString substituteFamily(const QString& name)
{
    static const QHash<QString, QString> standIns{
        {QStringLiteral("Helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("Times"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
    };
    return standIns.value(name, name);
}

// The family a stored name resolves to, or an empty string for "use the system
// UI font". Looking a family up in the font database is slow, so answers are kept.
QString resolvedFamily(const QString& fontName)
{
    static QMutex mutex;
    static QHash<QString, QString> known;
    QMutexLocker lock(&mutex);
    const auto it = known.constFind(fontName);
    if (it != known.constEnd())
        return *it;
    const QString family = substituteFamily(fontName);
    const QString resolved = !family.isEmpty() && QFontDatabase::hasFamily(family) ? family : QString();
    known.insert(fontName, resolved);
    return resolved;
}

} // namespace

const QList<TextLayout::FontChoice>& TextLayout::fontChoices()
{
    static const QList<FontChoice> choices{
        {QStringLiteral("SF Pro"), QStringLiteral("SF Pro Text")},
        {QStringLiteral("Helvetica"), QStringLiteral("Helvetica")},
        {QStringLiteral("Arial"), QStringLiteral("Arial")},
        {QStringLiteral("Times"), QStringLiteral("Times New Roman")},
        {QStringLiteral("Georgia"), QStringLiteral("Georgia")},
    };
    return choices;
}

QString TextLayout::drawnFamily(const QString& fontName)
{
    const QString family = resolvedFamily(fontName);
    return family.isEmpty() ? QFontInfo(QGuiApplication::font()).family() : family;
}

QString TextLayout::defaultFontName()
{
    for (const FontChoice& choice : fontChoices()) {
        if (!resolvedFamily(choice.fontName).isEmpty())
            return choice.fontName;
    }
    return fontChoices().first().fontName;
}

QFont TextLayout::resolveFont(const QString& fontName, double pixelSize)
{
    const QString family = resolvedFamily(fontName);
    QFont font = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    const double size = std::isfinite(pixelSize) ? std::clamp(pixelSize, minimumPixelSize, maximumPixelSize)
                                                 : minimumPixelSize;
    font.setPointSizeF(size);
    return font;
}

double TextLayout::lineHeight(const QFont& font)
{
    return QFontMetricsF(font, layoutDevice()).lineSpacing();
}

const QPaintDevice* TextLayout::layoutDevice()
{
    return &device72();
}

TextLayout::TextLayout(const QString& text, const QFont& font, std::optional<double> wrapWidth)
    : m_text(text), m_font(font)
{
    if (wrapWidth && std::isfinite(*wrapWidth) && *wrapWidth > 0.0)
        m_wrapWidth = *wrapWidth;
    m_lineHeight = lineHeight(font);

    // QTextLayout breaks lines at U+2028, not at "\n"; the swap keeps every text
    // position where it was.
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);

    m_layout = std::make_unique<QTextLayout>(laidOut, font, const_cast<QPaintDevice*>(layoutDevice()));
    QTextOption option;
    option.setAlignment(Qt::AlignLeft);
    option.setWrapMode(m_wrapWidth ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);

    double widest = 0.0;
    double y = 0.0;
    m_layout->beginLayout();
    for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
        if (m_wrapWidth)
            line.setLineWidth(*m_wrapWidth);
        else
            line.setNumColumns(std::numeric_limits<int>::max() / 2);
        line.setPosition(QPointF(0.0, y));
        y += m_lineHeight;
        widest = std::max(widest, line.naturalTextWidth());
    }
    m_layout->endLayout();
    m_size = QSizeF(widest, y);
}

TextLayout::~TextLayout() = default;
TextLayout::TextLayout(TextLayout&&) noexcept = default;
TextLayout& TextLayout::operator=(TextLayout&&) noexcept = default;

int TextLayout::lineCount() const
{
    return m_layout ? m_layout->lineCount() : 0;
}

QRectF TextLayout::lineRect(int line) const
{
    if (line < 0 || line >= lineCount())
        return {};
    const QTextLine l = m_layout->lineAt(line);
    return QRectF(0.0, l.position().y(), l.naturalTextWidth(), m_lineHeight);
}

int TextLayout::lineTextStart(int line) const
{
    return line >= 0 && line < lineCount() ? m_layout->lineAt(line).textStart() : 0;
}

int TextLayout::lineTextLength(int line) const
{
    return line >= 0 && line < lineCount() ? m_layout->lineAt(line).textLength() : 0;
}

int TextLayout::lineForPosition(int position) const
{
    const int count = lineCount();
    if (count == 0)
        return 0;
    position = std::clamp(position, 0, int(m_text.size()));
    for (int i = 0; i < count; ++i) {
        const QTextLine l = m_layout->lineAt(i);
        if (position < l.textStart() + l.textLength())
            return i;
    }
    return count - 1;
}

QPointF TextLayout::cursorPoint(int position) const
{
    if (lineCount() == 0)
        return {};
    position = std::clamp(position, 0, int(m_text.size()));
    const QTextLine l = m_layout->lineAt(lineForPosition(position));
    return QPointF(l.cursorToX(position), l.position().y());
}

int TextLayout::positionAt(const QPointF& point) const
{
    const int count = lineCount();
    if (count == 0)
        return 0;
    // Points that are not numbers land on the first line's start rather than
    // reaching the layout engine's fixed-point conversion.
    double line = m_lineHeight > 0.0 ? std::floor(point.y() / m_lineHeight) : 0.0;
    if (!(line >= 0.0))
        line = 0.0;
    line = std::min(line, double(count - 1));
    const double x = std::isnan(point.x()) ? 0.0 : std::clamp(point.x(), -1e6, 1e6);
    return m_layout->lineAt(int(line)).xToCursor(x);
}

void TextLayout::draw(QPainter& painter, const QPointF& topLeft, const QColor& color) const
{
    if (!m_layout)
        return;
    painter.save();
    painter.setPen(color);
    m_layout->draw(&painter, topLeft);
    painter.restore();
}
