#pragma once
// PortNames: what a port name stands for when several ports are named at
// once (talo7100-cli --port A --port B ...).
//
// Principles of operation
// - DeviceKey is the same for every name of one device: "ttyUSB0",
//   "/dev/ttyUSB0", a /dev/serial/by-id link to it, "COM1" and "ttyS0". A
//   character device is known by its device number, anything else that
//   exists by its path with the links followed, a name that does not exist
//   by the path it stands for (TaloComPort::ResolveDevicePath).
// - ShortName is what a port goes by in file names and in front of its
//   lines: the last part of the name as given ("ttyUSB0", "COM3", the
//   by-id name "usb-FTDI_..._A50285BI-if00-port0" when given so). It is
//   empty when the name has no last part that can name a file ("", "/",
//   ".", ".."), so it can never lead out of a folder.
// - Reads the file system only; any thread.

#include <QString>

namespace PortNames {

QString DeviceKey(const QString& portName);
QString ShortName(const QString& portName);

}  // namespace PortNames
