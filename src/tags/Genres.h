// The genre table: 148 names in alphabetical order. Settings store an index into it (-1 none);
// the ID3 tag maps an index to its own genre numbers.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

extern const std::array<const char*, 148> GenreNames;
// The index of the first name equal to `name` (exact, case-sensitive), or -1.
int32_t GenreIndexOf(const QString& name);
// The name at `index`; empty for -1 (none) or an index outside the table.
QString GenreName(int32_t index);
// The genre list the dialogs show: an empty entry (no genre), then GenreNames; position =
// table index + 1.
QStringList GenreListItems();
