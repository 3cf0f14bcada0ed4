#pragma once
// RunCli: talo7100-cli (TALO_CLI_PATH, defined by the test's target) run to
// its end with a deadline; its exit status (-1 when it crashed or had to be
// killed) and what it printed.

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

struct CliResult {
  int ExitCode = -1;
  QString Out;
  QString Err;
};

inline CliResult RunCli(const QStringList& arguments,
                        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                        int timeoutMs = 60000) {
  QProcess cli;
  cli.setProcessEnvironment(environment);
  cli.start(QStringLiteral(TALO_CLI_PATH), arguments);
  cli.closeWriteChannel();
  CliResult result;
  if (!cli.waitForFinished(timeoutMs)) {
    cli.kill();
    cli.waitForFinished(1000);
    ADD_FAILURE() << "talo7100-cli did not finish";
    return result;
  }
  result.ExitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
  result.Out = QString::fromLocal8Bit(cli.readAllStandardOutput());
  result.Err = QString::fromLocal8Bit(cli.readAllStandardError());
  return result;
}
