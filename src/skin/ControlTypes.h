#pragma once

#include <QString>

class QWidget;

namespace kestrune::skin {

// A widget may name its control type itself through this dynamic property (a
// QString); it then wins over the type derived from the widget's class.
inline constexpr char kControlTypeProperty[] = "controlType";

// The control type of a widget as the skin layer sees it: "CommandButton",
// "TextBox", "ComboBox", "ListBox", "ListView", "Label", "SkinLabel",
// "CheckBox", "OptionButton", "RichTextBox", "StatusBar", or the widget's
// class name without namespace for anything else.
QString ControlTypeName(const QWidget* widget);

} // namespace kestrune::skin
