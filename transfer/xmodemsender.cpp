#include "transfer/xmodemsender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"
#include "link/shell/answerreader.h"
#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "link/taloconsole.h"
#include "transfer/transfertext.h"

namespace {

// Fills the chunk up to its capacity or the end of the file, so that only the
// file's last block is ever padded (a pipe may deliver less than asked for).
qint64 ReadChunk(QFile& file, QByteArray& chunk) {
  qint64 total = 0;
  while (total < chunk.size()) {
    const qint64 got = file.read(chunk.data() + total, chunk.size() - total);
    if (got < 0) return -1;
    if (got == 0) break;
    total += got;
  }
  return total;
}

// Opens the file for reading only when it is a regular file. The open itself
// never waits: a FIFO (or a file replaced by one since it was chosen) would
// otherwise block until some writer came along.
bool OpenRegularFile(QFile& file, const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

// The console as the job sees it: every call is handed to the main thread,
// which owns the console, and the job waits for it (at once outside a
// worker).
class XmodemSender::HandedConsole : public TaloConsole {
 public:
  explicit HandedConsole(XmodemSender& owner) : Owner(owner) {}
  int LineCount() const override {
    int count = 0;
    Hand([&] { count = Inner().LineCount(); });
    return count;
  }
  void Clear() override { Hand([&] { Inner().Clear(); }); }
  void AppendLine(const QString& text) override { Hand([&] { Inner().AppendLine(text); }); }
  void AppendToLastLine(const QString& text) override {
    Hand([&] { Inner().AppendToLastLine(text); });
  }
  void EraseLastChar() override { Hand([&] { Inner().EraseLastChar(); }); }
  void ClearLastLine() override { Hand([&] { Inner().ClearLastLine(); }); }
  void NewLine() override { Hand([&] { Inner().NewLine(); }); }
  void ResetTo(const QStringList& lines) override { Hand([&] { Inner().ResetTo(lines); }); }
  QString LastLine() const override {
    QString line;
    Hand([&] { line = Inner().LastLine(); });
    return line;
  }
  void BeginUpdate() override { Hand([&] { Inner().BeginUpdate(); }); }
  void EndUpdate() override { Hand([&] { Inner().EndUpdate(); }); }

 private:
  TaloConsole& Inner() const { return *Owner.Console; }
  static void Hand(const std::function<void()>& op) { JobRunner::OnMainThread(op); }

  XmodemSender& Owner;
};

// The shell that shows the lines is made here, on the owner's thread, and
// only used by the job. Nothing it does asks the user anything.
XmodemSender::XmodemSender()
    : Handed(std::make_unique<HandedConsole>(*this)),
      NoQuestions(std::make_unique<SilentDialogs>()),
      Shell(std::make_unique<DeviceShell>(*Handed, *NoQuestions, *NoQuestions)) {}

XmodemSender::~XmodemSender() = default;

XmodemSender::Frame XmodemSender::BuildFrame(uint8_t blockNumber, const uint8_t* data,
                                               int length) {
  Frame frame{};
  frame[0] = kSoh;
  frame[1] = blockNumber;
  frame[2] = static_cast<uint8_t>(255 - blockNumber);
  const int used = std::clamp(length, 0, kBlockSize);
  std::copy(data, data + used, frame.begin() + 3);
  uint8_t sum = 0;
  for (int i = 0; i < used; ++i) sum = static_cast<uint8_t>(sum + data[i]);
  frame[kFrameSize - 1] = sum;
  return frame;
}

int32_t XmodemSender::PercentOf(int64_t acknowledged, int64_t size) {
  if (size <= 0) return 100;
  if (acknowledged >= size) return 100;
  return static_cast<int32_t>(acknowledged * 100 / size);
}

JobResult XmodemSender::Send() {
  if (Run()) return JobResult::Done();
  // Whatever step met it, a port that went away is the reason to show.
  if (Port && Port->IsDisconnected()) {
    const JobResult lost{JobStatus::Disconnected,
                         ShellText::Disconnected(QString::fromStdString(Port->PortName()))};
    ShowStatusFromWorker(lost.Text);
    return lost;
  }
  if (CancelSeen) return JobResult::Stopped();
  return JobResult::Failed(FailureText);
}

// The upload, step by step. Every step that fails has already shown its own
// status line (or deliberately none).
bool XmodemSender::Run() {
  // 1. Nothing to work with.
  if (!Port || !Console) return false;
  // 2. Learn the file's size.
  if (!MeasureSource()) return Fail(TransferText::kCannotOpenSendFile);
  // 3. Discard stale input.
  DeviceShell::Drain(*Port);
  // 4. Start the receiving program.
  if (!StartReceiver()) return false;
  // 5. Wait for its NAK.
  if (!WaitForStart()) return false;
  // 6.-9. The blocks.
  if (!SendFile()) return false;
  // Every block is through: the end is read whole, a stop notwithstanding.
  const StopsHeld ending;
  // 10. End of transmission. The receiver stores the file only once it has
  // seen the end, so an EOT nobody acknowledged leaves the file's arrival
  // unknown: that is a failure, not a success to report.
  const bool ended = EndTransmission();
  // 11. The program's closing lines and the prompt, read whether or not the
  // end was acknowledged: left in the line they would spill into the next
  // exchange. A port that went away has none to give.
  if (Port->IsDisconnected()) return false;
  ShowTrailingOutput();
  // 12.
  return ended;
}

bool XmodemSender::MeasureSource() {
  QFile file;
  if (!OpenRegularFile(file, SourcePath)) return false;
  FileSize = file.size();
  // An empty file is complete only once it has ended (see SendFile).
  if (FileSize > 0) JobRunner::Report(0, FileSize);
  return true;
}

bool XmodemSender::StartReceiver() {
  CommandLine = QByteArray(TransferText::kReceiveCommand) + TargetName + '\r';
  // A sender stopped before it began types nothing; a line stopped while it
  // is typed is erased. Either way the transfer was cancelled.
  if (!Cancelling() && SendTransferCommand()) return true;
  CancelSeen = Cancelling();
  return false;
}

bool XmodemSender::WaitForStart() {
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    uint8_t byte = 0;
    // A 'C' asks for CRC mode, which this sender does not speak: it counts as
    // a failed attempt like silence does.
    if (Port->Read(1, &byte) && byte == kNak) return true;
    if (Cancelling()) {
      CancelSeen = true;
      ShowStatusFromWorker(QString::fromLatin1(TransferText::kTransferCancelled));
      return false;
    }
    if (Port->IsDisconnected()) return false;  // no receiver will ever answer
    Pause(kStartRetryPauseMs);
  }
  return Fail(TransferText::kNoAckFromTalo);
}

bool XmodemSender::SendFile() {
  QFile file;
  if (!OpenRegularFile(file, SourcePath)) return Fail(TransferText::kCannotOpenSendFile);
  ShowStatusFromWorker(QString::fromLatin1(TransferText::kTransferring));
  uint8_t blockNumber = 1;
  QByteArray chunk(kChunkSize, '\0');
  for (;;) {
    const qint64 got = ReadChunk(file, chunk);
    if (got < 0) return Fail(TransferText::kErrorReadingFile);
    if (got == 0) break;
    if (!SendChunk(chunk.left(static_cast<int>(got)), blockNumber)) return false;
  }
  // An empty file sends no block and is complete as soon as it ends.
  if (FileSize == 0) JobRunner::Report(0, 0);
  return true;
}

bool XmodemSender::SendChunk(const QByteArray& chunk, uint8_t& blockNumber) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(chunk.constData());
  for (qsizetype offset = 0; offset < chunk.size(); offset += kBlockSize) {
    const int length = static_cast<int>(std::min<qsizetype>(kBlockSize, chunk.size() - offset));
    switch (SendBlock(BuildFrame(blockNumber, bytes + offset, length))) {
      case BlockResult::Acknowledged:
        break;
      case BlockResult::Cancelled:
        CancelSeen = true;
        CancelTransfer();
        return false;
      case BlockResult::Failed:
        return false;
    }
    Acknowledged += length;
    blockNumber = static_cast<uint8_t>(blockNumber + 1);
    JobRunner::Report(Acknowledged, FileSize);
  }
  return true;
}

