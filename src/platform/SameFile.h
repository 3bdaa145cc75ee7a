// Whether two names lead to one file, for the commands that refuse to write their output over
// their input. Plain C++ without Qt, so the WMA utility shares it.
#pragma once

// True when both names exist and are the same file: the same path, a symbolic link to it or
// a hard link (same device and inode). A name that does not exist is no other file's twin.
bool IsSameFile(const char* a, const char* b);
