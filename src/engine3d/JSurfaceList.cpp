#include "engine3d/JSurfaceList.h"

#include <cstring>

JSurfaceList::JSurfaceList(int capacity)
    : m_entries(std::make_unique<JSurface[]>(capacity > 0 ? capacity : 0)), m_capacity(capacity > 0 ? capacity : 0)
{}

JSurface* JSurfaceList::find(const char* name)
{
    if (!name || !name[0])
        return nullptr;
    for (int i = 0; i < m_capacity; ++i)
        if (std::strncmp(m_entries[i].name, name, JSurface::kNameCapacity - 1) == 0)
            return &m_entries[i];
    return nullptr;
}

JSurface* JSurfaceList::findOrAdd(const char* name)
{
    if (JSurface* found = find(name))
        return found;
    if (!name || !name[0])
        return nullptr;
    for (int i = 0; i < m_capacity; ++i)
        if (m_entries[i].isFree()) {
            m_entries[i].reset(name);
            return &m_entries[i];
        }
    return nullptr;
}

void JSurfaceList::destroy()
{
    for (int i = 0; i < m_capacity; ++i)
        m_entries[i].clear();
}
