#include "Views/ToolPropertyPanels.h"

#include "Core/LanguageRefresh.h"
#include "Models/AnnotationStyles.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/TextLayout.h"
#include "Views/PanelStyleIcons.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

using VM = ImageEditorViewModel;

// The option images: symbols are shown at their own size, drawn icons in a 14-point frame.
PanelOption symbolOption(PanelSymbol symbol, const QString& key = {})
{
    return PanelOption { [symbol](QPainter& painter, const QRectF& frame, const QColor& color) {
                            const QRectF box(frame.center() - QPointF(7.5, 7.5), QSizeF(15.0, 15.0));
                            paintPanelSymbol(painter, box, symbol, color);
                        },
                         key };
}

PanelOption iconOption(PanelStyleIcon icon, const QString& key)
{
    return PanelOption { [icon](QPainter& painter, const QRectF& frame, const QColor& color) {
                            paintPanelStyleIcon(painter, frame, icon, color);
                        },
                         key };
}

QList<QPair<ArrowHeadStyle, PanelOption>> arrowHeadOptions()
{
    return {
        { ArrowHeadStyle::open, symbolOption(PanelSymbol::chevronRight, QStringLiteral("style.open")) },
        { ArrowHeadStyle::filled, symbolOption(PanelSymbol::arrowTriangleRightFill, QStringLiteral("style.filled")) },
        { ArrowHeadStyle::dot, symbolOption(PanelSymbol::circleFill, QStringLiteral("style.dot")) },
    };
}

QList<QPair<LineStyle, PanelOption>> lineStyleOptions()
{
    return {
        { LineStyle::solid, symbolOption(PanelSymbol::lineDiagonal, QStringLiteral("line.style.solid")) },
        { LineStyle::dashed, iconOption(PanelStyleIcon::dashedLine, QStringLiteral("line.style.dashed")) },
        { LineStyle::dotted, iconOption(PanelStyleIcon::dottedEndpoints, QStringLiteral("line.style.dotted")) },
    };
}

QList<QPair<LineCapStyle, PanelOption>> freehandCapOptions()
{
    return {
        { LineCapStyle::round, symbolOption(PanelSymbol::circleFill, QStringLiteral("cap.round")) },
        { LineCapStyle::butt, symbolOption(PanelSymbol::rectangleFill, QStringLiteral("cap.butt")) },
        { LineCapStyle::taper, symbolOption(PanelSymbol::triangleFill, QStringLiteral("cap.taper")) },
    };
}

// A highlighter has no tapered tip; a tapered freehand style shows no option selected.
QList<QPair<LineCapStyle, PanelOption>> highlighterCapOptions()
{
    return {
        { LineCapStyle::round, symbolOption(PanelSymbol::circleFill, QStringLiteral("panel.highlighter.capRound")) },
        { LineCapStyle::butt, symbolOption(PanelSymbol::rectangleFill, QStringLiteral("panel.highlighter.capButt")) },
    };
}

QList<QPair<ShapeType, PanelOption>> shapeOptions()
{
    return {
        { ShapeType::rectangle, symbolOption(PanelSymbol::rectangle) },
        { ShapeType::roundedRectangle, symbolOption(PanelSymbol::rectangleRoundedTop) },
        { ShapeType::circle, symbolOption(PanelSymbol::circle) },
    };
}

QList<QPair<NumberShape, PanelOption>> numberShapeOptions()
{
    return {
        { NumberShape::circle, iconOption(PanelStyleIcon::circle, QStringLiteral("panel.number.shape.circle")) },
        { NumberShape::teardrop, iconOption(PanelStyleIcon::teardrop, QStringLiteral("panel.number.shape.teardrop")) },
    };
}

// Getter and setter of one view-model property as functions.
template <typename T, typename Get, typename Set>
std::pair<std::function<T()>, std::function<void(T)>> bind(VM* vm, Get get, Set set)
{
    return { [vm, get] { return T((vm->*get)()); }, [vm, set](T value) { (vm->*set)(value); } };
}

