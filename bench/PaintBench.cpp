// Painting a 256 x 256 frame (24 bits plus alpha) in the editor at zoom 10
// with the grid: the whole 2560 x 2560 canvas, and one window-sized clip.
// Not a test: run it by hand.  vexmira-paint-bench

#include <benchmark/benchmark.h>

#include <cstdlib>

#include <QApplication>
#include <QTemporaryDir>

#include "editor/IconView.h"
#include "platform/Settings.h"

namespace {

vex::Raster MakeFrame()
{
    vex::Raster img;
    img.Create(256, 256, 24, vex::TypePng);
    img.AlphaCreate();
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            img.SetPixelColor(x, y, vex::MakeRgb(uint8_t(x), uint8_t(y), uint8_t((x * 7) ^ (y * 13))));
            img.AlphaSet(x, y, uint8_t((x + y) & 0xFF));
        }
    return img;
}

void PaintAtZoom10(benchmark::State& state, int clipWidth, int clipHeight)
{
    vex::CIconView view;
    const vex::Raster frame = MakeFrame();
    view.SetImage(QString(), &frame, 0);
    while (view.GetZoom() < 10.0f) view.ZoomIn();
    view.ToggleGrid();
    QImage buffer(clipWidth, clipHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        view.PaintCanvas(buffer, QRect(0, 0, clipWidth, clipHeight));
        benchmark::DoNotOptimize(buffer.constBits());
    }
}

void BM_PaintWholeCanvasZoom10Grid(benchmark::State& state) { PaintAtZoom10(state, 2560, 2560); }
void BM_PaintWindowClipZoom10Grid(benchmark::State& state) { PaintAtZoom10(state, 1280, 1024); }
BENCHMARK(BM_PaintWholeCanvasZoom10Grid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWindowClipZoom10Grid)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir settings;
    vex::SetSettingsFile(settings.filePath("Vexmira.ini"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
