// The layout of the disc image behind a handle of the CD drive library, for the parts of the CD
// subsystem that read more of an image than the drive library's calls give (its CD-TEXT, where
// each track's pregap begins).
#pragma once

#include "cd/DiscLayout.h"

#include <memory>

// The layout of the handle's image (a cue sheet or a .toc file), or null for a physical drive,
// another kind of image or a handle that is not open. It stays valid while it is held, even
// when the drive reads another disc meanwhile.
std::shared_ptr<const TDiscLayout> CDHandleLayout(int handle);
