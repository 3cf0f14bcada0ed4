#pragma once
// An in-memory console for tests: a list of lines, the last one being
// written, with a record of update holds.

#include <QStringList>

#include "link/taloconsole.h"

class RecordingConsole : public TaloConsole {
 public:
  QStringList Lines{QString()};
  // Every line ever appended, also those a Clear took away.
  QStringList History;
  int BeginUpdates = 0;
  int EndUpdates = 0;
  bool Held = false;

  int LineCount() const override { return static_cast<int>(Lines.size()); }
  void Clear() override { Lines = QStringList{QString()}; }
  void AppendLine(const QString& text) override {
    History.append(text);
    if (Lines.back().isEmpty())
      Lines.back() = text;
    else
      Lines.append(text);
    Lines.append(QString());
  }
  void AppendToLastLine(const QString& text) override { Lines.back() += text; }
  void EraseLastChar() override {
    if (!Lines.back().isEmpty()) Lines.back().chop(1);
  }
  void ClearLastLine() override { Lines.back().clear(); }
  void NewLine() override { Lines.append(QString()); }
  void ResetTo(const QStringList& lines) override {
    Lines = lines;
    Lines.append(QString());
  }
  QString LastLine() const override { return Lines.back(); }
  void BeginUpdate() override {
    ++BeginUpdates;
    Held = true;
  }
  void EndUpdate() override {
    ++EndUpdates;
    Held = false;
  }

  // Finished lines plus a non-empty last line, joined with "\n".
  QString Text() const { return Lines.join(QLatin1Char('\n')); }
};
