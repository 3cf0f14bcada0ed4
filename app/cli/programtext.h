#pragma once
// The texts all three programs (talo7100, talo7100-cli, talo7100-sim) share
// on their command line, so that --help, --version and a wrong option look
// the same whichever one is called:
//   Usage: NAME ...
//          NAME --help | --version
//   (a blank line, what the program does, a blank line, the option lists)
//   --version prints "NAME VERSION (BUILD)": the project's version and
//   build tag (TALO_VERSION, TALO_BUILD_TAG).
//   A wrong option prints "NAME: unknown option --x" and the hint
//   "Try NAME --help." on stderr and ends with status 2.
// The simulator carries the same texts in its own code (it links nothing of
// the product); a test keeps the three in step.

#include <QString>

namespace ProgramText {

QString VersionLine(const QString& program);
// "NAME: message\nTry NAME --help."
QString WrongCall(const QString& program, const QString& message);
// "Usage: NAME call\n       NAME --help | --version\n"
QString UsageHead(const QString& program, const QString& call);

}  // namespace ProgramText
