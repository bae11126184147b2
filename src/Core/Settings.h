#pragma once

#include "Platform/UserDefaults.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <type_traits>

// The kinds of stored setting: what a read gives and what a row's default is.
// The optional kinds have no default: their absence is a state of its own.
namespace SettingKind {

struct Bool {
    using Value = bool;
    using Default = bool;
    using Stored = bool;
    static Value read(const UserDefaults& defaults, const QString& key, Default fallback);
};
struct Integer {
    using Value = qint64;
    using Default = int;
    using Stored = int;
    static Value read(const UserDefaults& defaults, const QString& key, Default fallback);
};
struct Real {
    using Value = double;
    using Default = double;
    using Stored = double;
    static Value read(const UserDefaults& defaults, const QString& key, Default fallback);
};
struct Text {
    using Value = QString;
    using Default = const char*;
    using Stored = QString;
    static Value read(const UserDefaults& defaults, const QString& key, Default fallback);
};
struct OptionalText {
    using Value = std::optional<QString>;
    using Default = std::nullptr_t;
    using Stored = QString;
    static Value read(const UserDefaults& defaults, const QString& key, Default);
};
// Read raw (QVariant) by its one reader, which judges what a usable number is.
struct OptionalInteger {
    using Value = QVariant;
    using Default = std::nullptr_t;
    using Stored = qint64;
    static Value read(const UserDefaults& defaults, const QString& key, Default);
};
struct Data {
    using Value = std::optional<QByteArray>;
    using Default = std::nullptr_t;
    using Stored = QByteArray;
    static Value read(const UserDefaults& defaults, const QString& key, Default);
};

} // namespace SettingKind

// One stored setting. read() gives the stored value, else the registered one, else the
// row's default, so no reader carries a fallback of its own.
template <typename Kind>
struct Setting {
    const char* key;
    typename Kind::Default defaultValue;
    bool registered;

    QString name() const { return QString::fromUtf8(key); }
    typename Kind::Value read(const UserDefaults& defaults = UserDefaults::standard()) const
    {
        return Kind::read(defaults, name(), defaultValue);
    }
    void write(const typename Kind::Stored& value, UserDefaults& defaults = UserDefaults::standard()) const
    {
        if constexpr (std::is_same_v<Kind, SettingKind::Data>)
            defaults.setData(name(), value);
        else
            defaults.set(name(), QVariant::fromValue(value));
    }
    void remove(UserDefaults& defaults = UserDefaults::standard()) const { defaults.remove(name()); }
};

// Every setting the program stores, one row each: its name here, its stored key, its
// kind, its default, and whether start-up registers that default (a registered default
// answers every read of the store; the others leave the key absent until written and
// only read() answers them, as the settings window shows them).
#define LUMETRA_SETTINGS(ROW)                                                                                  \
    ROW(appLanguage, "appLanguage", Text, "system", true)                                                       \
    ROW(appTheme, "appTheme", Text, "system", true)                                                             \
    ROW(defaultSaveFormat, "defaultSaveFormat", Text, "png", true)                                              \
    ROW(defaultJpegQuality, "defaultJpegQuality", Real, 0.9, true)                                              \
    ROW(rememberToolStyles, "rememberToolStyles", Bool, true, true)                                             \
    ROW(openWindowAtLaunch, "openWindowAtLaunch", Bool, true, true)                                             \
    ROW(settingsSelectedTab, "settingsSelectedTab", Integer, 0, true)                                           \
    ROW(captureOpensEditor, "captureOpensEditor", Bool, true, true)                                             \
    ROW(captureDelaySeconds, "captureDelaySeconds", Integer, 0, true)                                           \
    /* The pointer in window captures and scrolling frames. */                                                  \
    ROW(captureShowsCursor, "captureShowsCursor", Bool, false, false)                                           \
    /* Stitched height in pixels; its reader uses it only within 2000...50000. */                               \
    ROW(captureMaxScrollLength, "captureMaxScrollLength", Integer, 20000, false)                                \
    ROW(automaticUpdateChecks, "SUEnableAutomaticChecks", Bool, true, false)                                    \
    ROW(automaticUpdateDownloads, "SUAutomaticallyUpdate", Bool, false, false)                                  \
    ROW(lastUpdateCheckTime, "SULastCheckTime", OptionalText, nullptr, false)                                   \
    ROW(customShortcuts, "customShortcuts", Data, nullptr, false)                                               \
    ROW(toolStyleSnapshot, "toolStyleSnapshot", Data, nullptr, false)                                           \
    ROW(backdropEnabled, "backdropEnabled", Bool, false, false)                                                 \
    /* Whether the editor asks before unsaved work is closed or replaced ("Don't ask again" clears it). */     \
    ROW(askToSaveChanges, "askToSaveChanges", Bool, true, false)                                                \
    ROW(lastSelectionRect, "lastSelectionRect", OptionalText, nullptr, false)                                   \
    ROW(lastSelectionDisplay, "lastSelectionDisplay", OptionalInteger, nullptr, false)                          \
    /* The editor window's geometry when it was last closed. */                                                 \
    ROW(mainWindowFrame, "NSWindow Frame LumetraMainWindow", Data, nullptr, false)                              \
    /* Pinned images: the last pin's frame and the look of new pins (opacity used within 0.3...1, the */       \
    /* corner radius within 0...40). */                                                                         \
    ROW(pinLastFrame, "pinLastFrame", OptionalText, nullptr, false)                                             \
    ROW(pinOpacity, "pinOpacity", Real, 1.0, false)                                                             \
    ROW(pinCornerRadius, "pinCornerRadius", Real, 10.0, false)                                                  \
    ROW(pinShadowEnabled, "pinShadowEnabled", Bool, true, false)

namespace Settings {

#define LUMETRA_SETTING_CONSTANT(id, key, kind, fallback, atStart)                                            \
    inline constexpr Setting<SettingKind::kind> id{key, fallback, atStart};
LUMETRA_SETTINGS(LUMETRA_SETTING_CONSTANT)
#undef LUMETRA_SETTING_CONSTANT

// Registers the defaults of the registered rows, once, at start.
void registerDefaults(UserDefaults& defaults = UserDefaults::standard());

} // namespace Settings
