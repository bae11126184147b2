#include "Platform/WaylandDataControl.h"

#include "Base/Logger.h"

#include <QHash>

#include <wayland-client.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The protocol's four interfaces (version 1), described from its published definition:
// the order of requests and events and their signatures are all the library needs.
extern const wl_interface sourceInterface;
extern const wl_interface deviceInterface;
extern const wl_interface offerInterface;
const wl_interface* noTypes[] = {nullptr, nullptr};
const wl_interface* newSource[] = {&sourceInterface};
const wl_interface* newDevice[] = {&deviceInterface, &wl_seat_interface};
const wl_interface* anOffer[] = {&offerInterface};
const wl_interface* aSource[] = {&sourceInterface};

const wl_message managerRequests[] = {{"create_data_source", "n", newSource},
                                      {"get_data_device", "no", newDevice},
                                      {"destroy", "", noTypes}};
const wl_interface managerInterface = {"zwlr_data_control_manager_v1", 1, 3, managerRequests, 0, nullptr};

const wl_message deviceRequests[] = {{"set_selection", "?o", aSource}, {"destroy", "", noTypes}};
const wl_message deviceEvents[] = {{"data_offer", "n", anOffer}, {"selection", "?o", anOffer}, {"finished", "", noTypes}};
const wl_interface deviceInterface = {"zwlr_data_control_device_v1", 1, 2, deviceRequests, 3, deviceEvents};

const wl_message sourceRequests[] = {{"offer", "s", noTypes}, {"destroy", "", noTypes}};
const wl_message sourceEvents[] = {{"send", "sh", noTypes}, {"cancelled", "", noTypes}};
const wl_interface sourceInterface = {"zwlr_data_control_source_v1", 1, 2, sourceRequests, 2, sourceEvents};

const wl_message offerRequests[] = {{"receive", "sh", noTypes}, {"destroy", "", noTypes}};
const wl_message offerEvents[] = {{"offer", "s", noTypes}};
const wl_interface offerInterface = {"zwlr_data_control_offer_v1", 1, 2, offerRequests, 1, offerEvents};

enum : uint32_t { createDataSource = 0, getDataDevice = 1, managerDestroy = 2 };
enum : uint32_t { setSelectionRequest = 0, deviceDestroy = 1 };
enum : uint32_t { sourceOffer = 0, sourceDestroy = 1 };
enum : uint32_t { offerDestroy = 1 };

void destroyProxy(wl_proxy* proxy, uint32_t opcode)
{
    if (proxy)
        wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// The bytes go out on a thread of their own: a reader may take its time, and a large
// image must not hold up the connection's other events.
void writeDetached(int fd, QByteArray bytes)
{
    std::thread([fd, bytes] {
        const char* at = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            pollfd ready{fd, POLLOUT, 0};
            if (::poll(&ready, 1, 10000) <= 0) // a reader that stopped reading
                break;
            const ssize_t written = ::write(fd, at, size_t(left));
            if (written < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                break; // the reader went away
            }
            at += written;
            left -= written;
        }
        ::close(fd);
    }).detach();
}

// What one source offers: each type with its bytes, or the promise that makes them.
struct Offer {
    quint64 number = 0;
    QHash<QByteArray, QByteArray> bytes;
    QHash<QByteArray, std::function<QByteArray()>> promised;
};

