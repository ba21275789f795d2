#include "editing/ProgressEvent.h"

#include <QCoreApplication>
#include <QObject>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace vex {

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
