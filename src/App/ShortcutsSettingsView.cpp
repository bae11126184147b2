#include "App/ShortcutsSettingsView.h"

#include "App/ShortcutRecorder.h"
#include "Capture/CaptureCommandLine.h"
#include "Core/Localization.h"
#include "Core/ShortcutStore.h"
#include "Views/ToolbarIcons.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString text(const char* key)
{
    return localized(QString::fromLatin1(key));
}

QFont scaledFont(QFont font, double points)
{
    font.setPointSizeF(font.pointSizeF() * points / 13.0);
    return font;
}

bool isDark(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).lightness() < 128;
}

// The reset button's symbol, tinted for the window it is shown in.
class ResetButton : public QToolButton {
public:
    explicit ResetButton(QWidget* parent) : QToolButton(parent)
    {
        setAutoRaise(true);
        setCursor(Qt::PointingHandCursor);
        setFixedSize(20, 20);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QColor color = palette().color(QPalette::PlaceholderText);
        if (isDown())
            color = palette().color(QPalette::WindowText);
        ToolbarIcons::paint(painter, QRectF(rect()), QStringLiteral("arrow.uturn.backward"), color, 13);
    }
};

} // namespace

// ---- BindingCapsule ---------------------------------------------------------------------

BindingCapsule::BindingCapsule(QWidget* parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(localized(QStringLiteral("shortcuts.record")));
    setFont(scaledFont(font(), 12));
}

void BindingCapsule::setBinding(const QString& keys, bool customized)
{
    setText(keys);
    m_customized = customized;
    QFont weighted = font();
    weighted.setWeight(customized ? QFont::DemiBold : QFont::Normal);
    setFont(weighted);
    updateGeometry();
    update();
}

QSize BindingCapsule::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 16, metrics.height() + 6};
}

void BindingCapsule::takeFocusAfterRecording()
{
    m_escapeLeaves = true;
    setFocus(Qt::OtherFocusReason);
    m_escapeLeaves = hasFocus();
    update();
}

