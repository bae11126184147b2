#pragma once

#include "App/AppDelegate.h"
#include "App/SingleInstance.h"
#include "App/StatusMenuController.h"
#include "App/UpdaterController.h"
#include "Platform/OpenPanel.h"
#include "Platform/UserDefaults.h"
#include "Platform/X11KeyGrab.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

// Readable assertion messages for texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Every fake writes what it is asked to do into one shared journal, so a test can
// check the order of a whole launch.
using Journal = QStringList;

class FakeRunningCopy final : public RunningCopyChannel {
public:
    explicit FakeRunningCopy(Journal& journal) : journal(journal) {}
    HandOff handOffToRunningCopy(const LaunchRequest& request) override
    {
        journal << QStringLiteral("handOff %1%2").arg(request.files.join(QLatin1Char(',')),
                                                      request.capture.isEmpty() ? QString() : QLatin1Char(' ') + request.capture);
        return handOffs.isEmpty() ? HandOff::noRunningCopy : handOffs.takeFirst();
    }
    Listening listen(std::function<void(const LaunchRequest&)> r) override
    {
        journal << QStringLiteral("listen");
        receiver = std::move(r);
        return listening;
    }
    Journal& journal;
    QList<HandOff> handOffs; // the answers of the next hand-overs; then nobody runs
    Listening listening = Listening::started;
    std::function<void(const LaunchRequest&)> receiver;
};

class FakeStatusItem final : public StatusItemHost {
public:
    explicit FakeStatusItem(Journal& journal) : journal(journal) {}
    bool isAvailable() const override { return available; }
    void setMenu(QMenu* m) override
    {
        journal << QStringLiteral("statusItem.setMenu");
        menu = m;
    }
    void refreshIcon() override { journal << QStringLiteral("statusItem.refreshIcon"); }
    Journal& journal;
    bool available = true;
    QMenu* menu = nullptr;
};

class FakeKeyGrabber final : public KeyGrabber {
public:
    explicit FakeKeyGrabber(Journal& journal) : journal(journal) {}
    KeyGrabResult grabKey(int id, quint16 keyCode, quint64 flags) override
    {
        journal << QStringLiteral("grab %1 key %2 flags 0x%3").arg(id).arg(keyCode).arg(flags, 0, 16);
        grabs << std::make_tuple(id, keyCode, flags);
        return refused.contains(id) ? KeyGrabResult::heldByAnotherProgram : KeyGrabResult::grabbed;
    }
    void ungrabAll() override
    {
        journal << QStringLiteral("ungrabAll");
        grabs.clear();
    }
    void press(int id) { emit keyPressed(id); }
    Journal& journal;
    QList<std::tuple<int, quint16, quint64>> grabs;
    QList<int> refused;
};

class FakeUpdater final : public UpdaterControlling {
public:
    explicit FakeUpdater(Journal& journal) : journal(journal) {}
    void setAutomaticallyChecksForUpdates(bool on) override { journal << QStringLiteral("updater.checks %1").arg(on); }
    void setAutomaticallyDownloadsUpdates(bool on) override { journal << QStringLiteral("updater.downloads %1").arg(on); }
    void checkForUpdates() override { journal << QStringLiteral("updater.checkNow"); }
    Journal& journal;
};

class FakeMainWindow final : public MainWindowPresenter {
public:
    explicit FakeMainWindow(Journal& journal) : journal(journal) {}
    void show(bool forCapture) override
    {
        journal << QStringLiteral("mainWindow.show %1").arg(forCapture);
        visible = true;
    }
    bool hasVisibleWindow() const override { return visible; }
    Journal& journal;
    bool visible = false;
};

class FakeCapture final : public CaptureStarter {
public:
    explicit FakeCapture(Journal& journal) : journal(journal) {}
    void captureWithDelay(const QString& label, std::function<void()> road) override
    {
        journal << QStringLiteral("captureWithDelay ") + label;
        road();
    }
    void cancelPendingDelay(const QString& label) override { journal << QStringLiteral("cancelPendingDelay ") + label; }
    void scheduleDelayedCapture(const QString& label, std::function<void()>, double seconds) override
    {
        journal << QStringLiteral("schedule %1 %2").arg(label).arg(seconds);
    }
    Journal& journal;
};

class FakeOpenPanel final : public OpenPanel {
public:
    std::optional<QString> chooseImageFile(const QString&) override
    {
        ++asked;
        return answer;
    }
    std::optional<QString> answer;
    int asked = 0;
};

// Runs the event loop until done() holds or timeoutMs passes.
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// An item's title as shown (without the keys after its tab).
inline QString menuTitle(const QAction* action)
{
    return action->text().section(QLatin1Char('\t'), 0, 0).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// The keys an item shows in its key column.
inline QString menuKeys(const QAction* action)
{
    return action->text().section(QLatin1Char('\t'), 1);
}

// The titles of a menu's items, separators as "-".
inline QStringList menuTitles(const QMenu* menu)
{
    QStringList titles;
    for (const QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : menuTitle(action));
    return titles;
}

inline QAction* menuItem(const QMenu* menu, const QString& title)
{
    for (QAction* action : menu->actions()) {
        if (menuTitle(action) == title)
            return action;
    }
    return nullptr;
}
