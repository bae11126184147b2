#include "App/SettingsWindow.h"

#include "App/AboutWindow.h"
#include "App/EditingSettingsView.h"
#include "App/GeneralSettingsView.h"
#include "App/ShortcutsSettingsView.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Core/ThemeRefresh.h"
#include "Platform/UserDefaults.h"
#include "Views/ToolbarIcons.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

SettingsServices& services()
{
    static SettingsServices shared;
    return shared;
}

QPointer<SettingsView>& openWindow()
{
    static QPointer<SettingsView> window;
    return window;
}

constexpr int kGeneralTag = 0;

// The tabs as a settings window's toolbar shows them: each a symbol over its label,
// across the window's fixed width. Every label is shown whole: each tab is as wide as
// its label with the room left shared out evenly, and where the labels together are
// wider than the window (Russian) they are set smaller until they fit.
class SettingsTabBar : public QTabBar {
    Q_OBJECT
    // The widest label's need against its tab's room (the layout probe reads them).
    Q_PROPERTY(int neededTextWidth READ neededTextWidth)
    Q_PROPERTY(int availableTextWidth READ availableTextWidth)
public:
    explicit SettingsTabBar(QWidget* parent) : QTabBar(parent)
    {
        setDrawBase(false);
        setExpanding(false);
        setUsesScrollButtons(false);
    }

    // The tab whose label has the least room to spare decides.
    int neededTextWidth() const { return worstTab().first; }
    int availableTextWidth() const { return worstTab().second; }

protected:
    QSize tabSizeHint(int index) const override
    {
        const QFontMetrics metrics(labelFont());
        const QList<int> widths = tabWidths();
        return {widths.value(index), 16 + 6 + metrics.height() + 14};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(labelFont());
        const QFontMetrics metrics(labelFont());
        for (int i = 0; i < count(); ++i) {
            const QRect frame = tabRect(i);
            if (i == currentIndex()) {
                QColor selected = palette().color(QPalette::WindowText);
                selected.setAlphaF(0.1);
                painter.setPen(Qt::NoPen);
                painter.setBrush(selected);
                painter.drawRoundedRect(QRectF(frame).adjusted(4, 3, -4, -3), 6, 6);
            }
            const QColor color = palette().color(i == currentIndex() ? QPalette::Highlight : QPalette::WindowText);
            ToolbarIcons::paint(painter, QRectF(frame.left(), frame.top() + 6, frame.width(), 16),
                                tabData(i).toString(), color, 16);
            painter.setPen(color);
            painter.drawText(labelRect(frame, metrics), Qt::AlignCenter | Qt::TextSingleLine, tabText(i));
        }
    }

private:
    static constexpr int kLabelInset = 6;

    static QRect labelRect(const QRect& frame, const QFontMetrics& metrics)
    {
        return {frame.left() + kLabelInset, frame.top() + 6 + 16 + 4, frame.width() - 2 * kLabelInset, metrics.height()};
    }

    int labelsWidth(const QFont& font) const
    {
        const QFontMetrics metrics(font);
        int total = 0;
        for (int i = 0; i < count(); ++i)
            total += metrics.horizontalAdvance(tabText(i)) + 2 * kLabelInset + 2;
        return total;
    }

    QFont labelFont() const
    {
        QFont font = this->font();
        while (labelsWidth(font) > SettingsView::contentWidth && font.pointSizeF() > 6.0)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        return font;
    }

    QList<int> tabWidths() const
    {
        const QFontMetrics metrics(labelFont());
        QList<int> widths;
        int total = 0;
        for (int i = 0; i < count(); ++i) {
            widths << metrics.horizontalAdvance(tabText(i)) + 2 * kLabelInset + 2;
            total += widths.last();
        }
        const int spare = std::max(0, SettingsView::contentWidth - total);
        for (int i = 0; i < widths.size(); ++i)
            widths[i] += spare / int(widths.size()) + (i < spare % int(widths.size()) ? 1 : 0);
        return widths;
    }

    QPair<int, int> worstTab() const
    {
        const QFontMetrics metrics(labelFont());
        QPair<int, int> worst{0, 0};
        for (int i = 0; i < count(); ++i) {
            const int need = metrics.horizontalAdvance(tabText(i));
            const int room = labelRect(tabRect(i), metrics).width();
            if (i == 0 || need - room > worst.first - worst.second)
                worst = {need, room};
        }
        return worst;
    }
};

// A tab widget whose tab bar is the one above.
class SettingsTabs : public QTabWidget {
public:
    explicit SettingsTabs(QWidget* parent) : QTabWidget(parent) { setTabBar(new SettingsTabBar(this)); }
};

} // namespace

const QList<SettingsView::Tab>& SettingsView::tabs()
{
    static const QList<Tab> all{
        {0, "settings.tab.general", "gearshape"},
        {1, "settings.tab.editing", "pencil.and.outline"},
        {2, "settings.tab.shortcuts", "command.square"},
        {4, "settings.tab.about", "info.circle"},
    };
    return all;
}

