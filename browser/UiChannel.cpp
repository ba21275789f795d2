#include "browser/UiChannel.h"

#include <sys/eventfd.h>
#include <unistd.h>

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
    std::deque<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work.swap(queue_);
    }
    for (auto& fn : work) fn();
}

} // namespace vex
