#include "App/SettingsForm.h"

#include "App/SettingsRows.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QVBoxLayout>


namespace {

class WheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* control = static_cast<QWidget*>(watched);
        if (event->type() != QEvent::Wheel || control->hasFocus() || !control->parentWidget())
            return false;
        // The form scrolls instead (the event climbs from the parent until one takes it).
        QCoreApplication::sendEvent(control->parentWidget(), event);
        return true;
    }
};

// Sizes relative to the 13-point body text of the desktop they are shown on.
QFont scaledFont(const QFont& base, double points)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * points / 13.0);
    return font;
}

// Paints the information symbol in the label's text colour.
class InfoSymbol : public QWidget {
public:
    explicit InfoSymbol(QWidget* parent) : QWidget(parent) { setFixedSize(12, 12); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor color = palette().color(QPalette::PlaceholderText);
        painter.setPen(QPen(color, 1.1));
        painter.drawEllipse(QRectF(rect()).adjusted(0.8, 0.8, -0.8, -0.8));
        const qreal x = width() / 2.0;
        painter.drawLine(QPointF(x, height() * 0.45), QPointF(x, height() * 0.75));
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(x, height() * 0.28), 0.9, 0.9);
    }
};

} // namespace

QLabel* settingsHeaderLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    // A long translation takes a second line rather than room the window does not have.
    label->setWordWrap(true);
    return label;
}

// ---- SettingsFooterLabel ----------------------------------------------------------------

SettingsFooterLabel::SettingsFooterLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(text, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(2);
    layout->addWidget(new InfoSymbol(this), 0, Qt::AlignTop);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(scaledFont(m_text->font(), 11));
    m_text->setForegroundRole(QPalette::PlaceholderText);
    m_text->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    layout->addWidget(m_text, 1);
}

QString SettingsFooterLabel::text() const
{
    return m_text->text();
}

// ---- SettingsSection ----------------------------------------------------------------------

SettingsSection::SettingsSection(QWidget* parent)
    : QFrame(parent)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(12, 8, 12, 8);
    m_rows->setSpacing(8);
}

void SettingsSection::addRow(QWidget* row)
{
    m_rows->addWidget(row);
}

QWidget* SettingsSection::addRow(const QString& text, QWidget* control)
{
    auto* row = new SettingsLabelledRow(text, control, this);
    m_rows->addWidget(row);
    return row;
}

QCheckBox* SettingsSection::addSwitch(const QString& text, const QString& objectName)
{
    auto* box = new SettingsSwitch(text, this);
    box->setObjectName(objectName);
    m_rows->addWidget(box);
    return box;
}

void SettingsSection::paintEvent(QPaintEvent*)
{
    // The grouped look: a softly framed box a shade off the window's background.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor window = palette().color(QPalette::Window);
    const QColor fill = window.lightness() < 128 ? window.lighter(125) : window.lighter(104);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.12);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

// ---- SettingsForm ----------------------------------------------------------------------------

SettingsForm::SettingsForm(QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(this);
    m_sections = new QVBoxLayout(content);
    m_sections->setContentsMargins(16, 12, 16, 16);
    m_sections->setSpacing(6);
    m_sections->addStretch(1);
    setWidget(content);
}

SettingsSection* SettingsForm::addSection(const QString& header)
{
    return addSection(header.isEmpty() ? nullptr : settingsHeaderLabel(header));
}

SettingsSection* SettingsForm::addSection(QWidget* header)
{
    // Before the closing stretch; a little more room above every section but the first.
    const int at = m_sections->count() - 1;
    if (at > 0)
        m_sections->insertSpacing(m_sections->count() - 1, 10);
    if (header) {
        header->setParent(widget());
        m_sections->insertWidget(m_sections->count() - 1, header);
    }
    auto* section = new SettingsSection(widget());
    m_sections->insertWidget(m_sections->count() - 1, section);
    return section;
}

int SettingsForm::rowWidth(const SettingsSection* section) const
{
    const QMargins form = m_sections->contentsMargins();
    const QMargins inner = section->layout()->contentsMargins();
    return viewport()->width() - form.left() - form.right() - inner.left() - inner.right();
}

void SettingsForm::ignoreWheelUnlessFocused(QWidget* control)
{
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new WheelGuard(control));
}

void SettingsForm::addFooter(SettingsFooterLabel* footer)
{
    footer->setParent(widget());
    m_sections->insertWidget(m_sections->count() - 1, footer);
}

void bindSwitch(QCheckBox* box, const Setting<SettingKind::Bool>& setting, UserDefaults& defaults,
                std::function<void(bool)> afterStore)
{
    box->setChecked(setting.read(defaults));
    QObject::connect(box, &QCheckBox::toggled, box, [box, &setting, &defaults, afterStore](bool on) {
        setting.write(on, defaults);
        if (afterStore)
            afterStore(on);
    });
    defaults.observe(setting.name(), box, [box, &setting, &defaults] {
        const bool stored = setting.read(defaults);
        if (box->isChecked() == stored)
            return;
        const QSignalBlocker quiet(box);
        box->setChecked(stored);
    });
}
