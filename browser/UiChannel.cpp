#include "browser/UiChannel.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QSocketNotifier>

namespace vex {

UiChannel::UiChannel(QObject* parent) : QObject(parent)
{
    fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UiChannel::Drain);
    }
}

UiChannel::~UiChannel()
{
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

void UiChannel::Post(std::function<void()> fn)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
}

void UiChannel::Drain()
{
    uint64_t count = 0;
    [[maybe_unused]] const auto n = ::read(fd_, &count, sizeof count);
    // A time budget per wake keeps the window answering while a big folder
    // pours in; what is left runs on the next turn of the event loop.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) return;
            if (clock.elapsed() >= kBudgetMs) break;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
    }
    const uint64_t one = 1;
    [[maybe_unused]] const auto w = ::write(fd_, &one, sizeof one);
}

} // namespace vex
