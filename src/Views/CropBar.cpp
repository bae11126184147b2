#include "Views/CropBar.h"

#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/CanvasGeometry.h"
#include "Views/HoverTooltip.h"
#include "Views/ToolButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <climits>
#include <cmath>
#include <limits>

namespace {

bool hasArea(const QRectF& r) { return r.width() > 0.0 && r.height() > 0.0; }

QString rgba(QColor color, qreal alpha)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(qRound(alpha * 255));
}

// Whole numbers shown from a measure are rounded half away from zero.
QString roundedText(double value)
{
    const double r = std::round(value);
    if (!std::isfinite(r) || std::fabs(r) > 9.0e15)
        return CropBar::noSizeText;
    return QString::number(qint64(r));
}

// Rounded half away from zero, at least 1, and limited while still a double: an int
// conversion of a larger value is undefined.
int toWholePoints(double value)
{
    const double r = std::round(value);
    if (!(r >= 1.0))
        return 1;
    if (r >= double(INT_MAX))
        return INT_MAX;
    return int(r);
}

} // namespace

CropBar::CropBar(ImageEditorViewModel* viewModel, std::function<void()> onConfirmCrop, TooltipTimer* tooltipTimer,
                 QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_onConfirmCrop(std::move(onConfirmCrop))
{
    m_cancel = new ToolbarButton(QStringLiteral("xmark"), this);
    connect(m_cancel, &ToolbarButton::clicked, this, [this] { m_viewModel->selectTool(ToolType::none); });
    m_cancelTooltip = new HoverTooltip(m_cancel, QStringLiteral("action.cancel"), {}, tooltipTimer);

    auto makeField = [this](bool isWidth) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setFixedSize(fieldWidth + 12, fieldHeight);
        field->setPlaceholderText(QString());
        QFont f = field->font();
        f.setPixelSize(12);
        f.setWeight(QFont::Medium);
        field->setFont(f);
        field->setFocusPolicy(Qt::ClickFocus);
        connect(field, &QLineEdit::textChanged, this,
                [this, field, isWidth](const QString& text) { applyCropSizeFields(text, field->isEnabled(), isWidth); });
        // Return applies the crop from the fields as it does from the canvas: the size
        // typed is already the rectangle's.
        connect(field, &QLineEdit::returnPressed, this, [this] {
            setFieldFocused(false);
            if (hasSize() && m_onConfirmCrop)
                m_onConfirmCrop();
        });
        // A text field keeps Escape from the editor's keys; here it closes the size
        // editor, and the next Escape, no longer in a field, cancels the crop.
        field->installEventFilter(this);
        return field;
    };
    m_widthField = makeField(true);
    m_heightField = makeField(false);
    m_times = new QLabel(QStringLiteral("\u00d7"), this);
    QFont timesFont = m_times->font();
    timesFont.setPixelSize(12);
    m_times->setFont(timesFont);
    m_times->setForegroundRole(QPalette::PlaceholderText);

    m_hint = new QLabel(this);
    QFont hintFont = m_hint->font();
    hintFont.setPixelSize(11);
    m_hint->setFont(hintFont);
    m_hint->setForegroundRole(QPalette::PlaceholderText);
    m_hint->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_confirm = new ToolbarButton(QStringLiteral("checkmark"), this);
    m_confirm->setLook(ToolbarButton::Look::accentSquare);
    connect(m_confirm, &ToolbarButton::clicked, this, [this] {
        if (m_onConfirmCrop)
            m_onConfirmCrop();
    });
    m_confirmTooltip = new HoverTooltip(m_confirm, QStringLiteral("tooltip.cropConfirm"), {}, tooltipTimer);

    auto* fields = new QHBoxLayout();
    fields->setSpacing(4);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(m_widthField, 0, Qt::AlignVCenter);
    fields->addWidget(m_times, 0, Qt::AlignVCenter);
    fields->addWidget(m_heightField, 0, Qt::AlignVCenter);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);
    row->addWidget(new ToolbarDivider(this), 0, Qt::AlignVCenter);
    row->addLayout(fields);
    row->addWidget(m_hint, 0, Qt::AlignVCenter);
    row->addWidget(m_confirm, 0, Qt::AlignVCenter);

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
    connect(m_viewModel, &ImageEditorViewModel::cropChanged, this, &CropBar::modelCropChanged);
    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, [this] {
        if (!m_fieldFocused && !isHidden())
            syncCropSizeFields();
    });
    connect(m_viewModel, &ImageEditorViewModel::documentChanged, this, &CropBar::refresh);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &CropBar::refresh);

    styleFields();
    refresh();
}

// ---- arithmetic ---------------------------------------------------------------------------------

std::optional<qint64> CropBar::parseTypedSize(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    int start = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-')) {
        negative = text[0] == QLatin1Char('-');
        start = 1;
    }
    if (start >= text.size())
        return std::nullopt;
    // Accumulated towards the negative side, whose range is one larger.
    qint64 value = 0;
    for (int i = start; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - '0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == std::numeric_limits<qint64>::min())
        return std::nullopt;
    return -value;
}

