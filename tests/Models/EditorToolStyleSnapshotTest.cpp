#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Models/EditorToolStyleSnapshot.h"
#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Models/Palette.h"
#include "Platform/UserDefaults.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <limits>

using namespace EditorTestSupport;

namespace {

class ToolStylePersistenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), true);
        UserDefaults::standard().remove(Settings::toolStyleSnapshot.name());
    }
    void TearDown() override
    {
        UserDefaults::standard().remove(Settings::toolStyleSnapshot.name());
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
    }

    // A snapshot as a model with distinct styles writes it.
    QJsonObject storedObject()
    {
        ImageEditorViewModel source;
        source.setCurrentArrowLineWidth(5);
        source.setCurrentShapeType(ShapeType::circle);
        source.setCurrentFillColor(RgbaColor(0.1, 0.2, 0.3, 0.4));
        source.setCurrentNumberColor(RgbaColor(0.5, 0.25, 0.125));
        source.setCurrentBackdropPreset(BackdropPreset::ocean);
        source.setCurrentFontName("Liberation Sans");
        source.setCurrentTextColor(RgbaColor(0.2, 0.4, 0.6, 0.8)); // synced into the other four
        source.setCurrentArrowColor(RgbaColor(1.0 / 3.0, 0.7, 0.9)); // and again, now different from text
        source.persistToolStyles();
        return QJsonDocument::fromJson(*UserDefaults::standard().data(Settings::toolStyleSnapshot.name())).object();
    }
    void store(const QJsonObject& object)
    {
        UserDefaults::standard().setData(Settings::toolStyleSnapshot.name(), QJsonDocument(object).toJson());
    }
};

} // namespace

TEST(ToolStyleSnapshot, JsonRoundTripIsExact)
{
    ImageEditorViewModel model;
    model.setCurrentArrowColor(RgbaColor(1.0 / 3.0, 2.0 / 7.0, 0.1, 0.35));
    model.setCurrentFillColor(RgbaColor(0.123456789012345, 0.5, 0.25));
    const ToolStyleSnapshot snapshot = model.makeToolStyleSnapshot();
    EXPECT_EQ(snapshot.shapeType, "直角矩形");
    EXPECT_EQ(snapshot.backdropPreset, std::optional<QString>("white"));
    const auto json = snapshot.toJson();
    ASSERT_TRUE(json.has_value());
    const auto back = ToolStyleSnapshot::fromJson(*json);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, snapshot);

    // No fill: the key is left out.
    model.setCurrentFillColor(std::nullopt);
    const auto noFill = model.makeToolStyleSnapshot().toJson();
    EXPECT_FALSE(QJsonDocument::fromJson(*noFill).object().contains("fillColor"));
}

TEST(ToolStyleSnapshot, DecodingIsAllOrNothing)
{
    ImageEditorViewModel model;
    const QJsonObject good = QJsonDocument::fromJson(*model.makeToolStyleSnapshot().toJson()).object();
    auto decode = [](const QJsonObject& o) { return ToolStyleSnapshot::fromJson(QJsonDocument(o).toJson()); };
    ASSERT_TRUE(decode(good).has_value());

    QJsonObject o = good;
    o.remove("highlighterAlpha");
    EXPECT_FALSE(decode(o)) << "a required key is missing";
    o = good;
    o["fontSize"] = QJsonValue::Null;
    EXPECT_FALSE(decode(o)) << "null in a required key";
    o = good;
    o["arrowLineWidth"] = "3";
    EXPECT_FALSE(decode(o)) << "a string for a number";
    o = good;
    o["backdropShadowEnabled"] = 1;
    EXPECT_FALSE(decode(o)) << "a number for a Boolean";
    o = good;
    o["textColor"] = QJsonObject { { "r", 1 }, { "g", 0 } };
    EXPECT_FALSE(decode(o)) << "a colour without blue";

    o = good;
    o.remove("spotlightDim");
    o["fillColor"] = QJsonValue::Null;
    o["somethingNew"] = 42;
    o["arrowColor"] = QJsonObject { { "r", 1 }, { "g", 0 }, { "b", 0 } }; // written before alpha existed
    const auto tolerant = decode(o);
    ASSERT_TRUE(tolerant.has_value());
    EXPECT_FALSE(tolerant->spotlightDim.has_value());
    EXPECT_FALSE(tolerant->fillColor.has_value());
    EXPECT_FALSE(tolerant->arrowColor.a.has_value());

    EXPECT_FALSE(ToolStyleSnapshot::fromJson("not json"));
    EXPECT_FALSE(ToolStyleSnapshot::fromJson("[1, 2]"));
    EXPECT_FALSE(ToolStyleSnapshot::fromJson(QByteArray()));
}

