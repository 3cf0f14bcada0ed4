#pragma once
// The desktop side of "Config TALO": the start flow with the transfer dialog
// for the uploads and DioPanel as the panel, shown modally over parent
// (the main window, which owns it while it is shown). Main thread only. The
// top level of the start: it reports the start's messages.

#include <cstdint>

#include "module/diostartflow.h"
#include "widgets/devicetool.h"

class DeviceShell;
class QWidget;

DioStartResult RunDioPanel(QWidget* parent, DeviceShell& shell, int64_t deviceFreeBytes,
                           const DioTimings& timings = {});

// The device pane's tbtnTaloConf: RunDioPanel over the main window.
DeviceTool DioPanelTool();
