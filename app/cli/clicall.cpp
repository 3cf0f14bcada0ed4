#include "app/cli/clicall.h"

QString CliUsageLine(const CliCommand& command) {
  return QStringLiteral("Usage: talo7100-cli [--port NAME] %1 [--verbose] %2")
      .arg(QLatin1String(command.Name), QLatin1String(command.Arguments));
}
