#pragma once
// The controller's programs. Each runs on the controller thread once the
// shell has echoed its command line, prints its own lines (each ended by
// CR LF) and returns; the shell then prints the prompt.

#include <string>
#include <string_view>

#include "sim/controller.h"

namespace talosim {

// "C:\transfer /R <target>": the XMODEM receiver (or the outside receiver
// command when one is configured).
void RunTransfer(ControllerContext& context, std::string_view args);
// "C:\DLFMT D: /C": formats D:.
void RunDiskFormat(ControllerContext& context, std::string_view args);
// "C:\mem": the memory report.
void RunMemoryReport(ControllerContext& context);
// "D:\KEEPERRD 2 3 4 5": sends the drive image in CRC frames.
void RunKeeperRead(ControllerContext& context);
// "D:\keeperwr 2 3 4": receives a drive image in CRC frames.
void RunKeeperWrite(ControllerContext& context);
// "D:\MODID": names the embedded module.
void RunModuleId(ControllerContext& context);
// "D:\simu7101": answers module commands until "#01OL".
void RunModuleSimulation(ControllerContext& context);
// Any other program file: it runs and ends.
void RunOtherProgram(ControllerContext& context, const std::string& fileName);

}  // namespace talosim