bool BindingCapsule::event(QEvent* event)
{
    // The window's Escape shortcut asks the focused widget first.
    if (event->type() == QEvent::ShortcutOverride && m_escapeLeaves
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QAbstractButton::event(event);
}

void BindingCapsule::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_escapeLeaves) {
        clearFocus();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void BindingCapsule::focusOutEvent(QFocusEvent* event)
{
    m_escapeLeaves = false;
    QAbstractButton::focusOutEvent(event);
    update();
}

void BindingCapsule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(m_customized ? 0.1 : 0.07);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const QRectF frame(rect());
    painter.drawRoundedRect(frame, frame.height() / 2, frame.height() / 2);
    // The focus taken back after a recording is only there for Escape: no ring.
    if (hasFocus() && !m_escapeLeaves) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), frame.height() / 2, frame.height() / 2);
    }
    painter.setPen(palette().color(m_customized ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

// ---- ShortcutsSettingsView --------------------------------------------------------------

ShortcutsSettingsView::ShortcutsSettingsView(ShortcutStore& store,
                                             std::function<bool(ShortcutAction)> isHeldByAnotherProgram,
                                             bool globalKeysUnavailable, QWidget* parent)
    : SettingsForm(parent)
    , m_store(store)
    , m_isHeldByAnotherProgram(std::move(isHeldByAnotherProgram))
    , m_globalKeysUnavailable(globalKeysUnavailable)
{
    m_hintTimer.setSingleShot(true);
    m_hintTimer.setInterval(hintMilliseconds);
    connect(&m_hintTimer, &QTimer::timeout, this, [this] {
        m_hint.reset();
        refresh();
    });

    auto keys = [](QKeySequence sequence) { return shortcutDisplayText(sequence); };

    SettingsSection* file = addSection(text("shortcuts.group.file"));
    for (ShortcutAction action : {ShortcutAction::pasteImage, ShortcutAction::copyImage, ShortcutAction::saveAs,
                                  ShortcutAction::ocrText, ShortcutAction::pinImage, ShortcutAction::backdropToggle})
        addActionRow(file, action);
    addFixedRow(file, "menu.openImage", keys(QKeySequence(Qt::CTRL | Qt::Key_O)));
    addFixedRow(file, "menu.saveImage", keys(QKeySequence(Qt::CTRL | Qt::Key_S)));

    SettingsSection* view = addSection(text("shortcuts.group.view"));
    addFixedRow(view, "menu.zoomIn", keys(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
    addFixedRow(view, "menu.zoomOut", keys(QKeySequence(Qt::CTRL | Qt::Key_Minus)));
    addFixedRow(view, "menu.zoomFine",
                shortcutDisplayText(ShortcutBinding::commandFlag, text("shortcuts.key.scroll")));
    addFixedRow(view, "menu.fitToWindow", keys(QKeySequence(Qt::CTRL | Qt::Key_0)));
    addFixedRow(view, "menu.actualSize", keys(QKeySequence(Qt::CTRL | Qt::Key_1)));
    addFixedRow(view, "menu.rotateLeft", keys(QKeySequence(Qt::CTRL | Qt::Key_Left)));
    addFixedRow(view, "menu.rotateRight", keys(QKeySequence(Qt::CTRL | Qt::Key_Right)));

    SettingsSection* tools = addSection(text("shortcuts.group.tools"));
    for (ShortcutAction action :
         {ShortcutAction::toolLine, ShortcutAction::toolArrow, ShortcutAction::toolRectangle, ShortcutAction::toolText,
          ShortcutAction::toolFreehand, ShortcutAction::toolHighlighter, ShortcutAction::toolNumber,
          ShortcutAction::toolMosaic, ShortcutAction::toolSpotlight})
        addActionRow(tools, action);

    SettingsSection* edit = addSection(text("shortcuts.group.edit"));
    addFixedRow(edit, "menu.undo", keys(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    addFixedRow(edit, "menu.redo", keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    addFixedRow(edit, "menu.crop", keys(QKeySequence(Qt::CTRL | Qt::Key_X)));
    addActionRow(edit, ShortcutAction::resizePanel);
    addFixedRow(edit, "menu.resetAll", keys(QKeySequence(Qt::CTRL | Qt::Key_R)));
    addFixedRow(edit, "menu.clearImage", keys(QKeySequence(Qt::CTRL | Qt::Key_Backspace)));
    addFixedRow(edit, "menu.deleteAnnotation", keys(QKeySequence(Qt::Key_Backspace)));

    SettingsSection* capture = addSection(text("shortcuts.group.capture"));
    if (m_globalKeysUnavailable) {
        auto* note = new QLabel(text("shortcuts.globalKeysUnavailable"));
        note->setObjectName(QStringLiteral("globalKeysUnavailable"));
        note->setWordWrap(true);
        note->setTextFormat(Qt::PlainText);
        capture->addRow(note);
    }
    for (ShortcutAction action :
         {ShortcutAction::captureSelection, ShortcutAction::captureWindow, ShortcutAction::captureScroll})
        addActionRow(capture, action);

    m_restoreSection = addSection();
    auto* restoreRow = new QWidget;
    auto* restoreLayout = new QHBoxLayout(restoreRow);
    restoreLayout->setContentsMargins(0, 0, 0, 0);
    auto* restore = new QPushButton(text("shortcuts.restoreDefaults"), restoreRow);
    restore->setObjectName(QStringLiteral("restoreDefaults"));
    connect(restore, &QPushButton::clicked, this, &ShortcutsSettingsView::restoreAllDefaults);
    restoreLayout->addStretch(1);
    restoreLayout->addWidget(restore);
    restoreLayout->addStretch(1);
    m_restoreSection->addRow(restoreRow);

    connect(&m_store, &ShortcutStore::bindingsChanged, this, &ShortcutsSettingsView::refresh);
    refresh();
}

void ShortcutsSettingsView::addActionRow(SettingsSection* section, ShortcutAction action)
{
    const QString raw = ShortcutActions::rawValue(action);
    auto* row = new QWidget;
    auto* rowLayout = new QVBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(4);

    ActionRow widgets;
    widgets.controls = new QWidget(row);
    auto* line = new QHBoxLayout(widgets.controls);
    line->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(localized(ShortcutActions::titleKey(action)), widgets.controls);
    title->setTextFormat(Qt::PlainText);
    // A long translation wraps beside the keys rather than pushing them out of the window.
    title->setWordWrap(true);
    title->setObjectName(QStringLiteral("title.") + raw);
    line->addWidget(title, 1);
    widgets.capsule = new BindingCapsule(widgets.controls);
    widgets.capsule->setObjectName(QStringLiteral("binding.") + raw);
    connect(widgets.capsule, &BindingCapsule::clicked, this, [this, action] { beginRecording(action); });
    line->addWidget(widgets.capsule);
    widgets.reset = new ResetButton(widgets.controls);
    widgets.reset->setObjectName(QStringLiteral("reset.") + raw);
    widgets.reset->setToolTip(text("shortcuts.customized"));
    connect(widgets.reset, &QToolButton::clicked, this, [this, action] { resetShortcut(action); });
    line->addWidget(widgets.reset);
    if (m_globalKeysUnavailable && ShortcutActions::scope(action) == ShortcutScope::globalScope) {
        // No key to record: what the desktop's settings must start instead, ready to copy.
        widgets.command = new QLabel(captureCommandFor(action), widgets.controls);
        widgets.command->setObjectName(QStringLiteral("command.") + raw);
        widgets.command->setTextFormat(Qt::PlainText);
        widgets.command->setTextInteractionFlags(Qt::TextSelectableByMouse);
        widgets.command->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        line->addWidget(widgets.command);
    }
    rowLayout->addWidget(widgets.controls);

    widgets.hint = new QLabel(row);
    widgets.hint->setObjectName(QStringLiteral("hint.") + raw);
    widgets.hint->setFont(scaledFont(widgets.hint->font(), 11));
    widgets.hint->setWordWrap(true);
    widgets.hint->setTextFormat(Qt::PlainText);
    widgets.hint->hide();
    rowLayout->addWidget(widgets.hint);

    section->addRow(row);
    m_rows.insert(action, widgets);
}

void ShortcutsSettingsView::placeRecorder(ActionRow& row, ShortcutAction action)
{
    // In the binding's place when the title and the whole prompt fit on the row's line;
    // where they do not (the longer translations), on a line of its own under the title.
    const auto* title = row.controls->findChild<QLabel*>(QStringLiteral("title.") + ShortcutActions::rawValue(action));
    auto* line = static_cast<QHBoxLayout*>(row.controls->layout());
    const int reset = row.reset->isVisibleTo(row.controls) ? row.reset->width() + line->spacing() : 0;
    // The title on one line (it wraps only where the window is too narrow even for the keys).
    const int titleWidth = title ? title->fontMetrics().horizontalAdvance(title->text()) + 1 : 0;
    const int needed = titleWidth + line->spacing() + row.recorder->sizeHint().width() + reset;
    if (needed <= rowWidth(static_cast<SettingsSection*>(row.controls->parentWidget()->parentWidget()))) {
        line->insertWidget(2, row.recorder);
        return;
    }
    row.recorder->setParent(row.controls->parentWidget());
    static_cast<QVBoxLayout*>(row.controls->parentWidget()->layout())->insertWidget(1, row.recorder, 0, Qt::AlignRight);
}

void ShortcutsSettingsView::addFixedRow(SettingsSection* section, const char* titleKey, const QString& keys)
{
    auto* shown = new QLabel(keys);
    shown->setFont(scaledFont(shown->font(), 12));
    shown->setForegroundRole(QPalette::PlaceholderText);
    section->addRow(text(titleKey), shown);
}

QColor ShortcutsSettingsView::hintColor(bool isWarning, bool darkWindow)
{
    // The desktop's usual warning yellow and error red, deepened on a light window so
    // the small text stays readable.
    if (isWarning)
        return darkWindow ? QColor(0xff, 0xd6, 0x0a) : QColor(0xb8, 0x8a, 0x00);
    return darkWindow ? QColor(0xff, 0x45, 0x3a) : QColor(0xd7, 0x00, 0x15);
}

void ShortcutsSettingsView::beginRecording(ShortcutAction action)
{
    m_hint.reset();
    m_hintTimer.stop();
    setRecording(action);
}

void ShortcutsSettingsView::setRecording(std::optional<ShortcutAction> action)
{
    m_recording = action;
    refresh();
}

void ShortcutsSettingsView::showHint(ShortcutAction action, const QString& hintText, bool isWarning)
{
    // A newer hint replaces the one shown and restarts the three seconds.
    m_hint = Hint{action, hintText, isWarning};
    m_hintTimer.start();
    refresh();
}

void ShortcutsSettingsView::handleRecordedKey(const QKeyEvent& event, ShortcutAction action)
{
    const ShortcutRecorder::Judgement judgement = ShortcutRecorder::judge(m_store, action, event);
    switch (judgement.verdict) {
    case ShortcutRecorder::Verdict::ignored:
        return;
    case ShortcutRecorder::Verdict::cancelled:
        setRecording(std::nullopt);
        return;
    case ShortcutRecorder::Verdict::invalid:
        QApplication::beep();
        showHint(action, text("shortcuts.invalid"), true);
        return;
    case ShortcutRecorder::Verdict::conflict:
        m_endedByKey = true;
        setRecording(std::nullopt);
        m_endedByKey = false;
        showHint(action,
                 localizedFormat(QStringLiteral("shortcuts.conflict"),
                                 {localized(judgement.holder ? ShortcutActions::titleKey(*judgement.holder)
                                                             : judgement.fixedHolderTitleKey)}),
                 false);
        return;
    case ShortcutRecorder::Verdict::accepted:
        m_endedByKey = true;
        setRecording(std::nullopt);
        m_endedByKey = false;
        m_store.setOverride(action, judgement.binding);
        tellIfHeldElsewhere(action);
        return;
    }
}

void ShortcutsSettingsView::resetShortcut(ShortcutAction action)
{
    m_store.removeOverride(action);
    const ShortcutBinding binding = m_store.bindings().value(action, ShortcutActions::defaultBinding(action));
    if (const std::optional<ShortcutAction> holder = m_store.conflictFor(action, binding.keyCode, binding.modifierFlags)) {
        showHint(action, localizedFormat(QStringLiteral("shortcuts.conflict"), {localized(ShortcutActions::titleKey(*holder))}),
                 false);
        return;
    }
    tellIfHeldElsewhere(action);
}

void ShortcutsSettingsView::restoreAllDefaults()
{
    m_store.restoreDefaults();
}

void ShortcutsSettingsView::tellIfHeldElsewhere(ShortcutAction action)
{
    // The change was announced, so the global keys have just been grabbed anew.
    if (ShortcutActions::scope(action) == ShortcutScope::globalScope && m_isHeldByAnotherProgram
        && m_isHeldByAnotherProgram(action))
        showHint(action, text("shortcuts.systemConflict"), true);
}

void ShortcutsSettingsView::refresh()
{
    const bool dark = isDark(this);
    for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
        const ShortcutAction action = it.key();
        ActionRow& row = it.value();
        const bool customized = m_store.userOverrides().contains(ShortcutActions::rawValue(action));
        row.capsule->setBinding(m_store.displayText(action), customized);
        row.reset->setVisible(customized && !row.command);

        const bool recording = m_recording == action && !row.command;
        row.capsule->setVisible(!recording && !row.command);
        if (recording && !row.recorder) {
            row.recorder = new ShortcutRecorderView(
                [this, action](QKeyEvent& event) { handleRecordedKey(event, action); }, row.controls);
            placeRecorder(row, action);
            row.recorder->show();
        } else if (!recording && row.recorder) {
            // It may be the very widget whose key press ends the recording.
            const bool hadFocus = row.recorder->hasFocus();
            row.recorder->hide();
            row.recorder->deleteLater();
            row.recorder = nullptr;
            if (hadFocus && m_endedByKey)
                row.capsule->takeFocusAfterRecording();
        }

        const bool hinted = m_hint && m_hint->action == action;
        if (hinted) {
            row.hint->setText(m_hint->text);
            QPalette palette = row.hint->palette();
            palette.setColor(QPalette::WindowText, hintColor(m_hint->isWarning, dark));
            row.hint->setPalette(palette);
        }
        row.hint->setVisible(hinted);
    }
    m_restoreSection->setVisible(!m_store.userOverrides().isEmpty());
}
