#pragma once
// Values shared by the ticker host and its plug-ins.

enum PNScrollDirection { PNScrollNone = 0, PNScrollHorizontal = 1, PNScrollVertical = 2 };

enum PNFadeInOutType { PNFadeInOutNone = 0, PNFadeInOutDefault = 1 };

enum PNPennantActionType {
    PNPennantActionTypeNone = 0,
    PNPennantActionTypeURL = 1,
    PNPennantActionTypeCustom = 99,
};

// A sign with this loop count scrolls for ever.
inline constexpr int PNEndlessLoopCount = -1;

struct PNSize {
    float width = 0;
    float height = 0;
};
