// The stored shortcut overrides ("customShortcuts") as the shortcut store loads them.
#include "FuzzSupport.h"

#include "Core/Settings.h"
#include "Core/ShortcutAction.h"
#include "Core/ShortcutStore.h"
#include "Platform/UserDefaults.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApplication();
    // The settings live in memory-backed storage: every input is written and read back.
    static QTemporaryDir folder(QStringLiteral("/dev/shm/lumetra-fuzz-XXXXXX"));
    static UserDefaults defaults(folder.filePath(QStringLiteral("Lumetra.conf")));
    static ShortcutStore store(defaults);
    Settings::customShortcuts.write(Fuzz::bytes(data, size), defaults);
    store.loadOverrides();
    for (auto it = store.userOverrides().cbegin(); it != store.userOverrides().cend(); ++it)
        Fuzz::require(ShortcutActions::allRawValues().contains(it.key()), "only known actions are kept");
    return 0;
}
