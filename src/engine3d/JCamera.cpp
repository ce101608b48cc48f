#include "engine3d/JCamera.h"

JCamera::JCamera() : JViewItem(kTypeCamera)
{
    setName("LWCamera");
}

void JCamera::computeView()
{
    // Vi = S^-1 R^T T^-1 and W = T R S, each followed by the parent's space.
    JMatrix inverseScaling;
    inverseScaling.scaling({reciprocalOrZero(scale.x), reciprocalOrZero(scale.y), reciprocalOrZero(scale.z)});
    JMatrix turn;
    turn.rotationFromDegrees(rotation);
    JMatrix turnBack = turn;
    turnBack.transposeRotation();
    JMatrix back;
    back.translation(-position);
    JMatrix viewMatrix;
    viewMatrix.product(inverseScaling, turnBack);
    viewMatrix.product(viewMatrix, back);

    JMatrix move, stretch;
    move.translation(position);
    stretch.scaling(scale);
    JMatrix placed;
    placed.product(move, turn);
    placed.product(placed, stretch);

    if (parent) {
        parent->computeWorld();
        viewMatrix.product(viewMatrix, parent->inverseWorld);
        placed.product(parent->world, placed);
    }
    view = viewMatrix;
    viewInverse = placed;
    world = viewMatrix;
}
