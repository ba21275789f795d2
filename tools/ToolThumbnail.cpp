// vexmira-tool thumbnail [-s SIZE] [-t SECONDS] INPUT OUTPUT.png: the desktop thumbnailer.
// File managers run it on whatever lands in a download folder, so the input
// size and the raster memory are capped before anything is read, and a
// failure leaves no output file (the PNG is written to a temporary file and
// renamed).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <future>
#include <memory>
#include <thread>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/ByteStream.h"
#include "image/ImageType.h"
#include "image/Limits.h"
#include "image/ProgramIcons.h"
#include "image/codecs/RasterANI.h"
#include "image/codecs/RasterICO.h"
#include "tools/Tool.h"

namespace vex::tool {
namespace {

constexpr uint64_t kThumbnailMaxFileBytes = 64ull * 1024 * 1024;
constexpr uint64_t kThumbnailRasterBytes = 256ull * 1024 * 1024;
// An icon directory may list thousands of entries; real icons have a handful.
constexpr size_t kThumbnailMaxIconEntries = 64;
constexpr long kDefaultSize = 128;
constexpr long kDefaultTimeoutSeconds = 20;

struct Failure {
    std::string text;
};

uint32_t LongSide(const Raster& r) { return std::max(r.GetWidth(), r.GetHeight()); }

uint32_t Depth(const Raster& r)
{
    return r.GetBpp() == 24 && r.AlphaIsValid() ? 32u : r.GetBpp();
}

// Whether candidate fits size better than best: the largest not above size,
// else the smallest above it; the deepest among equal sizes; the first on a tie.
bool Better(const Raster& candidate, const Raster& best, uint32_t size)
{
    const uint32_t c = LongSide(candidate), b = LongSide(best);
    const bool cFits = c <= size, bFits = b <= size;
    if (cFits != bFits) return cFits;
    if (c != b) return cFits ? c > b : c < b;
    return Depth(candidate) > Depth(best);
}

// Decodes every entry of an icon or cursor file held in memory and keeps the
// best fit for size.
bool PickIconEntry(const std::vector<uint8_t>& bytes, uint32_t size, Raster& out, std::string& error)
{
    MemoryStream dir(bytes.data(), bytes.size());
    uint16_t dirType = 0;
    std::vector<IconDirEntry> entries;
    if (!RasterICO::ReadDirectory(&dir, dirType, entries) || entries.empty()) {
        error = "not a readable icon or cursor directory";
        return false;
    }
    const uint32_t type = dirType == kIconDirCursor ? TypeCur : TypeIco;
    const size_t count = std::min(entries.size(), kThumbnailMaxIconEntries);
    bool have = false;
    for (size_t i = 0; i < count; ++i) {
        Raster entry(type);
        entry.SetFrame(static_cast<int32_t>(i));
        MemoryStream stream(bytes.data(), bytes.size());
        if (!entry.Decode(&stream, type)) {
            error = entry.GetLastError();
            continue;
        }
        if (!have || Better(entry, out, size)) {
            out.Transfer(entry);
            have = true;
        }
    }
    if (!have && error.empty()) error = "no icon entry could be read";
    return have;
}

bool StartsWith(const std::vector<uint8_t>& b, size_t at, const char* text, size_t n)
{
    return b.size() >= at + n && std::memcmp(b.data() + at, text, n) == 0;
}

// Reads the picture the thumbnail shows, chosen by the file's content first
// (a renamed icon or program is still recognised), then by its name.
bool LoadSource(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t size, Raster& image,
                std::string& error)
{
    if (StartsWith(bytes, 0, "MZ", 2)) {
        std::vector<ProgramIconGroup> groups;
        if (!ReadProgramIcons(bytes.data(), bytes.size(), groups, error)) return false;
        if (groups.empty()) {
            error = "the program holds no icons";
            return false;
        }
        return PickIconEntry(groups[0].ico, size, image, error);
    }
    if (StartsWith(bytes, 0, "RIFF", 4) && StartsWith(bytes, 8, "ACON", 4)) {
        RasterANI ani;
        ani.SetFrame(0);
        MemoryStream stream(bytes.data(), bytes.size());
        if (!ani.DecodeRiff(&stream)) {
            error = ani.GetLastError();
            return false;
        }
        image.Transfer(ani);
        return true;
    }
    const uint32_t byName = TypeFromName(path);
    // A Targa header can begin with the same four bytes as an icon or cursor
    // directory, so a directory that does not read falls through to the
    // other formats unless the name says icon or cursor.
    if (bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 && (bytes[2] == 1 || bytes[2] == 2) && bytes[3] == 0) {
        if (PickIconEntry(bytes, size, image, error)) return true;
        if (byName == TypeIco || byName == TypeCur) return false;
    }

    image.SetFrame(0);
    std::string byNameError;
    if (byName != TypeUnknown && byName != TypeAni) {
        MemoryStream stream(bytes.data(), bytes.size());
        if (image.Decode(&stream, byName)) return true;
        byNameError = image.GetLastError();
    }
    MemoryStream stream(bytes.data(), bytes.size());
    if (image.Decode(&stream, TypeUnknown)) return true;
    // The reader the name points to knows best why the file does not read.
    error = !byNameError.empty() ? byNameError : image.GetLastError()[0] ? image.GetLastError() : "unknown or unreadable format";
    return false;
}

// 24 bits per pixel with an alpha plane: a transparent palette index or key
// colour becomes alpha 0 so that resizing blends it like any other alpha.
bool ToRgbAlpha(Raster& image)
{
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const int32_t trans = image.GetTransIndex();
    if (image.GetNumColors()) {
        const bool palAlpha = image.IsAlphaPaletteEnabled();
        if (!image.AlphaIsValid() && (trans >= 0 || palAlpha)) {
            if (!image.AlphaCreate()) return false;
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) {
                    const uint8_t index = image.GetPixelIndex(x, y);
                    uint8_t a = palAlpha ? image.GetPaletteColor(index).reserved : 255;
                    if (trans >= 0 && index == trans) a = 0;
                    image.AlphaSet(x, y, a);
                }
        }
        image.AlphaPaletteEnable(false);
    }
    if (image.GetBpp() != 24 && !image.IncreaseBpp(24)) return false;
    if (image.GetNumColors() == 0 && trans >= 0 && !image.AlphaIsValid()) {
        const RgbQuad key = image.GetTransColor();
        if (!image.AlphaCreate()) return false;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                RgbQuad c = image.GetPixelColor(x, y);
                c.reserved = 0;
                image.AlphaSet(x, y, c.red == key.red && c.green == key.green && c.blue == key.blue ? 0 : 255);
            }
    }
    image.SetTransIndex(-1);
    return true;
}

