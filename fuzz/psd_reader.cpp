// The PSD reader on arbitrary bytes: a picture within the size limit, or a reason.
#include "FuzzSupport.h"

#include "Platform/ImageFileReader.h"
#include "Platform/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PsdReader::Result result = PsdReader::read(Fuzz::bytes(data, size), ImageFileReader::maxDecodedBytes);
    if (result.image.isNull())
        Fuzz::require(!result.error.isEmpty(), "a refused PSD says why");
    else
        Fuzz::require(qint64(result.image.width()) * result.image.height() * 4 <= ImageFileReader::maxDecodedBytes,
                      "a decoded PSD stays within the size limit");
    return 0;
}
