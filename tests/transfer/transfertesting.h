#pragma once
// Helpers of the transfer tests: files of random bytes, a port on a peer's
// line, a sender run to its end with the main thread serving it, and a view
// that records what the batch showed.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "talocomport.h"
#include "talothread.h"
#include "transferbatch.h"
#include "transferview.h"
#include "tthreadxmodem.h"

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

// A port set up as a transfer sets it up, with time-out value timeoutMs.
inline std::unique_ptr<TaloComPort> OpenPort(const std::string& path, uint32_t timeoutMs) {
  auto port = std::make_unique<TaloComPort>(path);
  port->SetTerminator(13);
  if (!port->Open() || !port->Configure(57600, 8, 0, 0) || !port->SetTimeouts(timeoutMs))
    return nullptr;
  return port;
}

inline void Pump() {
  QCoreApplication::processEvents();
  TaloThread::ServeMainThread();
}

// Starts the sender and serves it until it has ended; cancelAfterPercent >= 0
// asks it to cancel once that much is acknowledged.
inline int32_t RunToEnd(TThreadXModem& sender, int cancelAfterPercent = -1) {
  sender.Resume();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (sender.TransferState.load() == 1 && std::chrono::steady_clock::now() < deadline) {
    Pump();
    if (cancelAfterPercent >= 0 && sender.Acknowledged.load() > 0 &&
        sender.Progress.load() >= cancelAfterPercent)
      sender.CancelRequested = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return sender.TransferState.load();
}

class RecordingView : public TransferView {
 public:
  struct Shown {
    QString Path;
    int Number;
    int Total;
  };
  std::vector<Shown> Files;
  std::vector<int> Percents;
  std::vector<TransferOutcome> Ended;
  // Presses Cancel once this percentage of some file is acknowledged.
  int CancelAtPercent = -1;
  TransferBatch* Batch = nullptr;

  void ShowFile(const QString& path, int number, int total) override {
    if (Files.empty() || Files.back().Path != path || Files.back().Number != number)
      Files.push_back({path, number, total});
  }
  void ShowProgress(int percent, int64_t acknowledged, int64_t) override {
    if (Percents.empty() || Percents.back() != percent) Percents.push_back(percent);
    if (Batch && CancelAtPercent >= 0 && acknowledged > 0 && percent >= CancelAtPercent)
      Batch->PressCancel();
  }
  void ProcessEvents() override { Pump(); }
  void FileEnded(const TransferOutcome& outcome) override { Ended.push_back(outcome); }
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

}  // namespace transfertest
