#include "Platform/WaylandScreencopy.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace WaylandScreencopy {
namespace {

// The protocols' interfaces (screencopy up to version 3, xdg-output up to 3), described
// from their published definitions: the order of requests and events and their
// signatures are all the library needs.
extern const wl_interface frameInterface;
extern const wl_interface xdgOutputInterface;
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_interface* captureOutputTypes[] = {&frameInterface, nullptr, &wl_output_interface};
const wl_interface* captureRegionTypes[] = {&frameInterface, nullptr, &wl_output_interface, nullptr, nullptr,
                                            nullptr, nullptr};
const wl_interface* aBuffer[] = {&wl_buffer_interface};
const wl_interface* getXdgOutputTypes[] = {&xdgOutputInterface, &wl_output_interface};

const wl_message managerRequests[] = {{"capture_output", "nio", captureOutputTypes},
                                      {"capture_output_region", "nioiiii", captureRegionTypes},
                                      {"destroy", "", noTypes}};
const wl_interface managerInterface = {"zwlr_screencopy_manager_v1", 3, 3, managerRequests, 0, nullptr};

const wl_message frameRequests[] = {{"copy", "o", aBuffer}, {"destroy", "", noTypes}, {"copy_with_damage", "2o", aBuffer}};
const wl_message frameEvents[] = {{"buffer", "uuuu", noTypes},       {"flags", "u", noTypes},
                                  {"ready", "uuu", noTypes},         {"failed", "", noTypes},
                                  {"damage", "2uuuu", noTypes},      {"linux_dmabuf", "3uuu", noTypes},
                                  {"buffer_done", "3", noTypes}};
const wl_interface frameInterface = {"zwlr_screencopy_frame_v1", 3, 3, frameRequests, 7, frameEvents};

const wl_message xdgManagerRequests[] = {{"destroy", "", noTypes}, {"get_xdg_output", "no", getXdgOutputTypes}};
const wl_interface xdgManagerInterface = {"zxdg_output_manager_v1", 3, 2, xdgManagerRequests, 0, nullptr};
const wl_message xdgOutputRequests[] = {{"destroy", "", noTypes}};
const wl_message xdgOutputEvents[] = {{"logical_position", "ii", noTypes}, {"logical_size", "ii", noTypes},
                                      {"done", "", noTypes},              {"name", "2s", noTypes},
                                      {"description", "2s", noTypes}};
const wl_interface xdgOutputInterface = {"zxdg_output_v1", 3, 1, xdgOutputRequests, 5, xdgOutputEvents};

enum : uint32_t { captureOutput = 0, managerDestroy = 2 };
enum : uint32_t { frameCopy = 0, frameDestroy = 1 };
enum : uint32_t { xdgManagerDestroy = 0, getXdgOutput = 1 };
enum : uint32_t { xdgOutputDestroy = 0 };
constexpr uint32_t yInvertFlag = 1;

void destroyProxy(wl_proxy* proxy, uint32_t opcode)
{
    if (proxy)
        wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// Shared memory the compositor copies an output into, mapped until the image made over
// it goes.
struct Mapping {
    void* at = MAP_FAILED;
    size_t size = 0;
};

void unmap(void* info)
{
    auto* mapping = static_cast<Mapping*>(info);
    if (mapping->at != MAP_FAILED)
        ::munmap(mapping->at, mapping->size);
    delete mapping;
}

struct Output {
    wl_output* output = nullptr;
    wl_proxy* xdgOutput = nullptr;
    QString outputName; // wl_output's own (version 4)
    QString xdgName;
    QPoint logicalPosition;
    QSize logicalSize;
    uint32_t transform = 0;

    wl_proxy* frame = nullptr;
    bool shmOffered = false;
    uint32_t format = 0, width = 0, height = 0, stride = 0;
    uint32_t flags = 0;
    wl_buffer* buffer = nullptr;
    Mapping* mapping = nullptr;
    bool finished = false;
    QString error;
    QImage image;

    ~Output()
    {
        destroyProxy(frame, frameDestroy);
        if (buffer)
            wl_buffer_destroy(buffer);
        if (mapping)
            unmap(mapping);
        destroyProxy(xdgOutput, xdgOutputDestroy);
        if (output) {
            if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
                wl_output_release(output);
            else
                wl_output_destroy(output);
        }
    }

    QString name() const { return xdgName.isEmpty() ? outputName : xdgName; }
};

// What an output tells of itself from the moment it is bound.
const wl_output_listener outputListener = {
    [](void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t transform) { static_cast<Output*>(data)->transform = uint32_t(transform); },
    [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
    [](void*, wl_output*) {},
    [](void*, wl_output*, int32_t) {},
    [](void* data, wl_output*, const char* name) { static_cast<Output*>(data)->outputName = QString::fromUtf8(name); },
    [](void*, wl_output*, const char*) {}};

struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    wl_proxy* manager = nullptr;
    wl_proxy* xdgManager = nullptr;
    bool wantsOutputs = false;
    std::vector<std::unique_ptr<Output>> outputs;

    ~Connection()
    {
        outputs.clear();
        destroyProxy(xdgManager, xdgManagerDestroy);
        destroyProxy(manager, managerDestroy);
        if (shm)
            wl_shm_destroy(shm);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    // Connects and binds what a capture needs; false when the compositor lacks any of it
    // or has not answered by deadline.
    bool open(bool withOutputs, std::chrono::steady_clock::time_point deadline)
    {
        display = wl_display_connect(nullptr);
        if (!display)
            return false;
        static const wl_registry_listener registryListener = {
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
                auto* c = static_cast<Connection*>(data);
                if (std::strcmp(interface, wl_shm_interface.name) == 0 && !c->shm) {
                    c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
                } else if (std::strcmp(interface, managerInterface.name) == 0 && !c->manager) {
                    c->manager = static_cast<wl_proxy*>(
                        wl_registry_bind(registry, name, &managerInterface, std::min<uint32_t>(version, 3)));
                } else if (std::strcmp(interface, xdgManagerInterface.name) == 0 && !c->xdgManager) {
                    c->xdgManager = static_cast<wl_proxy*>(
                        wl_registry_bind(registry, name, &xdgManagerInterface, std::min<uint32_t>(version, 3)));
                } else if (std::strcmp(interface, wl_output_interface.name) == 0 && c->wantsOutputs) {
                    auto output = std::make_unique<Output>();
                    output->output = static_cast<wl_output*>(wl_registry_bind(
                        registry, name, &wl_output_interface,
                        std::min<uint32_t>(version, uint32_t(WL_OUTPUT_NAME_SINCE_VERSION))));
                    wl_output_add_listener(output->output, &outputListener, output.get());
                    c->outputs.push_back(std::move(output));
                }
            },
            [](void*, wl_registry*, uint32_t) {}};
        wantsOutputs = withOutputs;
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        return roundtrip(deadline) && shm && manager;
    }

    // Waits for the compositor to have handled every request sent so far; false at the
    // deadline or when the connection broke. A wedged compositor is never waited on
    // for longer.
    bool roundtrip(std::chrono::steady_clock::time_point deadline)
    {
        bool done = false;
        static const wl_callback_listener syncListener = {
            [](void* data, wl_callback* callback, uint32_t) {
                *static_cast<bool*>(data) = true;
                wl_callback_destroy(callback);
            }};
        wl_callback* callback = wl_display_sync(display);
        if (!callback)
            return false;
        wl_callback_add_listener(callback, &syncListener, &done);
        if (dispatchUntil([&] { return done; }, deadline))
            return true;
        if (!done)
            wl_callback_destroy(callback);
        return false;
    }

    // Each output's name and place in the layout, and the transform it told on binding.
    bool describeOutputs(std::chrono::steady_clock::time_point deadline)
    {
        static struct {
            void (*position)(void*, wl_proxy*, int32_t, int32_t);
            void (*size)(void*, wl_proxy*, int32_t, int32_t);
            void (*done)(void*, wl_proxy*);
            void (*name)(void*, wl_proxy*, const char*);
            void (*description)(void*, wl_proxy*, const char*);
        } xdgListener = {
            [](void* data, wl_proxy*, int32_t x, int32_t y) { static_cast<Output*>(data)->logicalPosition = {x, y}; },
            [](void* data, wl_proxy*, int32_t w, int32_t h) { static_cast<Output*>(data)->logicalSize = {w, h}; },
            [](void*, wl_proxy*) {},
            [](void* data, wl_proxy*, const char* name) { static_cast<Output*>(data)->xdgName = QString::fromUtf8(name); },
            [](void*, wl_proxy*, const char*) {}};
        for (const auto& output : outputs) {
            if (!xdgManager)
                break; // wl_output's own name then, from version 4
            output->xdgOutput = static_cast<wl_proxy*>(wl_proxy_marshal_flags(
                xdgManager, getXdgOutput, &xdgOutputInterface, wl_proxy_get_version(xdgManager), 0, nullptr,
                output->output));
            if (output->xdgOutput)
                wl_proxy_add_listener(output->xdgOutput, reinterpret_cast<void (**)(void)>(&xdgListener),
                                      output.get());
        }
        return roundtrip(deadline);
    }

    // ---- one output's frame ----

    static void fail(Output* output, const QString& why)
    {
        if (output->finished)
            return;
        output->finished = true;
        output->error = why;
    }

    void copy(Output* output)
    {
        if (output->buffer || output->finished)
            return;
        if (!output->shmOffered || !canRead(output->format) || output->width == 0 || output->height == 0
            || output->stride < output->width * 4) {
            fail(output, QStringLiteral("the compositor offers output %1 in a format Lumetra cannot read (%2)")
                             .arg(output->name())
                             .arg(output->format, 0, 16));
            return;
        }
        const size_t size = size_t(output->stride) * output->height;
        const int fd = ::memfd_create("lumetra-screencopy", MFD_CLOEXEC);
        if (fd < 0 || ::ftruncate(fd, off_t(size)) != 0) {
            if (fd >= 0)
                ::close(fd);
            fail(output, QStringLiteral("no memory to copy output %1 into").arg(output->name()));
            return;
        }
        auto* mapping = new Mapping;
        mapping->at = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        mapping->size = size;
        if (mapping->at == MAP_FAILED) {
            ::close(fd);
            unmap(mapping);
            fail(output, QStringLiteral("no memory to copy output %1 into").arg(output->name()));
            return;
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
        output->buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(output->width), int32_t(output->height),
                                                   int32_t(output->stride), output->format);
        wl_shm_pool_destroy(pool);
        ::close(fd);
        output->mapping = mapping;
        wl_proxy_marshal_flags(output->frame, frameCopy, nullptr, wl_proxy_get_version(output->frame), 0, output->buffer);
    }

    void ready(Output* output)
    {
        if (output->finished)
            return;
        Mapping* mapping = std::exchange(output->mapping, nullptr);
        if (!mapping) {
            fail(output, QStringLiteral("the compositor copied output %1 without a buffer").arg(output->name()));
            return;
        }
        const QImage buffer = imageOverBuffer(static_cast<uchar*>(mapping->at), int(output->width), int(output->height),
                                              int(output->stride), output->format, unmap, mapping);
        output->finished = true;
        if (buffer.isNull()) {
            output->error = QStringLiteral("the copy of output %1 could not be read").arg(output->name());
            return;
        }
        output->image = orientedOutputImage(buffer, output->transform, output->flags & yInvertFlag);
    }

    void requestFrames()
    {
        static struct {
            void (*buffer)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t, uint32_t);
            void (*flags)(void*, wl_proxy*, uint32_t);
            void (*ready)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t);
            void (*failed)(void*, wl_proxy*);
            void (*damage)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t, uint32_t);
            void (*dmabuf)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t);
            void (*bufferDone)(void*, wl_proxy*);
        } frameListener = {
            [](void* data, wl_proxy* frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
                auto* target = static_cast<Target*>(data);
                Output* output = target->output;
                // The first shared-memory format offered that we read is kept.
                if (!output->shmOffered || (!canRead(output->format) && canRead(format))) {
                    output->shmOffered = true;
                    output->format = format;
                    output->width = width;
                    output->height = height;
                    output->stride = stride;
                }
                // Before version 3 the one buffer event is all there is.
                if (wl_proxy_get_version(frame) < 3)
                    target->connection->copy(output);
            },
            [](void* data, wl_proxy*, uint32_t flags) { static_cast<Target*>(data)->output->flags = flags; },
            [](void* data, wl_proxy*, uint32_t, uint32_t, uint32_t) {
                auto* target = static_cast<Target*>(data);
                target->connection->ready(target->output);
            },
            [](void* data, wl_proxy*) {
                Output* output = static_cast<Target*>(data)->output;
                fail(output, QStringLiteral("the compositor failed to copy output %1").arg(output->name()));
            },
            [](void*, wl_proxy*, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void*, wl_proxy*, uint32_t, uint32_t, uint32_t) {},
            [](void* data, wl_proxy*) {
                auto* target = static_cast<Target*>(data);
                target->connection->copy(target->output);
            }};
        targets.reserve(outputs.size());
        for (const auto& output : outputs) {
            // Without the pointer, as a frozen display never shows it.
            output->frame = static_cast<wl_proxy*>(wl_proxy_marshal_flags(manager, captureOutput, &frameInterface,
                                                                          wl_proxy_get_version(manager), 0, nullptr,
                                                                          int32_t(0), output->output));
            targets.push_back({this, output.get()});
            if (!output->frame) {
                fail(output.get(), QStringLiteral("no frame for output %1").arg(output->name()));
                continue;
            }
            wl_proxy_add_listener(output->frame,
                                  reinterpret_cast<void (**)(void)>(&frameListener),
                                  &targets.back());
        }
    }

    struct Target {
        Connection* connection;
        Output* output;
    };
    std::vector<Target> targets; // reserved up front: the frames' listeners point into it

    bool allFinished() const
    {
        for (const auto& output : outputs)
            if (!output->finished)
                return false;
        return true;
    }

    // Reads the compositor's events until finished() holds; false at the deadline or when
    // the connection broke.
    template<typename Finished>
    bool dispatchUntil(const Finished& finished, std::chrono::steady_clock::time_point deadline)
    {
        const int fd = wl_display_get_fd(display);
        while (!finished()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            while (wl_display_prepare_read(display) != 0)
                if (wl_display_dispatch_pending(display) < 0)
                    return false;
            if (finished()) {
                wl_display_cancel_read(display);
                break;
            }
            wl_display_flush(display);
            pollfd readable{fd, POLLIN, 0};
            const int polled = ::poll(&readable, 1, int(left.count()));
            if (polled > 0 && (readable.revents & POLLIN)) {
                if (wl_display_read_events(display) < 0)
                    return false;
            } else {
                wl_display_cancel_read(display);
                if (polled < 0 && errno != EINTR)
                    return false;
                if (readable.revents & (POLLERR | POLLHUP))
                    return false;
            }
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        }
        return true;
    }
};

} // namespace

bool isOffered(int timeoutMs)
{
    Connection connection;
    return connection.open(false, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

Capture captureOutputs(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Capture result;
    Connection connection;
    if (!connection.open(true, deadline)) {
        result.error = QStringLiteral("the compositor offers no screencopy");
        return result;
    }
    if (connection.outputs.empty()) {
        result.error = QStringLiteral("the compositor has no outputs");
        return result;
    }
    if (!connection.describeOutputs(deadline)) {
        result.error = QStringLiteral("the compositor closed the connection");
        return result;
    }
    connection.requestFrames();
    if (!connection.dispatchUntil([&] { return connection.allFinished(); }, deadline)) {
        result.error = wl_display_get_error(connection.display) != 0
            ? QStringLiteral("the compositor closed the connection")
            : QStringLiteral("the compositor did not copy the outputs within %1 ms").arg(timeoutMs);
        return result;
    }
    for (const auto& output : connection.outputs) {
        if (!output->error.isEmpty()) {
            result.error = output->error;
            result.outputs.clear();
            return result;
        }
        result.outputs.append({output->name(), QRect(output->logicalPosition, output->logicalSize), output->image});
    }
    return result;
}

} // namespace WaylandScreencopy
