#pragma once

// Work cut into parts and shared out over the application's thread pool, with the
// calling thread taking parts itself. QtConcurrent's blocking calls only wait for the
// pool: called from a pool thread while no other thread is free (a single core, or
// every thread inside such a call) they wait for helpers that never start.

#include <QThreadPool>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace PoolBands {

// Calls work(i) once for every i in [0, count), on this thread and on any pool
// threads free now, and returns once every call has returned. work must not throw.
template <typename Work>
void run(std::size_t count, const Work& work)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::size_t next = 0;
        std::size_t count = 0;
        int running = 0;
        const Work* work = nullptr;
    };
    const auto shared = std::make_shared<Shared>();
    shared->count = count;
    shared->work = &work;
    // A part is taken and counted under one lock, so once none is left and none runs,
    // no late helper touches work again (it may be gone by then).
    const auto takeParts = [](Shared& s) {
        std::unique_lock lock(s.mutex);
        while (s.next < s.count) {
            const std::size_t i = s.next++;
            ++s.running;
            lock.unlock();
            (*s.work)(i);
            lock.lock();
            --s.running;
        }
        if (s.running == 0)
            s.done.notify_all();
    };
    QThreadPool* pool = QThreadPool::globalInstance();
    for (std::size_t helper = 1; helper < count; ++helper) {
        if (!pool->tryStart([shared, takeParts] { takeParts(*shared); }))
            break;
    }
    takeParts(*shared);
    std::unique_lock lock(shared->mutex);
    shared->done.wait(lock, [&] { return shared->running == 0; });
}

} // namespace PoolBands
