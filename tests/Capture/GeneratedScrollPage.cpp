#include "GeneratedScrollPage.h"

#include "Capture/CaptureClock.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>

#include <array>

namespace GeneratedScrollPage {

namespace {

// splitmix64: the same numbers from a seed on every platform and library.
class Random {
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {
    }
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. range-1
    int below(int range) { return range <= 1 ? 0 : int(next() % quint64(range)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    quint64 m_state;
};

const QColor kBackground(255, 255, 255);
const QColor kSeparator(232, 232, 236);
const QColor kGreyPicture(204, 204, 204);
constexpr int kMaxRows = 1000;

const char* const kWords[] = {"river", "lantern", "copper", "meadow", "orbit", "velvet", "harbour", "thistle",
                              "quartz", "ember", "saffron", "willow", "granite", "pepper", "falcon", "ivory"};

QString wordsFor(int number, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QLatin1String(kWords[(number * 7 + i * 5 + i * i) % 16]) + QLatin1Char(' ');
    return text.trimmed();
}

// The strip colour's parts: the low byte of the number spread over red and blue, the
// high bits in green, whose few values no bar or background of the page uses.
int inverseOf73(int value)
{
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        for (int x = 0; x < 256; ++x)
            t[std::size_t((x * 73 + 17) & 255)] = x;
        return t;
    }();
    return table[std::size_t(value & 255)];
}

void drawTextRow(QPainter& painter, const Description& d, const Row& row)
{
    painter.fillRect(0, row.top + row.height - 1, d.stripX - 4, 1, kSeparator);
    painter.fillRect(d.stripX + d.stripWidth + 4, row.top + row.height - 1, d.width - d.stripX - d.stripWidth - 8, 1, kSeparator);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::min(d.fontPx, row.height - 6));
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    const int lineHeight = font.pixelSize() + 6;
    const int lines = std::max(1, std::min(4, (row.height - 4) / lineHeight));
    const int firstBaseline = row.top + (row.height - lines * lineHeight) / 2 + font.pixelSize() + 1;
    // Nothing but the row's own colour reaches its strip.
    painter.save();
    painter.setClipRect(0, row.top, d.stripX - 8, row.height);
    for (int l = 0; l < lines; ++l) {
        const QString text = l == 0 ? QStringLiteral("Row %1 · %2").arg(row.number).arg(wordsFor(row.number, 1 + row.number % 5))
                                    : wordsFor(row.number * 3 + l, 3 + (row.number + l) % 6);
        painter.drawText(12 + (l > 0 ? 16 : 0), firstBaseline + l * lineHeight, text);
    }
    if (row.number % 3 == 0) {
        painter.setPen(QColor(110, 110, 120));
        painter.drawText(d.stripX - 90, firstBaseline, QString::number(row.number * 37 % 1000));
    }
    painter.restore();
    // Right of the strip: the row's figures, as a table's last column.
    painter.setPen(QColor(60, 60, 70));
    painter.drawText(d.stripX + d.stripWidth + 12, firstBaseline, QStringLiteral("%1.%2").arg(row.number * 7919 % 9000 + 100).arg(row.number % 100));
}

void drawCardRow(QPainter& painter, const Description& d, const Row& row, std::vector<Picture>& pictures, Random& random,
                 bool late)
{
    const int usable = d.stripX - 20;
    const int cardWidth = (usable - 8 * (row.columns - 1)) / row.columns;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    painter.setFont(font);
    for (int c = 0; c < row.columns; ++c) {
        const QRect card(8 + c * (cardWidth + 8), row.top + 6, cardWidth, row.height - 12);
        painter.setPen(QColor(200, 200, 206));
        painter.setBrush(QColor(250, 250, 252));
        painter.drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        const QRect picture(card.x() + 8, card.y() + 8, card.width() - 16, card.height() - 40);
        const int number = (row.number - 1) * 4 + c + 1;
        QLinearGradient gradient(picture.topLeft(), picture.bottomRight());
        gradient.setColorAt(0, QColor::fromHsv(number * 47 % 360, 170, 210));
        gradient.setColorAt(1, QColor::fromHsv((number * 47 + 60) % 360, 90, 245));
        painter.fillRect(picture, gradient);
        pictures.push_back({picture, row.number, late ? random.between(500, 2000) : 0});
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(card.x() + 10, card.bottom() - 12,
                         QStringLiteral("Card %1.%2 · %3").arg(row.number).arg(c + 1).arg(wordsFor(number, 2)));
    }
}

void drawAnimated(QPainter& painter, const QRect& rect, qint64 frame)
{
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, QColor::fromHsv(int(frame * 11 % 360), 150, 230));
    const QColor bar = QColor::fromHsv(int((frame * 11 + 180) % 360), 200, 150);
    for (int x = rect.x() - 26 + int(frame * 5 % 26); x < rect.right(); x += 26)
        painter.fillRect(x, rect.y(), 12, rect.height(), bar);
    painter.restore();
}

} // namespace

