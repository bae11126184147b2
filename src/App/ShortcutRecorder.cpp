#include "App/ShortcutRecorder.h"

#include "Core/Localization.h"
#include "Core/ShortcutStore.h"
#include "Platform/KeyboardMapping.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

constexpr quint16 kEscapeKeyCode = 53;

bool isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

namespace ShortcutRecorder {

const QList<FixedKey>& editorFixedKeys()
{
    constexpr quint64 ctrl = ShortcutBinding::commandFlag, shift = ShortcutBinding::shiftFlag;
    static const QList<FixedKey> keys = [] {
        const struct {
            quint64 flags;
            char character;
            const char* titleKey;
        } table[] = {
            {ctrl, ',', "menu.settings"},     {ctrl, 'q', "menu.quit"},          {ctrl, 'o', "menu.openImage"},
            {ctrl, 's', "menu.saveImage"},    {ctrl, 'c', "menu.copyImage"},     {ctrl, 'w', "menu.closeWindow"},
            {ctrl, 'z', "menu.undo"},         {ctrl | shift, 'z', "menu.redo"},  {ctrl, 'y', "menu.redo"},
            {ctrl, 'x', "menu.crop"},         {ctrl, 'r', "menu.resetAll"},      {ctrl | shift, '=', "menu.zoomIn"},
            {ctrl, '=', "menu.zoomIn"},       {ctrl, '-', "menu.zoomOut"},       {ctrl, '0', "menu.fitToWindow"},
            {ctrl, '1', "menu.actualSize"},
        };
        QList<FixedKey> built;
        for (const auto& row : table)
            built.append({usKeyCharacterTable().key(QString(QLatin1Char(row.character))), row.flags, row.titleKey});
        return built;
    }();
    return keys;
}

bool isRecordableKey(quint16 keyCode)
{
    return usKeyCharacterTable().contains(keyCode);
}

Judgement judge(const ShortcutStore& store, ShortcutAction action, int qtKey, std::optional<quint16> keyCode,
                quint64 modifierFlags)
{
    Judgement judgement;
    if (keyCode == kEscapeKeyCode) {
        judgement.verdict = Verdict::cancelled;
        return judgement;
    }
    if (isModifierKey(qtKey))
        return judgement;
    if (!keyCode || !isRecordableKey(*keyCode)) {
        judgement.verdict = Verdict::invalid;
        return judgement;
    }
    const quint64 flags = modifierFlags & ShortcutBinding::modifierMask;
    constexpr quint64 globalModifiers =
        ShortcutBinding::commandFlag | ShortcutBinding::optionFlag | ShortcutBinding::controlFlag;
    if (ShortcutActions::scope(action) == ShortcutScope::globalScope && !(flags & globalModifiers)) {
        judgement.verdict = Verdict::invalid;
        return judgement;
    }
    judgement.binding = {*keyCode, flags, usKeyCharacterTable().value(*keyCode)};
    judgement.holder = store.conflictFor(action, *keyCode, flags);
    for (const FixedKey& fixed : editorFixedKeys()) {
        // Copy Image answers to Ctrl+C as well: that key is no conflict for itself.
        if (!judgement.holder && fixed.keyCode == *keyCode && fixed.modifierFlags == flags
            && ShortcutActions::titleKey(action) != QLatin1String(fixed.titleKey)) {
            judgement.fixedHolderTitleKey = QString::fromLatin1(fixed.titleKey);
            break;
        }
    }
    judgement.verdict = judgement.holder || !judgement.fixedHolderTitleKey.isEmpty() ? Verdict::conflict : Verdict::accepted;
    return judgement;
}

Judgement judge(const ShortcutStore& store, ShortcutAction action, const QKeyEvent& event)
{
    return judge(store, action, event.key(), KeyboardMapping::shared().keyCodeOfEvent(event),
                 KeyboardMapping::modifierFlags(event.modifiers()));
}

} // namespace ShortcutRecorder

// ---- ShortcutRecorderView ---------------------------------------------------------------

ShortcutRecorderView::ShortcutRecorderView(std::function<void(QKeyEvent&)> onKeyDown, QWidget* parent)
    : QWidget(parent)
    , m_onKeyDown(std::move(onKeyDown))
    , m_text(localized(QStringLiteral("shortcuts.recording")))
{
    setObjectName(QStringLiteral("shortcutRecorder"));
    setFocusPolicy(Qt::StrongFocus);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 12.0 / 13.0);
    setFont(small);
}

ShortcutRecorderView::~ShortcutRecorderView()
{
    releaseTakenKeyboard();
}

int ShortcutRecorderView::neededTextWidth() const
{
    return QFontMetrics(font()).horizontalAdvance(m_text);
}

QSize ShortcutRecorderView::sizeHint() const
{
    return {neededTextWidth() + 2 * kTextInset, QFontMetrics(font()).height() + 6};
}

// The prompt is never cut short: the row's title gives way instead.
QSize ShortcutRecorderView::minimumSizeHint() const
{
    return sizeHint();
}

bool ShortcutRecorderView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // No shortcut of any window acts on a press meant for the recorder.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        // Tab and Backtab would move the focus before keyPressEvent saw them.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void ShortcutRecorderView::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (m_onKeyDown)
        m_onKeyDown(*event);
}

void ShortcutRecorderView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor secondary = palette().color(QPalette::PlaceholderText);
    painter.setPen(secondary);
    painter.drawText(rect().adjusted(kTextInset, 0, -kTextInset, 0), Qt::AlignCenter | Qt::TextSingleLine, m_text);
    secondary.setAlphaF(0.5);
    QPen dashed(secondary, 1);
    dashed.setDashPattern({3, 2});
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(frame, frame.height() / 2, frame.height() / 2);
}

void ShortcutRecorderView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    window()->installEventFilter(this);
    // Once placed in its window, after the row that made it has settled.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible())
            return;
        setFocus(Qt::OtherFocusReason);
        if (window()->isActiveWindow())
            takeKeyboard();
    });
}

void ShortcutRecorderView::hideEvent(QHideEvent* event)
{
    releaseTakenKeyboard();
    window()->removeEventFilter(this);
    QWidget::hideEvent(event);
}

bool ShortcutRecorderView::eventFilter(QObject* watched, QEvent* event)
{
    // The keyboard is taken only while the window is in front: a user who turns to
    // another program gets the keyboard back, and it is taken again on return.
    if (watched == window() && isVisible()) {
        if (event->type() == QEvent::WindowActivate)
            takeKeyboard();
        else if (event->type() == QEvent::WindowDeactivate)
            releaseTakenKeyboard();
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutRecorderView::takeKeyboard()
{
    if (m_grabbing)
        return;
    grabKeyboard();
    m_grabbing = true;
}

void ShortcutRecorderView::releaseTakenKeyboard()
{
    if (!m_grabbing)
        return;
    releaseKeyboard();
    m_grabbing = false;
}
