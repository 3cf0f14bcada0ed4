// Test main for suites that need a Qt application object: QApplication when
// built with TALO_TEST_GUI (offscreen unless the caller chose a platform),
// QCoreApplication otherwise. gtest_discover_tests runs the binaries without
// the test environment, so the default must be set here.
#include <gtest/gtest.h>

#include <cstdlib>

#include "link/jobs/interruption.h"
#include "link/shell/shellline.h"

#ifdef TALO_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

#if defined(__SANITIZE_THREAD__)
// Qt and GLib are not built with ThreadSanitizer, so the locking inside them
// is invisible to it: a queued call's slot object, allocated by the thread
// that posts it and run and freed by the thread that receives it, the
// event loop's wake-up descriptor, and the paint pool's jobs would all be
// reported as races. Those reports are silenced by where they happen (the
// posting call, the libraries themselves); our workers, ring, hand-over and
// console, compiled with the sanitizer, stay checked.
extern "C" const char* __tsan_default_suppressions() {
  return "race:invokeMethod\n"  // QMetaObject::invokeMethod and its Impl

         "race:QThreadPoolPrivate\n"
         "race:QRunnable\n"
         "race:libQt6Gui.so.6\n"
         "race:libglib-2.0.so.0\n"
         "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n";
}
#endif

// The process's own state does not pass from one test to the next: a
// raised Ctrl+C, and the lines remembered as holding text (a pty's name comes
// back for the next test's line).
class ProcessStateReset : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override {
    Interruption::Reset();
    ShellLine::ForgetAll();
  }
};

int main(int argc, char** argv) {
#ifdef TALO_TEST_GUI
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
  TestApp app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateReset);
  return RUN_ALL_TESTS();
}
