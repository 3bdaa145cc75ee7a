// The libcdio object behind a handle of the CD drive library, for the CR_* layer, which reads
// the same drives through libcdio-paranoia and so shares the drive library's drive list, cue
// sheet handling and reads instead of opening the drives a second way; and the image a handle
// reads, for the readers of a disc's CD-TEXT.
#pragma once

#include <QString>

#include <cdio/cdio.h>

// The handle's libcdio object, or nullptr for a handle that is not open. It belongs to the
// handle and is valid until CloseCDHandle (or a CDMediaChanged that reports a change). The
// caller must be the handle's only user meanwhile: libcdio objects are not thread-safe and
// the drive library locks only its own calls.
CdIo_t* CDHandleCdio(int handle);

// The image file (.cue, .toc, .nrg) a handle's drive reads; empty for a physical drive or a
// handle that is not open.
QString CDHandleImage(int handle);
