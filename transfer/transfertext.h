#pragma once
// The texts that copying files to the controller shows: the sender's status
// lines in the console and the messages of the copy command and its dialog.

#include <QString>
#include <cstdint>

#include "transfer/devicenames.h"

struct TransferOutcome;

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
inline constexpr char kNoSpace[] = "There is no enough space on TALO-7100.";

// Transfer dialog.
inline constexpr char kDialogCaption[] = "File transfer";
inline constexpr char kNewNamePrompt[] = "Please input new file name:";

QString InvalidNameCaption(const QString& name);  // "Invalid file name '" + name + "'"
QString FailedToTransfer(const QString& name);    // "Fail to transfer file '" + name + "'!"
// "Replace NAME (N byte(s), DATE) on the TALO-7100?"
QString ReplaceQuestion(const QString& name, int64_t sizeBytes, const QString& modified);

// talo7100-cli put, which cannot ask: a name the controller would not keep
// (or that clash says an earlier file of the call takes), and a file that
// would replace a listed one.
QString NameRefused(const QString& path, const QString& deviceName, DeviceNames::Verdict verdict,
                    const QString& suggestion);
QString NotReplaced(const QString& path, const QString& listedName, int64_t sizeBytes,
                    const QString& modified);

// The end of a copy that skipped files: one console line per file, and the
// final message with the count and the same lines.
QString SkippedLine(const TransferOutcome& outcome);
QString SkippedSummary(int copied, int total, const QStringList& skippedLines);

// The check of the folder's listing after a copy: a file listed with another
// size than it was sent with, or not listed at all.
QString ArrivedShort(const QString& target, int64_t listedBytes, int64_t sentBytes);
QString NotArrived(const QString& target, int64_t sentBytes);

}  // namespace TransferText
