// The registration against a corpus of generated frame pairs: every offset must come
// out exactly or not at all, never wrong.
#include "Capture/FrameRegistration.h"
#include "ScrollTestPages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using ScrollTestPages::Decor;

namespace {

std::optional<int> registered(const QImage& previous, const QImage& next)
{
    return FrameRegistration::verticalOffset(framePixels(previous), framePixels(next)).value();
}

struct Variant {
    const char* name;
    Decor previous;
    Decor next;
};

const Variant kVariants[] = {
    {"plain", {}, {}},
    {"header", {.header = 36}, {.header = 36}},
    {"scrollbar", {.scrollbar = 12}, {.scrollbar = 12}},
    {"caret", {.caret = true}, {}},
    {"noise", {.noiseSeed = 1}, {.noiseSeed = 2}},
    {"changed region", {.changedRegion = 1}, {.changedRegion = 2}},
    {"all at once", {36, 12, true, 3, 5}, {36, 12, false, 4, 6}},
};

struct Tally {
    int exact = 0, failed = 0, wrong = 0;
    int clearExact = 0, clear = 0; // pairs whose overlap holds distinct content
};

} // namespace

TEST(FrameRegistrationCorpus, EveryOffsetIsExactOrFailsNeverWrong)
{
    std::map<std::string, Tally> byVariant;
    const QSize sizes[] = {{480, 360}, {320, 150}};
    for (const QSize size : sizes) {
        ScrollTestPages::Layout at;
        const QImage page = ScrollTestPages::page(size.width(), &at);
        const int h = size.height();
        // Views starting in each kind of content and across the borders between them;
        // in the gradient and the table a failure is the right answer more often than not.
        const struct {
            int top;
            bool distinct;
        } starts[] = {{at.paragraphs + 40, true}, {at.iconList - h / 2, true},
                      {at.iconList + 60, true},   {at.code + 30, true},
                      {at.gradient - h / 2, false}, {at.gradient + 20, false},
                      {at.table - h / 3, false},   {at.moreText + 50, true}};
        const int offsets[] = {1, 2, 3, 5, 8, 13, 24, 40, h / 4, h / 3, h / 2, 2 * h / 3, 9 * h / 10,
                               -1, -6, -h / 4, -h / 2, -9 * h / 10};
        for (const Variant& variant : kVariants) {
            Tally& tally = byVariant[variant.name];
            const int content = h - variant.previous.header;
            for (const auto& start : starts) {
                const QImage previous = ScrollTestPages::frame(page, start.top, h, variant.previous);
                for (const int offset : offsets) {
                    const QImage next = ScrollTestPages::frame(page, start.top + offset, h, variant.next);
                    const auto found = registered(previous, next);
                    ++(!found ? tally.failed : *found == offset ? tally.exact : tally.wrong);
                    if (start.distinct && std::abs(offset) * 100 <= content * 85) {
                        ++tally.clear;
                        tally.clearExact += found == offset ? 1 : 0;
                    }
                    if (found && *found != offset)
                        ADD_FAILURE() << variant.name << " " << size.width() << "x" << h << " start " << start.top
                                      << " offset " << offset << " registered as " << *found;
                }
            }
        }
    }
    // A wrong offset has already failed the test where it was found.
    for (const auto& [name, tally] : byVariant) {
        std::printf("registration corpus, %-15s exact %4d  failed %4d  wrong %d  (distinct content: %d of %d exact)\n",
                    name.c_str(), tally.exact, tally.failed, tally.wrong, tally.clearExact, tally.clear);
        // Failing is for ambiguous content, not a habit.
        EXPECT_GE(tally.clearExact * 100, tally.clear * 90) << name;
    }
}

TEST(FrameRegistrationCorpus, FailsWhereTheContentGivesNoUniqueAnswer)
{
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(480, &at);
    const int h = 200, table = at.table + 30, end = page.height() + 50;
    struct Case {
        const char* name;
        int from, to;
    };
    const Case cases[] = {
        {"uniform area", end, end + 40},
        {"rows repeating every 24 px", table, table + 24},
        {"rows repeating, off the period", table, table + 30},
        {"rows repeating, moved down", table + 100, table + 52},
        {"frames that do not overlap", at.paragraphs + 20, at.paragraphs + 20 + h + 5},
        {"frames far apart", at.paragraphs + 20, at.moreText},
    };
    for (const Case& c : cases) {
        const QImage previous = ScrollTestPages::frame(page, c.from, h);
        const QImage next = ScrollTestPages::frame(page, c.to, h, {.noiseSeed = 9});
        EXPECT_EQ(registered(previous, next), std::nullopt) << c.name;
    }
    // Too small to register at all.
    const QImage small = ScrollTestPages::frame(page, 100, 49);
    EXPECT_EQ(FrameRegistration::verticalOffset(framePixels(small), framePixels(small)).outcome,
              FrameRegistration::Outcome::tooSmall);
}

TEST(FrameRegistrationCorpus, RowsAlikeButForANarrowColumnAreToldApartHoweverFewRowsTheFramesShare)
{
    // Rows of 20 px alike but for their index in small marks at the left, in frames two
    // wheel clicks of 120 px high and one click apart: only six rows in common. Offsets
    // whole rows further leave fewer still, too few for their marks to prove them, yet
    // the marks there contradict them.
    constexpr int kClick = 120;
    for (const bool bars : {false, true}) {
        const QImage page = ScrollTestPages::indexedRows(480, 120, bars);
        for (const int height : {2 * kClick, 2 * kClick + 10}) {
            for (int top = 500; top < 540; top += 3) {
                const QImage previous = ScrollTestPages::frame(page, top, height);
                const QImage next = ScrollTestPages::frame(page, top + kClick, height);
                const auto result = FrameRegistration::verticalOffset(framePixels(previous), framePixels(next),
                                                                      FrameRegistration::Expected{1, height});
                EXPECT_EQ(result.value(), kClick) << (bars ? "bars" : "digits") << " height " << height << " top " << top;
            }
        }
    }
}
