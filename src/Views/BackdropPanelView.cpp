#include "Views/BackdropPanelView.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/ColorSwatch.h"
#include "Views/PropertyPanelControls.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

// ---- swatch ---------------------------------------------------------------------------------------

BackdropSwatch::BackdropSwatch(BackdropPreset preset, QWidget* parent)
    : QAbstractButton(parent)
    , m_preset(preset)
{
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    retranslate();
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &BackdropSwatch::retranslate);
}

void BackdropSwatch::retranslate()
{
    const QString name = localized(QStringLiteral("backdrop.preset.") + m_preset.rawValue());
    setToolTip(name);
    setAccessibleName(name);
}

void BackdropSwatch::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void BackdropSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame = QRectF(rect());
    constexpr double radius = 5.0;
    QPainterPath card;
    card.addRoundedRect(frame, radius, radius);
    QLinearGradient gradient(frame.center().x(), frame.top(), frame.center().x(), frame.bottom());
    gradient.setStops(m_preset.gradient());
    painter.fillPath(card, QBrush(gradient));
    // The border lies inside the card.
    const double width = m_selected ? 1.5 : 1.0;
    const QColor colour = m_selected ? swatchRingColor(palette()) : hairlineBorderColor(palette());
    const QRectF inner = frame.adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0);
    painter.setPen(QPen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius - width / 2.0, radius - width / 2.0);
}

// ---- panel ----------------------------------------------------------------------------------------

QString BackdropPanelView::lengthText(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.0e18)
        return QString::number(value) + QStringLiteral(" px");
    return QString::number(qint64(std::trunc(value))) + QStringLiteral(" px");
}

QString BackdropPanelView::strengthText(double value) { return panelPercentText(value); }

