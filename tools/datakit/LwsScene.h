#pragma once
// A LightWave scene as the kit builds it, and its version-5 text form: spaces only, fixed-notation
// decimals (six places), unsigned integers, at most 20 tokens a line; objects (with their bones right
// after them) first, then the lights, then the camera.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One key of a motion: position x, y, z, heading, pitch, bank in degrees, scale x, y, z, as LightWave
// writes them (y up).
struct LwsKey {
    int32_t frame = 0;
    std::array<double, 9> values{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0};
    double tension = 0.0;
    double continuity = 0.0;
    double bias = 0.0;
};

struct LwsMotion {
    static constexpr int32_t kStop = 1;
    static constexpr int32_t kRepeat = 2;
    std::vector<LwsKey> keys;
    int32_t endBehavior = kStop;
};

struct LwsBone {
    std::string name;
    int32_t parent = 0;                    // 1-based among the bones of the same object; 0 = none
    std::array<double, 3> restPosition{};  // in the parent bone's space, y up
    std::array<double, 3> restDirection{}; // heading, pitch, bank
    double restLength = 1.0;
    LwsMotion motion;
};

struct LwsItem {
    enum class Kind { Object, Null, Light, Camera };
    static constexpr int32_t kDistantLight = 0;
    static constexpr int32_t kPointLight = 1;

    Kind kind = Kind::Object;
    std::string name;   // archive entry of an object, item name otherwise
    int32_t parent = 0; // 1-based into the item table; 0 = none
    LwsMotion motion;
    std::vector<LwsBone> bones;
    std::array<int32_t, 3> lightColour{255, 255, 255};
    double lightIntensity = 1.0;
    int32_t lightType = kDistantLight;
};

class LwsScene {
public:
    int32_t lastFrame = 0;
    int32_t framesPerSecond = 30;
    double ambient = 0.5;
    std::vector<LwsItem> items; // in file order: objects and nulls, then lights, then the camera

    // 1-based position of the named item in the item table; 0 when there is none.
    int32_t itemNumber(const std::string& name) const;
    std::string text() const;
};

// Six-place fixed notation without a negative zero.
std::string fixedDecimal(double value);
