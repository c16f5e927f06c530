// Where the window faces put their cards: the main window's content card, and the macro editor's
// wells and option card from the editor's layout values in cfg.ini. The skin generator paints
// them there; the windows' controls sit inside.
#pragma once

#include <algorithm>

// Left, top, right, bottom; right and bottom exclusive.
struct FaceBox {
    int left, top, right, bottom;
};

// Distance between a window's edge and the cards inside it.
inline constexpr int kFaceMargin = 20;
// Distance between a card's edge and the controls or texts inside it.
inline constexpr int kCardPadding = 12;
// The well's border around a list.
inline constexpr int kListWellInset = 4;

// The main window's one content card, above the footer with the profile buttons.
inline constexpr FaceBox MainContentCard(int faceWidth) {
    return {16, 64, faceWidth - 16, 566};
}

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