// Shrinks so that the long side is size. Colour is weighted by alpha while
// it is averaged, so the colour under transparent pixels does not bleed into
// the edges; alpha is averaged on its own.
bool ShrinkTo(Raster& image, uint32_t size)
{
    const uint64_t w = image.GetWidth(), h = image.GetHeight(), side = std::max(w, h);
    if (side <= size) return true;
    const auto nw = static_cast<int32_t>(std::max<uint64_t>(1, (w * size + side / 2) / side));
    const auto nh = static_cast<int32_t>(std::max<uint64_t>(1, (h * size + side / 2) / side));
    // Shrinking both sides takes the area average (the default method does
    // that for 24-bit images); a side that stays takes B-spline sampling.
    const int method = (nw < static_cast<int64_t>(w) && nh < static_cast<int64_t>(h)) ? Raster::Bilinear : Raster::Bicubic;
    if (!image.AlphaIsValid()) return image.Resize(nw, nh, method);

    Raster alpha;
    if (!alpha.Create(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 24)) return false;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t a = image.AlphaGet(x, y);
            RgbQuad c = image.GetPixelColor(x, y);
            c.red = static_cast<uint8_t>((c.red * a + 127) / 255);
            c.green = static_cast<uint8_t>((c.green * a + 127) / 255);
            c.blue = static_cast<uint8_t>((c.blue * a + 127) / 255);
            image.SetPixelColor(x, y, c);
            alpha.SetPixelColor(x, y, MakeRgb(a, a, a));
        }
    if (!image.Resize(nw, nh, method) || !alpha.Resize(nw, nh, method)) return false;
    if (!image.AlphaIsValid() && !image.AlphaCreate()) return false;
    for (int32_t y = 0; y < nh; ++y)
        for (int32_t x = 0; x < nw; ++x) {
            const uint8_t a = alpha.GetPixelColor(x, y).red;
            image.AlphaSet(x, y, a);
            RgbQuad c = image.GetPixelColor(x, y);
            auto un = [a](uint8_t v) { return static_cast<uint8_t>(a ? std::min(255, (v * 255 + a / 2) / a) : 0); };
            image.SetPixelColor(x, y, MakeRgb(un(c.red), un(c.green), un(c.blue)));
        }
    return true;
}

