#include "ui/worker.h"

#include <QMetaObject>

#include <utility>

namespace cwui {

void Worker::start(int mode, std::function<void()> body) {
    join();
    mode_ = mode;
    ended_.store(false);
    thread_ = std::thread([this, body = std::move(body)] {
        body();
        ended_.store(true);
    });
}

void HandOver::run(const std::function<void()>& fn) {
    {
        std::lock_guard lock(mutex_);
        pending_ = &fn;
        done_ = false;
    }
    QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    ran_.wait(lock, [this] { return done_; });
}

void HandOver::runPending() {
    const std::function<void()>* fn = nullptr;
    {
        std::lock_guard lock(mutex_);
        fn = std::exchange(pending_, nullptr);
    }
    if (fn) (*fn)();
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    ran_.notify_all();
}

void Worker::onWindow(const std::function<void()>& fn) {
    handOver_.run(fn);
}

void Worker::join() {
    if (thread_.joinable()) thread_.join();
}

void LiveCopy::take(const cw::Engine& engine) {
    std::lock_guard lock(mutex_);
    level_ = engine.level();
    live_.traceBoard = engine.trace().traceBoard;
    live_.tracePlayer = engine.trace().tracePlayer;
    const std::string_view moves = engine.trace().text();
    live_.lastLetter = moves.empty() ? 0 : moves.back();
    valid_ = true;
}

void LiveCopy::forget() {
    std::lock_guard lock(mutex_);
    valid_ = false;
}

bool LiveCopy::read(cw::Level& level, TracePosition& live) {
    std::lock_guard lock(mutex_);
    if (!valid_) return false;
    level = level_;
    live = live_;
    return true;
}

} // namespace cwui
