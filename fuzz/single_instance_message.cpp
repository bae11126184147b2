// What a later launch sends the running copy: decoded, or refused; what is decoded
// encodes back to the same request.
#include "FuzzSupport.h"

#include "App/SingleInstance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<LaunchRequest> request = SingleInstance::decodeMessage(Fuzz::bytes(data, size));
    if (!request)
        return 0;
    for (const QString& file : request->files)
        Fuzz::require(!file.isEmpty(), "no empty file names");
    Fuzz::require(SingleInstance::decodeMessage(SingleInstance::encodeMessage(*request)) == request,
                  "a request survives the trip through the wire format");
    return 0;
}
