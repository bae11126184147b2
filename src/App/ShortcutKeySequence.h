#pragma once

#include "Core/ShortcutBinding.h"

#include <QKeySequence>

// The menu key sequence of a stored binding: Ctrl for command, Alt for option, Meta
// (Super) for control, Shift for shift, and the key its display character names.
// Empty when the character names no key.
QKeySequence keySequenceFor(const ShortcutBinding& binding);
