// talo7100-cli's command line without the program name: the arguments are
// the input cut at NUL bytes (what argv cannot hold), decoded as the
// program decodes its arguments. Only the parse steps run: the global
// options, the common options and each subcommand's own; no port is opened,
// no file read or written. Besides not crashing:
// - a call to run names a subcommand, and --port gives the port it names;
// - the subcommands' own parses give only what they stand for: channels
//   0..3, DHCP or a static address, rights letters of their sets, a file to
//   put and a device folder, one image file.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "app/cli/clicommands.h"
#include "image/cli/imagecli.h"
#include "module/cli/diocli.h"
#include "netconf/cli/netconfcli.h"
#include "netconf/netsettings.h"
#include "transfer/putcommand.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

QStringList Arguments(const uint8_t* data, size_t size) {
  QStringList arguments;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (bytes.isEmpty()) return arguments;
  for (const QByteArray& one : bytes.split('\0')) arguments.append(QString::fromLocal8Bit(one));
  return arguments;
}

void ParseOwnOptions(const QString& name, const QStringList& arguments) {
  QString why;
  if (name == QLatin1String("dio")) {
    if (const auto parsed = DioCli::ParseArguments(arguments))
      for (const DioCli::Setting& setting : parsed->Settings)
        Require(setting.Channel >= 0 && setting.Channel <= 3);
  }
  if (name == QLatin1String("backup") || name == QLatin1String("restore")) {
    const bool restore = name == QLatin1String("restore");
    if (const auto call = ImageCli::ParseCall(restore ? "restore" : "backup", arguments, restore, why)) {
      Require(why.isEmpty() && (restore || (!call->Yes && !call->Verify)));
      Require(arguments.contains(call->ImagePath));
    }
  }
  if (name == QLatin1String("netconf")) {
    if (const auto settings = NetConfCli::ParseNetconf(arguments, why)) {
      if (!settings->StaticIp) Require(settings->Ip[0].isEmpty() && !settings->AutoDns);
    } else {
      Require(!why.isEmpty());
    }
  }
  if (name == QLatin1String("accounts")) {
    if (const auto accounts = NetConfCli::ParseAccounts(arguments, why)) {
      Require(NetSettings::RightsLettersValid(accounts->FtpRights, NetSettings::kFtpRightsOrder));
      Require(NetSettings::RightsLettersValid(accounts->HttpRights, NetSettings::kHttpRightsOrder));
      Require(accounts->FtpPassword.isEmpty() && accounts->HttpPassword.isEmpty());
    } else {
      Require(!why.isEmpty());
    }
  }
  if (name == QLatin1String("init")) {
    if (!NetConfCli::ParseInit(arguments, why)) Require(!why.isEmpty());
  }
  if (name == QLatin1String("put")) {
    if (const auto parsed = PutCommand::Parse(arguments)) {
      Require(!parsed->Files.isEmpty());
      Require(parsed->Folder.startsWith(QLatin1Char('\\')));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QStringList arguments = Arguments(data, size);
  const CliCall call = ParseCliCall(arguments);
  switch (call.What) {
    case CliCall::Action::Run:
      Require(call.Command != nullptr && arguments.contains(QLatin1String(call.Command->Name)));
      if (call.PortGiven)
        Require(arguments.contains(call.Port) ||
                arguments.contains(QStringLiteral("--port=") + call.Port));
      if (call.Command->OwnOptions) {
        Require(!call.Arguments.contains(QLatin1String("--verbose")) ||
                call.Arguments.contains(QLatin1String("--")));
        ParseOwnOptions(QLatin1String(call.Command->Name), call.Arguments);
      }
      break;
    case CliCall::Action::WrongCall:
      Require(!call.Message.isEmpty());
      break;
    case CliCall::Action::Help:
    case CliCall::Action::Version:
      break;
  }
  return 0;
}
