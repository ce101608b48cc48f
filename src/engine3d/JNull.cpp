#include "engine3d/JNull.h"

JNull::JNull(const char* itemName) : JItem(kTypeNull)
{
    setName(itemName);
}
