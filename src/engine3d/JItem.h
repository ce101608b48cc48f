#pragma once
// The base of everything placed in a scene (meshes, nulls, lights, the camera, bones): its name, motion
// channels, the transform of the current frame and the matrices that place it in the world and in camera space.

#include "engine3d/JMatrix.h"
#include "engine3d/JVector.h"

#include <cstdint>
#include <memory>

class JCamera;
class JEnvelope;

class JItem {
public:
    // Type codes, set by each concrete class; the passes dispatch on them.
    static constexpr int32_t kTypeMesh = 0;
    static constexpr int32_t kTypeCamera = 1;
    static constexpr int32_t kTypeLight = 2;
    static constexpr int32_t kTypeNull = 3;
    static constexpr int32_t kTypeBone = 256;
    static constexpr int kNameCapacity = 256; // 255 characters and a NUL

    virtual ~JItem();
    JItem(const JItem&) = delete;
    JItem& operator=(const JItem&) = delete;

    // Copies at most 255 characters; null gives the empty name.
    void setName(const char* text);
    // Recomputes the position, rotation and scale from the envelopes when `frame` differs from the last
    // evaluated one, then always rebuilds translation, rotationMatrix, scaling and pivotMatrix from them.
    void evaluateMotion(double frame);
    // local, inverseLocal, world, inverseWorld, referenceMatrix and worldOrigin; the parents are computed
    // first, every time (nothing is cached).
    void computeWorld();
    // world := camera view x world; inverseWorld := inverseWorld x camera viewInverse; cameraOrigin.
    void cameraSpacePass(const JCamera& camera);
    // Links `item` as the parent. Refuses (returns 0) a link that would make a cycle; null unlinks.
    int setParent(JItem* item);
    // The three envelopes (owned), replacing earlier ones; sets hasMotion.
    void setMotion(std::unique_ptr<JEnvelope> positionChannel, std::unique_ptr<JEnvelope> rotationChannel,
                   std::unique_ptr<JEnvelope> scaleChannel);
    // 1 / value, and 0 for a zero scale so that a flattened item keeps finite inverse matrices.
    static double reciprocalOrZero(double value) { return value == 0.0 ? 0.0 : 1.0 / value; }

    int32_t type;
    char name[kNameCapacity] = {};
    int32_t hasMotion = 0;
    JMatrix translation, rotationMatrix, scaling; // the three factors of the current frame
    JMatrix local;                                // item space -> parent space
    JMatrix inverseLocal;                         // parent space -> item space
    JMatrix pivotMatrix;                          // translation by -pivot
    JMatrix world, inverseWorld; // item <-> world space; after the camera-space pass item <-> camera space
    JMatrix referenceMatrix;     // inverseWorld as of the world pass (world -> item), for texture references
    std::unique_ptr<JEnvelope> positionEnvelope, rotationEnvelope, scaleEnvelope;
    JVector position{0, 0, 0}; // in the parent's space
    JVector rotation{0, 0, 0}; // degrees: x = pitch, y = -heading, z = -bank
    JVector scale{1, 1, 1};
    JVector pivot{0, 0, 0}; // the point of the item that position moves and rotation turns about
    JVector worldOrigin{0, 0, 0};
    JVector cameraOrigin{0, 0, 0};
    double lastFrame = -1.0; // frame of the last envelope evaluation
    JItem* parent = nullptr; // not owned

protected:
    explicit JItem(int32_t typeCode);
};
