#pragma once

#include <QSizeF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class HoverTooltip;
class ImageEditorViewModel;
class QLabel;
class QLineEdit;
class ToolbarButton;
class TooltipTimer;

// The floating toolbar's row in crop mode: cancel, the crop size in image pixels as
// two editable fields, a one-line hint, and confirm (only while there is a rectangle).
// The fields read and take the width and height as the image is seen: on a view turned
// by a quarter they are the image's height and width.
//
// The fields show the rectangle's size in pixels, or "—" without one. While either has
// the keyboard focus the crop-size editor is open (the model's isEditingCropSize): each
// typed character resizes the rectangle at once, the texts stay as typed, and they are
// rewritten from the rectangle when the editor closes (Return, which also applies the
// crop, a click elsewhere, Escape, or a crop drag on the canvas).
class CropBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int fieldWidth = 44;
    static constexpr int fieldHeight = 24;
    static inline const QString noSizeText = QStringLiteral("\u2014");

    CropBar(ImageEditorViewModel* viewModel, std::function<void()> onConfirmCrop, TooltipTimer* tooltipTimer = nullptr,
            QWidget* parent = nullptr);

    // ---- the size arithmetic --------------------------------------------------------------
    // Exactly an optional "+" or "-" and one or more ASCII digits, within the signed
    // 64-bit range; anything else (blanks, letters, other digits) gives none.
    static std::optional<qint64> parseTypedSize(const QString& text);
    // Pixels per point of the open image; 1 without a usable image.
    static double imagePixelScale(const ImageEditorViewModel& viewModel);
    // A typed pixel count as whole image points for the model: rounded half away from
    // zero, at least 1, and limited to what an int holds before it is converted.
    static int typedPixelsToPoints(qint64 pixels, double pixelScale);

    // ---- state ------------------------------------------------------------------------------
    QString widthText() const;
    QString heightText() const;
    bool isFieldFocused() const { return m_fieldFocused; }
    // Opens or closes the crop-size editor (focus into the width field, or out of both).
    void setFieldFocused(bool focused);
    bool hasSize() const;

    QLineEdit* widthField() const { return m_widthField; }
    QLineEdit* heightField() const { return m_heightField; }
    QLabel* hintLabel() const { return m_hint; }
    ToolbarButton* cancelButton() const { return m_cancel; }
    ToolbarButton* confirmButton() const { return m_confirm; }
    HoverTooltip* cancelTooltip() const { return m_cancelTooltip; }
    HoverTooltip* confirmTooltip() const { return m_confirmTooltip; }

    // Both texts from the rectangle (or "—").
    void syncCropSizeFields();
    // A typed text in one field, applied to the rectangle while the editor is open.
    void applyCropSizeFields(const QString& text, bool enabled, bool isWidth);
    // Hint, confirm button and field enabling from the model.
    void refresh();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A size of the rectangle's frame (the unturned image) as the user sees it.
    QSizeF shownSize(QSizeF imageFrameSize) const;
    void focusMoved(QWidget* now);
    void modelCropChanged();
    void styleFields();

    ImageEditorViewModel* m_viewModel;
    std::function<void()> m_onConfirmCrop;
    ToolbarButton* m_cancel = nullptr;
    ToolbarButton* m_confirm = nullptr;
    QLineEdit* m_widthField = nullptr;
    QLineEdit* m_heightField = nullptr;
    QLabel* m_times = nullptr;
    QLabel* m_hint = nullptr;
    HoverTooltip* m_cancelTooltip = nullptr;
    HoverTooltip* m_confirmTooltip = nullptr;
    bool m_fieldFocused = false;
    bool m_changingFocus = false;
};
