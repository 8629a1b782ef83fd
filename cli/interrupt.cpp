#include "cli/interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "cli/commands.h"

namespace cwcli {

namespace {

// Short enough that Ctrl-C and the end of a command are both seen within a few tens of milliseconds.
constexpr long WaitNs = 20'000'000;

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

void InterruptWatcher::blockInAllThreads() {
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatcher::InterruptWatcher() {
    thread_ = std::jthread([this](std::stop_token stop) { watch(stop); });
}

InterruptWatcher::~InterruptWatcher() {
    stop();
}

void InterruptWatcher::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void InterruptWatcher::onInterrupt(std::function<void()> cancel) {
    std::lock_guard lock(hooks_);
    cancel_ = std::move(cancel);
}

void InterruptWatcher::onTick(std::function<void()> tick, int everyMs) {
    std::lock_guard lock(hooks_);
    tick_ = std::move(tick);
    tickEveryMs_ = everyMs;
}

void InterruptWatcher::watch(const std::stop_token& stop) {
    const sigset_t set = interruptSet();
    const timespec wait{0, WaitNs};
    auto lastTick = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
        const bool signalled = sigtimedwait(&set, nullptr, &wait) == SIGINT;
        std::lock_guard lock(hooks_);
        if (signalled) {
            interrupted_.store(true);
            // Nothing has been written yet that a cancel could finish: leave at once.
            if (!cancel_) _exit(ExitCancelled);
            cancel_();
        }
        const auto now = std::chrono::steady_clock::now();
        if (tick_ && now - lastTick >= std::chrono::milliseconds(tickEveryMs_)) {
            lastTick = now;
            tick_();
        }
    }
}

} // namespace cwcli
