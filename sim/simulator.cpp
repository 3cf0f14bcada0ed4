#include <sys/prctl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "sim/controller.h"
#include "sim/demodrive.h"
#include "sim/ptyline.h"
#include "sim/shell.h"
#include "sim/simstate.h"
#include "sim/talosim.h"
#include "sim/transcript.h"

namespace talosim {

struct Simulator::Impl {
  SimOptions Options;
  SimState State;
  PtyLine Line;
  std::ofstream RecordFile;
  std::unique_ptr<Transcript> Record;
  std::thread Worker;
  std::string Slave;
  bool Running = false;
  mutable std::mutex ErrorMutex;
  std::string Error;

  void SetError(const std::string& text) {
    std::lock_guard lock(ErrorMutex);
    Error = text;
  }
  bool LoadDiskFile();
  bool SaveDiskFile();
  void Serve();
  // A drive path from the API: drive letter optional, always from the root.
  std::optional<std::pair<char, DosPath>> ApiPath(const std::string& text) const;
  bool MakeFolders(const DosPath& path);
};

bool Simulator::Impl::LoadDiskFile() {
  std::ifstream file(Options.DiskFile, std::ios::binary);
  if (!file) return true;  // a new disk file: made at Stop
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string why;
  std::lock_guard lock(State.Mutex);
  if (State.DriveD.LoadImage(image, &why)) return true;
  if (image.size() == VirtualDisk::kImageBytes) {
    // A drive whose file system is broken still is a drive: it comes up
    // damaged, and its bytes are saved back unchanged.
    State.DriveD.MarkDamaged(std::move(image));
    return true;
  }
  SetError("cannot load " + Options.DiskFile + ": " + why);
  return false;
}

bool Simulator::Impl::SaveDiskFile() {
  std::vector<uint8_t> image;
  {
    std::lock_guard lock(State.Mutex);
    image = State.DriveD.Image();
  }
  // Through a temporary file, so that a failed save never destroys the last
  // good image.
  const std::string temporary = Options.DiskFile + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    file.flush();
    if (!file) {
      SetError("cannot write " + temporary);
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), Options.DiskFile.c_str()) != 0) {
    SetError("cannot replace " + Options.DiskFile);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

void Simulator::Impl::Serve() {
  // The line model times each byte in microseconds; the kernel's default
  // 50 us slack on every wake-up would add up to a tenth of a frame.
  if (Options.Baud) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  ControllerPort port(Line, State, Options.LatencyMs);
  ControllerContext context{port, State, Options, Timings::For(Options.FastTimeouts), {}};
  Shell shell(context);
  shell.Run();
}

std::optional<std::pair<char, DosPath>> Simulator::Impl::ApiPath(const std::string& text) const {
  const ParsedPath parsed = ParseDosPath(text);
  const char drive = parsed.Drive.value_or('D');
  if (drive != 'C' && drive != 'D') return std::nullopt;
  auto path = ResolveDosPath({}, parsed.Parts);
  if (!path) return std::nullopt;
  return std::make_pair(drive, *path);
}

bool Simulator::Impl::MakeFolders(const DosPath& path) {
  DosPath partial;
  for (const std::string& name : path) {
    partial.push_back(name);
    if (State.DriveD.IsFolder(partial)) continue;
    if (State.DriveD.MakeDir(partial, State.Now()) != DiskStatus::Ok) return false;
  }
  return true;
}

Simulator::Simulator(SimOptions options) : P(std::make_unique<Impl>()) {
  P->Options = std::move(options);
  FillSystemDrive(P->State.DriveC);
  P->State.SetFaults(P->Options.Faults);
  if (!P->Options.Clock.empty()) P->State.Clock = DosStamp::Parse(P->Options.Clock);
  if (P->Options.ModuleInputs >= 0) P->State.ModuleInputs = static_cast<uint8_t>(P->Options.ModuleInputs & 0x0F);
}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start() {
  if (P->Running) return true;
  if (!P->Options.DiskFile.empty() && !P->LoadDiskFile()) return false;
  if (P->Options.Demo) {
    std::lock_guard lock(P->State.Mutex);
    if (P->State.DriveD.Root().Children.empty() && !P->State.DriveD.IsDamaged()) FillDemoDrive(P->State.DriveD);
  }
  if (P->Options.DamagedDrive) Damage();
  if (!P->Options.Clock.empty() && !P->State.Clock) {
    P->SetError("bad clock " + P->Options.Clock + " (YYYY-MM-DD HH:MM)");
    return false;
  }
  if (!P->Options.TranscriptFile.empty()) {
    P->RecordFile.open(P->Options.TranscriptFile, std::ios::binary | std::ios::trunc);
    if (!P->RecordFile) {
      P->SetError("cannot write " + P->Options.TranscriptFile);
      return false;
    }
    P->Record = std::make_unique<Transcript>(P->RecordFile,
                                             std::chrono::milliseconds(P->Options.TranscriptQuantumMs));
  }
  P->Line.SetObserver(P->Record.get());
  std::string error;
  if (!P->Line.Open(P->Options.Baud, P->Options.LinkPath, error,
                    std::chrono::milliseconds(P->Options.AdapterLatencyMs))) {
    P->SetError(error);
    return false;
  }
  P->Slave = P->Line.SlavePath();
  P->Running = true;
  P->Worker = std::thread([this] { P->Serve(); });
  return true;
}

void Simulator::Stop() {
  if (!P->Running) return;
  P->Line.RequestStop();
  if (P->Worker.joinable()) P->Worker.join();
  if (!P->Options.DiskFile.empty()) P->SaveDiskFile();
  P->Line.Close();
  if (P->Record) {
    P->Record->Finish();
    P->Record.reset();
    P->RecordFile.close();
  }
  P->Running = false;
}

const std::string& Simulator::SlavePath() const { return P->Slave; }

std::string Simulator::LastError() const {
  std::lock_guard lock(P->ErrorMutex);
  return P->Error;
}

bool Simulator::PutFile(const std::string& path, const std::string& bytes) {
  const auto where = P->ApiPath(path);
  if (!where || where->first != 'D' || where->second.empty()) return false;
  std::lock_guard lock(P->State.Mutex);
  const DosPath folder(where->second.begin(), where->second.end() - 1);
  return P->MakeFolders(folder) &&
         P->State.DriveD.WriteFile(where->second, bytes, false, P->State.Now()) == DiskStatus::Ok;
}

std::optional<std::string> Simulator::GetFile(const std::string& path) const {
  const auto where = P->ApiPath(path);
  if (!where) return std::nullopt;
  std::lock_guard lock(P->State.Mutex);
  const VirtualDisk& disk = where->first == 'C' ? P->State.DriveC : P->State.DriveD;
  const DiskEntry* entry = disk.Find(where->second);
  if (!entry || entry->IsDir) return std::nullopt;
  return entry->Data;
}

bool Simulator::MakeDir(const std::string& path) {
  const auto where = P->ApiPath(path);
  if (!where || where->first != 'D') return false;
  std::lock_guard lock(P->State.Mutex);
  return P->MakeFolders(where->second);
}

bool Simulator::Exists(const std::string& path) const {
  const auto where = P->ApiPath(path);
  if (!where) return false;
  std::lock_guard lock(P->State.Mutex);
  return (where->first == 'C' ? P->State.DriveC : P->State.DriveD).Find(where->second) != nullptr;
}

uint32_t Simulator::FreeBytes() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.DriveD.FreeBytes();
}

