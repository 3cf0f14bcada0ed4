#include "link/port/portscan.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>

#include "link/port/talocomport.h"

namespace {

constexpr std::string_view kDevicePrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};

bool IsSerialDeviceName(std::string_view name) {
  for (const auto prefix : kDevicePrefixes) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
    const auto number = name.substr(prefix.size());
    if (std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return true;
  }
  return false;
}

// Natural order: runs of digits compare by value, so ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t ei = i, ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      // Compare by value without converting: strip leading zeros, then length.
      size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int c = a.compare(si, ei - si, b, sj, ej - sj);
      if (c != 0) return c < 0;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> DeviceNames(const std::string& root) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(root.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsSerialDeviceName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

// The kernel creates ttyS nodes for UARTs that may not exist; those report
// an unknown port type (or refuse to open with EIO).
bool IsPhantomUart(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EIO;
  serial_struct info{};
  const bool phantom = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
  ::close(fd);
  return phantom;
}

enum class Usability { Unusable, Usable, NoPermission };

// Usable when it opens or when it exists but another program holds it.
Usability CheckUsable(const std::string& name) {
  TaloComPort port(name);
  const bool opened = port.Open();
  const bool held = !opened && port.IsHeldElsewhere();
  const int error = port.LastError();
  port.Close();
  if (opened || held) return Usability::Usable;
  return error == EACCES || error == EPERM ? Usability::NoPermission : Usability::Unusable;
}

// The device a path ends at, with every link followed; empty when none.
std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The links under <root>/serial/by-id by the device they point to.
std::map<std::string, std::string> StableNames(const std::string& root) {
  std::map<std::string, std::string> names;
  const std::string folder = root + "/serial/by-id";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  std::vector<std::string> links;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") links.push_back(name);
  }
  ::closedir(dir);
  // Two links to one device (rare): the first in order wins, every time.
  std::sort(links.begin(), links.end());
  for (const auto& link : links) {
    const std::string device = CanonicalPath(folder + "/" + link);
    if (!device.empty()) names.emplace(device, folder + "/" + link);
  }
  return names;
}

std::vector<std::string> EnvironmentNames() {
  std::vector<std::string> names;
  const char* value = std::getenv("TALO7100_PORTS");
  if (!value) return names;
  std::string_view rest(value);
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const auto item = rest.substr(0, colon);
    if (!item.empty()) names.emplace_back(item);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return names;
}

}  // namespace

std::vector<ScannedPort> ScanPorts(const std::string& deviceRoot) {
  std::vector<ScannedPort> listed;
  std::set<std::string> paths;  // one entry per device, however it was named
  const auto stable = StableNames(deviceRoot);
  const auto consider = [&](const std::string& name, bool checkPhantom) {
    const std::string path = TaloComPort::ResolveDevicePath(name);
    if (path.empty()) return;
    const std::string device = CanonicalPath(path);
    const std::string key = device.empty() ? path : device;
    if (paths.count(key)) return;
    if (checkPhantom && IsPhantomUart(path)) return;
    const Usability usability = CheckUsable(name);
    if (usability == Usability::Unusable) return;
    paths.insert(key);
    const auto link = stable.find(device);
    listed.push_back({name, link == stable.end() ? std::string() : link->second,
                      usability == Usability::Usable});
  };
  const bool systemRoot = deviceRoot == "/dev";
  for (const auto& name : DeviceNames(deviceRoot))
    consider(systemRoot ? name : deviceRoot + "/" + name, name.rfind("ttyS", 0) == 0);
  for (const auto& name : EnvironmentNames()) consider(name, false);
  return listed;
}

std::vector<std::string> ScanComPort() {
  std::vector<std::string> names;
  for (const auto& port : ScanPorts()) names.push_back(port.Name);
  return names;
}

std::string PortLabel(const ScannedPort& port) {
  std::string label = port.Name;
  if (!port.StableName.empty()) label += "  " + port.StableName;
  if (!port.Accessible) label += "  (no permission)";
  return label;
}
