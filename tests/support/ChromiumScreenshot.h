#pragma once

// Pages set by headless Chromium, for the tests that read text no one here drew.

#include "TestRequirements.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QUrl>

#include <string>

// The Chromium the tests run: the one on PATH, or empty where there is none.
inline QString chromiumProgram()
{
    static const QString program = programOnPath(QStringLiteral("chromium"));
    return program;
}

// The screenshot Chromium takes of `html` in a window of `window`, with its page and
// profile in `folder`; a null image, with `error` saying why, where it took none.
inline QImage chromiumScreenshot(const QString& html, const QString& folder, QSize window, std::string& error)
{
    QFile page(QDir(folder).filePath(QStringLiteral("page.html")));
    if (!page.open(QIODevice::WriteOnly) || page.write(html.toUtf8()) <= 0) {
        error = "cannot write the page to " + folder.toStdString();
        return {};
    }
    page.close();
    const QString shot = QDir(folder).filePath(QStringLiteral("page.png"));
    QProcess chromium;
    chromium.start(chromiumProgram(),
                   {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                    QStringLiteral("--hide-scrollbars"), QStringLiteral("--force-device-scale-factor=1"),
                    QStringLiteral("--user-data-dir=") + QDir(folder).filePath(QStringLiteral("profile")),
                    QStringLiteral("--window-size=%1,%2").arg(window.width()).arg(window.height()),
                    QStringLiteral("--screenshot=") + shot, QUrl::fromLocalFile(page.fileName()).toString()});
    const QImage screenshot = chromium.waitForFinished(90000) ? QImage(shot) : QImage();
    if (screenshot.isNull())
        error = "chromium took no screenshot: " + chromium.readAllStandardError().toStdString();
    return screenshot;
}
