#include "mainwindow/EntryHandOver.h"

namespace kestrune::ui {

EntryHandOver& entryHandOver() {
    static EntryHandOver instance;
    return instance;
}

} // namespace kestrune::ui
