// Where the macro editor's face puts its wells and its option card, from the editor's layout
// values in cfg.ini. The skin generator paints them there; the editor's controls sit inside.
#pragma once

#include <algorithm>

// Left, top, right, bottom; right and bottom exclusive.
struct FaceBox {
    int left, top, right, bottom;
};

// Distance between a window's edge and the cards inside it.
inline constexpr int kFaceMargin = 20;
// The well's border around a list.
inline constexpr int kListWellInset = 4;

inline constexpr FaceBox MacroListWell(int left, int top, int right, int bottom) {
    return {left - kListWellInset, top - kListWellInset, right + kListWellInset,
            bottom + kListWellInset};
}

// The option card: from the top of the lists' wells down to the buttons under the lists (28
// pixels below the lower list), from a margin left of the option controls to the face's right
// margin.
inline constexpr FaceBox MacroOptionCard(int optX, int listTop, int listsBottom, int faceWidth) {
    return {optX - kFaceMargin, listTop - kListWellInset, faceWidth - kFaceMargin,
            listsBottom + 28};
}
