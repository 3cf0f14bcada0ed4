#pragma once
// Port discovery: the serial devices a user may pick in the port box.

#include <string>
#include <vector>

// Serial devices under /dev (ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*) in
// natural order, then the names listed in $TALO7100_PORTS (colon-separated).
// A device is listed when it opens, or when another program holds it.
// Phantom ttyS entries without hardware are left out.
std::vector<std::string> ScanComPort();
