// The end of a crop drag: the drag's remembered state goes, and only a rectangle the
// drag drew too small is dropped; one reshaped by a corner or moved is kept.
#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;
using Corner = ImageEditorViewModel::CropCorner;
using Mode = ImageEditorViewModel::CropDragMode;

namespace {

class CropDragEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setLoadedImage(Image(coordinateImage(400, 300)), QUrl::fromLocalFile("/tmp/crop.png"));
        model.selectTool(ToolType::crop);
    }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(CropDragEndTest, DrawnRectangleMustBeLargerThanTenBothWays)
{
    model.setCropDragMode(Mode::draw());
    model.setCropRect(QRectF(10, 10, 10, 40));
    model.endCropDrag();
    EXPECT_TRUE(model.cropRect().isNull());
    EXPECT_EQ(model.cropDragMode(), Mode::none());

    model.setCropDragMode(Mode::draw());
    model.setCropRect(QRectF(10, 10, 40, 10.5));
    model.endCropDrag();
    EXPECT_EQ(model.cropRect(), QRectF(10, 10, 40, 10.5));
}

TEST_F(CropDragEndTest, CornerDraggedToTheMinimumOrMovedSmallRectangleIsKept)
{
    model.setCropRect(QRectF(50, 50, 100, 100));
    model.setCropDragMode(Mode::cornerDrag(Corner::bottomRight));
    model.beginCropCornerDrag(Corner::bottomRight);
    model.updateCropCornerDrag(QSizeF(-500, -500), QSizeF(400, 300), Corner::bottomRight);
    ASSERT_EQ(model.cropRect(), QRectF(50, 50, 10, 10));
    model.endCropDrag();
    EXPECT_EQ(model.cropRect(), QRectF(50, 50, 10, 10));
    EXPECT_FALSE(model.cropCornerDragStart());
    EXPECT_FALSE(model.cropDraggingCorner());
    EXPECT_EQ(model.cropDragMode(), Mode::none());

    model.setCropRect(QRectF(0, 0, 8, 8)); // a typed size may be this small
    model.setCropDragMode(Mode::move());
    model.beginCropMove();
    model.updateCropMove(QSizeF(30, 20), QSizeF(400, 300));
    model.endCropDrag();
    EXPECT_EQ(model.cropRect(), QRectF(30, 20, 8, 8));
    EXPECT_FALSE(model.cropMoveStartRect());
}
