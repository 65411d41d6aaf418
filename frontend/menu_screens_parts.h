// What the campaign and shop screens share: the indices of the menu's widget pictures they use,
// the panel colours and the sounds.
#pragma once

#include <cstdint>

namespace screenparts {

enum : int {
    PIC_RIGHT_OFF = 0, PIC_RIGHT_ON = 1, PIC_LEFT_OFF = 2, PIC_LEFT_ON = 3,
    PIC_SMALL_LEFT_OFF = 11, PIC_SMALL_LEFT_ON = 12, PIC_SMALL_RIGHT_OFF = 13, PIC_SMALL_RIGHT_ON = 14,
    PIC_UP_OFF = 26, PIC_UP_ON = 27, PIC_DOWN_OFF = 28, PIC_DOWN_ON = 29,
    PIC_PLAYER_BACK = 34, PIC_FRAME_ON = 39, PIC_FRAME_OFF = 40,
    PIC_ADD_ON = 49, PIC_ADD_OFF = 50, PIC_SUB_ON = 51, PIC_SUB_OFF = 52,
};

constexpr uint32_t GREY = 0xff808080, DARK = 0xff505050, DARKER = 0xff373737;
constexpr int FX_FORWARD = 204, FX_BACK = 205;
constexpr int TIP_BACK = 484, TIP_NEXT = 504;
constexpr float FACING_CAMERA = 3.14159265f;

}  // namespace screenparts
