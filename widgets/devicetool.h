#pragma once
// DeviceTool: a feature that a tool button of the device pane opens - the
// DIO panel, the network configuration, the image keeper - as the area that
// owns it declares it.
//
// Principles of operation
// - Each such area hands out its DeviceTool from its ui/ folder; the main
//   window lists them once (MainWindow::ConnectDeviceToolBar) and connects
//   each to the device pane's action of that object name.
// - Open runs on the main thread, shows its dialog modally over host.Parent
//   and returns when the dialog has closed. The main window calls it only
//   while the terminal is off: the terminal holds the port.
// - The host lends what the features need for that one call: the shell
//   exchange (selected port, console, dialog service), the device's free
//   space (0 while the pane has no listing, which every feature refuses),
//   and two ways back to the pane after the feature changed the drive.

#include <cstdint>
#include <functional>

class DeviceShell;
class QWidget;

struct DeviceToolHost {
  QWidget* Parent = nullptr;
  DeviceShell& Shell;
  int64_t DeviceFreeBytes = 0;
  // Lists the folder shown again, keeping the user's sort and selection.
  std::function<void()> RefreshKeepingView;
  // Forgets the listing's free space: the pane is listed again before the
  // next operation that needs it.
  std::function<void()> ForgetListing;
  // The image dialog's "Verify after restore", which the program's settings
  // keep between runs.
  bool& VerifyAfterRestore;
};

struct DeviceTool {
  const char* ActionName = "";  // the device pane's action, e.g. "tbtnTCPConf"
  void (*Open)(DeviceToolHost& host) = nullptr;
};
