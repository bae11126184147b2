#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// The small banners that confirm a save or a copy and go away by themselves.
// The editor canvas decides when one shows and removes it when its onDismiss
// runs.
class OutputToast : public QWidget {
    Q_OBJECT
public:
    // Runs `work` after `milliseconds` on the main thread; the function it
    // returns cancels that. Tests pass a fake clock.
    using Scheduler = std::function<std::function<void()>(int milliseconds, std::function<void()> work)>;

    static constexpr int saveToastMilliseconds = 4000;
    static constexpr int copyToastMilliseconds = 1800;

    // The default scheduler: a single-shot QTimer owned by `owner`.
    static Scheduler timerScheduler(QObject* owner);

    void setScheduler(Scheduler scheduler) { m_scheduler = std::move(scheduler); }

protected:
    OutputToast(int displayMilliseconds, std::function<void()> onDismiss, QWidget* parent);

    // Message text key and the row it sits in (subclasses add buttons).
    void buildRow(const QString& messageKey, const QList<QWidget*>& extras);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    virtual void retranslate();
    // The message in the interface language.
    virtual QString messageText() const;

    QLabel* m_message = nullptr;
    QString m_messageKey;

private:
    void cancelDismissal();

    int m_displayMilliseconds;
    std::function<void()> m_onDismiss;
    std::function<void()> m_cancel;
    Scheduler m_scheduler;
};

// After a save: "Saved as" the file's name, a reveal button and a copy button.
class SaveToast : public OutputToast {
    Q_OBJECT
public:
    // A longer file name is shortened in its middle.
    static constexpr int maximumNameWidth = 260;

    SaveToast(const QUrl& url, std::function<void()> onFinder, std::function<void()> onCopy,
              std::function<void()> onDismiss, QWidget* parent = nullptr);

    const QUrl& url() const { return m_url; }
    QPushButton* finderButton() const { return m_finder; }
    QPushButton* copyButton() const { return m_copy; }

protected:
    void retranslate() override;
    QString messageText() const override;

private:
    QUrl m_url;
    QPushButton* m_finder = nullptr;
    QPushButton* m_copy = nullptr;
};

// After a copy: "Copied to clipboard".
class CopyToast : public OutputToast {
    Q_OBJECT
public:
    explicit CopyToast(std::function<void()> onDismiss, QWidget* parent = nullptr);
};
