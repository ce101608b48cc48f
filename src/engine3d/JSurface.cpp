#include "engine3d/JSurface.h"

#include <cstring>

void JSurface::reset(const char* text)
{
    clear();
    std::strncpy(name, text ? text : "", kNameCapacity - 1);
    name[kNameCapacity - 1] = '\0';
    red = green = blue = 255;
    smooth = doubleSided = 0;
    specular = 0.0f;
    diffuse = 1.0f;
    glossiness = 32.0f;
    mapping = MappingPlanar;
    axis = AxisX;
    textureSize = {1, 1, 1};
    textureCentre = {0, 0, 0};
    referenceItem = nullptr;
    referenceName[0] = '\0';
}

void JSurface::clear()
{
    name[0] = '\0';
    texture.reset();
    textureWidth = textureHeight = 0;
    textureHandle = nullptr;
}
