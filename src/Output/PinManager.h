#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

class PinWindow;

// The owner of every open pin window, one per process. Several pins may be open; each
// stays until the user closes it, whatever happens to the editor. The manager keeps the
// latest pin of each fingerprint, so the pin command can close it for unchanged content,
// and publishes how many are open (the toolbar's pin button follows it).
class PinManager : public QObject {
    Q_OBJECT
public:
    static PinManager& shared();

    int activePinCount() const { return int(m_pinWindows.size()); }
    const QList<PinWindow*>& pinWindows() const { return m_pinWindows; }
    // The latest pin opened for a fingerprint, or null.
    PinWindow* pinWindow(qint64 fingerprint) const;

    // Opens, shows and registers a pin of the bitmap, one image pixel per 1 / device
    // pixel ratio points of the screen it opens on. A bitmap without pixels opens
    // nothing (null).
    PinWindow* presentPin(const QImage& bitmap, qint64 fingerprint);
    // Forgets a closing pin; the window is deleted once its close has run.
    void removePin(PinWindow* window);

signals:
    void activePinCountChanged(int count);

private:
    PinManager() = default;

    QList<PinWindow*> m_pinWindows; // in the order they opened
    QHash<qint64, PinWindow*> m_pinsByFingerprint;
};
