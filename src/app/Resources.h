#pragma once

namespace kestrune::app {

// Registers the pictures built into the program (splash, icon, buttons). The
// program and every test that shows a window call it once at start.
void initResources();

} // namespace kestrune::app