int Fail(const std::string& path, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", path.c_str(), text.c_str());
    return 1;
}

} // namespace

// Decodes the best-fitting image and brings it to RGBA at most `size` wide
// and high; returns an error text, empty on success.
std::string PrepareThumbnail(const std::string& in, std::vector<uint8_t>& bytes, uint32_t size, Raster& image)
{
    std::string error;
    if (!LoadSource(in, bytes, size, image, error)) return error;
    bytes.clear();
    bytes.shrink_to_fit();
    if (!ToRgbAlpha(image)) return image.GetLastError()[0] ? image.GetLastError() : "cannot convert the colours";
    if (!ShrinkTo(image, size)) return "cannot scale the image";
    // Always RGBA, so that every thumbnail reads the same way.
    if (!image.AlphaIsValid()) {
        if (!image.AlphaCreate()) return "cannot create the alpha plane";
        image.AlphaSet(uint8_t{255});
    }
    return {};
}

int Thumbnail(int argc, char** argv)
{
    long size = kDefaultSize;
    long timeout = kDefaultTimeoutSeconds;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-s" || a == "--size") {
            char* end = nullptr;
            const char* v = i + 1 < argc ? argv[++i] : nullptr;
            size = v ? std::strtol(v, &end, 10) : 0;
            if (!v || !end || *end || size < 1 || size > 4096) {
                std::fprintf(stderr, "vexmira-tool: -s needs a size from 1 to 4096\n");
                return 2;
            }
        } else if (a == "-t" || a == "--timeout") {
            char* end = nullptr;
            const char* v = i + 1 < argc ? argv[++i] : nullptr;
            timeout = v ? std::strtol(v, &end, 10) : 0;
            if (!v || !end || *end || timeout < 1 || timeout > 600) {
                std::fprintf(stderr, "vexmira-tool: -t needs a number of seconds from 1 to 600\n");
                return 2;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "vexmira-tool: unknown option for thumbnail\n");
            return 2;
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "vexmira-tool: thumbnail needs INPUT and OUTPUT\n");
        return 2;
    }
    const std::string& in = paths[0];
    const std::string& out = paths[1];
    SetRasterMemoryLimit(kThumbnailRasterBytes);

    std::error_code ec;
    if (!std::filesystem::is_regular_file(in, ec)) return Fail(in, "not a regular file");
    const uint64_t fileSize = std::filesystem::file_size(in, ec);
    if (ec) return Fail(in, "cannot read the file size");
    if (fileSize > kThumbnailMaxFileBytes) return Fail(in, "too large for a thumbnail");
    std::vector<uint8_t> bytes;
    {
        FileStream file(in.c_str(), "rb");
        if (!file.IsOpen()) return Fail(in, "cannot open the file");
        bytes.resize(static_cast<size_t>(fileSize));
        if (fileSize && !file.ReadExact(bytes.data(), bytes.size())) return Fail(in, "cannot read the file");
    }

    // Decoding runs on its own thread under a wall-clock limit: whatever a
    // hostile file makes a reader do, the file manager gets an answer in time.
    // Nothing is written before the work is done, so a timeout leaves no file.
    struct Work {
        Raster image;
        std::string error;
        std::vector<uint8_t> bytes;
        std::promise<void> done;
    };
    auto work = std::make_shared<Work>();
    work->bytes = std::move(bytes);
    std::future<void> finished = work->done.get_future();
    std::thread reader([work, in, size] {
        try {
            if (const char* stall = std::getenv("VEXMIRA_THUMBNAIL_TEST_STALL_MS"))
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(stall)));
            work->error = PrepareThumbnail(in, work->bytes, static_cast<uint32_t>(size), work->image);
        } catch (const std::exception&) {
            work->error = "out of memory";
        }
        work->done.set_value();
    });
    if (finished.wait_for(std::chrono::seconds(timeout)) != std::future_status::ready) {
        Fail(in, "timed out");
        std::fflush(stderr);
        std::_Exit(1); // the reader thread cannot be stopped from outside
    }
    // The reader may still be releasing what it used (fonts of the metafile
    // player among them); the process must not exit under it.
    reader.join();
    if (!work->error.empty()) return Fail(in, work->error);
    Raster& image = work->image;
    if (!image.Save(out.c_str(), TypePng))
        return Fail(out, image.GetLastError()[0] ? image.GetLastError() : "cannot write the file");
    return 0;
}

} // namespace vex::tool
