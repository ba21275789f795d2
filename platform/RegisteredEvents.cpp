#include "platform/RegisteredEvents.h"

#include <map>
#include <mutex>
#include <string>

namespace vex {
namespace {

std::mutex& Lock()
{
    static std::mutex m;
    return m;
}

std::map<std::string, QEvent::Type>& Table()
{
    static std::map<std::string, QEvent::Type> table;
    return table;
}

// The program's three messages exist before anything can send one.
[[maybe_unused]] const bool kRegistered = [] {
    RegisteredEventType(kMsgShow);
    RegisteredEventType(kMsgUpdateList);
    RegisteredEventType(kMsgProgress);
    return true;
}();

} // namespace

QEvent::Type RegisteredEventType(const char* name)
{
    std::lock_guard lock(Lock());
    auto& table = Table();
    const auto found = table.find(name);
    if (found != table.end()) return found->second;
    const int type = QEvent::registerEventType();
    if (type < 0) return QEvent::None;
    table.emplace(name, QEvent::Type(type));
    return QEvent::Type(type);
}

} // namespace vex
