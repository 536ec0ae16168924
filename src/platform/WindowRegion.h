#pragma once

class QWidget;

namespace kestrune::platform {

// Gives a window the rectangular region from (0, 0) to (width, height) in
// pixels: only that part of the window is drawn and takes the mouse. For a
// window of the Windows platform the corners are in window coordinates, from
// the top-left corner of the frame, so the caption and the borders belong to
// the window's size; elsewhere (other systems, which have no such region of
// the whole window, and Qt's offscreen platform) in the coordinates of its
// client area.
void setWindowRegion(QWidget* window, int width, int height);

} // namespace kestrune::platform
