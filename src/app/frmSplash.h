#pragma once

#include <QWidget>

class QLabel;
class QPixmap;
class QTimer;

namespace kestrune::app {

// The splash window: the program's picture, borderless and outside the task
// bar, for 75 ticks of a 2 ms timer; then it loads the main window, gives it
// its icon (when the build says so), shows it and hides itself, staying
// loaded until the main window closes.
class frmSplash final : public QWidget {
    Q_OBJECT
public:
    frmSplash();

    void Load();

    // Shows `picture` in Image1 at its own size, unstretched; the window takes
    // the size of Image1 at its load.
    void setPicture(const QPixmap& picture);

    // Grows by 2 on every tick; the hand-over happens when it reaches 150.
    int intTemp = 0;

    QLabel* Image1 = nullptr;
    QTimer* Timer2 = nullptr;

public slots:
    void Timer2_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace kestrune::app
