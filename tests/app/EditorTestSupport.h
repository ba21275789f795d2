#pragma once
// What the editor tests share beyond the application fixture: small
// pictures written to files with our own encoders.

#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/app/AppTestSupport.h"

#include "image/ByteStream.h"
#include "image/Raster.h"
#include "image/codecs/RasterGIF.h"
#include "image/codecs/RasterICO.h"
#include "platform/Settings.h"

namespace vex::test {

// A w x h 24-bit picture: colour = (x * 16, y * 16, seed), top row first.
inline Raster MakePicture(uint32_t w, uint32_t h, uint8_t seed, uint32_t delay = 0)
{
    Raster r;
    r.Create(w, h, 24);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            r.SetPixelColor(x, h - 1 - y, MakeRgb(uint8_t(x * 16), uint8_t(y * 16), seed));
    r.SetFrameDelay(delay);
    r.SetFrameRect(RasterRect{0, 0, int32_t(w), int32_t(h)});
    return r;
}

inline bool WriteBytes(const QString& path, const MemoryStream& s, size_t size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    return f.write(reinterpret_cast<const char*>(s.GetBuffer()), qint64(size)) == qint64(size);
}

// Writes the frames as one file through the type's multi-frame writer.
inline bool WriteFrames(const QString& path, uint32_t type, std::vector<Raster>& frames)
{
    std::vector<Raster*> list;
    for (Raster& f : frames) list.push_back(&f);
    MemoryStream s;
    bool ok = false;
    if (type == TypeGif) {
        RasterGIF gif;
        ok = gif.EncodeFrames(&s, list.data(), int(list.size()));
    } else {
        RasterICO ico;
        ok = ico.EncodeFrames(&s, list.data(), int(list.size()));
    }
    return ok && WriteBytes(path, s, size_t(s.Size()));
}

// A settings store of its own for every test, and fixture files beside it.
class AppTest : public SettingsFixture {
protected:
    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    QString WriteIcon(const char* name, int frames)
    {
        std::vector<Raster> list;
        for (int i = 0; i < frames; ++i) list.push_back(MakePicture(16, 16, uint8_t(40 * i)));
        const QString p = Path(name);
        EXPECT_TRUE(WriteFrames(p, TypeIco, list));
        return p;
    }
    QString WriteGif(const char* name, std::vector<uint32_t> delays)
    {
        std::vector<Raster> list;
        for (size_t i = 0; i < delays.size(); ++i) {
            Raster r = MakePicture(16, 16, uint8_t(60 * i), delays[i]);
            r.DecreaseBpp(8, false);
            r.SetFrameDelay(delays[i]);
            list.push_back(std::move(r));
        }
        const QString p = Path(name);
        EXPECT_TRUE(WriteFrames(p, TypeGif, list));
        return p;
    }
};

} // namespace vex::test
