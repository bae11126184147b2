#include "App/ShortcutKeySequence.h"

#include "Platform/KeyboardMapping.h"

QKeySequence keySequenceFor(const ShortcutBinding& binding)
{
    const Qt::KeyboardModifiers modifiers = KeyboardMapping::qtModifiers(binding.modifierFlags);

    Qt::Key key = Qt::Key_unknown;
    if (binding.displayCharacter == QStringLiteral(" ")) {
        key = Qt::Key_Space;
    } else if (!binding.displayCharacter.isEmpty()) {
        const QKeySequence single = QKeySequence::fromString(binding.displayCharacter.toUpper(), QKeySequence::PortableText);
        if (single.count() == 1)
            key = single[0].key();
    }
    if (key == Qt::Key_unknown || key == 0)
        return {};
    return QKeySequence(QKeyCombination(modifiers, key));
}
