#include "app/cli/fleetprepares.h"

#include <utility>

#include "app/cli/fleetplan.h"
#include "image/cli/imagecli.h"
#include "image/imagetext.h"
#include "installation/taloappfolders.h"
#include "module/cli/diocli.h"
#include "module/diotext.h"
#include "netconf/cli/netconfcli.h"
#include "netconf/cli/netconftable.h"
#include "netconf/netconftext.h"

namespace FleetPrepares {

namespace {

const QString kWrongArguments = QStringLiteral("wrong arguments");

// The installation folder made and seeded once, before the ports would all
// do it at the same moment; a folder that cannot be used is each port's
// error, as on one port.
std::optional<QString> InstallationReady() {
  (void)GetTaloAppDir();
  return std::nullopt;
}

}  // namespace

// "--show" reads back and writes nothing: no check beyond the port's own.
bool Shows(const FleetCall& call) { return call.Arguments.contains(QStringLiteral("--show")); }

std::optional<QString> Netconf(FleetCall& call) {
  if (Shows(call)) return std::nullopt;
  QString why;
  if (NetConfTable::PathIn(call.Arguments).isEmpty()) {
    if (!NetConfCli::ParseNetconf(call.Arguments, why)) return why;
    return InstallationReady();
  }
  // Each port's table ("{port}" may give each its own), checked whole.
  for (const QString& port : call.Ports) {
    const QString table = NetConfTable::PathIn(FleetPlan::WithPortName(call.Arguments, port));
    if (!NetConfTable::SettingsFor(table, port, why)) return why;
  }
  return InstallationReady();
}

std::optional<QString> Accounts(FleetCall& call) {
  if (Shows(call)) return std::nullopt;
  QString why;
  const std::optional<AccountSettings> accounts = NetConfCli::ReadAccounts(call.Arguments, why);
  if (!accounts) return why;
  call.Environment.append({QLatin1String(NetConfCli::kFtpPasswordVariable), accounts->FtpPassword});
  call.Environment.append({QLatin1String(NetConfCli::kHttpPasswordVariable), accounts->HttpPassword});
  return InstallationReady();
}

std::optional<QString> Init(FleetCall& call) {
  QString why;
  if (!NetConfCli::ParseInit(call.Arguments, why)) return why;
  call.Question = QString::fromLatin1(NetConfText::kFormatQuestion);
  return InstallationReady();
}

std::optional<QString> Backup(FleetCall& call) {
  QString why;
  if (!ImageCli::ParseCall("backup", call.Arguments, false, why))
    return why.isEmpty() ? kWrongArguments : why;
  if (!FleetPlan::NamesPort(call.Arguments))
    return QStringLiteral("several controllers would write one file: put %1 in FILE "
                          "(backup %1.img)")
        .arg(QLatin1String(FleetPlan::kPortPattern));
  return InstallationReady();
}

std::optional<QString> Restore(FleetCall& call) {
  QString why;
  const std::optional<ImageCli::Call> parsed = ImageCli::ParseCall("restore", call.Arguments, true, why);
  if (!parsed) return why.isEmpty() ? kWrongArguments : why;
  if (!parsed->Yes) call.Question = QString::fromLatin1(ImageText::kRestoreQuestion);
  return InstallationReady();
}

std::optional<QString> Dio(FleetCall& call) {
  const std::optional<DioCli::Arguments> parsed = DioCli::ParseArguments(call.Arguments);
  if (!parsed) return kWrongArguments;
  if (parsed->Watch) return QStringLiteral("dio --watch polls one controller until Ctrl+C: give one --port");
  if (!parsed->Yes) call.Question = QString::fromLatin1(DioText::kFreeSpaceQuestion);
  return InstallationReady();
}

std::optional<QString> Prepare(FleetCall& call) {
  using Check = std::optional<QString> (*)(FleetCall&);
  static const std::pair<const char*, Check> kChecks[] = {
      {"netconf", Netconf}, {"accounts", Accounts}, {"init", Init},
      {"backup", Backup},   {"restore", Restore},   {"dio", Dio},
  };
  for (const auto& [name, check] : kChecks)
    if (QLatin1String(call.Command->Name) == QLatin1String(name)) return check(call);
  return std::nullopt;
}

}  // namespace FleetPrepares
