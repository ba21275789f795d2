#include "browser/FileFinder.h"

#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <QString>

namespace vex {

namespace {

bool HasWildcard(const std::string& s)
{
    return s.find_first_of("*?[") != std::string::npos;
}

uint32_t AttributesFromMode(mode_t mode, const std::string& name)
{
    uint32_t a = 0;
    if (S_ISDIR(mode))
        a = CFileFinder::kAttrDirectory;
    else if (S_ISREG(mode))
        a = CFileFinder::kAttrNormal;
    else
        a = CFileFinder::kAttrDevice;
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= CFileFinder::kAttrReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= CFileFinder::kAttrHidden;
    return a;
}

} // namespace

std::vector<std::string> CFileFinder::SplitPatterns(const std::string& patternList)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < patternList.size()) {
        while (i < patternList.size() && (patternList[i] == ' ' || patternList[i] == '|')) ++i;
        size_t end = patternList.find('|', i);
        if (end == std::string::npos) end = patternList.size();
        size_t last = end;
        while (last > i && patternList[last - 1] == ' ') --last;
        if (last > i) out.push_back(patternList.substr(i, last - i));
        i = end;
    }
    return out;
}

bool CFileFinder::MatchPattern(const std::string& pattern, const std::string& name)
{
    // "*.*" is how every name is asked for; here names need not have a dot.
    if (pattern == "*.*" || pattern == "*") return true;
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool CFileFinder::Exists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool CFileFinder::IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CFileFinder::IsFolderPath(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint32_t CFileFinder::AttributesOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return AttributesFromMode(st.st_mode, FileNamePart(path));
}

std::string CFileFinder::FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string CFileFinder::FileNamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CFileFinder::Join(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool CFileFinder::FolderHasSubfolders(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (e->d_type == DT_DIR) {
            found = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            found = IsFolderPath(Join(folder, name));
        }
        if (found) break;
    }
    ::closedir(dir);
    return found;
}

bool CFileFinder::Find(const std::string& patternList, uint32_t mask)
{
    entries_.clear();
    cursor_ = -1;
    lastErrno_ = 0;
    for (const auto& pattern : SplitPatterns(patternList)) ListOne(pattern, mask);
    return !entries_.empty();
}

void CFileFinder::ListOne(const std::string& pattern, uint32_t mask)
{
    std::string full;
    if (!pattern.empty() && pattern[0] == '/') {
        full = pattern;
    } else if (!base_.empty()) {
        full = pattern.compare(0, base_.size(), base_) == 0 ? pattern : Join(base_, pattern);
    } else {
        // Reading the current directory is harmless; nothing here changes it.
        std::error_code ec;
        full = Join(std::filesystem::current_path(ec).string(), pattern);
    }
    const std::string folder = FolderPart(full);
    const std::string namePattern = FileNamePart(full);
    const auto keep = [&](const std::string& name, uint32_t attributes) {
        if (mask == 0 || (mask & attributes) != 0) entries_.push_back({Join(folder, name), name, attributes});
    };
    if (!HasWildcard(namePattern)) {
        // A plain name is looked up exactly (a.ico and A.ico are two files).
        struct stat st {};
        if (::stat(full.c_str(), &st) == 0) keep(namePattern, AttributesFromMode(st.st_mode, namePattern));
        else if (lastErrno_ == 0 && errno != ENOENT) lastErrno_ = errno;
        return;
    }
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        if (lastErrno_ == 0) lastErrno_ = errno;
        return;
    }
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!MatchPattern(namePattern, name)) continue;
        uint32_t attributes = 0;
        if (e->d_type == DT_REG && name[0] != '.') {
            attributes = kAttrNormal;
        } else if (e->d_type == DT_DIR && name[0] != '.') {
            attributes = kAttrDirectory;
        } else {
            struct stat st {};
            if (::stat(Join(folder, name).c_str(), &st) != 0) continue; // dangling link
            attributes = AttributesFromMode(st.st_mode, name);
        }
        keep(name, attributes);
    }
    ::closedir(dir);
}

void CFileFinder::Sort(int key)
{
    std::vector<std::pair<QString, size_t>> keys;
    keys.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const std::string& s = key == 0 ? entries_[i].path : entries_[i].name;
        keys.emplace_back(QString::fromStdString(s).toCaseFolded(), i);
    }
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        if (c != 0) return c < 0;
        // Names equal without case still come in one fixed order.
        return entries_[a.second].name < entries_[b.second].name;
    });
    std::vector<Entry> sorted;
    sorted.reserve(entries_.size());
    for (const auto& k : keys) sorted.push_back(std::move(entries_[k.second]));
    entries_ = std::move(sorted);
    cursor_ = -1;
}

bool CFileFinder::Next()
{
    if (cursor_ < static_cast<long>(entries_.size())) ++cursor_;
    return cursor_ + 1 < static_cast<long>(entries_.size());
}

bool CFileFinder::IsDots() const
{
    return HasCurrent() && (Current().name == "." || Current().name == "..");
}

bool CFileFinder::IsFolder() const
{
    return HasCurrent() && (Current().attributes & kAttrDirectory) != 0;
}

bool CFileFinder::IsInaccessibleFolder() const
{
    // Tested without entering it: no thread changes the current directory.
    return IsFolder() && ::access(Current().path.c_str(), R_OK | X_OK) != 0;
}

bool CFileFinder::HasSubfolders() const
{
    return IsFolder() && FolderHasSubfolders(Current().path);
}

} // namespace vex