const char* featureName(Feature feature)
{
    switch (feature) {
    case variedRows: return "variedRows";
    case cards: return "cards";
    case latePictures: return "latePictures";
    case header: return "header";
    case footer: return "footer";
    case animation: return "animation";
    case feed: return "feed";
    case loadingRow: return "loadingRow";
    case scrollbar: return "scrollbar";
    }
    return "?";
}

int Bar::heightAt(int scrolled) const
{
    const int s = std::clamp(scrolled, 0, overPx);
    return startPx + (endPx - startPx) * s / std::max(1, overPx);
}

QRgb rowColour(int number)
{
    const int low = number & 255, high = (number >> 8) & 3;
    return qRgb((low * 73 + 17) & 255, 30 + 50 * high, (low * 151 + 90) & 255);
}

int rowOfColour(QRgb colour)
{
    const int g = qGreen(colour) - 30;
    if (g < 0 || g % 50 != 0 || g / 50 > 3)
        return 0;
    const int number = (g / 50) * 256 + inverseOf73(qRed(colour));
    return number > 0 && rowColour(number) == (colour | 0xff000000u) ? number : 0;
}

int Description::pageHeight(int loaded) const
{
    const bool loading = has(feed) && has(loadingRow) && loaded < rowCount();
    return rowsEnd(loaded) + (loading ? loadingRowPx : 0) + bottomPad;
}

QString Description::mix() const
{
    QStringList names;
    for (int f = 0; f < featureCount; ++f)
        if (features & (1u << f))
            names << QLatin1String(featureName(Feature(1u << f)));
    return names.isEmpty() ? QStringLiteral("plain") : names.join(QLatin1Char('+'));
}

QString Description::summary() const
{
    return QStringLiteral("seed %1 page %2: %3; %4x%5 view, click %6 px, %7 rows, %8 px tall, selections %9 and %10 px")
        .arg(seed)
        .arg(index)
        .arg(mix())
        .arg(width)
        .arg(viewHeight)
        .arg(clickPx)
        .arg(rowCount())
        .arg(pageHeight(rowCount()))
        .arg(selectionHeights.at(0))
        .arg(selectionHeights.at(1));
}

