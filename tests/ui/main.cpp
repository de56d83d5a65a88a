#include <QApplication>
#include <gtest/gtest.h>

// Test main for the window tests: a QApplication on the offscreen platform
// (unless the caller chose another), so widgets can be built and grabbed.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvex"));
    QApplication::setApplicationName(QStringLiteral("TolviTest"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
