#pragma once
// The SDL back-end's start dialog, open to its tests: its input state, event handling and drawing.

#include "platform/StartDialogModel.h"

struct SDL_Surface;
union SDL_Event;

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
