#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

// Each test starts its own run-time, and with it its own QApplication; they
// all run offscreen unless the environment asks for a real display.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
