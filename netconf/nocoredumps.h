#pragma once
// TurnOffCoreDumps: keeps the account passwords out of core files.
//
// Principles of operation
// - Called before a password can be in memory: when the account dialog is
//   made (its password edits) and when the command line's accounts starts
//   (its variables or the terminal). From then on the process writes no
//   core file (RLIMIT_CORE 0) and is not dumpable (PR_SET_DUMPABLE 0, which
//   also keeps other processes of the same user out of its memory).
// - For the rest of the process's life: freed memory may still hold a
//   password after its edit or its variable is gone.
// - Any thread; true when both settings took (a system that refuses one
//   leaves the other in force).

bool TurnOffCoreDumps();