XmodemSender::BlockResult XmodemSender::SendBlock(const Frame& frame) {
  int attempts = 0;
  for (;;) {
    if (Cancelling()) return BlockResult::Cancelled;
    ++attempts;
    // A failed write shows up as a missing reply below.
    (void)WriteFrame(frame);
    const int reply = ReadReply(attempts);
    // A stop ends the wait for the reply: the block counts as cancelled.
    if (reply < 0 && Cancelling()) return BlockResult::Cancelled;
    Pause(kReplyPauseMs);
    if (reply == kNak && attempts < kBlockAttempts) continue;
    if (reply == kAck) return BlockResult::Acknowledged;
    return BlockResult::Failed;
  }
}

// Five writes, as the receiving program has always been fed.
bool XmodemSender::WriteFrame(const Frame& frame) {
  const uint8_t* bytes = frame.data();
  return Port->Write(1, bytes) && Port->Write(1, bytes + 1) && Port->Write(1, bytes + 2) &&
         Port->Write(kBlockSize, bytes + 3) && Port->Write(1, bytes + kFrameSize - 1);
}

// One reply byte, or -1. Each silent read uses up one of the block's attempts.
int XmodemSender::ReadReply(int& attempts) {
  for (;;) {
    uint8_t byte = 0;
    if (Port->Read(1, &byte)) return byte;
    if (attempts >= kBlockAttempts || Port->IsDisconnected() || Cancelling()) return -1;
    ++attempts;
  }
}

