#include "display/SurfaceFailure.h"

#include <cctype>
#include <string>

const char* surfaceFailureText(uint32_t code)
{
    switch (code) {
    case SurfaceOutOfMemory: return "Nu har ditt graffikkort gått sönder";
    case SurfaceInvalidParams: return "Rullstols-parametrar";
    case SurfaceIncompatiblePrimary: return "Incomatible primary?";
    case SurfaceInvalidCaps: return "Rullstols-kaps";
    case SurfaceInvalidObject: return "Rullstols-objekt";
    case SurfaceInvalidPixelFormat: return "Rullstols-pixelformat";
    case SurfaceNoAlphaHw: return "Plocka lingon";
    case SurfaceNoCooperativeLevelSet: return "Could not shit";
    case SurfaceNoExclusiveMode: return "Exclusivemode";
    case SurfaceNoFlipHw: return "Could not flip";
    case SurfaceNoOverlayHw: return "Håve";
    case SurfaceNoZBufferHw: return "HåveZ";
    case SurfaceOutOfVideoMemory: return "Nu äter jag upp ditt grafikminne";
    case SurfaceNoHardware: return "Could not hardware-shit";
    case SurfacePrimaryExists: return "AJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJAJA";
    case SurfaceNoEmulation: return "No emulation";
    case SurfaceNoMipMapHw: return "MipMapDipDop";
    default: return "Kunde inte skita";
    }
}

uint32_t surfaceFailureCode(const char* reason)
{
    if (!reason)
        return SurfaceGeneric;
    std::string r(reason);
    for (char& c : r)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (r.find("out of memory") != std::string::npos)
        return SurfaceOutOfMemory;
    if (r.find("format") != std::string::npos)
        return SurfaceInvalidPixelFormat;
    if (r.find("dimensions") != std::string::npos || r.find("invalid") != std::string::npos)
        return SurfaceInvalidParams;
    return SurfaceGeneric;
}
