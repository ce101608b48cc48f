#pragma once
// The bones of one mesh and the mesh's rest pose: weights computed once from the rest pose, then every frame
// each vertex is the weighted sum of where each bone's movement away from its rest pose takes it.

#include "engine3d/JMatrix.h"
#include "engine3d/JVector.h"

#include <cstdint>
#include <vector>

class JBone;
class JMesh;

class JSkeleton {
public:
    static constexpr int32_t kDefaultCapacity = 256;
    // A vertex closer to a bone than this counts as this far (a vertex on the axis follows that bone).
    static constexpr double kMinimumDistance = 1e-10;

    explicit JSkeleton(int32_t boneCapacity = kDefaultCapacity);
    JSkeleton(const JSkeleton&) = delete;
    JSkeleton& operator=(const JSkeleton&) = delete;
    // The bones (and the weights each bone owns) belong to the scene and are not touched, whatever the
    // order in which the scene and the mesh go.
    ~JSkeleton();

    // Appends a bone (not owned); 0 when full or null.
    int addBone(JBone* bone);
    // Once after the scene is loaded and linked: copies the mesh's rest positions and computes the weights.
    void prepare(JMesh& mesh);
    // Every frame after the world pass: rewrites the mesh's vertex positions from the bones' current worlds.
    void deform(JMesh& mesh);

    // The same two steps on plain points: weights for `count` rest positions ...
    void prepare(const JVector* restPoints, int32_t count);
    // ... each bone's movement world x restInverse for the current frame ...
    void updateMovements();
    // ... and the deformed rest position k. A vertex no active bone reaches keeps its rest position.
    JVector deformedPosition(int32_t k) const;

    int32_t capacity;
    int32_t count = 0;
    std::vector<JBone*> bones;          // not owned
    std::vector<JVector> restPositions; // the mesh's points when prepared
    int32_t restVertexCount = 0;

private:
    void computeWeights(JBone& bone) const;
    double boneStrength(const JBone& bone) const;
    void normaliseWeights();

    std::vector<JMatrix> m_movements;  // per bone, world x restInverse of the current frame
    std::vector<uint8_t> m_unweighted; // per rest vertex: no bone has any weight on it
    // Rest vertices 2p and 2p + 1 as of prepare: x0 x1 y0 y1 z0 z1 at 6p, and for bone i the two weights
    // at (p x count + i) x 2 (a lone last vertex fills both lanes).
    static constexpr size_t kPairRestValues = 6;
    std::vector<double> m_pairRest;
    std::vector<double> m_pairWeights;
    // Deforms rest vertices 2 pair and 2 pair + 1 (weighted or not) into out[0] and out[1].
    void deformPair(int32_t pair, JVector* out) const;
};
