// vexmira-tool: the command-line face of the image core.
//   info [--json] FILE...
//   convert IN OUT [--frame N] [--all-frames] [--type EXT] [--quality Q]
//   extract PROGRAM OUTDIR
//   apply IN OUT OPERATION [PARAM...] [--frame N]; apply --list
//   thumbnail [-s SIZE] [-t SECONDS] INPUT OUTPUT.png
// Exit status: 0 success, 1 failure (reason on standard error), 2 usage error.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/CodecRegistry.h"
#include "image/ImageType.h"
#include "image/SafeFile.h"
#include "image/codecs/RasterGIF.h"
#include "image/codecs/metafile/RasterWMF.h"
#include "tools/Tool.h"

namespace {

using namespace vex;

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

int Usage(const char* message = nullptr)
{
    if (message) std::fprintf(stderr, "vexmira-tool: %s\n", message);
    std::fprintf(stderr,
                 "usage: vexmira-tool info [--json] FILE...\n"
                 "       vexmira-tool convert IN OUT [--frame N] [--all-frames] [--type EXT] [--quality Q]\n"
                 "       vexmira-tool extract PROGRAM OUTDIR\n"
                 "       vexmira-tool apply IN OUT OPERATION [PARAM...] [--frame N] | apply --list\n"
                 "       vexmira-tool thumbnail [-s SIZE] [-t SECONDS] INPUT OUTPUT.png\n");
    return kUsage;
}

bool ParseInt(const char* text, long lo, long hi, long& out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || !end || *end || end == text || v < lo || v > hi) return false;
    out = v;
    return true;
}

int Info(int argc, char** argv)
{
    bool json = false;
    std::vector<std::string> files;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) json = true;
        else if (argv[i][0] == '-' && argv[i][1]) return Usage("unknown option for info");
        else files.emplace_back(argv[i]);
    }
    if (files.empty()) return Usage("info needs at least one file");
    bool allOk = true;
    for (const auto& f : files) allOk = tool::PrintInfo(f, json) && allOk;
    return allOk ? kOk : kFailed;
}

int Convert(int argc, char** argv)
{
    std::vector<std::string> paths;
    long frame = -1, quality = -1;
    bool allFrames = false;
    std::string typeExt;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--frame") {
            const char* v = next();
            if (!v || !ParseInt(v, 0, 1 << 20, frame)) return Usage("--frame needs a frame number");
        } else if (a == "--quality") {
            const char* v = next();
            if (!v || !ParseInt(v, 0, 100, quality)) return Usage("--quality needs a number from 0 to 100");
        } else if (a == "--type") {
            const char* v = next();
            if (!v) return Usage("--type needs an extension");
            typeExt = v;
        } else if (a == "--all-frames") {
            allFrames = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option for convert");
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) return Usage("convert needs IN and OUT");
    if (allFrames && frame >= 0) return Usage("--frame and --all-frames exclude each other");
    const std::string& in = paths[0];
    const std::string& out = paths[1];
    const uint32_t outType = TypeFromName(typeExt.empty() ? out : "x." + typeExt);
    if (outType == TypeUnknown) return Usage("the output type is unknown (name it with --type)");

    std::vector<Raster> frames;
    const uint32_t inType = TypeFromName(in);
    if (allFrames) {
        std::string error;
        if (!tool::LoadAllFrames(in, inType, frames, error)) {
            std::fprintf(stderr, "%s: %s\n", in.c_str(), error.c_str());
            return kFailed;
        }
    } else {
        Raster image(inType);
        image.SetFrame(frame < 0 ? 0 : static_cast<int32_t>(frame));
        if (!image.Load(in.c_str(), inType)) {
            std::fprintf(stderr, "%s: %s\n", in.c_str(), image.GetLastError()[0] ? image.GetLastError() : "cannot open the file");
            return kFailed;
        }
        frames.push_back(std::move(image));
    }
    if (quality >= 0)
        for (auto& f : frames) f.SetJpegQuality(static_cast<uint8_t>(quality));

    // Animated cursors are written only as frame lists, even of one frame.
    if (frames.size() == 1 && outType != TypeAni) {
        if (!frames[0].Save(out.c_str(), outType)) {
            std::fprintf(stderr, "%s: %s\n", out.c_str(), frames[0].GetLastError()[0] ? frames[0].GetLastError() : "cannot write the file");
            return kFailed;
        }
        return kOk;
    }
    CodecFactory make = FindCodec(outType);
    std::unique_ptr<Raster> codec = make ? make() : nullptr;
    if (!codec || !codec->HasMultiFrameWriter()) {
        std::fprintf(stderr, "%s: the %s format has no multi-frame writer; use --frame N\n", out.c_str(),
                     TypeExtension(outType, 0).c_str());
        return kFailed;
    }
    if (auto* gif = dynamic_cast<RasterGIF*>(codec.get())) {
        // Each frame is written as it was read, and a GIF source keeps its looping.
        gif->SetDisposalMethod(2);
        if (frames[0].GetType() == TypeGif) {
            RasterGIF source;
            FileStream file(in.c_str(), "rb");
            if (file.IsOpen() && source.DecodeStream(&file)) gif->SetLoops(source.GetLoops());
        }
    }
    std::vector<Raster*> list;
    for (auto& f : frames) list.push_back(&f);
    const auto result = WriteFileSafely(out, [&](std::FILE* file) {
        FileStream stream(file);
        return codec->EncodeFrames(&stream, list.data(), static_cast<int>(list.size()));
    });
    if (result != SafeWriteResult::Written) {
        std::fprintf(stderr, "%s: %s\n", out.c_str(), codec->GetLastError()[0] ? codec->GetLastError() : "cannot write the file");
        return kFailed;
    }
    return kOk;
}

} // namespace

int main(int argc, char** argv)
{
    vex::RegisterMetafileCodec();
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "info") return Info(argc - 2, argv + 2);
    if (command == "convert") return Convert(argc - 2, argv + 2);
    if (command == "extract") return argc == 4 ? tool::Extract(argv[2], argv[3]) : Usage("extract needs PROGRAM and OUTDIR");
    if (command == "apply") return tool::Apply(argc - 2, argv + 2);
    if (command == "thumbnail") return tool::Thumbnail(argc - 2, argv + 2);
    if (command == "--help" || command == "-h" || command == "help") {
        Usage();
        return kOk;
    }
    return Usage("unknown command");
}
