#pragma once
// ForeignLink: the check before the utility writes a file the user named.
//
// Principles of operation
// - A symbolic link in the file's place that belongs to another user is
//   refused: in a shared folder (/tmp, a team's share) anyone may plant one,
//   and writing through it would change whatever file it points at that the
//   operator may write. The user's own links are followed as usual, and a
//   path that does not exist yet is no link.
// - Looks at the path only (lstat); pure otherwise, any thread.

#include <QString>

namespace ForeignLink {

// True when path is a symbolic link owned by a user other than this
// process's effective one.
bool IsForeignLink(const QString& path);

}  // namespace ForeignLink