// The same, where the panel shows the style of the annotation that a change acts on
// (`styled`, the selected one) while there is one, and the current style otherwise.
// Writing sets the current style, which the annotation then takes.
template <typename T, typename Styled, typename Field, typename Get, typename Set>
std::pair<std::function<T()>, std::function<void(T)>> bindShown(VM* vm, Styled styled, Field field, Get get, Set set)
{
    return { [vm, styled, field, get] {
                if (const auto annotation = (vm->*styled)())
                    return T((*annotation).*field);
                return T((vm->*get)());
            },
             [vm, set](T value) { (vm->*set)(value); } };
}

} // namespace

// ---- the frame and its items ------------------------------------------------------------------

ToolPropertyPanel::ToolPropertyPanel(ImageEditorViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_layout(new QVBoxLayout(this))
    , m_appLanguageRaw(LanguageRefresh::shared().lastRaw())
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(itemSpacing);
    m_layout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setMinimumWidth(minimumPanelWidth);
    connect(m_viewModel, &ImageEditorViewModel::stylesChanged, this, &ToolPropertyPanel::refresh);
    // What is selected, and its style, show too.
    connect(m_viewModel, &ImageEditorViewModel::selectionChanged, this, &ToolPropertyPanel::refresh);
    connect(m_viewModel, &ImageEditorViewModel::annotationsChanged, this, &ToolPropertyPanel::refresh);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, [this] {
        m_appLanguageRaw = LanguageRefresh::shared().lastRaw();
        updateGeometry();
    });
}

QSize ToolPropertyPanel::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    hint.setWidth(std::max(hint.width(), minimumPanelWidth));
    return hint;
}

void ToolPropertyPanel::refresh()
{
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    for (const auto& refresher : m_refreshers)
        refresher();
    m_refreshing = wasRefreshing;
}

void ToolPropertyPanel::addRefresher(std::function<void()> refresher)
{
    m_refreshers.append(refresher);
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    refresher();
    m_refreshing = wasRefreshing;
}

PanelText* ToolPropertyPanel::addTitle(const QString& key)
{
    m_title = new PanelText(PanelText::Role::title, key, this);
    m_layout->addWidget(m_title);
    return m_title;
}

void ToolPropertyPanel::addDivider()
{
    m_layout->addWidget(new PanelDivider(this));
}

PanelText* ToolPropertyPanel::addCaption(const QString& key)
{
    auto* caption = new PanelText(PanelText::Role::caption, key, this);
    m_layout->addWidget(caption);
    return caption;
}

PanelSegmentedPicker* ToolPropertyPanel::addOptionRowImpl(const QString& captionKey, int width,
                                                          const QList<PanelOption>& images,
                                                          std::function<std::optional<int>()> indexOf,
                                                          std::function<void(int)> pick)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new PanelText(PanelText::Role::caption, captionKey, row), 0, Qt::AlignVCenter);
    layout->addStretch(1);
    auto* picker = new PanelSegmentedPicker(images, width, row);
    layout->addWidget(picker, 0, Qt::AlignVCenter);
    m_layout->addWidget(row);
    connect(picker, &PanelSegmentedPicker::optionPicked, this, [this, pick](int index) {
        if (acceptsUserChanges())
            pick(index);
    });
    addRefresher([picker, indexOf] { picker->setSelectedIndex(indexOf()); });
    return picker;
}

