// main() of the tests of the Qt code: one QApplication for the whole test program. The platform
// comes from QT_QPA_PLATFORM (offscreen under CTest; xcb for the tests of the real window).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
