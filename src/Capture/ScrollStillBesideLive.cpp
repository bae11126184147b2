#include "Capture/ScrollStillBesideLive.h"

#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollLoadedRows.h"

bool stillBesideLiveColumns(const QImage& before, const QImage& after, const LiveColumns& live)
{
    const QImage a = withLiveColumnsCutOut(before, live), b = withLiveColumnsCutOut(after, live);
    return differOnlyLocally(a, b) || ScrollStitcher::sameButForPlaceholders(a, b)
           || ScrollLoadedRows::loadedBandTop(a, b, 0) >= 0;
}
