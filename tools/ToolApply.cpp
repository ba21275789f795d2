// vexmira-tool apply: runs one operation of the table on every frame of a
// file (or one frame) and writes the result.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/CodecRegistry.h"
#include "image/ImageType.h"
#include "image/Limits.h"
#include "image/SafeFile.h"
#include "processing/OperationTable.h"
#include "tools/Tool.h"

namespace vex::tool {
namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

int ApplyUsage(const char* message)
{
    std::fprintf(stderr, "vexmira-tool: %s\n", message);
    std::fprintf(stderr, "usage: vexmira-tool apply IN OUT OPERATION [PARAM...] [--frame N]\n"
                         "       vexmira-tool apply --list\n");
    return kUsage;
}

void ListOperations()
{
    for (const auto& op : proc::Operations()) {
        std::printf("%s (%s): %s\n", op.name, op.family, op.summary);
        for (const auto& p : op.params) std::printf("    %s; %s\n", proc::DescribeParam(p).c_str(), p.help);
    }
}

bool WriteFrames(const std::string& out, std::vector<Raster>& frames)
{
    const uint32_t type = TypeFromName(out);
    if (frames.size() == 1) {
        if (frames[0].Save(out.c_str(), type)) return true;
        std::fprintf(stderr, "%s: %s\n", out.c_str(), frames[0].GetLastError()[0] ? frames[0].GetLastError() : "cannot write the file");
        return false;
    }
    CodecFactory make = FindCodec(type);
    std::unique_ptr<Raster> codec = make ? make() : nullptr;
    if (!codec || !codec->HasMultiFrameWriter()) {
        std::fprintf(stderr, "%s: the format has no multi-frame writer; use --frame N\n", out.c_str());
        return false;
    }
    std::vector<Raster*> list;
    for (auto& f : frames) list.push_back(&f);
    const auto result = WriteFileSafely(out, [&](std::FILE* file) {
        FileStream stream(file);
        return codec->EncodeFrames(&stream, list.data(), static_cast<int>(list.size()));
    });
    if (result == SafeWriteResult::Written) return true;
    std::fprintf(stderr, "%s: %s\n", out.c_str(), codec->GetLastError()[0] ? codec->GetLastError() : "cannot write the file");
    return false;
}

} // namespace

int Apply(int argc, char** argv)
{
    if (argc == 1 && std::strcmp(argv[0], "--list") == 0) {
        ListOperations();
        return kOk;
    }
    std::vector<std::string> positional;
    long frame = -1;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frame") == 0) {
            char* end = nullptr;
            if (i + 1 >= argc || (frame = std::strtol(argv[i + 1], &end, 10), *end || frame < 0 || frame > kMaxFrames))
                return ApplyUsage("--frame needs a frame number");
            ++i;
        } else {
            positional.emplace_back(argv[i]);
        }
    }
    if (positional.size() < 3) return ApplyUsage("apply needs IN, OUT and an OPERATION");
    const std::string& in = positional[0];
    const std::string& out = positional[1];
    const proc::OperationSpec* op = proc::FindOperation(positional[2]);
    if (!op) return ApplyUsage("unknown operation (see apply --list)");
    if (TypeFromName(out) == TypeUnknown) return ApplyUsage("the output type is unknown");
    const size_t given = positional.size() - 3;
    if (given > op->params.size()) return ApplyUsage("too many parameters for the operation");

    std::vector<proc::ParamValue> args(op->params.size());
    std::vector<std::unique_ptr<Raster>> images;
    for (size_t i = 0; i < op->params.size(); ++i) {
        const proc::ParamSpec& spec = op->params[i];
        if (i >= given && !spec.defaultText) return ApplyUsage((std::string(spec.name) + " is required").c_str());
        const std::string text = i < given ? positional[3 + i] : spec.defaultText;
        if (spec.kind == proc::ParamKind::Image) {
            auto img = std::make_unique<Raster>();
            if (!img->Load(text.c_str(), TypeFromName(text))) {
                std::fprintf(stderr, "%s: %s\n", text.c_str(), img->GetLastError()[0] ? img->GetLastError() : "cannot open the file");
                return kFailed;
            }
            args[i].image = img.get();
            images.push_back(std::move(img));
            continue;
        }
        std::string error;
        if (!proc::ParseParam(spec, text, args[i], error)) return ApplyUsage(error.c_str());
    }

    std::vector<Raster> frames;
    const uint32_t inType = TypeFromName(in);
    if (frame < 0) {
        std::string error;
        if (!LoadAllFrames(in, inType, frames, error)) {
            std::fprintf(stderr, "%s: %s\n", in.c_str(), error.c_str());
            return kFailed;
        }
    } else {
        Raster image(inType);
        image.SetFrame(static_cast<int32_t>(frame));
        if (!image.Load(in.c_str(), inType)) {
            std::fprintf(stderr, "%s: %s\n", in.c_str(), image.GetLastError()[0] ? image.GetLastError() : "cannot open the file");
            return kFailed;
        }
        frames.push_back(std::move(image));
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!op->run(frames[i], args)) {
            std::fprintf(stderr, "%s: %s failed on frame %zu\n", in.c_str(), op->name, i);
            return kFailed;
        }
    }
    return WriteFrames(out, frames) ? kOk : kFailed;
}

} // namespace vex::tool
