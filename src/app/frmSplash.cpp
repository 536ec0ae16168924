#include "app/frmSplash.h"

#include "mainwindow/Form1.h"
#include "skin/modSkin.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace kestrune::app {

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowIcon(QIcon(QStringLiteral(":/images/kestrune.png")));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    setPicture(QPixmap(QStringLiteral(":/images/splash.jpg")));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2);
    Timer2->setTimerType(Qt::PreciseTimer);
    connect(Timer2, &QTimer::timeout, this, &frmSplash::Timer2_Timer);
}

void frmSplash::setPicture(const QPixmap& picture) {
    Image1->setPixmap(picture);
    Image1->setGeometry(QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize()));
}

void frmSplash::Load() {
    // The borderless window is exactly its picture.
    setFixedSize(Image1->size());
    ui::Forms::centreOnScreen(this);
    ui::LoadIdentity();
    if (ui::ProgramIdentity().SkinEnabled) {
        skin::StartSkin(this);
    }
    Timer2->start();
}

void frmSplash::Timer2_Timer() {
    intTemp += 2;
    if (intTemp != 150) {
        return;
    }
    // Stopped first, so that the hand-over runs only once.
    Timer2->stop();
    auto* main = ui::forms().load<ui::Form1>();
    // The main window takes this window's icon, and unloads it when it closes.
    if (ui::ProgramIdentity().UseSplashIcon) {
        main->setWindowIcon(windowIcon());
    }
    connect(main, &ui::Form1::closing, this, [] { ui::forms().unload<frmSplash>(); });
    main->show();
    hide();
}

void frmSplash::closeEvent(QCloseEvent* event) {
    Timer2->stop();
    ui::forms().forget(this);
    event->accept();
}

} // namespace kestrune::app
