#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

class UserDefaults;

// The last finished area selection, kept for "repeat last capture": the rectangle in
// global points as "{{x, y}, {w, h}}" under "lastSelectionRect" and the display
// number under "lastSelectionDisplay".
struct LastSelection {
    QRectF rect;
    std::uint32_t displayNumber = 0;
};

namespace LastSelectionRecord {

// "{{x, y}, {w, h}}", each number in its shortest exact form.
QString stringFromRect(const QRectF& rect);
// Reads the numbers of such a text in order; missing ones are 0, so text that is not a
// rectangle at all reads as the zero rectangle.
QRectF rectFromString(const QString& text);

// A stored display number: a whole number from 0 to 4294967295 (as a number, or as the
// plain decimal text a settings file holds); anything else is absent.
std::optional<std::uint32_t> displayNumberFromStored(const QVariant& value);

// The record when it is complete, has a positive size and names a display that is
// connected now.
std::optional<LastSelection> read(UserDefaults& defaults, const QList<std::uint32_t>& connectedDisplays);

void store(UserDefaults& defaults, const LastSelection& selection);
// Removes both keys, the rectangle first.
void clear(UserDefaults& defaults);

} // namespace LastSelectionRecord
