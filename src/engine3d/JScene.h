#pragma once
// The items of one scene (objects, nulls, lights, the camera, the bones of skinned objects) with the
// scene-wide values, loaded from a version-5 scene text and brought to a frame by the passes below.

#include <cstdint>
#include <memory>
#include <vector>

class Console;
class JCamera;
class JFrustum;
class JItem;
class JSurfaceList;
class RenderContext;

class JScene {
public:
    static constexpr int32_t kDefaultCapacity = 256;
    static constexpr int kMaxLights = 24;

    explicit JScene(int32_t itemCapacity = kDefaultCapacity);
    JScene(const JScene&) = delete;
    JScene& operator=(const JScene&) = delete;
    // Destroys every item in list order, then the loader's unlisted items.
    ~JScene();

    // Reads the scene file through PackFile (JSceneLoader). A file that cannot be opened leaves the scene
    // as it was and returns 0; otherwise 1, however much of the file made sense.
    int load(const char* fileName, JSurfaceList* surfaces, Console& console);
    // Stores the item in the first empty entry below count, else appends; the scene owns it from then
    // on. 0 (item not taken) when the list is full.
    int addItem(JItem* item);
    // The first item of type camera in list order, or null.
    JCamera* findCamera() const;

    // Every item evaluates its motion at `frame`.
    void motionPass(double frame);
    // Every item computes its world, in list order.
    void worldPass();
    // The camera-space pass for every item but bones; then every mesh deforms by its skeleton, resets its
    // lists and lighting and tests its bounds against the frustum, and, when visible, transforms its vertices.
    void preparePass(const JCamera& camera, const JFrustum& frustum);
    // Lights (at most kMaxLights, list order) light every visible mesh, which is clipped, projected and drawn.
    // Returns the polygons handed to the render context.
    int drawPass(RenderContext& context, const JCamera& camera, const JFrustum& frustum, double offsetX,
                 double offsetY);
    // One whole frame of a scene at `elapsed` hundredths of a second: black background, motion, world, the
    // camera (zoom = frame width, the band of the middle two thirds of the rows: 640 x 320 at row 80 of a
    // 640 x 480 frame), the frustum 8 pixels inside the band, both passes, endFrame. Returns the polygons
    // drawn, 0 without a camera (only the background is drawn then).
    int renderFrame(RenderContext& context, JFrustum& frustum, double elapsed);
    // The same at a motion frame (framesPerSecond x elapsed x 0.01 above).
    int renderFrameAt(RenderContext& context, JFrustum& frustum, double frame);

    float framesPerSecond = 30.0f;
    float ambient = 0.5f;      // 0..1
    std::vector<JItem*> items; // `capacity` entries, owned, null where empty
    int32_t capacity;
    int32_t count = 0;
    // Items the loader made that are in no list (a light without a type line, items past the capacity):
    // they still number the parents and can be texture references, and go with the scene.
    std::vector<std::unique_ptr<JItem>> unlisted;
};
