#include "PixelProbe.h"
#include "Views/StrokeRasterRenderer.h"

#include <gtest/gtest.h>

using PixelProbe::at;
using PixelProbe::near;

namespace {

// A long zigzag, far larger than what is filled in one piece, with a sharp turn.
const QList<QPointF> kZigzag{{20, 30}, {560, 140}, {90, 380}, {590, 390}};

} // namespace

TEST(StrokeRaster, takenApartStrokeLooksLikeQtsOwn)
{
    for (Qt::PenCapStyle cap : {Qt::RoundCap, Qt::FlatCap}) {
        SCOPED_TRACE(cap);
        QImage fast = PixelProbe::blank(600, 420);
        {
            QPainter p(&fast);
            StrokeRaster::strokeOpaquePolyline(p, kZigzag, 9, Qt::darkBlue, cap);
        }
        QImage reference = PixelProbe::blank(600, 420);
        {
            QPainter p(&reference);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(Qt::darkBlue, 9, Qt::SolidLine, cap, Qt::RoundJoin));
            p.drawPolyline(kZigzag.constData(), int(kZigzag.size()));
        }
        const PixelProbe::Difference d = PixelProbe::difference(fast, reference, 40);
        // Only antialiased edge pixels may differ, and only slightly.
        EXPECT_LT(d.pixels, 60) << "worst " << d.worst;
        // The round join at the sharp turn and the caps are there.
        EXPECT_TRUE(near(at(fast, 560 + 3, 140), QColor(Qt::darkBlue), 10));
        EXPECT_EQ(near(at(fast, 20 - 3, 30 - 1), QColor(Qt::darkBlue), 60), cap == Qt::RoundCap);
    }
}

TEST(StrokeRaster, translucentStrokeIsOneLayerWithoutDarkerOverlaps)
{
    // Two crossing segments of one stroke, shown at half opacity.
    const QList<QLineF> cross{QLineF(20, 100, 380, 100), QLineF(200, 20, 200, 180)};
    QImage image = PixelProbe::blank(400, 200);
    {
        QPainter p(&image);
        StrokeRaster::paintComposited(p, QRectF(0, 0, 400, 200), 0.5, QPainter::CompositionMode_SourceOver,
                                      [&](QPainter& q) {
                                          StrokeRaster::strokeOpaqueSegments(q, cross, 10, Qt::red, Qt::RoundCap);
                                      });
    }
    const QColor half(255, 128, 128);
    EXPECT_TRUE(near(at(image, 100, 100), half, 2));
    EXPECT_TRUE(near(at(image, 200, 100), half, 2)) << "the crossing is not darker";
    EXPECT_TRUE(near(at(image, 200, 50), half, 2));
    EXPECT_TRUE(near(at(image, 200, 10), Qt::white, 2));
}

TEST(StrokeRaster, layerFollowsThePaintersTransformAndClip)
{
    auto draw = [](QPainter& q) {
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        q.setBrush(Qt::blue);
        q.drawEllipse(QRectF(30, 20, 120, 60));
    };
    auto setUp = [](QPainter& p) {
        p.translate(200, 30);
        p.rotate(90);
        p.setClipRect(QRectF(0, 0, 100, 200));
    };
    QImage layered = PixelProbe::blank(300, 220);
    {
        QPainter p(&layered);
        setUp(p);
        StrokeRaster::paintComposited(p, QRectF(30, 20, 120, 60), 0.6, QPainter::CompositionMode_SourceOver, draw);
    }
    QImage direct = PixelProbe::blank(300, 220);
    {
        QPainter p(&direct);
        setUp(p);
        p.setOpacity(0.6);
        draw(p);
    }
    EXPECT_NE(layered, PixelProbe::blank(300, 220));
    const PixelProbe::Difference d = PixelProbe::difference(layered, direct, 2);
    EXPECT_LT(d.pixels, 10) << "worst " << d.worst;
}

TEST(StrokeRaster, fullyTransparentDrawsNothingAndOpaqueDrawsStraight)
{
    QImage image = PixelProbe::blank(50, 50);
    QPainter p(&image);
    bool called = false;
    StrokeRaster::paintComposited(p, QRectF(0, 0, 50, 50), 0.0, QPainter::CompositionMode_SourceOver,
                                  [&](QPainter&) { called = true; });
    EXPECT_FALSE(called);
    QPainter* seen = nullptr;
    StrokeRaster::paintComposited(p, QRectF(0, 0, 50, 50), 1.0, QPainter::CompositionMode_SourceOver,
                                  [&](QPainter& q) { seen = &q; });
    EXPECT_EQ(seen, &p) << "nothing to blend: no layer";
}
