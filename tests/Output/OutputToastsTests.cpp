#include "Core/Settings.h"
#include "Output/OutputToasts.h"
#include "Platform/UserDefaults.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A clock the test moves by hand.
struct FakeClock {
    struct Pending {
        int due;
        std::function<void()> work;
        bool cancelled = false;
    };
    int now = 0;
    std::vector<std::shared_ptr<Pending>> pending;

    OutputToast::Scheduler scheduler()
    {
        return [this](int milliseconds, std::function<void()> work) -> std::function<void()> {
            auto item = std::make_shared<Pending>(Pending{now + milliseconds, std::move(work)});
            pending.push_back(item);
            return [item] { item->cancelled = true; };
        };
    }

    void advance(int milliseconds)
    {
        now += milliseconds;
        for (const auto& item : std::vector(pending)) {
            if (!item->cancelled && item->due <= now && item->work) {
                auto work = std::move(item->work);
                item->work = nullptr;
                work();
            }
        }
    }
};

} // namespace

TEST(OutputToasts, SaveToastStaysFourSecondsCopyToastOnePointEightAndAHiddenOneNeverDismissesItself)
{
    FakeClock clock;
    int savedDismissed = 0;
    SaveToast saved(QUrl::fromLocalFile("/tmp/a.png"), {}, {}, [&] { ++savedDismissed; });
    saved.setScheduler(clock.scheduler());
    saved.show();
    EXPECT_EQ(saved.findChild<QLabel*>()->text(), "Saved as a.png");
    // Its buttons act (what they do is the editor's output host's test) without taking
    // it away or moving its time.
    EXPECT_EQ(saved.finderButton()->text(), "Show in Folder");
    EXPECT_EQ(saved.copyButton()->text(), "Copy");
    saved.finderButton()->click();
    saved.copyButton()->click();
    EXPECT_TRUE(saved.isVisible());
    clock.advance(3999);
    EXPECT_EQ(savedDismissed, 0);
    clock.advance(1);
    EXPECT_EQ(savedDismissed, 1);
    clock.advance(10000);
    EXPECT_EQ(savedDismissed, 1);

    int copyDismissed = 0;
    CopyToast copy([&] { ++copyDismissed; });
    copy.setScheduler(clock.scheduler());
    EXPECT_EQ(copy.findChild<QLabel*>()->text(), "Copied to clipboard");
    copy.show();
    clock.advance(1000);
    copy.hide();
    clock.advance(5000);
    EXPECT_EQ(copyDismissed, 0);
    // Shown again: a fresh full display time.
    copy.show();
    clock.advance(1799);
    EXPECT_EQ(copyDismissed, 0);
    clock.advance(1);
    EXPECT_EQ(copyDismissed, 1);
}

TEST(OutputToasts, RealTimerDismisses)
{
    int dismissed = 0;
    CopyToast toast([&] { ++dismissed; });
    toast.setScheduler([&toast](int, std::function<void()> work) {
        return OutputToast::timerScheduler(&toast)(10, std::move(work)); // shortened
    });
    toast.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed == 1; }, 2000));
}

TEST(OutputToasts, ShownToastsFollowALanguageChange)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(Settings::appLanguage.name(), QStringLiteral("en"));
    CopyToast copy([] {});
    SaveToast save(QUrl::fromLocalFile(QStringLiteral("/tmp/a.png")), [] {}, [] {}, [] {});
    defaults.set(Settings::appLanguage.name(), QStringLiteral("ja"));
    EXPECT_NE(copy.findChild<QLabel*>()->text(), QStringLiteral("Copied to clipboard"));
    // The saved toast still names the file it wrote.
    EXPECT_EQ(save.findChild<QLabel*>()->text(), QStringLiteral("a.png として保存しました"));
    EXPECT_NE(save.finderButton()->text(), QStringLiteral("Show in Folder"));
    EXPECT_NE(save.copyButton()->text(), QStringLiteral("Copy"));
    defaults.set(Settings::appLanguage.name(), QStringLiteral("system"));
}
