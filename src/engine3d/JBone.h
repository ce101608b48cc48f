#pragma once
// One bone of a skinned object: a scene item (its current pose comes from its motion) with its rest pose and
// its influence weight on every rest vertex of the object.

#include "engine3d/JItem.h"

#include <cstdint>
#include <vector>

class JBone final : public JItem {
public:
    static constexpr int32_t kDefaultFalloff = 4;

    JBone();

    JVector restPosition{0, 0, 0};     // bone origin in the rest pose, in the parent bone's space
    JVector restDirection{0, 0, 0};    // rest rotation in degrees: pitch, -heading, -bank
    double restLength = 0.0;           // along the local +z axis
    double restStrength = 1.0;         // 0..1
    int32_t active = 0;                // 0 = no influence
    int32_t scaleStrength = 1;         // non-zero = the strength is multiplied by restLength
    int32_t falloff = kDefaultFalloff; // 2^(type - 1) from the scene; recorded, not used by the weights
    JMatrix restInverse;               // inverseWorld in the rest pose
    // One normalised weight per rest vertex of the skeleton's mesh. Doubles: a bone right on a vertex
    // weighs up to 1e20 before normalisation, which a 32-bit float would hold but not sum to 1 exactly.
    std::vector<double> weights;
    int32_t weightCount = 0;
};
