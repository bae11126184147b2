// Whether a picture of the screen shows another picture (or a part of it) pixel for
// pixel, for the shell scenarios that wait for something to be shown:
//   image-locate-probe SCREEN.png PICTURE.png [X Y W H] [--not-at X,Y[,PERIOD]]
// The part X Y W H of PICTURE is looked for; a place given with --not-at does not count,
// nor, with PERIOD, any place a whole number of periods from it across and down (where
// the desktop's own background, a pattern tiled at that period, shows the same pixels).
// Prints the place found and exits 0; exits 1 when it is not shown, 2 on bad arguments or
// unreadable files.
#include "../E2eImageProbes.h"

#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    std::optional<QPoint> excluded;
    int period = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--not-at")); at >= 0) {
        const QStringList xy = at + 1 < args.size() ? args[at + 1].split(QLatin1Char(',')) : QStringList();
        if (xy.size() != 2 && xy.size() != 3) {
            std::fprintf(stderr, "--not-at takes X,Y or X,Y,PERIOD\n");
            return 2;
        }
        excluded = QPoint(xy[0].toInt(), xy[1].toInt());
        period = xy.size() == 3 ? std::max(0, xy[2].toInt()) : 0;
        args.remove(at, 2);
    }
    const auto isExcluded = [&](QPoint place) {
        if (!excluded)
            return false;
        const QPoint offset = place - *excluded;
        return period > 0 ? offset.x() % period == 0 && offset.y() % period == 0 : offset.isNull();
    };
    if (args.size() != 2 && args.size() != 6) {
        std::fprintf(stderr, "usage: image-locate-probe SCREEN.png PICTURE.png [X Y W H] [--not-at X,Y]\n");
        return 2;
    }
    const QImage screen(args[0]);
    QImage picture(args[1]);
    if (screen.isNull() || picture.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(screen.isNull() ? args[0] : args[1]));
        return 2;
    }
    if (args.size() == 6)
        picture = picture.copy(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt());
    // Every place it is shown, so that an excluded one does not hide another.
    QImage rest = screen.convertToFormat(QImage::Format_RGB32);
    while (const std::optional<QPoint> found = e2e::locate(rest, picture)) {
        if (!isExcluded(*found)) {
            std::printf("%d,%d\n", found->x(), found->y());
            return 0;
        }
        // Spoil the place found so that the next search goes past it.
        rest.setPixel(found->x() + 1, found->y() + 1, ~rest.pixel(found->x() + 1, found->y() + 1));
    }
    return 1;
}
