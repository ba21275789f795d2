#pragma once
// Small Windows programs built in memory: a PE (32 or 64 bit) or NE file
// whose only content is a resource table of icons and icon groups.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/TestHelpers.h"

namespace vex::test {

struct GroupSpec {
    std::string name; // empty: numbered by id
    uint16_t id = 0;
    std::vector<uint16_t> iconIds;
};

// The 14-byte-entry group directory naming icons by id.
inline std::vector<uint8_t> GroupData(const std::vector<uint16_t>& ids, const std::map<uint16_t, std::vector<uint8_t>>& icons)
{
    Bytes b;
    b.u16(0).u16(1).u16(static_cast<uint32_t>(ids.size()));
    for (uint16_t id : ids) {
        auto it = icons.find(id);
        const uint32_t size = it == icons.end() ? 0 : static_cast<uint32_t>(it->second.size());
        b.u8(2).u8(2).u8(0).u8(0).u16(1).u16(24).u32(size).u16(id);
    }
    return b.v;
}

inline std::vector<uint8_t> BuildPe(bool pe64, const std::vector<GroupSpec>& groups,
                                    const std::map<uint16_t, std::vector<uint8_t>>& icons)
{
    struct Res {
        std::string name;
        uint32_t id;
        std::vector<uint8_t> data;
    };
    // Named entries come first, then ids in ascending order, as in real tables.
    std::vector<Res> named, numbered, iconRes;
    for (const auto& g : groups)
        (g.name.empty() ? numbered : named).push_back(Res{g.name, g.id, GroupData(g.iconIds, icons)});
    std::sort(numbered.begin(), numbered.end(), [](const Res& a, const Res& b) { return a.id < b.id; });
    std::vector<Res> groupRes = named;
    groupRes.insert(groupRes.end(), numbered.begin(), numbered.end());
    for (const auto& [id, data] : icons) iconRes.push_back(Res{"", id, data});
    const std::vector<std::pair<uint32_t, std::vector<Res>*>> types = {{3, &iconRes}, {14, &groupRes}};

    const uint32_t rva = 0x1000;
    size_t nres = iconRes.size() + groupRes.size();
    uint32_t at = 16 + 8 * 2;
    std::vector<uint32_t> typeDir;
    for (const auto& t : types) {
        typeDir.push_back(at);
        at += 16 + 8 * static_cast<uint32_t>(t.second->size());
    }
    const uint32_t langStart = at;
    at += static_cast<uint32_t>(nres) * (16 + 8);
    const uint32_t leafStart = at;
    at += static_cast<uint32_t>(nres) * 16;
    std::vector<uint32_t> nameAt;
    for (const auto& r : named) {
        nameAt.push_back(at);
        at += 2 + 2 * static_cast<uint32_t>(r.name.size());
    }
    at = (at + 3) & ~3u;
    std::vector<uint32_t> dataAt;
    for (const auto& t : types)
        for (const auto& r : *t.second) {
            dataAt.push_back(at);
            at = (at + static_cast<uint32_t>(r.data.size()) + 3) & ~3u;
        }
    const uint32_t sectionSize = at;

    Bytes s;
    s.u32(0).u32(0).u16(0).u16(0).u16(0).u16(2);
    for (size_t i = 0; i < types.size(); ++i) s.u32(types[i].first).u32(0x80000000u | typeDir[i]);
    size_t k = 0, namedSeen = 0;
    for (const auto& t : types) {
        const uint32_t nNamed = t.first == 14 ? static_cast<uint32_t>(named.size()) : 0;
        s.u32(0).u32(0).u16(0).u16(0).u16(nNamed).u16(static_cast<uint32_t>(t.second->size()) - nNamed);
        for (size_t i = 0; i < t.second->size(); ++i, ++k) {
            const Res& r = (*t.second)[i];
            const uint32_t nameField = t.first == 14 && i < nNamed ? 0x80000000u | nameAt[namedSeen++] : r.id;
            s.u32(nameField).u32(0x80000000u | (langStart + 24 * static_cast<uint32_t>(k)));
        }
    }
    for (size_t i = 0; i < nres; ++i) s.u32(0).u32(0).u16(0).u16(0).u16(0).u16(1).u32(0x409).u32(leafStart + 16 * static_cast<uint32_t>(i));
    k = 0;
    for (const auto& t : types)
        for (const auto& r : *t.second) {
            s.u32(rva + dataAt[k]).u32(static_cast<uint32_t>(r.data.size())).u32(0).u32(0);
            ++k;
        }
    for (const auto& r : named) {
        s.u16(static_cast<uint32_t>(r.name.size()));
        for (char c : r.name) s.u16(static_cast<uint8_t>(c));
    }
    k = 0;
    for (const auto& t : types)
        for (const auto& r : *t.second) {
            s.v.resize(dataAt[k++], 0);
            s.raw(r.data);
        }
    s.v.resize(sectionSize, 0);

    const uint16_t optSize = pe64 ? 240 : 224;
    Bytes f;
    f.u16(0x5A4D).zeros(0x3C - 2).u32(0x40);
    f.u32(0x00004550).u16(pe64 ? 0x8664 : 0x14C).u16(1).u32(0).u32(0).u32(0).u16(optSize).u16(0x2102);
    const size_t opt = f.size();
    f.u16(pe64 ? 0x20B : 0x10B);
    f.zeros((pe64 ? 108 : 92) - 2);
    f.u32(16);
    for (int i = 0; i < 16; ++i) {
        if (i == 2) f.u32(rva).u32(sectionSize);
        else f.u32(0).u32(0);
    }
    (void)opt;
    f.raw({'.', 'r', 's', 'r', 'c', 0, 0, 0}).u32(sectionSize).u32(rva).u32(sectionSize).u32(0x200).zeros(16);
    f.v.resize(0x200, 0);
    f.raw(s.v);
    return f.v;
}

// NE: resource table after a 64-byte header, data aligned to 16 bytes.
inline std::vector<uint8_t> BuildNe(const std::vector<GroupSpec>& groups, const std::map<uint16_t, std::vector<uint8_t>>& icons)
{
    const uint32_t shift = 4;
    std::vector<std::vector<uint8_t>> groupData;
    for (const auto& g : groups) groupData.push_back(GroupData(g.iconIds, icons));
    const uint32_t tableSize = 2 + 8 + 12 * static_cast<uint32_t>(icons.size()) + 8 + 12 * static_cast<uint32_t>(groups.size()) + 2;
    uint32_t at = (0x40 + 0x40 + tableSize + 15) & ~15u;
    Bytes t;
    t.u16(shift);
    std::vector<std::pair<uint32_t, const std::vector<uint8_t>*>> blobs;
    t.u16(0x8003).u16(static_cast<uint32_t>(icons.size())).u32(0);
    for (const auto& [id, data] : icons) {
        t.u16(at >> shift).u16((static_cast<uint32_t>(data.size()) + 15) >> shift).u16(0x30).u16(0x8000 | id).u16(0).u16(0);
        blobs.emplace_back(at, &data);
        at = (at + static_cast<uint32_t>(data.size()) + 15) & ~15u;
    }
    t.u16(0x800E).u16(static_cast<uint32_t>(groups.size())).u32(0);
    for (size_t i = 0; i < groups.size(); ++i) {
        t.u16(at >> shift).u16((static_cast<uint32_t>(groupData[i].size()) + 15) >> shift).u16(0x30);
        t.u16(0x8000 | groups[i].id).u16(0).u16(0);
        blobs.emplace_back(at, &groupData[i]);
        at = (at + static_cast<uint32_t>(groupData[i].size()) + 15) & ~15u;
    }
    t.u16(0);
    Bytes f;
    f.u16(0x5A4D).zeros(0x3C - 2).u32(0x40);
    // The resident-name table follows the resource table; readers take the
    // resource table's length from the distance.
    f.u16(0x454E).zeros(0x24 - 2).u16(0x40).u16(0x40 + static_cast<uint32_t>(t.size())).zeros(0x40 - 0x28);
    f.raw(t.v);
    for (const auto& [offset, data] : blobs) {
        f.v.resize(offset, 0);
        f.raw(*data);
    }
    f.v.resize((f.size() + 15) & ~size_t{15}, 0);
    return f.v;
}

} // namespace vex::test
