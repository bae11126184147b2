// The stored shortcut overrides ("customShortcuts") as the shortcut store reads them.
// The reading is fuzzed without the settings file: writing and reading back a file for
// every input made each run cost milliseconds, a few thousand runs in the time the other
// targets make tens of thousands.
#include "FuzzSupport.h"

#include "Core/ShortcutAction.h"
#include "Core/ShortcutStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApplication();
    const std::optional<ShortcutStore::Overrides> kept = ShortcutStore::decodeOverrides(Fuzz::bytes(data, size));
    if (!kept)
        return 0;
    for (auto it = kept->cbegin(); it != kept->cend(); ++it)
        Fuzz::require(ShortcutActions::allRawValues().contains(it.key()), "only known actions are kept");
    // What the store writes back reads back as the same overrides.
    Fuzz::require(ShortcutStore::decodeOverrides(ShortcutStore::encodeOverrides(*kept)) == kept,
                  "the cleaned form reads back unchanged");
    return 0;
}
