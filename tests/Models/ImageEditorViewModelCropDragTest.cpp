// The end of a crop drag: a rectangle moved at a typed size under the drawing minimum is
// kept (drawn and corner-dragged ones are covered through the crop overlay).
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

TEST_F(CropDragEndTest, MovedSmallRectangleIsKept)
{
    model.setCropRect(QRectF(0, 0, 8, 8)); // a typed size may be this small
    model.setCropDragMode(Mode::move());
    model.beginCropMove();
    model.updateCropMove(QSizeF(30, 20), QSizeF(400, 300));
    model.endCropDrag();
    EXPECT_EQ(model.cropRect(), QRectF(30, 20, 8, 8));
    EXPECT_FALSE(model.cropMoveStartRect());
    EXPECT_EQ(model.cropDragMode(), Mode::none());
}
