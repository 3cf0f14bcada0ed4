#include "fleetprepares.h"

// Only the areas that use the installation folder prepare anything.
#if defined(TALO_CLI_IMAGE) || defined(TALO_CLI_MODULE) || defined(TALO_CLI_NETCONF)
#include "fleetplan.h"
#include "taloappdir.h"
#ifdef TALO_CLI_IMAGE
#include "imagecli.h"
#include "imagetext.h"
#endif
#ifdef TALO_CLI_MODULE
#include "diocli.h"
#include "diotext.h"
#endif
#ifdef TALO_CLI_NETCONF
#include "netconfcli.h"
#include "netconftable.h"
#include "netconftext.h"
#endif

namespace FleetPrepares {

namespace {

[[maybe_unused]] const QString kWrongArguments = QStringLiteral("wrong arguments");

// The installation folder made and seeded once, before the ports would all
// do it at the same moment; a folder that cannot be used is each port's
// error, as on one port.
std::optional<QString> InstallationReady() {
  (void)GetTaloAppDir();
  return std::nullopt;
}

}  // namespace

#ifdef TALO_CLI_NETCONF
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
#endif

#ifdef TALO_CLI_IMAGE
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
#endif

#ifdef TALO_CLI_MODULE
std::optional<QString> Dio(FleetCall& call) {
  const std::optional<DioCli::Arguments> parsed = DioCli::ParseArguments(call.Arguments);
  if (!parsed) return kWrongArguments;
  if (parsed->Watch) return QStringLiteral("dio --watch polls one controller until Ctrl+C: give one --port");
  if (!parsed->Yes) call.Question = QString::fromLatin1(DioText::kFreeSpaceQuestion);
  return InstallationReady();
}
#endif

}  // namespace FleetPrepares
#endif
