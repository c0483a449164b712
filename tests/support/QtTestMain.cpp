#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Window tests run on Qt's offscreen platform unless the caller chose another one.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
