#include "platform/Settings.h"

#include <algorithm>
#include <exception>
#include <mutex>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace vex {
namespace {

std::mutex gFileMutex;
QString gFileOverride;

// Values carry their kind so integers and text stay apart in a text file.
constexpr const char* kDwordTag = "dword:";
constexpr const char* kSzTag = "sz:";
// The registry's unnamed default value.
constexpr const char* kDefaultValueName = "(default)";

QString KeyFor(const std::string& subKey, const std::string& name)
{
    QString group = QString::fromStdString(subKey);
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/'))) group.chop(1);
    const QString value = name.empty() ? QString::fromLatin1(kDefaultValueName) : QString::fromStdString(name);
    return group + QLatin1Char('/') + value;
}

// Raw stored bytes and kind of a value, or nothing when absent or unreadable.
struct RawValue {
    bool isDword = false;
    QByteArray bytes;
};

std::optional<RawValue> ReadRaw(const std::string& subKey, const std::string& name)
{
    QSettings store(SettingsFile(), QSettings::IniFormat);
    if (store.status() != QSettings::NoError) return std::nullopt;
    const QVariant v = store.value(KeyFor(subKey, name));
    if (!v.isValid()) return std::nullopt;
    const QString text = v.toString();
    RawValue raw;
    if (text.startsWith(QLatin1String(kDwordTag))) {
        bool ok = false;
        const uint32_t n = text.mid(int(strlen(kDwordTag))).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        raw.isDword = true;
        for (int i = 0; i < 4; ++i) raw.bytes.append(char((n >> (8 * i)) & 0xFF));
        return raw;
    }
    if (text.startsWith(QLatin1String(kSzTag))) {
        raw.bytes = text.mid(int(strlen(kSzTag))).toUtf8();
        raw.bytes.append('\0'); // stored with its terminating zero
        return raw;
    }
    return std::nullopt;
}

bool WriteRaw(const std::string& subKey, const std::string& name, const QString& stored)
{
    QSettings store(SettingsFile(), QSettings::IniFormat);
    store.setValue(KeyFor(subKey, name), stored);
    store.sync();
    return store.status() == QSettings::NoError;
}

std::string SectionPath(const std::string& section)
{
    return std::string(kAppKey) + section;
}

} // namespace

void SetSettingsFile(const QString& path)
{
    std::lock_guard lock(gFileMutex);
    gFileOverride = path;
}