Offer offerFor(const QList<Pasteboard::Item>& items, const QList<Pasteboard::PromisedItem>& promised)
{
    Offer offer;
    for (const Pasteboard::Item& item : items) {
        if (item.first == Pasteboard::textType) {
            // The names other programs ask plain text by.
            for (const char* name : {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT"})
                offer.bytes.insert(name, item.second);
        } else {
            offer.bytes.insert(item.first.toUtf8(), item.second);
        }
    }
    for (const Pasteboard::PromisedItem& item : promised)
        if (!offer.bytes.contains(item.mimeType.toUtf8()))
            offer.promised.insert(item.mimeType.toUtf8(), item.make);
    return offer;
}

} // namespace

struct WaylandDataControl::Session {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
    wl_proxy* device = nullptr;
    WaylandDataControl* owner = nullptr;

    std::thread thread;
    int wake[2] = {-1, -1};
    std::atomic<bool> stopping{false};
    std::atomic<bool> broken{false};

    std::mutex mutex;
    std::optional<Offer> pending; // under mutex: the next offer for the serving thread
    quint64 issued = 0; // under mutex

    // The serving thread's own.
    wl_proxy* source = nullptr;
    QHash<wl_proxy*, Offer*> offers;

    ~Session()
    {
        if (thread.joinable()) {
            stopping = true;
            wakeUp();
            thread.join();
        }
        for (auto it = offers.begin(); it != offers.end(); ++it) {
            destroyProxy(it.key(), sourceDestroy);
            delete it.value();
        }
        destroyProxy(device, deviceDestroy);
        destroyProxy(manager, managerDestroy);
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
        for (int fd : wake)
            if (fd >= 0)
                ::close(fd);
    }

    void wakeUp()
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wake[1], &byte, 1);
    }

    // ---- the serving thread ----

    void serve()
    {
        const int fd = wl_display_get_fd(display);
        while (!stopping && !broken) {
            while (wl_display_prepare_read(display) != 0)
                wl_display_dispatch_pending(display);
            wl_display_flush(display);
            pollfd fds[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                wl_display_cancel_read(display);
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[0].revents & POLLIN) {
                if (wl_display_read_events(display) < 0)
                    break;
            } else {
                wl_display_cancel_read(display);
                if (fds[0].revents & (POLLERR | POLLHUP))
                    break;
            }
            if (wl_display_dispatch_pending(display) < 0)
                break;
            if (fds[1].revents & POLLIN) {
                char drained[64];
                while (::read(wake[0], drained, sizeof drained) == sizeof drained) {
                }
                takePending();
            }
        }
        if (!stopping) {
            broken = true; // no more sets through here: the pasteboard falls back to Qt's
            Logger::shared().log(LogLevel::warning, [] {
                return QStringLiteral("📋 The compositor closed the clipboard connection; the clipboard is set as Qt sets it from now on");
            });
            emit owner->selectionLost(std::numeric_limits<quint64>::max()); // whichever offer holds it
        }
    }

    void takePending()
    {
        std::optional<Offer> next;
        {
            std::lock_guard lock(mutex);
            next.swap(pending);
        }
        if (!next)
            return;
        auto* made = static_cast<wl_proxy*>(
            wl_proxy_marshal_flags(manager, createDataSource, &sourceInterface, wl_proxy_get_version(manager), 0, nullptr));
        if (!made)
            return;
        auto* offer = new Offer(std::move(*next));
        offers.insert(made, offer);
        static struct {
            void (*send)(void*, wl_proxy*, const char*, int32_t);
            void (*cancelled)(void*, wl_proxy*);
        } listener = {[](void* data, wl_proxy* proxy, const char* type, int32_t fd) {
                          static_cast<Session*>(data)->send(proxy, type, fd);
                      },
                      [](void* data, wl_proxy* proxy) { static_cast<Session*>(data)->cancelled(proxy); }};
        wl_proxy_add_listener(made, reinterpret_cast<void (**)(void)>(&listener), this);
        for (auto it = offer->bytes.constBegin(); it != offer->bytes.constEnd(); ++it)
            wl_proxy_marshal_flags(made, sourceOffer, nullptr, 1, 0, it.key().constData());
        for (auto it = offer->promised.constBegin(); it != offer->promised.constEnd(); ++it)
            wl_proxy_marshal_flags(made, sourceOffer, nullptr, 1, 0, it.key().constData());
        wl_proxy_marshal_flags(device, setSelectionRequest, nullptr, 1, 0, made);
        // The source it replaces hears no cancel once destroyed: replacing is not a loss.
        if (source)
            drop(source);
        source = made;
        wl_display_flush(display);
    }

    void send(wl_proxy* from, const char* type, int32_t fd)
    {
        const Offer* offer = offers.value(from);
        const QByteArray name(type);
        if (offer && offer->bytes.contains(name)) {
            writeDetached(fd, offer->bytes.value(name));
        } else if (offer && offer->promised.contains(name)) {
            // Promises run where their owner lives, on the main thread.
            const std::function<QByteArray()> make = offer->promised.value(name);
            QMetaObject::invokeMethod(
                owner, [make, fd] { writeDetached(fd, make ? make() : QByteArray()); }, Qt::QueuedConnection);
        } else {
            ::close(fd);
        }
    }

    void cancelled(wl_proxy* which)
    {
        const Offer* offer = offers.value(which);
        const quint64 number = offer ? offer->number : 0;
        const bool lost = which == source;
        drop(which);
        if (lost) {
            source = nullptr;
            emit owner->selectionLost(number); // queued to the owner's thread
        }
    }

    void drop(wl_proxy* which)
    {
        delete offers.take(which);
        destroyProxy(which, sourceDestroy);
    }
};

