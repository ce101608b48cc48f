#include "LwsScene.h"

#include <cmath>
#include <cstdio>

namespace {

void line(std::string& out, const std::string& text)
{
    out += text;
    out += '\n';
}

void motionBlock(std::string& out, const char* keyword, const LwsMotion& motion)
{
    line(out, std::string(keyword) + " (unnamed)");
    line(out, "  9");
    line(out, "  " + std::to_string(motion.keys.size()));
    for (const LwsKey& key : motion.keys) {
        std::string values = " ";
        for (double v : key.values) {
            values += " " + fixedDecimal(v);
        }
        line(out, values);
        line(out, "  " + std::to_string(key.frame) + " 0 " + fixedDecimal(key.tension) + " " +
                      fixedDecimal(key.continuity) + " " + fixedDecimal(key.bias));
    }
    line(out, "EndBehavior " + std::to_string(motion.endBehavior));
}

std::string triple(const std::array<double, 3>& v)
{
    return fixedDecimal(v[0]) + " " + fixedDecimal(v[1]) + " " + fixedDecimal(v[2]);
}

void boneSection(std::string& out, const LwsBone& bone)
{
    line(out, "AddBone");
    line(out, "BoneName " + bone.name);
    line(out, "BoneActive 1");
    line(out, "BoneRestPosition " + triple(bone.restPosition));
    line(out, "BoneRestDirection " + triple(bone.restDirection));
    line(out, "BoneRestLength " + fixedDecimal(bone.restLength));
    line(out, "ScaleBoneStrength 0");
    line(out, "BoneRestStrength 1.000000");
    motionBlock(out, "BoneMotion", bone.motion);
    if (bone.parent > 0) {
        line(out, "ParentObject " + std::to_string(bone.parent));
    }
    line(out, "");
}

} // namespace

std::string fixedDecimal(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    const std::string s = text;
    return s == "-0.000000" ? "0.000000" : s;
}

int32_t LwsScene::itemNumber(const std::string& name) const
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].name == name) {
            return static_cast<int32_t>(i + 1);
        }
    }
    return 0;
}

std::string LwsScene::text() const
{
    std::string out;
    line(out, "LWSC");
    line(out, "1");
    line(out, "");
    line(out, "FirstFrame 0");
    line(out, "LastFrame " + std::to_string(lastFrame));
    line(out, "FrameStep 1");
    line(out, "FramesPerSecond " + std::to_string(framesPerSecond));
    line(out, "");
    bool ambientWritten = false;
    for (const LwsItem& item : items) {
        const std::string parent = item.parent > 0 ? "ParentObject " + std::to_string(item.parent) : "";
        switch (item.kind) {
        case LwsItem::Kind::Object:
        case LwsItem::Kind::Null:
            line(out, (item.kind == LwsItem::Kind::Object ? "LoadObject " : "AddNullObject ") + item.name);
            motionBlock(out, "ObjectMotion", item.motion);
            if (!parent.empty()) {
                line(out, parent);
            }
            line(out, "");
            for (const LwsBone& bone : item.bones) {
                boneSection(out, bone);
            }
            break;
        case LwsItem::Kind::Light:
            if (!ambientWritten) {
                line(out, "AmbientColor 255 255 255");
                line(out, "AmbIntensity " + fixedDecimal(ambient));
                line(out, "");
                ambientWritten = true;
            }
            line(out, "AddLight");
            line(out, "LightName " + item.name);
            motionBlock(out, "LightMotion", item.motion);
            if (!parent.empty()) {
                line(out, parent);
            }
            line(out, "LightColor " + std::to_string(item.lightColour[0]) + " " + std::to_string(item.lightColour[1]) +
                          " " + std::to_string(item.lightColour[2]));
            line(out, "LgtIntensity " + fixedDecimal(item.lightIntensity));
            line(out, "LightType " + std::to_string(item.lightType));
            line(out, "");
            break;
        case LwsItem::Kind::Camera:
            line(out, "ShowCamera 1 7");
            motionBlock(out, "CameraMotion", item.motion);
            if (!parent.empty()) {
                line(out, parent);
            }
            line(out, "");
            break;
        }
    }
    if (!ambientWritten) {
        line(out, "AmbientColor 255 255 255");
        line(out, "AmbIntensity " + fixedDecimal(ambient));
    }
    return out;
}
