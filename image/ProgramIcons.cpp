// Resource tables of PE and NE programs, read defensively.

#include "image/ByteOrder.h"
#include "image/ProgramIcons.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <optional>

#include "image/Limits.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

constexpr uint32_t kRtIcon = 3, kRtGroupIcon = 14;
// Bounds that no real resource table comes near.
constexpr uint32_t kMaxDirectoryEntries = 65536;
// Entries visited in one resource table, so crafted tables cannot make the
// walk quadratic.
constexpr uint64_t kMaxEntriesVisited = 1u << 20;
constexpr uint64_t kMaxProgramBytes = 1ull << 31;

// Bounds-checked little-endian reads over the whole file.
class View {
public:
    View(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}
    bool Has(uint64_t at, uint64_t n) const { return at <= size_ && n <= size_ - at; }
    std::optional<uint16_t> U16(uint64_t at) const
    {
        if (!Has(at, 2)) return std::nullopt;
        return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    std::optional<uint32_t> U32(uint64_t at) const
    {
        if (!Has(at, 4)) return std::nullopt;
        return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16 |
               uint32_t(data_[at + 3]) << 24;
    }
    const uint8_t* At(uint64_t at) const { return data_ + at; }
    uint64_t Size() const { return size_; }

private:
    const uint8_t* data_;
    uint64_t size_;
};

struct Resource {
    bool named = false;
    uint32_t id = 0;
    std::string name;
    uint64_t offset = 0; // in the file
    uint64_t size = 0;
};

// Builds an icon file from a group directory (14-byte entries naming icon
// ids) and the icon resources. Entries whose icon is missing are left out.
bool BuildIcoFile(const View& file, const Resource& group, const std::map<uint32_t, Resource>& icons,
                  std::vector<uint8_t>& out)
{
    const auto reserved = file.U16(group.offset), type = file.U16(group.offset + 2), count = file.U16(group.offset + 4);
    if (!reserved || !type || !count || *type != kIconDirIcon || group.size < 6 + 14ull * *count) return false;
    std::vector<std::pair<uint64_t, const Resource*>> parts;
    for (uint32_t i = 0; i < *count; ++i) {
        const uint64_t e = group.offset + 6 + 14ull * i;
        const auto id = file.U16(e + 12);
        auto it = id ? icons.find(*id) : icons.end();
        if (it == icons.end()) continue;
        parts.emplace_back(e, &it->second);
    }
    if (parts.empty()) return false;
    out.clear();
    AppendLe16(out, 0);
    AppendLe16(out, kIconDirIcon);
    AppendLe16(out, static_cast<uint32_t>(parts.size()));
    uint64_t offset = kIconDirHeaderSize + uint64_t{kIconDirEntrySize} * parts.size();
    for (const auto& part : parts) {
        offset += part.second->size;
        if (offset > RasterMemoryLimit()) return false;
    }
    offset = kIconDirHeaderSize + uint64_t{kIconDirEntrySize} * parts.size();
    for (const auto& [e, icon] : parts) {
        out.insert(out.end(), file.At(e), file.At(e) + 8); // size, colours, reserved, planes, bit count
        AppendLe32(out, static_cast<uint32_t>(icon->size));
        AppendLe32(out, static_cast<uint32_t>(offset));
        offset += icon->size;
    }
    for (const auto& part : parts) out.insert(out.end(), file.At(part.second->offset), file.At(part.second->offset) + part.second->size);
    return true;
}

// ---- PE ----

struct Section {
    uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

std::optional<uint64_t> RvaToOffset(const std::vector<Section>& sections, uint64_t rva, uint64_t size)
{
    for (const auto& s : sections) {
        const uint64_t extent = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
            const uint64_t inSection = rva - s.virtualAddress;
            if (inSection + size > s.rawSize) return std::nullopt; // data not stored in the file
            return uint64_t{s.rawOffset} + inSection;
        }
    }
    return std::nullopt;
}

class PeResources {
public:
    PeResources(const View& file, uint64_t base, uint64_t limit, const std::vector<Section>& sections)
        : file_(file), base_(base), limit_(limit), sections_(sections)
    {
    }

    // The resources of one type: every name or id, first language.
    bool ListType(uint32_t type, std::vector<Resource>& out, std::string& error) const
    {
        std::vector<std::pair<Resource, uint32_t>> types;
        if (!ReadDirectory(0, types, error)) return false;
        for (const auto& [t, typeOffset] : types) {
            if (t.named || t.id != type) continue;
            if (!(typeOffset & 0x80000000u)) return Fail(error, "resource type entry is not a directory");
            std::vector<std::pair<Resource, uint32_t>> names;
            if (!ReadDirectory(typeOffset & 0x7FFFFFFFu, names, error)) return false;
            for (auto [res, nameOffset] : names) {
                // Descend to the first language; a leaf here is tolerated.
                if (nameOffset & 0x80000000u) {
                    std::vector<std::pair<Resource, uint32_t>> langs;
                    if (!ReadDirectory(nameOffset & 0x7FFFFFFFu, langs, error, 1)) return false;
                    if (langs.empty() || (langs[0].second & 0x80000000u)) continue;
                    nameOffset = langs[0].second;
                }
                if (!ReadLeaf(nameOffset, res, error)) return false;
                out.push_back(res);
            }
        }
        return true;
    }

private:
    static bool Fail(std::string& error, const char* text)
    {
        error = text;
        return false;
    }

