#pragma once
// Ready-made drive contents: the C: drive's system files, and a plausible
// D: drive for demonstrations and manual tries.

#include "sim/virtualdisk.h"

namespace talosim {

void FillSystemDrive(VirtualDisk& driveC);
// Replaces D:'s content with the demonstration files (about 20 entries in
// the root, a few folders, programs and texts of realistic sizes).
void FillDemoDrive(VirtualDisk& driveD);

}  // namespace talosim
