#include "Platform/HeifLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace HeifLibrary {

const Functions* get()
{
    static Functions functions;
    static const Functions* loaded = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        // libheif has kept its major version 1 (and this name) since its first release.
        // Never closed: encoders keep threads and static state of their own.
        void* library = ::dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        bool complete = true;
#define LUMETRA_HEIF_RESOLVE(name)                                                                                     \
    functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(library, #name));                                     \
    complete = complete && functions.name;
        LUMETRA_HEIF_FUNCTIONS(LUMETRA_HEIF_RESOLVE)
#undef LUMETRA_HEIF_RESOLVE
        if (complete)
            loaded = &functions;
    });
    return loaded;
}

} // namespace HeifLibrary
