#include "Output/TextRecognitionSpare.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace TextRecognitionSpare {

namespace {

struct State {
    std::mutex mutex;
    std::condition_variable refillAsked;
    bool refillPending = false;
    bool keeperRunning = false;
    std::vector<std::pair<quint64, Request>> holds; // in the order taken
    quint64 lastHold = 0;
    std::optional<Started> waiting;
    Request waitingFor;
    int readings = 0;
    Starter starter = TextRecognitionHelper::start;
};

// Never destroyed: a program still waiting when Lumetra ends leaves at the end of its
// input, which the system closes.
State& state()
{
    static State* const shared = new State;
    return *shared;
}

// With the mutex held: the program that waits for nobody any more, to be let go once
// the mutex is released.
std::optional<Started> unwanted(State& s)
{
    if (!s.waiting || (!s.holds.empty() && s.waitingFor == s.holds.back().second))
        return std::nullopt;
    std::optional<Started> gone = std::move(s.waiting);
    s.waiting.reset();
    return gone;
}

void letGo(std::optional<Started>&& program)
{
    if (program)
        TextRecognitionHelper::letGo(std::move(*program));
}

// The keeper: starts the program that waits, on a thread of its own and without the
// mutex held, so that whoever takes or ends a hold (the editor, on the main thread)
// never waits for a process to start. A program waits for the latest hold, unless a
// reading is under way or nobody holds one.
void keep(State& s)
{
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.refillAsked.wait(lock, [&s] { return s.refillPending; });
        s.refillPending = false;
        if (s.holds.empty() || s.readings > 0)
            continue;
        const Request wanted = s.holds.back().second;
        if (s.waiting && s.waitingFor == wanted)
            continue;
        std::optional<Started> replaced = std::move(s.waiting);
        s.waiting.reset();
        const Starter starter = s.starter;
        lock.unlock();
        letGo(std::move(replaced));
        std::optional<Started> started(std::in_place);
        // A program that does not start here is no loss: the reading starts its own, and
        // says why when that fails too.
        if (starter(wanted, *started) != 0)
            started.reset();
        lock.lock();
        if (started && !s.waiting && !s.holds.empty() && s.holds.back().second == wanted) {
            s.waiting = std::move(started);
            s.waitingFor = wanted;
            started.reset();
        }
        if (started) {
            lock.unlock();
            letGo(std::move(started));
            lock.lock();
        }
    }
}

// With the mutex held: asks the keeper to see to the waiting program.
void askRefill(State& s)
{
    s.refillPending = true;
    if (!s.keeperRunning) {
        s.keeperRunning = true;
        std::thread([&s] { keep(s); }).detach();
    }
    s.refillAsked.notify_one();
}

} // namespace

quint64 hold(const Request& request)
{
    State& s = state();
    std::optional<Started> gone;
    quint64 id = 0;
    {
        const std::lock_guard lock(s.mutex);
        id = ++s.lastHold;
        s.holds.emplace_back(id, request);
        gone = unwanted(s);
        askRefill(s);
    }
    letGo(std::move(gone));
    return id;
}

void release(quint64 hold)
{
    State& s = state();
    std::optional<Started> gone;
    {
        const std::lock_guard lock(s.mutex);
        std::erase_if(s.holds, [hold](const auto& h) { return h.first == hold; });
        gone = unwanted(s);
        askRefill(s);
    }
    letGo(std::move(gone));
}

Reading::Reading(const Request& request)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    ++s.readings;
    if (s.waiting && s.waitingFor == request) {
        m_taken = std::move(s.waiting);
        s.waiting.reset();
    }
}

Reading::~Reading()
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    --s.readings;
    askRefill(s);
}

pid_t waitingProcess()
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.waiting ? s.waiting->pid : -1;
}

Starter setStarter(Starter starter)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return std::exchange(s.starter, starter ? std::move(starter) : Starter(TextRecognitionHelper::start));
}

} // namespace TextRecognitionSpare
