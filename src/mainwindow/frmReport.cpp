#include "mainwindow/frmReport.h"

#include "dialogs/Dialog.h"
#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "widgets/Forms.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrune::ui {

namespace {
// A window that can be resized, unlike the fixed dialogs: the list is wide.
constexpr Qt::WindowFlags kReportFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
} // namespace

frmReport::frmReport() : QWidget(nullptr, kReportFlags) {
    makeDialog(this, "frmReport", QStringLiteral("Password Report"));

    lblSummary = makeLabel(this, "lblSummary", QString());
    lblSummary->setWordWrap(true);
    prgRating = new QProgressBar(this);
    prgRating->setObjectName(QStringLiteral("prgRating"));
    prgRating->setTextVisible(false);
    prgRating->hide();
    lstReport = new QTreeView(this);
    lstReport->setObjectName(QStringLiteral("lstReport"));
    lstReport->setAccessibleName(QStringLiteral("Passwords that need attention"));
    lstReport->setRootIsDecorated(false);
    lstReport->setUniformRowHeights(true);
    lstReport->setAllColumnsShowFocus(true);
    lstReport->setSelectionMode(QAbstractItemView::SingleSelection);
    lstReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstReport->setModel(&model_);
    // Worst first until a header is clicked.
    lstReport->header()->setSortIndicator(PasswordReportModel::Strength, Qt::AscendingOrder);
    lstReport->setSortingEnabled(true);
    lstReport->setColumnWidth(PasswordReportModel::Username, 170);
    lstReport->setColumnWidth(PasswordReportModel::Location, 190);
    lstReport->setColumnWidth(PasswordReportModel::Strength, 80);
    lstReport->installEventFilter(this);
    connect(lstReport, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            openRow(index.row());
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(prgRating);
    layout->addWidget(lstReport, 1);
    resize(760, 420);
}

frmReport::~frmReport() {
    platform::services().timers->cancel(rateLater_);
    stopRating();
}

void frmReport::Load() {
    main_ = qobject_cast<Form1*>(forms().mainWindow());
    if (main_ != nullptr) {
        // Owned by the main window: above it, and never behind it.
        setParent(main_, windowFlags());
        const QRect area = main_->geometry();
        move(area.center() - rect().center());
        watchList();
    } else {
        Forms::centreOnScreen(this);
    }
    dressInSkin(this);
    startRating();
}

void frmReport::watchList() {
    // Any change of the entries (add, edit, delete, a file read again); a
    // sort of the main list changes none, and the rows keep their identities.
    const EntryListModel* list = &main_->lstPass->rows();
    connect(list, &QAbstractItemModel::rowsInserted, this, &frmReport::rateLater);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &frmReport::rateLater);
    connect(list, &QAbstractItemModel::dataChanged, this, &frmReport::rateLater);
    connect(list, &QAbstractItemModel::modelReset, this, &frmReport::rateLater);
}

void frmReport::rateLater() {
    // Many changes in a row (an import, an undo) give one rating.
    platform::Timers& timers = *platform::services().timers;
    timers.cancel(rateLater_);
    rateLater_ = timers.startOnce(kRateAgainAfterMs, [this] {
        rateLater_ = 0;
        startRating();
    });
}

void frmReport::startRating() {
    stopRating();
    auto job = std::make_shared<Job>();
    if (main_ != nullptr) {
        const EntryListModel& list = main_->lstPass->rows();
        job->entries.reserve(std::size_t(list.count()));
        job->ids.reserve(std::size_t(list.count()));
        for (qsizetype i = 1; i <= list.count(); ++i) {
            job->entries.push_back(list.row(i));
            job->ids.push_back(list.idAt(i));
        }
    }
    job_ = job;
    const auto total = job->entries.size();
    lblSummary->setText(QStringLiteral("Checking the passwords of %1 entries...")
                            .arg(QLocale().toString(qulonglong(total))));
    prgRating->setRange(0, int(total));
    prgRating->setValue(0);
    prgRating->show();
    // The job holds its progress call, so the call holds the job weakly.
    job->control.progress = [this, weak = std::weak_ptr<Job>(job)](std::size_t done) {
        QMetaObject::invokeMethod(
            this,
            [this, weak, done] {
                if (!weak.expired() && weak.lock() == job_) {
                    prgRating->setValue(int(done));
                }
            },
            Qt::QueuedConnection);
    };
    worker_ = std::thread([this, job] {
        job->ratings = store::ratePasswords(job->entries, job->control);
        if (!job->control.cancelled) {
            QMetaObject::invokeMethod(
                this, [this, job] { showRatings(job); }, Qt::QueuedConnection);
        }
    });
}

void frmReport::stopRating() {
    if (job_ != nullptr) {
        job_->control.cancelled = true;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    job_.reset();
}

void frmReport::showRatings(const std::shared_ptr<Job>& job) {
    if (job != job_) {
        return; // a rating that was cancelled, or replaced
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    // The row that was current stays current when its entry is still listed.
    const QModelIndex current = lstReport->currentIndex();
    const quint64 currentId = current.isValid() ? model_.idAt(current.row()) : 0;
    model_.setRatings(job->entries, job->ids, job->ratings);
    qsizetype rated = 0;
    for (const store::PasswordRating& rating : job->ratings) {
        rated += rating.rated() ? 1 : 0;
    }
    lblSummary->setText(summaryText(model_.rowCount(), rated));
    prgRating->hide();
    job_.reset();
    if (model_.rowCount() > 0) {
        const int row = std::max(0, model_.rowOf(currentId));
        lstReport->setCurrentIndex(model_.index(row, 0));
    }
}

void frmReport::openRow(int row) {
    if (main_ == nullptr || row < 0 || row >= model_.rowCount()) {
        return;
    }
    // The row's identity finds the entry wherever either list's sort has put it.
    const qsizetype position = main_->lstPass->rows().positionOf(model_.idAt(row));
    if (position == 0) {
        return; // deleted meanwhile; the report is rated again shortly
    }
    main_->lstPass->selectRow(position);
    main_->commands().Edit();
}

bool frmReport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstReport && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            lstReport->currentIndex().isValid()) {
            openRow(lstReport->currentIndex().row());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmReport::keyPressEvent(QKeyEvent* event) {
    // Esc, wherever the focus is in the window, closes it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmReport::closeEvent(QCloseEvent* event) {
    event->accept();
    platform::services().timers->cancel(rateLater_);
    rateLater_ = 0;
    stopRating();
    forms().forget(this);
}

} // namespace kestrune::ui
