// The skeleton of the two-bone characters that tests and benchmarks build: hip (the root, at the
// origin) and arm, one unit up the hip.
#pragma once

#include "datakit/y3d_builder.h"

inline datakit::Y3DBone TwoBoneSkeleton() {
    datakit::Y3DBone arm;
    arm.name = "arm";
    arm.parts.translation = {0, 1, 0};
    arm.world = Mat4Translation(0, 1, 0);
    datakit::Y3DBone hip;
    hip.name = "hip";
    hip.children = {arm};
    return hip;
}
