#pragma once
// LowLatencyMode: asks a USB serial adapter's driver to hand received bytes
// on at once instead of holding them for its latency timer (16 ms by default
// on the most common chips), and puts back what it found.
//
// Principles of operation
// - Every exchange with the controller waits for a few bytes at a time (an
//   echo, an ACK, a 10-byte image frame); a held packet costs each of them
//   the whole timer. Hence the request on every open.
// - Enter(fd) reads the driver's serial settings (TIOCGSERIAL) and sets the
//   low-latency flag (TIOCSSERIAL) when it is off. A driver without such
//   settings (a pty, a driver that refuses) is left alone: nothing is
//   reported and nothing else changes. Enter never fails.
// - Leave(fd) clears the flag again only when Enter set it, re-reading the
//   settings first so that nothing else the driver holds is changed. A
//   failure there (the adapter is gone) is ignored.
// - The ioctl calls go through a replaceable function so that tests can play
//   a driver that takes, refuses or fails them.
// - One object per open descriptor, used from the owner's thread.

struct serial_struct;

class LowLatencyMode {
 public:
  using IoctlFn = int (*)(int fd, unsigned long request, serial_struct* settings);
  // nullptr: the system's ioctl. For tests; not for use while ports are open.
  static void SetIoctlForTesting(IoctlFn ioctlFn);

  void Enter(int fd);
  void Leave(int fd);
  // Whether Enter set the flag (and Leave has not yet cleared it).
  bool Changed() const { return ChangedFlag; }

 private:
  bool ChangedFlag = false;
};
