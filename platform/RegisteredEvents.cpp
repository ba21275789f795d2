#include "platform/RegisteredEvents.h"

namespace vex {
namespace {

// The program's three messages exist before anything can send one.
[[maybe_unused]] const bool kRegistered = [] {
    RegisteredEventType(kMsgShow);
    RegisteredEventType(kMsgUpdateList);
    RegisteredEventType(kMsgProgress);
    return true;
}();

} // namespace
} // namespace vex