ToolPropertyPanel::SliderRow ToolPropertyPanel::addSliderRow(const QString& captionKey,
                                                             std::function<QString(double)> format, double minimum,
                                                             double maximum, double step, std::function<double()> get,
                                                             std::function<void(double)> set)
{
    SliderRow row;
    row.readout = new PanelValueReadout(captionKey, this);
    row.slider = new PanelSlider(minimum, maximum, step, this);
    m_layout->addWidget(row.readout);
    m_layout->addWidget(row.slider);
    PanelSlider* slider = row.slider;
    connect(slider, &QAbstractSlider::valueChanged, this, [this, slider, set](int position) {
        if (acceptsUserChanges())
            set(slider->valueAt(position));
    });
    PanelValueReadout* readout = row.readout;
    addRefresher([readout, slider, format, get] {
        const double value = get();
        // The readout shows the true value; the knob the nearest step it can show.
        readout->setValueText(format(value));
        slider->setValue(slider->positionFor(value));
    });
    return row;
}

ColorPickerView* ToolPropertyPanel::addColorPicker(std::function<RgbaColor()> get, std::function<void(RgbaColor)> set)
{
    auto* picker = new ColorPickerView({ get, [this, set](RgbaColor color) {
                                            if (acceptsUserChanges())
                                                set(color);
                                        } },
                                       this);
    m_layout->addWidget(picker, 0, Qt::AlignLeft);
    addRefresher([picker] { picker->refresh(); });
    return picker;
}

OptionalColorPickerView* ToolPropertyPanel::addOptionalColorPicker(std::function<std::optional<RgbaColor>()> get,
                                                                   std::function<void(std::optional<RgbaColor>)> set)
{
    auto* picker = new OptionalColorPickerView({ get, [this, set](std::optional<RgbaColor> color) {
                                                    if (acceptsUserChanges())
                                                        set(color);
                                                } },
                                               this);
    m_layout->addWidget(picker, 0, Qt::AlignLeft);
    addRefresher([picker] { picker->refresh(); });
    return picker;
}

PanelPopUpPicker* ToolPropertyPanel::addPopUpRow(const QString& captionKey)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new PanelText(PanelText::Role::caption, captionKey, row);
    caption->setMinimumWidth(64);
    layout->addWidget(caption, 0, Qt::AlignLeft | Qt::AlignVCenter);
    auto* picker = new PanelPopUpPicker(row);
    layout->addWidget(picker, 1);
    m_layout->addWidget(row);
    return picker;
}

// ---- arrow, line, freehand --------------------------------------------------------------------

WidthSliderPanel::WidthSliderPanel(ImageEditorViewModel* viewModel, QWidget* parent)
    : ToolPropertyPanel(viewModel, parent)
{
}

void WidthSliderPanel::build(const QString& titleKey, const std::function<PanelSegmentedPicker*()>& addOptions,
                             std::function<double()> getWidth, std::function<void(double)> setWidth,
                             std::function<RgbaColor()> getColor, std::function<void(RgbaColor)> setColor)
{
    addTitle(titleKey);
    addDivider();
    m_optionPicker = addOptions();
    addDivider();
    m_width = addSliderRow(QStringLiteral("panel.lineWidth"), panelPixelText, 1, 12, 1, getWidth, setWidth);
    addDivider();
    addCaption(QStringLiteral("panel.color"));
    m_colorPicker = addColorPicker(getColor, setColor);
}

ArrowPropertyView::ArrowPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : WidthSliderPanel(vm, parent)
{
    auto [getHead, setHead] = bindShown<ArrowHeadStyle>(vm, &VM::styledArrow, &ArrowAnnotation::headStyle, &VM::currentArrowHeadStyle, &VM::setCurrentArrowHeadStyle);
    auto [getWidth, setWidth] = bindShown<double>(vm, &VM::styledArrow, &ArrowAnnotation::lineWidth, &VM::currentArrowLineWidth, &VM::setCurrentArrowLineWidth);
    auto [getColor, setColor] = bindShown<RgbaColor>(vm, &VM::styledArrow, &ArrowAnnotation::color, &VM::currentArrowColor, &VM::setCurrentArrowColor);
    build(QStringLiteral("panel.arrow.title"),
          [&, &getHead = getHead, &setHead = setHead] { return addOptionRow<ArrowHeadStyle>(QStringLiteral("panel.arrowStyle"), 120, arrowHeadOptions(), getHead, setHead); },
          getWidth, setWidth, getColor, setColor);
}

