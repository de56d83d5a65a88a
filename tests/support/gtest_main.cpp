#include <QCoreApplication>
#include <gtest/gtest.h>

// Test main for the core tests: a QCoreApplication exists (sockets and
// QSettings need one) but no event loop runs; procedures wait with deadlines.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
