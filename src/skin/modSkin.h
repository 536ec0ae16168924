#pragma once

#include "skin/Skin.h"

class QWidget;

// The skin layer. It runs only when the program is built with the skin
// switched on; as delivered it is off and none of this is called.
namespace kestrune::skin {

class SkinHook;

// Dresses one window in the current skin: colours its controls, on Windows
// Vista and later gives it a window region, and lets the skin dress its frame.
// Every step runs whatever became of the ones before; without a current skin
// the colouring and the frame are left out.
void SkinForm(QWidget* form);

// Colours the controls of a window, in its own control order (child widgets
// depth first, in creation order, containers included; the parts a composite
// widget is made of are not controls). By control type, compared exactly:
//   CommandButton                       background c2, text unchanged
//   TextBox, ComboBox, FileListBox,
//   DirListBox, DriveListBox, ListBox,
//   ListView                            background c2, text c3
//   PictureBox                          background c4
// Every other control keeps its colours. c5 is not used here.
void ColorControls(QWidget* form, SkinColour c2, SkinColour c3, SkinColour c4, SkinColour c5);

// Gives the window a rectangular region of its outer size (frame included) in
// twips, taken as pixels, so that the region covers at least the whole window.
// On Windows the region is the native window region, from the frame's top-left
// corner (see platform::setWindowRegion).
void SetFormRegion(QWidget* form);

// True on the Windows NT platform from version 6 (Vista) on; false elsewhere.
bool IsNT6OrLater();

// Skin start-up on the splash window, and shut-down at the end of the program.
void StartSkin(QWidget* splash);
void StopSkin();

// The skin in use: the built-in one once the skin has started, else nullptr.
Skin* CurrentSkin();

// The skin hook, created on first use, and whether it has been.
SkinHook& SkinHookInstance();
bool skinHookCreated();

// Back to the state before any skin start-up: no current skin and no hook
// (which stops watching windows). For tests.
void resetForTests();

} // namespace kestrune::skin
