#include "image/codecs/TiffClient.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "image/Limits.h"

namespace vex {
namespace {

TiffClient& ClientOf(thandle_t h) { return *static_cast<TiffClient*>(h); }

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t n)
{
    if (n <= 0) return 0;
    return static_cast<tmsize_t>(ClientOf(h).stream->Read(buffer, 1, static_cast<size_t>(n)));
}

tmsize_t WriteProc(thandle_t h, void* buffer, tmsize_t n)
{
    TiffClient& c = ClientOf(h);
    if (n <= 0) return 0;
    const size_t done = c.stream->Write(buffer, 1, static_cast<size_t>(n));
    if (done != static_cast<size_t>(n)) c.writeFailed = true;
    return static_cast<tmsize_t>(done);
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence)
{
    TiffClient& c = ClientOf(h);
    const auto signedOffset = static_cast<int64_t>(offset);
    bool ok = false;
    if (whence == SEEK_SET) ok = offset <= static_cast<toff_t>(INT64_MAX - c.base) && c.stream->Seek(c.base + signedOffset, 0);
    else if (whence == SEEK_CUR) ok = c.stream->Seek(signedOffset, 1);
    else if (whence == SEEK_END) ok = c.stream->Seek(signedOffset, 2);
    if (!ok) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(c.stream->Tell() - c.base);
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t h)
{
    TiffClient& c = ClientOf(h);
    const int64_t size = c.stream->Size();
    return size > c.base ? static_cast<toff_t>(size - c.base) : 0;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char*, const char* fmt, va_list ap)
{
    auto* c = static_cast<TiffClient*>(user);
    if (c && c->error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, fmt, ap);
        c->error = text;
    }
    return 1; // handled: nothing reaches the process-wide handler
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

} // namespace

TIFF* OpenTiffClient(TiffClient& client, const char* mode)
{
    // Messages the library raises before a handle exists must not print either.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &client);
    TIFFOpenOptionsSetWarningHandlerExtR(options, DropWarning, &client);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(RasterMemoryLimit()));
    TIFF* tif = TIFFClientOpenExt("stream", mode, &client, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                  MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

} // namespace vex
