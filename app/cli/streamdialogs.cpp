#include "app/cli/streamdialogs.h"

#include "clisupport/clicommand.h"
#include "link/escapecontrols.h"

void StreamDialogs::Print(const char* kind, const QString& text) {
  if (Json)
    PrintJson(Out, {{"kind", QString::fromLatin1(kind).toLower()}, {"text", text}});
  else
    PrintEscapedLine(Out, QLatin1String(kind) + QStringLiteral(": ") + text);
}

void StreamDialogs::Tell(const JobResult& result) {
  switch (HowTold(result)) {
    case ToldAs::Nothing:
      return;
    case ToldAs::Information:
      return Print("Information", result.Text);
    case ToldAs::Warning:
      return Print("Warning", result.Text);
    case ToldAs::Error:
      ++Errors;
      LastErrorText = result.Text;
      return Print("Error", result.Text);
  }
}

bool StreamDialogs::AskYesNo(const QString& text, BoxKind) {
  Print("Question", text);
  Print("Answer", AssumeYes ? QStringLiteral("yes (--yes)")
                            : QStringLiteral("no (give --yes to answer yes)"));
  return AssumeYes;
}

std::optional<QString> StreamDialogs::Refuse(const QString& what) {
  Print("Question", what);
  Print("Answer", QStringLiteral("cancelled (nobody to ask on the command line)"));
  return std::nullopt;
}

std::optional<QString> StreamDialogs::AskName(const QString& caption, const QString& prompt,
                                              const QString&, int) {
  return Refuse(caption + QStringLiteral(": ") + prompt);
}

std::optional<QString> StreamDialogs::ChooseOpenFile(const QString& caption, const QString&,
                                                     const QString&) {
  return Refuse(caption);
}

std::optional<QString> StreamDialogs::ChooseSaveFile(const QString& caption, const QString&,
                                                     const QString&) {
  return Refuse(caption);
}

std::optional<QString> StreamDialogs::ChooseFolder(const QString& caption, const QString&) {
  return Refuse(caption);
}

std::optional<QString> StreamDialogs::ChooseFont(const QString&) {
  return Refuse(QStringLiteral("Font"));
}
