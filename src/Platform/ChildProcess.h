#pragma once

// Lumetra's helper programs (the HEIF decoder, the text recognizer) run as child
// processes: the request is their standard input, the answer comes back through a pipe
// read against a deadline, and a program that does not answer in time is ended.

#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace ChildProcess {

using Clock = std::chrono::steady_clock;

// A file descriptor closed with its owner.
struct Fd {
    int fd = -1;
    explicit Fd(int value = -1) : fd(value) { }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd = other.fd;
            other.fd = -1;
        }
        return *this;
    }
    ~Fd() { reset(); }
    void reset() { if (fd >= 0) ::close(fd); fd = -1; }
};

enum class ReadEnd { done, broken, late, cancelled };

// Reads exactly size bytes, looking at `cancelled` (when given) and the deadline
// between the program's writes.
ReadEnd readExactly(int fd, void* into, std::size_t size, Clock::time_point deadline,
                    const std::function<bool()>& cancelled = {});

// Starts program with input as its standard input and a new pipe, read from output, as
// its standard output; standard error goes to /dev/null (what a codec or an engine says
// there is of no use to anyone), nothing else stays open. The environment is Lumetra's
// own unless one is given. 0, or why the program did not start.
int spawn(const QString& program, int input, Fd& output, pid_t& pid,
          const std::vector<QByteArray>* environment = nullptr);

struct Ending {
    int status = 0;      // as waitpid gives it
    bool lost = false;   // the process could not be waited for
    bool killed = false; // still running at the deadline, so ended
};

// Collects the program, ending it first if it has not ended by the deadline: at once
// for a deadline already past; never for Clock::time_point::max(), which waits for it.
Ending reap(pid_t pid, Clock::time_point deadline);

// Collects the program off the calling thread: it is given `grace` to end by itself,
// then ended (SIGKILL, which a stopped program does not escape either) and collected.
// One thread collects every program handed over, however many.
void collectLater(pid_t pid, Clock::duration grace);

// The helper program `name` of this Lumetra: beside the running program (the build
// folder, where Lumetra runs from it), else in the installation's own libexec folder,
// found relative to the running program so that a staged or moved installation runs
// its own helpers. A program running inside the build folder (a test, in a folder of
// its own) takes the build's; an installed one never looks there. Empty when there is
// none.
QString findProgram(const QString& name);
// The same, for a program at `self` (tests ask where an installed program would look).
QString findProgramFor(const QString& self, const QString& name);

} // namespace ChildProcess
