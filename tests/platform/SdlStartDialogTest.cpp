// The start dialog: its commands, its keys and clicks through the event function, and how it is drawn.

#include "platform/SdlStartDialog.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

// Centres of the controls in dialog pixels (dialog units x 3 across, x 13 / 4 down).
constexpr int kGoX = 462, kGoY = 41, kYuckX = 462, kYuckY = 100, kWindowedX = 165, kWindowedY = 94;

SDL_Event key(SDL_Keycode sym, uint16_t mod = KMOD_NONE)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event button(uint32_t type, int x, int y)
{
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    return e;
}

// A fresh dialog, then the events in order.
StartDialogModel after(std::initializer_list<SDL_Event> events)
{
    StartDialogModel model;
    model.initialise();
    StartDialogInput input;
    for (const SDL_Event& e : events)
        handleStartDialogEvent(model, input, e);
    return model;
}

uint32_t pixel(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x] & 0xFFFFFF;
}

} // namespace

TEST(StartDialog, LastRadioCommandWinsAndCloseKeepsGo)
{
    StartDialogModel m;
    m.initialise();
    EXPECT_EQ(m.windowed, 0);
    m.command(StartDialogModel::Windowed);
    m.command(1234); // ignored
    EXPECT_FALSE(m.ended);
    m.command(StartDialogModel::Fullscreen);
    m.command(StartDialogModel::Go);
    EXPECT_TRUE(m.ended);
    EXPECT_EQ(m.go, 1);
    EXPECT_EQ(m.windowed, 0);

    m.initialise();
    m.close();
    EXPECT_TRUE(m.ended);
    EXPECT_EQ(m.go, 0);
    m.initialise();
    m.command(StartDialogModel::Yuck);
    EXPECT_EQ(m.go, 0);
}

TEST(StartDialog, KeysMoveTheFocusAndPressAsInAStandardDialog)
{
    ASSERT_EQ(startDialogControlAt(kGoX, kGoY), StartDialogModel::Go);
    ASSERT_EQ(startDialogControlAt(kYuckX, kYuckY), StartDialogModel::Yuck);
    ASSERT_EQ(startDialogControlAt(kWindowedX, kWindowedY), StartDialogModel::Windowed);
    // The focus starts on the group; Tab goes on to "Go!", Shift+Tab back round to "Yuck!".
    StartDialogModel m = after({key(SDLK_TAB), key(SDLK_SPACE)});
    EXPECT_TRUE(m.ended && m.go == 1);
    m = after({key(SDLK_TAB, KMOD_LSHIFT), key(SDLK_SPACE)});
    EXPECT_TRUE(m.ended && m.go == 0);
    m = after({key(SDLK_TAB), key(SDLK_TAB), key(SDLK_TAB), key(SDLK_DOWN), key(SDLK_SPACE)});
    EXPECT_FALSE(m.ended) << "Space on the group only chooses";
    EXPECT_EQ(m.windowed, 1) << "the arrows move within the group";
    m = after({key(SDLK_TAB), key(SDLK_DOWN)});
    EXPECT_EQ(m.windowed, 0) << "not while a push button has the focus";
    m = after({key(SDLK_DOWN), key(SDLK_UP), key(SDLK_RIGHT), key(SDLK_RETURN)});
    EXPECT_TRUE(m.ended && m.go == 1 && m.windowed == 1) << "Enter is Go!";
    m = after({key(SDLK_TAB), key(SDLK_ESCAPE)});
    EXPECT_TRUE(m.ended && m.go == 0) << "Escape is Yuck!";
}

TEST(StartDialog, AClickActsOnlyWhenPressedAndReleasedOverTheSameControl)
{
    StartDialogModel m = after({button(SDL_MOUSEBUTTONDOWN, kGoX, kGoY), button(SDL_MOUSEBUTTONUP, kYuckX, kYuckY)});
    EXPECT_FALSE(m.ended);
    m = after({button(SDL_MOUSEBUTTONUP, kGoX, kGoY)});
    EXPECT_FALSE(m.ended) << "a release without its press";
    m = after({button(SDL_MOUSEBUTTONDOWN, kWindowedX, kWindowedY), button(SDL_MOUSEBUTTONUP, kWindowedX, kWindowedY),
               button(SDL_MOUSEBUTTONDOWN, kYuckX, kYuckY), button(SDL_MOUSEBUTTONUP, kYuckX, kYuckY)});
    EXPECT_TRUE(m.ended && m.go == 0 && m.windowed == 1);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    m = after({button(SDL_MOUSEBUTTONDOWN, kGoX, kGoY), close});
    EXPECT_TRUE(m.ended && m.go == 0) << "closing keeps go as it was";
}

TEST(StartDialog, RadioButtonsAreRoundAndTheTextIsSetInAnAntialiasedFont)
{
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, startDialogWidth(), startDialogHeight(), 32, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(s, nullptr);
    StartDialogModel model;
    model.initialise();
    ASSERT_TRUE(drawStartDialog(s, model, StartDialogInput())) << "DejaVu Sans (fonts-dejavu-core)";
    // The full-screen choice's 20-pixel circle at (21, 38): its box's corner is the dialog's face.
    EXPECT_EQ(pixel(s, 21, 38), 0xC0C0C0u);
    EXPECT_EQ(pixel(s, 31, 48), 0x000000u) << "the checked one's dot";
    EXPECT_EQ(pixel(s, 31, 94), 0xFFFFFFu) << "the other one's white centre";
    // Inside the "Go!" button: black ink, and the greys of antialiased edges between ink and face.
    int ink = 0, edge = 0;
    for (int y = 19 + 6; y < 19 + 45 - 6; ++y)
        for (int x = 387 + 6; x < 387 + 150 - 6; ++x) {
            const uint32_t p = pixel(s, x, y);
            ink += p == 0;
            edge += p != 0 && p != 0xC0C0C0u && (p & 255) == (p >> 16);
        }
    EXPECT_GT(ink, 0);
    EXPECT_GT(edge, 0);
    StartDialogInput in;
    in.focus = StartDialogInput::FocusGo;
    in.pressed = StartDialogModel::Yuck;
    in.pressedInside = true;
    model.windowed = 1;
    drawStartDialog(s, model, in);
    SDL_FreeSurface(s);
}
