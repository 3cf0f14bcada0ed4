// Test main for suites that need a Qt application object: QApplication when
// built with TALO_TEST_GUI (offscreen unless the caller chose a platform),
// QCoreApplication otherwise. gtest_discover_tests runs the binaries without
// the test environment, so the default must be set here.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef TALO_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv) {
#ifdef TALO_TEST_GUI
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
  TestApp app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
