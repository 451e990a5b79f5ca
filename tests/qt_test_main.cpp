// main() of the tests of the Qt code: one QApplication for the whole test program (the desktop
// program's own for the tests of the windows). The platform
// comes from QT_QPA_PLATFORM (offscreen under CTest; xcb for the tests of the real window).
#include <QApplication>
#include <gtest/gtest.h>
#ifdef GRAVON_TEST_UI_APP
#include "ui/gravon_application.h"
using tapplication = gravon::TGravonApplication;
#else
using tapplication = QApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    tapplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
