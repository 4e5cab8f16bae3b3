// The main() of the window suite: one QApplication for the whole run, created before any
// test and destroyed after the last. Like the program, it does not quit when its last
// window closes. The windows are drawn offscreen unless the environment names another
// platform (the build lists the tests without a display, too).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