LinePropertyView::LinePropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : WidthSliderPanel(vm, parent)
{
    auto [getStyle, setStyle] = bindShown<LineStyle>(vm, &VM::styledLine, &LineAnnotation::lineStyle, &VM::currentLineStyle, &VM::setCurrentLineStyle);
    auto [getWidth, setWidth] = bindShown<double>(vm, &VM::styledLine, &LineAnnotation::lineWidth, &VM::currentLineLineWidth, &VM::setCurrentLineLineWidth);
    auto [getColor, setColor] = bindShown<RgbaColor>(vm, &VM::styledLine, &LineAnnotation::color, &VM::currentLineColor, &VM::setCurrentLineColor);
    build(QStringLiteral("panel.line.title"),
          [&, &getStyle = getStyle, &setStyle = setStyle] { return addOptionRow<LineStyle>(QStringLiteral("panel.lineStyle"), 120, lineStyleOptions(), getStyle, setStyle); },
          getWidth, setWidth, getColor, setColor);
}

FreehandPropertyView::FreehandPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : WidthSliderPanel(vm, parent)
{
    auto [getCap, setCap] = bindShown<LineCapStyle>(vm, &VM::styledFreehand, &FreehandAnnotation::capStyle, &VM::currentFreehandLineCap, &VM::setCurrentFreehandLineCap);
    auto [getWidth, setWidth] = bindShown<double>(vm, &VM::styledFreehand, &FreehandAnnotation::lineWidth, &VM::currentFreehandLineWidth, &VM::setCurrentFreehandLineWidth);
    auto [getColor, setColor] = bindShown<RgbaColor>(vm, &VM::styledFreehand, &FreehandAnnotation::color, &VM::currentFreehandColor, &VM::setCurrentFreehandColor);
    build(QStringLiteral("panel.freehand.title"),
          [&, &getCap = getCap, &setCap = setCap] { return addOptionRow<LineCapStyle>(QStringLiteral("panel.capStyle"), 150, freehandCapOptions(), getCap, setCap); },
          getWidth, setWidth, getColor, setColor);
}

// ---- rectangle ----------------------------------------------------------------------------------

RectanglePropertyView::RectanglePropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    auto [getShape, setShape] = bindShown<ShapeType>(vm, &VM::styledRectangle, &RectangleAnnotation::shapeType, &VM::currentShapeType, &VM::setCurrentShapeType);
    auto [getWidth, setWidth] = bindShown<double>(vm, &VM::styledRectangle, &RectangleAnnotation::lineWidth, &VM::currentRectLineWidth, &VM::setCurrentRectLineWidth);
    auto [getStroke, setStroke] = bindShown<RgbaColor>(vm, &VM::styledRectangle, &RectangleAnnotation::strokeColor, &VM::currentStrokeColor, &VM::setCurrentStrokeColor);
    auto [getFill, setFill] = bindShown<std::optional<RgbaColor>>(vm, &VM::styledRectangle, &RectangleAnnotation::fillColor, &VM::currentFillColor, &VM::setCurrentFillColor);
    addTitle(QStringLiteral("panel.rectangle.title"));
    addDivider();
    m_shapePicker = addOptionRow<ShapeType>(QStringLiteral("panel.shape"), 120, shapeOptions(), getShape, setShape);
    m_width = addSliderRow(QStringLiteral("panel.rectLineWidth"), panelPixelText, 1, 12, 1, getWidth, setWidth);
    addDivider();
    addCaption(QStringLiteral("panel.strokeColor"));
    m_strokeColorPicker = addColorPicker(getStroke, setStroke);
    addDivider();
    addCaption(QStringLiteral("panel.fillColor"));
    m_fillColorPicker = addOptionalColorPicker(getFill, setFill);
}

