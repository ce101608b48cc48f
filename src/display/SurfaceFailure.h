#pragma once
// The fullscreen output's failure messages: a failure code, the text shown for it, and how an SDL
// error reason maps onto a code.

#include <cstdint>

// Caption of the message box shown when a depth's frame texture cannot be made.
inline constexpr const char* kSurfaceFailureCaption = "Could not shit!";

enum SurfaceFailureCode : uint32_t {
    SurfaceOutOfMemory = 0x8007000Eu,
    SurfaceInvalidParams = 0x80070057u,
    SurfaceGeneric = 0x80004005u,
    SurfaceIncompatiblePrimary = 0x8876005Fu,
    SurfaceInvalidCaps = 0x88760064u,
    SurfaceInvalidObject = 0x88760082u,
    SurfaceInvalidPixelFormat = 0x88760091u,
    SurfaceNoAlphaHw = 0x887600B4u,
    SurfaceNoCooperativeLevelSet = 0x887600D4u,
    SurfaceNoExclusiveMode = 0x887600E1u,
    SurfaceNoFlipHw = 0x887600E6u,
    SurfaceNoOverlayHw = 0x88760104u,
    SurfaceNoZBufferHw = 0x88760154u,
    SurfaceOutOfVideoMemory = 0x8876017Cu,
    SurfaceNoHardware = 0x88760233u,
    SurfacePrimaryExists = 0x88760234u,
    SurfaceNoEmulation = 0x88760235u,
    SurfaceNoMipMapHw = 0x8876024Fu,
};

// The message for a failure code (UTF-8); unknown codes share one text.
const char* surfaceFailureText(uint32_t code);
// The code for an SDL error reason: memory, pixel format and size problems have their own codes,
// everything else (and a null reason) is SurfaceGeneric.
uint32_t surfaceFailureCode(const char* reason);
