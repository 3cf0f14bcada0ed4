#include "app/cli/fleetplan.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>

#include "app/cli/clicall.h"
#include "app/cli/fleetprepares.h"
#include "link/port/portnames.h"

namespace FleetPlan {

namespace {

const QString kCli = QStringLiteral("talo7100-cli");

// A message a port printed as JSON (--json) as it would have printed it
// plainly: {"kind": "error", "text": T} as "Error: T", {"error": T} too.
QString PlainMessage(const QString& line) {
  if (!line.startsWith(QLatin1Char('{'))) return line;
  const QJsonObject message = QJsonDocument::fromJson(line.toUtf8()).object();
  QString kind = message.value(QLatin1String("kind")).toString();
  QString text = message.value(QLatin1String("text")).toString();
  if (message.contains(QLatin1String("error"))) {
    kind = QStringLiteral("error");
    text = message.value(QLatin1String("error")).toString();
  }
  if (kind.isEmpty()) return line;
  return kind.left(1).toUpper() + kind.mid(1) + QStringLiteral(": ") + text;
}

// The first line of the last line that begins with kind, without it.
std::optional<QString> LastOfKind(const QStringList& lines, const QString& kind) {
  for (qsizetype i = lines.size() - 1; i >= 0; --i) {
    const QString line = PlainMessage(lines[i]);
    if (line.startsWith(kind)) return line.mid(kind.size()).section(QLatin1Char('\n'), 0, 0).trimmed();
  }
  return std::nullopt;
}

std::optional<QString> CheckPorts(FleetCall& fleet) {
  QSet<QString> devices;
  QSet<QString> names;
  for (const QString& port : fleet.Ports) {
    const QString name = PortNames::ShortName(port);
    if (name.isEmpty())
      return QStringLiteral("the port %1 has no name for its lines and files").arg(port);
    const QString device = PortNames::DeviceKey(port);
    if (devices.contains(device))
      return QStringLiteral("%1 names a port given already: each port once").arg(port);
    if (names.contains(name))
      return QStringLiteral("two ports are called %1: their lines and {port} files would be one")
          .arg(name);
    devices.insert(device);
    names.insert(name);
    fleet.Names.append(name);
  }
  return std::nullopt;
}

}  // namespace

QStringList WithPortName(const QStringList& arguments, const QString& port) {
  QStringList replaced = arguments;
  const QString name = PortNames::ShortName(port);
  for (QString& argument : replaced) argument.replace(QLatin1String(kPortPattern), name);
  return replaced;
}

bool NamesPort(const QStringList& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const QString& argument) {
    return argument.contains(QLatin1String(kPortPattern));
  });
}

std::optional<FleetCall> Prepare(const CliCall& call, QString& why) {
  FleetCall fleet;
  fleet.Command = call.Command;
  fleet.Arguments = call.Arguments;
  fleet.Ports = call.Ports;
  fleet.AssumeYes = call.AssumeYes;
  if (!call.Command->JoinsFleet)
    why = QStringLiteral("%1 works on one port at a time: give one --port")
              .arg(QLatin1String(call.Command->Name));
  else if (const std::optional<QString> refused = CheckPorts(fleet))
    why = *refused;
  else if (!call.LogPath.isEmpty() && !call.LogPath.contains(QLatin1String(kPortPattern)))
    why = QStringLiteral("several controllers would write one log: put %1 in FILE (--log %1.log)")
              .arg(QLatin1String(kPortPattern));
  else
    why = FleetPrepares::Prepare(fleet).value_or(QString());
  if (!why.isEmpty()) return std::nullopt;
  return fleet;
}

QStringList ChildArguments(const CliCall& call, const QString& port) {
  QStringList arguments{QStringLiteral("--port"), port};
  if (call.AssumeYes) arguments.append(QStringLiteral("--yes"));
  if (call.StandardWaits) arguments.append(QStringLiteral("--standard-waits"));
  if (call.Json) arguments.append(QStringLiteral("--json"));
  if (call.Verbose) arguments.append(QStringLiteral("--verbose"));
  arguments.append(QLatin1String(call.Command->Name));
  return arguments + WithPortName(call.TypedArguments, port);
}

QString FailureReason(int exitStatus, const QStringList& errorLines) {
  if (exitStatus == 130) return QStringLiteral("interrupted (Ctrl+C)");
  if (std::optional<QString> error = LastOfKind(errorLines, QStringLiteral("Error:"))) return *error;
  if (std::optional<QString> warning = LastOfKind(errorLines, QStringLiteral("Warning:")))
    return *warning;
  for (const QString& line : errorLines) {
    QString text = line.trimmed();
    if (text.startsWith(kCli + QLatin1Char(':'))) text = text.mid(kCli.size() + 1).trimmed();
    if (!text.isEmpty())
      return exitStatus == kUsageError ? QStringLiteral("wrong call: ") + text : text;
  }
  return exitStatus < 0 ? QStringLiteral("ended abnormally")
                        : QStringLiteral("exit status %1").arg(exitStatus);
}

QString SuccessNote(const QStringList& errorLines) {
  return LastOfKind(errorLines, QLatin1String(kNoteLinePrefix)).value_or(QString());
}

QStringList Notes(const QStringList& errorLines) {
  const QString prefix = QLatin1String(kNoteLinePrefix);
  QStringList notes;
  for (const QString& line : errorLines)
    if (line.startsWith(prefix)) notes.append(line.mid(prefix.size()).trimmed());
  return notes;
}

int ExitStatus(const QList<int>& statuses, bool interrupted) {
  if (interrupted) return 130;
  if (std::all_of(statuses.begin(), statuses.end(), [](int s) { return s == kExitOk; }))
    return kExitOk;
  if (std::all_of(statuses.begin(), statuses.end(), [](int s) { return s == kUsageError; }))
    return kUsageError;
  return kExitFailed;
}

}  // namespace FleetPlan
