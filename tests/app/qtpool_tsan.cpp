// Qt hands painting and image work to its own thread pool and synchronises
// it inside the (uninstrumented) Qt libraries, which ThreadSanitizer cannot
// see; it then reports the pool's allocations and copies as races. Those
// reports are silenced (memory calls made from inside the Qt libraries and
// the pool's hand-over); our workers, ring and console hand-over, which are
// compiled with the sanitizer, stay checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "race:QThreadPoolPrivate\n"
         "race:QRunnable\n"
         "race:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n";
}
#endif
