// The console control handler: a close of the console is held off until the program's clean-up ran.

#include "updater/CloseSignals.h"

#include "tests/support/Await.h"
#include "updater/CloseSignalsWin32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

TEST(CloseSignalsWin32, AClosedConsoleWaitsForTheCleanUp) {
    auto signals = std::make_unique<TCloseSignals>();
    std::atomic<bool> returned{false};
    std::thread console([&] {
        OnConsoleControl(CTRL_CLOSE_EVENT);
        returned = true;
    });
    ASSERT_TRUE(Await([] { return TCloseSignals::Received() == SIGTERM; }));
    // The program gives up its transfer and removes its files meanwhile; the console waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(returned.load());
    signals.reset();
    EXPECT_TRUE(Await([&] { return returned.load(); }, std::chrono::milliseconds(CloseCleanUpWaitMs / 2)));
    console.join();
}

TEST(CloseSignalsWin32, CtrlCOnlyNotesTheRequest) {
    const TCloseSignals signals;
    EXPECT_EQ(OnConsoleControl(CTRL_C_EVENT), TRUE);
    EXPECT_EQ(TCloseSignals::Received(), SIGINT);
}

} // namespace