TEST(ToolStyleSnapshot, NonFiniteNumbersAreNotWritten)
{
    ToolStyleSnapshot snapshot;
    snapshot.fontSize = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(snapshot.toJson().has_value());
    snapshot.fontSize = 12;
    ASSERT_TRUE(snapshot.toJson().has_value());
    snapshot.textColor.a = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(snapshot.toJson().has_value()) << "a colour's alpha is checked too";
}

TEST_F(ToolStylePersistenceTest, RestoreAssignsEveryStoredValueAsSaved)
{
    store(storedObject());
    ImageEditorViewModel model;
    EXPECT_EQ(model.currentArrowLineWidth(), 5.0);
    EXPECT_EQ(model.currentShapeType(), ShapeType::circle);
    EXPECT_EQ(model.currentFillColor(), std::optional<RgbaColor>(RgbaColor(0.1, 0.2, 0.3, 0.4)));
    EXPECT_EQ(model.currentNumberColor(), RgbaColor(0.5, 0.25, 0.125));
    EXPECT_EQ(model.currentBackdropPreset(), BackdropPreset::ocean);
    EXPECT_EQ(model.currentFontName(), "Liberation Sans");
    // Each colour as it was saved: restoring does not run the colour sync.
    EXPECT_EQ(model.currentArrowColor(), RgbaColor(1.0 / 3.0, 0.7, 0.9));
    EXPECT_EQ(model.currentStrokeColor(), RgbaColor(1.0 / 3.0, 0.7, 0.9));
    EXPECT_EQ(model.currentTextColor(), RgbaColor(1.0 / 3.0, 0.7, 0.9));
    EXPECT_FALSE(model.isRestoringToolStyles());

    // Colours whose shared group was split in the stored data stay split.
    QJsonObject split = storedObject();
    split["textColor"] = QJsonObject { { "r", 0 }, { "g", 0 }, { "b", 0 } };
    store(split);
    ImageEditorViewModel other;
    EXPECT_EQ(other.currentTextColor(), RgbaColor(0, 0, 0));
    EXPECT_EQ(other.currentArrowColor(), RgbaColor(1.0 / 3.0, 0.7, 0.9));
}

TEST_F(ToolStylePersistenceTest, AbsentOptionalsTakeTheirDefaults)
{
    QJsonObject o = storedObject();
    o.remove("spotlightDim");
    o.remove("backdropPreset");
    o.remove("backdropPadding");
    o.remove("backdropCornerRadius");
    o.remove("backdropShadowEnabled");
    o.remove("backdropShadowIntensity");
    o.remove("fillColor");
    o["arrowColor"] = QJsonObject { { "r", 0.25 }, { "g", 0.5 }, { "b", 1 } };
    store(o);
    ImageEditorViewModel model;
    EXPECT_EQ(model.currentSpotlightDim(), 0.45);
    EXPECT_EQ(model.currentBackdropPreset(), BackdropPreset::white);
    EXPECT_EQ(model.currentBackdropPadding(), 32.0);
    EXPECT_EQ(model.currentBackdropCornerRadius(), 12.0);
    EXPECT_TRUE(model.currentBackdropShadowEnabled());
    EXPECT_EQ(model.currentBackdropShadowIntensity(), 0.5);
    EXPECT_FALSE(model.currentFillColor().has_value());
    EXPECT_EQ(model.currentArrowColor(), RgbaColor(0.25, 0.5, 1.0, 1.0)) << "no alpha reads as opaque";
}

TEST_F(ToolStylePersistenceTest, UnknownNamesAndOutOfRangeValuesFallBack)
{
    QJsonObject o = storedObject();
    o["shapeType"] = "circle"; // the case name, not the stored raw value
    o["backdropPreset"] = "neon";
    o["lineStyle"] = "wavy";
    o["arrowLineWidth"] = 0;
    o["rectLineWidth"] = -4;
    o["numberDiameter"] = 0;
    o["freehandLineWidth"] = -1;
    o["lineLineWidth"] = 0;
    o["fontSize"] = 0;
    o["mosaicIntensity"] = -2;
    o["backdropPadding"] = -10;
    o["backdropCornerRadius"] = -1;
    o["highlighterAlpha"] = 0;
    o["spotlightDim"] = 7;
    o["backdropShadowIntensity"] = -0.5;
    o["fontName"] = "No Such Font";
    store(o);
    ImageEditorViewModel model;
    EXPECT_EQ(model.currentShapeType(), ShapeType::rectangle);
    EXPECT_EQ(model.currentBackdropPreset(), BackdropPreset::white);
    EXPECT_EQ(model.currentLineStyle(), LineStyle::solid);
    EXPECT_EQ(model.currentArrowLineWidth(), 3.0);
    EXPECT_EQ(model.currentRectLineWidth(), 2.0);
    EXPECT_EQ(model.currentNumberDiameter(), 28.0);
    EXPECT_EQ(model.currentFreehandLineWidth(), 3.0);
    EXPECT_EQ(model.currentLineLineWidth(), 3.0);
    EXPECT_EQ(model.currentFontSize(), 16.0);
    EXPECT_EQ(model.currentMosaicIntensity(), 5.0);
    EXPECT_EQ(model.currentBackdropPadding(), 32.0);
    EXPECT_EQ(model.currentBackdropCornerRadius(), 12.0);
    EXPECT_EQ(model.currentHighlighterAlpha(), 0.5);
    EXPECT_EQ(model.currentSpotlightDim(), 0.45);
    EXPECT_EQ(model.currentBackdropShadowIntensity(), 0.5);
    EXPECT_EQ(model.currentFontName(), "No Such Font") << "names are kept as stored";
}

