// Test main for the window tests: one application object, the offscreen platform unless another is
// asked for, and a private settings folder so no test touches the real home.
#include <QApplication>

#include <gtest/gtest.h>

#include "gui_fixture.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    cwuitest::TempConfig config;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
