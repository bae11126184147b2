#pragma once

// Reading the program's own sources in tests: which names are spelt where.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace SourceScan {

inline const QString kRoot = QStringLiteral(LUMETRA_SOURCE_DIR);

struct SourceFile {
    QString path; // relative to the repository
    QString code; // comments removed, every string literal emptied to ""
    QStringList literals;
    QString text; // as written
};

// Splits C++ text into code and string literals (raw ones included); comments go.
inline SourceFile split(const QString& path, const QString& text)
{
    SourceFile file{path, {}, {}, text};
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto startsWith = [&](const char* s) { return QStringView(text).mid(i).startsWith(QLatin1String(s)); };
    while (i < n) {
        if (startsWith("//")) {
            i = text.indexOf(QLatin1Char('\n'), i);
            i = i < 0 ? n : i;
        } else if (startsWith("/*")) {
            const qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            file.code += QLatin1Char(' ');
        } else if (startsWith("R\"") && (i == 0 || !text[i - 1].isLetterOrNumber())) {
            const qsizetype open = text.indexOf(QLatin1Char('('), i);
            const QString close = QLatin1Char(')') + text.mid(i + 2, open - i - 2) + QLatin1Char('"');
            const qsizetype end = text.indexOf(close, open);
            file.literals << text.mid(open + 1, end - open - 1);
            file.code += QStringLiteral("\"\"");
            i = end + close.size();
        } else if (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\'')) {
            const QChar quote = text[i];
            QString literal;
            for (++i; i < n && text[i] != quote; ++i) {
                if (text[i] == QLatin1Char('\\'))
                    ++i;
                literal += text[i];
            }
            ++i;
            if (quote == QLatin1Char('"')) {
                file.literals << literal;
                file.code += QStringLiteral("\"\"");
            }
        } else {
            file.code += text[i++];
        }
    }
    return file;
}

inline QList<SourceFile> sourcesUnder(const QString& folder)
{
    QList<SourceFile> files;
    QDirIterator it(kRoot + QLatin1Char('/') + folder, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            files << split(f.fileName().mid(kRoot.size() + 1), QString::fromUtf8(f.readAll()));
    }
    return files;
}

} // namespace SourceScan
