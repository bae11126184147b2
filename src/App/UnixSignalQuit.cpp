#include "App/UnixSignalQuit.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    // Only async-signal-safe work here: hand the number to the event loop.
    [[maybe_unused]] ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace

UnixSignalQuit::UnixSignalQuit(QObject* parent)
    : QObject(parent)
{
    // Close-on-exec: helpers the program starts must not inherit the pipe. Non-blocking:
    // a burst of signals must never stall the handler on a full pipe.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) == 1)
            emit quitRequested(byte);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}

UnixSignalQuit::~UnixSignalQuit()
{
    if (!m_notifier)
        return;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        std::signal(number, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}