// ---- text ---------------------------------------------------------------------------------------

TextPropertyView::TextPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    for (int size = 12; size <= 48; size += 2)
        m_fontSizes.append(double(size));
    // The design's names stay; beside each, the face that really draws it here.
    for (const TextLayout::FontChoice& choice : TextLayout::fontChoices()) {
        const QString drawn = TextLayout::drawnFamily(choice.fontName);
        m_fonts.append({ drawn == choice.label ? choice.label : choice.label + QStringLiteral(" \u2014 ") + drawn,
                         choice.fontName });
    }

    addTitle(QStringLiteral("panel.text.title"));
    addDivider();
    m_fontSizePicker = addPopUpRow(QStringLiteral("panel.fontSize"));
    for (double size : m_fontSizes)
        m_fontSizePicker->addItem(QString::number(qint64(size)) + QStringLiteral("px"), size);
    m_fontPicker = addPopUpRow(QStringLiteral("panel.font"));
    for (const auto& [label, name] : m_fonts)
        m_fontPicker->addItem(label, name);
    addDivider();
    addCaption(QStringLiteral("panel.textColor"));
    auto [getColor, setColor] = bind<RgbaColor>(vm, &VM::currentTextColor, &VM::setCurrentTextColor);
    m_colorPicker = addColorPicker(getColor, setColor);

    // Only a user's choice writes: activated is not sent for changes made in code.
    connect(m_fontSizePicker, &QComboBox::activated, this, [this, vm](int index) {
        if (acceptsUserChanges() && index >= 0)
            vm->setCurrentFontSize(m_fontSizePicker->itemData(index).toDouble());
    });
    connect(m_fontPicker, &QComboBox::activated, this, [this, vm](int index) {
        if (acceptsUserChanges() && index >= 0)
            vm->setCurrentFontName(m_fontPicker->itemData(index).toString());
    });
    addRefresher([this, vm] {
        m_fontSizePicker->selectData(vm->currentFontSize());
        m_fontPicker->selectData(vm->currentFontName());
    });
}

// ---- highlighter ------------------------------------------------------------------------------

HighlighterPropertyView::HighlighterPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    auto [getCap, setCap] = bindShown<LineCapStyle>(vm, &VM::styledFreehand, &FreehandAnnotation::capStyle, &VM::currentFreehandLineCap, &VM::setCurrentFreehandLineCap);
    auto [getAlpha, setAlpha] = bindShown<double>(vm, &VM::styledFreehand, &FreehandAnnotation::highlighterAlpha, &VM::currentHighlighterAlpha, &VM::setCurrentHighlighterAlpha);
    auto [getWidth, setWidth] = bindShown<double>(vm, &VM::styledFreehand, &FreehandAnnotation::lineWidth, &VM::currentFreehandLineWidth, &VM::setCurrentFreehandLineWidth);
    auto [getColor, setColor] = bindShown<RgbaColor>(vm, &VM::styledFreehand, &FreehandAnnotation::color, &VM::currentFreehandColor, &VM::setCurrentFreehandColor);
    addTitle(QStringLiteral("panel.highlighter.title"));
    addDivider();
    m_capPicker = addOptionRow<LineCapStyle>(QStringLiteral("panel.highlighter.shape"), 120, highlighterCapOptions(),
                                             getCap, setCap);
    addDivider();
    m_alpha = addSliderRow(QStringLiteral("panel.highlighter.alpha"), panelPercentText, 0.2, 0.8, 0.05, getAlpha, setAlpha);
    addDivider();
    m_width = addSliderRow(QStringLiteral("panel.lineWidth"), panelPixelText, 1, 12, 1, getWidth, setWidth);
    addDivider();
    addCaption(QStringLiteral("panel.color"));
    m_colorPicker = addColorPicker(getColor, setColor);
}

// ---- number -------------------------------------------------------------------------------------

