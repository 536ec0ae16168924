#include "skin/modSkin.h"

#include "platform/WindowRegion.h"
#include "skin/ControlTypes.h"
#include "skin/SkinHook.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPalette>
#include <QScrollArea>
#include <QSet>
#include <QTabBar>
#include <QToolBar>
#include <QWidget>

#include <memory>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#endif

namespace kestrune::skin {

namespace {

const QString kBuiltInSkinPath = QStringLiteral(":/skin/standard.skin");

struct SkinState {
    std::unique_ptr<Skin> builtIn;
    Skin* current = nullptr;
    std::unique_ptr<SkinHook> hook;
};

SkinState& state() {
    static SkinState skinState;
    return skinState;
}

Skin* builtInSkin() {
    SkinState& s = state();
    if (!s.builtIn) {
        s.builtIn = std::make_unique<Skin>();
        // A skin file that cannot be read leaves the skin looking like none.
        s.builtIn->load(kBuiltInSkinPath);
    }
    return s.builtIn.get();
}

// Widgets whose child widgets are their own parts (a viewport, a scroll bar,
// the line edit of a spin box, a clear button) rather than controls.
bool isMadeOfParts(const QWidget* widget) {
    if (qobject_cast<const QAbstractScrollArea*>(widget) != nullptr) {
        // A scroll area holds a page of real controls.
        return qobject_cast<const QScrollArea*>(widget) == nullptr;
    }
    return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
           qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QMenuBar*>(widget) != nullptr ||
           qobject_cast<const QToolBar*>(widget) != nullptr ||
           qobject_cast<const QTabBar*>(widget) != nullptr ||
           qobject_cast<const QCalendarWidget*>(widget) != nullptr;
}

enum class Paint { Unchanged, Background, BackgroundAndText, Picture };

Paint paintFor(const QString& type) {
    static const QSet<QString> boxes = {
        QStringLiteral("TextBox"),    QStringLiteral("ComboBox"),     QStringLiteral("FileListBox"),
        QStringLiteral("DirListBox"), QStringLiteral("DriveListBox"), QStringLiteral("ListBox"),
        QStringLiteral("ListView")};
    if (type == QLatin1String("CommandButton")) {
        return Paint::Background;
    }
    if (boxes.contains(type)) {
        return Paint::BackgroundAndText;
    }
    if (type == QLatin1String("PictureBox")) {
        return Paint::Picture;
    }
    return Paint::Unchanged;
}

void setBackground(QPalette& palette, const QColor& colour) {
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
}

void setForeground(QPalette& palette, const QColor& colour) {
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
}

struct ControlColours {
    QColor face;    // colour 2
    QColor text;    // colour 3
    QColor picture; // colour 4
};

void colourControl(QWidget* control, const ControlColours& colours) {
    const Paint paint = paintFor(ControlTypeName(control));
    if (paint == Paint::Unchanged) {
        return;
    }
    QPalette palette = control->palette();
    switch (paint) {
    case Paint::Background:
        setBackground(palette, colours.face);
        break;
    case Paint::BackgroundAndText:
        setBackground(palette, colours.face);
        setForeground(palette, colours.text);
        break;
    case Paint::Picture:
        setBackground(palette, colours.picture);
        // A label paints no background of its own.
        control->setAutoFillBackground(true);
        break;
    case Paint::Unchanged:
        break;
    }
    control->setPalette(palette);
}

void colourControlsUnder(QWidget* parent, const ControlColours& colours) {
    for (QObject* child : parent->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        // Windows owned by this one (dialogs, menus) are not its controls.
        if (control == nullptr || control->isWindow()) {
            continue;
        }
        colourControl(control, colours);
        if (!isMadeOfParts(control)) {
            colourControlsUnder(control, colours);
        }
    }
}

} // namespace

void SkinForm(QWidget* form) {
    if (form == nullptr) {
        return;
    }
    if (const Skin* skin = CurrentSkin()) {
        const SkinColour c2 = skin->colour(2);
        const SkinColour c3 = skin->colour(3);
        const SkinColour c4 = skin->colour(4);
        const SkinColour c5 = skin->colour(5);
        ColorControls(form, c2, c3, c4, c5);
    }
    if (ui::ProgramIdentity().SkinEnabled && IsNT6OrLater()) {
        SetFormRegion(form);
    }
    if (const Skin* skin = CurrentSkin()) {
        skin->ApplySkin(form);
    }
}

void ColorControls(QWidget* form, SkinColour c2, SkinColour c3, SkinColour c4, SkinColour /*c5*/) {
    if (form == nullptr) {
        return;
    }
    colourControlsUnder(form, {colourToQColor(c2), colourToQColor(c3), colourToQColor(c4)});
}

void SetFormRegion(QWidget* form) {
    if (form == nullptr) {
        return;
    }
    // The outer size, frame included, in twips, taken as pixels.
    const QRect outer = form->frameGeometry();
    platform::setWindowRegion(form, ui::pixelsToTwips(outer.width()),
                              ui::pixelsToTwips(outer.height()));
}

#ifdef Q_OS_WIN
bool IsNT6OrLater() {
    // RtlGetVersion reports the real version, whatever the program's manifest says.
    using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) {
        return false;
    }
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtlGetVersion == nullptr) {
        return false;
    }
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (rtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)) != 0) {
        return false;
    }
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6;
}
#else
bool IsNT6OrLater() {
    return false;
}
#endif

void StartSkin(QWidget* splash) {
    SkinState& s = state();
    s.current = builtInSkin();
    SkinForm(splash);
    SkinHook& hook = SkinHookInstance();
    hook.attach(s.current->hookObject());
    hook.start();
}

void StopSkin() {
    SkinHookInstance().stop();
}

Skin* CurrentSkin() {
    return state().current;
}

SkinHook& SkinHookInstance() {
    SkinState& s = state();
    if (!s.hook) {
        s.hook = std::make_unique<SkinHook>();
    }
    return *s.hook;
}

bool skinHookCreated() {
    return state().hook != nullptr;
}

void resetForTests() {
    SkinState& s = state();
    s.hook.reset();
    s.current = nullptr;
    s.builtIn.reset();
}

} // namespace kestrune::skin
