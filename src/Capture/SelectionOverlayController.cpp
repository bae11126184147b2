#include "Capture/SelectionOverlayController.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/LastSelectionRecord.h"
#include "Capture/SelectionGeometry.h"
#include "Capture/SelectionOverlayView.h"
#include "Capture/ScreenCapturePermission.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowActivation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {

QString rectText(const QRectF& rect)
{
    return LastSelectionRecord::stringFromRect(rect);
}

bool windowIsOurs(WindowActivation::WindowId window)
{
    if (const auto pid = WindowActivation::windowPid(window); pid && *pid == QCoreApplication::applicationPid())
        return true;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->internalWinId() == window)
            return true;
    return false;
}

} // namespace

SelectionOverlayController& SelectionOverlayController::shared()
{
    static SelectionOverlayController* controller = new SelectionOverlayController;
    return *controller;
}

SelectionOverlayController::SelectionOverlayController(QObject* parent)
    : QObject(parent)
{
}

SelectionOverlayController::~SelectionOverlayController() = default;

void SelectionOverlayController::rememberFrontmostApp()
{
    if (m_isSessionActive)
        return;
    m_isSessionActive = true;

    m_previousFrontmost.reset();
    QString remembered = QStringLiteral("无（自身/无前台）");
    if (const std::optional<WindowActivation::WindowId> active = WindowActivation::activeWindow();
        active && !windowIsOurs(*active)) {
        m_previousFrontmost = *active;
        remembered = QStringLiteral("0x") + QString::number(*active, 16);
    }
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 记录前前台: %1").arg(remembered));

    // X11 cannot leave our windows out of a grab: they go first, and the programs
    // beneath get a moment to repaint what they uncovered.
    m_selfHiddenWindows = OwnWindows::hideVisible();
    if (!m_selfHiddenWindows.isEmpty())
        captureDiagnostic(
            QStringLiteral("📸 SelectionOverlay 避让: orderOut 自身窗口 %1 个").arg(m_selfHiddenWindows.size()));
    OwnWindows::afterRepaint(m_selfHiddenWindows, this, m_settleMs, [this] { freezeAndPresent(); });
}

void SelectionOverlayController::freezeAndPresent()
{
    OwnWindows::syncWithServer();
    DisplayCaptureSource* source = &DisplayCaptureSource::current();
    QPointer<SelectionOverlayController> self(this);
    source->prepare([self, source](DisplayCaptureSource::Preparation preparation) {
        if (!self)
            return;
        if (preparation == DisplayCaptureSource::Preparation::refused) {
            self->refusedByDesktop();
            return;
        }
        if (preparation == DisplayCaptureSource::Preparation::unanswered) {
            self->unansweredByDesktop();
            return;
        }
        std::optional<QList<FrozenScreenRecord>> records;
        if (preparation == DisplayCaptureSource::Preparation::ready)
            records = freezeAllDisplays(*source);
        source->release();
        self->presentOverlays(std::move(records));
    });
}

void SelectionOverlayController::refusedByDesktop()
{
    logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ The desktop refused the screenshot"); });
    restoreHiddenWindows();
    m_isSessionActive = false;
    m_previousFrontmost.reset();
    ScreenCapturePermission::showScreenCapturePermissionAlert();
}

void SelectionOverlayController::unansweredByDesktop()
{
    // The desktop's own tool would wait on the same silent service: the user is told.
    logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ The desktop's screenshot service does not answer"); });
    restoreHiddenWindows();
    m_isSessionActive = false;
    m_previousFrontmost.reset();
    showDesktopNotAnswering();
}

