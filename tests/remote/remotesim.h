#pragma once
// The device pane's logic against the simulator: a console, scripted
// dialogs and a DeviceShell on the simulator's port, with the exchanges'
// time-outs shortened (the simulator answers at once, unpaced).

#include <QString>
#include <algorithm>
#include <string>
#include <vector>

#include "link/shell/deviceshell.h"
#include "remote/devicelister.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"

class RemoteSimTest : public SimFixture {
 protected:
  // 100 ms leaves a 200 ms gap before a read gives up: ample for an unpaced
  // simulator on a loaded machine, and a listing takes under a second.
  static DeviceTimeouts FastTimeouts() {
    DeviceTimeouts t;
    t.ListingMs = 100;
    t.FileCommandMs = 100;
    t.DeviceCommandMs = 100;
    t.FormatMs = 100;
    return t;
  }

  void SetUp() override {
    StartSim();
    Shell.SetSelectedPort(QString::fromStdString(PortPath()));
  }

  // Commands the shell ran, for "was anything sent" checks.
  bool Ran(const std::string& command) {
    const std::vector<std::string> commands = Sim().Commands();
    return std::find(commands.begin(), commands.end(), command) != commands.end();
  }
  size_t CountRan(const std::string& command) {
    const std::vector<std::string> commands = Sim().Commands();
    return static_cast<size_t>(std::count(commands.begin(), commands.end(), command));
  }

  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
};
