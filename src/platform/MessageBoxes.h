#pragma once

#include <QString>

class QWidget;

namespace kestrune::platform {

// The buttons a message box offers.
enum class Buttons { Ok, OkCancel, RetryCancel, YesNo };

// What the user answered. Closed: the box was closed without a button.
enum class Answer { Ok, Cancel, Retry, Yes, No, Closed };

enum class Icon { None, Information, Warning, Critical };

// Message boxes: every box the program shows goes through here, so that tests
// can script the answers and read back what was shown.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box over `owner` (may be null) and returns the answer. A
    // box without an owner is the only window the program shows at that
    // moment (a failure at start), so it stays above other windows.
    virtual Answer show(QWidget* owner, const QString& text, const QString& title, Buttons buttons,
                        Icon icon = Icon::None) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(QWidget* owner, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override;
};

} // namespace kestrune::platform
