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

    // Vertices deformed together: one AVX2 register of doubles.
    static constexpr int kLanes = 4;
    // Deformation runs an AVX2 loop where the processor has one (unless KALVORA_SCALAR is set), else the
    // baseline loop; both give the same bits. For tests: puts the AVX2 loop (`wide`, where possible) or the
    // baseline in use and returns whether the AVX2 one now is; the restore goes back to the start-up choice.
    static bool useWideDeformation(bool wide);
    static void restoreDeformationChoice();

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
    // Rest vertices kLanes g .. kLanes g + kLanes - 1 as of prepare: their x, then y, then z lanes at
    // 3 kLanes g, and for bone i their weights at (g x count + i) x kLanes (lanes past the last vertex 0).
    std::vector<double> m_groupRest;
    std::vector<double> m_groupWeights;
    using DeformLoop = void (*)(const double* rest, const double* weights, const JMatrix* movements, int32_t bones,
                                double* out);
    static DeformLoop deformLoop();
    // Deforms the rest vertices of group g (weighted or not) into out[0 .. kLanes - 1].
    void deformGroup(DeformLoop loop, int32_t group, JVector* out) const;
};
