#pragma once
// The utility's operations as the tests run them end to end: each through
// the device logic that the windows and talo7100-cli share, against a
// simulator of its own. The fault matrix runs them under faults, the wire
// transcripts without.
//
// - An Operation is made afresh for each run. Prepare sets the drive and the
//   PC files up (through the simulator; the pane's commands also list the
//   root first, as the pane has it before a command). Act runs the operation
//   and checks what the user was told against what the drive and the PC
//   files hold: anything wrong becomes a finding, and OperationWorld::Done
//   says whether the operation reported success.
// - Time-outs are the short ones of the tests, against a simulator in its
//   fast mode; the operations never read the clock to decide anything.
// - Main thread only, like the device logic itself.

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>

#include "link/shell/deviceshell.h"
#include "remote/devicelister.h"
#include "tests/faults/faultmatrix.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"
#include "transfer/transferpresenter.h"
#include "transfer/transferview.h"

// Runs a transfer batch at once, as a dialog whose first timer tick has come.
class DirectView : public TransferView {
 public:
  void ShowFile(const QString&, int, int) override {}
  void ShowProgress(int, int64_t, int64_t) override {}
};
class DirectPresenter : public TransferPresenter {
 public:
  void Present(TransferBatch& batch, bool) override;
  DirectView View;
};

// One run's world: an installation folder, a PC work folder, the simulator
// and the seams through which the operations reach a person.
class OperationWorld {
 public:
  OperationWorld();
  ~OperationWorld();

  // Fast time-outs and fixed module inputs.
  static talosim::SimOptions DefaultOptions();
  bool Start(const talosim::SimOptions& options = DefaultOptions());
  talosim::Simulator& Sim() { return Harness.Sim(); }
  QString PortPath() const { return QString::fromStdString(Harness.PortPath()); }
  QString WorkFile(const QString& name) const { return Work.filePath(name); }

  // Every message the user was shown, each in brackets.
  std::string AllMessages() const;
  bool Shown(const QString& text) const;
  // An error or warning with a text was shown.
  bool ErrorShown() const;

  QTemporaryDir Home;
  QTemporaryDir Work;
  QString Root;
  bool Prepared = false;
  SimHarness Harness;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  DirectPresenter Presenter;
  // The fault the simulator injects during Act, when one does.
  std::optional<faultmatrix::Fault> Fault;
  // Whether the last operation reported success.
  bool Done = false;
};

using faultmatrix::Findings;

struct Operation {
  std::function<void(OperationWorld&, Findings&)> Prepare;
  std::function<void(OperationWorld&, Findings&)> Act;
};

// The operations. Where one varies (a file or a folder, the root or a
// subfolder), the parameter says which. Most start from the same drive: the
// files A.TXT, B.BIN and C.DAT and the folders DATA (D1.TXT, SUB\D2.TXT)
// and LOG (empty) in the root.
namespace DeviceOperations {

// The short time-outs the pane's operations run with here.
DeviceTimeouts PaneTimeouts();
// The pane's first listing of the root at a port change.
Operation Listing();
// talo7100-cli ls: the listing of \DATA.
Operation ListFolder();
// Into \DATA by a double-click on it, and back up.
Operation Navigation();
// Rename A.TXT to NEW.TXT.
Operation Rename();
// The properties of the folder DATA: "dir/s".
Operation FolderProperties();
// talo7100-cli du \B.BIN: "dir/s" of a file.
Operation FileCount();
// Delete A.TXT ("del"), or the empty folder LOG ("rd").
Operation Delete(bool folder);
// "type" of a text file with its full path, as the viewer reads it.
Operation View();
// talo7100-cli get of A.TXT into the work folder: "type", its size from the
// listing (reading the whole drive instead is refused).
Operation GetText();
// Make the folder NEWDIR.
Operation MakeDirectory();
// The console's MEM, ABORT and FORMAT.
Operation Memory();
Operation Abort();
Operation Format();
// Set to AutoRun for RUN.EXE in \DATA, or in the root.
Operation AutoRun(bool inSubfolder);
// The copy button with the first `files` of B.BIN (replacing the one D:
// holds, the question answered Yes) and N.BIN.
Operation Copy(int files);
Operation SettingsUpdate();
Operation AccountUpdate();
Operation SystemInitialisation();
Operation Backup();
Operation Restore();
// The DIO panel: its start flow, Polls polls, output 2 switched on when
// Set, and the release; Pause waits out the panel's pauses.
struct DioPlan {
  int Polls = 4;
  bool Set = false;
  std::function<void(uint32_t ms)> Pause;
};
Operation Dio(const DioPlan& plan);
// The terminal typing "dir" and reading the answer.
Operation Terminal();

}  // namespace DeviceOperations
