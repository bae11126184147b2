#pragma once

#include "Views/PressableWidget.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class ImageEditorViewModel;

// One clickable row or chip of the zoom menu. A switched-off item is drawn at 35 %
// and takes no clicks.
class ZoomMenuItem : public PressableWidget {
    Q_OBJECT
public:
    enum class Kind { row, presetChip };

    // A row's hint is Ctrl and `hintKey`, in the words of shortcutDisplayText.
    ZoomMenuItem(Kind kind, QString titleKey, QString hintKey, int hintOffset, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    QString titleKey() const { return m_titleKey; }
    QString hint() const;
    int hintOffset() const { return m_hintOffset; }
    // The row's title as shown (localised), or the chip's text.
    QString title() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QString m_titleKey; // a localisation key for rows, the text itself for chips
    QString m_hintKey;
    int m_hintOffset = 0;
};

// The zoom control's menu: fit, actual size, zoom in, zoom out, and a grid of six
// preset percentages. Every item acts on the editor model and then closes the menu
// through `onClose`; fit runs the toolbar's `onFitToWindow`.
class ZoomMenu : public QWidget {
    Q_OBJECT
public:
    static const QList<int>& presets();
    // Zoom in is offered below this level, zoom out above the other.
    static constexpr double zoomInThreshold = 15.999;
    static constexpr double zoomOutThreshold = 0.011;
    // The menu's width with its 6-point margins (the popover adds the margins), unless
    // its texts need more in the interface language.
    static constexpr int panelWidth = 180;
    static constexpr int panelMargin = 6;

    ZoomMenu(ImageEditorViewModel* viewModel, std::function<void()> onFitToWindow, std::function<void()> onClose,
             QWidget* parent = nullptr);

    ZoomMenuItem* fitItem() const { return m_fit; }
    ZoomMenuItem* actualSizeItem() const { return m_actual; }
    ZoomMenuItem* zoomInItem() const { return m_zoomIn; }
    ZoomMenuItem* zoomOutItem() const { return m_zoomOut; }
    const QList<ZoomMenuItem*>& presetChips() const { return m_chips; }

    // Sets the zoom to `percent` / 100 and closes the menu.
    void applyZoomPreset(int percent);
    // Switches zoom in and out on or off from the current zoom level.
    void refresh();

    QSize sizeHint() const override;

private:
    ImageEditorViewModel* m_viewModel;
    std::function<void()> m_onFitToWindow;
    std::function<void()> m_onClose;
    ZoomMenuItem* m_fit = nullptr;
    ZoomMenuItem* m_actual = nullptr;
    ZoomMenuItem* m_zoomIn = nullptr;
    ZoomMenuItem* m_zoomOut = nullptr;
    QList<ZoomMenuItem*> m_chips;
};