void XmodemSender::CancelTransfer() {
  // How a stop ends: written and read whole.
  const StopsHeld ending;
  const std::array<uint8_t, kCancelBytes> cancel{kCan, kCan, kCan, kCan, kCan};
  (void)Port->Write(cancel.size(), cancel.data());
  // The receiving program says goodbye; show it until the line falls silent,
  // or up to an answer's ceiling from one that never does.
  // A stop can end the wait for a block's reply: that ACK or NAK then comes
  // ahead of the goodbye and is the protocol's, not the receiver's text.
  std::string line;
  for (int lines = 0;
       lines < AnswerReader::kAnswerLines && Port->ReadLine(DeviceShell::kLineLimit, line); ++lines) {
    const char replies[] = {static_cast<char>(kAck), static_cast<char>(kNak), static_cast<char>(kCan)};
    line.erase(0, std::min(line.size(), line.find_first_not_of(std::string_view(replies, sizeof replies))));
    if (!line.empty())
      ShowStatusFromWorker(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
  }
}

bool XmodemSender::EndTransmission() {
  bool acknowledged = false;
  for (int attempt = 0; attempt < kEotAttempts && !acknowledged && !Port->IsDisconnected();
       ++attempt) {
    const uint8_t eot = kEot;
    (void)Port->Write(1, &eot);
    Pause(kReplyPauseMs);
    uint8_t reply = 0;
    acknowledged = Port->Read(1, &reply) && reply == kAck;
  }
  if (acknowledged) {
    ShowStatusFromWorker(QString::fromLatin1(TransferText::kGotEotAck));
    return true;
  }
  return Fail(TransferText::kNoEotAck);
}

bool XmodemSender::Cancelling() { return JobRunner::StopRequested(); }

void XmodemSender::ShowStatusFromWorker(const QString& text) {
  if (Console) Shell->AppendConsoleLine(text);
}

bool XmodemSender::Fail(const char* status) {
  FailureText = QString::fromLatin1(status);
  ShowStatusFromWorker(FailureText);
  return false;
}

// The echo check shows the command line first, as a status line; it never
// asks the user anything. Typed here on the worker: the main thread only
// shows the lines, and the window paints while the echo comes back.
bool XmodemSender::SendTransferCommand() { return Shell->SendEchoed(*Port, CommandLine); }

// Lines end with carriage return here, so the line feed of each line starts
// the next one: the prompt is looked for anywhere in the line. Every other
// line is shown, within the shell's usual prompt budget.
void XmodemSender::ShowTrailingOutput() {
  (void)Shell->WaitForPrompt(*Port, {}, DeviceShell::PromptAt::Anywhere);
}