QString SettingsFile()
{
    {
        std::lock_guard lock(gFileMutex);
        if (!gFileOverride.isEmpty()) return gFileOverride;
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/Quorvane/Vexmira.ini");
}

bool RegReadDword(const std::string& subKey, const std::string& name, uint32_t& value)
{
    const std::optional<RawValue> raw = ReadRaw(subKey, name);
    // At most four bytes fit, whatever the value's kind; a longer one fails.
    if (!raw || raw->bytes.size() > 4) return false;
    uint32_t n = 0;
    for (int i = 0; i < raw->bytes.size(); ++i) n |= uint32_t(uint8_t(raw->bytes[i])) << (8 * i);
    value = n;
    return true;
}

bool RegWriteDword(const std::string& subKey, const std::string& name, uint32_t value)
{
    return WriteRaw(subKey, name, QString::asprintf("%s%08x", kDwordTag, value));
}

bool RegReadString(const std::string& subKey, const std::string& name, std::string& value)
{
    const std::optional<RawValue> raw = ReadRaw(subKey, name);
    if (!raw) return false;
    const int zero = raw->bytes.indexOf('\0');
    value.assign(raw->bytes.constData(), size_t(zero < 0 ? raw->bytes.size() : zero));
    return true;
}

bool RegWriteString(const std::string& subKey, const std::string& name, const std::string& value)
{
    return WriteRaw(subKey, name, QString::fromLatin1(kSzTag) + QString::fromStdString(value));
}

bool RegDeleteValue(const std::string& subKey, const std::string& name)
{
    QSettings store(SettingsFile(), QSettings::IniFormat);
    store.remove(KeyFor(subKey, name));
    store.sync();
    return store.status() == QSettings::NoError;
}

bool GetSettingInt(const std::string& section, const std::string& name, uint32_t& value)
{
    try {
        return RegReadDword(SectionPath(section), name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool GetSettingInt(const std::string& section, const std::string& name, int32_t& value)
{
    uint32_t v = uint32_t(value);
    const bool found = GetSettingInt(section, name, v);
    value = int32_t(v);
    return found;
}

bool SetSettingInt(const std::string& section, const std::string& name, uint32_t value)
{
    try {
        return RegWriteDword(SectionPath(section), name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool GetSettingString(const std::string& section, const std::string& name, std::string& value)
{
    try {
        return RegReadString(SectionPath(section), name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool SetSettingString(const std::string& section, const std::string& name, const std::string& value)
{
    try {
        return RegWriteString(SectionPath(section), name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool GetProfileBytes(const std::string& name, QByteArray& value)
{
    QSettings store(SettingsFile(), QSettings::IniFormat);
    if (store.status() != QSettings::NoError) return false;
    const QVariant v = store.value(KeyFor(SectionPath("Vexmira"), name));
    if (!v.isValid()) return false;
    value = QByteArray::fromBase64(v.toString().toLatin1());
    return true;
}

bool SetProfileBytes(const std::string& name, const QByteArray& value)
{
    return WriteRaw(SectionPath("Vexmira"), name, QString::fromLatin1(value.toBase64()));
}

uint32_t GetDisplayStyle()
{
    uint32_t style = 31;
    GetSettingInt(kSectionDisplay, "Style", style);
    return style;
}

bool SetDisplayStyle(uint32_t bits)
{
    return SetSettingInt(kSectionDisplay, "Style", bits);
}

std::string GetSearchPattern()
{
    std::string pattern;
    if (!GetSettingString(kSectionDisplay, "DefaultSearch", pattern) || pattern.empty()) pattern = "*.*";
    return pattern;
}

bool SetSearchPattern(const std::string& pattern)
{
    return SetSettingString(kSectionDisplay, "DefaultSearch", pattern);
}

bool ResetSearchList()
{
    static const char* const kEntries[7][2] = {
        {"All Files. (*.*)", "*.*"},
        {"Default files. (.exe;.ini;.dll;.ani;.cur;.ico;.bmp;.dib)",
         "*.exe | *.ini | *.dll | *.ani | *.cur | *.ico | *.bmp | *.dib"},
        {"Basic Image files. (.ani;.cur;.ico;.bmp;.dib)", "*.ani | *.cur | *.ico | *.bmp | *.dib"},
        {"Advanced Image files. (.ani;.jpg;.jpeg;.gif;.png;.mng;.jng;.ico;.cur;.tiff;.tif;.tga;.pcx;.bmp;"
         ".wbmp;.wmf;.emf;.jbg;.j2k;.jp2;.jpc;.j2c;.pgx;.ras;.pnm;.pgm;.ppm;.dib",
         "*.ani | *.jpg | *.jpeg | *.gif | *.png | *.mng | *.jng | *.ico | *.cur | *.tiff | *.tif | *.tga | "
         "*.pcx | *.wbmp | *.wmf | *.emf | *.jbg | *.j2k | *.jp2 | *.jpc | *.j2c | *.pgx | *.ras | *.pnm | "
         "*.pgm | *.ppm | *.bmp | *.dib"},
        {"Resource files. (.exe;.ini;.dll)", "*.exe | *.ini | *.dll"},
        {"Posible Animations. (.gif;.ani;.tif;.tiff)", "*.ani | *.gif | *.tif | *.tiff"},
        {"Animated Cursor. (*.ani)", "*.ani"},
    };
    bool ok = true;
    for (int n = 0; n < 7; ++n) {
        ok = SetSettingString(kSectionDisplay, "Search.d." + std::to_string(n), kEntries[n][0]) && ok;
        ok = SetSettingString(kSectionDisplay, "Search.p." + std::to_string(n), kEntries[n][1]) && ok;
    }
    return SetSearchPattern(kEntries[1][1]) && ok;
}

// Integer settings with a range: clamped when read and before they are written.
struct RangedSetting {
    const char* section;
    const char* name;
    uint32_t fallback;
    uint32_t low;
    uint32_t high;

    uint32_t Get() const
    {
        uint32_t value = fallback;
        GetSettingInt(section, name, value);
        return std::clamp(value, low, high);
    }
    bool Set(uint32_t value) const { return SetSettingInt(section, name, std::clamp(value, low, high)); }
};

constexpr RangedSetting kFrameRate{kSectionMisc, "defaultframe", 100, 20, 999};
constexpr RangedSetting kMaxUndo{kSectionMisc, "maxundo", 10, 3, 100};

uint32_t GetDefaultFrameRate() { return kFrameRate.Get(); }
bool SetDefaultFrameRate(uint32_t rate) { return kFrameRate.Set(rate); }
uint32_t GetMaxUndo() { return kMaxUndo.Get(); }
bool SetMaxUndo(uint32_t depth) { return kMaxUndo.Set(depth); }

bool GetAutoTransparent()
{
    uint32_t on = 1;
    GetSettingInt(kSectionMisc, "autotrans", on);
    return on != 0;
}

bool SetAutoTransparent(bool on)
{
    return SetSettingInt(kSectionMisc, "autotrans", on ? 1u : 0u);
}

std::string GetWebPage(WebPage kind)
{
    struct Page {
        const char* name;
        const char* address;
    };
    static const Page kPages[] = {
        {"Website", "https://vexmira.example.org/"},
        {"Home", "https://vexmira.example.org/"},
        {"Tech", "https://vexmira.example.org/support"},
        {"Community", "https://vexmira.example.org/community"},
        {"home", "https://vexmira.example.org/"},
        {"faq", "https://vexmira.example.org/faq"},
        {"update", "https://vexmira.example.org/download"},
    };
    const Page& page = kPages[int(kind)];
    std::string address;
    if (!GetSettingString(kSectionWebsite, page.name, address)) {
        address = page.address;
        SetSettingString(kSectionWebsite, page.name, address);
    }
    return address;
}

} // namespace vex
