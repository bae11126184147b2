#include "Output/ExportFormats.h"

#include <gtest/gtest.h>

TEST(ExportFormats, RowsInOrderWithWebPWhenWritableAndExactIds)
{
    QStringList ids;
    for (const ExportFormat& format : ExportFormats::all())
        ids.append(format.id);
    QStringList expected = {"png", "jpeg", "tiff", "heic", "pdf"};
    if (ExportFormats::isWebPEncodingAvailable())
        expected.append("webp");
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(ExportFormats::format("jpeg")->titleKey, "format.jpeg");
    EXPECT_FALSE(ExportFormats::format("JPEG").has_value()); // ids are exact

    // An unknown stored format falls back to PNG.
    EXPECT_EQ(ExportFormats::normalizedFormatId("jpeg"), "jpeg");
    EXPECT_EQ(ExportFormats::normalizedFormatId("gif"), "png");
    EXPECT_EQ(ExportFormats::normalizedFormatId(""), "png");
    EXPECT_EQ(ExportFormats::normalizedFormatId("Jpeg"), "png");
}

TEST(ExportFormats, ExtensionDecidesEncodingAndTransparency)
{
    for (const auto& [extension, id] : {std::pair{"JPG", "jpeg"}, {"TIF", "tiff"}, {"heic", "heic"}, {"heif", "png"},
                                        {"gif", "png"}, {"", "png"}})
        EXPECT_EQ(ExportFormats::formatIdForExtension(extension), id) << extension;

    for (const char* ext : {"png", "PNG", "tif", "TIFF", "webp"})
        EXPECT_TRUE(ExportFormats::formatKeepsTransparency(ext)) << ext;
    for (const char* ext : {"jpg", "JPEG", "heic", "pdf", "gif", ""})
        EXPECT_FALSE(ExportFormats::formatKeepsTransparency(ext)) << ext;
}

TEST(ExportFormats, ChosenFormatRewritesTheExtension)
{
    using ExportFormats::fileNameForFormat;
    EXPECT_EQ(fileNameForFormat("Lumetra 2025-03-01 at 14.05.09", "jpeg"), "Lumetra 2025-03-01 at 14.05.09.jpg");
    // The same format in its other spelling stays; another written format's extension is
    // replaced; any other text after a dot is part of the name; a hidden name has no
    // extension; an unknown format id writes PNG.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"shot.JPG", "tiff", "shot.tiff"}, {"shot.gif", "png", "shot.gif.png"}, {"shot.jpeg", "jpeg", "shot.jpeg"},
        {"shot.tif", "tiff", "shot.tif"}, {"shot.PNG", "png", "shot.PNG"}, {"shot.final", "png", "shot.final.png"},
        {"Report v1.2", "pdf", "Report v1.2.pdf"}, {"shot.final.png", "heic", "shot.final.heic"},
        {".png", "jpeg", ".png.jpg"}, {"shot.", "png", "shot.png"}, {"shot.jpg", "bmp", "shot.png"},
        {"notes.txt", "jpeg", "notes.txt.jpg"}};
    for (const auto& [name, format, expected] : cases)
        EXPECT_EQ(fileNameForFormat(name, format), expected) << name << " as " << format;
}
