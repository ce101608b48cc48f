#include "platform/SdlStartDialog.h"
#include "platform/StartDialog.h"

#include "platform/SdlPlatform.h"

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Dialog units to pixels for an 8-point system font, doubled for today's screens.
constexpr int kUnitX = 3;
constexpr int kUnitYNum = 13, kUnitYDen = 4;
constexpr int kDialogUnitsWide = 186, kDialogUnitsHigh = 46;
constexpr int kTextPixels = 15;  // the font's size, pixels per em
constexpr int kRadioPixels = 20; // the radio button's circle
constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

constexpr uint32_t kFace = 0xC0C0C0, kLight = 0xFFFFFF, kShadow = 0x808080, kDark = 0x404040, kInk = 0x000000;

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

// The focus stops, in Tab order: the group (at its checked button), "Go!", "Yuck!".
int focusedControl(const StartDialogModel& model, const StartDialogInput& input)
{
    if (input.focus == StartDialogInput::FocusGo)
        return StartDialogModel::Go;
    if (input.focus == StartDialogInput::FocusYuck)
        return StartDialogModel::Yuck;
    return model.windowed ? StartDialogModel::Windowed : StartDialogModel::Fullscreen;
}

int focusOf(int id)
{
    return id == StartDialogModel::Go     ? StartDialogInput::FocusGo
           : id == StartDialogModel::Yuck ? StartDialogInput::FocusYuck
                                          : StartDialogInput::FocusChoice;
}

// Space on the focused control: a push button is pressed, a radio button is chosen.
void pressFocused(StartDialogModel& model, const StartDialogInput& input)
{
    model.command(focusedControl(model, input));
}

bool handleKey(StartDialogModel& model, StartDialogInput& input, const SDL_KeyboardEvent& key)
{
    switch (key.keysym.sym) {
    case SDLK_TAB: {
        const int step = (key.keysym.mod & KMOD_SHIFT) ? StartDialogInput::kFocusCount - 1 : 1;
        input.focus = (input.focus + step) % StartDialogInput::kFocusCount;
        return true;
    }
    case SDLK_UP:
    case SDLK_DOWN:
    case SDLK_LEFT:
    case SDLK_RIGHT:
        if (input.focus != StartDialogInput::FocusChoice)
            return false;
        // Two buttons in the group: any arrow moves to the other one, and choosing is checking.
        model.command(model.windowed ? StartDialogModel::Fullscreen : StartDialogModel::Windowed);
        return true;
    case SDLK_SPACE: pressFocused(model, input); return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: model.command(StartDialogModel::Go); return true;
    case SDLK_ESCAPE: model.command(StartDialogModel::Yuck); return true;
    default: return false;
    }
}

bool handleButton(StartDialogModel& model, StartDialogInput& input, const SDL_MouseButtonEvent& button)
{
    if (button.button != SDL_BUTTON_LEFT)
        return false;
    const int at = startDialogControlAt(button.x, button.y);
    if (button.type == SDL_MOUSEBUTTONDOWN) {
        input.pressed = at;
        input.pressedInside = at != 0;
        if (at)
            input.focus = focusOf(at);
        return true;
    }
    const int pressed = input.pressed;
    input.pressed = 0;
    input.pressedInside = false;
    if (pressed && pressed == at)
        model.command(at);
    return true;
}

void fill(SDL_Surface* s, const SDL_Rect& r, uint32_t rgb)
{
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)));
}

void frame(SDL_Surface* s, const SDL_Rect& r, uint32_t topLeft, uint32_t bottomRight)
{
    fill(s, {r.x, r.y, r.w, 1}, topLeft);
    fill(s, {r.x, r.y, 1, r.h}, topLeft);
    fill(s, {r.x, r.y + r.h - 1, r.w, 1}, bottomRight);
    fill(s, {r.x + r.w - 1, r.y, 1, r.h}, bottomRight);
}

// Every other pixel of the rectangle's border, as dialogs mark the focused control.
void dottedFrame(SDL_Surface* s, const SDL_Rect& r)
{
    for (int x = r.x; x < r.x + r.w; x += 2) {
        fill(s, {x, r.y, 1, 1}, kInk);
        fill(s, {x, r.y + r.h - 1, 1, 1}, kInk);
    }
    for (int y = r.y; y < r.y + r.h; y += 2) {
        fill(s, {r.x, y, 1, 1}, kInk);
        fill(s, {r.x + r.w - 1, y, 1, 1}, kInk);
    }
}

