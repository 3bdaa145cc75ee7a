// The demo disc in the main window: `discwright --demo` and the no-device hint open it as the
// current drive, for trying the program before a CD is at hand.
#pragma once

class TMainController;

// Writes the demo disc on first use (see cd/DemoDisc.h) and opens it as "File > Open disc
// image..." opens an image: it becomes a drive, the open one, and its tracks are listed.
// False, with a message, when it cannot be written or opened.
bool OpenDemoDisc(TMainController& controller);
