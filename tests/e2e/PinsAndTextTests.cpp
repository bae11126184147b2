// Pins and text recognition from the editor's toolbar on a real X server: the pin button
// shows the image in a window of its own above the editor, which a drag moves, whose
// context menu closes it, and which the pin button closes again for unchanged content;
// the text button shows the recognised text in a card whose copy button puts exactly
// that text on the clipboard.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

namespace {

using namespace e2e;

const QString kPinTitle = QStringLiteral("^Lumetra Pin$");

class PinsAndText : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    void openEditor(const QImage& image)
    {
        const auto window = desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("image.png"), image));
        ASSERT_TRUE(window) << desktop().errorString().toStdString();
        m_window = *window;
        const auto geometry = clientGeometry(m_window);
        ASSERT_TRUE(geometry);
        m_geometry = *geometry;
        // The bar's last button (export) is the accent square 10 points in from its end;
        // the buttons before it stand 33 points apart.
        m_barY = m_geometry.height() - kInformationBar - kBottomInset - kBarHeight / 2;
        desktop().waitForScreenshot(m_window, [&](const QImage& s) {
            for (int x = s.width() - 1; x >= s.width() / 2; --x)
                if (isAccent(s.pixelColor(x, m_barY))) {
                    m_exportX = x - 13;
                    return true;
                }
            return false;
        });
        ASSERT_GT(m_exportX, 0) << "no toolbar";
    }

    // Where a window's own area lies on the screen (inside the window manager's frame).
    std::optional<QRect> clientGeometry(const QString& window)
    {
        const CommandResult info = desktop().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
        const auto field = [&](const char* name) {
            return QRegularExpression(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)))
                .match(info.text()).captured(1).toInt();
        };
        return info.ok() ? std::optional<QRect>(QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                                                      field("Width"), field("Height")))
                         : std::nullopt;
    }

    QPoint toolbarButton(int fromExport) const { return m_geometry.topLeft() + QPoint(m_exportX - 33 * fromExport, m_barY); }

    QString m_window;
    QRect m_geometry;
    int m_barY = 0;
    int m_exportX = -1;
};

} // namespace

TEST_F(PinsAndText, PinButtonShowsAMovablePinThatItsMenuAndTheButtonClose)
{
    const QImage image = e2e::patternImage(QSize(360, 240));
    openEditor(image);
    // Enlarged in the editor, the image's exact pixels show only in the pin.
    ASSERT_TRUE(desktop().activate(m_window));
    desktop().key(QStringLiteral("ctrl+equal"));
    const QPoint pinButton = toolbarButton(2);
    desktop().click(pinButton);
    const auto pin = desktop().waitForWindow(kPinTitle);
    ASSERT_TRUE(pin);

    // One image pixel per screen pixel (no compositor: no margin), every pixel showing,
    // where the pin overlaps the editor too: it stands above it.
    const std::optional<QPoint> shown = desktop().waitForOnScreen(image);
    ASSERT_TRUE(shown) << "the image's pixels are not on the screen";
    EXPECT_EQ(clientGeometry(*pin)->topLeft(), *shown);
    EXPECT_TRUE(QRect(*shown, image.size()).intersects(m_geometry)) << "the pin opens over the editor";

    // A drag anywhere on it moves it by as much (the pointer then leaves it, taking the
    // close button that shows while it is over the pin).
    const QPoint grab = *shown + QPoint(180, 120);
    ASSERT_TRUE(desktop().dragPointer(grab, grab - QPoint(400, 300), 10));
    desktop().xdotool({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")});
    const std::optional<QPoint> moved = desktop().waitForOnScreen(image);
    ASSERT_TRUE(moved);
    EXPECT_EQ(*moved, *shown - QPoint(400, 300));

    // Its context menu's last item closes it.
    desktop().click(*moved + QPoint(100, 100), 3);
    desktop().key(QStringLiteral("Up Return"));
    EXPECT_TRUE(desktop().waitForWindowGone(kPinTitle));

    // Pinned again it opens where the last one closed; pinned once more, unchanged, it closes.
    desktop().click(pinButton);
    ASSERT_TRUE(desktop().waitForWindow(kPinTitle));
    EXPECT_EQ(clientGeometry(*desktop().waitForWindow(kPinTitle))->topLeft(), *moved);
    desktop().click(pinButton);
    EXPECT_TRUE(desktop().waitForWindowGone(kPinTitle));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(PinsAndText, TextButtonShowsTheTextAndItsCopyButtonPutsItOnTheClipboard)
{
    const QString text = QString::fromUtf8("Hello Lumetra 2024\n文字识别测试");
    openEditor(e2e::paintedImage(QSize(640, 220), [&](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), Qt::white);
        p.setPen(QColor(20, 20, 20));
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPixelSize(40);
        p.setFont(font);
        p.drawText(QPoint(40, 80), text.section(QLatin1Char('\n'), 0, 0));
        p.drawText(QPoint(40, 160), text.section(QLatin1Char('\n'), 1, 1));
    }));
    desktop().click(toolbarButton(3));

    // The card in the canvas area's top right corner: its copy button is the accent bar
    // across it, shown once the text is there.
    const QRect card(m_geometry.width() - 16 - 300, 0, 300, m_barY - kBarHeight / 2);
    QPoint copy;
    desktop().waitForScreenshot(
        m_window,
        [&](const QImage& s) {
            for (int y = card.top(); y < card.bottom(); ++y)
                if (e2e::countPixels(s, QRect(card.left() + 20, y, card.width() - 40, 1), isAccent) == card.width() - 40) {
                    copy = QPoint(card.center().x(), y + 8);
                    return true;
                }
            return false;
        },
        60000);
    ASSERT_FALSE(copy.isNull()) << "no card with a copy button";
    desktop().click(m_geometry.topLeft() + copy);
    const std::optional<QByteArray> copied = desktop().clipboard(QStringLiteral("UTF8_STRING"));
    ASSERT_TRUE(copied);
    EXPECT_EQ(QString::fromUtf8(*copied), text);
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
