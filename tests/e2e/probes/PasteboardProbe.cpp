// A tiny client of Lumetra's clipboard pasteboard for the end-to-end tests: it runs
// QtPasteboard on a real X11 display and answers one line per command read from
// standard input, so a test can check what other X clients see and what they change.
//
//   count              -> "count N"
//   settext TEXT       -> "ok N"            (N: change count afterwards)
//   setimage PATH      -> "ok N" | "error"  (PNG file, offered as PNG and TIFF)
//   clear              -> "ok N"
//   text               -> "text TEXT" | "none"
//   png PATH | tiff PATH -> "ok" | "none"   (writes what the clipboard holds to PATH)
#include "Platform/QtPasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void reply(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void handle(QtPasteboard& pasteboard, const QString& line)
{
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    const QString argument = line.section(QLatin1Char(' '), 1);
    if (command == QLatin1String("count")) {
        reply(QStringLiteral("count %1").arg(pasteboard.changeCount()));
    } else if (command == QLatin1String("settext")) {
        pasteboard.setText(argument);
        reply(QStringLiteral("ok %1").arg(pasteboard.changeCount()));
    } else if (command == QLatin1String("setimage")) {
        QFile file(argument);
        const QImage image = file.open(QIODevice::ReadOnly) ? QImage::fromData(file.readAll(), "PNG") : QImage();
        if (image.isNull()) {
            reply(QStringLiteral("error"));
            return;
        }
        file.seek(0);
        QByteArray tiff;
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "TIFF");
        pasteboard.setItems({{Pasteboard::pngType, file.readAll()}, {Pasteboard::tiffType, tiff}});
        reply(QStringLiteral("ok %1").arg(pasteboard.changeCount()));
    } else if (command == QLatin1String("clear")) {
        pasteboard.clearContents();
        reply(QStringLiteral("ok %1").arg(pasteboard.changeCount()));
    } else if (command == QLatin1String("text")) {
        const auto text = pasteboard.text();
        reply(text ? QStringLiteral("text ") + *text : QStringLiteral("none"));
    } else if (command == QLatin1String("png") || command == QLatin1String("tiff")) {
        const auto bytes = pasteboard.data(command == QLatin1String("png") ? Pasteboard::pngType : Pasteboard::tiffType);
        QFile out(argument);
        if (!bytes || !out.open(QIODevice::WriteOnly)) {
            reply(QStringLiteral("none"));
            return;
        }
        out.write(*bytes);
        out.close(); // on disk before the test reads it
        reply(QStringLiteral("ok"));
    } else {
        reply(QStringLiteral("error unknown command"));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtPasteboard pasteboard;
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            input.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(chunk, static_cast<int>(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            handle(pasteboard, line);
        }
    });
    reply(QStringLiteral("ready %1").arg(pasteboard.changeCount()));
    return app.exec();
}
