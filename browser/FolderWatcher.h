#pragma once
// The file list's watcher thread: inotify on the shown folder (files created,
// written and closed, moved, deleted) and on its parent (folders created,
// moved, deleted; inotify is not recursive, so these two levels are what is
// watched). It waits at most 333 ms at a time and ends at once when stopped.
// Results leave through the callbacks, called on the watcher thread; the
// receiver carries them over to its own thread.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "browser/TileFactory.h"

namespace vex {

class CFolderWatcher {
public:
    static constexpr int kWaitMs = 333;

    struct Callbacks {
        // A file of the folder (matching the patterns) was created or changed:
        // its new tiles (empty when it gives none).
        std::function<void(const std::string& name, std::vector<TileImage> tiles)> fileChanged;
        // A file of the folder is gone.
        std::function<void(const std::string& name)> fileRemoved;
        // Folders were added, renamed or removed in the folder or its parent.
        std::function<void()> foldersChanged;
    };

    CFolderWatcher() = default;
    ~CFolderWatcher() { Stop(); }
    CFolderWatcher(const CFolderWatcher&) = delete;
    CFolderWatcher& operator=(const CFolderWatcher&) = delete;

    // False (and nothing watched) when the folder cannot be watched.
    bool Start(const std::string& folder, const std::string& patternList, Callbacks callbacks);
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

private:
    void Run(int inotifyFd, int folderWatch);
    void HandleFolderEvents(const std::vector<std::pair<std::string, bool>>& touched);

    std::thread thread_;
    std::atomic<int> stop_{0};
    int wakeFds_[2] = {-1, -1};
    std::string folder_;
    std::vector<std::string> patterns_;
    Callbacks callbacks_;
};

} // namespace vex
