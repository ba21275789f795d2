#pragma once
// The per-user settings store, shaped like the registry the program was
// designed around: sub-key paths hold named values that are either 32-bit
// integers (DWORD) or text (SZ). Realised as an INI file through QSettings,
// opened afresh on every call so a value written by one window is seen at
// once by every other; a damaged file reads as defaults.

#include <cstdint>
#include <optional>
#include <string>

#include <QByteArray>
#include <QString>

namespace vex {

// The application key every section lives under.
inline constexpr const char* kAppKey = "Software\\Quorvane\\Vexmira\\";

// Where the store lives; tests point it at a temporary file. Empty restores
// the default ($XDG_CONFIG_HOME/Quorvane/Vexmira.ini).
void SetSettingsFile(const QString& path);
QString SettingsFile();

// Low level: sub-key path relative to the current user's hive.
bool RegReadDword(const std::string& subKey, const std::string& name, uint32_t& value);
bool RegWriteDword(const std::string& subKey, const std::string& name, uint32_t value);
bool RegReadString(const std::string& subKey, const std::string& name, std::string& value);
bool RegWriteString(const std::string& subKey, const std::string& name, const std::string& value);
bool RegDeleteValue(const std::string& subKey, const std::string& name);

// Section level: the path is the application key followed by the section.
// `value` holds the default on entry and the stored value when found.
bool GetSettingInt(const std::string& section, const std::string& name, uint32_t& value);
bool GetSettingInt(const std::string& section, const std::string& name, int32_t& value);
bool SetSettingInt(const std::string& section, const std::string& name, uint32_t value);
bool GetSettingString(const std::string& section, const std::string& name, std::string& value);
bool SetSettingString(const std::string& section, const std::string& name, const std::string& value);

// The framework's own profile data (bar layout, recent files, preview pages),
// kept under the application title's section.
bool GetProfileBytes(const std::string& name, QByteArray& value);
bool SetProfileBytes(const std::string& name, const QByteArray& value);

// Typed accessors; each reads or writes the store on every call.
uint32_t GetDisplayStyle();
bool SetDisplayStyle(uint32_t bits);
std::string GetSearchPattern();
bool SetSearchPattern(const std::string& pattern);
bool ResetSearchList();
uint32_t GetDefaultFrameRate();
bool SetDefaultFrameRate(uint32_t rate);
uint32_t GetMaxUndo();
bool SetMaxUndo(uint32_t depth);
bool GetAutoTransparent();
bool SetAutoTransparent(bool on);

enum class WebPage { Website, Home, Tech, Community, HomeLower, Faq, Update };
std::string GetWebPage(WebPage kind);

// Display style bits.
inline constexpr uint32_t kStyleSavePath = 0x01;
inline constexpr uint32_t kStyleSaveView = 0x02;
inline constexpr uint32_t kStyleSaveZoom = 0x04;
inline constexpr uint32_t kStyleShowToolbar = 0x08;
inline constexpr uint32_t kStyleSavePosition = 0x10;

inline constexpr const char* kSectionDisplay = "Config\\Display";
inline constexpr const char* kSectionSplitters = "Config\\Display\\Splitters";
inline constexpr const char* kSectionMisc = "Config\\Misc";
inline constexpr const char* kSectionAssociations = "Config\\Associations";
inline constexpr const char* kSectionWebsite = "Config\\Website";

} // namespace vex
