#pragma once
// The texts of the image feature: captions, questions and messages, kept in
// one place. "\n" breaks lines where the message boxes break them.

#include <QString>
#include <cstdint>

namespace ImageText {

inline constexpr char kDialogCaption[] = "Quantelix Image Keeper";
inline constexpr char kDefaultImageName[] = "7100D.img";
// In the file dialogs' own form: name (patterns);;name (patterns).
inline constexpr char kImageFilter[] = "Image files (*.img *.IMG);;All files (*)";
inline constexpr char kBackupHelper[] = "KEEPERRD.EXE";
inline constexpr char kRestoreHelper[] = "KEEPERWR.EXE";
inline constexpr char kHelperDir[] = "D:\\";

inline constexpr char kBackupQuestion[] =
    "It needs at least 10 KB free space on Talo-7100\n D drive, and be sure the Talo-7100 is in "
    "initial\nmode. Are you sure to continue?";
inline constexpr char kRestoreQuestion[] =
    "WARNING!!!\nThis action will restore your image.\nAll the data currently on that drive will "
    "be erased.\nBe sure you have at least 10KB free space on Talo-7100\nD drive and Talo-7100 is "
    "in initial mode.This operation \ntakes about 6 minutes. Are you sure?";
inline constexpr char kCableProblem[] =
    "Please check your cable RS232 and reboot \nyour system, then try again.";
inline constexpr char kBackupWaiting[] = "Please wait...system is under making backup image.";
inline constexpr char kRestoreWaiting[] = "Please wait...system now is restoring your backup image.";
inline constexpr char kBackupDone[] = "Read image Successfully!\nPlease reboot Talo-7100.";
inline constexpr char kRestoreDone[] = "Write image Successfully!\nPlease reboot Talo-7100.";
inline constexpr char kVerifyWaiting[] = "Please wait...system is reading the drive back to verify it.";
inline constexpr char kRestoreVerified[] = "Restore verified.";
// Why a backup's image file cannot be written, found before anything is
// typed; each follows kWriteFailed.
inline QString NoSuchFolder(const QString& folder) {
  return QStringLiteral("The folder %1 does not exist.").arg(folder);
}
inline QString FolderNotWritable(const QString& folder, const QString& why) {
  return QStringLiteral("The folder %1 cannot be written: %2").arg(folder, why);
}
inline QString FolderFull(const QString& folder, qint64 freeBytes) {
  return QStringLiteral("The folder %1 has no room for the 1 MiB image (%2 bytes free).")
      .arg(folder)
      .arg(freeBytes);
}
inline constexpr char kLinkRefused[] =
    "The image file is a symbolic link that belongs to another user.\nPlease choose another "
    "file.";
inline constexpr char kStalled[] =
    "There are some problems with serial communication of your computer.\nPlease reboot your "
    "computer and try again.";
// Cancel pressed: the worker stops at its next read; these say how it ended.
inline constexpr char kStopping[] = "Stopping...";
inline constexpr char kBackupCancelled[] = "Backup cancelled!\nThe image file was left as it was.";
inline constexpr char kRestoreCancelled[] =
    "Restore cancelled!\nThe Talo-7100 D drive now holds only part of the image.\nPlease restore "
    "the image again or format the drive.";
inline constexpr char kVerifyCancelled[] =
    "Verification cancelled: the drive was not compared with the image.";

// Worker messages.
inline constexpr char kWriteFailed[] = "Write image to file error!\n";
inline constexpr char kChecksumError[] = "Check sum error!\n";
inline constexpr char kInvalidResponse[] =
    "Error occurs on Talo-7100 or \ninvalid response from Talo-7100!";
inline constexpr char kReadFailed[] = "Read data from image fail!";
inline constexpr char kShiftedImage[] =
    "The controller sent a block twice (a reply was damaged on the line):\nthe image would be "
    "shifted and was not saved. The previous image file is unchanged.\nPlease run the backup "
    "again.";

// The note after "Write image Successfully!" when the helper answered
// "444": blocks it received damaged and that the protocol does not resend.
inline QString Answered444Note(uint32_t blocks) {
  return QStringLiteral("\n\n%1 block(s) were answered 444: the controller received them "
                        "damaged.\nPlease restore again with \"Verify after restore\" to check "
                        "the drive.")
      .arg(blocks);
}
// The same, short, for the command line's note after a success.
inline QString Answered444Summary(uint32_t blocks) {
  return blocks == 1 ? QStringLiteral("1 block answered 444")
                     : QStringLiteral("%1 blocks answered 444").arg(blocks);
}
// A verification that found the drive different from the image.
inline QString VerifyDiffers(int64_t block, int64_t offset) {
  return QStringLiteral("Restore not verified: block %1 (offset %2) differs from the image.\n"
                        "Please restore the image again.")
      .arg(block)
      .arg(offset);
}
inline constexpr char kVerifyReadFailed[] = "Restore not verified: the drive could not be read back.\n";
// Said with a difference when the read-back helper had to be copied onto
// the restored drive first: that copy is itself a change of the drive.
inline constexpr char kVerifyHelperCopied[] =
    "\nKEEPERRD.EXE was not on the restored drive and was copied to it to read it back.";

// Reading an image's file system (FatVolume). The first line of an item's
// message names the item; the reasons are those of a damaged volume.
inline constexpr char kNotFat[] =
    "This image holds no FAT file system: it can be restored but not browsed";
inline QString CannotReadImage(const QString& path, const QString& why) {
  return QStringLiteral("Cannot read the image %1: %2").arg(path, why);
}
inline QString ImageTooLarge(const QString& path, int64_t bytes) {
  return QStringLiteral("%1 holds %2 bytes: too large for a drive image.").arg(path).arg(bytes);
}
inline QString ImageEndsEarly(int64_t size, int64_t needed) {
  return QStringLiteral("The image ends after %1 bytes, inside its file system's tables (%2 bytes): "
                        "it cannot be browsed.")
      .arg(size)
      .arg(needed);
}
inline QString ClusterOutside(uint32_t cluster) {
  return QStringLiteral("its cluster chain leads to cluster %1, outside the volume").arg(cluster);
}
inline QString ClusterPastEnd(uint32_t cluster) {
  return QStringLiteral("cluster %1 lies past the end of the image").arg(cluster);
}
inline QString ChainEndsEarly(int64_t chainBytes, uint32_t size) {
  return QStringLiteral("its cluster chain ends after %1 of its %2 bytes").arg(chainBytes).arg(size);
}
inline QString SizePastVolume(uint32_t size, int64_t volumeBytes) {
  return QStringLiteral("its size (%1 bytes) passes the volume's %2 bytes").arg(size).arg(volumeBytes);
}
inline constexpr char kChainLoops[] = "its cluster chain runs in a loop";
inline constexpr char kChainBadCluster[] = "its cluster chain meets a cluster marked bad";
inline constexpr char kChainFreeCluster[] = "its cluster chain meets a free cluster";
inline constexpr char kFolderTooDeep[] = "the folder lies too deep to be a real one";
inline constexpr char kFolderLoop[] = "the folder is met twice: the folder tree runs in a loop";
inline QString NotInImage(const QString& path) { return QStringLiteral("%1 is not in the image.").arg(path); }
inline QString NotAFolder(const QString& path) { return QStringLiteral("%1 is not a folder.").arg(path); }
inline QString NotAFile(const QString& path) { return QStringLiteral("%1 is a folder, not a file.").arg(path); }

// Copying out of an image (ImageExtract).
inline constexpr char kUnsafeName[] =
    "not copied: its name could name another file on the PC (\"/\", \"\\\", \".\", \"..\" or a "
    "control character)";
inline constexpr char kTargetExists[] = "exists already and was not replaced";
inline constexpr char kDateNotKept[] = "copied, but its date could not be set";
inline constexpr char kCannotMakeFolder[] = "the folder could not be made on the PC";

// Comparing two images (ImageDiff).
inline constexpr char kFirstImage[] = "first image";
inline constexpr char kSecondImage[] = "second image";
inline constexpr char kImagesEqual[] = "The images hold the same files and folders.";
inline QString DiffTotals(int added, int removed, int changed, qsizetype unreadable) {
  QString text = QStringLiteral("%1 added, %2 removed, %3 changed").arg(added).arg(removed).arg(changed);
  if (unreadable > 0) text += QStringLiteral(", %1 unreadable").arg(unreadable);
  return text;
}

// Copying files back from the controller (CopyToPc).
inline QString ImageRoadNotice(const QStringList& names) {
  return QStringLiteral("%1 cannot come through \"type\": copied from a backup of the whole "
                        "D: drive, which takes about 6 minutes.")
      .arg(names.join(QStringLiteral(", ")));
}
inline constexpr char kRebootAfterBackup[] = "Please reboot Talo-7100.";
inline constexpr char kDriveNotRead[] = "The drive could not be read for the copy:\n";
inline constexpr char kImageRoadQuestion[] = "Read the whole drive now?";
inline QString NotCopied(const QString& path) { return QStringLiteral("%1: not copied").arg(path); }
inline QString TargetsExist(const QStringList& paths) {
  return QStringLiteral("Nothing was copied: these files exist already and are replaced only when "
                        "asked to:\n%1")
      .arg(paths.join(QLatin1Char('\n')));
}
inline QString NoScratchFolder(const QString& why) {
  return QStringLiteral("No temporary folder for the drive image: %1").arg(why);
}
inline QString CopiedByType(const QString& from, const QString& to, qsizetype bytes) {
  return QStringLiteral("%1 -> %2: %3 bytes (type)").arg(from, to).arg(bytes);
}
inline QString CopiedFromImage(const QString& from, const QString& to, int files, int64_t bytes) {
  return QStringLiteral("%1 -> %2: %3 file(s), %4 bytes (drive image)").arg(from, to).arg(files).arg(bytes);
}
inline QString CopiedTotals(int files, int64_t bytes, const QString& destination) {
  return QStringLiteral("%1 file(s), %2 bytes copied to %3.").arg(files).arg(bytes).arg(destination);
}

// The image pane.
inline QString ImagePaneCaption(const QString& file, const QString& label) {
  return label.isEmpty() ? QStringLiteral("%1 (read-only)").arg(file)
                         : QStringLiteral("%1 - %2 (read-only)").arg(file, label);
}
inline QString ImagePaneStatus(qsizetype objects, const QString& sizeStatus) {
  return QStringLiteral("%1 object(s)    %2").arg(objects).arg(sizeStatus);
}
inline QString AskReplace(const QStringList& paths) {
  return QStringLiteral("These files exist already:\n%1\n\nReplace them?").arg(paths.join(QLatin1Char('\n')));
}

// The help window's memo, line by line (spaces included); the third notice
// tells what the restore's verification costs.
inline constexpr const char* kHelpLines[] = {
    "The Quantelix Image Keeper takes about 10 minutes to make ",
    "backup image completely. It provides a reliable way that making",
    "your systembackup image easily. However, it might be fail during",
    "operation due to low computer performance. If the operation is ",
    "fail, you can reboot computer and then restart Image Keeper and",
    "try again.",
    "",
    "Notice: 1. It needs 10KB free space on D drive.",
    "            2. Please switch the Talo-7100 to initial mode.  ",
    "            3. A restore with \"Verify after restore\" takes about",
    "                twice as long: it reads the drive back.",
    "",
    " ",
};

}  // namespace ImageText
