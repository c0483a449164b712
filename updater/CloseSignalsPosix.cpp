#include "updater/CloseSignals.h"

#include <signal.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int HandledCount = sizeof Handled / sizeof Handled[0];

volatile std::sig_atomic_t Last = 0;
std::atomic<int> Seen{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
struct sigaction Previous[HandledCount];

extern "C" void OnCloseSignal(int signal) {
    Last = signal;
    Seen.store(signal, std::memory_order_release);
}

} // namespace

TCloseSignals::TCloseSignals() {
    Last = 0;
    Seen.store(0);
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < HandledCount; ++i)
        sigaction(Handled[i], &action, &Previous[i]);
}

TCloseSignals::~TCloseSignals() {
    for (int i = 0; i < HandledCount; ++i)
        sigaction(Handled[i], &Previous[i], nullptr);
}

const volatile std::sig_atomic_t& TCloseSignals::Received() {
    return Last;
}

const std::atomic<int>& TCloseSignals::Asked() {
    return Seen;
}
