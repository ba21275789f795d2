// The editing tests draw text, and fonts need a running QGuiApplication; the
// offscreen platform lets it start without a display (also while the test
// list is collected at build time, when the test environment is not set).
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
