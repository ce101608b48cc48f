#include "engine3d/JSkeleton.h"

#include "engine3d/JBone.h"
#include "engine3d/JMesh.h"

#include "render/KernelChoice.h"
#include "render/SimdTarget.h"

#include <algorithm>
#include <cmath>

JSkeleton::JSkeleton(int32_t boneCapacity) : capacity(std::max(boneCapacity, 0)), bones(size_t(capacity), nullptr)
{}

JSkeleton::~JSkeleton() = default;

int JSkeleton::addBone(JBone* bone)
{
    if (!bone || count >= capacity)
        return 0;
    bones[size_t(count++)] = bone;
    return 1;
}

void JSkeleton::prepare(JMesh& mesh)
{
    std::vector<JVector> rest(size_t(std::max(mesh.vertexCount, 0)));
    for (size_t k = 0; k < rest.size(); ++k)
        rest[k] = mesh.vertices[k].restPosition;
    prepare(rest.data(), int32_t(rest.size()));
}

void JSkeleton::deform(JMesh& mesh)
{
    updateMovements();
    const int32_t n = std::min(restVertexCount, mesh.vertexCount);
    const DeformLoop loop = deformLoop();
    for (int32_t k = 0; k < n; k += kLanes) {
        JVector group[kLanes];
        deformGroup(loop, k / kLanes, group);
        for (int32_t lane = 0; lane < kLanes && k + lane < n; ++lane)
            mesh.vertices[k + lane].position =
                m_unweighted[size_t(k + lane)] ? restPositions[size_t(k + lane)] : group[lane];
    }
}

void JSkeleton::prepare(const JVector* restPoints, int32_t n)
{
    restVertexCount = std::max(n, 0);
    restPositions.assign(restPoints, restPoints + restVertexCount);
    // Every bone to its rest pose first, so that the parents are in it when a child computes its world.
    for (int32_t i = 0; i < count; ++i) {
        JBone& bone = *bones[size_t(i)];
        bone.translation.translation(bone.restPosition);
        bone.rotationMatrix.rotationFromDegrees(bone.restDirection);
        bone.scaling.identity();
        bone.pivotMatrix.identity();
    }
    for (int32_t i = 0; i < count; ++i) {
        JBone& bone = *bones[size_t(i)];
        bone.computeWorld();
        bone.restInverse = bone.inverseWorld;
    }
    for (int32_t i = 0; i < count; ++i)
        computeWeights(*bones[size_t(i)]);
    normaliseWeights();
    // The frame loop deforms kLanes vertices at a time, reading each group's rest coordinates and weights
    // side by side so that one instruction can serve every lane; lanes past the last vertex stay 0.
    const size_t groups = (size_t(restVertexCount) + kLanes - 1) / kLanes;
    m_groupRest.assign(groups * 3 * kLanes, 0.0);
    m_groupWeights.assign(groups * size_t(count) * kLanes, 0.0);
    for (int32_t k = 0; k < restVertexCount; ++k) {
        const size_t group = size_t(k) / kLanes, lane = size_t(k) % kLanes;
        double* rest = &m_groupRest[group * 3 * kLanes];
        const JVector& p = restPositions[size_t(k)];
        rest[lane] = p.x;
        rest[kLanes + lane] = p.y;
        rest[2 * kLanes + lane] = p.z;
        for (int32_t i = 0; i < count; ++i)
            m_groupWeights[(group * size_t(count) + size_t(i)) * kLanes + lane] = bones[size_t(i)]->weights[size_t(k)];
    }
    m_movements.assign(size_t(count), JMatrix());
}

double JSkeleton::boneStrength(const JBone& bone) const
{
    if (!bone.active)
        return 0.0;
    double s = bone.restStrength;
    if (bone.scaleStrength)
        s *= bone.restLength;
    return std::clamp(s, 0.0, 1.0);
}

void JSkeleton::computeWeights(JBone& bone) const
{
    bone.weights.assign(size_t(restVertexCount), 0.0);
    bone.weightCount = restVertexCount;
    const double rootStrength = std::sqrt(boneStrength(bone));
    // In the bone's rest space the bone runs from A = origin to E = (0, 0, length).
    const JVector a{0, 0, 0};
    const JVector e{0, 0, bone.restLength};
    JVector axis = e - a;
    axis.normalize();
    JVector backAxis = a - e;
    backAxis.normalize();
    for (int32_t k = 0; k < restVertexCount; ++k) {
        const JVector q = bone.restInverse.transform(restPositions[size_t(k)]);
        JVector fromStart = q - a;
        fromStart.normalize();
        JVector fromEnd = q - e;
        fromEnd.normalize();
        const double alongStart = dot(fromStart, axis);
        const double alongEnd = dot(fromEnd, backAxis);
        double distance;
        if (alongStart >= 0 && alongEnd >= 0)
            distance = length(cross(q, {0, 0, 1})); // beside the bone: distance from its axis
        else if (alongStart >= 0)
            distance = length(q - e); // beyond the end
        else
            distance = length(q - a); // behind the start, or a zero-length bone
        distance = std::max(distance, kMinimumDistance);
        const double squared = distance * distance;
        bone.weights[size_t(k)] = rootStrength / squared; // sqrt(s / distance^4)
    }
}

