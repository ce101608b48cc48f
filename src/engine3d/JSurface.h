#pragma once
// A material shared by name between the meshes of one surface list: colour, shading flags, reflection and the
// colour texture with its planar or cylindrical projection.

#include "data/Bitmap.h"
#include "engine3d/JVector.h"

#include <cstdint>
#include <memory>

class JItem;

class JSurface {
public:
    static constexpr int kNameCapacity = 256; // 255 characters and a NUL
    enum : int32_t { MappingPlanar = 0, MappingCylindrical = 1 };
    enum : int32_t { AxisX = 0, AxisY = 1, AxisZ = 2 };

    // Every field back to the default of a new entry; `text` (at most 255 characters) becomes the name.
    void reset(const char* text);
    // Marks the entry free again and drops its texture.
    void clear();
    bool isFree() const { return name[0] == '\0'; }

    char name[kNameCapacity] = {};               // empty = free entry
    int32_t red = 255, green = 255, blue = 255;  // base colour 0..255, multiplies the lit colour
    std::unique_ptr<Bitmap> texture;             // colour texture picture (owned), or null
    int32_t textureWidth = 0, textureHeight = 0; // of the picture, kept when its pixels are released
    int32_t smooth = 0;                          // 1 = Gouraud with per-vertex colours
    int32_t doubleSided = 0;                     // 1 = no back-face test
    float specular = 0.0f;                       // 0..1
    float diffuse = 1.0f;                        // 0..1
    float glossiness = 32.0f;                    // specular exponent
    const Bitmap* textureHandle = nullptr;       // the render context's copy; null = untextured
    int32_t mapping = MappingPlanar;
    int32_t axis = AxisX;
    JVector textureSize{1, 1, 1};   // one texture repeat in object units
    JVector textureCentre{0, 0, 0}; // centre of the projection
    JItem* referenceItem = nullptr; // texture reference item (not owned), resolved after a scene load
    char referenceName[kNameCapacity] = {};
};
