#pragma once
// The directory lister of the browser: lists a folder through a list of
// patterns, keeps the entries with their attribute words, sorts them and
// walks them with a cursor. It never changes the process's current directory,
// opens nothing but folders, and checks existence with stat.

#include <cstdint>
#include <string>
#include <vector>

namespace vex {

class CFileFinder {
public:
    // Attribute bits, in the values the rest of the browser was designed around.
    static constexpr uint32_t kAttrReadOnly = 0x01;
    static constexpr uint32_t kAttrHidden = 0x02;
    static constexpr uint32_t kAttrDirectory = 0x10;
    // Not a regular file and not a folder (pipe, socket, device): never opened.
    static constexpr uint32_t kAttrDevice = 0x40;
    static constexpr uint32_t kAttrNormal = 0x80;

    struct Entry {
        std::string path; // full path
        std::string name; // as the file system spells it
        uint32_t attributes = 0;
    };

    void SetBase(const std::string& folder) { base_ = folder; }
    const std::string& Base() const { return base_; }

    // Lists every pattern of the "|"-separated list in turn; entries are kept
    // when mask is 0 or shares a bit with their attributes. Nothing is merged.
    bool Find(const std::string& patternList, uint32_t mask);
    // Adds one entry as if a listing had found it.
    void AddEntry(Entry entry) { entries_.push_back(std::move(entry)); }
    // Sorts without regard to case: key 0 by full path, key 1 by file name.
    void Sort(int key);

    // Cursor: starts before the first entry; Next makes the following entry
    // current and says whether another one follows it.
    bool Next();
    bool HasCurrent() const { return cursor_ >= 0 && static_cast<size_t>(cursor_) < entries_.size(); }
    bool IsDots() const;
    bool IsFolder() const;
    bool IsInaccessibleFolder() const;
    bool HasSubfolders() const;
    std::string CurrentPath() const { return HasCurrent() ? Current().path : std::string(); }
    std::string CurrentName() const { return HasCurrent() ? Current().name : std::string(); }

    const std::vector<Entry>& Entries() const { return entries_; }
    // errno of the first folder that could not be listed (0 when none).
    int LastErrorNumber() const { return lastErrno_; }

    // Helpers shared by the browser.
    static std::vector<std::string> SplitPatterns(const std::string& patternList);
    // "*.*" stands for every name; letters match without case.
    static bool MatchPattern(const std::string& pattern, const std::string& name);
    static bool Exists(const std::string& path);
    static bool IsRegularFile(const std::string& path);
    static bool IsFolderPath(const std::string& path);
    static bool FolderHasSubfolders(const std::string& folder);
    static uint32_t AttributesOf(const std::string& path);
    // Folder part of a path with its final "/" ("" when there is none).
    static std::string FolderPart(const std::string& path);
    static std::string FileNamePart(const std::string& path);
    static std::string Join(const std::string& folder, const std::string& name);

private:
    const Entry& Current() const { return entries_[static_cast<size_t>(cursor_)]; }
    void ListOne(const std::string& pattern, uint32_t mask);

    std::string base_;
    std::vector<Entry> entries_;
    long cursor_ = -1;
    int lastErrno_ = 0;
};

} // namespace vex
