#include "app/cli/programtext.h"

namespace ProgramText {

QString VersionLine(const QString& program) {
  return program + QStringLiteral(" " TALO_VERSION " (" TALO_BUILD_TAG ")");
}

QString WrongCall(const QString& program, const QString& message) {
  return QStringLiteral("%1: %2\nTry %1 --help.").arg(program, message);
}

QString UsageHead(const QString& program, const QString& call) {
  return QStringLiteral("Usage: %1 %2\n       %1 --help | --version\n").arg(program, call);
}

}  // namespace ProgramText
