// File-list timings, run by hand (never by ctest):
//   build/bench/vexmira-browser-bench [folder for the generated files]
// Generates (once) a folder of 5,000 mixed icons, cursors and bitmaps and one
// of 200 large JPEGs, then lists each in a fresh process: time to the first
// tile, time to the last tile, the longest the event loop went without
// running (responsiveness) and the process's peak resident memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "browser/IconListCtrl.h"
#include "browser/TileFactory.h"
#include "image/ByteStream.h"
#include "image/ImageType.h"
#include "image/Raster.h"
#include "image/codecs/RasterICO.h"
#include "platform/Settings.h"

namespace {

using vex::Raster;

std::vector<uint8_t> Encode(Raster& img, uint32_t type)
{
    vex::MemoryStream s;
    if (!img.Encode(&s, type)) return {};
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Raster Pattern(uint32_t w, uint32_t h, int seed)
{
    Raster img;
    img.Create(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = img.GetBits(y);
        for (uint32_t x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>(x + seed);
            row[3 * x + 1] = static_cast<uint8_t>(y * 2 + seed);
            row[3 * x + 2] = static_cast<uint8_t>((x ^ y) + seed * 7);
        }
    }
    return img;
}

void GenerateMixed(const std::string& dir)
{
    std::filesystem::create_directories(dir);
    // A few distinct files, written under many names: the list decodes each name.
    std::vector<std::vector<uint8_t>> icons, cursors, bitmaps;
    for (int k = 0; k < 8; ++k) {
        Raster a = Pattern(48, 48, k), b = Pattern(32, 32, k), c = Pattern(16, 16, k);
        Raster* frames[] = {&a, &b, &c};
        vex::MemoryStream s;
        vex::RasterICO writer;
        if (writer.EncodeFrames(&s, frames, 3)) icons.emplace_back(s.GetBuffer(), s.GetBuffer() + s.Size());
        else icons.push_back(Encode(b, vex::TypeIco));
        cursors.push_back(Encode(b, vex::TypeCur));
        Raster bmp = Pattern(256, 192, k);
        bitmaps.push_back(Encode(bmp, vex::TypeBmp));
    }
    for (int i = 0; i < 5000; ++i) {
        char name[64];
        const int kind = i % 3;
        std::snprintf(name, sizeof name, "%s%04d.%s", kind == 0 ? "Icon" : kind == 1 ? "cursor" : "Picture", i,
                      kind == 0 ? "ico" : kind == 1 ? "cur" : "bmp");
        const auto& bytes = (kind == 0 ? icons : kind == 1 ? cursors : bitmaps)[static_cast<size_t>(i % 8)];
        Write(dir + "/" + name, bytes);
    }
}

void GenerateJpegs(const std::string& dir)
{
    std::filesystem::create_directories(dir);
    std::vector<std::vector<uint8_t>> photos;
    for (int k = 0; k < 4; ++k) {
        Raster big = Pattern(4000, 3000, k);
        photos.push_back(Encode(big, vex::TypeJpg));
    }
    for (int i = 0; i < 200; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "photo%03d.jpg", i);
        Write(dir + "/" + name, photos[static_cast<size_t>(i % 4)]);
    }
}

size_t CountFiles(const std::string& dir)
{
    if (!std::filesystem::is_directory(dir)) return 0;
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Measure(int argc, char** argv, const std::string& dir, const char* label)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vex::SetSettingsFile(QString::fromStdString(dir + ".settings.ini"));
    vex::SetSearchPattern("*.*");
    vex::CIconListCtrl list;
    list.resize(800, 600);
    const long before = PeakKilobytes();
    QElapsedTimer clock;
    qint64 first = -1, last = -1, lastTick = 0, longestGap = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        if (first < 0 && list.count() > 0) first = now;
    });
    QObject::connect(&list, &vex::CIconListCtrl::listingFinished, [&] {
        last = clock.elapsed();
        app.quit();
    });
    clock.start();
    tick.start();
    list.LoadFolder(QString::fromStdString(dir + "/"), {}, 0);
    app.exec();
    std::printf("%-28s files %5zu  tiles %5d  first tile %6lld ms  last tile %6lld ms  longest event-loop gap %4lld ms  "
                "peak RSS %6ld KiB (before listing %6ld KiB)\n",
                label, CountFiles(dir), list.count(), static_cast<long long>(first), static_cast<long long>(last),
                static_cast<long long>(longestGap), PeakKilobytes(), before);
    return 0;
}

template <typename F>
int InChild(F&& f)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const int rc = f();
        std::fflush(stdout);
        _exit(rc);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string base = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "vexmira-browser-bench").string();
    const std::string mixed = base + "/mixed", jpegs = base + "/jpegs";
    // Generation runs in its own process so its memory does not count below.
    InChild([&] {
        if (CountFiles(mixed) != 5000) GenerateMixed(mixed);
        if (CountFiles(jpegs) != 200) GenerateJpegs(jpegs);
        return 0;
    });
    // One photo's tile: the whole picture decoded, then shrunk, against the
    // scaled decode the list uses.
    InChild([&] {
        const std::string photo = jpegs + "/photo000.jpg";
        const auto t0 = std::chrono::steady_clock::now();
        Raster full;
        full.Load(photo.c_str(), vex::TypeJpg);
        const QImage a = vex::TilePictureOf(full);
        const auto t1 = std::chrono::steady_clock::now();
        Raster scaled;
        vex::DecodeJpegScaled(photo.c_str(), vex::kTileSide, scaled);
        const QImage b = vex::TilePictureOf(scaled);
        const auto t2 = std::chrono::steady_clock::now();
        using ms = std::chrono::duration<double, std::milli>;
        std::printf("one 4000x3000 JPEG tile: full decode %.1f ms, scaled decode %.1f ms\n", ms(t1 - t0).count(),
                    ms(t2 - t1).count());
        return a.isNull() || b.isNull() ? 1 : 0;
    });
    for (int round = 0; round < 2; ++round) {
        InChild([&] { return Measure(argc, argv, mixed, "5000 icons/cursors/BMPs"); });
        InChild([&] { return Measure(argc, argv, jpegs, "200 JPEGs 4000x3000"); });
    }
    return 0;
}
