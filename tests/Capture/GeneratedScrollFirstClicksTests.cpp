// Scrolling capture on generated pages where the first clicks, before a click's size is
// known, meet a header that changes height, pictures that load and regions that change
// by themselves; and where such regions later cover most of the view's width.
#include "GeneratedScrollCapture.h"

#include "Capture/CaptureLog.h"

#include <cstdio>

#include <gtest/gtest.h>

namespace {

using namespace GeneratedScrollPage;

struct Case {
    quint64 seed;
    int page;
    int height;
    const char* what;
};

void expectExact(const Case& c)
{
    const Description page = describe(c.seed, c.page);
    SCOPED_TRACE(testing::Message() << c.what << "; seed " << c.seed << " page " << c.page << " at " << c.height
                                    << " px: " << page.summary().toStdString());
    const Capture capture = runCapture(page, c.height);
    const Verdict verdict = judge(page, capture);
    EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
}

class GeneratedScrollFirstClicksTest : public ::testing::Test {
public:
    void SetUp() override
    {
        // SCROLL_DIAG=1 prints the capture's diagnostics.
        setCaptureDiagnosticSink([](const QString& line) {
            if (qEnvironmentVariableIsSet("SCROLL_DIAG"))
                std::fprintf(stderr, "%s\n", qPrintable(line));
        });
    }
    void TearDown() override { setCaptureDiagnosticSink({}); }
};

} // namespace

// The first click moves the rows under a header that changes height while the cards'
// pictures load: neither the whole frames nor the frames without the header's band
// place it, the rows that did not change between those bands do.
TEST_F(GeneratedScrollFirstClicksTest, AFirstClickUnderAHeaderThatChangesHeightWhilePicturesLoadIsPlaced)
{
    const Case cases[] = {
        {1, 35, 736, "cards under a shrinking header and above a growing footer"},
        {2, 64, 598, "rows and cards beside a canvas, above a footer"},
    };
    for (const Case& c : cases)
        expectExact(c);
}

// Further down, a region that scrolls with its row joins a canvas fixed in the view, and
// the columns that change by themselves cover most of the width: a page that scrolled
// beside them is no page standing at its end.
TEST_F(GeneratedScrollFirstClicksTest, APageThatScrollsBesideColumnsOverMostOfTheWidthIsNotTakenForItsEnd)
{
    expectExact({1, 128, 760, "cards under a shrinking header, beside a canvas and a region scrolling in"});
}
