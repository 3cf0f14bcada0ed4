#pragma once
// ReplaceFile: writes a whole file so that it is either there complete or
// not changed at all.
//
// Principles of operation
// - The bytes go into a new temporary file in the same folder (created with
//   the given permissions from the start, so a password file is never
//   readable by others, not even for a moment), are flushed to the disk and
//   then renamed over the file. A failure removes the temporary file and
//   leaves an existing file as it was.
// - The result is the system's reason for a failure (empty on success).
// - Any thread; POSIX file calls.

#include <sys/types.h>

#include <QByteArray>
#include <QString>

namespace ReplaceFile {

inline constexpr mode_t kOwnerOnly = 0600;
inline constexpr mode_t kReadableByAll = 0644;

// Empty on success, otherwise the system's reason.
[[nodiscard]] QString Write(const QString& path, const QByteArray& bytes, mode_t mode);

}  // namespace ReplaceFile
