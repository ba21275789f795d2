#include "editing/TemplateLibrary.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "editing/TemplateLibraryFile.h"
#include "editing/TemplateRender.h"
#include "image/ImageType.h"

namespace vex {
namespace fs = std::filesystem;

namespace {

bool SameNameNoCase(const std::string& a, const std::string& b)
{
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

// Libraries written on other systems separate folders with backslashes.
std::string SlashSeparators(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The whole working file, opened for reading only; nothing when it is not a
// regular file, cannot be read or is larger than any library.
std::optional<std::string> ReadLibraryText(const std::string& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    const uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxTemplateFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

} // namespace

CTemplateLibrary::CTemplateLibrary() = default;

CTemplateLibrary::CTemplateLibrary(std::string programFolder, std::string dataFolder)
    : program_(std::move(programFolder)), data_(std::move(dataFolder)), explicitFolders_(true)
{
}

std::string CTemplateLibrary::ProgramFolder() const
{
    if (explicitFolders_) return program_;
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath().toStdString();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string CTemplateLibrary::DataFolder() const
{
    std::string folder = data_;
    if (!explicitFolders_) {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (base.isEmpty()) return {};
        folder = base.toStdString() + "/Quorvane/Vexmira";
    }
    if (folder.empty()) return {};
    // The folders are made on every resolution; a failure shows later as a
    // working file that cannot be created.
    std::error_code ec;
    fs::create_directories(fs::path(folder) / "Template", ec);
    return folder;
}

std::string CTemplateLibrary::WorkingFile() const
{
    const std::string data = DataFolder();
    return data.empty() ? std::string() : data + "/Template/template.db";
}

std::vector<std::string> CTemplateLibrary::InstalledCandidates() const
{
    if (!candidates_.empty()) return candidates_;
    const std::string program = ProgramFolder();
    std::vector<std::string> out;
    if (!program.empty()) {
        out.push_back(program + "/Template/Template.db");
        // Installed layout: <prefix>/bin and <prefix>/share/vexmira.
        out.push_back(fs::path(program + "/../share/vexmira/Template/Template.db").lexically_normal().string());
    }
#ifdef VEXMIRA_SOURCE_TEMPLATE_DIR
    // A program run from its build tree finds the default in the sources.
    if (!explicitFolders_) out.push_back(std::string(VEXMIRA_SOURCE_TEMPLATE_DIR) + "/Template.db");
#endif
    return out;
}

std::string CTemplateLibrary::FindInstalledFile() const
{
    std::error_code ec;
    for (const std::string& file : InstalledCandidates())
        if (fs::is_regular_file(file, ec)) return file;
    return {};
}

bool CTemplateLibrary::CopyInstalledFile(const std::string& workingFile) const
{
    const std::string source = FindInstalledFile();
    if (source.empty() || workingFile.empty()) return false;
    std::error_code ec;
    fs::copy_file(source, workingFile, fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
    // The user may edit the copy; an installed file is often read-only.
    fs::permissions(workingFile, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    return true;
}

std::string CTemplateLibrary::ExpandPathMacros(const std::string& text) const
{
    std::string t = ReplaceAll(text, "{template}", "{appdata}/Template");
    t = ReplaceAll(std::move(t), "{appdata}", DataFolder());
    if (t.find("{atemplate}") != std::string::npos) {
        // The installed template folder: beside the program, or where the
        // installed library was found (<prefix>/share/vexmira/Template).
        std::string folder = "{app}/Template";
        const std::string installed = FindInstalledFile();
        if (!installed.empty() && fs::path(installed).parent_path() != fs::path(ProgramFolder()) / "Template")
            folder = fs::path(installed).parent_path().string();
        t = ReplaceAll(std::move(t), "{atemplate}", folder);
    }
    t = ReplaceAll(std::move(t), "{app}", ProgramFolder());
    return ReplaceAll(std::move(t), "{null}", "");
}

std::optional<TemplateLibraryFile> CTemplateLibrary::OpenWorkingFile()
{
    if (ProgramFolder().empty() || DataFolder().empty()) {
        status_ = TemplateStatus::NoFolders;
        return std::nullopt;
    }
    const std::string working = WorkingFile();
    std::error_code ec;
    if (!fs::exists(working, ec) && !CopyInstalledFile(working)) {
        status_ = TemplateStatus::AccessDenied;
        if (onMessage) onMessage(kTemplateAccessDeniedText, kTemplateAccessDeniedCaption);
        return std::nullopt;
    }
    // Read only: the program never writes the library, and a read-only copy
    // (or one on a read-only medium) still serves.
    std::optional<std::string> text = ReadLibraryText(working);
    if (!text) {
        status_ = TemplateStatus::CannotOpen;
        return std::nullopt;
    }
    return TemplateLibraryFile(*text);
}

bool CTemplateLibrary::LoadPicture(const TemplateInfo& entry, CFrameImage& picture) const
{
    const std::string current = FieldText(entry.currentPath);
    const std::string original = FieldText(entry.originalPath);
    const uint32_t type = TypeFromName(original);
    CFrameImage loaded;
    bool ok = !current.empty() && loaded.Load(current.c_str(), type);
    if (!ok && !original.empty()) {
        ok = loaded.Load(original.c_str(), TypeUnknown);
        // The working copy exists next time.
        if (ok && !current.empty()) loaded.Save(current.c_str(), type);
    }
    if (!ok) return false;
    loaded.UpdatePlacement(0, 0);
    picture = std::move(loaded);
    return true;
}

bool CTemplateLibrary::LoadFrom(const TemplateLibraryFile& library, TemplateInfo& description, CFrameImage* picture)
{
    const std::string wanted = FieldText(description.name);
    TemplateInfo entry;
    for (int32_t n = std::max(0, description.entryNumber);; ++n) {
        if (!library.ReadEntry(n, entry)) {
            status_ = TemplateStatus::NotFound;
            return false;
        }
        if (description.entryNumber == n || SameNameNoCase(wanted, FieldText(entry.name)) ||
            SameNameNoCase(wanted, FieldText(entry.originalPath)) || SameNameNoCase(wanted, FieldText(entry.currentPath)))
            break;
        if (n == INT32_MAX) {
            status_ = TemplateStatus::NotFound;
            return false;
        }
    }
    StoreText(entry.currentPath, SlashSeparators(ExpandPathMacros(FieldText(entry.currentPath))));
    StoreText(entry.originalPath, SlashSeparators(ExpandPathMacros(FieldText(entry.originalPath))));
    StoreText(entry.name, ExpandPathMacros(FieldText(entry.name)));
    description = entry;
    status_ = TemplateStatus::Loaded;
    if (!picture) return true;

    if (entry.currentPath[0] != '\0' || entry.originalPath[0] != '\0') {
        if (!LoadPicture(entry, *picture)) {
            status_ = TemplateStatus::PictureFailed;
            return false;
        }
        return true;
    }
    // A fresh layer: its stored description differs from the entry, so the
    // card is drawn without forcing.
    CTemplateLayer layer;
    layer.picture = std::move(*picture);
    RenderTemplate(entry, layer, false);
    *picture = std::move(layer.picture);
    return true;
}

bool CTemplateLibrary::LoadTemplate(TemplateInfo& description, CFrameImage* picture)
{
    std::optional<TemplateLibraryFile> library = OpenWorkingFile();
    return library && LoadFrom(*library, description, picture);
}

std::vector<TemplateEntry> CTemplateLibrary::Enumerate()
{
    std::vector<TemplateEntry> out;
    // One reading of the file serves every entry of the tool bar.
    std::optional<TemplateLibraryFile> library = OpenWorkingFile();
    if (!library) return out;
    for (int32_t n = 0; n < kMaxTemplateEntries; ++n) {
        TemplateEntry e{ZeroedTemplateInfo(), CFrameImage()};
        e.description.entryNumber = n;
        if (!LoadFrom(*library, e.description, &e.picture)) break;
        out.push_back(std::move(e));
    }
    return out;
}

Raster MakeTemplateThumbnail(const Raster& picture)
{
    Raster thumb;
    if (!picture.IsValid()) return thumb;
    Raster source(picture);
    if (!source.Resize(kTemplateThumbWidth, kTemplateThumbHeight, Raster::NearestPixel, &thumb)) return Raster();
    return thumb;
}

} // namespace vex
