#include "dialogs/frmWebsite.h"

#include "platform/Platform.h"
#include "store/LocationRules.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QTimer>

namespace kestrune::ui {

namespace {
const QString kWebsite = QStringLiteral("Website");
} // namespace

WebsiteState& websiteState() {
    static WebsiteState state;
    return state;
}

frmWebsite::frmWebsite() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmWebsite"));
    setFont(Forms::designFont());
    setFixedSize(twipsSize(1830, 1605));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmWebsite::Timer1_Timer);
}

void frmWebsite::Load() {
    Forms::centreOnScreen(this);
    LoadIdentity();
    // The window goes after a second whether or not it had anything to do.
    Timer1->start();

    QString& request = websiteState().WebsiteRequest;
    if (request != kWebsite) {
        return;
    }
    const QString address = store::withWebScheme(ProgramIdentity().Comments);
    // Whether the desktop managed to open it is not reported.
    platform::services().opener->open(address);
    request.clear();
}

void frmWebsite::Timer1_Timer() {
    Timer1->stop();
    forms().unload<frmWebsite>();
}

void frmWebsite::closeEvent(QCloseEvent* event) {
    event->accept();
    Timer1->stop();
    forms().forget(this);
}

void OpenOwnerWebsite() {
    websiteState().WebsiteRequest = kWebsite;
    forms().load<frmWebsite>();
}

} // namespace kestrune::ui
