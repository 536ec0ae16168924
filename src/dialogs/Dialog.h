#pragma once

#include "platform/MessageBoxes.h"
#include "skin/SkinLabel.h"

#include <QLabel>
#include <QString>

#include <initializer_list>

class QWidget;

// How a dialog of the program is made. Every dialog uses these pieces, and a
// new one (a find window, an import dialog) is written with them too, so that
// all of them have the same frame, the same font, the same captions and the
// same skin, are known to assistive technology as dialogs, and show their
// messages the same way:
//
//   frmFind::frmFind() : QWidget(nullptr, kDialogFlags) {
//       makeDialog(this, "frmFind", QStringLiteral("Find"));
//       Label1 = makeLabel(this, "Label1", QStringLiteral("Find what:"));
//       ...
//   }
//   void frmFind::Load() {
//       Forms::centreOnScreen(this);
//       dressInSkin(this);
//   }
namespace kestrune::ui {

// The frame of a fixed dialog: a caption with a close box and nothing else,
// and a border that does not resize. The dialog's parent decides whether it
// has a button of its own in the task bar (an owned dialog has none).
inline constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                Qt::WindowCloseButtonHint;

// Makes `dialog`, a window framed with kDialogFlags, one of the program's
// dialogs: the name the tests and the skin find it by, its caption (`title`;
// a dialog whose caption depends on what it shows sets it later), the design
// font, and the dialog role on the accessibility bus, so that a screen reader
// announces it as a dialog. The dialog's constructor calls it first, before
// anything can ask for the window's accessible role. Message boxes are not
// made with it: they keep their alert role.
void makeDialog(QWidget* dialog, const char* name, const QString& title = QString());

// A caption: a label of `parent` named `name` (the tests and the skin find it
// by that name) that shows `text` as plain text, never as markup, placed in
// its box by `alignment`. The dialogs' captions are windowed labels
// (skin::SkinLabel); a plain QLabel is for text drawn over a picture.
template <typename Label = skin::SkinLabel>
Label* makeLabel(QWidget* parent, const char* name, const QString& text,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new Label(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    label->setText(text);
    return label;
}

// Dresses a window in the skin when the program is built with the skin on
// (ProgramIdentity().SkinEnabled), and leaves it as it is otherwise. A window
// calls it in its load, once its controls stand as they will be shown.
void dressInSkin(QWidget* window);

// While a password is tried off the user-interface thread: the dialog's
// controls are disabled and the wait cursor shows; then both come back.
void showPasswordCheck(std::initializer_list<QWidget*> controls, bool checking);

// Shows a message box over a dialog that keeps itself above other windows:
// the dialog leaves the top band while the box is up, so that the box is
// never hidden behind it, and goes back on top once the box is answered.
platform::Answer showMessageOffTop(QWidget* dialog, const QString& text, const QString& title,
                                   platform::Buttons buttons);

} // namespace kestrune::ui
