#pragma once
// The texts the network configuration shows, in one place.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace NetConfText {

inline constexpr char kIpIllegal[] = "IP Address Illegal!";
inline constexpr char kGatewayIllegal[] = "GateWay Address Illegal!";
inline constexpr char kDnsIllegal[] = "DNS Address Illegal!";
inline constexpr char kBlankAccount[] = "ID or PASSWORD can not be blank!";
inline constexpr char kUpdateSuccessful[] = "Update Successfully!";
inline constexpr char kFormatQuestion[] =
    "WARNING!!!WARNING!!!!\nThis action will format the D drive on TALO-7100.\n"
    "All the data on that drive will be erased.\nAre you sure?";
inline constexpr char kInitSuccessful[] = "System initial Successfully!";
inline constexpr char kInitFailed[] = "System Initial fail! Please reboot Talo-7100 and try again!";

// The initialisation's success: its first line, then that the account file
// it installed holds the installation's default accounts, whose password is
// no secret, and how to set one's own.
QString InitSucceeded();
// What to check when a step's command line went out but its end was not
// seen: from the format on, D: may have been formatted.
QString InitStepMayHaveRun();

// The limit of an ID or password field as stated beside it, and the refusal
// of a longer text.
QString LengthHint(int maxLength);
QString TooLong(const QString& field, int maxLength);

// An ID or password with a blank, a control character or a character beyond
// ASCII (the first two would split the account line's fields on the
// controller, the last cannot be written as one byte).
QString BadAccountText(const QString& field);
// A file read back from the controller that is not as the utility writes it:
// which file, which line, what is wrong.
QString NotUnderstood(const QString& path, int line, const QString& why);
// Beside the password fields after a read-back.
inline constexpr char kPasswordsAgain[] =
    "Passwords are not read back: type both again before Update.";

// A file of the installation that could not be written, with the system's
// reason.
QString CannotWrite(const QString& path, const QString& reason);
// The files system initialisation would copy but cannot read.
QString MissingFiles(const QStringList& paths);
// A step of the initialisation after the format whose prompt did not come
// back in time: a console line, as the step counts as sent.
QString LatePrompt(const QByteArray& commandLine);

}  // namespace NetConfText
