#include <QGuiApplication>
#include <gtest/gtest.h>

// Test main for the printed report: a QGuiApplication (the fonts) on the
// offscreen platform unless the caller chose another.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