double CropBar::imagePixelScale(const ImageEditorViewModel& viewModel)
{
    const auto& image = viewModel.selectedImage();
    if (!image || image->isNull())
        return 1.0;
    const double pointWidth = image->size().width();
    const double pixelWidth = image->pixelSize().width();
    if (!(pointWidth > 0.0) || !(pixelWidth > 0.0))
        return 1.0;
    return pixelWidth / pointWidth;
}

int CropBar::typedPixelsToPoints(qint64 pixels, double pixelScale)
{
    const double scale = pixelScale > 0.0 && std::isfinite(pixelScale) ? pixelScale : 1.0;
    return toWholePoints(double(pixels) / scale);
}

// ---- state --------------------------------------------------------------------------------------

QString CropBar::widthText() const { return m_widthField->text(); }
QString CropBar::heightText() const { return m_heightField->text(); }

bool CropBar::hasSize() const { return hasArea(m_viewModel->cropRect()); }

void CropBar::syncCropSizeFields()
{
    const QRectF crop = m_viewModel->cropRect();
    const double zoom = m_viewModel->zoomLevel();
    QString w = noSizeText;
    QString h = noSizeText;
    if (hasArea(crop) && zoom > 0.0) {
        const double scale = imagePixelScale(*m_viewModel);
        const QSizeF seen = shownSize(crop.size());
        w = roundedText(seen.width() / zoom * scale);
        h = roundedText(seen.height() / zoom * scale);
    }
    // Written while the editor is closed, so the change handlers leave the rectangle be.
    m_widthField->setText(w);
    m_heightField->setText(h);
}

void CropBar::applyCropSizeFields(const QString& text, bool enabled, bool isWidth)
{
    if (!m_fieldFocused || !enabled)
        return;
    const std::optional<qint64> typed = parseTypedSize(text);
    if (!typed || *typed <= 0)
        return;
    const double zoom = std::max(m_viewModel->zoomLevel(), 0.0001);
    // The field names a side as seen; on a quarter-turned view that is the image's other side.
    const bool imageWidth = isWidth != CanvasGeometry::isQuarterTurn(m_viewModel->rotation());
    const QRectF crop = m_viewModel->cropRect();
    const int other = toWholePoints((imageWidth ? crop.height() : crop.width()) / zoom);
    const int side = typedPixelsToPoints(*typed, imagePixelScale(*m_viewModel));
    if (imageWidth)
        m_viewModel->setCropSize(side, other);
    else
        m_viewModel->setCropSize(other, side);
}

QSizeF CropBar::shownSize(QSizeF imageFrameSize) const
{
    return CanvasGeometry::rotatedBounds(imageFrameSize, m_viewModel->rotation());
}

bool CropBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_widthField || watched == m_heightField)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            setFieldFocused(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CropBar::setFieldFocused(bool focused)
{
    if (focused == m_fieldFocused)
        return;
    m_fieldFocused = focused;
    m_changingFocus = true;
    if (focused) {
        if (!m_widthField->hasFocus() && !m_heightField->hasFocus())
            m_widthField->setFocus(Qt::OtherFocusReason);
    } else {
        if (m_widthField->hasFocus())
            m_widthField->clearFocus();
        if (m_heightField->hasFocus())
            m_heightField->clearFocus();
    }
    m_changingFocus = false;
    m_viewModel->setIsEditingCropSize(focused);
    if (!focused)
        syncCropSizeFields();
}

void CropBar::focusMoved(QWidget* now)
{
    if (m_changingFocus)
        return;
    const bool inField = now && (now == m_widthField || now == m_heightField);
    if (inField != m_fieldFocused)
        setFieldFocused(inField);
}

void CropBar::modelCropChanged()
{
    // Escape (and a crop drag) close the editor through the model.
    if (m_fieldFocused && !m_viewModel->isEditingCropSize())
        setFieldFocused(false);
    // The texts follow the rectangle only while the crop bar is shown; it rewrites
    // them itself each time it comes back.
    if (!m_fieldFocused && !isHidden())
        syncCropSizeFields();
    refresh();
}

void CropBar::refresh()
{
    const bool size = hasSize();
    m_hint->setText(localized(size ? QStringLiteral("crop.hint.adjust") : QStringLiteral("crop.hint.drag")));
    m_hint->setFixedSize(m_hint->sizeHint());
    m_confirm->setVisible(size);
    const bool wasEnabled = m_widthField->isEnabled();
    m_widthField->setEnabled(size);
    m_heightField->setEnabled(size);
    if (wasEnabled != size)
        styleFields();
    updateGeometry();
}

void CropBar::styleFields()
{
    const QColor primary = palette().color(QPalette::WindowText);
    const bool enabled = m_widthField->isEnabled();
    const QString style = QStringLiteral("QLineEdit { background: %1; color: %2; border: none; border-radius: 7px;"
                                         " padding: 0px 6px; }")
                              .arg(rgba(primary, enabled ? 0.06 : 0.03), rgba(primary, enabled ? 1.0 : 0.5));
    m_widthField->setStyleSheet(style);
    m_heightField->setStyleSheet(style);
}

void CropBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        styleFields();
    QWidget::changeEvent(event);
}