Description describe(quint64 seed, int index)
{
    Random random(seed * 0x2545F4914F6CDD1Dull ^ (quint64(index) + 1) * 0x9E3779B97F4A7C15ull);
    Description d;
    d.seed = seed;
    d.index = index;
    const auto pick = [&](Feature f, int percent) {
        if (random.chance(percent))
            d.features |= f;
    };
    pick(variedRows, 50);
    pick(cards, 40);
    if (d.has(cards))
        pick(latePictures, 75);
    pick(header, 40);
    pick(footer, 30);
    pick(animation, 35);
    pick(feed, 35);
    if (d.has(feed))
        pick(loadingRow, 50);
    pick(scrollbar, 50);

    d.width = 560 + 60 * random.below(5);
    d.viewHeight = random.between(420, 900);
    static const int clicks[] = {40, 53, 57, 100, 120};
    d.clickPx = clicks[random.below(5)];
    d.scrollbarWidth = d.has(scrollbar) ? 12 : 0;
    d.stripWidth = 10;
    // Well inside the page, clear of where scrollbars are looked for.
    d.stripX = d.width * 3 / 4;
    d.fontPx = random.between(11, 16);
    if (d.has(header)) {
        d.headerBar.startPx = random.between(48, 137);
        d.headerBar.endPx = random.chance(75) ? random.between(32, d.headerBar.startPx - 8) : random.between(d.headerBar.startPx, 160);
        d.headerBar.overPx = random.between(60, 460);
    }
    if (d.has(footer)) {
        d.footerBar.startPx = random.between(30, 90);
        d.footerBar.endPx = random.between(30, 90);
        d.footerBar.overPx = random.between(100, 700);
    }
    d.topPad = d.has(header) ? d.headerBar.startPx : random.between(8, 48);
    // The page's last step: anywhere between nothing and a whole tick past the last full one.
    d.bottomPad = d.footerBar.tallest() + random.between(8, 160);

    // Rows: text, and where the page has cards, grids of them between runs of text.
    const int target = random.chance(6) ? random.between(18000, 24000) : random.between(2500, 9500);
    const int textHeight = random.between(24, 64);
    const int pitch = random.between(110, 260);
    const int columns = random.between(1, 4);
    const bool onlyCards = d.has(cards) && random.chance(35);
    Random pictureRandom(random.next());
    int y = d.topPad;
    bool cardSection = onlyCards;
    while (y < target && d.rowCount() < kMaxRows) {
        const int sectionRows = cardSection ? random.between(4, 25) : random.between(5, 40);
        for (int i = 0; i < sectionRows && y < target && d.rowCount() < kMaxRows; ++i) {
            Row row;
            row.number = d.rowCount() + 1;
            row.top = y;
            if (cardSection) {
                row.height = pitch;
                row.columns = columns;
            } else {
                row.height = !d.has(variedRows) ? textHeight : random.chance(25) ? random.between(60, 160) : random.between(22, 60);
            }
            d.rows.push_back(row);
            y += row.height;
        }
        if (d.has(cards) && !onlyCards)
            cardSection = !cardSection;
    }

    if (d.has(animation)) {
        for (int a = 0, count = random.between(1, 2); a < count; ++a) {
            const int maxWidth = std::min(d.width / 2, d.stripX - 16);
            const int w = random.between(40, maxWidth);
            const int x = random.between(0, d.stripX - 8 - w);
            Animated region;
            region.fixedInView = random.chance(70);
            if (region.fixedInView) {
                const bool fullHeight = random.chance(35);
                const int top = fullHeight ? 0 : random.below(d.viewHeight / 2);
                const int h = fullHeight ? d.viewHeight : random.between(30, d.viewHeight - top);
                region.rect = QRect(x, top, w, h);
            } else {
                // One draw at a time: the arguments of one call are evaluated in whatever
                // order the compiler picks, and the same seed must make the same page with
                // every compiler (these are the draws in the order GCC made them).
                const int h = random.between(30, 200);
                const int top = random.between(d.topPad, std::max(d.topPad, y - 200));
                region.rect = QRect(x, top, w, h);
            }
            d.animations.push_back(region);
        }
    }

    if (d.has(feed)) {
        // At first more than a view, at most half the rows.
        int first = 1;
        while (first < d.rowCount() && d.rowsEnd(first) < d.viewHeight + 200)
            ++first;
        d.firstRows = std::max(first, d.rowCount() * random.between(20, 50) / 100);
        d.batchRows = random.between(5, 30);
        const int loads = (d.rowCount() - d.firstRows + d.batchRows - 1) / d.batchRows;
        for (int l = 0; l < loads; ++l)
            d.loadDelaysMs.push_back(random.chance(12) ? random.between(3100, 5000) : random.between(200, 2500));
        if (d.loadDelaysMs.empty())
            d.features &= ~(feed | loadingRow);
    }
    if (!d.has(feed))
        d.firstRows = d.rowCount();

    // The pictures' delays come last, so that the rest of a page does not depend on them.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter ignored(&scratch);
    for (const Row& row : d.rows)
        if (row.columns > 0)
            drawCardRow(ignored, d, row, d.pictures, pictureRandom, d.has(latePictures));

    // The lowest selection scrolls two clicks' worth of rows above the footer.
    const int lowest = 2 * d.clickPx + d.footerBar.tallest();
    const int low = random.chance(30) ? lowest : random.between(lowest, d.viewHeight - 1);
    d.selectionHeights = {d.viewHeight, low};
    return d;
}

