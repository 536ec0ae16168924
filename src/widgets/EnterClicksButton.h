#pragma once

class QWidget;

namespace kestrune::ui {

// Enter (Return, or Enter on the keypad) on a focused push or picture button
// of `window` clicks it, as Space does. No button becomes the window's
// default: Enter in a text box still goes to the text box, and the window's
// own shortcuts for Enter do not fire while a button has the focus.
//
// Applies to the buttons `window` holds when it is called.
void enterClicksButtons(QWidget* window);

} // namespace kestrune::ui
