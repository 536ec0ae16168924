#pragma once

#include <QString>
#include <QWidget>

class QTimer;

namespace kestrune::ui {

// What the web window is asked to do when it loads. "Website" (exactly) opens
// the owner's web site; the load clears it once the site is handed on.
struct WebsiteState {
    QString WebsiteRequest;
};

WebsiteState& websiteState();

// The web window: a small borderless window without controls that hands the
// owner's web site to the desktop's opener when it loads, then unloads itself
// after a second. While it is loaded, further requests open nothing.
class frmWebsite final : public QWidget {
    Q_OBJECT
public:
    frmWebsite();

    void Load();

    QTimer* Timer1 = nullptr;

public slots:
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
};

// The main window's web site button: asks for the owner's web site and loads
// the web window without showing it.
void OpenOwnerWebsite();

} // namespace kestrune::ui
