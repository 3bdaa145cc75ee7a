// File moves of the recorder that never leave a half-written file behind: copies and renames
// that replace their target atomically (the old target stays whole until the new one is
// complete), and the same-file test.
#pragma once

#include <QString>

// Copies `from` over `to` through a temporary file in `to`'s folder. False with a reason.
bool CopyFileReplacing(const QString& from, const QString& to, QString& error);
// Renames `from` to `to`, replacing `to`; across file systems a replacing copy followed by the
// removal of `from`. False with a reason (`from` is then untouched).
bool MoveFileReplacing(const QString& from, const QString& to, QString& error);
// Two names of one file: the same existing file (also through a link), or the same path for
// names that do not exist yet.
bool NamesSameFile(const QString& a, const QString& b);
