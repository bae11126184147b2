#include "Views/ZoomMenu.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/ShortcutBinding.h"
#include "Models/ImageEditorViewModel.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

// The platform separator with 3 points of room above and below.
class MenuSeparator : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(10, 7); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(QRectF(0, 3, width(), 1), separatorColor(palette()));
    }
};

} // namespace

// ---- item ---------------------------------------------------------------------------------------

ZoomMenuItem::ZoomMenuItem(Kind kind, QString titleKey, QString hintKey, int hintOffset, QWidget* parent)
    : PressableWidget(parent)
    , m_kind(kind)
    , m_titleKey(std::move(titleKey))
    , m_hintKey(std::move(hintKey))
    , m_hintOffset(hintOffset)
{
    QFont f = font();
    if (kind == Kind::row) {
        f.setPixelSize(12);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        f.setPixelSize(10);
        f.setWeight(QFont::Medium);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumWidth(10);
    }
    setFont(f);
}

QString ZoomMenuItem::title() const { return m_kind == Kind::row ? localized(m_titleKey) : m_titleKey; }

QString ZoomMenuItem::hint() const
{
    return m_hintKey.isEmpty() ? QString() : shortcutDisplayText(ShortcutBinding::commandFlag, m_hintKey);
}

namespace {

// The hint is drawn with one point of tracking.
QFont hintFontOf(QFont font)
{
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    return font;
}

// Room between a row's title and its hint.
constexpr int kRowGap = 16;

} // namespace

QSize ZoomMenuItem::sizeHint() const
{
    const QFontMetrics metrics(font());
    if (m_kind == Kind::presetChip)
        return QSize(metrics.horizontalAdvance(m_titleKey) + 12, 20);
    // Title and hint side by side, never over each other, in every language.
    const int hintWidth = QFontMetrics(hintFontOf(font())).horizontalAdvance(hint()) + std::abs(m_hintOffset);
    return QSize(8 + metrics.horizontalAdvance(title()) + kRowGap + hintWidth + 8, metrics.height() + 8);
}

void ZoomMenuItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        painter.setOpacity(0.35);
    const QColor primary = palette().color(QPalette::WindowText);
    const QRectF frame = QRectF(rect());
    const bool live = isEnabled();
    if (m_kind == Kind::presetChip) {
        QPainterPath capsule;
        capsule.addRoundedRect(frame, frame.height() / 2.0, frame.height() / 2.0);
        painter.fillPath(capsule, withAlpha(primary, live && isPressed() ? 0.16 : live && isHovered() ? 0.11 : 0.06));
        painter.setPen(primary);
        painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine, m_titleKey);
        return;
    }
    if (live && (isHovered() || isPressed())) {
        QPainterPath highlight;
        highlight.addRoundedRect(frame, 5.0, 5.0);
        painter.fillPath(highlight, withAlpha(primary, isPressed() ? 0.14 : 0.08));
    }
    const QRectF text = frame.adjusted(8, 4, -8, -4);
    painter.setPen(primary);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    painter.setFont(hintFontOf(font()));
    painter.setPen(withAlpha(primary, 0.8));
    painter.drawText(text.translated(m_hintOffset, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, hint());
}

// ---- menu ---------------------------------------------------------------------------------------

const QList<int>& ZoomMenu::presets()
{
    static const QList<int> values = { 25, 50, 100, 200, 400, 800 };
    return values;
}

ZoomMenu::ZoomMenu(ImageEditorViewModel* viewModel, std::function<void()> onFitToWindow,
                   std::function<void()> onClose, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_onFitToWindow(std::move(onFitToWindow))
    , m_onClose(std::move(onClose))
{
    auto close = [this] {
        if (m_onClose)
            m_onClose();
    };
    m_fit = new ZoomMenuItem(ZoomMenuItem::Kind::row, QStringLiteral("tooltip.fitToWindow"), QStringLiteral("0"), 0,
                             this);
    m_actual = new ZoomMenuItem(ZoomMenuItem::Kind::row, QStringLiteral("tooltip.zoomOriginal"), QStringLiteral("1"),
                                -2, this);
    m_zoomIn = new ZoomMenuItem(ZoomMenuItem::Kind::row, QStringLiteral("tooltip.zoomIn"), QStringLiteral("+"), 0,
                                this);
    m_zoomOut = new ZoomMenuItem(ZoomMenuItem::Kind::row, QStringLiteral("tooltip.zoomOut"),
                                 QStringLiteral("\u2212"), 0, this);
    connect(m_fit, &ZoomMenuItem::clicked, this, [this, close] {
        if (m_onFitToWindow)
            m_onFitToWindow();
        close();
    });
    connect(m_actual, &ZoomMenuItem::clicked, this, [this, close] {
        m_viewModel->setZoomLevel(1.0);
        close();
    });
    connect(m_zoomIn, &ZoomMenuItem::clicked, this, [this, close] {
        m_viewModel->zoomIn();
        close();
    });
    connect(m_zoomOut, &ZoomMenuItem::clicked, this, [this, close] {
        m_viewModel->zoomOut();
        close();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_fit);
    layout->addWidget(m_actual);
    layout->addWidget(new MenuSeparator(this));
    layout->addWidget(m_zoomIn);
    layout->addWidget(m_zoomOut);
    layout->addWidget(new MenuSeparator(this));
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);
    for (int i = 0; i < presets().size(); ++i) {
        const int percent = presets()[i];
        auto* chip = new ZoomMenuItem(ZoomMenuItem::Kind::presetChip, QString::number(percent) + QStringLiteral("%"),
                                      QString(), 0, this);
        connect(chip, &ZoomMenuItem::clicked, this, [this, percent] { applyZoomPreset(percent); });
        grid->addWidget(chip, i / 3, i % 3);
        m_chips << chip;
    }
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);
    layout->addLayout(grid);

    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, &ZoomMenu::refresh);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, [this] {
        for (ZoomMenuItem* item : { m_fit, m_actual, m_zoomIn, m_zoomOut }) {
            item->updateGeometry();
            item->update();
        }
        updateGeometry();
    });
    refresh();
}

QSize ZoomMenu::sizeHint() const
{
    const QSize content = QWidget::sizeHint();
    return QSize(std::max(panelWidth - 2 * panelMargin, content.width()), content.height());
}

void ZoomMenu::applyZoomPreset(int percent)
{
    m_viewModel->setZoomLevel(double(percent) / 100.0);
    if (m_onClose)
        m_onClose();
}

void ZoomMenu::refresh()
{
    const double zoom = m_viewModel->zoomLevel();
    m_zoomIn->setEnabled(zoom < zoomInThreshold);
    m_zoomOut->setEnabled(zoom > zoomOutThreshold);
}
