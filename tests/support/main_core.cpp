#include <QCoreApplication>
#include <gtest/gtest.h>

// Window-free tests: a core application gives Qt its event loop and codecs, nothing more.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
