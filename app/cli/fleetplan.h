#pragma once
// FleetPlan: a call on several ports at once (talo7100-cli --port A
// --port B ... COMMAND), settled before any port is touched, and its
// outcome summed up afterwards.
//
// Principles of operation
// - Check refuses, as a wrong call, what cannot run on every port: a
//   command that does not join (CliCommand::JoinsFleet), a port whose name
//   cannot name a file, two names of one device (a by-id link and its tty:
//   PortNames::DeviceKey) or two ports of one name (their "{port}" files and
//   prefixes would be one), and then whatever the command's own preparation
//   (FleetPrepares::Prepare) refuses. The preparation may also name a
//   question to ask once and add to the children's environment.
// - "{port}" in an argument stands for the port's short name
//   (PortNames::ShortName): where a file name holds it, each port gets a
//   file of its own.
// - A port's run is the single-port program's: ChildArguments is that
//   command line (one --port, --yes when given, the arguments as typed).
// - Pure apart from reading device names and what a preparation reads.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

struct CliCall;
struct CliCommand;

struct FleetCall {
  const CliCommand* Command = nullptr;
  QStringList Arguments;  // the subcommand's, its common options taken out
  QStringList Ports;      // as given, in order
  QStringList Names;      // each port's short name: {port}, the prefix, the summary
  bool AssumeYes = false;
  // Added by the command's preparation.
  QString Question;  // asked once for every port unless --yes; empty: none
  QList<QPair<QString, QString>> Environment;  // for every port's run
};

namespace FleetPlan {

inline constexpr char kPortPattern[] = "{port}";

QStringList WithPortName(const QStringList& arguments, const QString& port);
bool NamesPort(const QStringList& arguments);

// The call for these ports, or none after setting why.
std::optional<FleetCall> Prepare(const CliCall& call, QString& why);

// The single-port command line that runs the call on one port.
QStringList ChildArguments(const CliCall& call, const QString& port);

// What a port's summary line says after "failed": the first line of the
// last error message on its standard error (else of the last warning, else
// its first line), or the exit status.
QString FailureReason(int exitStatus, const QStringList& errorLines);

// What a port's summary line says after "ok": its last note line on its
// standard error (kNoteLinePrefix), or nothing.
QString SuccessNote(const QStringList& errorLines);
// Every note line on its standard error, without kNoteLinePrefix.
QStringList Notes(const QStringList& errorLines);

// The call's exit status from its ports': 130 after Ctrl+C, 0 when every
// port succeeded, 2 when every port found its call wrong, 1 otherwise.
int ExitStatus(const QList<int>& statuses, bool interrupted);

}  // namespace FleetPlan
