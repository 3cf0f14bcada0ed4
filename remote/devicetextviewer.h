#pragma once
// DeviceTextViewer: a text file of the controller shown read-only - the
// device pane's View and double-click on a text file.
//
// Principles of operation
// - Shows the text as read (DeviceTextFile) in a monospace font without
//   wrapping, so that columns of a configuration file stay aligned.
// - Find... (also Ctrl+F) looks from the caret on, ignoring case, round once
//   from the top. Copy puts the selection, or the whole text when nothing is
//   selected, on the clipboard. Save as... writes the file's bytes exactly
//   as the controller holds them (line ends as stored), not the shown text,
//   and refuses, saying why, when the text that "type" gave is not the
//   whole file (DeviceTextFile::FileBytes).
// - Holds no port: the text was read before the window opened, and the
//   window may stay open while the pane goes on working. Prompts go
//   through the given dialog service, messages through the teller. Main
//   thread only.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <optional>

class QPlainTextEdit;
class ResultTeller;
class UserDialogs;

class DeviceTextViewer : public QDialog {
  Q_OBJECT

 public:
  // name: the file's name on the controller (the caption and the name Save
  // as proposes); file: its bytes when the text is all of it, else none.
  DeviceTextViewer(const QString& name, const QByteArray& text, std::optional<QByteArray> file,
                   UserDialogs& dialogs, ResultTeller& teller, QWidget* parent = nullptr);

  QPlainTextEdit* TextEdit() const { return Text; }

 public slots:
  bool FindText(const QString& text);
  void FindClick();
  bool SaveTo(const QString& path);
  void SaveAsClick();
  void CopyClick();

 private:
  UserDialogs& Dialogs;
  ResultTeller& Teller;
  QString Name;
  std::optional<QByteArray> Bytes;
  QString LastFind;
  QPlainTextEdit* Text = nullptr;
};
