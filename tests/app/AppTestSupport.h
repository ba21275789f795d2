#pragma once
// Shared set-up of the widget tests: one QApplication for the whole binary
// (offscreen platform) and a fixture pointing the settings store at a fresh
// temporary file.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/Settings.h"

namespace vex::test {

// Creates the QApplication on first use; widget tests call it in SetUp.
void EnsureApplication();

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(dir_.isValid());
        SetSettingsFile(dir_.filePath("Vexmira.ini"));
    }
    void TearDown() override { SetSettingsFile(QString()); }
    QTemporaryDir dir_;
};

} // namespace vex::test
