#include "engine3d/JBone.h"

JBone::JBone() : JItem(kTypeBone)
{}
