#include "Core/LocalizationTable.h"

namespace {

struct BuiltTable {
    QStringList keys;
    LocalizationTable table;
};

const BuiltTable& builtTable()
{
    // A function-local static is initialised exactly once, even when several
    // threads ask for the first text at the same moment.
    static const BuiltTable built = [] {
        BuiltTable result;
        const auto& codes = localizationLanguageCodes();
        const std::span<const LocalizationRow> groups[] = {
            LocalizationTableData::menuRows(),     LocalizationTableData::toolbarRows(),
            LocalizationTableData::panelRows(),    LocalizationTableData::paletteRows(),
            LocalizationTableData::settingsRows(), LocalizationTableData::captureRows(),
            LocalizationTableData::messageRows(),
        };
        for (const auto& group : groups) {
            for (const LocalizationRow& row : group) {
                const QString key = QString::fromUtf8(row.key);
                QHash<QString, QString> texts;
                texts.reserve(int(kLocalizationLanguageCount));
                for (std::size_t column = 0; column < kLocalizationLanguageCount; ++column) {
                    if (row.texts[column])
                        texts.insert(QString::fromLatin1(codes[column]), QString::fromUtf8(row.texts[column]));
                }
                result.keys.append(key);
                result.table.insert(key, texts);
            }
        }
        return result;
    }();
    return built;
}

} // namespace

const std::array<const char*, kLocalizationLanguageCount>& localizationLanguageCodes()
{
    static constexpr std::array<const char*, kLocalizationLanguageCount> codes = {
        "en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru",
    };
    return codes;
}

const QStringList& localizationKeys()
{
    return builtTable().keys;
}

const LocalizationTable& localizationTable()
{
    return builtTable().table;
}
