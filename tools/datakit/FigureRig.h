#pragma once
// A jointed figure from a bone list: the bones' rest pose as the scene file writes it (each child in
// its parent bone's space) and their key-framed motion from offsets about the figure's own axes.
//
// The engine turns LightWave's y over (y down); a bone runs along its local +z from its rest position,
// and its rotation is Ry(-heading) Rx(pitch) Rz(bank) of the engine's degree convention. The bone's
// roll is free (the skin weights do not depend on it): it is chosen so that no child bone lies along
// the local y axis, where heading and bank would become one.

#include "LwsScene.h"
#include "engine3d/JMatrix.h"

#include <string>
#include <vector>

struct FigureBone {
    std::string name;
    int32_t parent = -1; // 0-based into the list, earlier than this bone; -1 = none
    JVector head;        // LightWave coordinates, y up
    JVector tail;
};

class FigureRig {
public:
    explicit FigureRig(std::vector<FigureBone> bones);

    // The bone's scene record with its rest pose; its motion is left empty.
    LwsBone restBone(size_t bone) const;
    // The bone's motion from `offsets`: each key's position is added to the rest position (in the
    // figure's axes) and its heading, pitch and bank turn the bone about the figure's axes at its
    // rest head, relative to its parent. Angles of successive keys are kept continuous.
    LwsMotion motion(size_t bone, const LwsMotion& offsets) const;

private:
    struct Pose {
        std::array<double, 3> position; // LightWave, parent bone space
        std::array<double, 3> angles;   // heading, pitch, bank in degrees
    };
    Pose pose(size_t bone, const std::array<double, 6>& offset, const std::array<double, 3>& near) const;

    std::vector<FigureBone> m_bones;
    std::vector<JMatrix> m_restWorld; // rotation of each bone in the figure, engine axes
};
