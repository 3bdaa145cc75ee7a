// The output folder of rips and conversions (CommonOptions/OutputFolder) as the main window
// checks it before a job: it must exist and take new files.
#pragma once

// A missing folder: asks whether to create it and does so. False when the user declined or it
// could not be made (the user was told).
bool CreateOutputFolderOnRequest();
// The folder exists and a file can be created in it; otherwise the user is told and false.
bool OutputFolderUsable();
