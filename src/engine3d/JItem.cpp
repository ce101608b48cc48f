#include "engine3d/JItem.h"

#include "engine3d/JCamera.h"
#include "engine3d/JEnvelope.h"

#include <cstring>

JItem::JItem(int32_t typeCode) : type(typeCode)
{}

JItem::~JItem() = default;

void JItem::setName(const char* text)
{
    name[0] = 0;
    if (!text)
        return;
    std::strncpy(name, text, kNameCapacity - 1);
    name[kNameCapacity - 1] = 0;
}

void JItem::evaluateMotion(double frame)
{
    if (hasMotion && frame != lastFrame) {
        lastFrame = frame;
        position = {0, 0, 0};
        rotation = {0, 0, 0};
        scale = {1, 1, 1};
        // A channel without a value at this frame leaves the default just set.
        if (positionEnvelope)
            positionEnvelope->evaluate(frame, position);
        if (rotationEnvelope)
            rotationEnvelope->evaluate(frame, rotation);
        if (scaleEnvelope)
            scaleEnvelope->evaluate(frame, scale);
    }
    translation.translation(position);
    rotationMatrix.rotationFromDegrees(rotation);
    scaling.scaling(scale);
    pivotMatrix.translation(-pivot);
}

void JItem::computeWorld()
{
    if (parent)
        parent->computeWorld();
    local.product(translation, rotationMatrix);
    local.product(local, scaling);
    local.product(local, pivotMatrix);

    JMatrix pivotInverse = pivotMatrix;
    pivotInverse.negateTranslation();
    JMatrix scalingInverse = scaling;
    for (int i = 0; i < 3; ++i)
        scalingInverse.m[i][i] = reciprocalOrZero(scaling.m[i][i]);
    JMatrix rotationInverse = rotationMatrix;
    rotationInverse.transposeRotation();
    JMatrix translationInverse = translation;
    translationInverse.negateTranslation();
    inverseLocal.product(pivotInverse, scalingInverse);
    inverseLocal.product(inverseLocal, rotationInverse);
    inverseLocal.product(inverseLocal, translationInverse);

    if (parent) {
        world.product(parent->world, local);
        inverseWorld.product(inverseLocal, parent->inverseWorld);
    } else {
        world = local;
        inverseWorld = inverseLocal;
    }
    referenceMatrix = inverseWorld;
    worldOrigin = world.transform({0, 0, 0});
}

void JItem::cameraSpacePass(const JCamera& camera)
{
    world.product(camera.view, world);
    inverseWorld.product(inverseWorld, camera.viewInverse);
    cameraOrigin = world.transform({0, 0, 0});
}

int JItem::setParent(JItem* item)
{
    for (const JItem* up = item; up; up = up->parent)
        if (up == this)
            return 0;
    parent = item;
    return 1;
}

void JItem::setMotion(std::unique_ptr<JEnvelope> positionChannel, std::unique_ptr<JEnvelope> rotationChannel,
                      std::unique_ptr<JEnvelope> scaleChannel)
{
    positionEnvelope = std::move(positionChannel);
    rotationEnvelope = std::move(rotationChannel);
    scaleEnvelope = std::move(scaleChannel);
    hasMotion = 1;
    lastFrame = -1.0;
}
