// MODID names the embedded module; SIMU7101 makes the 7101 module answer
// its ASCII commands on the console line until "#01OL" ends it.

#include <cctype>
#include <cstdio>

#include "sim/programs.h"

namespace talosim {
namespace {

constexpr const char* kAddress = "01";
constexpr size_t kCommandLimit = 64;
constexpr char kCtrlC = 3;

std::string Hex2(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

// One module command (without its CR) to its reply (without its CR); an
// empty reply means the module stays silent (another address).
std::string AnswerModuleCommand(ControllerContext& context, const std::string& command, bool& end) {
  if (command.size() < 4 || (command[0] != '$' && command[0] != '#')) return "?" + std::string(kAddress);
  if (command.compare(1, 2, kAddress) != 0) return {};
  const std::string body = command.substr(3);
  const std::string unknown = "?" + std::string(kAddress);
  std::lock_guard lock(context.State.Mutex);
  // A module that acknowledges changes it does not make writes to a copy.
  uint8_t ignored = context.State.ModuleOutputs;
  uint8_t& outputs =
      context.State.Faults.ModuleIgnoresSets ? ignored : context.State.ModuleOutputs;
  if (command[0] == '$') {
    if (body == "2") return "!" + std::string(kAddress) + "400600";  // type 40, baud code 06, format 00
    if (body == "6") return "!" + Hex2(outputs) + Hex2(context.State.CurrentInputs()) + "00";
    if (body == "M") return "!" + std::string(kAddress) + "7101";
    return unknown;
  }
  if (body == "OL") {
    end = true;
    return ">";
  }
  // "#AA1Cvv": one output; "#AA00DD": all four at once.
  if (body.size() == 4 && body[0] == '1' && body[2] == '0' && (body[3] == '0' || body[3] == '1') &&
      body[1] >= '0' && body[1] <= '3') {
    const int channel = body[1] - '0';
    if (body[3] == '1')
      outputs = static_cast<uint8_t>(outputs | (1 << channel));
    else
      outputs = static_cast<uint8_t>(outputs & ~(1 << channel));
    return ">";
  }
  if (body.size() == 4 && body.compare(0, 2, "00") == 0 && std::isxdigit(static_cast<unsigned char>(body[2])) &&
      std::isxdigit(static_cast<unsigned char>(body[3]))) {
    outputs = static_cast<uint8_t>(std::stoi(body.substr(2), nullptr, 16) & 0x0F);
    return ">";
  }
  return unknown;
}

}  // namespace

void RunModuleId(ControllerContext& context) {
  const std::string& module = context.Options.Module;
  std::string out = "Embedded module identification 1.02\r\nScanning the I/O bus... done\r\n";
  if (module.empty() || ToUpper(module) == "NONE")
    out += "No embedded module found.\r\n";
  else
    out += "Embedded module: " + module + (module == "7101" ? " (4 DI, 4 DO)" : "") + "\r\n";
  context.Port.Write(out);
}

void RunModuleSimulation(ControllerContext& context) {
  ControllerPort& port = context.Port;
  std::string command;
  while (port.Alive()) {
    const auto byte = port.ReadByte(std::chrono::milliseconds(500));
    if (!byte) continue;
    const char c = static_cast<char>(*byte);
    if (c == kCtrlC) break;  // a way out for someone at a terminal
    if (c == '\n') continue;
    if (c != '\r') {
      if (command.size() < kCommandLimit) command += c;
      continue;
    }
    bool end = false;
    const std::string reply = AnswerModuleCommand(context, ToUpper(command), end);
    command.clear();
    if (!reply.empty()) port.Write(reply + "\r");
    if (end) break;
  }
  port.Write("\r\n");
}

}  // namespace talosim
