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
    for (int32_t k = 0; k < n; ++k)
        mesh.vertices[k].position = deformedPosition(k);
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
    // The frame loop reads each vertex's weights side by side.
    m_vertexWeights.assign(size_t(restVertexCount) * size_t(count), 0.0);
    for (int32_t k = 0; k < restVertexCount; ++k)
        for (int32_t i = 0; i < count; ++i)
            m_vertexWeights[size_t(k) * size_t(count) + size_t(i)] = bones[size_t(i)]->weights[size_t(k)];
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
    const JVector& rest = restPositions[size_t(k)];
    if (m_unweighted[size_t(k)])
        return rest;
    const double* weights = &m_vertexWeights[size_t(k) * size_t(count)];
    const JMatrix* movements = m_movements.data();
    JVector sum{0, 0, 0};
    for (int32_t i = 0; i < count; ++i)
        sum = sum + weights[i] * movements[i].transform(rest);
    return sum;
}
