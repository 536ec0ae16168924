#include "mainwindow/Locking.h"

#include "dialogs/frmImportColumns.h"
#include "dialogs/frmImportSummary.h"
#include "mainwindow/Form1.h"
#include "mainwindow/frmAdd.h"
#include "platform/Platform.h"
#include "platform/SecretClipboard.h"
#include "store/CredentialStore.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>

#include <algorithm>
#include <utility>

namespace kestrune::ui {

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kIdleSetting = QStringLiteral("lockAfterMinutes");
constexpr int kLongestIdleMinutes = 24 * 60;

platform::Services& services() {
    return platform::services();
}

QString idleChoiceText(int minutes) {
    if (minutes == 0) {
        return QStringLiteral("Off");
    }
    return minutes == 1 ? QStringLiteral("1 Minute") : QStringLiteral("%1 Minutes").arg(minutes);
}

} // namespace

Locking::Locking(Form1& main) : main_(main) {
    // A stored value that is no number of minutes counts as missing.
    bool number = false;
    const int stored = services()
                           .settings
                           ->value(ProgramIdentity().ProductName, kSection, kIdleSetting,
                                   QString::number(kDefaultIdleMinutes))
                           .toInt(&number);
    if (number && stored >= 0 && stored <= kLongestIdleMinutes) {
        idleMinutes_ = stored;
    }
    qApp->installEventFilter(this);
}

Locking::~Locking() {
    services().timers->cancel(timer_);
}

void Locking::addMenuItems(QMenu& file) {
    lockItem_ = file.addAction(QStringLiteral("Lock"), this, &Locking::Lock);
    lockItem_->setObjectName(QStringLiteral("mnuLock"));
    // From any of the program's windows, as long as none waits for an answer.
    lockItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    lockItem_->setShortcutContext(Qt::ApplicationShortcut);

    idleMenu_ = file.addMenu(QStringLiteral("Lock When Idle"));
    idleMenu_->setObjectName(QStringLiteral("mnuLockWhenIdle"));
    auto* choices = new QActionGroup(idleMenu_);
    choices->setExclusive(true);
    for (std::size_t i = 0; i < kIdleChoices.size(); ++i) {
        const int minutes = kIdleChoices[i];
        QAction* item = idleMenu_->addAction(idleChoiceText(minutes),
                                             [this, minutes] { setIdleMinutes(minutes); });
        item->setObjectName(QStringLiteral("mnuLockWhenIdle(%1)").arg(i));
        item->setCheckable(true);
        item->setChecked(minutes == idleMinutes_);
        choices->addAction(item);
    }
}

void Locking::setIdleMinutes(int minutes) {
    idleMinutes_ = std::clamp(minutes, 0, kLongestIdleMinutes);
    services().settings->setValue(ProgramIdentity().ProductName, kSection, kIdleSetting,
                                  QString::number(idleMinutes_));
    if (idleMenu_ != nullptr) {
        for (QAction* item : idleMenu_->actions()) {
            item->setChecked(item->text() == idleChoiceText(idleMinutes_));
        }
    }
    // The new time counts from its choice.
    lastInput_ = services().timers->clockMs();
    check();
}

void Locking::Lock() {
    if (!active()) {
        return;
    }
    if (entryDialogHasChanges()) {
        const platform::Answer answer = services().messages->show(
            forms().find<frmAdd>(),
            QStringLiteral("Discard the changes in the entry dialog and lock?"),
            ProgramIdentity().ProductName, platform::Buttons::OkCancel, platform::Icon::Warning);
        if (answer != platform::Answer::Ok) {
            return;
        }
    }
    lockNow();
}

bool Locking::entryDialogHasChanges() const {
    const frmAdd* dialog = forms().find<frmAdd>();
    if (dialog == nullptr) {
        return false;
    }
    const store::Entry typed = dialog->typedEntry();
    if (dialog->addMode()) {
        return typed != store::Entry{};
    }
    const EntryListModel& rows = main_.lstPass->rows();
    const qsizetype position = rows.positionOf(dialog->editedRow());
    return position == 0 || typed != rows.row(position);
}

bool Locking::mustWait() {
    if (entryDialogHasChanges() || forms().isLoaded<frmImportColumns>() ||
        forms().isLoaded<frmImportSummary>() || !main_.isEnabled()) {
        return true;
    }
    // A menu left open is closed, and a question or a file dialog left open
    // is answered with Cancel: the lock comes once its command has returned,
    // never in its middle.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
    return modal != nullptr;
}

void Locking::sessionLocked() {
    if (active()) {
        sessionLocked_ = true;
        check();
    }
}

void Locking::checkIn(qint64 ms) {
    platform::Timers& timers = *services().timers;
    timers.cancel(timer_);
    timer_ = timers.startOnce(int(ms), [this] {
        timer_ = 0; // it has run
        check();
    });
}

void Locking::check() {
    services().timers->cancel(timer_);
    timer_ = 0;
    if (!active()) {
        return;
    }
    const qint64 limit = qint64(idleMinutes_) * 60'000;
    const qint64 idle = services().timers->clockMs() - lastInput_;
    const bool idleOver = idleMinutes_ > 0 && idle >= limit;
    if (!sessionLocked_ && !idleOver) {
        if (idleMinutes_ > 0) {
            checkIn(limit - idle);
        }
        return;
    }
    if (mustWait()) {
        checkIn(kRetryMs);
        return;
    }
    lockNow();
}

void Locking::lockNow() {
    EntryList& list = *main_.lstPass;
    if (const qsizetype selected = list.firstSelected(); selected > 0) {
        const store::Entry& entry = list.rows().row(selected);
        selected_ = Selected{entry.username, entry.location};
    } else {
        selected_.reset();
    }
    locked_ = true;
    sessionLocked_ = false;
    services().timers->cancel(timer_);
    timer_ = 0;

    platform::secretClipboard().clearIfStillHeld();
    main_.unloadOwnWindows();
    list.rows().clear();
    main_.hide();
    store::credentialStore().forgetSecrets();
    main_.loginSteps().BeginLogin();
}

bool Locking::afterLogin() {
    const bool unlocking = locked_;
    loggedIn_ = true;
    locked_ = false;
    sessionLocked_ = false;
    if (selected_) {
        const Selected selected = *std::exchange(selected_, std::nullopt);
        main_.lstPass->selectFirstWhere([&selected](const store::Entry& entry) {
            return entry.username == selected.username && entry.location == selected.location;
        });
    }
    platform::SessionLock& session = *services().sessionLock;
    if (!listening_) {
        listening_ = true;
        connect(&session, &platform::SessionLock::lockNow, this, &Locking::sessionLocked);
    }
    // Asked again at every unlock: the window's native handle may have been
    // made anew meanwhile.
    session.listen(quintptr(main_.winId()));
    lastInput_ = services().timers->clockMs();
    check();
    if (unlocking) {
        emit unlocked();
    }
    return unlocking;
}

bool Locking::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        lastInput_ = services().timers->clockMs();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrune::ui
