#include "editing/RegisteredEventType.h"

#include <map>
#include <mutex>
#include <string>

namespace vex {

QEvent::Type RegisteredEventType(const char* name)
{
    static std::mutex mutex;
    static std::map<std::string, QEvent::Type> table;
    const std::lock_guard lock(mutex);
    const auto found = table.find(name);
    if (found != table.end()) return found->second;
    const int type = QEvent::registerEventType();
    if (type < 0) return QEvent::None;
    table.emplace(name, QEvent::Type(type));
    return QEvent::Type(type);
}

} // namespace vex
