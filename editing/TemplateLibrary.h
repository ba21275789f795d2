#pragma once
// The template library: the folders it lives in, the first-use copy of the
// installed default into the user's data folder, looking an entry up by
// number or name and obtaining its picture. The library file is only read.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editing/FrameImage.h"
#include "editing/TemplateInfo.h"
#include "editing/TemplateLibraryFile.h"

namespace vex {

inline constexpr char kTemplateAccessDeniedText[] =
    "There was a problem creating, (locating) your template directory.\n"
    "You might not have access to the directory.\n"
    "Please contact support on how to resolve that problem.";
inline constexpr char kTemplateAccessDeniedCaption[] = "Access Denied";

// Size of the pictures on the templates tool bar.
inline constexpr int32_t kTemplateThumbWidth = 106;
inline constexpr int32_t kTemplateThumbHeight = 76;

enum class TemplateStatus {
    Loaded,
    NoFolders,     // program or data folder unknown
    AccessDenied,  // no working file and the installed one could not be copied
    CannotOpen,    // the working file could not be read
    NotFound,      // no such entry before the numbering ends
    PictureFailed, // the description was filled; its picture file did not load
};

struct TemplateEntry {
    TemplateInfo description;
    CFrameImage picture;
};

class CTemplateLibrary {
public:
    // Folders of the running program and of the user's data
    // ($XDG_DATA_HOME/Quorvane/Vexmira).
    CTemplateLibrary();
    // Explicit folders, without trailing separators.
    CTemplateLibrary(std::string programFolder, std::string dataFolder);

    // Shown by the application (warning icon) when the working file can be
    // neither found nor created: text, caption.
    std::function<void(const std::string&, const std::string&)> onMessage;

    // Finds the entry with description.entryNumber (from max(0, number)) or
    // whose name, original path or current path equals description.name
    // ignoring case; fills the description and, when picture is given, its picture.
    bool LoadTemplate(TemplateInfo& description, CFrameImage* picture);
    TemplateStatus GetLastStatus() const { return status_; }

    // Every entry from 0 up to the first that does not load.
    std::vector<TemplateEntry> Enumerate();

    // Copies the installed default over the working file.
    bool CopyInstalledFile(const std::string& workingFile) const;
    // The first installed default that exists, or empty.
    std::string FindInstalledFile() const;
    // Where installed defaults are looked for, in order.
    std::vector<std::string> InstalledCandidates() const;
    // Replaces the candidate list (tests, relocated installs).
    void SetInstalledCandidates(std::vector<std::string> files) { candidates_ = std::move(files); }

    // Empty when the folder cannot be resolved. Resolving the data folder
    // creates it and its Template sub-folder.
    std::string ProgramFolder() const;
    std::string DataFolder() const;
    std::string WorkingFile() const;

    // "{template}", "{appdata}", "{atemplate}", "{app}", "{null}" in that order.
    std::string ExpandPathMacros(const std::string& text) const;

private:
    // Resolves the folders, makes the first-use copy and reads the working
    // file; sets the status and reports "Access Denied" on failure.
    std::optional<TemplateLibraryFile> OpenWorkingFile();
    bool LoadFrom(const TemplateLibraryFile& library, TemplateInfo& description, CFrameImage* picture);
    bool LoadPicture(const TemplateInfo& entry, CFrameImage& picture) const;

    std::string program_;
    std::string data_;
    bool explicitFolders_ = false;
    std::vector<std::string> candidates_;
    TemplateStatus status_ = TemplateStatus::NotFound;
};

// The picture made to fit the tool bar (NearestPixel); empty when there is no picture.
Raster MakeTemplateThumbnail(const Raster& picture);

} // namespace vex
