#include "transfer/terminalprogress.h"

#include <QFileInfo>

#include "clisupport/progressline.h"
#include "link/escapecontrols.h"
#include "link/jobs/interruption.h"
#include "link/taloconsole.h"
#include "transfer/transferbatch.h"

namespace {

const char* OutcomeWord(TransferOutcome::Result result) {
  switch (result) {
    case TransferOutcome::Result::Sent:
      return "sent";
    case TransferOutcome::Result::Skipped:
      return "skipped";
    case TransferOutcome::Result::Failed:
      return "failed";
    case TransferOutcome::Result::Cancelled:
      return "cancelled";
    case TransferOutcome::Result::NotSent:
      break;
  }
  return "not sent";
}

}  // namespace

// Forwards everything; whatever prints a line wipes the bar first.
class TerminalProgress::BarConsole : public TaloConsole {
 public:
  BarConsole(TaloConsole& inner, TerminalProgress& bar) : Inner(inner), Bar(bar) {}
  int LineCount() const override { return Inner.LineCount(); }
  void Clear() override { Inner.Clear(); }
  void AppendLine(const QString& text) override {
    Bar.WipeBar();
    Inner.AppendLine(text);
  }
  void AppendToLastLine(const QString& text) override { Inner.AppendToLastLine(text); }
  void EraseLastChar() override { Inner.EraseLastChar(); }
  void ClearLastLine() override { Inner.ClearLastLine(); }
  void NewLine() override {
    Bar.WipeBar();
    Inner.NewLine();
  }
  void ResetTo(const QStringList& lines) override {
    Bar.WipeBar();
    Inner.ResetTo(lines);
  }
  QString LastLine() const override { return Inner.LastLine(); }
  void BeginUpdate() override { Inner.BeginUpdate(); }
  void EndUpdate() override { Inner.EndUpdate(); }

 private:
  TaloConsole& Inner;
  TerminalProgress& Bar;
};

TerminalProgress::TerminalProgress(FILE* out, bool interactive, FILE* results)
    : Out(out), Results(results ? results : out), Interactive(interactive) {}

TerminalProgress::~TerminalProgress() = default;

TaloConsole& TerminalProgress::Console(TaloConsole& inner) {
  Wrapped = std::make_unique<BarConsole>(inner, *this);
  return *Wrapped;
}

void TerminalProgress::Present(TransferBatch& batch, bool cancelEnabled) {
  Batch = &batch;
  CancelEnabled = cancelEnabled;
  // Ctrl+C or SIGTERM (Interruption) presses Cancel.
  Interruption::InstallSignalHandlers();
  batch.Run(*this);
  WipeBar();
  Batch = nullptr;
}

void TerminalProgress::ShowFile(const QString& sourcePath, int number, int total) {
  if (number == Number && sourcePath == Path) return;
  Path = sourcePath;
  Number = number;
  Total = total;
  Percent = 0;
  Acknowledged = 0;
  Size = 0;
  LastTenth = -1;
  DataStartBytes = -1;
  FileStart = Clocks::now();
  LastDraw = Clocks::time_point();
  if (!Interactive) PrintLine(QStringLiteral("%1/%2 ").arg(number).arg(total) + sourcePath);
}

void TerminalProgress::ShowProgress(int percent, int64_t acknowledged, int64_t size) {
  if (acknowledged != Acknowledged) LastAck = Clocks::now();
  Percent = percent;
  Acknowledged = acknowledged;
  Size = size;
  if (DataStartBytes < 0 && acknowledged > 0) {
    DataStart = Clocks::now();
    DataStartBytes = acknowledged;
  }
  if (Interactive) {
    if (Clocks::now() - LastDraw >= std::chrono::milliseconds(kRedrawIntervalMs)) DrawBar();
    return;
  }
  const int tenth = percent / 10;
  if (acknowledged > 0 && tenth > LastTenth) {
    LastTenth = tenth;
    PrintLine(QStringLiteral("%1/%2 %3% %4 of %5 bytes")
                  .arg(Number)
                  .arg(Total)
                  .arg(percent)
                  .arg(acknowledged)
                  .arg(size));
  }
}

void TerminalProgress::Tick() {
  if (Interruption::Requested() && Batch && CancelEnabled && !Interrupted) {
    Interrupted = true;
    WipeBar();
    PrintLine(QStringLiteral("Cancelling..."));
    Batch->PressCancel();
  }
}

void TerminalProgress::FileEnded(const TransferOutcome& outcome) {
  WipeBar();
  const int total = Batch ? Batch->FileCount() : Total;
  QString line = QStringLiteral("%1/%2 ").arg(outcome.Number).arg(total) +
                 outcome.SourcePath + QStringLiteral(": ") +
                 QString::fromLatin1(OutcomeWord(outcome.Outcome));
  if (outcome.Outcome == TransferOutcome::Result::Sent) {
    const double seconds = Seconds();
    line += QStringLiteral(" as ") + outcome.TargetName +
            QStringLiteral(", %1 bytes in %2 s").arg(outcome.Size).arg(seconds, 0, 'f', 1);
    if (Rate() > 0) line += QStringLiteral(" (") + HumanBytes(static_cast<int64_t>(Rate())) + QStringLiteral("/s)");
  }
  PrintEscapedLine(Results, line);
}

QString TerminalProgress::HumanBytes(int64_t bytes) {
  if (bytes < 1024) return QStringLiteral("%1 B").arg(bytes);
  if (bytes < 1024 * 1024) return QStringLiteral("%1 KiB").arg(bytes / 1024.0, 0, 'f', 1);
  return QStringLiteral("%1 MiB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
}

QString TerminalProgress::Clock(int64_t seconds) {
  if (seconds < 0) return QStringLiteral("--:--");
  const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  if (h > 0)
    return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10,
                                                                               QLatin1Char('0'));
  return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

void TerminalProgress::WipeBar() {
  if (!BarShown) return;
  ProgressLine::Wipe(Out);
  BarShown = false;
}

void TerminalProgress::DrawBar() {
  LastDraw = Clocks::now();
  const int filled = std::clamp(Percent, 0, 100) * kBarWidth / 100;
  const double rate = Rate();
  const int64_t left = rate > 0 ? static_cast<int64_t>((Size - Acknowledged) / rate) : -1;
  // Built by concatenation: a file name may contain "%1".
  const QString line = QFileInfo(Path).fileName() + QStringLiteral(" %1/%2 [").arg(Number).arg(Total) +
                       QString(filled, QLatin1Char('#')) +
                       QString(kBarWidth - filled, QLatin1Char('-')) +
                       QStringLiteral("] %1% ").arg(Percent, 3) + HumanBytes(Acknowledged) +
                       QLatin1Char('/') + HumanBytes(Size) + QLatin1Char(' ') +
                       HumanBytes(static_cast<int64_t>(rate)) + QStringLiteral("/s ") +
                       Clock(left) + QStringLiteral(" left");
  ProgressLine::Draw(Out, line);
  BarShown = true;
}

void TerminalProgress::PrintLine(const QString& text) { PrintEscapedLine(Out, text); }

double TerminalProgress::Seconds() const {
  return std::chrono::duration<double>(Clocks::now() - FileStart).count();
}

double TerminalProgress::Rate() const {
  if (DataStartBytes < 0) return 0;
  const double seconds = std::chrono::duration<double>(LastAck - DataStart).count();
  return seconds > 0.05 ? (Acknowledged - DataStartBytes) / seconds : 0;
}
