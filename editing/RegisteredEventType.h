#pragma once
// Event types registered by name. One name always gives the same type for the
// life of the process, whichever layer asks first.

#include <QEvent>

namespace vex {

// The type registered under `name`, registering it on first use. Safe from
// any thread. Returns QEvent::None when Qt has no free type left.
QEvent::Type RegisteredEventType(const char* name);

} // namespace vex
