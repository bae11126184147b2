#pragma once

#include <QObject>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// What the hint bar shows while a scrolling capture records: the selection's width and
// the height captured so far, in pixels, and whether the length limit was reached.
// One model lives as long as the capture controller; every change is announced.
class ScrollHintModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int widthPx() const { return m_widthPx; }
    int heightPx() const { return m_heightPx; }
    bool limitReached() const { return m_limitReached; }
    void setWidthPx(int value);
    void setHeightPx(int value);
    void setLimitReached(bool value);

signals:
    void changed();

private:
    int m_widthPx = 0;
    int m_heightPx = 0;
    bool m_limitReached = false;
};

// The small dark capsule shown while a scrolling capture records: what is happening
// (or that the length limit was reached), the size so far, and a Done button. It never
// takes the focus and stays above the capture's overlays; the controller places it
// outside the selection, so that no frame shows it.
class ScrollHintBarView : public QWidget {
    Q_OBJECT
public:
    ScrollHintBarView(ScrollHintModel& model, std::function<void()> onDone, QWidget* parent = nullptr);

    QString statusText() const;
    QString sizeText() const;
    QPushButton* doneButton() const { return m_done; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    ScrollHintModel& m_model;
    std::function<void()> m_onDone;
    QLabel* m_status = nullptr;
    QLabel* m_size = nullptr;
    QPushButton* m_done = nullptr;
};
