#pragma once
// The start dialog in a small window of its own: full screen or windowed, "Go!" or "Yuck!".

#include "platform/StartDialogModel.h"

// Shows the dialog modally and returns its final state. Enter is "Go!", Escape and closing the window
// are "Yuck!". The SDL back-end initialises SDL video for its own use and shuts it down again; the Win32
// back-end runs the MAINRUTA dialog resource. Returns false when no window can be made (no display).
bool runStartDialog(StartDialogModel& model);
