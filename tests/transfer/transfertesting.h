#pragma once
// Helpers of the transfer tests: files of random bytes, a port as a transfer
// opens it, a sender run to its end as a job from an event loop, a view
// that records what the batch showed, and a fixture with the simulated
// controller whose own receiver takes the uploads.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "link/jobs/talothread.h"
#include "link/port/talocomport.h"
#include "tests/support/jobloop.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"
#include "transfer/transferbatch.h"
#include "transfer/transferfile.h"
#include "transfer/transferpresenter.h"
#include "transfer/transferview.h"
#include "transfer/xmodemsender.h"

namespace transfertest {

inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(gen() & 0xFF);
  return bytes;
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return path;
}

inline std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = file.readAll();
  return std::string(all.constData(), static_cast<size_t>(all.size()));
}

// The file as the receiver stores it: padded with zero bytes to whole blocks.
inline std::string Padded(std::string bytes) {
  bytes.resize((bytes.size() + 127) / 128 * 128, '\0');
  return bytes;
}

// How many CAN bytes end what the controller received.
inline size_t TrailingCancels(const std::string& received) {
  const size_t last = received.find_last_not_of('\x18');
  return received.size() - (last == std::string::npos ? 0 : last + 1);
}

// A port set up as a transfer sets it up, with time-out value timeoutMs.
inline std::unique_ptr<TaloComPort> OpenPort(const std::string& path, uint32_t timeoutMs) {
  auto port = std::make_unique<TaloComPort>(path);
  port->SetTerminator(13);
  if (!port->Open() || !port->Configure(kControllerLine) || !port->SetTimeouts(timeoutMs))
    return nullptr;
  return port;
}

inline void Pump() {
  QCoreApplication::processEvents();
  TaloThread::ServeMainThread();
}

// What a sender came to, and how far it got (percent acknowledged).
struct SendEnd {
  JobResult Result;
  int Percent = 0;
};

// Runs the sender as a job on a runner of its own, from an event loop as the
// window does, until it has ended; cancelWhen (checked every 10 ms) and
// cancelAfterPercent >= 0 (once that much is acknowledged) press Cancel.
inline SendEnd RunToEnd(XmodemSender& sender, int cancelAfterPercent = -1,
                        const std::function<bool()>& cancelWhen = {}) {
  JobRunner runner;
  SendEnd end;
  QObject::connect(&runner, &JobRunner::ProgressChanged, [&](qint64 done, qint64 total) {
    end.Percent = XmodemSender::PercentOf(done, total);
    if (cancelAfterPercent >= 0 && done > 0 && end.Percent >= cancelAfterPercent) runner.Cancel();
  });
  (void)RunJobInLoop(
      runner,
      [&] {
        (void)runner.Start([&] { return sender.Send(); },
                           [&](const JobResult& result) { end.Result = result; });
      },
      [&] {
        if (cancelWhen && cancelWhen()) runner.Cancel();
      },
      60000);
  return end;
}

class RecordingView : public TransferView {
 public:
  struct Shown {
    QString Path;
    int Number;
    int Total;
  };
  std::vector<Shown> Files;
  // Presses Cancel once this percentage of some file is acknowledged.
  int CancelAtPercent = -1;
  // Called when a file comes up, before it is sent.
  std::function<void(int number)> OnFile;
  TransferBatch* Batch = nullptr;

  void ShowFile(const QString& path, int number, int total) override {
    if (!Files.empty() && Files.back().Path == path && Files.back().Number == number) return;
    Files.push_back({path, number, total});
    if (OnFile) OnFile(number);
  }
  void ShowProgress(int percent, int64_t acknowledged, int64_t) override {
    if (Batch && CancelAtPercent >= 0 && acknowledged > 0 && percent >= CancelAtPercent)
      Batch->PressCancel();
  }
};

// Runs the batch at once, like a dialog whose first timer tick has come.
class DirectPresenter : public TransferPresenter {
 public:
  RecordingView View;
  int Presented = 0;
  bool CancelEnabled = false;
  void Present(TransferBatch& batch, bool cancelEnabled) override {
    ++Presented;
    CancelEnabled = cancelEnabled;
    View.Batch = &batch;
    batch.Run(View);
  }
};

// The simulated controller and what a window lends a transfer. Its short
// time-out keeps the drain and the closing reads quick; the simulator answers
// at once, so nothing else changes.
template <typename Presenter = DirectPresenter>
class SimTransferTest : public SimFixture {
 protected:
  void SetUp() override { StartSim(); }
  TransferHost Host() {
    TransferHost host{QString::fromStdString(PortPath()), Console, Dialogs, Shows};
    host.TimeoutMs = 200;
    return host;
  }
  // A PC file of random bytes; Contents keeps them by name.
  QString File(const QString& name, size_t size) {
    Contents[name] = RandomBytes(size, static_cast<uint32_t>(size + name.size()));
    return WriteFile(Dir, name, Contents[name]);
  }
  void SetFaults(const std::function<void(talosim::FaultPlan&)>& change) {
    talosim::FaultPlan faults;
    change(faults);
    Sim().SetFaults(faults);
  }
  QStringList ConsoleLines() const {
    QStringList lines = Console.Lines;
    lines.removeAll(QString());
    return lines;
  }

  QTemporaryDir Dir;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  Presenter Shows;
  std::map<QString, std::string> Contents;
};

}  // namespace transfertest