void SelectionOverlayController::presentOverlays(std::optional<QList<FrozenScreenRecord>> records)
{
    if (!records) {
        logMessage(LogLevel::warning,
                   [] { return QStringLiteral("⚠️ 选区 overlay 冻结快照失败，改用桌面截图门户（xdg-desktop-portal）"); });
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay: 快照失败 → 改用桌面截图门户"));
        restoreHiddenWindows();
        m_isSessionActive = false;
        m_previousFrontmost.reset();
        CaptureCoordinator::shared().startAreaCapture();
        return;
    }

    m_overlays.present(*records, QStringLiteral("Lumetra Selection"),
                       [this](const FrozenScreenRecord& record) { return makeOverlayWindow(record); });
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 已铺 %1 屏（冻结快照模式）").arg(m_overlays.size()));
}

SelectionOverlayView* SelectionOverlayController::makeOverlayWindow(const FrozenScreenRecord& record)
{
    auto* view = new SelectionOverlayView(record);
    QPointer<SelectionOverlayController> self(this);
    view->onCapture = [self](const QRectF& selection, const FrozenScreenRecord& r) {
        if (self)
            self->finishSelection(selection, r);
    };
    view->onCancel = [self] {
        if (self)
            self->cancelSession();
    };
    view->onLoupeActive = [self](SelectionOverlayView* active) {
        if (self)
            self->m_loupeActiveView = active;
    };
    view->keyMonitor = [self](QKeyEvent* event) { return self && self->handleKeyDown(event); };
    return view;
}

bool SelectionOverlayController::handleKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers held
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_C:
        return m_loupeActiveView && m_loupeActiveView->copyHoverColor();
    case Qt::Key_V:
        if (!m_loupeActiveView || !m_loupeActiveView->hoverPoint)
            return false;
        m_loupeActiveView->showRGBFormat = !m_loupeActiveView->showRGBFormat;
        m_loupeActiveView->copiedFeedback = false;
        m_loupeActiveView->update();
        return true;
    case Qt::Key_Escape:
        logMessage(LogLevel::info, [] { return QStringLiteral("📸 Esc（monitor 兜底）取消选区截图"); });
        cancelSession();
        return true;
    default:
        return false;
    }
}

void SelectionOverlayController::endSession(bool restore)
{
    m_overlays.takeDown([](SelectionOverlayView* view) {
        view->unsetCursor();
        view->onCapture = nullptr;
        view->onLoupeActive = nullptr;
    });
    m_loupeActiveView.clear();
    if (restore)
        restoreHiddenWindows();
    m_isSessionActive = false;
}

void SelectionOverlayController::restoreHiddenWindows()
{
    if (const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows))
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 避让恢复: orderFront %1 个").arg(*shown));
}

void SelectionOverlayController::giveActivationBack(const QString& reason)
{
    if (m_previousFrontmost) {
        if (WindowActivation::windowExists(*m_previousFrontmost)) {
            WindowActivation::activate(*m_previousFrontmost);
            captureDiagnostic(QStringLiteral("📸 SelectionOverlay 激活归还[%1] → 0x%2")
                                  .arg(reason)
                                  .arg(QString::number(*m_previousFrontmost, 16)));
        }
    }
    m_previousFrontmost.reset();
}

void SelectionOverlayController::cancelSession()
{
    endSession(true);
    giveActivationBack(QStringLiteral("取消"));
}

