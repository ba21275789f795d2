// The library on disk: folders, the first-use copy, read-only use, lookups
// and pictures, and the default library we install.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "editing/EditingFixtures.h"
#include "editing/TemplateLibrary.h"
#include "image/ImageType.h"

namespace vex {
namespace {
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

// A program folder and a data folder under a fresh temporary root.
class LibraryFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "vexmira-templates-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        program = root / "bin";
        data = root / "data" / "Quorvane" / "Vexmira";
        fs::create_directories(program);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }
    CTemplateLibrary Library() { return CTemplateLibrary(program.string(), data.string()); }
    fs::path Working() const { return data / "Template" / "template.db"; }
    void Install(const std::string& text) { WriteFile(program / "Template" / "Template.db", text); }

    fs::path root, program, data;
};

const char kTwoCards[] = "[file.0]\nname=Alpha\ntemplate.w=10\n[file.1]\nname=Beta\ntemplate.w=20\n"
                         "[file.default]\ntemplate.h=5\n";

TemplateInfo Request(int32_t number, const char* name = "")
{
    TemplateInfo d = ZeroedTemplateInfo();
    d.entryNumber = number;
    StoreText(d.name, name);
    return d;
}

TEST_F(LibraryFolders, FirstUseCopiesTheInstalledDefault)
{
    Install(kTwoCards);
    CTemplateLibrary lib = Library();
    TemplateInfo d = Request(1);
    ASSERT_TRUE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::Loaded);
    EXPECT_EQ(FieldText(d.name), "Beta");
    EXPECT_EQ(d.width, 20);
    EXPECT_EQ(d.height, 5);
    EXPECT_EQ(ReadFile(Working()), kTwoCards);
    // An existing working file is the one read, not the installed one.
    WriteFile(Working(), "[file.0]\nname=Mine\n");
    TemplateInfo mine = Request(0);
    ASSERT_TRUE(lib.LoadTemplate(mine, nullptr));
    EXPECT_EQ(FieldText(mine.name), "Mine");
}

TEST_F(LibraryFolders, InstalledLayoutUnderShareIsFound)
{
    WriteFile(root / "share" / "vexmira" / "Template" / "Template.db", kTwoCards);
    CTemplateLibrary lib = Library();
    EXPECT_EQ(fs::path(lib.FindInstalledFile()), (root / "share" / "vexmira" / "Template" / "Template.db"));
    TemplateInfo d = Request(0);
    EXPECT_TRUE(lib.LoadTemplate(d, nullptr));
    EXPECT_TRUE(fs::exists(Working()));    // The installed pictures lie beside the installed library.
    EXPECT_EQ(fs::path(lib.ExpandPathMacros("{atemplate}/pin.png")),
              (root / "share" / "vexmira" / "Template" / "pin.png"));
    Install(kTwoCards);
    EXPECT_EQ(lib.ExpandPathMacros("{atemplate}/pin.png"), program.string() + "/Template/pin.png");
}

TEST_F(LibraryFolders, NoLibraryAnywhereReportsAccessDenied)
{
    CTemplateLibrary lib = Library();
    std::string text, caption;
    int calls = 0;
    lib.onMessage = [&](const std::string& t, const std::string& c) {
        text = t;
        caption = c;
        ++calls;
    };
    TemplateInfo d = Request(0);
    EXPECT_FALSE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::AccessDenied);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(text, "There was a problem creating, (locating) your template directory.\nYou might not have access to "
                    "the directory.\nPlease contact support on how to resolve that problem.");
    EXPECT_EQ(caption, "Access Denied");
    // The folders were made on the way.
    EXPECT_TRUE(fs::is_directory(data / "Template"));
}

TEST_F(LibraryFolders, MissingFoldersFailWithoutMessage)
{
    CTemplateLibrary lib(program.string(), "");
    int calls = 0;
    lib.onMessage = [&](const std::string&, const std::string&) { ++calls; };
    TemplateInfo d = Request(0);
    EXPECT_FALSE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::NoFolders);
    EXPECT_EQ(calls, 0);
}

