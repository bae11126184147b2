#pragma once

#include "Core/ShortcutBinding.h"

#include <QString>
#include <QStringList>

#include <QList>
#include <optional>

// The keyboard shortcuts the user can rebind. The declaration order is the order of
// every list of actions (settings rows, lookups of the effective bindings).
enum class ShortcutAction {
    captureSelection,
    captureWindow,
    captureScroll,
    toolLine,
    toolArrow,
    toolRectangle,
    toolText,
    toolFreehand,
    toolHighlighter,
    toolNumber,
    toolMosaic,
    toolSpotlight,
    pasteImage,
    copyImage,
    resizePanel,
    saveAs,
    ocrText,
    pinImage,
    backdropToggle,
};

// Where a shortcut acts: system-wide (the captures, grabbed on the root window) or in
// the editor window's key handling.
enum class ShortcutScope {
    globalScope,
    inApp,
};

namespace ShortcutActions {

// Every case in declaration order.
const QList<ShortcutAction>& allCases();
// The case name, e.g. "toolArrow".
QString rawValue(ShortcutAction action);
QString rawValue(ShortcutScope scope);
// Exact, case-sensitive match of a case name.
std::optional<ShortcutAction> fromRawValue(const QString& raw);
// The raw values in declaration order.
const QStringList& allRawValues();

// The localisation key of the action's title, e.g. "tooltip.arrow".
QString titleKey(ShortcutAction action);
ShortcutScope scope(ShortcutAction action);
ShortcutBinding defaultBinding(ShortcutAction action);

} // namespace ShortcutActions
