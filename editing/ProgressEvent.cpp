#include "editing/ProgressEvent.h"

#include <QCoreApplication>
#include <QObject>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace vex {

QEvent::Type RegisteredEventType(const char* name)
{
    static std::mutex mutex;
    static std::map<std::string, int> types;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = types.find(name);
    if (it == types.end()) it = types.emplace(name, QEvent::registerEventType()).first;
    return static_cast<QEvent::Type>(it->second);
}

CProgressEvent::CProgressEvent(WorkerAnnouncement announcement)
    : QEvent(ProgressType()), announcement_(std::move(announcement))
{
}

CProgressEvent::~CProgressEvent() = default;

QEvent::Type CProgressEvent::ProgressType()
{
    return RegisteredEventType(kProgressMessageName);
}

CProgressEventPoster::CProgressEventPoster(QObject* receiver) : receiver_(receiver) {}

bool CProgressEventPoster::Post(WorkerAnnouncement announcement)
{
    if (!receiver_) return false;
    QCoreApplication::postEvent(receiver_.data(), new CProgressEvent(std::move(announcement)));
    return true;
}

} // namespace vex
