#include "Platform/LocalFileName.h"

#include <sys/stat.h>

namespace LocalFileName {

namespace {

    // The length of the valid UTF-8 sequence at bytes[i] (0 when there is none) and its
    // code point: no overlong forms, no surrogates, nothing above U+10FFFF.
    int sequenceAt(const QByteArray& bytes, qsizetype i, char32_t* codePoint)
    {
        const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
        const unsigned char lead = byte(i);
        int length = 0;
        char32_t value = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            *codePoint = lead;
            return 1;
        } else if ((lead & 0xe0) == 0xc0) {
            length = 2, value = lead & 0x1f, least = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3, value = lead & 0x0f, least = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4, value = lead & 0x07, least = 0x10000;
        } else {
            return 0;
        }
        if (i + length > bytes.size())
            return 0;
        for (int k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xc0) != 0x80)
                return 0;
            value = (value << 6) | (byte(i + k) & 0x3f);
        }
        if (value < least || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
            return 0;
        *codePoint = value;
        return length;
    }

    QByteArray utf8(char32_t codePoint)
    {
        return QString::fromUcs4(&codePoint, 1).toUtf8();
    }

} // namespace

QString decode(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const int length = sequenceAt(bytes, i, &codePoint);
        if (length == 0) {
            name += QChar(char16_t(0xdc00 + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            name += QChar(QChar::highSurrogate(codePoint));
            name += QChar(QChar::lowSurrogate(codePoint));
        } else {
            name += QChar(char16_t(codePoint));
        }
        i += length;
    }
    return name;
}

QByteArray encode(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            bytes += utf8(QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
            ++i;
        } else if (unit >= 0xdc80 && unit <= 0xdcff) {
            bytes += char(unit - 0xdc00);
        } else if (unit < 0x80) {
            bytes += char(unit);
        } else {
            bytes += utf8(QChar::isSurrogate(unit) ? char32_t(0xfffd) : char32_t(unit));
        }
    }
    return bytes;
}

std::optional<QString> fromFileUrl(const QByteArray& url)
{
    const QByteArray trimmed = url.trimmed();
    if (!trimmed.startsWith("file:"))
        return std::nullopt;
    QByteArray rest = trimmed.mid(5);
    if (rest.startsWith("//")) {
        // The host: empty or this machine's "localhost".
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArray host = rest.mid(2, slash < 0 ? -1 : slash - 2);
        if (slash < 0 || (!host.isEmpty() && host != "localhost"))
            return std::nullopt;
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(rest);
    if (path.contains('\0'))
        return std::nullopt;
    return decode(path);
}

bool exists(const QString& path)
{
    struct stat status {};
    const QByteArray name = encode(path);
    return !name.isEmpty() && ::stat(name.constData(), &status) == 0;
}

std::optional<qint64> regularFileSize(const QString& path)
{
    struct stat status {};
    const QByteArray name = encode(path);
    if (name.isEmpty() || ::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return qint64(status.st_size);
}

} // namespace LocalFileName
