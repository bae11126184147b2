// Every menu, panel, popover, toast and tooltip in each of the ten interface languages,
// on a real X display: the layout probe opens them all and measures every text against
// the room it is given (see probes/LayoutProbe.cpp).
#include "XvfbDesktop.h"

class LayoutTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

TEST_F(LayoutTest, EveryTextHasItsRoomInEveryLanguage)
{
    const CommandResult result = desktop().run(QStringLiteral(LUMETRA_LAYOUT_PROBE), {}, 240000);
    EXPECT_TRUE(result.ok()) << result.describe().toStdString();
    EXPECT_TRUE(result.text().endsWith(QStringLiteral("checked, 0 problems"))) << result.text().toStdString();
}
