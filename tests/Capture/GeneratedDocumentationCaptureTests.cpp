// Scrolling capture of a long documentation page: prose, headings and grey code blocks
// in a main column that scrolls beside a navigation column that stays put. Rows of text
// look alike a line apart, and the column that stays put differs from the scrolled rows
// at every offset but none.
#include "GeneratedScrollCapture.h"
#include "ScrollDiagnosticsTest.h"

#include <gtest/gtest.h>

namespace {

using namespace GeneratedScrollPage;

class GeneratedDocumentationCaptureTest : public ScrollDiagnosticsTest {};

} // namespace

TEST_F(GeneratedDocumentationCaptureTest, AClickMeasuredAtAnotherSizeThanTheNextOnesIsLearntAgain)
{
    // The lower 60% of a 1000x900 view whose clicks scroll 120 px each; then the same page
    // where the first click went 181 px (as a first click measured wrong leaves the
    // capture believing), and every later one 120 px.
    const Description alike = describeDocumentation(1, 1000, 900, 120);
    Description unlike = alike;
    unlike.firstClickPx = 181;
    const int height = alike.selectionHeights.at(1);
    SCOPED_TRACE(alike.summary().toStdString());

    const Capture steady = runCapture(alike, height);
    const Verdict steadyVerdict = judge(alike, steady);
    ASSERT_EQ(steadyVerdict.kind, Verdict::Kind::exact) << steadyVerdict.what.toStdString();

    const Capture relearnt = runCapture(unlike, height);
    const Verdict verdict = judge(unlike, relearnt);
    EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << verdict.what.toStdString();
    // Steps refused as no whole number of the first click are kept only once the page
    // stood still short of the scroll, each after several looks: many times slower.
    EXPECT_LE(relearnt.captureMs, steady.captureMs * 3 / 2)
        << "took " << relearnt.captureMs << " ms where clicks alike take " << steady.captureMs << " ms";
}