// ---- the page in a view ----------------------------------------------------------------------

View::View(const Description& description, CaptureClock& clock, QPoint viewOrigin)
    : m_description(description)
    , m_clock(clock)
    , m_origin(viewOrigin)
    , m_start(clock.now())
{
    const Description& d = m_description;
    m_page = QImage(d.width, d.pageHeight(d.rowCount()), QImage::Format_RGB32);
    m_page.fill(kBackground);
    QPainter painter(&m_page);
    painter.setRenderHint(QPainter::Antialiasing);
    std::vector<Picture> pictures;
    Random unused(0);
    for (const Row& row : d.rows) {
        if (d.documentation)
            drawDocumentationRow(painter, d, row);
        else if (row.columns > 0)
            drawCardRow(painter, d, row, pictures, unused, false);
        else
            drawTextRow(painter, d, row);
        painter.fillRect(d.stripX, row.top, d.stripWidth, row.height, QColor(rowColour(row.number)));
    }
    painter.end();
    m_shownAt.assign(d.pictures.size(), -1);
    m_loaded = d.has(feed) ? d.firstRows : d.rowCount();
    noteShown(0);
    scheduleLoad(0);
}

qint64 View::elapsedMs() const
{
    return m_start.msecsTo(m_clock.now());
}

int View::maxTop() const
{
    return std::max(0, m_description.pageHeight(m_loaded) - m_description.viewHeight);
}

void View::advance(qint64 t)
{
    // Loads that fell due since the page was last looked at, each at its own moment.
    while (m_loadAt && t >= *m_loadAt) {
        const qint64 at = *m_loadAt;
        m_loadAt.reset();
        m_loaded = std::min(m_description.rowCount(), m_loaded + m_description.batchRows);
        ++m_batch;
        noteShown(at);
        scheduleLoad(at);
    }
}

void View::noteShown(qint64 t)
{
    const Description& d = m_description;
    for (std::size_t i = 0; i < d.pictures.size(); ++i) {
        const Picture& p = d.pictures[i];
        if (m_shownAt[i] < 0 && p.row <= m_loaded && p.rect.bottom() >= m_top && p.rect.top() < m_top + d.viewHeight)
            m_shownAt[i] = t;
    }
}

void View::scheduleLoad(qint64 t)
{
    const Description& d = m_description;
    if (!d.has(feed) || m_loadAt || m_loaded >= d.rowCount() || d.rowsEnd(m_loaded) >= m_top + d.viewHeight)
        return;
    m_loadAt = t + d.loadDelaysMs[std::size_t(std::min<int>(m_batch, int(d.loadDelaysMs.size()) - 1))];
}

bool View::pictureLoaded(std::size_t i, qint64 t) const
{
    const int wait = m_description.pictures[i].loadMs;
    return wait == 0 || (m_shownAt[i] >= 0 && t >= m_shownAt[i] + wait);
}

QRect View::viewRect() const { return QRect(0, 0, m_description.width, m_description.viewHeight); }

QImage View::viewNow() { return drawn(viewRect()); }

