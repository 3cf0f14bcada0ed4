#include "app/cli/fleetrun.h"

#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QProcessEnvironment>

#include "app/cli/clicall.h"
#include "app/cli/fleetplan.h"
#include "app/cli/fleetrunner.h"
#include "app/cli/fleetscreen.h"
#include "app/cli/streamdialogs.h"
#include "clisupport/progressline.h"
#include "clisupport/clicommand.h"
#include "link/escapecontrols.h"

namespace {

QString SummaryLine(const QString& name, const FleetRunner::Result& result, bool interrupted) {
  if (!result.Started)
    return name + (interrupted ? QStringLiteral("  failed  not started (Ctrl+C)")
                               : QStringLiteral("  failed  not started"));
  if (result.Status == kExitOk) {
    const QString note = FleetPlan::SuccessNote(result.ErrorLines);
    return name + QStringLiteral("  ok") + (note.isEmpty() ? QString() : QStringLiteral(", ") + note) +
           QStringLiteral("  %1 s").arg(result.Seconds, 0, 'f', 1);
  }
  // A child ended by the Ctrl+C passed on to it was interrupted too.
  const int status = interrupted && result.Status < 0 ? 130 : result.Status;
  return name + QStringLiteral("  failed  ") + FleetPlan::FailureReason(status, result.ErrorLines);
}

// --json: the summary line as one object.
QJsonObject SummaryObject(const QString& name, const FleetRunner::Result& result, bool interrupted) {
  QJsonObject summary{{"port", name}, {"result", result.Started && result.Status == kExitOk ? "ok" : "failed"},
                      {"seconds", result.Started ? qRound(result.Seconds * 10) / 10.0 : 0.0}};
  const QString line = SummaryLine(name, result, interrupted);
  if (summary.value(QLatin1String("result")) == QLatin1String("failed"))
    summary.insert(QLatin1String("reason"), line.section(QStringLiteral("  "), 2));
  QJsonArray notes;
  for (const QString& note : FleetPlan::Notes(result.ErrorLines)) notes.append(note);
  summary.insert(QLatin1String("notes"), notes);
  return summary;
}

QProcessEnvironment ChildEnvironment(const FleetCall& fleet, bool drawProgress) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QString progress = QLatin1String(ProgressLine::kEnvironmentName);
  if (drawProgress)
    environment.insert(progress, QLatin1String(ProgressLine::kAsLines));
  else
    environment.remove(progress);
  for (const auto& [name, value] : fleet.Environment) environment.insert(name, value);
  return environment;
}

}  // namespace

int RunFleet(const CliCall& call) {
  QString why;
  const std::optional<FleetCall> fleet = FleetPlan::Prepare(call, why);
  if (!fleet) {
    PrintEscapedLine(stderr, QStringLiteral("talo7100-cli: ") + why);
    PrintEscapedLine(stderr, CliUsageLine(*call.Command));
    return kUsageError;
  }
  const bool drawProgress = ::isatty(fileno(stderr)) == 1;
  FleetScreen screen(stdout, stderr, drawProgress, fleet->Names);
  if (!fleet->Question.isEmpty() && !fleet->AssumeYes) {
    StreamDialogs dialogs(false, stderr);
    (void)dialogs.AskYesNo(fleet->Question + QStringLiteral("\n(on every port: ") +
                               fleet->Names.join(QStringLiteral(", ")) + QLatin1Char(')'),
                           UserDialogs::BoxKind::Warning);
    for (const QString& name : fleet->Names) {
      const QString reason = QStringLiteral("not started: the question was not answered yes");
      if (call.Json)
        PrintJson(stdout, {{"port", name}, {"result", "failed"}, {"seconds", 0.0}, {"reason", reason},
                           {"notes", QJsonArray()}});
      else
        screen.Plain(stdout, name + QStringLiteral("  failed  ") + reason);
    }
    return kExitFailed;
  }

  QList<QStringList> arguments;
  for (const QString& port : fleet->Ports) arguments.append(FleetPlan::ChildArguments(call, port));
  FleetRunner runner(screen, arguments, call.Jobs, ChildEnvironment(*fleet, drawProgress));
  runner.Run();

  QList<int> statuses;
  for (qsizetype i = 0; i < fleet->Names.size(); ++i) {
    const FleetRunner::Result& result = runner.Results()[i];
    statuses.append(result.Status);
    if (call.Json)
      PrintJson(stdout, SummaryObject(fleet->Names[i], result, runner.Interrupted()));
    else
      screen.Plain(stdout, SummaryLine(fleet->Names[i], result, runner.Interrupted()));
  }
  return FleetPlan::ExitStatus(statuses, runner.Interrupted());
}
