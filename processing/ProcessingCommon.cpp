#include "processing/ProcessingCommon.h"

namespace vex::proc {

bool MakeLike(const Raster& src, Raster& out, uint32_t width, uint32_t height, bool withAlpha)
{
    out.CopyInfo(src);
    if (!out.Create(width, height, src.GetBpp(), src.GetType())) return false;
    if (src.GetNumColors()) out.SetPalette(src.GetPalette(), src.GetNumColors());
    out.SetClrImportant(src.GetClrImportant());
    if (withAlpha && src.AlphaIsValid()) {
        if (!out.AlphaCreate()) return false;
        out.SetAlphaMax(src.GetAlphaMax());
    }
    return true;
}

bool WorkingCopy(const Raster& src, Raster& out)
{
    out.Copy(src);
    return out.IsValid() && (!src.SelectionIsValid() || out.SelectionIsValid()) &&
           (!src.AlphaIsValid() || out.AlphaIsValid());
}

} // namespace vex::proc
