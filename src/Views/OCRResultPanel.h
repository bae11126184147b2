#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class HoverTooltip;
class ImageEditorViewModel;
class QLabel;
class QTextEdit;
class QPushButton;
class QStackedWidget;
class TooltipTimer;

// The text-recognition card in the editor's top right corner. It shows what the view
// model's ocrPanelState holds: a progress row while recognising, the recognised text
// (scrollable, selectable) with a button that copies all of it, or "No text found".
// Closing it (its close button, or Escape in its editor window) sets the state absent.
//
// The widget is the card plus room around it for its shadow; the card itself is 300
// points wide and at most `maxHeight` high.
class OCRResultPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int cardWidth = 300;
    static constexpr int shadowSide = 10;
    static constexpr int shadowTop = 6;
    static constexpr int shadowBottom = 14;
    static constexpr int copiedFeedbackMilliseconds = 1800;

    explicit OCRResultPanel(ImageEditorViewModel* viewModel, QWidget* parent = nullptr,
                            TooltipTimer* tooltipTimer = nullptr);
    ~OCRResultPanel() override;

    // The editor area's height decides the card's greatest height: max(200, h - 32).
    void setAreaHeight(int areaHeight);
    int maxHeight() const { return m_maxHeight; }
    // The highest the text area may grow: max(maxHeight - 100, 120).
    int textAreaMaxHeight() const;
    // Where the card lies in this widget (the rest is room for its shadow).
    QRect cardRect() const;

    void closePanel();
    void copyAllText();
    bool showsCopied() const { return m_showCopied; }

    // Tests: the clock of the copied feedback's reset.
    void setScheduler(std::function<void(int milliseconds, std::function<void()> work)> scheduler)
    {
        m_scheduler = std::move(scheduler);
    }

    QPushButton* closeButton() const { return m_closeButton; }
    QPushButton* copyButton() const { return m_copyButton; }
    QTextEdit* textArea() const { return m_text; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* messageLabel() const { return m_message; }
    // The language data that is missing, when any is.
    QLabel* noteLabel() const { return m_note; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void retranslate();
    void installEscapeMonitor();
    void removeEscapeMonitor();

    QPointer<ImageEditorViewModel> m_viewModel;
    int m_maxHeight = 200;
    bool m_showCopied = false;
    bool m_escapeMonitor = false;
    std::function<void(int, std::function<void()>)> m_scheduler;

    QLabel* m_title = nullptr;
    QPushButton* m_closeButton = nullptr;
    HoverTooltip* m_closeTooltip = nullptr;
    QStackedWidget* m_states = nullptr;
    QWidget* m_progressRow = nullptr;
    QLabel* m_progressLabel = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_note = nullptr;
    QTextEdit* m_text = nullptr;
    QPushButton* m_copyButton = nullptr;
};
