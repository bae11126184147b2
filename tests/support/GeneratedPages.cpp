#include "GeneratedPageParts.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

namespace {

// The faces of the packages scripts/bootstrap.sh installs (fonts-dejavu-core,
// fonts-liberation2, fonts-noto-cjk), by what they are.
const QStringList kSans = {"DejaVu Sans", "Liberation Sans"};
const QStringList kSerif = {"DejaVu Serif", "Liberation Serif"};
const QStringList kMono = {"DejaVu Sans Mono", "Liberation Mono"};
const QStringList kHanSimplified = {"Noto Sans CJK SC", "Noto Serif CJK SC"};
const QStringList kHanTraditional = {"Noto Sans CJK TC", "Noto Serif CJK TC", "Noto Sans CJK HK", "Noto Serif CJK HK"};
const QStringList kHanMonoSimplified = {"Noto Sans Mono CJK SC"};
const QStringList kHanMonoTraditional = {"Noto Sans Mono CJK TC", "Noto Sans Mono CJK HK"};

struct Ground {
    const char* ground;
    const char* ink;
    const char* dim;
    const char* rule;
};
const Ground kLight[] = {{"#ffffff", "#222222", "#6f6f6f", "#c8c8c8"},
                         {"#fafafa", "#333333", "#777777", "#d0d0d0"},
                         {"#fdf6e3", "#3b3b3b", "#7a7a6a", "#d8cfb4"},
                         {"#f3f4f6", "#111827", "#6b7280", "#cbd5e1"}};
const Ground kDark[] = {{"#1e1e1e", "#d4d4d4", "#8a8a8a", "#3c3c3c"},
                        {"#0c0c0c", "#cccccc", "#808080", "#333333"},
                        {"#282c34", "#abb2bf", "#7f848e", "#3e4451"},
                        {"#121826", "#e5e7eb", "#94a3b8", "#334155"}};

bool isWide(uint c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0x3000 && c <= 0x303F);
}

bool isIdeograph(uint c)
{
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x2FFFF);
}

} // namespace

namespace PageParts {

QString Style::family() const
{
    QStringList families;
    if (!han.isEmpty() && hanFirst)
        families << han << latin;
    else {
        families << latin;
        if (!han.isEmpty())
            families << han;
    }
    for (QString& f : families)
        f = QLatin1Char('\'') + f + QLatin1Char('\'');
    return families.join(QLatin1Char(','));
}

Style pickStyle(PageRandom& r, Faces faces, bool han, bool traditional)
{
    Style style;
    const Faces chosen = faces == Faces::any ? Faces(r.below(3)) : faces;
    style.mono = chosen == Faces::mono;
    style.latin = r.pick(chosen == Faces::sans ? kSans : chosen == Faces::serif ? kSerif : kMono);
    if (han) {
        if (style.mono)
            style.han = r.pick(traditional ? kHanMonoTraditional : kHanMonoSimplified);
        else
            style.han = r.pick(traditional ? kHanTraditional : kHanSimplified);
        // Some pages set their Latin text in the Chinese face too, as Chinese sites do.
        style.hanFirst = !style.mono && r.chance(35);
    }
    style.px = r.between(11, 20);
    style.dark = r.chance(35);
    const Ground& ground = style.dark ? kDark[r.below(4)] : kLight[r.below(4)];
    style.ground = QLatin1String(ground.ground);
    style.ink = QLatin1String(ground.ink);
    style.dim = QLatin1String(ground.dim);
    style.rule = QLatin1String(ground.rule);
    return style;
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

int textWidth(const QString& text, int px, bool mono)
{
    double width = 0;
    for (const uint c : text.toUcs4())
        width += isWide(c) ? px * 1.05 : mono ? px * 0.62 : (QChar::isUpper(c) || c == u'W' || c == u'm') ? px * 0.8 : px * 0.62;
    return int(width) + 2;
}

void Builder::line(const QString& html, const QString& text, int height, int px)
{
    m_body += html;
    m_lines << text;
    m_height += height > 0 ? height : m_style.lineHeight();
    m_width = std::max(m_width, textWidth(text, px > 0 ? px : m_style.px, m_style.mono));
}

void Builder::textLine(const QString& text, const QString& css, int px)
{
    const int size = px > 0 ? px : m_style.px;
    const int height = px > 0 ? px * 8 / 5 + 1 : m_style.lineHeight();
    line(QStringLiteral("<div style=\"white-space:pre;height:%1px;line-height:%1px;font-size:%2px;%3\">%4</div>")
             .arg(height)
             .arg(size)
             .arg(css, escaped(text)),
         text, height, size);
}

void Builder::raw(const QString& html, int height)
{
    m_body += html;
    m_height += height;
}

void Builder::table(const std::vector<Row>& rows, const TableLook& look, int px)
{
    const int size = px > 0 ? px : m_style.px;
    const int rowHeight = size * 8 / 5 + 1;
    const QString border = look.borders ? QStringLiteral("border:1px solid %1;").arg(look.borderColour) : QString();
    QString html = QStringLiteral("<table style=\"border-collapse:collapse;font-size:%1px;%2\">").arg(size).arg(look.css);
    std::vector<int> columns;
    for (const Row& row : rows) {
        html += QStringLiteral("<tr style=\"%1\">").arg(row.css);
        QStringList texts;
        for (size_t k = 0; k < row.cells.size(); ++k) {
            const Cell& cell = row.cells[k];
            html += QStringLiteral("<td style=\"white-space:pre;line-height:%1px;padding:%2px %3px;text-align:%4;%5%6\">%7</td>")
                        .arg(rowHeight)
                        .arg(look.padY)
                        .arg(look.padX)
                        .arg(cell.right ? QStringLiteral("right") : QStringLiteral("left"), border, cell.css, escaped(cell.text));
            if (!cell.text.trimmed().isEmpty())
                texts << cell.text.trimmed();
            if (columns.size() <= k)
                columns.push_back(0);
            columns[k] = std::max(columns[k], textWidth(cell.text, size, m_style.mono) + 2 * look.padX + 2);
        }
        html += QStringLiteral("</tr>");
        m_lines << texts.join(QLatin1Char(' '));
        m_height += rowHeight + 2 * look.padY + (look.borders ? 1 : 0);
    }
    html += QStringLiteral("</table>");
    m_body += html;
    int width = 0;
    for (const int c : columns)
        width += c;
    m_width = std::max(m_width, width);
}

GeneratedPage Builder::finish(const QString& kind, const QString& variant, const QString& bodyCss) const
{
    constexpr int padding = 24;
    GeneratedPage page;
    page.kind = kind;
    page.variant = variant;
    page.html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body style=\"margin:0;padding:%1px;"
                               "background:%2;color:%3;font-family:%4;font-size:%5px;line-height:%6px;%7\">%8</body></html>")
                    .arg(padding)
                    .arg(m_style.ground, m_style.ink, m_style.family())
                    .arg(m_style.px)
                    .arg(m_style.lineHeight())
                    .arg(bodyCss, m_body);
    page.window = QSize(std::clamp(m_width + 2 * padding + 60, 480, 1800), std::clamp(m_height * 11 / 10 + 2 * padding + 40, 160, 4000));
    page.lines = m_lines;
    page.latinFace = m_style.latin;
    page.hanFace = m_style.han;
    page.pixelSize = m_style.px;
    page.dark = m_style.dark;
    return page;
}

} // namespace PageParts

