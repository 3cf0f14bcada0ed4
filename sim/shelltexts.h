#pragma once
// The controller shell's own messages, in one place.

namespace talosim::ShellText {

inline constexpr const char* kBadCommand = "Bad command or file name";
inline constexpr const char* kInvalidDirectory = "Invalid directory";
inline constexpr const char* kInvalidDrive = "Invalid drive";
inline constexpr const char* kUnableToCreate = "Unable to create directory";
inline constexpr const char* kInvalidDirName = "Invalid directory name";
inline constexpr const char* kRdRefused1 = "Invalid path, not directory,";
inline constexpr const char* kRdRefused2 = "or directory not empty";
inline constexpr const char* kRdCurrent = "Attempt to remove current directory - ";
inline constexpr const char* kDuplicate = "Duplicate file name or file not found";
inline constexpr const char* kInvalidFileName = "Invalid file name";
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kPathNotFound = "Path not found";
inline constexpr const char* kAccessDenied = "Access denied";
inline constexpr const char* kRequiredParameter = "Required parameter missing";
inline constexpr const char* kTooManyParameters = "Too many parameters";
inline constexpr const char* kInvalidSwitch = "Invalid switch - ";
inline constexpr const char* kFileCreation = "File creation error";
inline constexpr const char* kDiskFull = "Insufficient disk space";
inline constexpr const char* kWriteProtect = "Write protect error writing drive C";
inline constexpr const char* kEchoOn = "ECHO is on";
inline constexpr const char* kGeneralFailure = "General failure reading drive D";
inline constexpr const char* kAbortRetryFail = "Abort, Retry, Fail?";
inline constexpr const char* kVersion = "TALO-7100 shell version 1.13";

}  // namespace talosim::ShellText
