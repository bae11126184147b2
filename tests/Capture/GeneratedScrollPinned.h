#pragma once

// Single generated pages that a test pins, each at one selection height, with what the
// capture of each must come to.
#include "GeneratedScrollCapture.h"
#include "ScrollDiagnosticsTest.h"

#include <gtest/gtest.h>

namespace GeneratedScrollPinned {

using namespace GeneratedScrollPage;

// One capture a test holds to: page `page` of seed `seed`, selected `height` px high.
struct PinnedCapture {
    quint64 seed;
    int page;
    int height;
};

// The same, and whether it must come out exact or may end with a true message.
struct PinnedOutcome {
    quint64 seed;
    int page;
    int height;
    bool exact;
};

class PinnedCaptureTest : public ScrollDiagnosticsTest {
public:
    // Exact where the case must be; elsewhere anything but a wrong image or a false message.
    static void expectExactOrNotWrong(bool exact, const Verdict& verdict)
    {
        if (exact)
            EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        else
            EXPECT_NE(verdict.kind, Verdict::Kind::wrong) << verdict.what.toStdString();
    }

    // Every row once and no message: the end was reached.
    static void expectExactAndSilent(const Capture& capture, const Verdict& verdict)
    {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        EXPECT_FALSE(capture.stoppedEarly);
    }

    // Runs each listed capture (a seed, a page, a selection height) under a trace that
    // names it, and hands it with its verdict to `check`.
    template <typename Cases, typename Check>
    static void forEachCapture(const Cases& cases, Check check)
    {
        for (const auto& c : cases) {
            const Description page = describe(c.seed, c.page);
            SCOPED_TRACE(testing::Message() << "seed " << c.seed << " page " << c.page << " at " << c.height << " px: "
                                            << page.summary().toStdString());
            const Capture capture = runCapture(page, c.height);
            check(c, page, capture, judge(page, capture));
        }
    }
};

} // namespace GeneratedScrollPinned
