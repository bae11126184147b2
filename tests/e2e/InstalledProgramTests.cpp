// The installed program runs the helper programs installed with it: staged with
// DESTDIR=... cmake --install and run where its build folder cannot be reached (hidden
// under an empty folder in a mount namespace of its own), Lumetra still opens a HEIC
// file (lumetra-heif-decoder) and recognises the text in it (lumetra-ocr).
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include "Output/ImageEncoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QRegularExpression>

#include <unistd.h>

namespace {

using namespace e2e;

class InstalledProgram : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

} // namespace

TEST_F(InstalledProgram, RunsItsOwnHelpersWithTheBuildFolderGone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "hiding the build folder takes a mount namespace, which only root may make";
    const QString build = QStringLiteral(LUMETRA_BUILD_DIR);
    const QString stage = QDir(desktop().workDir()).filePath(QStringLiteral("stage"));
    QProcessEnvironment staging;
    staging.insert(QStringLiteral("DESTDIR"), stage);
    QProcess installer;
    installer.setProcessEnvironment(desktop().environment(staging));
    installer.start(QStringLiteral("cmake"), {QStringLiteral("--install"), build});
    ASSERT_TRUE(installer.waitForFinished(120000));
    ASSERT_EQ(installer.exitCode(), 0) << installer.readAllStandardError().toStdString();
    QString program;
    for (const QString& candidate : {QStringLiteral("/usr/local/bin/lumetra"), QStringLiteral("/usr/bin/lumetra")})
        if (QFileInfo(stage + candidate).isExecutable())
            program = stage + candidate;
    ASSERT_FALSE(program.isEmpty()) << "no lumetra under " << stage.toStdString();

    // A HEIC image with a line of text.
    const QString text = QStringLiteral("Installed helpers read 2026");
    QImage page(720, 160, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setPen(QColor(20, 20, 20));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        painter.setFont(font);
        painter.drawText(QPoint(30, 95), text);
    }
    const EncodeResult heic = encodeHeic(page, 0.95);
    ASSERT_TRUE(heic.ok()) << heic.detail.toStdString();
    const QString image = QDir(desktop().workDir()).filePath(QStringLiteral("installed.heic"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(heic.data) == heic.data.size());
    file.close();

    // The build folder holds nothing for the program: an empty folder lies over it.
    QProcess* lumetra = desktop().startBackground(
        QStringLiteral("unshare"),
        {QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
         QStringLiteral("mount -t tmpfs lumetra-gone \"$0\" && test ! -e \"$0/lumetra-ocr\" && exec \"$@\""), build,
         program, image});
    ASSERT_TRUE(lumetra);
    const std::optional<QString> window = desktop().waitForWindow(QStringLiteral("^Lumetra - installed\\.heic$"), 30000);
    ASSERT_TRUE(window) << "the HEIC file did not open: " << lumetra->readAllStandardOutput().toStdString();
    ASSERT_TRUE(desktop().activate(*window));
    const CommandResult info = desktop().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), *window});
    const auto field = [&](const char* name) {
        return QRegularExpression(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name))).match(info.text()).captured(1).toInt();
    };
    const QRect geometry(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
    ASSERT_TRUE(info.ok() && geometry.width() > 300) << info.describe().toStdString();

    // Text recognition (its shortcut): the card's copy button, the accent bar across it,
    // shows once the text is there, and puts the text on the clipboard.
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+shift+o")));
    const int barY = geometry.height() - kInformationBar - kBottomInset - kBarHeight / 2;
    const QRect card(geometry.width() - 16 - 300, 0, 300, barY - kBarHeight / 2);
    QPoint copy;
    desktop().waitForScreenshot(
        *window,
        [&](const QImage& s) {
            for (int y = card.top(); y < card.bottom(); ++y)
                if (countPixels(s, QRect(card.left() + 20, y, card.width() - 40, 1), isAccent) == card.width() - 40) {
                    copy = QPoint(card.center().x(), y + 8);
                    return true;
                }
            return false;
        },
        90000);
    ASSERT_FALSE(copy.isNull()) << "no text was recognised";
    desktop().click(geometry.topLeft() + copy);
    QString copied;
    waitUntil([&] {
        copied = QString::fromUtf8(desktop().clipboard(QStringLiteral("UTF8_STRING")).value_or(QByteArray()));
        return !copied.isEmpty();
    }, 10000);
    EXPECT_EQ(copied.simplified(), text);
}
