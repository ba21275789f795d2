#pragma once
// Writing a file so that a failure never damages what was there before: the
// data goes to a temporary file beside the target, which replaces the target
// only when every write and the close succeeded.

#include <cstdio>
#include <functional>
#include <string>

namespace vex {

enum class SafeWriteResult { Written, CannotOpen, WriterFailed, CannotCommit };

SafeWriteResult WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& writer);

} // namespace vex
