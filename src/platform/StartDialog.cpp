#include "platform/StartDialog.h"

#include "platform/SdlPlatform.h"

#include <SDL.h>

#include <cstring>

namespace {

// Dialog units to pixels for an 8-point system font, doubled for today's screens.
constexpr int kUnitX = 3;
constexpr int kUnitYNum = 13, kUnitYDen = 4;
constexpr int kTextScale = 2;

struct Control {
    int id;
    bool button; // push button, else radio button
    const char* text;
    int x, y, w, h; // dialog units
};

constexpr Control kControls[] = {
    {StartDialogModel::Go, true, "Go!", 129, 6, 50, 14},
    {StartDialogModel::Yuck, true, "Yuck!", 129, 24, 50, 14},
    {StartDialogModel::Fullscreen, false, "DirectDraw Fullscreen", 7, 10, 96, 10},
    {StartDialogModel::Windowed, false, "Windowed Mode", 7, 24, 96, 10},
};

SDL_Rect pixelRect(const Control& c)
{
    return {c.x * kUnitX, c.y * kUnitYNum / kUnitYDen, c.w * kUnitX, c.h * kUnitYNum / kUnitYDen};
}

// A 5 x 7 pixel font holding the letters the dialog shows.
struct Glyph {
    char c;
    const char* rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'D', {"XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."}},
    {'F', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "X...."}},
    {'G', {".XXX.", "X...X", "X....", "X.XXX", "X...X", "X...X", ".XXXX"}},
    {'M', {"X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"}},
    {'W', {"X...X", "X...X", "X...X", "X.X.X", "X.X.X", "XX.XX", "X...X"}},
    {'Y', {"X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."}},
    {'a', {".....", ".....", ".XXX.", "....X", ".XXXX", "X...X", ".XXXX"}},
    {'c', {".....", ".....", ".XXX.", "X....", "X....", "X...X", ".XXX."}},
    {'d', {"....X", "....X", ".XXXX", "X...X", "X...X", "X...X", ".XXXX"}},
    {'e', {".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."}},
    {'i', {"..X..", ".....", ".XX..", "..X..", "..X..", "..X..", ".XXX."}},
    {'k', {"X....", "X....", "X..X.", "X.X..", "XX...", "X.X..", "X..X."}},
    {'l', {".XX..", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."}},
    {'n', {".....", ".....", "X.XX.", "XX..X", "X...X", "X...X", "X...X"}},
    {'o', {".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."}},
    {'r', {".....", ".....", "X.XX.", "XX..X", "X....", "X....", "X...."}},
    {'s', {".....", ".....", ".XXXX", "X....", ".XXX.", "....X", "XXXX."}},
    {'t', {".X...", ".X...", "XXX..", ".X...", ".X...", ".X..X", "..XX."}},
    {'u', {".....", ".....", "X...X", "X...X", "X...X", "X..XX", ".XX.X"}},
    {'w', {".....", ".....", "X...X", "X...X", "X.X.X", "X.X.X", ".X.X."}},
    {'!', {"..X..", "..X..", "..X..", "..X..", "..X..", ".....", "..X.."}},
};

void fill(SDL_Surface* s, const SDL_Rect& r, uint32_t rgb)
{
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)));
}

void frame(SDL_Surface* s, const SDL_Rect& r, uint32_t light, uint32_t dark)
{
    fill(s, {r.x, r.y, r.w, 1}, light);
    fill(s, {r.x, r.y, 1, r.h}, light);
    fill(s, {r.x, r.y + r.h - 1, r.w, 1}, dark);
    fill(s, {r.x + r.w - 1, r.y, 1, r.h}, dark);
}

int textWidth(const char* text)
{
    return int(std::strlen(text)) * 6 * kTextScale - kTextScale;
}

void text(SDL_Surface* s, int x, int y, const char* t)
{
    for (; *t; ++t, x += 6 * kTextScale) {
        for (const Glyph& g : kGlyphs) {
            if (g.c != *t)
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g.rows[row][col] == 'X')
                        fill(s, {x + col * kTextScale, y + row * kTextScale, kTextScale, kTextScale}, 0x000000);
        }
    }
}

void draw(SDL_Window* window, const StartDialogModel& model)
{
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s)
        return;
    fill(s, {0, 0, s->w, s->h}, 0xC0C0C0);
    for (const Control& c : kControls) {
        const SDL_Rect r = pixelRect(c);
        const int ty = r.y + (r.h - 7 * kTextScale) / 2;
        if (c.button) {
            frame(s, r, 0xFFFFFF, 0x404040);
            if (c.id == StartDialogModel::Go)
                frame(s, {r.x - 1, r.y - 1, r.w + 2, r.h + 2}, 0x000000, 0x000000); // the default button
            text(s, r.x + (r.w - textWidth(c.text)) / 2, ty, c.text);
        } else {
            const int box = 7 * kTextScale;
            const SDL_Rect dot = {r.x, ty, box, box};
            fill(s, dot, 0xFFFFFF);
            frame(s, dot, 0x404040, 0xFFFFFF);
            const bool checked = (c.id == StartDialogModel::Windowed) == (model.windowed == 1);
            if (checked)
                fill(s, {dot.x + box / 4 + 1, dot.y + box / 4 + 1, box / 2 - 1, box / 2 - 1}, 0x000000);
            text(s, r.x + box + 3 * kTextScale, ty, c.text);
        }
    }
    SDL_UpdateWindowSurface(window);
}

} // namespace

bool runStartDialog(StartDialogModel& model)
{
    model.initialise();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    if (!SdlPlatform::videoReachesAScreen()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO); // nobody could see the dialog, let alone click it
        return false;
    }
    SDL_Window* window = SDL_CreateWindow("\"Kalvora\" by Quorvel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          186 * kUnitX, 46 * kUnitYNum / kUnitYDen, SDL_WINDOW_SHOWN);
    if (!window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    draw(window, model);
    SDL_Event e;
    while (!model.ended && SDL_WaitEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT: model.close(); break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                model.close();
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
                draw(window, model);
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER)
                model.command(StartDialogModel::Go);
            else if (e.key.keysym.sym == SDLK_ESCAPE)
                model.command(StartDialogModel::Yuck);
            else if (e.key.keysym.sym == SDLK_UP || e.key.keysym.sym == SDLK_DOWN)
                model.command(model.windowed ? StartDialogModel::Fullscreen : StartDialogModel::Windowed);
            draw(window, model);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT) {
                const SDL_Point p = {e.button.x, e.button.y};
                for (const Control& c : kControls) {
                    const SDL_Rect r = pixelRect(c);
                    if (SDL_PointInRect(&p, &r))
                        model.command(c.id);
                }
                draw(window, model);
            }
            break;
        default: break;
        }
    }
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}
