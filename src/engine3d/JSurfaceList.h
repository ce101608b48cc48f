#pragma once
// A fixed table of surfaces shared by every mesh of one effect or scene: surfaces are identified by name
// across all of them, so two objects naming a surface alike share one record.

#include "engine3d/JSurface.h"

#include <memory>

class JSurfaceList {
public:
    // `capacity` free entries (the effects use 60).
    explicit JSurfaceList(int capacity);
    JSurfaceList(const JSurfaceList&) = delete;
    JSurfaceList& operator=(const JSurfaceList&) = delete;

    // The first entry whose name equals `name` byte for byte (compared over at most 255 characters), or null.
    // The empty name finds nothing.
    JSurface* find(const char* name);
    // The found entry; else the first free entry, named and set to every default; else null (list full, or
    // the empty name, which would only mark the entry free again).
    JSurface* findOrAdd(const char* name);
    // Drops every entry's texture and frees every entry.
    void destroy();

    int capacity() const { return m_capacity; }
    JSurface& entry(int index) { return m_entries[index]; }
    const JSurface& entry(int index) const { return m_entries[index]; }

private:
    std::unique_ptr<JSurface[]> m_entries;
    int m_capacity;
};
