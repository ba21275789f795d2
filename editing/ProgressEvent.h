#pragma once
// "Zelto.Progress" as a Qt event: a started worker announces itself to the
// editor view by posting this event; the view hands the announcement to its
// progress dialog's poller. Event types are registered once per name, so
// every part of the program that asks for "Zelto.Progress" gets the same type.

#include <QEvent>
#include <QPointer>

#include "editing/FrameWorker.h"
#include "editing/RegisteredEventType.h"

class QObject;

namespace vex {

inline constexpr char kProgressMessageName[] = "Zelto.Progress";

class CProgressEvent : public QEvent {
public:
    explicit CProgressEvent(WorkerAnnouncement announcement);
    ~CProgressEvent() override;

    // The type registered under kProgressMessageName.
    static QEvent::Type ProgressType();
    const WorkerAnnouncement& GetAnnouncement() const { return announcement_; }

private:
    WorkerAnnouncement announcement_;
};

// Posts each announcement as a CProgressEvent to the receiver (the editor
// view); nothing is posted once the receiver is gone.
class CProgressEventPoster : public ProgressSink {
public:
    explicit CProgressEventPoster(QObject* receiver);
    bool Post(WorkerAnnouncement announcement) override;

private:
    QPointer<QObject> receiver_;
};

} // namespace vex