// The library is opened for reading only: its read-only mode is kept, its
// bytes and time stamp are unchanged, and a read-only file still loads.
TEST_F(LibraryFolders, WorkingFileIsOnlyRead)
{
    WriteFile(Working(), kTwoCards);
    fs::permissions(Working(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto stamp = fs::last_write_time(Working());
    CTemplateLibrary lib = Library();
    TemplateInfo d = Request(-1, "beta");
    ASSERT_TRUE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(d.entryNumber, 1);
    EXPECT_EQ(fs::status(Working()).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(ReadFile(Working()), kTwoCards);
    EXPECT_EQ(fs::last_write_time(Working()), stamp);
}

TEST_F(LibraryFolders, WorkingFileThatIsNotAFileCannotBeOpened)
{
    fs::create_directories(Working());
    CTemplateLibrary lib = Library();
    TemplateInfo d = Request(0);
    EXPECT_FALSE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::CannotOpen);
}

TEST_F(LibraryFolders, LookupByNumberOrByNameIgnoringCase)
{
    WriteFile(Working(), "[file.0]\nname=Alpha\n[file.1]\nname=Straße Card\n"
                         "[file.2]\nname=Other\ncurrent.path=PIC.png\n[file.3]\nname=Last\noriginal.path=Orig.GIF\n");
    CTemplateLibrary lib = Library();
    struct Case {
        int32_t number;
        const char* name;
        bool found;
        int32_t want;
    };
    const Case cases[] = {
        {-1, "ALPHA", true, 0},         {-1, "straSSe card", false, 0}, {-1, "STRASSE CARD", false, 0},
        {-1, "straße CARD", true, 1},   {-1, "pic.PNG", true, 2},       {-1, "orig.gif", true, 3},
        {2, "alpha", true, 2},          {1, "last", true, 1},           {-1, "nothing", false, 0},
        {4, "", false, 0},              {-7, "", true, 0},
    };
    for (const Case& c : cases) {
        TemplateInfo d = Request(c.number, c.name);
        EXPECT_EQ(lib.LoadTemplate(d, nullptr), c.found) << c.number << " " << c.name;
        if (c.found) EXPECT_EQ(d.entryNumber, c.want) << c.number << " " << c.name;
        else EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::NotFound);
    }
}

TEST_F(LibraryFolders, PathMacrosExpandInOrder)
{
    WriteFile(Working(), "[file.0]\ncurrent.path={template}\\card.png\noriginal.path={app}\\x\\{null}y.bmp\n"
                         "name={appdata}|{atemplate}|{null}\n");
    CTemplateLibrary lib = Library();
    TemplateInfo d = Request(0);
    ASSERT_TRUE(lib.LoadTemplate(d, nullptr));
    EXPECT_EQ(FieldText(d.currentPath), data.string() + "/Template/card.png");
    EXPECT_EQ(FieldText(d.originalPath), program.string() + "/x/y.bmp");
    EXPECT_EQ(FieldText(d.name), data.string() + "|" + program.string() + "/Template|");
}

TEST_F(LibraryFolders, PictureFromTheOriginalIsCopiedToTheCurrentPath)
{
    const fs::path original = root / "art" / "dot.bmp";
    fs::create_directories(original.parent_path());
    Raster dot = test::Filled(5, 3, MakeRgb(200, 10, 10));
    ASSERT_TRUE(dot.Save(original.string().c_str(), TypeBmp));
    WriteFile(Working(), "[file.0]\nname=Dot\ncurrent.path={template}/dot.bmp\noriginal.path=" + original.string() +
                             "\n[file.1]\nname=Gone\ncurrent.path={template}/none.png\noriginal.path=/nonexistent/none.png\n");
    CTemplateLibrary lib = Library();
    TemplateInfo d = Request(0);
    CFrameImage picture;
    ASSERT_TRUE(lib.LoadTemplate(d, &picture));
    EXPECT_EQ(picture.GetWidth(), 5u);
    EXPECT_EQ(picture.GetHeight(), 3u);
    EXPECT_TRUE(fs::exists(data / "Template" / "dot.bmp"));
    // Next time the working copy itself is read.
    fs::remove(original);
    CFrameImage again;
    TemplateInfo d2 = Request(0);
    ASSERT_TRUE(lib.LoadTemplate(d2, &again));
    EXPECT_EQ(again.GetWidth(), 5u);

    TemplateInfo gone = Request(1);
    CFrameImage none;
    EXPECT_FALSE(lib.LoadTemplate(gone, &none));
    EXPECT_EQ(lib.GetLastStatus(), TemplateStatus::PictureFailed);
    EXPECT_EQ(FieldText(gone.name), "Gone"); // filled before the picture failed
}

TEST_F(LibraryFolders, EnumerationStopsAtTheFirstMissingEntry)
{
    WriteFile(Working(), "[file.default]\nname=x\n");
    CTemplateLibrary lib = Library();
    EXPECT_TRUE(lib.Enumerate().empty());
    WriteFile(Working(), std::string(kTwoCards) + "[file.3]\nname=After a gap\n");
    const std::vector<TemplateEntry> all = lib.Enumerate();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(FieldText(all[1].description.name), "Beta");
}

TEST(TemplateLibrary, DataFolderFollowsXdgDataHome)
{
    std::string tmpl = (fs::temp_directory_path() / "vexmira-xdg-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tmpl));
    CTemplateLibrary lib;
    EXPECT_EQ(lib.DataFolder(), tmpl + "/Quorvane/Vexmira");
    EXPECT_TRUE(fs::is_directory(tmpl + "/Quorvane/Vexmira/Template"));
    EXPECT_EQ(lib.WorkingFile(), tmpl + "/Quorvane/Vexmira/Template/template.db");
    const std::vector<std::string> where = lib.InstalledCandidates();
    ASSERT_GE(where.size(), 2u);
    EXPECT_EQ(where[0], lib.ProgramFolder() + "/Template/Template.db");
    EXPECT_EQ(fs::path(where[1]), (fs::path(lib.ProgramFolder()).parent_path() / "share/vexmira/Template/Template.db"));
    if (saved.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", saved);
    std::error_code ec;
    fs::remove_all(tmpl, ec);
}

// Our default library: it parses, every entry loads (the picture template
// included), names are distinct and every card has a size.
TEST_F(LibraryFolders, DefaultLibraryLoadsEveryEntry)
{
    CTemplateLibrary lib = Library();
    lib.SetInstalledCandidates({std::string(VEXMIRA_SOURCE_DIR) + "/resources/Template/Template.db"});
    const std::vector<TemplateEntry> all = lib.Enumerate();
    ASSERT_GE(all.size(), 12u);
    std::set<std::string> names;
    int pictures = 0;
    for (const TemplateEntry& e : all) {
        const std::string name = FieldText(e.description.name);
        SCOPED_TRACE(name);
        EXPECT_TRUE(names.insert(name).second);
        EXPECT_GT(e.description.width, 0);
        EXPECT_GT(e.description.height, 0);
        EXPECT_EQ(e.description.bitsPerPixel, 24);
        EXPECT_EQ(FieldText(e.description.font.faceName), "DejaVu Sans");
        if (FieldText(e.description.currentPath).empty()) continue;
        ++pictures;
        EXPECT_EQ(e.picture.GetWidth(), 48u);
        EXPECT_TRUE(e.picture.AlphaIsValid());
        const Raster thumb = MakeTemplateThumbnail(e.picture);
        EXPECT_EQ(thumb.GetWidth(), uint32_t(kTemplateThumbWidth));
        EXPECT_EQ(thumb.GetHeight(), uint32_t(kTemplateThumbHeight));
    }
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(all.size(), names.size());
}

TEST(TemplateLibrary, ThumbnailOfNothingIsEmpty)
{
    EXPECT_FALSE(MakeTemplateThumbnail(Raster()).IsValid());
}

} // namespace
} // namespace vex
