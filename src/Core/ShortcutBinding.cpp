#include "Core/ShortcutBinding.h"

#include "Core/Localization.h"
#include "Platform/KeyboardMapping.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

// Stored flags go to the keyboard layer as they are.
static_assert(ShortcutBinding::shiftFlag == KeyboardMapping::shiftFlag
              && ShortcutBinding::controlFlag == KeyboardMapping::controlFlag
              && ShortcutBinding::optionFlag == KeyboardMapping::optionFlag
              && ShortcutBinding::commandFlag == KeyboardMapping::commandFlag);

namespace {

// The first user-perceived character of a text (a whole grapheme cluster).
QString firstCharacter(const QString& text)
{
    if (text.isEmpty())
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : text.left(1);
}

bool isSingleCharacter(const QString& text)
{
    return !text.isEmpty() && firstCharacter(text).size() == text.size();
}

// Keys shown by their localised name rather than by Qt's text for them or by the
// invisible character they type; null for any other key.
const char* keyNameText(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Space:
        return "shortcuts.key.space";
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return "shortcuts.key.return";
    case Qt::Key_Tab:
        return "shortcuts.key.tab";
    case Qt::Key_Escape:
        return "shortcuts.key.escape";
    case Qt::Key_Backspace:
        return "shortcuts.key.backspace";
    case Qt::Key_Delete:
        return "shortcuts.key.delete";
    default:
        return nullptr;
    }
}

// The key that types a space or a control character; 0 for any other text.
int keyTyping(const QString& character)
{
    if (character.size() != 1)
        return 0;
    switch (character.at(0).unicode()) {
    case ' ':
        return Qt::Key_Space;
    case '\r':
    case '\n':
        return Qt::Key_Return;
    case '\t':
        return Qt::Key_Tab;
    case 0x1b:
        return Qt::Key_Escape;
    case '\b':
        return Qt::Key_Backspace;
    case 0x7f:
        return Qt::Key_Delete;
    default:
        return 0;
    }
}

// A JSON number that is a whole number from 0 to max, exactly as written.
std::optional<quint64> wholeNumber(const QJsonValue& value, quint64 max)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    constexpr double twoTo63 = 9223372036854775808.0;
    constexpr double twoTo64 = 18446744073709551616.0;
    if (!std::isfinite(d) || d < 0 || d >= twoTo64 || std::floor(d) != d)
        return std::nullopt;
    quint64 number;
    if (d < twoTo63) {
        // Integers are kept exactly by the parser; the double may have rounded them.
        const qint64 exact = value.toInteger(-1);
        number = exact >= 0 ? quint64(exact) : quint64(d);
    } else {
        number = quint64(d);
    }
    if (number > max)
        return std::nullopt;
    return number;
}

} // namespace

QString shortcutDisplayText(quint64 modifierFlags, const QString& key)
{
    // Qt's own catalogue names the modifiers of its native key texts; it has no word
    // for Super, which reads the same in every language then.
    auto name = [](const char* qtName) { return QCoreApplication::translate("QShortcut", qtName); };
    QStringList parts = KeyboardMapping::modifierWords(modifierFlags, {name("Ctrl"), name("Alt"), name("Shift"), name("Super")});
    parts << key;
    return parts.join(QStringLiteral(" + "));
}

QString shortcutDisplayText(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return {};
    const QKeyCombination combination = keys[0];
    const quint64 flags = KeyboardMapping::modifierFlags(combination.keyboardModifiers());
    const char* name = keyNameText(combination.key());
    return shortcutDisplayText(flags, name ? localized(QString::fromLatin1(name))
                                           : QKeySequence(combination.key()).toString(QKeySequence::NativeText));
}

QString ShortcutBinding::displayText() const
{
    const char* name = keyNameText(keyTyping(displayCharacter));
    return shortcutDisplayText(modifierFlags, name ? localized(QString::fromLatin1(name)) : displayCharacter.toUpper());
}

QJsonObject ShortcutBinding::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("keyCode"), qint64(keyCode));
    if (modifierFlags <= quint64(std::numeric_limits<qint64>::max()))
        object.insert(QStringLiteral("modifierFlags"), qint64(modifierFlags));
    else
        object.insert(QStringLiteral("modifierFlags"), double(modifierFlags));
    object.insert(QStringLiteral("displayCharacter"), displayCharacter);
    return object;
}

std::optional<ShortcutBinding> ShortcutBinding::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<quint64> keyCode = wholeNumber(object.value(QStringLiteral("keyCode")),
                                                       std::numeric_limits<quint32>::max());
    const std::optional<quint64> flags = wholeNumber(object.value(QStringLiteral("modifierFlags")),
                                                     std::numeric_limits<quint64>::max());
    const QJsonValue character = object.value(QStringLiteral("displayCharacter"));
    if (!keyCode || !flags || !character.isString())
        return std::nullopt;

    ShortcutBinding binding;
    binding.keyCode = quint32(*keyCode);
    binding.modifierFlags = *flags & modifierMask;
    binding.displayCharacter = firstCharacter(character.toString());
    if (binding.displayCharacter.isEmpty())
        binding.displayCharacter = QStringLiteral("?");
    return binding;
}

std::optional<QString> ShortcutBinding::displayCharacterFor(quint16 keyCode, const QKeyEvent* event)
{
    if (usKeyCharacterTable().contains(keyCode))
        return usKeyCharacterTable().value(keyCode);
    if (!event)
        return std::nullopt;
    return displayCharacterFor(keyCode, KeyboardMapping::shared().eventCharactersIgnoringModifiers(*event));
}

std::optional<QString> ShortcutBinding::displayCharacterFor(quint16 keyCode,
                                                            const std::optional<QString>& charactersIgnoringModifiers)
{
    const auto it = usKeyCharacterTable().constFind(keyCode);
    if (it != usKeyCharacterTable().constEnd())
        return *it;
    if (!charactersIgnoringModifiers || !isSingleCharacter(*charactersIgnoringModifiers))
        return std::nullopt;
    const QString lower = charactersIgnoringModifiers->toLower();
    if (lower.isEmpty())
        return std::nullopt;
    return lower;
}

quint32 ShortcutBinding::carbonModifiers(quint64 flags)
{
    return KeyboardMapping::x11ModifierMask(flags);
}

const QHash<quint16, QString>& usKeyCharacterTable()
{
    static const QHash<quint16, QString> table = [] {
        // Key codes 0 to 50 in order; 10, 36 and 48 have no character of their own.
        const char16_t characters[] = u"asdfhgzxcv\0bqweryt123465=97-80]ou[ip\0lj'k;\\,/nm.\0 `";
        QHash<quint16, QString> map;
        for (quint16 code = 0; code <= 50; ++code) {
            if (characters[code] != 0)
                map.insert(code, QString(QChar(characters[code])));
        }
        return map;
    }();
    return table;
}
