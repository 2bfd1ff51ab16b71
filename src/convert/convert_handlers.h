#pragma once

#include "form/form1.h"

namespace orlenda {

inline constexpr char kNoFilesMessage[] = "No files added.";
inline constexpr char kFolderMissingMessage[] =
    "Folder does not exist. Please select another folder.";
inline constexpr char kProcessingPrefix[] = "Processing: ";
inline constexpr char kListStillLoadingMessage[] =
    "The list is still being loaded from its file. Start again once all of its rows are in "
    "the list.";

// "Start Saving Web Sites As JPG": has the capture tool turn every row of the
// list into an image in the folder of the folder box, one row after another.
// A second click during a run does nothing; a click while a list file is
// still being read is refused with a message, so that a run never takes only
// part of a list. A failing row is reported and the run goes on with the next. The run ends with
// "Done." and, when rows were not saved, which and why, and a list of them to load and try again;
// then the rows saved with a warning, and what the warning says.
void PushButton2_Click(Form1& form);

// The window is closing in the middle of a run: leaves the list of the rows
// not known to be saved (those that failed, the one being captured, those not
// reached) as the run's end would, and says nothing, for the program ends at
// once. Does nothing when no run is converting. Returns how the program
// must end: when no folder took the list, with the rows' addresses on
// standard error and a failure, so that they are not lost.
platform::ProgramEnd LeaveRetryListOfStoppedRun(Form1& form);

}  // namespace orlenda
