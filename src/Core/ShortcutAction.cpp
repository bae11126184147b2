#include "Core/ShortcutAction.h"

namespace {

struct ActionRow {
    const char* rawValue;
    const char* titleKey;
    quint32 keyCode;
    quint64 modifierFlags;
    char character;
};

constexpr quint64 kShiftCommand = ShortcutBinding::shiftFlag | ShortcutBinding::commandFlag;
constexpr quint64 kOptionCommand = ShortcutBinding::optionFlag | ShortcutBinding::commandFlag;
constexpr quint64 kCommand = ShortcutBinding::commandFlag;

// In declaration order of ShortcutAction.
constexpr std::array<ActionRow, 19> kActions{{
    {"captureSelection", "menu.capture", 26, kShiftCommand, '7'},
    {"captureWindow", "menu.captureWindow", 28, kShiftCommand, '8'},
    {"captureScroll", "menu.scrollCapture", 25, kShiftCommand, '9'},
    {"toolLine", "tooltip.line", 18, 0, '1'},
    {"toolArrow", "tooltip.arrow", 19, 0, '2'},
    {"toolRectangle", "tooltip.rectangle", 20, 0, '3'},
    {"toolText", "tooltip.text", 21, 0, '4'},
    {"toolFreehand", "tooltip.freehand", 23, 0, '5'},
    {"toolHighlighter", "tooltip.highlighter", 22, 0, '6'},
    {"toolNumber", "tooltip.number", 26, 0, '7'},
    {"toolMosaic", "tooltip.mosaic", 28, 0, '8'},
    {"toolSpotlight", "tooltip.spotlight", 25, 0, '9'},
    {"pasteImage", "menu.pasteImage", 9, kCommand, 'v'},
    {"copyImage", "menu.copyImage", 8, kShiftCommand, 'c'},
    {"resizePanel", "menu.resize", 34, kOptionCommand, 'i'},
    {"saveAs", "menu.saveAs", 1, kShiftCommand, 's'},
    {"ocrText", "shortcuts.action.ocrText", 31, kShiftCommand, 'o'},
    {"pinImage", "shortcuts.action.pinImage", 35, kShiftCommand, 'p'},
    {"backdropToggle", "tooltip.backdrop", 11, kShiftCommand, 'b'},
}};

const ActionRow& row(ShortcutAction action)
{
    return kActions[static_cast<std::size_t>(action)];
}

} // namespace

namespace ShortcutActions {

const QList<ShortcutAction>& allCases()
{
    static const QList<ShortcutAction> cases = [] {
        QList<ShortcutAction> list;
        for (std::size_t i = 0; i < kActions.size(); ++i)
            list.append(static_cast<ShortcutAction>(i));
        return list;
    }();
    return cases;
}

QString rawValue(ShortcutAction action)
{
    return QString::fromLatin1(row(action).rawValue);
}

QString rawValue(ShortcutScope scope)
{
    return scope == ShortcutScope::globalScope ? QStringLiteral("globalScope") : QStringLiteral("inApp");
}

std::optional<ShortcutAction> fromRawValue(const QString& raw)
{
    for (ShortcutAction action : allCases()) {
        if (raw == QLatin1String(row(action).rawValue))
            return action;
    }
    return std::nullopt;
}

const QStringList& allRawValues()
{
    static const QStringList values = [] {
        QStringList list;
        for (ShortcutAction action : allCases())
            list.append(rawValue(action));
        return list;
    }();
    return values;
}

QString titleKey(ShortcutAction action)
{
    return QString::fromLatin1(row(action).titleKey);
}

ShortcutScope scope(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::captureSelection:
    case ShortcutAction::captureWindow:
    case ShortcutAction::captureScroll:
        return ShortcutScope::globalScope;
    default:
        return ShortcutScope::inApp;
    }
}

ShortcutBinding defaultBinding(ShortcutAction action)
{
    const ActionRow& r = row(action);
    return ShortcutBinding{r.keyCode, r.modifierFlags, QString(QChar::fromLatin1(r.character))};
}

} // namespace ShortcutActions
