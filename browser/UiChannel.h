#pragma once
// Carries work from worker threads to the thread that owns the channel (the
// user-interface thread): the workers queue calls under a lock and wake the
// owner through an event descriptor; the owner runs them in order. Nothing
// of Qt's crosses threads, so the hand-over is visible to race checkers.

#include <deque>
#include <functional>
#include <mutex>

#include <QObject>

class QSocketNotifier;

namespace vex {

class UiChannel : public QObject {
    Q_OBJECT
public:
    explicit UiChannel(QObject* parent = nullptr);
    ~UiChannel() override;

    // Any thread: runs fn on the owner's thread, after every call queued before it.
    void Post(std::function<void()> fn);

private:
    static constexpr qint64 kBudgetMs = 15;
    void Drain();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vex
