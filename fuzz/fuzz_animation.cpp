// libFuzzer target: any bytes as an animation file, read and then sampled on every track at times
// inside, between and far past its frames. Nothing may crash or trip a sanitizer.
#include <cstdint>
#include <cstdio>

#include "core/pack_file.h"
#include "scene/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PackEntry entry;
    entry.Assign(data, size, "FUZZ.Y3D");
    Animation animation;
    animation.Read(entry.Reader());
    const float times[] = {0.0f, 0.5f, 1.0f, float(animation.length) - 0.5f, float(animation.length), 1e9f, -3.0f};
    Quat q{};
    Vec3 p{};
    for (int32_t t = 0; t < animation.nodeTrackCount; ++t)
        for (float time : times) {
            animation.SampleNodeRotation(t, time, &q, true);
            animation.SampleNodePosition(t, time, &p, false);
        }
    animation.flags = ANIM_CYCLIC;
    for (int32_t t = 0; t < animation.namedTrackCount; ++t)
        for (float time : times) {
            animation.SampleTrackRotation(t, time, &q, false);
            animation.SampleTrackPosition(t, time, &p, true);
        }
    animation.FindNamedTrack("Bip01");
    return 0;
}
