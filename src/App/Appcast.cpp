#include "App/Appcast.h"

#include <QHostAddress>
#include <QXmlStreamReader>

namespace {

const QString kSparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isWebUrl(const QUrl& url)
{
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty();
}

// An attribute by namespace, or by its prefixed name when the document did not declare
// the namespace properly.
QString sparkleAttribute(const QXmlStreamAttributes& attributes, const QString& name)
{
    if (attributes.hasAttribute(kSparkleNamespace, name))
        return attributes.value(kSparkleNamespace, name).toString().trimmed();
    return attributes.value(QStringLiteral("sparkle:") + name).toString().trimmed();
}

struct Token {
    enum Kind { number, text } kind;
    QString value;
};

QList<Token> tokenize(QString version)
{
    version = version.trimmed();
    if (version.startsWith(QLatin1Char('v'), Qt::CaseInsensitive) && version.size() > 1 && version.at(1).isDigit())
        version.remove(0, 1);
    QList<Token> tokens;
    for (qsizetype i = 0; i < version.size();) {
        const QChar c = version.at(i);
        if (c.isDigit()) {
            qsizetype j = i;
            while (j < version.size() && version.at(j).isDigit())
                ++j;
            tokens.append({Token::number, version.mid(i, j - i)});
            i = j;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < version.size() && version.at(j).isLetter())
                ++j;
            tokens.append({Token::text, version.mid(i, j - i).toLower()});
            i = j;
        } else {
            ++i; // separators only divide
        }
    }
    return tokens;
}

int compareNumbers(QString a, QString b)
{
    // By value without overflow: strip leading zeros, then the longer is larger.
    auto strip = [](QString& s) {
        qsizetype k = 0;
        while (k + 1 < s.size() && s.at(k) == QLatin1Char('0'))
            ++k;
        s.remove(0, k);
    };
    strip(a);
    strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool onlyZeros(const QList<Token>& tokens, qsizetype from)
{
    for (qsizetype i = from; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::number || compareNumbers(tokens[i].value, QStringLiteral("0")) != 0)
            return false;
    }
    return true;
}

} // namespace

namespace Appcast {

bool isSecureUrl(const QUrl& url)
{
    if (!isWebUrl(url))
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    const QString host = url.host();
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

int compareVersions(const QString& a, const QString& b)
{
    const QList<Token> left = tokenize(a);
    const QList<Token> right = tokenize(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Token& l = left[i];
        const Token& r = right[i];
        if (l.kind != r.kind)
            return l.kind == Token::number ? 1 : -1; // "1.0.1" is newer than "1.0a"
        const int order = l.kind == Token::number ? compareNumbers(l.value, r.value) : l.value.compare(r.value);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    if (left.size() == right.size())
        return 0;
    const bool leftLonger = left.size() > right.size();
    const QList<Token>& longer = leftLonger ? left : right;
    if (onlyZeros(longer, common))
        return 0;
    // What the longer one adds: a number makes it a later release, text a pre-release.
    const bool longerIsNewer = longer[common].kind == Token::number;
    return (longerIsNewer == leftLonger) ? 1 : -1;
}

std::optional<QList<AppcastItem>> parse(const QByteArray& xml, QString* error)
{
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    bool sawRss = false;
    std::optional<AppcastItem> current;
    QString sparkleVersionElement;
    QString shortVersionElement;

    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (!sawRss) {
                if (name != QLatin1String("rss")) {
                    reader.raiseError(QStringLiteral("not an RSS feed"));
                    break;
                }
                sawRss = true;
                continue;
            }
            if (name == QLatin1String("item")) {
                current = AppcastItem{};
                sparkleVersionElement.clear();
                shortVersionElement.clear();
            } else if (current) {
                const bool sparkle = reader.namespaceUri() == kSparkleNamespace || reader.prefix() == QLatin1String("sparkle");
                if (name == QLatin1String("title") && !sparkle) {
                    current->title = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                } else if (name == QLatin1String("description") && !sparkle) {
                    current->description = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                } else if (name == QLatin1String("version") && sparkle) {
                    sparkleVersionElement = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                } else if (name == QLatin1String("shortVersionString") && sparkle) {
                    shortVersionElement = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                } else if (name == QLatin1String("releaseNotesLink") && sparkle) {
                    const QUrl url(reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed());
                    if (isWebUrl(url))
                        current->releaseNotesUrl = url;
                } else if (name == QLatin1String("enclosure") && !sparkle) {
                    const QXmlStreamAttributes attributes = reader.attributes();
                    current->downloadUrl = QUrl(attributes.value(QStringLiteral("url")).toString().trimmed());
                    bool ok = false;
                    const qint64 length = attributes.value(QStringLiteral("length")).toLongLong(&ok);
                    current->length = ok && length > 0 ? length : 0;
                    QString digest = sparkleAttribute(attributes, QStringLiteral("sha256"));
                    if (digest.isEmpty())
                        digest = attributes.value(QStringLiteral("sha256")).toString().trimmed();
                    if (!digest.isEmpty()) {
                        const QByteArray bytes = QByteArray::fromHex(digest.toLatin1());
                        current->sha256 = bytes.size() == 32 && bytes.toHex() == digest.toLower().toLatin1()
                            ? bytes : QByteArray("malformed");
                    }
                    if (const QString v = sparkleAttribute(attributes, QStringLiteral("version")); !v.isEmpty())
                        current->version = v;
                    if (const QString v = sparkleAttribute(attributes, QStringLiteral("shortVersionString")); !v.isEmpty())
                        current->displayVersion = v;
                }
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("item") && current) {
            if (current->version.isEmpty())
                current->version = !sparkleVersionElement.isEmpty() ? sparkleVersionElement : shortVersionElement;
            if (current->displayVersion.isEmpty())
                current->displayVersion = !shortVersionElement.isEmpty() ? shortVersionElement : current->version;
            if (!current->version.isEmpty() && isWebUrl(current->downloadUrl))
                items.append(*current);
            current.reset();
        }
    }
    if (reader.hasError() || !sawRss) {
        if (error)
            *error = reader.hasError() ? reader.errorString() : QStringLiteral("empty document");
        return std::nullopt;
    }
    return items;
}

std::optional<AppcastItem> newestUpdate(const QList<AppcastItem>& items, const QString& currentVersion)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (compareVersions(item.version, currentVersion) <= 0)
            continue;
        if (!best || compareVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}

} // namespace Appcast
