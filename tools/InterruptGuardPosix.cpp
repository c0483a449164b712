#include "tools/InterruptGuard.h"

#include <signal.h>

volatile std::sig_atomic_t Interrupted = 0;

namespace {

struct sigaction Previous {};

extern "C" void OnInterrupt(int) {
    Interrupted = 1;
}

} // namespace

TInterruptGuard::TInterruptGuard() {
    Interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &Previous);
}

TInterruptGuard::~TInterruptGuard() {
    sigaction(SIGINT, &Previous, nullptr);
}