void JSkeleton::normaliseWeights()
{
    m_unweighted.assign(size_t(restVertexCount), 0);
    for (int32_t k = 0; k < restVertexCount; ++k) {
        double sum = 0;
        for (int32_t i = 0; i < count; ++i)
            sum += bones[size_t(i)]->weights[size_t(k)];
        if (!(sum > 0) || !std::isfinite(sum)) {
            m_unweighted[size_t(k)] = 1;
            continue;
        }
        for (int32_t i = 0; i < count; ++i)
            bones[size_t(i)]->weights[size_t(k)] /= sum;
    }
}

void JSkeleton::updateMovements()
{
    m_movements.resize(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        m_movements[size_t(i)].product(bones[size_t(i)]->world, bones[size_t(i)]->restInverse);
}

JVector JSkeleton::deformedPosition(int32_t k) const
{
    if (m_unweighted[size_t(k)])
        return restPositions[size_t(k)];
    JVector group[kLanes];
    deformGroup(deformLoop(), k / kLanes, group);
    return group[k % kLanes];
}

namespace {

// Per lane exactly sum = sum + w x movement.transform(rest), bone after bone: the same operations in the same
// order whichever instruction set the compiler vectorises it for. rest: x, y, z lanes; weights: per bone the
// lanes; out: x, y, z lanes.
template<int Lanes>
inline __attribute__((always_inline)) void deformLanes(const double* rest, const double* weights,
                                                       const JMatrix* movements, int32_t bones, double* out)
{
    double x[Lanes] = {}, y[Lanes] = {}, z[Lanes] = {};
    for (int32_t i = 0; i < bones; ++i) {
        const double(&m)[4][4] = movements[i].m;
        const double* w = &weights[size_t(i) * Lanes];
        for (int lane = 0; lane < Lanes; ++lane) {
            const double px = rest[lane], py = rest[Lanes + lane], pz = rest[2 * Lanes + lane];
            x[lane] = x[lane] + w[lane] * (m[0][0] * px + m[0][1] * py + m[0][2] * pz + m[0][3]);
            y[lane] = y[lane] + w[lane] * (m[1][0] * px + m[1][1] * py + m[1][2] * pz + m[1][3]);
            z[lane] = z[lane] + w[lane] * (m[2][0] * px + m[2][1] * py + m[2][2] * pz + m[2][3]);
        }
    }
    for (int lane = 0; lane < Lanes; ++lane) {
        out[lane] = x[lane];
        out[Lanes + lane] = y[lane];
        out[2 * Lanes + lane] = z[lane];
    }
}

void deformBaseline(const double* rest, const double* weights, const JMatrix* movements, int32_t bones, double* out)
{
    deformLanes<JSkeleton::kLanes>(rest, weights, movements, bones, out);
}

#if KALVORA_HAS_AVX2
KALVORA_AVX2 void deformAvx2(const double* rest, const double* weights, const JMatrix* movements, int32_t bones,
                             double* out)
{
    deformLanes<JSkeleton::kLanes>(rest, weights, movements, bones, out);
}
#endif

// The deformation loops as a set for the shared start-up choice: AVX2 where the processor has it, unless
// KALVORA_SCALAR is set.
struct DeformSet {
    decltype(&deformBaseline) loop;
};

const DeformSet kBaseline{deformBaseline};
#if KALVORA_HAS_AVX2
const DeformSet kWide{deformAvx2};
#endif

const DeformSet* wideSet()
{
#if KALVORA_HAS_AVX2
    if (processorHasAvx2())
        return &kWide;
#endif
    return nullptr;
}

KernelChoice<DeformSet>& choice()
{
    static KernelChoice<DeformSet> c(kBaseline, wideSet(), nullptr);
    return c;
}

} // namespace

bool JSkeleton::useWideDeformation(bool wide)
{
    const DeformSet* set = wide && wideSet() ? wideSet() : &kBaseline;
    choice().use(set);
    return set != &kBaseline;
}

void JSkeleton::restoreDeformationChoice()
{
    choice().use(nullptr);
}

JSkeleton::DeformLoop JSkeleton::deformLoop()
{
    return choice().get().loop;
}

void JSkeleton::deformGroup(DeformLoop loop, int32_t group, JVector* out) const
{
    double lanes[3 * kLanes];
    loop(&m_groupRest[size_t(group) * 3 * kLanes], &m_groupWeights[size_t(group) * size_t(count) * kLanes],
         m_movements.data(), count, lanes);
    for (int lane = 0; lane < kLanes; ++lane)
        out[lane] = {lanes[lane], lanes[kLanes + lane], lanes[2 * kLanes + lane]};
}
