#pragma once

#include <QHash>
#include <QLocale>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The interface-language choices, in the order the language picker lists them.
// `system` means "follow the desktop"; every other case is one column of the text table.
enum class AppLanguage {
    system,
    english,
    chineseSimplified,
    chineseTraditional,
    japanese,
    korean,
    german,
    french,
    spanish,
    italian,
    russian,
};

namespace AppLanguages {

// Every case in declaration order.
const QList<AppLanguage>& allCases();

// The stored form of a language ("system", "en", "zh-Hans", ...); also the table's column code.
QString rawValue(AppLanguage language);

// Exact, case-sensitive match against the raw values; anything else gives no language.
std::optional<AppLanguage> fromRawValue(const QString& raw);

// The picker's name: each language in its own script; `system` in the current language.
QString displayName(AppLanguage language);

// What "follow the desktop" means right now. Never `system`.
AppLanguage systemPreferred();

// The same rule applied to an explicit preferred-languages list (first entry wins).
AppLanguage systemPreferred(const QStringList& preferredLanguages);

// The language lookups use now: the "appLanguage" setting (legacy values mapped,
// unknown ones treated as "system"), with `system` resolved. Re-read on every call.
AppLanguage current();

// Where the desktop's ordered UI-language list comes from. The default asks
// QLocale::system().uiLanguages(); tests substitute their own. An empty function
// restores the default.
using PreferredLanguagesSource = std::function<QStringList()>;
void setPreferredLanguagesSource(PreferredLanguagesSource source);

} // namespace AppLanguages

// Values written by earlier versions, mapped to today's raw values.
const QHash<QString, QString>& legacyLanguageAliases();

// The text of `key` in the current language; its English text when that language
// lacks it; the key itself when the table does not know it. Safe on any thread.
QString localized(const QString& key);

// The locale of the current interface language, for numbers shown in it (the digit
// grouping of "20.000" in German). Following the desktop, it is the desktop's locale.
QLocale interfaceLocale();

// localized(key) with each "%@" replaced, left to right, by the next argument.
// Replacement is plain: an argument's own text is never scanned for placeholders.
// Placeholders beyond the last argument stay as they are; surplus arguments are ignored.
QString localizedFormat(const QString& key, const QStringList& args);

namespace Localization {

// The fallback rule of localized(), over any table and an explicit language code.
QString lookup(const QHash<QString, QHash<QString, QString>>& table, const QString& key,
               const QString& languageCode);

// Plain left-to-right "%@" substitution used by localizedFormat().
QString fillPlaceholders(const QString& text, const QStringList& args);

} // namespace Localization