TEST_F(ToolStylePersistenceTest, NothingIsRestoredFromBadDataOrWhileNotRemembering)
{
    for (const QByteArray& bad : { QByteArray("{oops"), QByteArray("[]"), QByteArray("{}") }) {
        UserDefaults::standard().setData(Settings::toolStyleSnapshot.name(), bad);
        ImageEditorViewModel model;
        EXPECT_EQ(model.currentArrowLineWidth(), 3.0);
        EXPECT_EQ(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()), bad) << "left in place";
    }
    QJsonObject o = storedObject();
    o.remove("highlighterAlpha");
    store(o);
    EXPECT_EQ(ImageEditorViewModel().currentArrowLineWidth(), 3.0);

    store(storedObject());
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
    ImageEditorViewModel model;
    EXPECT_EQ(model.currentArrowLineWidth(), 3.0);
    model.setCurrentArrowLineWidth(8);
    EXPECT_EQ(ToolStyleSnapshot::fromJson(*UserDefaults::standard().data(Settings::toolStyleSnapshot.name()))->arrowLineWidth, 5.0)
        << "changes are not saved";
    NotificationCenter::defaultCenter().post(Notifications::persistToolStyles);
    EXPECT_EQ(ToolStyleSnapshot::fromJson(*UserDefaults::standard().data(Settings::toolStyleSnapshot.name()))->arrowLineWidth, 8.0)
        << "the command saves regardless";
}

TEST_F(ToolStylePersistenceTest, ResetGivesTheInitialValuesEverywhere)
{
    store(storedObject());
    ImageEditorViewModel first;
    ImageEditorViewModel second;
    first.setLoadedImage(solidImage(100, 100), QUrl::fromLocalFile("/tmp/r.png"));
    ArrowAnnotation selected = arrow(true);
    selected.color = RgbaColor(0, 1, 0);
    selected.lineWidth = 9;
    selected.headStyle = ArrowHeadStyle::dot;
    first.annotationManager()->appendArrow(selected);

    NotificationCenter::defaultCenter().post(Notifications::resetToolStyles);
    for (ImageEditorViewModel* model : { &first, &second }) {
        EXPECT_EQ(model->currentArrowColor(), paletteRed);
        EXPECT_EQ(model->currentStrokeColor(), paletteRed);
        EXPECT_EQ(model->currentLineColor(), paletteRed);
        EXPECT_EQ(model->currentFreehandColor(), paletteRed);
        EXPECT_EQ(model->currentTextColor(), paletteBlack);
        EXPECT_EQ(model->currentNumberColor(), paletteRed);
        EXPECT_EQ(model->currentArrowLineWidth(), 3.0);
        EXPECT_EQ(model->currentShapeType(), ShapeType::rectangle);
        EXPECT_FALSE(model->currentFillColor().has_value());
        EXPECT_EQ(model->currentBackdropPreset(), BackdropPreset::white);
        EXPECT_EQ(model->currentFontName(), "SF Pro Text");
        EXPECT_EQ(model->currentFontSize(), 16.0);
    }
    EXPECT_FALSE(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()).has_value());
    // The selected arrow took the reset values.
    const ArrowAnnotation& a = first.annotationManager()->arrows().first();
    EXPECT_EQ(a.color, paletteRed);
    EXPECT_EQ(a.lineWidth, 3.0);
    EXPECT_EQ(a.headStyle, ArrowHeadStyle::open);

    // A destroyed model ignores the command.
    {
        ImageEditorViewModel gone;
    }
    NotificationCenter::defaultCenter().post(Notifications::resetToolStyles);
    EXPECT_EQ(first.currentTextColor(), paletteBlack);
}
