#include "sim/demodrive.h"

#include <cstdint>
#include <string>

namespace talosim {
namespace {

// Deterministic filler, so that demo drives and their images are the same
// on every run.
std::string Filler(size_t size, uint32_t seed, const char* header) {
  std::string data(header);
  uint32_t x = seed * 2654435761u + 1;
  while (data.size() < size) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    data.push_back(static_cast<char>(x & 0xFF));
  }
  data.resize(size);
  return data;
}

std::string Program(size_t size, uint32_t seed) { return Filler(size, seed, "MZ"); }

void Put(VirtualDisk& disk, const DosPath& path, const std::string& data, DosStamp stamp) {
  if (disk.WriteFile(path, data, false, stamp) != DiskStatus::Ok) return;
}

void Folder(VirtualDisk& disk, const DosPath& path, DosStamp stamp) {
  if (disk.MakeDir(path, stamp) != DiskStatus::Ok) return;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

}  // namespace

void FillSystemDrive(VirtualDisk& driveC) {
  // Written before the drive is made read-only, so through a writable twin.
  VirtualDisk writable(driveC.Label());
  const DosStamp rom = DosStamp::Make(2005, 12, 31, 12, 0);
  Put(writable, {"COMMAND.COM"}, Program(29184, 1), rom);
  Put(writable, {"AUTOEXEC.BAT"}, Lines({"@ECHO OFF", "PROMPT $P$G", "PATH C:\\;D:\\", "D:", "CALL AUTORUN.BAT"}), rom);
  Put(writable, {"CONFIG.SYS"}, Lines({"FILES=20", "BUFFERS=10"}), rom);
  Put(writable, {"TRANSFER.EXE"}, Program(17828, 2), rom);
  Put(writable, {"DLFMT.EXE"}, Program(12346, 3), rom);
  Put(writable, {"MEM.EXE"}, Program(9876, 4), rom);
  std::vector<uint8_t> image = writable.Image();
  VirtualDisk readOnly(driveC.Label(), true);
  (void)readOnly.LoadImage(image);
  driveC = std::move(readOnly);
}

void FillDemoDrive(VirtualDisk& d) {
  d.Format();
  auto when = [](int y, int m, int day, int h, int min) { return DosStamp::Make(y, m, day, h, min); };
  Put(d, {"AUTORUN.BAT"}, Lines({"AX8796.COM", "SOCKETP.EXE", "CFGIO.EXE", "APPMAIN.EXE"}), when(2023, 3, 14, 9, 5));
  Put(d, {"AX8796.COM"}, Program(8742, 10), when(2005, 12, 31, 12, 0));
  Put(d, {"CFGIO.EXE"}, Program(23456, 11), when(2005, 12, 31, 12, 0));
  Put(d, {"SOCKETP.EXE"}, Program(54645, 12), when(2005, 12, 31, 12, 0));
  Put(d, {"APPMAIN.EXE"}, Program(61210, 13), when(2023, 3, 14, 8, 47));
  Put(d, {"LOGGER.EXE"}, Program(18304, 14), when(2022, 11, 2, 16, 30));
  Put(d, {"MODBUS.EXE"}, Program(31488, 15), when(2021, 6, 21, 10, 12));
  Put(d, {"START.BAT"}, Lines({"APPMAIN.EXE /RUN"}), when(2023, 3, 14, 9, 1));
  Put(d, {"STOP.BAT"}, Lines({"APPMAIN.EXE /STOP"}), when(2023, 3, 14, 9, 1));
  Put(d, {"SETIP.BAT"}, Lines({"ECHO Setting the address from CONF\\SOCKET.CFG", "SOCKETP.EXE /RELOAD"}),
      when(2022, 1, 10, 14, 22));
  Put(d, {"README.TXT"},
      Lines({"TALO-7100 demonstration drive", "", "AUTORUN.BAT starts the network stack and the application.",
             "Logs are written to DATA\\LOG, one file a day.", "Settings live in CONF."}),
      when(2023, 3, 14, 9, 10));
  Put(d, {"VERSION.TXT"}, Lines({"APPMAIN 2.4.1", "SOCKETP 1.13", "CFGIO 1.02"}), when(2023, 3, 14, 8, 50));
  Put(d, {"CONFIG.INI"},
      Lines({"[app]", "cycle_ms=100", "watchdog=1", "[log]", "path=D:\\DATA\\LOG", "keep_days=14"}),
      when(2023, 2, 1, 11, 40));
  Put(d, {"ALARMS.CSV"}, Lines({"code,text,level", "1,Power low,2", "2,Sensor open,3", "3,Door open,1"}),
      when(2022, 9, 5, 7, 15));
  Put(d, {"CALIB.DAT"}, Filler(2048, 20, "CAL1"), when(2022, 5, 17, 13, 3));
  Put(d, {"RECIPE.DAT"}, Filler(4096, 21, "RCP1"), when(2023, 1, 30, 15, 45));
  Put(d, {"HISTORY.LOG"}, Filler(12800, 22, ""), when(2024, 4, 2, 23, 59));
  Folder(d, {"CONF"}, when(2005, 12, 31, 12, 0));
  // The network files as the utility writes them, so that reading them back
  // shows settings.
  Put(d, {"CONF", "SOCKET.CFG"},
      Lines({"# Packet driver settings", "ip address 192.168.0.100", "interface pdr if0 dix 1500 10 0x60",
             "route add default if0 192.168.0.1", "domain server 192.168.0.1", "",
             "# The following will cause SOCKETS to display IP status", "ip address", "",
             "# The following lines set TCP parameters", "ip ttl 64", "tcp mss 1460", "tcp window 2920"}),
      when(2022, 1, 10, 14, 20));
  Put(d, {"CONF", "SOCKET.UPW"}, Lines({"admin admin WebRoot dcwr", "", "guest guest / e"}),
      when(2022, 1, 10, 14, 20));
  Folder(d, {"DATA"}, when(2021, 6, 21, 10, 0));
  Folder(d, {"DATA", "LOG"}, when(2021, 6, 21, 10, 0));
  for (int day = 1; day <= 5; ++day) {
    const std::string name = "2024040" + std::to_string(day) + ".LOG";
    Put(d, {"DATA", "LOG", name}, Filler(3000 + day * 517, 30 + day, ""), when(2024, 4, day, 23, 59));
  }
  Put(d, {"DATA", "TREND.DAT"}, Filler(16384, 40, "TRD1"), when(2024, 4, 2, 12, 0));
  Folder(d, {"WEBROOT"}, when(2022, 1, 10, 14, 0));
  Put(d, {"WEBROOT", "INDEX.HTM"},
      Lines({"<html><head><title>TALO-7100</title></head>", "<body><h1>TALO-7100</h1><p>Running.</p></body></html>"}),
      when(2022, 1, 10, 14, 5));
  Put(d, {"WEBROOT", "LOGO.GIF"}, Filler(1734, 41, "GIF89a"), when(2022, 1, 10, 14, 5));
  Folder(d, {"BACKUP"}, when(2023, 3, 14, 9, 0));
  Folder(d, {"TOOLS"}, when(2021, 6, 21, 10, 5));
  Put(d, {"TOOLS", "DIAG.EXE"}, Program(14590, 50), when(2021, 6, 21, 10, 6));
}

}  // namespace talosim
