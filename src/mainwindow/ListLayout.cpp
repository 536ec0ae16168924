#include "mainwindow/ListLayout.h"

#include <cstdlib>

namespace kestrune::ui {

ListSize ListSizeForWindow(int outerWidth, int outerHeight, int listLeft, int listTop) {
    return {std::abs(outerWidth - 2 * listLeft), std::abs(outerHeight - listTop - 1000)};
}

} // namespace kestrune::ui
