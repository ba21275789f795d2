#include "browser/FolderWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "browser/FileFinder.h"

namespace vex {

namespace {

constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ONLYDIR;
constexpr uint32_t kParentEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

std::string ParentOf(const std::string& folder)
{
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    const auto slash = f.rfind('/');
    if (slash == std::string::npos) return f;
    return slash == 0 ? std::string("/") : f.substr(0, slash);
}

} // namespace

bool CFolderWatcher::Start(const std::string& folder, const std::string& patternList, Callbacks callbacks)
{
    Stop();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return false;
    const int folderWatch = inotify_add_watch(fd, folder.c_str(), kFolderEvents);
    if (folderWatch < 0) {
        ::close(fd);
        return false;
    }
    const std::string parent = ParentOf(folder);
    // Without the parent's watch only renames of the folder's own subfolders are seen.
    if (parent != folder && parent + "/" != folder) inotify_add_watch(fd, parent.c_str(), kParentEvents);
    if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    folder_ = folder;
    patterns_ = CFileFinder::SplitPatterns(patternList);
    callbacks_ = std::move(callbacks);
    stop_.store(0);
    thread_ = std::thread(&CFolderWatcher::Run, this, fd, folderWatch);
    return true;
}

void CFolderWatcher::Stop()
{
    if (!thread_.joinable()) return;
    stop_.store(1);
    const char wake = 1;
    [[maybe_unused]] const auto n = ::write(wakeFds_[1], &wake, 1);
    thread_.join();
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
    wakeFds_[0] = wakeFds_[1] = -1;
}

void CFolderWatcher::Run(int fd, int folderWatch)
{
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    while (!stop_.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, kWaitMs);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0 || stop_.load()) continue;
        if ((fds[0].revents & POLLIN) == 0) continue;
        std::vector<std::pair<std::string, bool>> touched; // name, is folder
        bool folders = false;
        bool gone = false;
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if (e->wd == folderWatch && (e->mask & IN_IGNORED)) gone = true;
                const bool isDir = (e->mask & IN_ISDIR) != 0;
                if (isDir) folders = true;
                if (e->wd == folderWatch && e->len > 0 && !isDir) touched.emplace_back(e->name, false);
            }
        }
        if (!touched.empty()) HandleFolderEvents(touched);
        if (folders && callbacks_.foldersChanged && !stop_.load()) callbacks_.foldersChanged();
        // The folder itself went away: nothing more to watch.
        if (gone) break;
    }
    ::close(fd);
}

void CFolderWatcher::HandleFolderEvents(const std::vector<std::pair<std::string, bool>>& touched)
{
    // Each name once, in the order first seen; its state now decides.
    std::vector<std::string> names;
    for (const auto& t : touched) {
        bool seen = false;
        for (const auto& n : names) seen = seen || n == t.first;
        if (!seen) names.push_back(t.first);
    }
    for (const auto& name : names) {
        if (stop_.load()) return;
        bool matches = false;
        for (const auto& p : patterns_) matches = matches || CFileFinder::MatchPattern(p, name);
        if (!matches) continue;
        const std::string path = CFileFinder::Join(folder_, name);
        if (!CFileFinder::Exists(path)) {
            if (callbacks_.fileRemoved) callbacks_.fileRemoved(name);
        } else if (CFileFinder::IsRegularFile(path)) {
            auto tiles = MakeFileTiles(path, name);
            if (callbacks_.fileChanged && !stop_.load()) callbacks_.fileChanged(name, std::move(tiles));
        }
    }
}

} // namespace vex
