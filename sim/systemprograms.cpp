// The C: drive's system programs (the format and memory report) and the
// stand-in for any other program file.

#include <cctype>

#include "sim/dirformatter.h"
#include "sim/programs.h"

namespace talosim {

void RunDiskFormat(ControllerContext& context, std::string_view args) {
  ControllerPort& port = context.Port;
  const std::string text = ToUpper(Trim(args));
  if (text.rfind("D:", 0) != 0) {
    port.Write("Usage: DLFMT D: [/C]\r\n");
    return;
  }
  if (text.find("/C") == std::string::npos) {
    // Without /C the program asks first.
    port.Write("All data on drive D: will be lost!\r\nProceed with format (Y/N)?");
    std::optional<uint8_t> answer;
    while (port.Alive() && !(answer = port.ReadByte(std::chrono::milliseconds(500)))) {
    }
    if (!answer) return;
    port.Write(std::string(1, static_cast<char>(*answer)) + "\r\n");
    if (std::toupper(*answer) != 'Y') return;
  }
  port.Write("Formatting drive D: (1024K)\r\n");
  for (int percent = 20; percent <= 100; percent += 20) {
    port.Pause(context.Times.FormatStep);
    port.Write("Erasing flash blocks... " + std::to_string(percent) + "%\r\n");
  }
  {
    std::lock_guard lock(context.State.Mutex);
    context.State.DriveD.Format();
    context.Location.CwdD.clear();
  }
  port.Pause(context.Times.FormatStep);
  const std::string size = DirFormatter::SizeText(VirtualDisk::kCapacityBytes);
  port.Write("Writing the file system... done\r\nFormat complete.\r\n" + std::string(12 - size.size(), ' ') + size +
             " bytes total disk space\r\n" + std::string(12 - size.size(), ' ') + size +
             " bytes available on disk\r\n");
}

void RunMemoryReport(ControllerContext& context) {
  context.Port.Write(
      "Memory Type        Total  =   Used  +   Free\r\n"
      "----------------  -------   -------   -------\r\n"
      "Conventional         640K       87K      553K\r\n"
      "Upper                  0K        0K        0K\r\n"
      "Extended (XMS)       384K      128K      256K\r\n"
      "----------------  -------   -------   -------\r\n"
      "Total memory        1024K      215K      809K\r\n"
      "\r\n"
      "Largest executable program size       553K (566,272 bytes)\r\n");
}

void RunOtherProgram(ControllerContext& context, const std::string& fileName) {
  context.Port.Write(fileName + ": program ended (exit code 0)\r\n");
}

}  // namespace talosim
