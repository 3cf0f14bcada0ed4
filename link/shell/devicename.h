#pragma once
// DeviceName: the one check of every name the utility types into the
// controller's shell, and the rule for names the user gives to new files and
// folders. QtCore only; pure functions.
//
// Principles of operation
// - The shell has no quoting. A name is typed as it stands, so a name from a
//   listing or from the user is a piece of a command line: "X|FORMAT" pipes,
//   "A>B" redirects, "A B" is two arguments, "*.*" is every file, "..\.."
//   walks out of the folder. Refusal() refuses what the shell treats
//   specially or an 8.3 name cannot hold - blanks, " * + , / : ; < = > ? [
//   \ ] |, control bytes - and names not in the 8.3 shape (1 to 8
//   characters, then at most one full stop and 1 to 3 characters). What is
//   left are the characters a DOS name may hold: letters, digits,
//   ! # $ % & ' ( ) - @ ^ _ ` { } ~ and the bytes from 0x80 up, which are
//   letters of the controller's code page (a listed name arrives as Latin-1
//   and is typed back as the same bytes). "." and ".." are no names to act
//   on.
// - A path of D: ("\" and names joined by "\") is checked name by name; the
//   root "\" holds none and passes.
// - New names (make directory, rename, the copy's name prompt) follow the
//   same rule but stay ASCII, as the prompts state: they must read the same
//   on the PC as on the controller. The name typed is cut to 8.3 and put
//   in capitals as the controller would store it; ShortForm() gives that result, or why there is none, so a
//   prompt can show it before anything is sent.

#include <QString>

namespace DeviceName {

// How much text a name prompt takes: more than 8.3, so that a name too long
// shows how it is cut rather than stopping the typing.
inline constexpr int kPromptLength = 64;

// Why name cannot be typed as a name to act on ("it holds a wildcard (* ?)");
// empty when it can.
QString Refusal(const QString& name);

// The first name of path ("\DATA\LOG") that Refusal() refuses, with its
// reason; both empty when every name passes.
struct PathRefusal {
  QString Name;
  QString Why;
};
PathRefusal CheckPath(const QString& path);

// The rule for new names, as the prompts state it.
// "8 characters, a dot, 3 characters; letters, digits and ! # ... ~ only"
QString NewNameRule();

// A new name in the form it is sent: Name in 8.3 and capitals, empty when the
// typed text cannot be made one (Why says why). Cut is true when characters
// were dropped to fit 8.3.
struct ShortName {
  QString Name;
  QString Why;
  bool Cut = false;
};
ShortName ShortForm(const QString& typed);

// True for a character a new name may hold.
bool IsNewNameChar(QChar c);

// A name that is already a new name exactly as the rule allows (any case):
// ShortForm() would neither refuse it nor cut it.
bool IsNewName(const QString& name);

// A name prompt's text with the rule below it.
QString PromptWithRule(const QString& prompt);

// What a name prompt shows under its edit box as the user types: the name
// that will be sent, or why nothing will (then OK is not to be taken).
struct Preview {
  QString Text;
  bool Acceptable = false;
};
Preview ShortFormPreview(const QString& typed);

}  // namespace DeviceName
