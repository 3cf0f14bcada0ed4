#pragma once
// Happens-before marks for work that threads hand each other through Qt's
// event queue (a queued call). Qt is not built with ThreadSanitizer, so the
// queue's own locking is invisible to it, and whatever the posted call
// carries would be reported as a race. The poster marks the hand-over
// (TALO_HANDOVER_POSTED) just before posting, the receiver marks its arrival
// (TALO_HANDOVER_ARRIVED) first thing in the call, both on the same address.
// Empty in every build without the sanitizer.

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TALO_HANDOVER_POSTED(address) __tsan_release(const_cast<void*>(static_cast<const void*>(address)))
#define TALO_HANDOVER_ARRIVED(address) __tsan_acquire(const_cast<void*>(static_cast<const void*>(address)))
#else
#define TALO_HANDOVER_POSTED(address) static_cast<void>(address)
#define TALO_HANDOVER_ARRIVED(address) static_cast<void>(address)
#endif
