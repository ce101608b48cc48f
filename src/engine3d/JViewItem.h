#pragma once
// An item that looks at the scene (the camera, lights): the matrices between world and its own view space.

#include "engine3d/JItem.h"

class JViewItem : public JItem {
public:
    JMatrix view;        // world -> view space
    JMatrix viewInverse; // view space -> world

protected:
    using JItem::JItem;
};
