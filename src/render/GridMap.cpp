#include "render/GridMap.h"

#include <algorithm>

GridMap::GridMap(int32_t gridWidth, int32_t gridHeight, int32_t targetWidth, int32_t targetHeight,
                 const Bitmap* texture)
    : m_gridWidth(std::max(gridWidth, 0)), m_gridHeight(std::max(gridHeight, 0)), m_targetWidth(targetWidth),
      m_targetHeight(targetHeight), m_texture(texture), m_nodes(size_t(m_gridWidth) * size_t(m_gridHeight))
{}
