// The main() of the suites that drive the Qt event loop: one application object for the
// whole run, created before any test and destroyed after the last.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QCoreApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
