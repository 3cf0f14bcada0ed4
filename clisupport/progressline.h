#pragma once
// ProgressLine: the one line a command-line operation redraws in place to
// show its progress (the transfer's bar, the image's bar).
//
// Principles of operation
// - On a terminal a frame is drawn over the line in place: carriage return,
//   erase to the end of the line, the text, no line end. Wipe erases it, so
//   that an ordinary line can take its place.
// - With TALO7100_PROGRESS=lines in the environment every frame is a line
//   of its own that begins with kFrameMark (0x1E, the record separator), and
//   a wipe is an empty frame. talo7100-cli sets it for the commands it runs
//   on several ports at once, whose output it reads through pipes: it draws
//   each port's latest frame as one line of its own block. No other line the
//   command line prints can begin with that byte, since every other line is
//   escaped (EscapeControls turns it into "\x1e").
// - Frames are escaped too: a file name in a bar is shown, never obeyed.
// - Interactive() tells whether to draw at all: on a terminal, or when
//   frames go as lines; elsewhere the callers print plain lines per step.
// - Main thread only (one stdio stream, no locking of its own).

#include <QString>
#include <cstdio>
#include <optional>

namespace ProgressLine {

inline constexpr char kFrameMark = '\x1e';
inline constexpr char kEnvironmentName[] = "TALO7100_PROGRESS";
inline constexpr char kAsLines[] = "lines";

// Whether progress is drawn on out (a terminal, or frames as lines).
bool Interactive(FILE* out);
void Draw(FILE* out, const QString& text);
void Wipe(FILE* out);

// A line read from a command's output: the frame's text when it is a frame
// (empty for a wipe), none for an ordinary line.
std::optional<QString> FrameOf(const QString& line);

}  // namespace ProgressLine
