#pragma once
// The start dialog in a small window of its own: full screen or windowed, "Go!" or "Yuck!".

#include "platform/StartDialogModel.h"

// Shows the dialog modally and returns its final state. Enter is "Go!", Escape and closing the window
// are "Yuck!". Initialises SDL video for its own use and shuts it down again.
// Returns false when no window can be made (no display).
bool runStartDialog(StartDialogModel& model);
