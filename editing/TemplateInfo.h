#pragma once
// The description a template layer was made from, kept so the layer can be
// rendered again and stored in the template library.

#include <array>
#include <cstdint>

namespace vex {

// Our own font record with the fields of the platform's logical font.
struct FontRecord {
    int32_t height = 24;
    int32_t width = 20;
    int32_t escapement = 0;
    int32_t orientation = 10;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::array<char, 32> faceName{};

    friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

inline constexpr size_t kTemplatePathSize = 260;

// Colours are 0x00BBGGRR values. The initialisers are the defaults of a new layer.
struct TemplateInfo {
    std::array<char, kTemplatePathSize> currentPath{};
    std::array<char, kTemplatePathSize> originalPath{};
    std::array<char, kTemplatePathSize> name{};
    int32_t entryNumber = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t fillColor = 0;
    uint32_t borderColor = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t backgroundColor = 0;
    int32_t style = 0;
    int32_t paddingWidth = 0;
    int32_t paddingHeight = 0;
    uint16_t bitsPerPixel = 24;
    int32_t arrowWidth = 10;
    float arrowAngle = 0.3f;
    bool arrowFilled = false;
    int32_t arrowPen = 1;
    uint32_t arrowFillColor = 0;
    uint32_t arrowColor = 0;
    int32_t arrowStyle = 3;
    FontRecord font;
    float textAngle = 0.0f;
    uint32_t textColor = 0;
    int32_t transparentTextBackground = 1;

    friend bool operator==(const TemplateInfo&, const TemplateInfo&) = default;
};

} // namespace vex
