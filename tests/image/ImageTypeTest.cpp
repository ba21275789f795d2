#include <gtest/gtest.h>

#include "image/ImageType.h"

namespace vex {
namespace {

TEST(ImageType, TypeFromName)
{
    struct Case {
        const char* name;
        uint32_t want;
    } cases[] = {
        {"a.bmp", 1},     {"A.BMP", 1},     {"x.dib", 0},     {"c.ani", 17},      {"c.Cur", 6},     {"p.jpg", 3},
        {"p.jpeg", 3},    {"g.gif", 2},     {"p.png", 4},     {"i.ico", 5},       {"t.tiff", 7},    {"t.tif", 7},
        {"t.tga", 8},     {"p.pcx", 9},     {"w.wbmp", 10},   {"m.wmf", 11},      {"m.EMF", 11},    {"j.jp2", 12},
        {"j.j2k", 12},    {"j.jpc", 13},    {"j.j2c", 13},    {"g.pgx", 14},      {"p.pnm", 15},    {"p.pgm", 15},
        {"p.ppm", 15},    {"s.ras", 16},    {"bmp", 1},       {"dir.png/file", 0}, {"a.tar.gz", 0},  {"", 0},
        {"noext.", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TypeFromName(c.name), c.want) << "name \"" << c.name << "\"";
}

TEST(ImageType, ExtensionsAndDescriptions)
{
    EXPECT_EQ(TypeExtension(1, 0), "bmp");
    EXPECT_EQ(TypeExtension(1, 1), "dib");
    EXPECT_EQ(TypeExtension(1, 2), "");
    EXPECT_EQ(TypeExtension(7, 0), "tiff");
    EXPECT_EQ(TypeExtension(11, 0), "emf");
    EXPECT_EQ(TypeExtension(13, 1), "jpc");
    EXPECT_EQ(TypeExtension(15, 2), "ppm");
    EXPECT_EQ(TypeExtension(0, 0), "");
    EXPECT_EQ(TypeExtension(18, 0), "");
    EXPECT_EQ(TypeExtension(1, -1), "");
    EXPECT_EQ(TypeDescription(3), "JPEG File Interchange Format file");
    EXPECT_EQ(TypeDescription(11), "Windows Metafile/Enhanced Metafile");
    EXPECT_EQ(TypeDescription(17), "Animated Cursor");
    EXPECT_EQ(TypeDescription(99), "");
}

TEST(ImageType, FilterEntryAccumulatesPatterns)
{
    std::string all = "start;";
    EXPECT_EQ(FilterEntry(1, all), "Bitmaps, (*.bmp; *.dib)| *.bmp; *.dib|");
    EXPECT_EQ(FilterEntry(7, all), "Tagged Image File, (*.tif; *.tiff)| *.tiff; *.tif|");
    EXPECT_EQ(all, "start; *.bmp; *.dib; *.tiff; *.tif;");
}

TEST(ImageType, FileDialogFilterText)
{
    const std::string want =
        "All supported formats (*.bmp; *.cur; *.ani etc...)|*.bmp; *.cur; *.ani; *.bmp; *.dib; *.ico; *.cur; *.ani;"
        " *.jpg; *.jpeg; *.gif; *.png; *.tiff; *.tif; *.tga; *.pcx; *.wbmp; *.emf; *.wmf; *.jp2; *.j2k; *.j2c;"
        " *.jpc; *.pgx; *.ras; *.pnm; *.pgm; *.ppm;|"
        "Bitmaps, (*.bmp; *.dib)| *.bmp; *.dib|"
        "Icons, (*.ico)| *.ico|"
        "Cursor, (*.cur)| *.cur|"
        "Animated Cursor, (*.ani)| *.ani|"
        "JPEG File Interchange Format file, (*.jpg; *.jpeg)| *.jpg; *.jpeg|"
        "Graphics Interchange Format, (*.gif)| *.gif|"
        "Portable Network Graphics, (*.png)| *.png|"
        "Tagged Image File, (*.tif; *.tiff)| *.tiff; *.tif|"
        "Truevision Targa, (*.tga)| *.tga|"
        "Paintbrush, (*.pcx)| *.pcx|"
        "WBMP, (*.wbmp)| *.wbmp|"
        "Windows Metafile/Enhanced Metafile, (*.wmf; *.emf)| *.emf; *.wmf|"
        "JP2, (*.jp2; *.j2k)| *.jp2; *.j2k|"
        "JPC, (*.jpc; *.j2c)| *.j2c; *.jpc|"
        "PGX, (*.pgx)| *.pgx|"
        "RAS, (*.ras)| *.ras|"
        "PNM, (*.pnm; *.pgm; *.ppm)| *.pnm; *.pgm; *.ppm|"
        "|";
    EXPECT_EQ(FileDialogFilter(-1), want);
    EXPECT_EQ(FileDialogFilter(-1), want); // built once, unchanged by a second query

    const char* defaults[] = {"bmp", "bmp", "ico", "cur", "ani", "jpg", "gif", "png", "tif",
                              "tga", "pcx", "wbmp", "wmf", "jp2", "jpc", "pgx", "ras", "pnm"};
    for (int i = 0; i < 18; ++i) EXPECT_EQ(FileDialogFilter(i), defaults[i]) << "filter position " << i;
    EXPECT_EQ(FileDialogFilter(18), "");
    // Position 12 is the metafile entry.
    EXPECT_EQ(TypeFromName("drawing." + FileDialogFilter(12)), 11u);
}

} // namespace
} // namespace vex