WaylandDataControl::WaylandDataControl(std::unique_ptr<Session> session)
    : m_session(std::move(session))
{
    m_session->owner = this;
}

WaylandDataControl::~WaylandDataControl() = default;

std::unique_ptr<WaylandDataControl> WaylandDataControl::connect()
{
    auto session = std::make_unique<Session>();
    session->display = wl_display_connect(nullptr);
    if (!session->display)
        return nullptr;
    static const wl_registry_listener registryListener = {
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
            auto* s = static_cast<Session*>(data);
            if (std::strcmp(interface, wl_seat_interface.name) == 0 && !s->seat)
                s->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            else if (std::strcmp(interface, managerInterface.name) == 0 && !s->manager)
                s->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
        },
        [](void*, wl_registry*, uint32_t) {}};
    session->registry = wl_display_get_registry(session->display);
    wl_registry_add_listener(session->registry, &registryListener, session.get());
    if (wl_display_roundtrip(session->display) < 0 || !session->seat || !session->manager)
        return nullptr;
    session->device = static_cast<wl_proxy*>(wl_proxy_marshal_flags(session->manager, getDataDevice, &deviceInterface, 1,
                                                                     0, nullptr, session->seat));
    // What other programs offer is read through Qt; their offers are let go at once.
    static struct {
        void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
        void (*selection)(void*, wl_proxy*, wl_proxy*);
        void (*finished)(void*, wl_proxy*);
    } deviceListener = {[](void*, wl_proxy*, wl_proxy*) {},
                        [](void*, wl_proxy*, wl_proxy* offer) { destroyProxy(offer, offerDestroy); },
                        [](void* data, wl_proxy*) { static_cast<Session*>(data)->broken = true; }};
    if (!session->device
        || wl_proxy_add_listener(session->device,
                                 reinterpret_cast<void (**)(void)>(&deviceListener),
                                 session.get())
            != 0
        || ::pipe2(session->wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    std::unique_ptr<WaylandDataControl> control(new WaylandDataControl(std::move(session)));
    Session* s = control->m_session.get();
    s->thread = std::thread([s] { s->serve(); });
    return control;
}

quint64 WaylandDataControl::setSelection(const QList<Pasteboard::Item>& items,
                                         const QList<Pasteboard::PromisedItem>& promised)
{
    if (m_session->broken || m_session->stopping)
        return 0;
    Offer offer = offerFor(items, promised);
    {
        std::lock_guard lock(m_session->mutex);
        offer.number = ++m_session->issued;
        m_session->pending = std::move(offer);
    }
    m_session->wakeUp();
    return m_session->issued; // only this thread changes it
}