NumberPropertyView::NumberPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    auto [getShape, setShape] = bindShown<NumberShape>(vm, &VM::styledNumber, &NumberAnnotation::shape, &VM::currentNumberShape, &VM::setCurrentNumberShape);
    auto [getSize, setSize] = bindShown<double>(vm, &VM::styledNumber, &NumberAnnotation::diameter, &VM::currentNumberDiameter, &VM::setCurrentNumberDiameter);
    auto [getColor, setColor] = bindShown<RgbaColor>(vm, &VM::styledNumber, &NumberAnnotation::color, &VM::currentNumberColor, &VM::setCurrentNumberColor);
    addTitle(QStringLiteral("panel.number.title"));
    addDivider();
    m_shapePicker = addOptionRow<NumberShape>(QStringLiteral("panel.number.shape"), 120, numberShapeOptions(), getShape,
                                              setShape);
    addDivider();
    m_size = addSliderRow(QStringLiteral("panel.number.size"), panelPixelText, 16, 64, 1, getSize, setSize);
    addDivider();
    addCaption(QStringLiteral("panel.number.color"));
    m_colorPicker = addColorPicker(getColor, setColor);
}

// ---- mosaic and spotlight -----------------------------------------------------------------------

MosaicPropertyView::MosaicPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    auto [getStrength, setStrength] = bindShown<double>(vm, &VM::styledRectangle, &RectangleAnnotation::mosaicIntensity, &VM::currentMosaicIntensity, &VM::setCurrentMosaicIntensity);
    addTitle(QStringLiteral("panel.mosaic.title"));
    addDivider();
    m_strength = addSliderRow(QStringLiteral("panel.mosaic.strength"), panelPlainText, 1, 10, 1, getStrength, setStrength);
}

SpotlightPropertyView::SpotlightPropertyView(ImageEditorViewModel* vm, QWidget* parent)
    : ToolPropertyPanel(vm, parent)
{
    auto [getShape, setShape] = bindShown<ShapeType>(vm, &VM::styledRectangle, &RectangleAnnotation::shapeType, &VM::currentShapeType, &VM::setCurrentShapeType);
    auto [getDim, setDim] = bindShown<double>(vm, &VM::styledRectangle, &RectangleAnnotation::spotlightDim, &VM::currentSpotlightDim, &VM::setCurrentSpotlightDim);
    addTitle(QStringLiteral("panel.spotlight.title"));
    addDivider();
    m_shapePicker = addOptionRow<ShapeType>(QStringLiteral("panel.shape"), 120, shapeOptions(), getShape, setShape);
    addDivider();
    m_dim = addSliderRow(QStringLiteral("panel.spotlight.dim"), panelPercentText, 0.1, 0.8, 0.05, getDim, setDim);
    m_dim.readout->valueText()->setMonospacedDigits(true);
}

ToolPropertyPanel* makeToolPropertyPanel(ToolType tool, ImageEditorViewModel* viewModel, QWidget* parent)
{
    switch (tool) {
    case ToolType::line:
        return new LinePropertyView(viewModel, parent);
    case ToolType::arrow:
        return new ArrowPropertyView(viewModel, parent);
    case ToolType::rectangle:
        return new RectanglePropertyView(viewModel, parent);
    case ToolType::text:
        return new TextPropertyView(viewModel, parent);
    case ToolType::freehand:
        return new FreehandPropertyView(viewModel, parent);
    case ToolType::highlighter:
        return new HighlighterPropertyView(viewModel, parent);
    case ToolType::number:
        return new NumberPropertyView(viewModel, parent);
    case ToolType::mosaic:
        return new MosaicPropertyView(viewModel, parent);
    case ToolType::spotlight:
        return new SpotlightPropertyView(viewModel, parent);
    case ToolType::none:
    case ToolType::crop:
    case ToolType::pan:
        break;
    }
    return nullptr;
}
