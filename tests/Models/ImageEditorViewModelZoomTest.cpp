#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace EditorTestSupport;

namespace {

class EditorZoomTest : public ::testing::Test {
protected:
    void SetUp() override { model.setIsBackdropEnabled(false); }
    void TearDown() override { model.setIsBackdropEnabled(false); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorZoomTest, StepsLimitsAndSnap)
{
    const struct {
        double from;
        bool in;
        double to;
    } steps[] = {
        { 1.0, true, 1.15 }, { 0.87, true, 1.0 }, // 1.0005 snaps
        { 15, true, 16 }, { 16, true, 16 }, { 1.0, false, 0.8695652173913044 },
        { 1.02, false, 0.8869565217391305 }, { 0.011, false, 0.01 },
        // Just outside the snap distance nothing is snapped: 0.85 x 1.15 = 0.9775.
        { 0.85, true, 0.9775 },
    };
    for (const auto& step : steps) {
        model.setZoomLevel(step.from);
        step.in ? model.zoomIn() : model.zoomOut();
        EXPECT_DOUBLE_EQ(model.zoomLevel(), step.to) << step.from << (step.in ? " in" : " out");
    }
}

TEST_F(EditorZoomTest, FitWithoutBackdropAndQuarterTurns)
{
    model.fitZoom(QSizeF(500, 500));
    EXPECT_EQ(model.zoomLevel(), 1.0) << "no image: nothing happens";
    EXPECT_FALSE(model.lastFitContainerSize().has_value());

    model.setLoadedImage(solidImage(1000, 500), QUrl::fromLocalFile("/tmp/a.png"));
    model.fitZoom(QSizeF(500, 500));
    EXPECT_EQ(model.zoomLevel(), 0.5);
    EXPECT_EQ(model.lastFitContainerSize(), QSizeF(500, 500));
    for (double rotation : { 90.0, -90.0, 270.0 }) {
        model.setRotation(rotation);
        model.fitZoom(QSizeF(500, 250));
        EXPECT_EQ(model.zoomLevel(), 0.25) << rotation; // 500 x 1000 into 500 x 250
    }
    model.setRotation(180);
    model.fitZoom(QSizeF(500, 250));
    EXPECT_EQ(model.zoomLevel(), 0.5);
    // A high-density image fits by its points: 2000 x 1000 pixels are 1000 x 500.
    model.setRotation(0);
    model.setLoadedImage(solidImage(2000, 1000, Qt::gray, 2.0), QUrl::fromLocalFile("/tmp/retina.png"));
    model.fitZoom(QSizeF(500, 500));
    EXPECT_EQ(model.zoomLevel(), 0.5);

    // Limits: a tiny image fits at 16, and never below 0.01.
    model.setRotation(0);
    model.setLoadedImage(solidImage(4, 4), QUrl::fromLocalFile("/tmp/tiny.png"));
    model.fitZoom(QSizeF(2000, 2000));
    EXPECT_EQ(model.zoomLevel(), 16.0);
    model.fitZoomNoUpscale(QSizeF(2000, 2000));
    EXPECT_EQ(model.zoomLevel(), 1.0);
    model.setLoadedImage(solidImage(10000, 10), QUrl::fromLocalFile("/tmp/wide.png"));
    model.fitZoom(QSizeF(50, 50));
    EXPECT_EQ(model.zoomLevel(), 0.01);
    model.fitZoomNoUpscale(QSizeF(50, 50));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.005) << "no lower bound without upscaling";
}

TEST_F(EditorZoomTest, NonPositiveOrNonFiniteContainersChangeNothing)
{
    model.setLoadedImage(solidImage(100, 100), QUrl::fromLocalFile("/tmp/a.png"));
    model.setZoomLevel(2.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (QSizeF container : { QSizeF(0, 100), QSizeF(100, 0), QSizeF(-5, 100), QSizeF(nan, 100), QSizeF(inf, inf) }) {
        model.fitZoom(container);
        model.fitZoomNoUpscale(container);
        EXPECT_EQ(model.zoomLevel(), 2.0);
        EXPECT_FALSE(model.lastFitContainerSize().has_value());
    }
}

TEST_F(EditorZoomTest, FitKeepsRoomForTheBackdrop)
{
    model.setLoadedImage(solidImage(1000, 500), QUrl::fromLocalFile("/tmp/a.png"));
    model.setIsBackdropEnabled(true);
    model.setCurrentBackdropPadding(50);
    model.setCurrentBackdropShadowEnabled(false);
    const Image image = *model.selectedImage();

    // Padding alone: 50 on every side.
    EXPECT_EQ(model.canvasSizeForFit(QSizeF(1000, 500), image), QSizeF(1100, 600));
    model.fitZoom(QSizeF(550, 550));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5);

    // The shadow adds the layout's margin.
    model.setCurrentBackdropShadowEnabled(true);
    const BackdropParameters parameters = *model.backdropSettings();
    const double margin = parameters.layout(1000, 500).fitMargin();
    EXPECT_GT(margin, 50.0);
    EXPECT_EQ(model.canvasSizeForFit(QSizeF(1000, 500), image), QSizeF(1000 + 2 * margin, 500 + 2 * margin));

    // The backdrop is laid out in the shown image's pixels, as the export lays it out:
    // a scaled image keeps the same margins in pixels.
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.canvasSizeForFit(QSizeF(500, 250), *model.selectedImage()),
        QSizeF(500 + 2 * margin, 250 + 2 * margin));

    // No padding and no shadow: the image alone.
    model.setCurrentBackdropPadding(0);
    model.setCurrentBackdropShadowEnabled(false);
    EXPECT_EQ(model.canvasSizeForFit(QSizeF(500, 250), *model.selectedImage()), QSizeF(500, 250));

    model.setIsBackdropEnabled(false);
    EXPECT_FALSE(model.backdropSettings().has_value());
    model.setCurrentBackdropPadding(80);
    EXPECT_EQ(model.canvasSizeForFit(QSizeF(500, 250), *model.selectedImage()), QSizeF(500, 250));
}

TEST_F(EditorZoomTest, TogglingTheBackdropRefitsUnlessCropping)
{
    model.setCurrentBackdropPadding(50);
    model.setCurrentBackdropShadowEnabled(false);
    model.setBackdropEnabled(true);
    EXPECT_TRUE(model.isBackdropEnabled());
    EXPECT_EQ(model.zoomLevel(), 1.0) << "nothing to fit without an image";
    model.setBackdropEnabled(false);

    model.setLoadedImage(solidImage(1000, 500), QUrl::fromLocalFile("/tmp/a.png"));
    model.setZoomLevel(2.0);
    model.setBackdropEnabled(true);
    EXPECT_EQ(model.zoomLevel(), 2.0) << "no fit yet: no container to fit into";

    model.fitZoom(QSizeF(550, 550));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5); // 1100 by 600 into 550
    model.setBackdropEnabled(false);
    EXPECT_FALSE(UserDefaults::standard().boolValue(Settings::backdropEnabled.name()));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.55) << "without the margins the image alone fits";
    model.setBackdropEnabled(true);
    EXPECT_TRUE(UserDefaults::standard().boolValue(Settings::backdropEnabled.name()));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5);

    model.selectTool(ToolType::crop);
    ASSERT_TRUE(model.isCropping());
    model.setBackdropEnabled(false);
    EXPECT_FALSE(model.isBackdropEnabled());
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5) << "cropping keeps the zoom";
}