    bool ReadDirectory(uint32_t rel, std::vector<std::pair<Resource, uint32_t>>& out, std::string& error,
                       uint64_t wanted = kMaxDirectoryEntries) const
    {
        const uint64_t at = base_ + rel;
        if (rel >= limit_ || !file_.Has(at, 16)) return Fail(error, "resource directory outside the file");
        const uint32_t named = *file_.U16(at + 12), ids = *file_.U16(at + 14);
        const uint64_t n = uint64_t{named} + ids;
        if (n > kMaxDirectoryEntries || rel + 16 + n * 8 > limit_ || !file_.Has(at + 16, n * 8))
            return Fail(error, "resource directory outside the file");
        visited_ += std::min(n, wanted);
        if (visited_ > kMaxEntriesVisited) return Fail(error, "resource table is too large");
        for (uint64_t i = 0; i < std::min(n, wanted); ++i) {
            const uint32_t nameField = *file_.U32(at + 16 + i * 8), target = *file_.U32(at + 20 + i * 8);
            Resource r;
            if (nameField & 0x80000000u) {
                r.named = true;
                if (!ReadName(nameField & 0x7FFFFFFFu, r.name)) return Fail(error, "resource name outside the file");
            } else {
                r.id = nameField & 0xFFFF;
                r.name = "#" + std::to_string(r.id);
            }
            out.emplace_back(r, target);
        }
        return true;
    }

    bool ReadName(uint32_t rel, std::string& name) const
    {
        const uint64_t at = base_ + rel;
        const auto length = file_.U16(at);
        if (rel >= limit_ || !length || rel + 2 + 2ull * *length > limit_ || !file_.Has(at + 2, 2ull * *length)) return false;
        name.clear();
        for (uint32_t i = 0; i < *length; ++i) {
            const uint16_t c = *file_.U16(at + 2 + 2ull * i);
            name += c < 0x80 && std::isprint(c) ? static_cast<char>(c) : '_';
        }
        return true;
    }

    bool ReadLeaf(uint32_t rel, Resource& res, std::string& error) const
    {
        const uint64_t at = base_ + rel;
        if (rel >= limit_ || !file_.Has(at, 16)) return Fail(error, "resource entry outside the file");
        const uint32_t rva = *file_.U32(at), size = *file_.U32(at + 4);
        const auto offset = RvaToOffset(sections_, rva, size);
        if (!offset || !file_.Has(*offset, size)) return Fail(error, "resource data outside the file");
        res.offset = *offset;
        res.size = size;
        return true;
    }

    const View& file_;
    uint64_t base_, limit_;
    const std::vector<Section>& sections_;
    mutable uint64_t visited_ = 0;
};

bool ReadPe(const View& file, uint64_t pe, std::vector<ProgramIconGroup>& groups, std::string& error)
{
    const auto sectionCount = file.U16(pe + 6), optionalSize = file.U16(pe + 20), magic = file.U16(pe + 24);
    if (!sectionCount || !optionalSize || !magic) return (error = "PE header is truncated", false);
    const uint64_t opt = pe + 24;
    uint64_t dirs = 0, countAt = 0;
    if (*magic == 0x10B) {
        countAt = opt + 92;
        dirs = opt + 96;
    } else if (*magic == 0x20B) {
        countAt = opt + 108;
        dirs = opt + 112;
    } else {
        return (error = "unknown PE optional header", false);
    }
    const auto dirCount = file.U32(countAt);
    if (!dirCount || dirs + 8 * 3 > opt + *optionalSize) return (error = "PE header is truncated", false);
    if (*dirCount < 3) return true; // no resource directory slot
    const auto resRva = file.U32(dirs + 16), resSize = file.U32(dirs + 20);
    if (!resRva || !resSize) return (error = "PE header is truncated", false);
    if (*resRva == 0 || *resSize == 0) return true;

    std::vector<Section> sections;
    const uint64_t table = opt + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
        const uint64_t s = table + 40ull * i;
        if (!file.Has(s, 40)) return (error = "PE section table is truncated", false);
        sections.push_back(Section{*file.U32(s + 12), *file.U32(s + 8), *file.U32(s + 16), *file.U32(s + 20)});
    }
    const auto base = RvaToOffset(sections, *resRva, 16);
    if (!base || !file.Has(*base, 16)) return (error = "resource directory outside the file", false);
    // Offsets inside the table are relative to its start; every read is
    // also checked against the file.
    const uint64_t limit = file.Size() - *base;

