#pragma once
// Ctrl-C for the command line. SIGINT is blocked in every thread of the process and taken by one
// watcher thread, so no signal handler ever runs inside a solver thread. Until a command says what
// a cancel means, Ctrl-C ends the program at once with status 130 (loading, listing); after
// onInterrupt() it calls that cancel instead, so a run can end cleanly and write what it has.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace cwcli {

class InterruptWatcher {
  public:
    // Call at the very start of main, before any other thread exists, so that all inherit the mask.
    static void blockInAllThreads();

    InterruptWatcher();
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // From now on Ctrl-C calls `cancel` (on the watcher thread) instead of ending the program.
    void onInterrupt(std::function<void()> cancel);
    // Called on the watcher thread about every `everyMs` milliseconds (progress display).
    void onTick(std::function<void()> tick, int everyMs);
    bool interrupted() const { return interrupted_.load(); }
    // Ends the watcher thread; no hook runs after this returns.
    void stop();

  private:
    void watch(const std::stop_token& stop);

    std::mutex hooks_;
    std::function<void()> cancel_;
    std::function<void()> tick_;
    int tickEveryMs_ = 0;
    std::atomic<bool> interrupted_{false};
    std::jthread thread_;
};

} // namespace cwcli
