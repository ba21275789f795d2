// Timings of representative operations on a 256 x 256 icon (24 bits plus
// alpha) and a 4000 x 3000 photo. Not a test: run it by hand, briefly.
//   vexmira-bench --benchmark_filter=Median

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "image/Raster.h"
#include "processing/OperationTable.h"

namespace {

using vex::Raster;

// Smooth gradients with some texture, the same recipe the comparison
// script draws for the other libraries.
Raster MakeImage(uint32_t w, uint32_t h, bool alpha)
{
    Raster img;
    img.Create(w, h, 24, vex::TypeBmp);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = img.GetBits(y);
        for (uint32_t x = 0; x < w; ++x, p += 3) {
            p[0] = static_cast<uint8_t>((x * 255) / w);
            p[1] = static_cast<uint8_t>((y * 255) / h);
            p[2] = static_cast<uint8_t>(((x * 7) ^ (y * 13)) & 0xFF);
        }
    }
    if (alpha) {
        img.AlphaCreate();
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) img.AlphaSet(x, y, static_cast<uint8_t>((x + y) & 0xFF));
    }
    return img;
}

const Raster& Icon()
{
    static const Raster img = MakeImage(256, 256, true);
    return img;
}

const Raster& Photo()
{
    static const Raster img = MakeImage(4000, 3000, false);
    return img;
}

using Op = std::function<bool(Raster& img, bool photo)>;

const vex::proc::KernelPreset& Preset(const char* name)
{
    for (const auto& p : vex::proc::KernelPresets())
        if (std::string(p.name) == name) return p;
    return vex::proc::KernelPresets().front();
}

// Operations with a destination leave the source alone; the others run on
// a fresh copy made outside the timed part.
void Run(benchmark::State& state, bool photo, bool needsCopy, const Op& op)
{
    const Raster& src = photo ? Photo() : Icon();
    Raster work(src);
    for (auto _ : state) {
        if (needsCopy) {
            state.PauseTiming();
            work.Copy(src);
            state.ResumeTiming();
        }
        if (!op(work, photo)) state.SkipWithError("operation failed");
        benchmark::DoNotOptimize(work.GetBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{src.GetWidth()} * src.GetHeight());
}

void RegisterAll()
{
    struct Entry {
        const char* name;
        bool needsCopy;
        Op op;
    };
    // Icons are enlarged (the interpolating paths), photos reduced.
    auto resize = [](int method) {
        return [method](Raster& img, bool photo) {
            Raster dest;
            return photo ? img.Resize(1000, 750, method, &dest) : img.Resize(512, 512, method, &dest);
        };
    };
    const Entry entries[] = {
        {"ResizeBilinear", false, resize(Raster::Bilinear)},
        {"ResizeNearest", false, resize(Raster::NearestPixel)},
        {"ResizeBicubic", false, resize(Raster::Bicubic)},
        {"Rotate30", false,
         [](Raster& img, bool) {
             Raster dest;
             return img.Rotate(30, &dest);
         }},
        {"Sharpen3x3", true,
         [](Raster& img, bool) {
             const auto& p = Preset("Sharpen");
             return img.KernelFilter(p.kernel.data(), p.size, p.divisor, p.offset);
         }},
        {"Gaussian5x5", true,
         [](Raster& img, bool) {
             const auto& p = Preset("Gaussian5x5");
             return img.KernelFilter(p.kernel.data(), p.size, p.divisor, p.offset);
         }},
        {"Median5", true, [](Raster& img, bool) { return img.Median(5); }},
        {"Gamma2.2", true, [](Raster& img, bool) { return img.Gamma(2.2f); }},
        {"HistogramEqualize", true, [](Raster& img, bool) { return img.HistogramEqualize(); }},
        {"DecreaseBpp8Diffusion", true, [](Raster& img, bool) { return img.DecreaseBpp(8, true); }},
    };
    for (const auto& e : entries)
        for (bool photo : {false, true}) {
            const std::string name = std::string(e.name) + (photo ? "/photo4000x3000" : "/icon256");
            benchmark::RegisterBenchmark(name.c_str(), [e, photo](benchmark::State& s) { Run(s, photo, e.needsCopy, e.op); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
}

} // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
