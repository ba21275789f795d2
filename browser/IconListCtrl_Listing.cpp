// The enumeration thread of the file list and its tile workers.
#include <dirent.h>

#include <algorithm>
#include <cerrno>

#include "browser/FileFinder.h"
#include "browser/IconListCtrl.h"

namespace vex {

namespace {

int ProbeFolder(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return errno;
    ::closedir(dir);
    return 0;
}

int TileWorkerCount()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores >= 2 ? 2 : 1;
}

} // namespace

void CIconListCtrl::StartListing()
{
    StopListing();
    auto state = std::make_unique<Listing>();
    state->generation = generation_.load();
    state->folder = folder_.toStdString();
    state->patterns = patterns_;
    state->pendingName = pendingName_.toStdString();
    state->probe = probe_ ? probe_ : ProbeFolder;
    state->maker = maker_ ? maker_ : TileMaker(MakeFileTiles);
    listingState_ = std::move(state);
    listing_ = true;
    nextOrder_ = 0;
    early_.clear();
    removedWhileListing_.clear();
    Listing* L = listingState_.get();
    lister_ = std::thread([this, L] {
        const auto stale = [&] { return generation_.load() != L->generation || L->cancel.load(); };
        const uint64_t g = L->generation;
        const int err = L->probe(L->folder);
        if (err == ENOMEDIUM) {
            // The medium of a removable drive is missing: ask on the UI thread.
            channel_->Post([this, g, err] { OnNotReady(g, err); });
            return;
        }
        std::vector<CFileFinder::Entry> files;
        if (err == 0) {
            CFileFinder finder;
            finder.SetBase(L->folder);
            finder.Find(L->patterns, 0);
            // The file to select is listed even when no pattern matches it.
            if (!L->pendingName.empty()) {
                const std::string path = CFileFinder::Join(L->folder, L->pendingName);
                if (CFileFinder::Exists(path))
                    finder.AddEntry({path, L->pendingName, CFileFinder::AttributesOf(path)});
            }
            finder.Sort(1);
            for (const auto& e : finder.Entries()) {
                if ((e.attributes & CFileFinder::kAttrNormal) == 0) continue; // folders, pipes, devices
                // A file listed by two patterns has one set of tiles.
                if (!files.empty() && files.back().path == e.path) continue;
                files.push_back(e);
            }
        }
        const int count = static_cast<int>(files.size());
        const auto work = [&] {
            for (;;) {
                const int i = L->next.fetch_add(1);
                if (i >= count || stale()) return;
                auto tiles = std::make_shared<std::vector<TileImage>>(
                    L->maker(files[static_cast<size_t>(i)].path, files[static_cast<size_t>(i)].name, &L->cancel));
                if (stale()) return;
                const QString name = QString::fromStdString(files[static_cast<size_t>(i)].name);
                channel_->Post([this, g, i, name, tiles] { OnFileReady(g, i, name, std::move(*tiles)); });
            }
        };
        std::thread helper;
        if (TileWorkerCount() > 1 && count > 1) helper = std::thread(work);
        work();
        if (helper.joinable()) helper.join();
        channel_->Post([this, g] { OnListingDone(g); });
    });
}

void CIconListCtrl::StopListing()
{
    if (listingState_) listingState_->cancel.store(true);
    if (lister_.joinable()) lister_.join();
    listingState_.reset();
}

} // namespace vex
