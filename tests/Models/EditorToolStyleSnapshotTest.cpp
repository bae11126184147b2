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

TEST_F(ToolStylePersistenceTest, AbsentOptionalsUnknownNamesAndOutOfRangeValuesTakeTheirDefaults)
{
    const auto snapshotOf = [](const ImageEditorViewModel& model) {
        return QJsonDocument::fromJson(*model.makeToolStyleSnapshot().toJson()).object();
    };
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
    const QJsonObject defaults = snapshotOf(ImageEditorViewModel());
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), true);
    const QJsonValue absent = QJsonValue::Undefined;
    const std::pair<const char*, QJsonValue> cases[] = {
        { "spotlightDim", absent }, { "backdropPreset", absent }, { "backdropPadding", absent },
        { "backdropCornerRadius", absent }, { "backdropShadowEnabled", absent }, { "backdropShadowIntensity", absent },
        { "fillColor", absent },
        { "shapeType", "circle" }, // the case name, not the stored raw value
        { "backdropPreset", "neon" }, { "lineStyle", "wavy" }, { "arrowLineWidth", 0 }, { "rectLineWidth", -4 },
        { "numberDiameter", 0 }, { "freehandLineWidth", -1 }, { "lineLineWidth", 0 }, { "fontSize", 0 },
        { "mosaicIntensity", -2 }, { "backdropPadding", -10 }, { "backdropCornerRadius", -1 },
        { "highlighterAlpha", 0 }, { "spotlightDim", 7 }, { "backdropShadowIntensity", -0.5 },
    };
    const QJsonObject stored = storedObject();
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(key);
        QJsonObject o = stored;
        if (value.isUndefined())
            o.remove(key);
        else
            o[key] = value;
        store(o);
        const QJsonObject restored = snapshotOf(ImageEditorViewModel());
        EXPECT_EQ(restored[key], defaults[key]);
        EXPECT_EQ(restored["fontName"], "Liberation Sans") << "the rest is restored";
    }
    // A colour written before alpha existed reads as opaque; font names are kept as stored.
    QJsonObject o = stored;
    o["arrowColor"] = QJsonObject { { "r", 0.25 }, { "g", 0.5 }, { "b", 1 } };
    o["fontName"] = "No Such Font";
    store(o);
    ImageEditorViewModel model;
    EXPECT_EQ(model.currentArrowColor(), RgbaColor(0.25, 0.5, 1.0, 1.0));
    EXPECT_EQ(model.currentFontName(), "No Such Font");
}

TEST_F(ToolStylePersistenceTest, NothingIsRestoredFromBadDataOrWhileNotRemembering)
{
    for (const QByteArray& bad : { QByteArray("{oops"), QByteArray("[]"), QByteArray("{}") }) {
        UserDefaults::standard().setData(Settings::toolStyleSnapshot.name(), bad);
        ImageEditorViewModel model;
        EXPECT_EQ(model.currentArrowLineWidth(), 3.0);
        EXPECT_EQ(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()), bad) << "left in place";
    }
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
    first.annotationManager()->appendArrow({ .color = RgbaColor(0, 1, 0), .lineWidth = 9,
                                             .headStyle = ArrowHeadStyle::dot, .isSelected = true });

    NotificationCenter::defaultCenter().post(Notifications::resetToolStyles);
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
    const ToolStyleSnapshot initial = ImageEditorViewModel().makeToolStyleSnapshot();
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), true);
    for (ImageEditorViewModel* model : { &first, &second })
        EXPECT_EQ(model->makeToolStyleSnapshot(), initial);
    EXPECT_EQ(first.currentTextColor(), paletteBlack);
    EXPECT_FALSE(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()).has_value());
    // The selected arrow took the reset values.
    const ArrowAnnotation& a = first.annotationManager()->arrows().first();
    EXPECT_EQ(std::tuple(a.color, a.lineWidth, a.headStyle), std::tuple(paletteRed, 3.0, ArrowHeadStyle::open));

    // A destroyed model ignores the command.
    {
        ImageEditorViewModel gone;
    }
    NotificationCenter::defaultCenter().post(Notifications::resetToolStyles);
    EXPECT_EQ(first.currentTextColor(), paletteBlack);
}