std::vector<uint8_t> Simulator::Image() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.DriveD.Image();
}

bool Simulator::LoadImage(const std::vector<uint8_t>& image) {
  std::string why;
  std::lock_guard lock(P->State.Mutex);
  if (P->State.DriveD.LoadImage(image, &why)) return true;
  P->SetError("cannot load the image: " + why);
  return false;
}

void Simulator::Format() {
  std::lock_guard lock(P->State.Mutex);
  P->State.DriveD.Format();
}

void Simulator::Damage() {
  std::lock_guard lock(P->State.Mutex);
  std::vector<uint8_t> raw = P->State.DriveD.Image();
  std::fill(raw.begin(), raw.begin() + 16, 0xE5);  // the header is gone
  P->State.DriveD.MarkDamaged(std::move(raw));
}

void Simulator::FillDemo() {
  std::lock_guard lock(P->State.Mutex);
  FillDemoDrive(P->State.DriveD);
}

bool Simulator::WaitUntilIdle(std::chrono::milliseconds timeout) {
  constexpr auto kSettled = std::chrono::milliseconds(50);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    {
      std::lock_guard lock(P->State.Mutex);
      if (P->State.IdleSince && now - *P->State.IdleSince >= kSettled) return true;
    }
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string Simulator::Received() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.Received;
}

int64_t Simulator::SentSinceFaults() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.SentSinceFaults;
}

void Simulator::ClearReceived() {
  std::lock_guard lock(P->State.Mutex);
  P->State.Received.clear();
}

std::vector<std::string> Simulator::Commands() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.Commands;
}

void Simulator::SetFaults(const FaultPlan& faults) {
  {
    std::lock_guard lock(P->State.Mutex);
    P->State.SetFaults(faults);
  }
  P->Line.Wake();  // a stalled controller looks at its faults again
}

void Simulator::SetModuleInputs(uint8_t inputs) {
  std::lock_guard lock(P->State.Mutex);
  P->State.ModuleInputs = static_cast<uint8_t>(inputs & 0x0F);
}

uint8_t Simulator::ModuleOutputs() const {
  std::lock_guard lock(P->State.Mutex);
  return P->State.ModuleOutputs;
}

void Simulator::Emit(const std::string& bytes) {
  {
    std::lock_guard lock(P->State.Mutex);
    P->State.EmitQueue += bytes;
  }
  P->Line.Wake();
}

void Simulator::HangUp() {
  {
    std::lock_guard lock(P->State.Mutex);
    P->State.HangUpRequested = true;
  }
  P->Line.Wake();
}

}  // namespace talosim