uint32_t* pixelAt(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + ptrdiff_t(y) * s->pitch) + x;
}

// Mixes `rgb` into the pixel by `cover` (0..255).
void blend(SDL_Surface* s, int x, int y, uint32_t rgb, int cover)
{
    if (x < 0 || y < 0 || x >= s->w || y >= s->h || cover <= 0)
        return;
    uint8_t r, g, b;
    SDL_GetRGB(*pixelAt(s, x, y), s->format, &r, &g, &b);
    auto mix = [cover](int from, int to) { return uint8_t(from + (to - from) * cover / 255); };
    *pixelAt(s, x, y) =
        SDL_MapRGB(s->format, mix(r, int(rgb >> 16 & 255)), mix(g, int(rgb >> 8 & 255)), mix(b, int(rgb & 255)));
}

// A round radio button: a sunken white disc, and a black dot when checked; edges antialiased.
void radio(SDL_Surface* s, int left, int top, bool checked)
{
    const double centre = (kRadioPixels - 1) / 2.0, outer = kRadioPixels / 2.0, dot = kRadioPixels / 5.0;
    for (int y = 0; y < kRadioPixels; ++y) {
        for (int x = 0; x < kRadioPixels; ++x) {
            const double d = std::hypot(x - centre, y - centre);
            const int inside = int(std::clamp(outer - d, 0.0, 1.0) * 255);
            const uint32_t edge = y + x < kRadioPixels - 1 ? kShadow : kLight;
            blend(s, left + x, top + y, d > outer - 1.5 ? edge : kLight, inside);
            if (checked)
                blend(s, left + x, top + y, kInk, int(std::clamp(dot - d + 0.5, 0.0, 1.0) * 255));
        }
    }
}

// Text in DejaVu Sans through FreeType, opened once for the process.
class DialogFont {
public:
    DialogFont()
    {
        if (FT_Init_FreeType(&m_library) != 0)
            return;
        if (FT_New_Face(m_library, kFontPath, 0, &m_face) != 0 || FT_Set_Pixel_Sizes(m_face, 0, kTextPixels) != 0)
            m_face = nullptr;
    }
    ~DialogFont()
    {
        if (m_face)
            FT_Done_Face(m_face);
        if (m_library)
            FT_Done_FreeType(m_library);
    }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    bool ok() const { return m_face != nullptr; }
    int width(const char* text)
    {
        int w = 0;
        for (; ok() && *text; ++text)
            if (FT_Load_Char(m_face, FT_ULong(uint8_t(*text)), FT_LOAD_DEFAULT) == 0)
                w += int(m_face->glyph->advance.x >> 6);
        return w;
    }
    // Distance from a line's top to its baseline, and a line's height.
    int ascent() const { return ok() ? int(m_face->size->metrics.ascender >> 6) : 0; }
    int lineHeight() const { return ok() ? int(m_face->size->metrics.height >> 6) : 0; }
    // Draws `text` with its line's top at y.
    void draw(SDL_Surface* s, int x, int y, const char* text)
    {
        const int baseline = y + ascent();
        for (; ok() && *text; ++text) {
            if (FT_Load_Char(m_face, FT_ULong(uint8_t(*text)), FT_LOAD_RENDER) != 0)
                continue;
            const FT_GlyphSlot g = m_face->glyph;
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col)
                    blend(s, x + g->bitmap_left + int(col), baseline - g->bitmap_top + int(row), kInk,
                          g->bitmap.buffer[ptrdiff_t(row) * g->bitmap.pitch + col]);
            x += int(g->advance.x >> 6);
        }
    }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

DialogFont& dialogFont()
{
    static DialogFont font;
    return font;
}

