#pragma once
// Helpers for the tests that open real windows: display check, test frames, synthetic events.

#include "data/Bitmap.h"

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

inline bool haveDisplay()
{
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

// A pattern in which neighbouring pixels differ in every channel; the top byte is set on purpose
// (it must not reach the screen).
inline uint32_t pattern(int32_t x, int32_t y, uint32_t seed)
{
    return 0xA5000000u | ((uint32_t(x) * 7u + seed) & 0xFF) << 16 | ((uint32_t(y) * 5u + seed * 3u) & 0xFF) << 8 |
           ((uint32_t(x + y) * 3u + seed) & 0xFF);
}

inline void fillPattern(Bitmap& b, uint32_t seed)
{
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x)
            b.row32(y)[x] = pattern(x, y, seed);
}

// Waits for something the window thread does in answer to an event; gives up after a few seconds.
template<class F>
bool eventually(F condition)
{
    for (int i = 0; i < 3000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

inline void pushKey(uint32_t type, SDL_Keycode key)
{
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = key;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

inline void pushMotion(int32_t x, int32_t y, uint32_t state)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    SDL_PushEvent(&e);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};
