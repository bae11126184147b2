#include "Output/ShadowBlur.h"

#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

#include <cmath>

TEST(ShadowBlur, ThreeBoxesMatchTheGaussianVariance)
{
    for (double sigma : {1.0, 2.5, 5.0, 12.5, 20.0}) {
        const std::array<int, 3> radii = ShadowBlur::boxRadii(sigma);
        double variance = 0.0;
        for (int r : radii) {
            const double width = 2.0 * r + 1.0;
            variance += (width * width - 1.0) / 12.0;
        }
        EXPECT_NEAR(std::sqrt(variance), sigma, 0.5) << sigma;
    }
    EXPECT_EQ(ShadowBlur::boxRadii(0.0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(ShadowBlur::boxRadii(std::nan("")), (std::array<int, 3>{0, 0, 0}));
}

TEST(ShadowBlur, AStraightEdgeBlursSymmetrically)
{
    // Left half covered: the blurred edge passes through one half at the edge
    // and fades to 0 and 1 one reach away.
    QImage mask(200, 200, QImage::Format_Alpha8);
    mask.fill(0);
    for (int y = 0; y < 200; ++y)
        std::fill(mask.scanLine(y), mask.scanLine(y) + 100, 255);
    const double sigma = 6.0;
    const int reach = ShadowBlur::reach(sigma);
    const std::vector<float> row = ShadowBlur::blurredRegion(mask, QRect(0, 100, 200, 1), sigma);
    EXPECT_NEAR(row[99] + row[100], 1.0f, 0.02f);
    EXPECT_NEAR(row[100 - reach - 1], 1.0f, 1e-4f);
    EXPECT_NEAR(row[100 + reach + 1], 0.0f, 1e-4f);
    for (int x = 100 - reach; x < 200; ++x)
        EXPECT_LE(row[x], row[x - 1] + 1e-5f) << x; // never rises going right
}

TEST(ShadowBlur, BlurringOnlyAroundAHoleMatchesBlurringEverything)
{
    QImage mask(120, 90, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(20, 15, 80, 60), 12, 12);
        painter.fillPath(path, Qt::black);
    }
    const double sigma = 4.0;
    const std::vector<float> whole = ShadowBlur::blurredRegion(mask, mask.rect(), sigma);
    const QRect hole(50, 40, 20, 10);
    const QList<QRect> regions = ShadowBlur::regionsAround(mask.rect(), hole);
    ASSERT_EQ(regions.size(), 4);
    int covered = 0;
    for (const QRect& region : regions) {
        EXPECT_FALSE(region.intersects(hole));
        covered += region.width() * region.height();
        const std::vector<float> part = ShadowBlur::blurredRegion(mask, region, sigma);
        for (int y = 0; y < region.height(); ++y)
            for (int x = 0; x < region.width(); ++x)
                ASSERT_NEAR(part[y * region.width() + x],
                            whole[(region.top() + y) * mask.width() + region.left() + x], 1e-5f);
    }
    EXPECT_EQ(covered + hole.width() * hole.height(), mask.width() * mask.height());
    EXPECT_EQ(ShadowBlur::regionsAround(mask.rect(), QRect()), QList<QRect>{mask.rect()});
}

TEST(ShadowBlur, CompositeDarkensOnlyWithinTheRegions)
{
    QImage canvas(40, 40, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QImage mask(40, 40, QImage::Format_Alpha8);
    mask.fill(255);
    ShadowBlur::compositeShadow(canvas, mask, {QRect(0, 0, 20, 40)}, 2.0, 0.5);
    // Deep inside a full mask the shadow is at full strength: white halves.
    EXPECT_NEAR(canvas.pixelColor(10, 20).red(), 128, 2);
    EXPECT_EQ(canvas.pixelColor(30, 20), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(10, 20).alpha(), 255);
}
