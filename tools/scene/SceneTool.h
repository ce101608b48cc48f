#pragma once
// The scene tool's commands: object, info, render. SOURCE is an archive or a folder of plain files; names are
// looked up in it as the show looks them up. Each returns 0 on success, 1 with a one-line reason on `err`.

#include <cstdio>
#include <string>

// "points N", "polygons N", "surfaces N", "bounds MINX MINY MINZ MAXX MAXY MAXZ" (engine coordinates, %.6g),
// then one line per surface.
int sceneObject(const std::string& source, const std::string& name, std::FILE* out, std::FILE* err);
// The scene's values, then one line per item: type, name, parent, keys, end behaviour, and the bones.
int sceneInfo(const std::string& source, const std::string& name, std::FILE* out, std::FILE* err);

struct SceneRenderOptions {
    double frame = 0;
    int width = 640;
    int height = 480;
};
class RenderContext;

// Loads the scene from SOURCE and draws the frame at motion frame `frame` into `context` as the scene effects
// do (textures registered with the context). Returns the polygons drawn, or -1 with a reason on `err`.
int renderSceneFrame(const std::string& source, const std::string& name, double frame, RenderContext& context,
                     std::FILE* err);
// Draws one frame of the scene as the scene effects do and writes it as PNG; reports the polygons drawn, the
// spans in use and the pieces dropped on `out`.
int sceneRender(const std::string& source, const std::string& name, const std::string& outPng,
                const SceneRenderOptions& options, std::FILE* out, std::FILE* err);
