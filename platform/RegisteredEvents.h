#pragma once
// Event types registered by name, shared by every window of the program:
// "Zelto.Show" (the file list selects a tile), "Zelto.UpdateList" (the frame
// strip rebuilds one thumbnail) and "Zelto.Progress" (a worker announces an
// image operation to the editor). One name always gives the same type for
// the life of the process.

#include <QEvent>

#include "editing/RegisteredEventType.h"

namespace vex {

inline constexpr const char* kMsgShow = "Zelto.Show";
inline constexpr const char* kMsgUpdateList = "Zelto.UpdateList";
inline constexpr const char* kMsgProgress = "Zelto.Progress";

// An event carrying the two message parameters.
class RegisteredEvent : public QEvent {
public:
    RegisteredEvent(const char* name, long long wparam, long long lparam)
        : QEvent(RegisteredEventType(name)), wparam_(wparam), lparam_(lparam) {}
    long long WParam() const { return wparam_; }
    long long LParam() const { return lparam_; }

private:
    long long wparam_;
    long long lparam_;
};

} // namespace vex
