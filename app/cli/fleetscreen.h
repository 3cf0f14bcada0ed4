#pragma once
// FleetScreen: the output of a call on several ports at once.
//
// Principles of operation
// - Every line a port's run prints goes to the same stream it went to
//   (standard output or error) with "[NAME] " in front, escaped
//   (EscapeControls) as everything the command line prints.
// - When standard error is a terminal (drawProgress) the ports that run keep
//   one line each in a block there, below the output: the port's latest progress frame
//   (ProgressLine), or how long it has been running. A printed line first
//   erases the block, which is drawn again below it; frames are drawn at
//   most every kRedrawIntervalMs. Lines are cut to the terminal's width and
//   the block to its height, so that the cursor moves stay right. Elsewhere
//   nothing is drawn: the ports print plain progress lines of their own.
// - Main thread only.

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

class FleetScreen {
 public:
  static constexpr int kRedrawIntervalMs = 100;

  FleetScreen(FILE* out, FILE* err, bool drawProgress, QStringList names);

  bool DrawsProgress() const { return Draw; }

  void Started(int port);
  void Ended(int port);
  // A line of the port's run, on standard error when error.
  void Line(int port, bool error, const QString& text);
  // The port's latest progress frame (empty: none).
  void Progress(int port, const QString& frame);
  // A line of the call's own, without a prefix.
  void Plain(FILE* stream, const QString& text);
  // Draws the block again when a frame changed since it was drawn.
  void Refresh();

 private:
  struct Slot {
    bool Running = false;
    QString Frame;
    QElapsedTimer Since;
  };

  void EraseBlock();
  void DrawBlock();
  QString SlotText(int port) const;

  FILE* Out;
  FILE* Err;
  bool Draw;
  QStringList Names;
  QList<Slot> Slots;
  int BlockLines = 0;
  bool Dirty = false;
  QElapsedTimer LastDraw;
};
