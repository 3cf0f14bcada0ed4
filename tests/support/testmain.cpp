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

#if defined(TALO_TEST_GUI) && defined(__SANITIZE_THREAD__)
// Qt hands painting and image work to its own thread pool and synchronises
// it inside the (uninstrumented) Qt libraries, which ThreadSanitizer cannot
// see; it then reports the pool's allocations and copies as races. Those
// reports are silenced; our workers, ring and console hand-over, which are
// compiled with the sanitizer, stay checked.
extern "C" const char* __tsan_default_suppressions() {
  return "race:QThreadPoolPrivate\n"
         "race:QRunnable\n"
         "race:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n";
}
#endif

int main(int argc, char** argv) {
#ifdef TALO_TEST_GUI
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
  TestApp app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
