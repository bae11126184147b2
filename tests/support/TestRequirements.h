#pragma once

// What a test runs or draws with, looked up before it starts: a machine without it skips
// the test with a line that names what is missing, rather than failing it halfway.

#include <QFontDatabase>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <initializer_list>

// The program `name` as the test will run it: its path on PATH, or empty.
inline QString programOnPath(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

// Those of `families` that no installed font provides: Qt and Chromium would quietly
// draw them in another face, which the test would then misjudge.
inline QStringList missingFontFamilies(std::initializer_list<const char*> families)
{
    const QStringList installed = QFontDatabase::families();
    QStringList missing;
    for (const char* family : families) {
        if (!installed.contains(QLatin1String(family), Qt::CaseInsensitive))
            missing << QLatin1String(family);
    }
    return missing;
}
