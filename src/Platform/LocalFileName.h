#pragma once

// File names as the system has them: bytes, which need not be UTF-8 (a name written
// under another encoding, or made by hand: "bad\xff\xfe.png"). Qt turns every byte it
// cannot decode into U+FFFD, and the name no longer names the file. Here such a byte is
// kept as a lone surrogate (U+DC80 to U+DCFF) that gives the same byte back, so a name
// goes from the command line, a drop or a second launch to the file it names. A UTF-8
// name reads as Qt reads it.

#include <QByteArray>
#include <QString>

#include <optional>

namespace LocalFileName {

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& name);

// A file:// address as a drop or a URI list spells it ("file:///tmp/bad%FF%FE.png"),
// its percent-escapes taken as the name's bytes; nothing for any other address.
std::optional<QString> fromFileUrl(const QByteArray& url);

// What is at the path (symbolic links followed), asked of the system by the name's own
// bytes.
bool exists(const QString& path);
// The size of the regular file at the path; nothing when there is none.
std::optional<qint64> regularFileSize(const QString& path);

} // namespace LocalFileName
