// The browser's widgets need an application object; the settings store is a
// temporary file so no test reads or changes the user's settings.
#include <filesystem>

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include "platform/Settings.h"

int main(int argc, char** argv)
{
    // Listing the tests (ctest discovery) also needs a platform, display or not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const auto dir = std::filesystem::temp_directory_path() / "vexmira-tests";
    std::filesystem::create_directories(dir);
    vex::SetSettingsFile(QString::fromStdString((dir / "browser-settings.ini").string()));
    return RUN_ALL_TESTS();
}
