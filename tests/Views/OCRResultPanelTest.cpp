// The text-recognition card over the editor: it comes and goes with the view model's
// state, grows with the editor area, names missing language data, and Escape closes it only in its own window (the
// end-to-end tests copy from it).
#include "Models/ImageEditorViewModel.h"
#include "Views/EditorOutputHost.h"
#include "Views/OCRResultPanel.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OcrCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(900, 700);
        canvas->setGeometry(0, 20, 900, 600);
        window.show();
    }
    ImageEditorViewModel model;
    QWidget window;
    QWidget* canvas = new QWidget(&window); // the canvas area the card stands over
    EditorOutputHost host{&model, canvas};
};

} // namespace

TEST_F(OcrCardTest, ComesWithTheStateAtTheTopRightAndGrowsWithTheArea)
{
    EXPECT_EQ(host.ocrPanel(), nullptr);
    model.setOcrPanelState(OCRPanelState::recognizing());
    OCRResultPanel* card = host.ocrPanel();
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(card->copyButton()->isVisible());
    // The card 16 points in from the area's top and right edges, 300 wide.
    const QRect onWindow = card->cardRect().translated(card->pos());
    EXPECT_EQ(onWindow.top(), canvas->y() + 16);
    EXPECT_EQ(onWindow.right() + 1, canvas->x() + canvas->width() - 16);
    EXPECT_EQ(onWindow.width(), OCRResultPanel::cardWidth);

    const std::pair<int, std::pair<int, int>> heights[] = {{250, {218, 120}}, {900, {868, 768}}, {100, {200, 120}}};
    for (const auto& [area, limits] : heights) {
        card->setAreaHeight(area);
        EXPECT_EQ(card->maxHeight(), limits.first);
        EXPECT_EQ(card->textAreaMaxHeight(), limits.second);
    }

    // Missing language data is named under the result, and only then.
    EXPECT_FALSE(card->noteLabel()->isVisible());
    model.setOcrPanelState(OCRPanelState::text(QStringLiteral("read"), {{QStringLiteral("eng")}, {QStringLiteral("chi_tra")}}));
    EXPECT_TRUE(card->noteLabel()->isVisible());
    EXPECT_TRUE(card->noteLabel()->text().contains(QStringLiteral("chi_tra")));

    model.setOcrPanelState(std::nullopt);
    EXPECT_EQ(host.ocrPanel(), nullptr);
}

TEST_F(OcrCardTest, EscapeClosesTheCardInItsOwnWindowOnly)
{
    model.setOcrPanelState(OCRPanelState::empty());
    ASSERT_NE(host.ocrPanel(), nullptr);
    QWidget elsewhere;
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_Escape);
    EXPECT_TRUE(model.ocrPanelState().has_value());
    QTest::keyClick(canvas, Qt::Key_A);
    EXPECT_TRUE(model.ocrPanelState().has_value());
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(model.ocrPanelState().has_value());
}
