#pragma once
// A scene item without geometry: a pivot for hierarchies, a texture reference, or the stand-in for an
// object that failed to load.

#include "engine3d/JItem.h"

class JNull final : public JItem {
public:
    explicit JNull(const char* itemName = nullptr);
};
