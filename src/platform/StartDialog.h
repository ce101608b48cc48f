#pragma once
// The start dialog in a small window of its own: full screen or windowed, "Go!" or "Yuck!".

#include "platform/StartDialogModel.h"

struct SDL_Surface;
union SDL_Event;

// Shows the dialog modally and returns its final state. Enter is "Go!", Escape and closing the window
// are "Yuck!". The SDL back-end initialises SDL video for its own use and shuts it down again; the Win32
// back-end runs the MAINRUTA dialog resource. Returns false when no window can be made (no display).
bool runStartDialog(StartDialogModel& model);

// The SDL back-end's dialog, open to its tests.
// What the SDL dialog adds to the model: keyboard focus and the button the mouse went down on.
struct StartDialogInput {
    enum Focus : int { FocusChoice, FocusGo, FocusYuck, kFocusCount };
    int focus = FocusChoice;    // the radio group, or one of the two push buttons
    int pressed = 0;            // id of the control the left button went down on; 0 = none
    bool pressedInside = false; // the mouse is still over that control
};

// Carries out one event: Tab and Shift+Tab move the focus between the radio group and the two
// buttons, the arrows move the choice within the group, Space presses the focused button, Enter is
// "Go!", Escape is "Yuck!"; a click acts when the left button goes down and up over the same control.
// Returns true when the dialog looks different afterwards.
bool handleStartDialogEvent(StartDialogModel& model, StartDialogInput& input, const SDL_Event& event);
// The control at dialog pixel (x, y), or 0.
int startDialogControlAt(int x, int y);
// Draws the dialog into a 32-bit surface of startDialogWidth() x startDialogHeight() pixels.
// Returns false when the font could not be opened (the text is then missing).
bool drawStartDialog(SDL_Surface* surface, const StartDialogModel& model, const StartDialogInput& input);
int startDialogWidth();
int startDialogHeight();
