#pragma once

namespace kestrune::ui {

// The size of the entry list for a window of outer size W x H (frame, caption
// and menu bar included), all in twips: the list keeps its left and top and
// takes W - 2 * left by H - top - 1000. The absolute values keep both sizes
// non-negative when the window is smaller than the margins.
struct ListSize {
    int width = 0;
    int height = 0;
};

ListSize ListSizeForWindow(int outerWidth, int outerHeight, int listLeft, int listTop);

} // namespace kestrune::ui