BackdropPanelView::BackdropPanelView(ImageEditorViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setFixedWidth(contentWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto* header = new QHBoxLayout();
    header->addWidget(new PanelText(PanelText::Role::title, QStringLiteral("panel.backdrop.title"), this), 0,
                      Qt::AlignVCenter);
    header->addStretch(1);
    auto* enableLabel = new PanelText(PanelText::Role::caption, QStringLiteral("panel.backdrop.enable"), this);
    header->addWidget(enableLabel, 0, Qt::AlignVCenter);
    m_enable = new PanelSwitch(this);
    header->addWidget(m_enable, 0, Qt::AlignVCenter);
    layout->addLayout(header);
    layout->addWidget(new PanelDivider(this));

    m_settings = new QWidget(this);
    m_settingsOpacity = new QGraphicsOpacityEffect(m_settings);
    m_settings->setGraphicsEffect(m_settingsOpacity);
    auto* settings = new QVBoxLayout(m_settings);
    settings->setContentsMargins(0, 0, 0, 0);
    settings->setSpacing(10);
    layout->addWidget(m_settings);

    // Presets: the solid colours in the first row, the gradients in the second.
    auto* presets = new QVBoxLayout();
    presets->setSpacing(6);
    presets->addWidget(new PanelText(PanelText::Role::caption, QStringLiteral("panel.backdrop.preset"), m_settings));
    QHBoxLayout* rows[2] = { new QHBoxLayout(), new QHBoxLayout() };
    for (QHBoxLayout* row : rows) {
        row->setSpacing(6);
        row->addStretch(1);
    }
    for (const BackdropPreset& preset : BackdropPreset::allCases()) {
        auto* swatch = new BackdropSwatch(preset, m_settings);
        rows[preset.isSolid() ? 0 : 1]->addWidget(swatch, 0, Qt::AlignVCenter);
        connect(swatch, &QAbstractButton::clicked, this, [this, preset] {
            if (!m_refreshing)
                selectPreset(preset);
        });
        m_swatches.append(swatch);
    }
    for (QHBoxLayout* row : rows) {
        row->addStretch(1);
        presets->addLayout(row);
    }
    settings->addLayout(presets);

    settings->addWidget(addSliderRow(m_settings, QStringLiteral("panel.backdrop.padding"), 0.0, 100.0, 1.0,
                                     &m_paddingReadout, &m_padding));
    settings->addWidget(addSliderRow(m_settings, QStringLiteral("panel.backdrop.cornerRadius"), 0.0, 40.0, 1.0,
                                     &m_cornerRadiusReadout, &m_cornerRadius));
    settings->addWidget(new PanelDivider(m_settings));
    auto* shadowRow = new QHBoxLayout();
    shadowRow->addWidget(new PanelText(PanelText::Role::caption, QStringLiteral("panel.backdrop.shadow"), m_settings),
                         0, Qt::AlignVCenter);
    shadowRow->addStretch(1);
    m_shadow = new PanelSwitch(m_settings);
    shadowRow->addWidget(m_shadow, 0, Qt::AlignVCenter);
    settings->addLayout(shadowRow);
    m_strengthRow = addSliderRow(m_settings, QStringLiteral("panel.backdrop.shadowStrength"), 0.0, 1.0, 0.05,
                                 &m_strengthReadout, &m_strength);
    settings->addWidget(m_strengthRow);

    ImageEditorViewModel* vm = m_viewModel;
    connect(m_enable, &QAbstractButton::toggled, this, [this, vm](bool on) {
        if (!m_refreshing)
            vm->setBackdropEnabled(on);
    });
    connect(m_shadow, &QAbstractButton::toggled, this, [this, vm](bool on) {
        if (!m_refreshing)
            vm->setCurrentBackdropShadowEnabled(on);
    });
    connect(m_padding, &QAbstractSlider::valueChanged, this, [this, vm](int position) {
        if (!m_refreshing)
            vm->setCurrentBackdropPadding(m_padding->valueAt(position));
    });
    connect(m_cornerRadius, &QAbstractSlider::valueChanged, this, [this, vm](int position) {
        if (!m_refreshing)
            vm->setCurrentBackdropCornerRadius(m_cornerRadius->valueAt(position));
    });
    connect(m_strength, &QAbstractSlider::valueChanged, this, [this, vm](int position) {
        if (!m_refreshing)
            vm->setCurrentBackdropShadowIntensity(m_strength->valueAt(position));
    });
    // The switch and every backdrop field announce themselves as style changes.
    connect(vm, &ImageEditorViewModel::stylesChanged, this, &BackdropPanelView::refresh);
    refresh();
}

QWidget* BackdropPanelView::addSliderRow(QWidget* parent, const QString& captionKey, double minimum, double maximum,
                                         double step, PanelValueReadout** readout, PanelSlider** slider)
{
    auto* row = new QWidget(parent);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    *readout = new PanelValueReadout(captionKey, row);
    (*readout)->valueText()->setMonospacedDigits(true);
    *slider = new PanelSlider(minimum, maximum, step, row);
    layout->addWidget(*readout);
    layout->addWidget(*slider);
    return row;
}

void BackdropPanelView::selectPreset(BackdropPreset preset)
{
    // The model's setter stores the tool styles when they are remembered.
    m_viewModel->setCurrentBackdropPreset(preset);
}

double BackdropPanelView::settingsOpacity() const { return m_settingsOpacity->opacity(); }

void BackdropPanelView::refresh()
{
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    const ImageEditorViewModel& vm = *m_viewModel;
    const bool enabled = vm.isBackdropEnabled();
    m_enable->setChecked(enabled);
    m_settings->setEnabled(enabled);
    m_settingsOpacity->setOpacity(enabled ? 1.0 : disabledOpacity);

    const QString current = vm.currentBackdropPreset().rawValue();
    for (BackdropSwatch* swatch : std::as_const(m_swatches))
        swatch->setSelected(swatch->preset().rawValue() == current);

    // The readouts show the true values; the knobs the nearest step they can show.
    m_paddingReadout->setValueText(lengthText(vm.currentBackdropPadding()));
    m_padding->setValue(m_padding->positionFor(vm.currentBackdropPadding()));
    m_cornerRadiusReadout->setValueText(lengthText(vm.currentBackdropCornerRadius()));
    m_cornerRadius->setValue(m_cornerRadius->positionFor(vm.currentBackdropCornerRadius()));
    m_shadow->setChecked(vm.currentBackdropShadowEnabled());
    m_strengthRow->setVisible(vm.currentBackdropShadowEnabled());
    m_strengthReadout->setValueText(strengthText(vm.currentBackdropShadowIntensity()));
    m_strength->setValue(m_strength->positionFor(vm.currentBackdropShadowIntensity()));
    m_refreshing = wasRefreshing;
}