SettingsView::SettingsView(UserDefaults& defaults, ShortcutStore& store, SettingsServices services, QWidget* parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_store(store)
    , m_services(std::move(services))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedWidth(contentWidth);
    setMinimumHeight(minimumContentHeight);
    rebuild();
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &SettingsView::rebuild);
    // The appearance is the application's (the palette changes for every window); make
    // sure it is followed from the first window on.
    ThemeRefresh::shared();
}

int SettingsView::selectedTab() const
{
    const int index = m_tabs->currentIndex();
    return index >= 0 && index < tabs().size() ? tabs().at(index).tag : kGeneralTag;
}

void SettingsView::selectTab(int tag)
{
    for (qsizetype i = 0; i < tabs().size(); ++i) {
        if (tabs().at(i).tag == tag)
            m_tabs->setCurrentIndex(int(i));
    }
}

void SettingsView::rebuild()
{
    setWindowTitle(localized(QStringLiteral("settings.title")));

    auto* built = new SettingsTabs(this);
    built->setObjectName(QStringLiteral("settingsTabs"));
    built->setDocumentMode(true);
    built->addTab(new GeneralSettingsView(m_defaults, m_services.checkForUpdates), QString());
    built->addTab(new EditingSettingsView(m_defaults), QString());
    const bool noGlobalKeys = m_services.globalKeysUnavailable && m_services.globalKeysUnavailable();
    built->addTab(new ShortcutsSettingsView(m_store, m_services.isHeldByAnotherProgram, noGlobalKeys), QString());
    built->addTab(new AboutSettingsView, QString());
    for (qsizetype i = 0; i < tabs().size(); ++i) {
        const QString label = localized(QString::fromLatin1(tabs().at(i).labelKey));
        built->setTabText(int(i), label);
        // A label cut short is told whole by the tooltip.
        built->setTabToolTip(int(i), label);
        built->tabBar()->setTabData(int(i), QString::fromLatin1(tabs().at(i).symbol));
    }

    // The stored tab; a number that names no tab shows General.
    const qint64 stored = Settings::settingsSelectedTab.read(m_defaults);
    for (qsizetype i = 0; i < tabs().size(); ++i) {
        if (tabs().at(i).tag == stored)
            built->setCurrentIndex(int(i));
    }
    connect(built, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < tabs().size())
            Settings::settingsSelectedTab.write(tabs().at(index).tag, m_defaults);
    });

    // The old tabs may be in the middle of the change that brought us here (the
    // language picker's own signal): they go once it has returned.
    if (QTabWidget* old = m_tabs) {
        // The layout hands back the old widget's item, and with it the duty to free it.
        delete layout()->replaceWidget(old, built);
        old->hide();
        old->blockSignals(true);
        old->deleteLater();
    } else {
        layout()->addWidget(built);
    }
    m_tabs = built;
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (isWindow() && windowHandle() && m_keyWindow != windowHandle()) {
        m_keyWindow = windowHandle();
        m_keyWindow->installEventFilter(this);
    }
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event)
{
    // Every key comes to the window first as a shortcut override, and an open drop-down
    // list takes an Escape by closing there; the key itself still travels on to the
    // window afterwards, as if no list had been open.
    if (watched == m_keyWindow && event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_escapeClosedAList = QApplication::activePopupWidget() != nullptr;
    return QWidget::eventFilter(watched, event);
}

void SettingsView::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the window only when nothing in it took the key: not when it closed
    // an open drop-down list, nor when a recording shortcut row took it. (A shortcut
    // would close the window before the row could take the key.)
    if (isWindow() && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!std::exchange(m_escapeClosedAList, false))
            close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void setSettingsServices(SettingsServices shared)
{
    services() = std::move(shared);
}

SettingsView* settingsWindow()
{
    return openWindow();
}

void showSettingsWindow()
{
    QPointer<SettingsView>& window = openWindow();
    if (!window) {
        window = new SettingsView(UserDefaults::standard(), ShortcutStore::shared(), services());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                               | Qt::WindowMinimizeButtonHint);
        window->setObjectName(QStringLiteral("lumetraSettingsWindow"));
        // Ctrl+W closes a dialog-like window on Linux desktops, as Escape does (see
        // keyPressEvent); a recording shortcut row takes its keys first.
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window), &QShortcut::activated, window,
                         &QWidget::close);
        int height = 620;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            height = std::max(SettingsView::minimumContentHeight, std::min(height, screen->availableGeometry().height() - 80));
            window->resize(SettingsView::contentWidth, height);
            window->move(screen->availableGeometry().center() - window->rect().center());
        } else {
            window->resize(SettingsView::contentWidth, height);
        }
    }
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

#include "SettingsWindow.moc"
