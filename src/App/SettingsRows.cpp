#include "App/SettingsRows.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

constexpr int kTextFlags = Qt::AlignLeading | Qt::AlignTop | Qt::TextWordWrap;
// A switch's text is not squeezed narrower than this before it wraps.
constexpr int kNarrowestText = 120;
// A row's wrapped text narrower than this reads as a column of a word or two a line.
constexpr int kNarrowestColumn = 120;
constexpr int kRowSpacing = 8;

QSizePolicy wrappingPolicy()
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    return policy;
}

} // namespace

// ---- SettingsSwitch -----------------------------------------------------------------------

SettingsSwitch::SettingsSwitch(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setSizePolicy(wrappingPolicy());
}

int SettingsSwitch::textIndent() const
{
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this)
        + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

int SettingsSwitch::verticalPadding() const
{
    // Kept for every number of lines, so a switch of one line looks as a check box does.
    return std::max(0, QCheckBox::sizeHint().height() - fontMetrics().height());
}

QRect SettingsSwitch::textRect(int width) const
{
    const int room = std::max(1, width - textIndent());
    return fontMetrics().boundingRect(QRect(0, 0, room, 100000), kTextFlags, text());
}

QSize SettingsSwitch::sizeHint() const
{
    // On one line where there is room; the layout asks heightForWidth for what it gives.
    const QSize line = QCheckBox::sizeHint();
    return {line.width(), heightForWidth(line.width())};
}

QSize SettingsSwitch::minimumSizeHint() const
{
    // Narrower when it must be; its height there is the layout's to ask (heightForWidth),
    // as a wrapping label's is.
    const int oneLine = QCheckBox::sizeHint().width();
    return {std::min(oneLine, textIndent() + kNarrowestText), heightForWidth(oneLine)};
}

int SettingsSwitch::heightForWidth(int width) const
{
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return std::max(indicator, textRect(width).height()) + verticalPadding();
}

void SettingsSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The indicator alone, level with the first line of text; the text is drawn beside it.
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    const int top = verticalPadding() / 2;
    option.text.clear();
    option.rect = QStyle::visualRect(
        layoutDirection(), rect(),
        QRect(0, top + (fontMetrics().height() - indicatorHeight) / 2, textIndent(), indicatorHeight));
    style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
    const QRect text(textIndent(), top, width() - textIndent(), height() - top);
    style()->drawItemText(&painter, QStyle::visualRect(layoutDirection(), rect(), text), kTextFlags, palette(),
                          isEnabled(), this->text(), QPalette::WindowText);
}

// ---- SettingsLabelledRow ------------------------------------------------------------------

SettingsLabelledRow::SettingsLabelledRow(const QString& text, QWidget* control, QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(text, this))
    , m_control(control)
{
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    control->setParent(this);
    control->show();
    setSizePolicy(wrappingPolicy());
}

QSize SettingsLabelledRow::controlSize() const
{
    return m_control->sizeHint().expandedTo(m_control->minimumSize()).boundedTo(m_control->maximumSize());
}

int SettingsLabelledRow::oneLineWidth() const
{
    const QMargins margins = m_label->contentsMargins();
    return m_label->fontMetrics().horizontalAdvance(m_label->text()) + margins.left() + margins.right() + 1;
}

QSize SettingsLabelledRow::sizeHint() const
{
    const int width = oneLineWidth() + kRowSpacing + controlSize().width();
    return {width, heightForWidth(width)};
}

QSize SettingsLabelledRow::minimumSizeHint() const
{
    // The height at the narrowest is the layout's to ask (heightForWidth).
    return {std::max(m_label->minimumSizeHint().width(), controlSize().width()), sizeHint().height()};
}

int SettingsLabelledRow::heightForWidth(int width) const
{
    return placement(width).height;
}

SettingsLabelledRow::Placement SettingsLabelledRow::placement(int width) const
{
    Placement p;
    const QSize control = controlSize();
    const int column = width - kRowSpacing - control.width();
    if (column >= std::min(oneLineWidth(), kNarrowestColumn)) {
        const int labelHeight = m_label->heightForWidth(column);
        p.height = std::max(labelHeight, control.height());
        p.label = QRect(0, (p.height - labelHeight) / 2, column, labelHeight);
        p.control = QRect(width - control.width(), (p.height - control.height()) / 2, control.width(),
                          control.height());
    } else {
        const int labelHeight = m_label->heightForWidth(width);
        const int controlWidth = std::min(control.width(), width);
        p.label = QRect(0, 0, width, labelHeight);
        p.control = QRect(width - controlWidth, labelHeight + kRowSpacing / 2, controlWidth, control.height());
        p.height = p.control.bottom() + 1;
    }
    return p;
}

void SettingsLabelledRow::place()
{
    const Placement p = placement(width());
    m_label->setGeometry(QStyle::visualRect(layoutDirection(), rect(), p.label));
    m_control->setGeometry(QStyle::visualRect(layoutDirection(), rect(), p.control));
}

void SettingsLabelledRow::resizeEvent(QResizeEvent*)
{
    place();
}

bool SettingsLabelledRow::event(QEvent* event)
{
    // The control changed its size (a longer text in a box): the row follows.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}
