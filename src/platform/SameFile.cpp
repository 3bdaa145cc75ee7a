// Comparing files by identity (see SameFile.h).
#include "platform/SameFile.h"

#include <sys/stat.h>

bool IsSameFile(const char* a, const char* b) {
    struct stat sa {};
    struct stat sb {};
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
