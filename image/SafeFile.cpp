#include "image/SafeFile.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace vex {
namespace fs = std::filesystem;

namespace {

std::string TempNameBeside(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%llx%x%x.tmp", stamp, rd(), counter.fetch_add(1));
    fs::path dir = target.parent_path();
    return (dir / ("." + target.filename().string() + suffix)).string();
}

} // namespace

SafeWriteResult WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& writer)
{
    const fs::path target(path);
    std::string temp;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
        temp = TempNameBeside(target);
        file = std::fopen(temp.c_str(), "wbx"); // never reuse an existing name
    }
    if (!file) return SafeWriteResult::CannotOpen;

    bool ok = writer(file);
    ok = ok && std::fflush(file) == 0 && std::ferror(file) == 0;
#if defined(__unix__) || defined(__APPLE__)
    ok = ok && ::fsync(fileno(file)) == 0;
#endif
    ok = (std::fclose(file) == 0) && ok;
    std::error_code ec;
    if (!ok) {
        fs::remove(temp, ec);
        return SafeWriteResult::WriterFailed;
    }
    // Keep the permissions of the file being replaced.
    auto status = fs::status(target, ec);
    if (!ec && fs::exists(status)) fs::permissions(temp, status.permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return SafeWriteResult::CannotCommit;
    }
    return SafeWriteResult::Written;
}

} // namespace vex
