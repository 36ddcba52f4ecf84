#include "host/cli/FrameInterrupt.h"

#include "host/FileReplacement.h"

#include <signal.h>

#include <atomic>

namespace kvhost {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flag without locks");

struct sigaction previousAction {};
bool installed = false;

extern "C" void stopAfterFrame(int signal) {
    if (!stopRequested.exchange(true)) {
        return;
    }
    // The second SIGINT: no waiting for the frame.
    FileReplacement::removeTemporaries();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

} // namespace

FrameInterrupt::FrameInterrupt() {
    stopRequested = false;
    struct sigaction current {};
    if (::sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = stopAfterFrame;
    sigemptyset(&action.sa_mask);
    installed = ::sigaction(SIGINT, &action, &previousAction) == 0;
}

FrameInterrupt::~FrameInterrupt() {
    if (installed) {
        ::sigaction(SIGINT, &previousAction, nullptr);
        installed = false;
    }
}

bool FrameInterrupt::requested() {
    return stopRequested.load();
}

void FrameInterrupt::request() {
    stopRequested = true;
}

} // namespace kvhost