bool GeneratedPage::chinese() const
{
    int ideographs = 0, all = 0;
    for (const uint c : lines.join(QString()).toUcs4()) {
        if (QChar::isSpace(c))
            continue;
        ++all;
        ideographs += QChar::script(c) == QChar::Script_Han;
    }
    return ideographs * 5 >= all && ideographs > 0;
}

QString GeneratedPage::description(int index) const
{
    QString faces = latinFace;
    if (!hanFace.isEmpty())
        faces += QStringLiteral(" + ") + hanFace;
    return QStringLiteral("%1 %2 (%3; %4 %5px, %6)")
        .arg(kind)
        .arg(index)
        .arg(variant, faces)
        .arg(pixelSize)
        .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"));
}

namespace GeneratedPages {

namespace {

using Kind = std::pair<QString, std::function<GeneratedPage(PageRandom&)>>;

const std::vector<Kind>& kindTable()
{
    static const std::vector<Kind> table = {
        {QStringLiteral("receipt"), PageKinds::receipt},     {QStringLiteral("invoice"), PageKinds::invoice},
        {QStringLiteral("terminal"), PageKinds::terminal},   {QStringLiteral("spreadsheet"), PageKinds::spreadsheet},
        {QStringLiteral("code"), PageKinds::code},           {QStringLiteral("chat"), PageKinds::chat},
        {QStringLiteral("dialog"), PageKinds::dialog},       {QStringLiteral("specsheet"), PageKinds::specSheet},
        {QStringLiteral("prose"), PageKinds::prose},
    };
    return table;
}

} // namespace

const QStringList& kinds()
{
    static const QStringList names = [] {
        QStringList out;
        for (const Kind& kind : kindTable())
            out << kind.first;
        return out;
    }();
    return names;
}

GeneratedPage page(std::uint32_t seed, int index, const QStringList& dealt)
{
    const QStringList& from = dealt.isEmpty() ? kinds() : dealt;
    const QString& name = from[index % from.size()];
    for (const Kind& kind : kindTable())
        if (kind.first == name) {
            PageRandom random(seed, index);
            return kind.second(random);
        }
    return {};
}

QStringList faces()
{
    return kSans + kSerif + kMono + kHanSimplified + kHanTraditional + kHanMonoSimplified + kHanMonoTraditional;
}

bool scriptPair(char32_t a, char32_t b)
{
    static const std::set<std::pair<char32_t, char32_t>> pairs = [] {
        std::set<std::pair<char32_t, char32_t>> out;
        static const QRegularExpression slot(QStringLiteral(R"(\{[a-z]+\})"));
        for (const HanPhrase& phrase : PageContent::allHanPhrases()) {
            const QStringList simplified = phrase.in(false).split(slot), traditional = phrase.in(true).split(slot);
            for (qsizetype part = 0; part < std::min(simplified.size(), traditional.size()); ++part) {
                const QList<uint> s = simplified[part].toUcs4(), t = traditional[part].toUcs4();
                if (s.size() != t.size())
                    continue;
                for (qsizetype k = 0; k < s.size(); ++k)
                    if (s[k] != t[k] && isIdeograph(s[k]) && isIdeograph(t[k])) {
                        out.emplace(char32_t(s[k]), char32_t(t[k]));
                        out.emplace(char32_t(t[k]), char32_t(s[k]));
                    }
            }
        }
        return out;
    }();
    return pairs.count({a, b}) > 0;
}

} // namespace GeneratedPages
