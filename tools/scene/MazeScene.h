#pragma once
// A labyrinth-style test scene made in code: a walled maze of textured quadrilaterals, a distant light, a
// point light carried by the camera, and a camera walking the way from one corner to the other.

#include <string>

struct MazeSceneFiles {
    static constexpr const char* kScene = "maze.lws";
    static constexpr const char* kObject = "maze.lwo";
    static constexpr const char* kWallTexture = "wall.tga";
    static constexpr const char* kFloorTexture = "floor.tga";
};

// Writes the four files into `folder` (which must exist). 1 on success, else 0 with a reason.
int writeMazeScene(const std::string& folder, std::string& reason);