void SelectionOverlayController::finishSelection(const QRectF& selection, const FrozenScreenRecord& record)
{
    const bool opensEditor = Settings::captureOpensEditor.read();
    endSession(false);

    const QImage& image = record.image;
    const QRect pixels = SelectionGeometry::pixelRectForSelection(selection, record.frame, record.scale,
                                                                   image.width(), image.height());
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 裁剪: appKit=%1 → px=%2（快照 %3×%4）")
                          .arg(rectText(selection), rectText(pixels))
                          .arg(image.width())
                          .arg(image.height()));
    const QImage crop = pixels.isEmpty() ? QImage() : image.copy(pixels);
    if (crop.isNull()) {
        logMessage(LogLevel::error,
                   [&] { return QStringLiteral("❌ 选区裁剪失败（rect 越界或零尺寸）: ") + rectText(pixels); });
        showCaptureFailed(localized(QStringLiteral("capture.error.reason.outsideDisplay")));
        restoreHiddenWindows();
        giveActivationBack(QStringLiteral("裁剪失败"));
        return;
    }
    // Encoding a full screen takes tens of milliseconds: it runs on a worker while the
    // session stays active, so a second start is ignored until this one has ended.
    m_isSessionActive = true;
    const quint64 ticket = ++m_encodingTicket;
    const QSize cropSize = crop.size();
    const std::uint32_t displayNumber = record.displayNumber;
    // The crop is a copy of its own, so the worker shares its pixels with nobody who writes.
    encodeCapturePngOffMainThread(crop, this, [this, ticket, selection, displayNumber, cropSize, opensEditor](
                                                  const std::optional<QByteArray>& png) {
        if (ticket != m_encodingTicket)
            return;
        completeSelection(png, selection, displayNumber, cropSize, opensEditor);
    });
}

void SelectionOverlayController::completeSelection(const std::optional<QByteArray>& png, const QRectF& selection,
                                                   std::uint32_t displayNumber, QSize cropSize, bool opensEditor)
{
    m_isSessionActive = false;
    if (!png) {
        logMessage(LogLevel::error, [] { return QStringLiteral("❌ 选区截图 PNG 编码失败"); });
        showCaptureFailed(localized(QStringLiteral("capture.error.reason.encoding")));
        restoreHiddenWindows();
        giveActivationBack(QStringLiteral("编码失败"));
        return;
    }
    if (CaptureDelivery::putOnClipboard(*png, true))
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 截取完成 %1×%2px，已写剪贴板，走交付链")
                              .arg(cropSize.width())
                              .arg(cropSize.height()));

    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{selection, displayNumber});
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 记录上次选区: %1 displayID=%2")
                          .arg(rectText(selection))
                          .arg(displayNumber));

    CaptureDelivery::deliverCapturedImage();

    if (opensEditor) {
        QWidget* mainWindow = m_mainWindowProvider ? m_mainWindowProvider() : nullptr;
        const int shown = OwnWindows::restore(m_selfHiddenWindows, mainWindow).value_or(0);
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 完成路径：恢复非主避让窗 %1 个（交付链唤主窗）").arg(shown));
    } else {
        restoreHiddenWindows();
        giveActivationBack(QStringLiteral("静默截图完成"));
    }
}

void SelectionOverlayController::repeatLastSelection()
{
    if (m_isSessionActive)
        return;
    DisplayCaptureSource& source = DisplayCaptureSource::current();
    QList<std::uint32_t> connected;
    if (source.isAvailable())
        for (const auto& display : source.displays())
            if (display)
                connected.append(display->number);
    const std::optional<LastSelection> last = LastSelectionRecord::read(UserDefaults::standard(), connected);
    if (!last) {
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: 记录缺失/失效，清除"));
        LastSelectionRecord::clear(UserDefaults::standard());
        selectAreaInstead();
        return;
    }
    m_isSessionActive = true;

    // Only our windows over the area are in the way of the grab; the others stay.
    const OwnWindows::WindowList hidden = OwnWindows::hideOverlapping(last->rect);
    const QRectF rect = last->rect;
    const std::uint32_t number = last->displayNumber;
    OwnWindows::afterRepaint(hidden, this, m_settleMs, [this, hidden, rect, number] {
        OwnWindows::syncWithServer();
        prepareAndCaptureLastSelection(rect, number, hidden);
    });
}

void SelectionOverlayController::selectAreaInstead()
{
    // A repeat with no area to take is an area capture: the user chooses the area (which
    // the next repeat takes) rather than pressing a key to no effect. It starts once the
    // repeat has let go of the displays and put its windows back.
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: 无可用选区，改为选区截图"));
    QTimer::singleShot(0, this, [this] { rememberFrontmostApp(); });
}

