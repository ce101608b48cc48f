#include "engine3d/JSkeleton.h"

#include "engine3d/JBone.h"
#include "engine3d/JMesh.h"

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
    for (int32_t k = 0; k < n; k += 2) {
        JVector pair[2];
        deformPair(k / 2, pair);
        for (int32_t lane = 0; lane < 2 && k + lane < n; ++lane)
            mesh.vertices[k + lane].position =
                m_unweighted[size_t(k + lane)] ? restPositions[size_t(k + lane)] : pair[lane];
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
    // The frame loop deforms vertices two at a time (a lone last one pairs with itself), reading each pair's
    // rest coordinates and weights side by side, so that one instruction can serve both.
    const size_t pairs = (size_t(restVertexCount) + 1) / 2;
    m_pairRest.assign(pairs * kPairRestValues, 0.0);
    m_pairWeights.assign(pairs * size_t(count) * 2, 0.0);
    for (int32_t k = 0; k < restVertexCount; ++k) {
        const size_t pair = size_t(k) / 2, lane = size_t(k) % 2;
        double* rest = &m_pairRest[pair * kPairRestValues];
        const JVector& p = restPositions[size_t(k)];
        for (size_t side = lane; side < 2; side += (k + 1 == restVertexCount) ? 1 : 2) {
            rest[side] = p.x;
            rest[2 + side] = p.y;
            rest[4 + side] = p.z;
            for (int32_t i = 0; i < count; ++i)
                m_pairWeights[(pair * size_t(count) + size_t(i)) * 2 + side] = bones[size_t(i)]->weights[size_t(k)];
        }
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
    JVector pair[2];
    deformPair(k / 2, pair);
    return pair[k % 2];
}

void JSkeleton::deformPair(int32_t pair, JVector* out) const
{
    // Per lane exactly sum = sum + w x movement.transform(rest), bone after bone.
    const double* rest = &m_pairRest[size_t(pair) * kPairRestValues];
    const double* weights = &m_pairWeights[size_t(pair) * size_t(count) * 2];
    double x[2] = {0, 0}, y[2] = {0, 0}, z[2] = {0, 0};
    for (int32_t i = 0; i < count; ++i) {
        const double(&m)[4][4] = m_movements[size_t(i)].m;
        const double* w = &weights[size_t(i) * 2];
        for (int lane = 0; lane < 2; ++lane) {
            const double px = rest[lane], py = rest[2 + lane], pz = rest[4 + lane];
            x[lane] = x[lane] + w[lane] * (m[0][0] * px + m[0][1] * py + m[0][2] * pz + m[0][3]);
            y[lane] = y[lane] + w[lane] * (m[1][0] * px + m[1][1] * py + m[1][2] * pz + m[1][3]);
            z[lane] = z[lane] + w[lane] * (m[2][0] * px + m[2][1] * py + m[2][2] * pz + m[2][3]);
        }
    }
    out[0] = {x[0], y[0], z[0]};
    out[1] = {x[1], y[1], z[1]};
}
