#include "platform/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace kestrune::platform {

namespace {

QMessageBox::Icon toQtIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer QtMessageBoxes::show(QWidget* owner, const QString& text, const QString& title,
                            Buttons buttons, Icon icon) {
    // Lines may be separated by CR LF; a label breaks lines at LF alone.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(toQtIcon(icon), title, shown, QMessageBox::NoButton, owner);
    // Plain text only: entry texts shown in a box must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    if (owner == nullptr) {
        // Nothing else of the program shows: another program's window kept on
        // top must not hide the box.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* retry = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QMessageBox::Ok);
        box.setEscapeButton(ok);
        break;
    case Buttons::OkCancel:
        ok = box.addButton(QMessageBox::Ok);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        break;
    case Buttons::RetryCancel:
        retry = box.addButton(QMessageBox::Retry);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(retry);
        box.setEscapeButton(cancel);
        break;
    case Buttons::YesNo:
        // A question whose Yes takes a risk: Enter answers No.
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        break;
    }
    box.exec();
    const auto* clicked = box.clickedButton();
    if (clicked == nullptr) {
        return Answer::Closed;
    }
    if (clicked == ok) {
        return Answer::Ok;
    }
    if (clicked == retry) {
        return Answer::Retry;
    }
    if (clicked == cancel) {
        return Answer::Cancel;
    }
    if (clicked == yes) {
        return Answer::Yes;
    }
    if (clicked == no) {
        return Answer::No;
    }
    return Answer::Closed;
}

} // namespace kestrune::platform