void SelectionOverlayController::prepareAndCaptureLastSelection(const QRectF& rect, std::uint32_t displayNumber,
                                                                const OwnWindows::WindowList& hidden)
{
    DisplayCaptureSource* source = &DisplayCaptureSource::current();
    QPointer<SelectionOverlayController> self(this);
    source->prepare([self, source, rect, displayNumber, hidden](DisplayCaptureSource::Preparation preparation) {
        if (!self)
            return;
        if (preparation == DisplayCaptureSource::Preparation::refused) {
            OwnWindows::showAgain(hidden);
            self->m_isSessionActive = false;
            ScreenCapturePermission::showScreenCapturePermissionAlert();
            return;
        }
        // Kept, as after any passing failure; the user is told the desktop is silent.
        if (preparation == DisplayCaptureSource::Preparation::unanswered) {
            OwnWindows::showAgain(hidden);
            self->m_isSessionActive = false;
            logMessage(LogLevel::warning,
                       [] { return QStringLiteral("⚠️ 重复上次选区：桌面截图服务无响应（记录保留）"); });
            showDesktopNotAnswering();
            return;
        }
        // A failed preparation leaves nothing to read: the capture then fails as a
        // passing fault, and the record is kept.
        self->captureLastSelection(rect, displayNumber);
        source->release();
        OwnWindows::showAgain(hidden);
    });
}

void SelectionOverlayController::captureLastSelection(const QRectF& rect, std::uint32_t displayNumber)
{
    DisplayCaptureSource& source = DisplayCaptureSource::current();
    std::optional<DisplayCaptureSource::Display> display;
    if (source.isAvailable())
        for (const auto& candidate : source.displays())
            if (candidate && candidate->number == displayNumber) {
                display = candidate;
                break;
            }
    if (!display) {
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: displayID=%1 已不可用，清除记录").arg(displayNumber));
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 重复上次选区：起始屏不可用，记录已清除"); });
        LastSelectionRecord::clear(UserDefaults::standard());
        m_isSessionActive = false;
        selectAreaInstead();
        return;
    }
    const QImage image = snapshotDisplay(source, *display);
    if (image.isNull()) {
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: 快照暂态失败（记录保留）"));
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 重复上次选区：快照失败（记录保留，可重试）"); });
        m_isSessionActive = false;
        return;
    }
    const QRect pixels = SelectionGeometry::pixelRectForSelection(rect, display->frame, display->scale,
                                                                   image.width(), image.height());
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: displayID=%1 快照 %2×%3px，appKit=%4 → px=%5")
                          .arg(displayNumber)
                          .arg(image.width())
                          .arg(image.height())
                          .arg(rectText(rect), rectText(pixels)));
    const QImage crop = pixels.isEmpty() ? QImage() : image.copy(pixels);
    if (crop.isNull()) {
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区: 交为空（分辨率变更？），清除记录"));
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 重复上次选区：选区与当前屏无交集，记录已清除"); });
        LastSelectionRecord::clear(UserDefaults::standard());
        m_isSessionActive = false;
        selectAreaInstead();
        return;
    }
    const quint64 ticket = ++m_encodingTicket;
    const QSize cropSize = crop.size();
    encodeCapturePngOffMainThread(crop, this, [this, ticket, cropSize](const std::optional<QByteArray>& png) {
        if (ticket != m_encodingTicket)
            return;
        m_isSessionActive = false;
        if (!png) {
            logMessage(LogLevel::error, [] { return QStringLiteral("❌ 重复选区 PNG 编码失败"); });
            return;
        }
        if (CaptureDelivery::putOnClipboard(*png, false))
            captureDiagnostic(QStringLiteral("📸 SelectionOverlay 重复选区完成 %1×%2px，已写剪贴板，走交付链")
                                  .arg(cropSize.width())
                                  .arg(cropSize.height()));
        CaptureDelivery::deliverCapturedImage();
    });
}
