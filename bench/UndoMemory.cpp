// Memory an undo history holds for a 10-frame 256 x 256 cursor (24 bits plus
// an alpha plane, as the icon reader stores 32-bit frames) when each of 100
// steps edits one frame: full copies per record against shared frames.
// Not a test; run it by hand: build/bench/vexmira-undo-memory

#include <cstdint>
#include <cstdio>

#include "editing/UndoHistory.h"

namespace {

using vex::CEditableImage;

CEditableImage MakeCursor(int frames, uint32_t side)
{
    CEditableImage ed;
    for (int i = 0; i < frames; ++i) {
        vex::Raster f;
        f.Create(side, side, 24, vex::TypeCur);
        f.AlphaCreate();
        f.AlphaSet(uint8_t{255});
        f.SetPixelColor(0, 0, vex::MakeRgb(uint8_t(i), 0, 0));
        ed.Append(f);
    }
    return ed;
}

// What the records would hold if every record were a deep copy of every frame.
uint64_t FullCopyBytes(const vex::CUndoHistory& h)
{
    uint64_t total = 0;
    for (uint32_t k = 0; k < h.Count(); ++k) {
        vex::MemoryTally own; // a fresh tally per record: nothing shared
        h.GetRecord(k)->CountMemory(own);
        total += own.Total();
    }
    return total;
}

double MiB(uint64_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main()
{
    const int frames = 10;
    const int steps = 100;
    CEditableImage live = MakeCursor(frames, 256);
    vex::CUndoHistory history(100);
    for (int s = 0; s < steps; ++s) {
        if (!history.PushUndo(live, "Pencil", false)) {
            std::printf("push %d refused\n", s);
            return 1;
        }
        live.GetFrame(s % frames)->SetPixelColor(1, 1, vex::MakeRgb(uint8_t(s), 1, 2));
    }
    vex::MemoryTally one;
    live.CountMemory(one);
    const uint64_t full = FullCopyBytes(history);
    const uint64_t shared = history.GetMemoryBytes();
    const uint64_t sharedWithLive = history.GetMemoryBytes(&live);
    std::printf("frames %d, side 256, steps %d, records %u\n", frames, steps, history.Count());
    std::printf("live image:                  %12llu bytes (%.1f MiB)\n", (unsigned long long)one.Total(),
                MiB(one.Total()));
    std::printf("records as full copies:      %12llu bytes (%.1f MiB)\n", (unsigned long long)full, MiB(full));
    std::printf("records with shared frames:  %12llu bytes (%.1f MiB)\n", (unsigned long long)shared, MiB(shared));
    std::printf("records + live, shared:      %12llu bytes (%.1f MiB)\n", (unsigned long long)sharedWithLive,
                MiB(sharedWithLive));
    return 0;
}
