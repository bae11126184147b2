#include "Capture/DelayCountdownHUD.h"

#include "Capture/CaptureClock.h"
#include "Capture/OwnWindows.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

class CountdownBackgroundView final : public QWidget {
public:
    CountdownBackgroundView()
        : QWidget(nullptr,
                  Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                      | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setProperty(OwnWindows::captureChromeProperty, true);
        setFixedSize(int(DelayCountdownHUD::hudSize), int(DelayCountdownHUD::hudSize));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.62));
        painter.drawRoundedRect(rect(), 26, 26);
    }
};

} // namespace

DelayCountdownHUD& DelayCountdownHUD::shared()
{
    static DelayCountdownHUD* hud = new DelayCountdownHUD(CaptureClock::system());
    return *hud;
}

DelayCountdownHUD::DelayCountdownHUD(CaptureClock& clock)
    : m_clock(clock)
{
}

DelayCountdownHUD::~DelayCountdownHUD()
{
    delete m_tickTimer.data();
    delete m_panel.data();
}

void DelayCountdownHUD::buildPanel()
{
    auto* panel = new CountdownBackgroundView;
    auto* label = new QLabel(panel);
    QFont font = label->font();
    font.setPixelSize(int(numberFontSize));
    font.setBold(true);
    font.setStyleHint(QFont::Monospace);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, 0, int(hudSize), int(hudSize));
    m_panel = panel;
    m_numberLabel = label;
}

void DelayCountdownHUD::show(const QDateTime& deadline)
{
    if (!m_panel)
        buildPanel();
    m_deadline = deadline;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect visible = screen->availableGeometry();
        m_panel->move(int(std::lround(visible.center().x() + 0.5 - hudSize / 2)),
                      int(std::lround(visible.center().y() + 0.5 - hudSize / 2)));
    }
    updateLabel();
    m_panel->show();
    m_panel->raise();
    if (!m_tickTimer) {
        auto* timer = new QTimer;
        timer->setInterval(250);
        QObject::connect(timer, &QTimer::timeout, [this] { updateLabel(); });
        timer->start();
        m_tickTimer = timer;
    }
}

void DelayCountdownHUD::dismiss()
{
    if (m_tickTimer) {
        m_tickTimer->stop();
        delete m_tickTimer.data();
    }
    if (m_panel)
        m_panel->hide();
    m_deadline.reset();
}

void DelayCountdownHUD::updateLabel()
{
    if (!m_deadline || !m_numberLabel)
        return;
    const double left = std::max(0.0, m_clock.now().msecsTo(*m_deadline) / 1000.0);
    m_numberLabel->setText(QString::number(static_cast<long long>(std::ceil(left))));
}

bool DelayCountdownHUD::isShowing() const
{
    return m_panel && m_panel->isVisible();
}

QString DelayCountdownHUD::labelText() const
{
    return m_numberLabel ? m_numberLabel->text() : QString();
}
