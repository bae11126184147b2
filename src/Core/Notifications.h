#pragma once

#include "Platform/NotificationCenter.h"

// Every notification the program posts or observes on the NotificationCenter, and the
// only place that spells their names. None carries an object; only toolShortcut
// carries a payload (a shortcut action's raw value).
namespace Notifications {

// Editor commands: posted by the menus, the toolbar and the editor's key monitor,
// each answered by one editor operation.
inline constexpr NotificationName openImage{"OpenImageCommand"};
inline constexpr NotificationName saveImage{"SaveImageCommand"};
inline constexpr NotificationName saveAsImage{"SaveAsImageCommand"};
inline constexpr NotificationName copyImage{"CopyImageCommand"};
inline constexpr NotificationName pasteImage{"PasteImageCommand"};
inline constexpr NotificationName pinImage{"PinImageCommand"};
inline constexpr NotificationName ocrToggle{"OCRToggleCommand"};
inline constexpr NotificationName backdropToggle{"BackdropToggleCommand"};
inline constexpr NotificationName resizePanel{"ResizePanelCommand"};
inline constexpr NotificationName toolShortcut{"ToolShortcutCommand"};
inline constexpr NotificationName deleteAnnotation{"DeleteAnnotationCommand"};
inline constexpr NotificationName undo{"UndoCommand"};
inline constexpr NotificationName redo{"RedoCommand"};
inline constexpr NotificationName crop{"CropCommand"};
inline constexpr NotificationName cropCancel{"CropCancelCommand"};
inline constexpr NotificationName cropConfirm{"CropConfirmCommand"};
inline constexpr NotificationName resetAll{"ResetAllCommand"};
inline constexpr NotificationName clearImage{"ClearImageCommand"};
inline constexpr NotificationName zoomIn{"ZoomInCommand"};
inline constexpr NotificationName zoomOut{"ZoomOutCommand"};
inline constexpr NotificationName fitToWindow{"FitToWindowCommand"};
inline constexpr NotificationName actualSize{"ActualSizeCommand"};
inline constexpr NotificationName rotateLeft{"RotateLeftCommand"};
inline constexpr NotificationName rotateRight{"RotateRightCommand"};

// From the settings window to every live editor model.
inline constexpr NotificationName resetToolStyles{"ResetToolStylesCommand"};
inline constexpr NotificationName persistToolStyles{"PersistToolStylesCommand"};

// The editor model after a rotation, so the canvas fits the turned image.
inline constexpr NotificationName rotationCompleted{"RotationCompleted"};

// A capture for the editor: first the window is asked for, then (0.3 s later) the
// image on the clipboard is announced.
inline constexpr NotificationName captureDeliveryRequested{"CaptureDeliveryRequested"};
inline constexpr NotificationName captureClipboardImageReady{"CaptureClipboardImageReady"};

// After every change of the shortcut store, to the hot keys and the status menu.
inline constexpr NotificationName shortcutConfigurationChanged{"ShortcutConfigurationChanged"};
// From the settings window to the application delegate's updater.
inline constexpr NotificationName sparklePreferencesChanged{"SparklePreferencesChanged"};

} // namespace Notifications
