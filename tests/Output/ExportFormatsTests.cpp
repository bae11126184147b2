#include "Output/ExportFormats.h"

#include <gtest/gtest.h>

TEST(ExportFormats, RowsInOrderWithWebPWhenWritable)
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
}

TEST(ExportFormats, UnknownStoredFormatFallsBackToPng)
{
    EXPECT_EQ(ExportFormats::normalizedFormatId("jpeg"), "jpeg");
    EXPECT_EQ(ExportFormats::normalizedFormatId("gif"), "png");
    EXPECT_EQ(ExportFormats::normalizedFormatId(""), "png");
    EXPECT_EQ(ExportFormats::normalizedFormatId("Jpeg"), "png");
}

TEST(ExportFormats, ExtensionDecidesEncodingAndTransparency)
{
    EXPECT_EQ(ExportFormats::formatIdForExtension("JPG"), "jpeg");
    EXPECT_EQ(ExportFormats::formatIdForExtension("jpeg"), "jpeg");
    EXPECT_EQ(ExportFormats::formatIdForExtension("TIF"), "tiff");
    EXPECT_EQ(ExportFormats::formatIdForExtension("heic"), "heic");
    EXPECT_EQ(ExportFormats::formatIdForExtension("heif"), "png");
    EXPECT_EQ(ExportFormats::formatIdForExtension("gif"), "png");
    EXPECT_EQ(ExportFormats::formatIdForExtension(""), "png");

    for (const char* ext : {"png", "PNG", "tif", "TIFF", "webp"})
        EXPECT_TRUE(ExportFormats::formatKeepsTransparency(ext)) << ext;
    for (const char* ext : {"jpg", "JPEG", "heic", "pdf", "gif", ""})
        EXPECT_FALSE(ExportFormats::formatKeepsTransparency(ext)) << ext;
}

TEST(ExportFormats, ChosenFormatRewritesTheExtension)
{
    using ExportFormats::fileNameForFormat;
    EXPECT_EQ(fileNameForFormat("Lumetra 2025-03-01 at 14.05.09", "jpeg"), "Lumetra 2025-03-01 at 14.05.09.jpg");
    EXPECT_EQ(fileNameForFormat("shot.png", "jpeg"), "shot.jpg");
    EXPECT_EQ(fileNameForFormat("shot.jpg", "png"), "shot.png");
    EXPECT_EQ(fileNameForFormat("shot.JPG", "tiff"), "shot.tiff");
    EXPECT_EQ(fileNameForFormat("shot.gif", "png"), "shot.png");
    EXPECT_EQ(fileNameForFormat("shot.heic", "pdf"), "shot.pdf");
    // The same format in its other spelling stays.
    EXPECT_EQ(fileNameForFormat("shot.jpeg", "jpeg"), "shot.jpeg");
    EXPECT_EQ(fileNameForFormat("shot.tif", "tiff"), "shot.tif");
    EXPECT_EQ(fileNameForFormat("shot.PNG", "png"), "shot.png");
    // Dots that are part of the name are kept.
    EXPECT_EQ(fileNameForFormat("shot.final", "png"), "shot.final.png");
    EXPECT_EQ(fileNameForFormat("Report v1.2", "pdf"), "Report v1.2.pdf");
    EXPECT_EQ(fileNameForFormat("shot.final.png", "heic"), "shot.final.heic");
    EXPECT_EQ(fileNameForFormat(".png", "jpeg"), ".png.jpg"); // a hidden name, not an extension
    EXPECT_EQ(fileNameForFormat("shot.", "png"), "shot.png");
    // An unknown format id writes PNG, so the name says PNG.
    EXPECT_EQ(fileNameForFormat("shot.jpg", "bmp"), "shot.png");
}
