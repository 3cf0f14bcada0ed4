#include "netconf/netconftext.h"

namespace NetConfText {

QString BadAccountText(const QString& field) {
  return QStringLiteral(
             "The %1 must not contain blanks, control characters or characters beyond ASCII!")
      .arg(field);
}

QString InitStepMayHaveRun() {
  return QStringLiteral("D: may have been formatted: list the drive before you go on, then run "
                        "the initialisation again.");
}

QString InitSucceeded() {
  return QString::fromLatin1(kInitSuccessful) +
         QStringLiteral(
             "\n\nThe FTP and HTTP accounts are now the installation's defaults, whose password "
             "is widely known. Please change them now (FTP&HTTP Configuration, or "
             "talo7100-cli accounts).");
}

QString LengthHint(int maxLength) { return QStringLiteral("up to %1").arg(maxLength); }

QString TooLong(const QString& field, int maxLength) {
  return QStringLiteral("The %1 must not be longer than %2 characters!").arg(field).arg(maxLength);
}

QString NotUnderstood(const QString& path, int line, const QString& why) {
  return QStringLiteral("%1 on the TALO-7100 is not as this utility writes it: line %2: %3.\n\n"
                        "Nothing has been taken from it.")
      .arg(path)
      .arg(line)
      .arg(why);
}

QString CannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral(
             "Unable to write the file '%1'!\n\n%2\n\nNothing has been sent to the "
             "TALO-7100.")
      .arg(path, reason);
}

QString MissingFiles(const QStringList& paths) {
  return QStringLiteral(
             "These files of the installation are missing or cannot be read:\n\n%1\n\n"
             "The D drive has not been formatted and nothing has been sent to the TALO-7100.")
      .arg(paths.join(QLatin1Char('\n')));
}

QString LatePrompt(const QByteArray& commandLine) {
  return QStringLiteral("No prompt after '%1' yet: counted as sent.")
      .arg(QString::fromLatin1(commandLine.trimmed()));
}

}  // namespace NetConfText
