#pragma once

#include <QSize>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class ImageEditorViewModel;
class PanelText;
class QAbstractButton;
class QLineEdit;

// The arithmetic of the resize panel, apart from its widgets: the two texts, the aspect
// lock and which field has the keyboard focus, over the pixel size of the image as it is
// seen (a quarter turn swaps its sides).
//
// Every change of a text goes through setText(), which keeps the ASCII digits only (at
// most five) and, with the lock on, derives the other side from the field that has the
// focus; a derived text is the other field's, so it derives nothing back.
class ResizeFields {
public:
    enum class Field { width, height };

    static constexpr int minimumSide = 1;
    static constexpr int maximumSide = 20000;
    static constexpr int maximumLength = 5;

    explicit ResizeFields(std::function<QSizeF()> currentPixelSize);

    QString widthText() const { return m_widthText; }
    QString heightText() const { return m_heightText; }
    QString text(Field field) const { return field == Field::width ? m_widthText : m_heightText; }
    bool lockRatio() const { return m_lockRatio; }
    std::optional<Field> focusedField() const { return m_focusedField; }
    void setFocusedField(std::optional<Field> field) { m_focusedField = field; }
    QSizeF currentPixelSize() const { return m_currentPixelSize(); }

    // A new text for a field, from typing or from any of the rules below.
    void setText(Field field, const QString& text);
    // Writes the current pixel size (rounded, not clamped) while the width is empty.
    void prefill();
    // Turning the lock on derives the height from the width, whatever has the focus.
    void toggleLock();
    // Both sides at `percent` of the image's pixel size, never of the typed values.
    void applyPreset(int percent);
    // Both texts as whole numbers within 1...20000, or nothing.
    std::optional<QSize> parsedSize() const;

    // The ASCII digits of `text` in their order, at most five of them.
    static QString digitsOnly(const QString& text);
    // Rounded half away from zero and held within 1...20000.
    static qint64 roundedAndClamped(double value);

private:
    // The other side from the one given, at the image's aspect ratio.
    void deriveOtherSide(Field given);

    std::function<QSizeF()> m_currentPixelSize;
    QString m_widthText;
    QString m_heightText;
    bool m_lockRatio = true;
    std::optional<Field> m_focusedField;
};

// The resize popover's panel: the image's pixel size, width and height fields, three
// percentage presets, the aspect lock and Apply, which resizes the image through the
// editor model and then runs `onApplied` (the toolbar closes the popover with it).
// Return in a field applies nothing. Each opening starts afresh from the image's size.
class ResizePanelView : public QWidget {
    Q_OBJECT
public:
    // The panel's width with the popover's 12-point padding on each side.
    static constexpr int panelWidth = 240;
    static constexpr int contentWidth = panelWidth - 24;

    ResizePanelView(ImageEditorViewModel* viewModel, std::function<void()> onApplied, QWidget* parent = nullptr);

    ResizeFields& fields() { return m_fields; }
    // "1920 × 1080 px"
    static QString pixelSizeText(QSizeF size);

    void apply();
    // Shows the fields' state in the widgets.
    void refresh();

    // The panel's fixed width, whatever its fields would like.
    QSize sizeHint() const override { return QSize(contentWidth, QWidget::sizeHint().height()); }
    QSize minimumSizeHint() const override { return QSize(contentWidth, QWidget::minimumSizeHint().height()); }

    // Parts, for tests.
    PanelText* currentSizeReadout() const { return m_readout; }
    QLineEdit* widthField() const { return m_width; }
    QLineEdit* heightField() const { return m_height; }
    // The chip of 100, 50 or 25 per cent.
    QAbstractButton* presetChip(int percent) const;
    QAbstractButton* lockButton() const { return m_lock; }
    QAbstractButton* applyButton() const { return m_apply; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeSizeField(const QString& labelKey, QLineEdit** field);
    void edited(ResizeFields::Field field, QLineEdit* edit, const QString& text);
    std::optional<ResizeFields::Field> focusedField() const;

    ImageEditorViewModel* m_viewModel;
    std::function<void()> m_onApplied;
    ResizeFields m_fields;
    PanelText* m_readout = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QAbstractButton* m_chips[3] = {};
    QAbstractButton* m_lock = nullptr;
    QAbstractButton* m_apply = nullptr;
};
