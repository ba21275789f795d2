#pragma once
// Helpers for the worker tests: patterned frames, exact comparison and a
// poller drained without any clock.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "editing/EditableImage.h"
#include "editing/ProgressPoller.h"
#include "image/ImageType.h"
#include "image/Raster.h"

namespace vex::test {

// Every pixel differs from its neighbours, so turns, reversals and filters
// all leave a mark.
inline Raster Pattern(uint32_t w, uint32_t h, uint8_t seed = 0)
{
    Raster img;
    img.Create(w, h, 24, TypeBmp);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 37 + seed), uint8_t(y * 53 + x * 7), uint8_t(x * y * 11 + seed)));
    return img;
}

// Same size, depth, header, palette, pixels and alpha.
inline ::testing::AssertionResult SameImage(const Raster& have, const Raster& want)
{
    if (have.IsValid() != want.IsValid()) return ::testing::AssertionFailure() << "validity differs";
    if (!have.IsValid()) return ::testing::AssertionSuccess();
    if (have.GetWidth() != want.GetWidth() || have.GetHeight() != want.GetHeight() || have.GetBpp() != want.GetBpp())
        return ::testing::AssertionFailure() << "have " << have.GetWidth() << "x" << have.GetHeight() << "x"
                                             << have.GetBpp() << " want " << want.GetWidth() << "x"
                                             << want.GetHeight() << "x" << want.GetBpp();
    if (have.GetSize() != want.GetSize() || std::memcmp(have.GetDIB(), want.GetDIB(), size_t(have.GetSize())) != 0)
        return ::testing::AssertionFailure() << "pixel blocks differ";
    if (have.AlphaIsValid() != want.AlphaIsValid()) return ::testing::AssertionFailure() << "alpha planes differ";
    if (have.AlphaIsValid()) {
        for (uint32_t y = 0; y < have.GetHeight(); ++y)
            for (uint32_t x = 0; x < have.GetWidth(); ++x)
                if (have.AlphaGet(x, y) != want.AlphaGet(x, y))
                    return ::testing::AssertionFailure() << "alpha differs at " << x << "," << y;
    }
    return ::testing::AssertionSuccess();
}

// Ticks until no worker is left; the result never depends on how long that takes.
inline void Drain(CProgressPoller& poller)
{
    while (!poller.Tick().empty) std::this_thread::yield();
}

inline void WaitFor(const std::atomic<bool>& flag)
{
    while (!flag.load()) std::this_thread::yield();
}

inline void WaitEnded(const CFrameWorker& worker)
{
    while (!worker.IsEnded()) std::this_thread::yield();
}

} // namespace vex::test
