#pragma once

class QWidget;

namespace kestrune::platform {

// Puts a window into the band of topmost windows, or takes it out, without
// moving or resizing it.
class WindowOnTop {
public:
    virtual ~WindowOnTop() = default;
    virtual void setOnTop(QWidget* window, bool onTop) = 0;
};

class QtWindowOnTop final : public WindowOnTop {
public:
    void setOnTop(QWidget* window, bool onTop) override;
};

} // namespace kestrune::platform