void drawButton(SDL_Surface* s, const Control& c, const StartDialogModel& model, const StartDialogInput& input)
{
    DialogFont& font = dialogFont();
    const SDL_Rect r = pixelRect(c);
    const bool down = input.pressed == c.id && input.pressedInside;
    frame(s, r, down ? kDark : kLight, down ? kLight : kDark);
    frame(s, {r.x + 1, r.y + 1, r.w - 2, r.h - 2}, down ? kShadow : kFace, down ? kFace : kShadow);
    if (c.id == StartDialogModel::Go)
        frame(s, {r.x - 1, r.y - 1, r.w + 2, r.h + 2}, kInk, kInk); // the default button
    const int shift = down ? 1 : 0;
    font.draw(s, r.x + (r.w - font.width(c.text)) / 2 + shift, r.y + (r.h - font.lineHeight()) / 2 + shift, c.text);
    if (focusedControl(model, input) == c.id)
        dottedFrame(s, {r.x + 4, r.y + 4, r.w - 8, r.h - 8});
}

void drawRadio(SDL_Surface* s, const Control& c, const StartDialogModel& model, const StartDialogInput& input)
{
    DialogFont& font = dialogFont();
    const SDL_Rect r = pixelRect(c);
    const bool checked = (c.id == StartDialogModel::Windowed) == (model.windowed == 1);
    radio(s, r.x, r.y + (r.h - kRadioPixels) / 2, checked);
    const int tx = r.x + kRadioPixels + 8, ty = r.y + (r.h - font.lineHeight()) / 2;
    font.draw(s, tx, ty, c.text);
    if (focusedControl(model, input) == c.id)
        dottedFrame(s, {tx - 2, ty - 1, font.width(c.text) + 4, font.lineHeight() + 2});
}

} // namespace

int startDialogWidth()
{
    return kDialogUnitsWide * kUnitX;
}

int startDialogHeight()
{
    return kDialogUnitsHigh * kUnitYNum / kUnitYDen;
}

int startDialogControlAt(int x, int y)
{
    const SDL_Point p = {x, y};
    for (const Control& c : kControls) {
        const SDL_Rect r = pixelRect(c);
        if (SDL_PointInRect(&p, &r))
            return c.id;
    }
    return 0;
}

bool handleStartDialogEvent(StartDialogModel& model, StartDialogInput& input, const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT: model.close(); return false;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            model.close();
        return event.window.event == SDL_WINDOWEVENT_EXPOSED;
    case SDL_KEYDOWN: return handleKey(model, input, event.key);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return handleButton(model, input, event.button);
    case SDL_MOUSEMOTION: {
        // A pressed button looks pressed only while the mouse is over it.
        const bool inside = input.pressed && startDialogControlAt(event.motion.x, event.motion.y) == input.pressed;
        const bool changed = inside != input.pressedInside;
        input.pressedInside = inside;
        return changed;
    }
    default: return false;
    }
}

bool drawStartDialog(SDL_Surface* surface, const StartDialogModel& model, const StartDialogInput& input)
{
    if (!surface || surface->format->BytesPerPixel != 4)
        return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return false;
    fill(surface, {0, 0, surface->w, surface->h}, kFace);
    for (const Control& c : kControls) {
        if (c.button)
            drawButton(surface, c, model, input);
        else
            drawRadio(surface, c, model, input);
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    return dialogFont().ok();
}

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
                                          startDialogWidth(), startDialogHeight(), SDL_WINDOW_SHOWN);
    SDL_Surface* canvas =
        SDL_CreateRGBSurfaceWithFormat(0, startDialogWidth(), startDialogHeight(), 32, SDL_PIXELFORMAT_XRGB8888);
    if (!window || !canvas) {
        if (window)
            SDL_DestroyWindow(window);
        SDL_FreeSurface(canvas);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    StartDialogInput input;
    // Drawn into a surface of known format, then copied to whatever the window's surface is.
    auto show = [&] {
        if (!drawStartDialog(canvas, model, input))
            SDL_Log("kalvora: the dialog's font %s could not be opened", kFontPath);
        if (SDL_Surface* screen = SDL_GetWindowSurface(window)) {
            SDL_BlitSurface(canvas, nullptr, screen, nullptr);
            SDL_UpdateWindowSurface(window);
        }
    };
    show();
    SDL_Event e;
    while (!model.ended && SDL_WaitEvent(&e)) {
        if (handleStartDialogEvent(model, input, e) && !model.ended)
            show();
    }
    SDL_FreeSurface(canvas);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}
