#include "Output/TextRecognitionSpare.h"

#include <mutex>
#include <utility>
#include <vector>

namespace TextRecognitionSpare {

namespace {

struct State {
    std::mutex mutex;
    std::vector<std::pair<quint64, Request>> holds; // in the order taken
    quint64 lastHold = 0;
    std::optional<Started> waiting;
    Request waitingFor;
    int readings = 0;
};

// Never destroyed: a program still waiting when Lumetra ends leaves at the end of its
// input, which the system closes.
State& state()
{
    static State* const shared = new State;
    return *shared;
}

void dropWaiting(State& s)
{
    if (s.waiting)
        TextRecognitionHelper::letGo(std::move(*s.waiting));
    s.waiting.reset();
}

// With the mutex held: a program waits for the latest hold, unless a reading is under
// way or nobody holds one.
void refill(State& s)
{
    if (s.holds.empty()) {
        dropWaiting(s);
        return;
    }
    const Request& wanted = s.holds.back().second;
    if (s.waiting && s.waitingFor == wanted)
        return;
    dropWaiting(s);
    if (s.readings > 0)
        return;
    Started started;
    // A program that does not start here is no loss: the reading starts its own, and
    // says why when that fails too.
    if (TextRecognitionHelper::start(wanted, started) != 0)
        return;
    s.waiting = std::move(started);
    s.waitingFor = wanted;
}

} // namespace

quint64 hold(const Request& request)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    const quint64 id = ++s.lastHold;
    s.holds.emplace_back(id, request);
    refill(s);
    return id;
}

void release(quint64 hold)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    std::erase_if(s.holds, [hold](const auto& h) { return h.first == hold; });
    refill(s);
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
    refill(s);
}

pid_t waitingProcess()
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.waiting ? s.waiting->pid : -1;
}

} // namespace TextRecognitionSpare
