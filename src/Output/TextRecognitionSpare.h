#pragma once

// The reading program kept ready: while anyone holds it (the editor, while it is open
// with an image), one lumetra-ocr is kept started with its engines loaded, waiting for a
// page, so that a reading does not wait for them. A reading for the same program,
// languages and data folder takes it; no new one starts while any reading is under
// way, so that loading never competes with reading. At most one in the process.

#include "Output/TextRecognitionHelper.h"

#include <QtGlobal>

#include <functional>
#include <optional>

namespace TextRecognitionSpare {

using TextRecognitionHelper::Request;
using TextRecognitionHelper::Started;

// A new hold, for programs started for `request`; a program starts for it soon after,
// off the calling thread, unless a reading is under way. The latest hold still kept decides what the waiting
// program is started for.
quint64 hold(const Request& request);
// Ends a hold; with the last one the waiting program goes (it leaves at the end of its
// input and is collected off the calling thread).
void release(quint64 hold);

// One reading, from its start to its end: it takes the waiting program where that was
// started for its request.
class Reading {
public:
    explicit Reading(const Request& request);
    ~Reading();
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

    // The waiting program, where the reading took it.
    std::optional<Started>& taken() { return m_taken; }

private:
    std::optional<Started> m_taken;
};

// The process id of the program waiting, or -1 (for tests).
pid_t waitingProcess();

// The waiting program is started by TextRecognitionHelper::start, on a thread of the
// spare's own, a moment after a hold or a reading asks for it. Tests put another in its
// place (an empty one restores it); the one it replaced.
using Starter = std::function<int(const Request&, Started&)>;
Starter setStarter(Starter starter);

} // namespace TextRecognitionSpare
