#pragma once
// Port discovery: the serial devices a user may pick in the port box.
//
// Principles of operation
// - Serial devices under the device root (normally /dev: ttyS*, ttyUSB*,
//   ttyACM*, ttyAMA*, rfcomm*) in natural order, then the names listed in
//   $TALO7100_PORTS (colon-separated). Each device is listed once, however it
//   was named.
// - A device is listed when it opens, when another program holds it, or when
//   this user lacks the permission to open it (then marked, so that the user
//   learns why it fails instead of missing it). Phantom ttyS entries without
//   hardware are left out.
// - A USB adapter's stable name, the link under <root>/serial/by-id that
//   points to the same device, comes with its tty name: it stays the same
//   when the adapter moves to another USB socket. The port itself is always
//   opened by its tty name.
// - The device root is a parameter so that tests can scan a fake tree;
//   names found under a root other than /dev are given as full paths.

#include <string>
#include <vector>

struct ScannedPort {
  std::string Name;        // what the port box selects and the port opens
  std::string StableName;  // <root>/serial/by-id/... for the same device, or empty
  bool Accessible = true;  // false: the device exists but this user may not open it
};

std::vector<ScannedPort> ScanPorts(const std::string& deviceRoot = "/dev");
// The names of ScanPorts() alone.
std::vector<std::string> ScanComPort();

// How the port box and "talo7100-cli ports" show a port: the name, its stable
// name beside it, and "(no permission)" when it cannot be opened.
std::string PortLabel(const ScannedPort& port);