    PeResources res(file, *base, limit, sections);
    std::vector<Resource> groupList, iconList;
    if (!res.ListType(kRtGroupIcon, groupList, error) || !res.ListType(kRtIcon, iconList, error)) return false;
    std::map<uint32_t, Resource> icons;
    for (const auto& r : iconList)
        if (!r.named) icons.emplace(r.id, r);
    for (const auto& g : groupList) {
        ProgramIconGroup out;
        out.name = g.name;
        if (BuildIcoFile(file, g, icons, out.ico)) groups.push_back(std::move(out));
    }
    return true;
}

// ---- NE ----

bool ReadNe(const View& file, uint64_t ne, std::vector<ProgramIconGroup>& groups, std::string& error)
{
    const auto tableRel = file.U16(ne + 0x24);
    if (!tableRel) return (error = "NE header is truncated", false);
    uint64_t at = ne + *tableRel;
    const auto shift = file.U16(at);
    if (!shift) return (error = "NE resource table is truncated", false);
    if (*shift > 16) return (error = "NE resource alignment is not valid", false);
    at += 2;
    std::vector<Resource> groupList;
    std::map<uint32_t, Resource> icons;
    for (uint32_t guard = 0;; ++guard) {
        const auto typeId = file.U16(at);
        if (!typeId) return (error = "NE resource table is truncated", false);
        if (*typeId == 0) break;
        const auto count = file.U16(at + 2);
        if (!count || guard > kMaxDirectoryEntries || !file.Has(at + 8, 12ull * *count))
            return (error = "NE resource table is truncated", false);
        for (uint32_t i = 0; i < *count; ++i) {
            const uint64_t e = at + 8 + 12ull * i;
            Resource r;
            r.offset = uint64_t{*file.U16(e)} << *shift;
            r.size = uint64_t{*file.U16(e + 2)} << *shift;
            const uint16_t id = *file.U16(e + 6);
            r.named = !(id & 0x8000);
            r.id = id & 0x7FFF;
            r.name = r.named ? "@" + std::to_string(id) : "#" + std::to_string(r.id);
            // A block padded to the alignment may run past the end of the file.
            if (r.offset >= file.Size()) return (error = "resource data outside the file", false);
            r.size = std::min(r.size, file.Size() - r.offset);
            if (*typeId == (0x8000 | kRtGroupIcon)) groupList.push_back(r);
            else if (*typeId == (0x8000 | kRtIcon) && !r.named) icons.emplace(r.id, r);
        }
        at += 8 + 12ull * *count;
    }
    for (const auto& g : groupList) {
        ProgramIconGroup out;
        out.name = g.name;
        if (BuildIcoFile(file, g, icons, out.ico)) groups.push_back(std::move(out));
    }
    return true;
}

bool ReadProgram(const uint8_t* data, uint64_t size, std::vector<ProgramIconGroup>& groups, std::string& error)
{
    groups.clear();
    const View file(data, size);
    const auto mz = file.U16(0);
    const auto lfanew = file.U32(0x3C);
    if (!mz || *mz != 0x5A4D || !lfanew) return (error = "not a Windows program or library", false);
    const auto sig = file.U32(*lfanew);
    if (sig && *sig == 0x00004550) return ReadPe(file, *lfanew, groups, error);
    const auto sig16 = file.U16(*lfanew);
    if (sig16 && *sig16 == 0x454E) return ReadNe(file, *lfanew, groups, error);
    error = "not a Windows program or library";
    return false;
}

} // namespace

bool ReadProgramIcons(const uint8_t* data, uint64_t size, std::vector<ProgramIconGroup>& groups, std::string& error)
{
    try {
        return ReadProgram(data, size, groups, error);
    } catch (const std::bad_alloc&) {
        groups.clear();
        error = "Can't allocate memory";
        return false;
    }
}

bool ReadProgramIcons(const char* fileName, std::vector<ProgramIconGroup>& groups, std::string& error)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return (error = "cannot open the file", false);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxProgramBytes) return (error = "the file is too large", false);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return (error = "cannot read the file", false);
    return ReadProgramIcons(bytes.data(), bytes.size(), groups, error);
}

bool LoadProgramIcon(Raster& image, const char* fileName, int groupIndex)
{
    std::vector<ProgramIconGroup> groups;
    std::string error;
    if (!ReadProgramIcons(fileName, groups, error)) {
        image.SetLastError(error.c_str());
        return false;
    }
    if (groupIndex < 0 || static_cast<size_t>(groupIndex) >= groups.size()) {
        image.SetLastError("No icon with this index in the file");
        return false;
    }
    const auto& ico = groups[static_cast<size_t>(groupIndex)].ico;
    if (!image.LoadResource(ico.data(), ico.size(), TypeIco)) return false;
    image.SetType(TypeUnknown);
    return true;
}

bool IsProgramFileName(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* known : {"exe", "dll", "icl", "ocx", "cpl", "scr"})
        if (ext == known) return true;
    return false;
}

} // namespace vex
