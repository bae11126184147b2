#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <span>

// Key -> language code -> text.
using LocalizationTable = QHash<QString, QHash<QString, QString>>;

inline constexpr std::size_t kLocalizationLanguageCount = 10;

// One row of the built-in text table. The texts are UTF-8, one per language, in the
// column order of localizationLanguageCodes():
//   en, zh-Hans, zh-Hant, ja, ko, de, fr, es, it, ru
// "%@" marks a value the caller fills in; every column keeps the English text's placeholders.
struct LocalizationRow {
    const char* key;
    std::array<const char*, kLocalizationLanguageCount> texts;
};

// The column codes, in row order.
const std::array<const char*, kLocalizationLanguageCount>& localizationLanguageCodes();

// Every key, in table order (the order of the row groups below).
const QStringList& localizationKeys();

// The whole table, built from the rows on first use (thread-safe) and never changed after.
const LocalizationTable& localizationTable();

// The rows, split by interface area so that each data file stays readable.
namespace LocalizationTableData {
std::span<const LocalizationRow> menuRows();     // menu., cli.
std::span<const LocalizationRow> toolbarRows();  // tooltip.
std::span<const LocalizationRow> panelRows();    // panel., style., cap., line., effect.
std::span<const LocalizationRow> paletteRows();  // color., backdrop., resize., crop., empty., imageInfo.
std::span<const LocalizationRow> settingsRows(); // settings., savePanel., openPanel., format., export., save., toast., action.
std::span<const LocalizationRow> captureRows();  // shortcuts., capture., windowPicker., scrollCapture., about.
std::span<const LocalizationRow> messageRows();  // alerts, export errors, updater dialogs, about-panel lines
} // namespace LocalizationTableData
