#include "Output/OutputToasts.h"

#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// The green check mark in a circle that opens both toasts.
class CheckMarkIcon : public QWidget {
public:
    explicit CheckMarkIcon(QWidget* parent) : QWidget(parent) { setFixedSize(15, 15); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(52, 199, 89));
        painter.drawEllipse(circle);
        QPainterPath tick;
        tick.moveTo(circle.left() + circle.width() * 0.28, circle.top() + circle.height() * 0.52);
        tick.lineTo(circle.left() + circle.width() * 0.44, circle.top() + circle.height() * 0.68);
        tick.lineTo(circle.left() + circle.width() * 0.73, circle.top() + circle.height() * 0.35);
        painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
};

QPushButton* plainButton(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    QFont font = button->font();
    font.setPixelSize(11);
    button->setFont(font);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; color: palette(mid); }"
                                         "QPushButton:hover { color: palette(text); }"));
    return button;
}

} // namespace

OutputToast::Scheduler OutputToast::timerScheduler(QObject* owner)
{
    QPointer<QObject> guard(owner);
    return [guard](int milliseconds, std::function<void()> work) -> std::function<void()> {
        if (!guard)
            return [] {};
        auto* timer = new QTimer(guard);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, work = std::move(work)] {
            timer->deleteLater();
            work();
        });
        timer->start(milliseconds);
        QPointer<QTimer> timerGuard(timer);
        return [timerGuard] {
            if (timerGuard) {
                timerGuard->stop();
                timerGuard->deleteLater();
            }
        };
    };
}

OutputToast::OutputToast(int displayMilliseconds, std::function<void()> onDismiss, QWidget* parent)
    : QWidget(parent), m_displayMilliseconds(displayMilliseconds), m_onDismiss(std::move(onDismiss))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_scheduler = timerScheduler(this);
    // A toast on screen while the language setting changes reads in the new language.
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, [this] {
        retranslate();
        adjustSize();
    });
}

void OutputToast::buildRow(const QString& messageKey, const QList<QWidget*>& extras)
{
    m_messageKey = messageKey;
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(10);
    row->addWidget(new CheckMarkIcon(this), 0, Qt::AlignVCenter);
    m_message = new QLabel(this);
    QFont font = m_message->font();
    font.setPixelSize(12);
    m_message->setFont(font);
    row->addWidget(m_message, 0, Qt::AlignVCenter);
    for (QWidget* extra : extras)
        row->addWidget(extra, 0, Qt::AlignVCenter);
    retranslate();
}

void OutputToast::retranslate()
{
    if (m_message)
        m_message->setText(messageText());
}

QString OutputToast::messageText() const
{
    return localized(m_messageKey);
}

void OutputToast::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void OutputToast::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    cancelDismissal();
    if (!m_scheduler)
        return;
    QPointer<OutputToast> self(this);
    m_cancel = m_scheduler(m_displayMilliseconds, [self] {
        if (!self)
            return;
        self->m_cancel = nullptr;
        if (self->m_onDismiss)
            self->m_onDismiss();
    });
}

void OutputToast::hideEvent(QHideEvent* event)
{
    // A toast taken away before its time never reports its own dismissal.
    cancelDismissal();
    QWidget::hideEvent(event);
}

void OutputToast::cancelDismissal()
{
    if (m_cancel) {
        auto cancel = std::move(m_cancel);
        m_cancel = nullptr;
        cancel();
    }
}

void OutputToast::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.94f);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.2f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(box, 8, 8);
}

SaveToast::SaveToast(const QUrl& url, std::function<void()> onFinder, std::function<void()> onCopy,
                     std::function<void()> onDismiss, QWidget* parent)
    : OutputToast(saveToastMilliseconds, std::move(onDismiss), parent), m_url(url)
{
    auto* divider = new QWidget(this);
    divider->setFixedSize(1, 12);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.2f);
    dividerPalette.setColor(QPalette::Window, line);
    divider->setPalette(dividerPalette);

    m_finder = plainButton(this);
    m_copy = plainButton(this);
    // The buttons act; they do not dismiss the toast.
    connect(m_finder, &QPushButton::clicked, this, [onFinder = std::move(onFinder)] {
        if (onFinder)
            onFinder();
    });
    connect(m_copy, &QPushButton::clicked, this, [onCopy = std::move(onCopy)] {
        if (onCopy)
            onCopy();
    });
    buildRow(QStringLiteral("save.toast.savedAs"), {divider, m_finder, m_copy});
}

QString SaveToast::messageText() const
{
    // The file's name, shortened in its middle when long, so the toast stays a toast.
    const QString name = QFileInfo(m_url.toLocalFile()).fileName();
    const QFontMetrics metrics(m_message ? m_message->font() : font());
    return localizedFormat(m_messageKey, {metrics.elidedText(name, Qt::ElideMiddle, maximumNameWidth)});
}

void SaveToast::retranslate()
{
    OutputToast::retranslate();
    if (m_finder)
        m_finder->setText(localized(QStringLiteral("save.toast.finder")));
    if (m_copy)
        m_copy->setText(localized(QStringLiteral("save.toast.copy")));
}

CopyToast::CopyToast(std::function<void()> onDismiss, QWidget* parent)
    : OutputToast(copyToastMilliseconds, std::move(onDismiss), parent)
{
    buildRow(QStringLiteral("toast.copy.success"), {});
}
