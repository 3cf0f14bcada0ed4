#pragma once
// The texts that copying files to the controller shows: the sender's status
// lines in the console and the messages of the copy command and its dialog.

#include <QString>

namespace TransferText {

// Status lines of the XMODEM sender (console).
inline constexpr char kCannotOpenSendFile[] = "<<Cannot Open Send File>>";
inline constexpr char kTransferCancelled[] = "<<Transferring cancelled...>>";
inline constexpr char kNoAckFromTalo[] = "<<No ACK from TALO-7100>>";
inline constexpr char kTransferring[] = "<<Transferring File...>>";
inline constexpr char kErrorReadingFile[] = "<<Error Reading File>>";
inline constexpr char kGotEotAck[] = "<<Get ACK for EOT>>";
inline constexpr char kNoEotAck[] = "<<No ACK for EOT>>";

// The receiving program on the controller; the target name follows.
inline constexpr char kReceiveCommand[] = "C:\\transfer /R ";

// Copy command warnings.
inline constexpr char kSelectFile[] = "Please select a file.";
inline constexpr char kOnlyFiles[] = "Only file can be transferred.";
inline constexpr char kRefreshFirst[] =
    "Please press 'Refresh folder' button in the TALO-7100 panel first.";
inline constexpr char kNoSpace[] = "There is no enough space on TALO-7100.";

// Transfer dialog.
inline constexpr char kDialogCaption[] = "File transfer";
inline constexpr char kNewNamePrompt[] = "Please input new file name:";
inline constexpr int kNewNameMaxLength = 12;

QString InvalidNameCaption(const QString& name);  // "Invalid file name '" + name + "'"
QString FailedToTransfer(const QString& name);    // "Fail to transfer file '" + name + "'!"

}  // namespace TransferText
