#pragma once
// The window's worker thread and its hand-over: a solve or a batch runs off the window thread, every
// change of a widget is handed to the window thread and waited for, and the position of the last
// finished run is copied for the progress timer to draw.
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/engine.h"
#include "ui/board_view.h"

namespace cwui {

constexpr int WorkerSolve = 1;
constexpr int WorkerBatch = 2;

// Runs a function of the worker on the window thread and waits for it. The wake-up travels through
// Qt's event queue by name, so it carries no data of ours; the function and its end pass through a
// mutex of our own, which keeps the hand-over visible to race checkers that cannot see inside Qt.
class HandOver : public QObject {
    Q_OBJECT

  public:
    // On the worker: runs fn on the thread this object lives in and returns once it ran.
    void run(const std::function<void()>& fn);

  public slots:
    void runPending();

  private:
    std::mutex mutex_;
    std::condition_variable ran_;
    const std::function<void()>* pending_ = nullptr;
    bool done_ = false;
};

class Worker {
  public:
    Worker() = default;
    ~Worker() { join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts `body` in `mode` on a new thread; the last body has handed over its end already.
    void start(int mode, std::function<void()> body);
    // Whether a started body has not yet marked its end.
    bool running() const { return thread_.joinable() && !ended_.load(); }
    int mode() const { return mode_; }
    // On the worker: runs fn on the window thread and waits for it.
    void onWindow(const std::function<void()>& fn);
    void join();

  private:
    HandOver handOver_; // made on the window thread, with the window
    std::thread thread_;
    std::atomic<bool> ended_{true};
    int mode_ = 0;
};

// The last finished run's position: written by the worker after the solver threads ended, read by
// the window's timer; never the engine's tables while a run goes on.
class LiveCopy {
  public:
    void take(const cw::Engine& engine);
    void forget();
    // The copy, when there is one.
    bool read(cw::Level& level, TracePosition& live);

  private:
    std::mutex mutex_;
    cw::Level level_;
    TracePosition live_;
    bool valid_ = false;
};

} // namespace cwui