// Only the part asked for is copied and drawn: a capture grabs its selection several times
// a tick, and whole views copied twice made the sweeps several times slower under the
// sanitizers, whose allocator maps every large image afresh.
QImage View::drawn(const QRect& part)
{
    const Description& d = m_description;
    const qint64 t = elapsedMs();
    advance(t);
    QImage view = m_page.copy(part.translated(0, m_top));
    QPainter painter(&view);
    painter.translate(-part.topLeft());
    const int loadedEnd = d.rowsEnd(m_loaded) - m_top;
    if (m_loaded < d.rowCount() && loadedEnd < d.viewHeight) {
        painter.fillRect(0, loadedEnd, d.width, d.viewHeight - loadedEnd, kBackground);
        if (d.has(loadingRow)) {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(14);
            painter.setFont(font);
            painter.setPen(QColor(120, 120, 120));
            painter.drawText(QRect(0, loadedEnd, d.stripX, Description::loadingRowPx), Qt::AlignCenter,
                             QStringLiteral("Loading more…"));
        }
    }
    for (std::size_t i = 0; i < d.pictures.size(); ++i) {
        const Picture& p = d.pictures[i];
        if (p.row <= m_loaded && p.rect.bottom() >= m_top && p.rect.top() < m_top + d.viewHeight && !pictureLoaded(i, t))
            painter.fillRect(p.rect.translated(0, -m_top), kGreyPicture);
    }
    const qint64 frame = t * 60 / 1000;
    for (const Animated& a : d.animations) {
        const QRect rect = a.fixedInView ? a.rect : a.rect.translated(0, -m_top);
        if (rect.bottom() >= 0 && rect.top() < d.viewHeight && (a.fixedInView || a.rect.top() < d.rowsEnd(m_loaded)))
            drawAnimated(painter, rect, frame);
    }
    if (d.documentation)
        drawDocumentationFixed(painter, d, m_top);
    if (d.headerBar.present()) {
        const int h = d.headerBar.heightAt(m_top);
        painter.fillRect(0, 0, d.width, h, QColor(52, 64, 88));
        painter.fillRect(0, h - 2, d.width, 2, QColor(30, 36, 50));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(std::clamp(h / 3, 10, 22));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(16, h - 12, QStringLiteral("Generated page %1/%2").arg(d.seed).arg(d.index));
    }
    if (d.footerBar.present()) {
        const int h = d.footerBar.heightAt(m_top);
        painter.fillRect(0, d.viewHeight - h, d.width, h, QColor(40, 44, 52));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(16, d.viewHeight - h / 2 + 5, QStringLiteral("This site uses cookies.  [Accept]"));
    }
    if (d.scrollbarWidth > 0) {
        const int track = d.viewHeight, document = d.pageHeight(m_loaded);
        const int thumb = std::max(20, track * track / std::max(track, document));
        const int thumbTop = maxTop() > 0 ? m_top * (track - thumb) / maxTop() : 0;
        painter.fillRect(d.width - d.scrollbarWidth, 0, d.scrollbarWidth, track, QColor(238, 238, 238));
        painter.fillRect(d.width - d.scrollbarWidth + 2, thumbTop, d.scrollbarWidth - 4, thumb, QColor(150, 150, 155));
    }
    return view;
}

QImage View::grab(const QRect& rootPixels, bool)
{
    const QRect part = rootPixels.translated(-m_origin);
    if (viewRect().contains(part))
        return drawn(part);
    return viewNow().copy(part);
}

bool View::scroll(const QPoint& rootPixel, int clicks)
{
    m_pointer = rootPixel;
    const bool first = m_clicks == 0 && clicks > 0 && m_description.firstClickPx > 0;
    m_clicks += std::abs(clicks);
    const qint64 t = elapsedMs();
    advance(t);
    const int moved = first ? m_description.firstClickPx + (clicks - 1) * m_description.clickPx
                            : clicks * m_description.clickPx;
    m_top = std::clamp(m_top + moved, 0, maxTop());
    noteShown(t);
    scheduleLoad(t);
    return true;
}

} // namespace GeneratedScrollPage
