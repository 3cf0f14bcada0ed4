#pragma once
// EscapeControls: text on its way to a terminal or a log file, made harmless.
//
// Principles of operation
// - What the controller sends (names, listing lines, the terminal's output)
//   and names from the PC may hold bytes a terminal acts on: colour and reset
//   sequences, a window-title change, an OSC 52 clipboard write. Everything
//   the command line prints and every log passes through EscapeControls, so
//   such a byte is shown, never obeyed.
// - Escaped as \xHH (two lower-case hex digits): the C0 controls (U+0000 to
//   U+001F) but tab and line feed, a carriage return that does not end a
//   line (one not followed by a line feed), DEL (U+007F) and the C1 range
//   (U+0080 to U+009F, which Latin-1 text from the line turns its bytes
//   0x80-0x9F into). Everything else stays as it is, backslashes included:
//   the controller's paths are full of them.
// - The windows' own widgets show such characters as glyphs and keep the raw
//   text (the device pane needs the raw bytes to match names).
// - Pure; any thread. PrintEscapedLine writes to a stdio stream, which the
//   caller must not use from two threads at once.
// - A line drawn in place and left open (a progress bar: ProgressLine) is
//   ended with a line feed before a printed line goes to its stream, or to
//   any terminal (standard output and error may be one screen): a message
//   never continues a bar's line. Main thread only, as the bars are.

#include <QString>
#include <QStringView>
#include <cstdio>

QString EscapeControls(QStringView text);

// The text escaped, in the local encoding, then a line feed; flushed.
void PrintEscapedLine(FILE* out, const QString& text);

// out now holds a line drawn in place without its line end (none: ended).
void NoteOpenLine(FILE* out);
// Ends the open line with a line feed when text for out would land on it.
void EndOpenLineBefore(FILE* out);
