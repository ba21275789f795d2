// JP2 files and J2K/JPC code streams through OpenJPEG, over our stream. The
// library reports through callbacks (kept, never printed) and return values;
// it never jumps, so its objects are simply released on every path. Streams
// using the high-throughput block coder decode in a child process (below).

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <openjpeg.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/Limits.h"
#include "image/codecs/J2kBlockCoder.h"
#include "image/codecs/RasterJ2K.h"

namespace vex {
namespace {

struct StreamHandle {
    ByteStream* stream;
    int64_t base;
};

OPJ_SIZE_T ReadFn(void* buffer, OPJ_SIZE_T n, void* user)
{
    auto* h = static_cast<StreamHandle*>(user);
    const size_t got = h->stream->Read(buffer, 1, n);
    return got == 0 ? static_cast<OPJ_SIZE_T>(-1) : got;
}

OPJ_SIZE_T WriteFn(void* buffer, OPJ_SIZE_T n, void* user)
{
    auto* h = static_cast<StreamHandle*>(user);
    return h->stream->Write(buffer, 1, n);
}

OPJ_OFF_T SkipFn(OPJ_OFF_T n, void* user)
{
    auto* h = static_cast<StreamHandle*>(user);
    return h->stream->Seek(n, 1) ? n : -1;
}

OPJ_BOOL SeekFn(OPJ_OFF_T at, void* user)
{
    auto* h = static_cast<StreamHandle*>(user);
    return at >= 0 && h->stream->Seek(h->base + at, 0) ? OPJ_TRUE : OPJ_FALSE;
}

void KeepMessage(const char* msg, void* user)
{
    auto* text = static_cast<std::string*>(user);
    if (text->empty() && msg) text->assign(msg);
}

void DropMessage(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

StreamPtr MakeStream(StreamHandle& handle, bool input)
{
    StreamPtr s(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
    if (!s) return s;
    opj_stream_set_user_data(s.get(), &handle, nullptr);
    if (input) {
        const int64_t size = handle.stream->Size();
        opj_stream_set_user_data_length(s.get(), size > handle.base ? static_cast<OPJ_UINT64>(size - handle.base) : 0);
        opj_stream_set_read_function(s.get(), ReadFn);
    } else {
        opj_stream_set_write_function(s.get(), WriteFn);
    }
    opj_stream_set_skip_function(s.get(), SkipFn);
    opj_stream_set_seek_function(s.get(), SeekFn);
    return s;
}

void Listen(opj_codec_t* codec, std::string& error)
{
    opj_set_error_handler(codec, KeepMessage, &error);
    opj_set_warning_handler(codec, DropMessage, nullptr);
    opj_set_info_handler(codec, DropMessage, nullptr);
}

// The decoder and the header it read, checked against our limits.
struct Decoder {
    CodecPtr codec;
    StreamPtr input;
    ImagePtr image;
    std::string error;
    const char* failure = "error: cannot load image data";

    bool Open(StreamHandle& handle, bool jp2)
    {
        input = MakeStream(handle, true);
        if (!input) {
            failure = "error: cannot open standard input";
            return false;
        }
        codec.reset(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
        opj_dparameters_t params;
        opj_set_default_decoder_parameters(&params);
        if (!codec || (Listen(codec.get(), error), !opj_setup_decoder(codec.get(), &params))) {
            failure = "cannot initialize jasper";
            return false;
        }
        opj_image_t* raw = nullptr;
        const bool header = opj_read_header(input.get(), codec.get(), &raw);
        image.reset(raw);
        if (!header || !image) return false;
        // The header's sizes are checked before the library allocates for them.
        if (image->numcomps > RasterJ2K::kMaxComponents) {
            failure = "error: too much components";
            return false;
        }
        uint64_t total = 0;
        for (uint32_t c = 0; c < image->numcomps; ++c) {
            const opj_image_comp_t& k = image->comps[c];
            const auto bytes = CheckedMul(uint64_t{k.w} * 4, k.h);
            if (!SideInRange(k.w) || !SideInRange(k.h) || !bytes || *bytes > RasterMemoryLimit() ||
                (total += *bytes) > RasterMemoryLimit() || k.prec == 0 || k.prec > 31) {
                failure = "error: cannot allocate memory";
                return false;
            }
        }
        return image->x1 > image->x0 && image->y1 > image->y0;
    }

    bool Decode()
    {
        if (!opj_decode(codec.get(), input.get(), image.get()) || !opj_end_decompress(codec.get(), input.get()))
            return false;
        for (uint32_t c = 0; c < image->numcomps; ++c)
            if (!image->comps[c].data) return false;
        return true;
    }

    uint64_t SampleBytes() const
    {
        uint64_t total = 0;
        for (uint32_t c = 0; c < image->numcomps; ++c) total += uint64_t{image->comps[c].w} * image->comps[c].h * 4;
        return total;
    }
};

// The high-throughput block decoder of the OpenJPEG we link stops the process
// on a failed assertion when a block is damaged, so such streams decode in a
// child process writing its samples into memory shared with us; a child that
// dies, or runs past its time, is a file that does not decode.
constexpr unsigned kChildSeconds = 120;

class SharedBlock {
public:
    explicit SharedBlock(size_t size) : size_(size)
    {
        void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        data_ = p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
    }
    ~SharedBlock()
    {
        if (data_) munmap(data_, size_);
    }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;
    uint8_t* Data() const { return data_; }

private:
    size_t size_;
    uint8_t* data_ = nullptr;
};

[[noreturn]] void DecodeInChild(const std::vector<uint8_t>& bytes, bool jp2, uint64_t expected, uint8_t* out,
                               pid_t parent)
{
    // Die by the signal itself: the handlers we inherit (crash reporters)
    // belong to the parent. Nor outlive it, or run on for ever.
    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGALRM}) signal(sig, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    alarm(kChildSeconds);
    MemoryStream memory(bytes.data(), bytes.size());
    StreamHandle handle{&memory, 0};
    Decoder d;
    if (!d.Open(handle, jp2) || d.SampleBytes() != expected || !d.Decode()) _exit(1);
    for (uint32_t c = 0; c < d.image->numcomps; ++c) {
        const opj_image_comp_t& k = d.image->comps[c];
        const size_t n = size_t{k.w} * k.h * 4;
        std::memcpy(out, k.data, n);
        out += n;
    }
    _exit(0);
}

bool ChildSucceeded(pid_t child)
{
    int status = 0;
    pid_t r;
    do r = waitpid(child, &status, 0);
    while (r < 0 && errno == EINTR);
    return r == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

bool RasterJ2K::DecodeOpenJpeg(ByteStream* stream, bool jp2)
{
    const bool isolate = UsesHighThroughputBlocks(stream, jp2);
    StreamHandle handle{stream, stream->Tell()};
    Decoder d;
    if (!d.Open(handle, jp2)) {
        SetLastError(d.failure);
        return false;
    }
    std::unique_ptr<SharedBlock> shared;
    if (isolate) {
        // The child reads its own copy of the bytes: a file position shared
        // across the fork would move under the parent.
        const int64_t size = stream->Size();
        const uint64_t expected = d.SampleBytes();
        if (size <= handle.base || static_cast<uint64_t>(size - handle.base) > RasterMemoryLimit()) {
            SetLastError("error: cannot load image data");
            return false;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(size - handle.base));
        if (!stream->Seek(handle.base, 0) || stream->Read(bytes.data(), 1, bytes.size()) != bytes.size()) {
            SetLastError("error: cannot load image data");
            return false;
        }
        shared = std::make_unique<SharedBlock>(static_cast<size_t>(expected));
        if (!shared->Data()) {
            SetLastError("error: cannot allocate memory");
            return false;
        }
        const pid_t parent = getpid();
        const pid_t child = fork();
        if (child == 0) DecodeInChild(bytes, jp2, expected, shared->Data(), parent);
        if (child < 0 || !ChildSucceeded(child)) {
            SetLastError("error: cannot load image data");
            return false;
        }
    } else if (!d.Decode()) {
        SetLastError("error: cannot load image data");
        return false;
    }

    const opj_image_t* image = d.image.get();
    std::vector<J2kComponent> comps(image->numcomps);
    const uint8_t* next = shared ? shared->Data() : nullptr;
    for (uint32_t c = 0; c < image->numcomps; ++c) {
        const opj_image_comp_t& k = image->comps[c];
        J2kComponent& out = comps[c];
        out.width = k.w, out.height = k.h, out.dx = std::max(k.dx, 1u), out.dy = std::max(k.dy, 1u);
        out.lo = k.sgnd ? -(int64_t{1} << (k.prec - 1)) : 0;
        out.hi = k.sgnd ? (int64_t{1} << (k.prec - 1)) - 1 : (int64_t{1} << k.prec) - 1;
        if (shared) {
            out.samples = reinterpret_cast<const int32_t*>(next);
            next += size_t{k.w} * k.h * 4;
        } else {
            out.samples = k.data;
        }
    }
    // Three components with subsampled chroma and no stated colour space are YCC.
    bool ycc = image->color_space == OPJ_CLRSPC_SYCC;
    if (image->numcomps == 3 && image->color_space != OPJ_CLRSPC_SRGB && comps[0].dx == comps[0].dy &&
        (comps[1].dx != comps[0].dx || comps[1].dy != comps[0].dy))
        ycc = true;
    return Present(comps, ycc);
}

bool RasterJ2K::EncodeOpenJpeg(ByteStream* stream, bool jp2, bool grey)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    const uint32_t count = grey ? 1 : 3;
    opj_image_cmptparm_t parts[3] = {};
    for (uint32_t c = 0; c < count; ++c) {
        parts[c].dx = parts[c].dy = 1;
        parts[c].w = w, parts[c].h = h;
        parts[c].prec = 8;
        parts[c].sgnd = 0;
    }
    ImagePtr image(opj_image_create(count, parts, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) {
        SetLastError("error : jas_image_create");
        return false;
    }
    image->x0 = image->y0 = 0;
    image->x1 = w, image->y1 = h;
    for (uint32_t top = 0; top < h; ++top) {
        const uint8_t* src = GetBits(h - 1 - top);
        for (uint32_t x = 0; x < w; ++x) {
            const uint64_t at = uint64_t{top} * w + x;
            if (grey) {
                image->comps[0].data[at] = GreyAt(x, top);
            } else {
                image->comps[0].data[at] = src[3 * x + 2];
                image->comps[1].data[at] = src[3 * x + 1];
                image->comps[2].data[at] = src[3 * x];
            }
        }
    }

    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.cp_disto_alloc = 1;
    // The quality is the share of the raw size kept; 100 (and 0) is lossless.
    const uint32_t quality = GetJpegQuality();
    params.tcp_rates[0] = quality == 0 || quality >= 100 ? 0.0f : 100.0f / static_cast<float>(quality);
    params.tcp_mct = grey ? 0 : 1;
    // Small pictures cannot take the default number of resolutions.
    while (params.numresolution > 1 && (std::min(w, h) >> (params.numresolution - 1)) == 0) --params.numresolution;

    CodecPtr codec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    std::string error;
    if (!codec || (Listen(codec.get(), error), !opj_setup_encoder(codec.get(), &params, image.get()))) {
        SetLastError("error: cannot encode image\n");
        return false;
    }
    StreamHandle handle{stream, stream->Tell()};
    StreamPtr output = MakeStream(handle, false);
    if (!output) {
        SetLastError("error: cannot open standard output");
        return false;
    }
    if (!opj_start_compress(codec.get(), image.get(), output.get()) || !opj_encode(codec.get(), output.get()) ||
        !opj_end_compress(codec.get(), output.get()) || stream->Error() > 0) {
        SetLastError("error: cannot encode image\n");
        return false;
    }
    return true;
}

} // namespace vex
