#pragma once
// Reading the text headers of PNM and PGX files: whitespace, comments and
// unsigned decimal numbers, bounded so a hostile header cannot run away.

#include <cstdint>

#include "image/ByteStream.h"

namespace vex {

inline bool IsHeaderSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Skips whitespace (and "#" comments to the end of the line when asked);
// returns the first other byte, or -1 at the end.
inline int SkipHeaderSpace(ByteStream* s, bool comments)
{
    int c = s->GetC();
    for (;;) {
        if (IsHeaderSpace(c)) {
            c = s->GetC();
        } else if (comments && c == '#') {
            while (c >= 0 && c != '\n' && c != '\r') c = s->GetC();
        } else {
            return c;
        }
    }
}

// An unsigned decimal number after optional whitespace; false when there is
// none or it passes `max`. The byte after the number is consumed into `next`.
inline bool ReadHeaderNumber(ByteStream* s, uint64_t max, uint64_t& value, int& next, bool comments = true)
{
    int c = SkipHeaderSpace(s, comments);
    if (c < '0' || c > '9') return false;
    value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > max) return false;
        c = s->GetC();
    }
    next = c;
    return true;
}

} // namespace vex
