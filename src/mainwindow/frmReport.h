#pragma once

#include "mainwindow/PasswordReportModel.h"
#include "platform/Timers.h"
#include "store/Entry.h"
#include "store/PasswordRating.h"

#include <QWidget>

#include <memory>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QTreeView;

namespace kestrune::ui {

class Form1;

// The password report: a modeless window over the main window that lists the
// entries whose password needs attention (weak, reused or short), worst
// first, with a summary line above. It rates the main list's entries off the
// user-interface thread when it opens, with a progress bar, and again shortly
// after the list changes while it is open. Enter or a double-click on a row
// opens that entry as Edit does. It never shows a password and stores nothing.
class frmReport final : public QWidget {
    Q_OBJECT
public:
    frmReport();
    ~frmReport() override;

    // Owned by the main window and placed over it; rates its list.
    void Load();

    // A rating is under way.
    bool rating() const { return job_ != nullptr; }
    // Selects the entry of `row` (0-based, as shown) in the main list and
    // opens it in the entry dialog with Edit's rules.
    void openRow(int row);

    QLabel* lblSummary = nullptr;
    QProgressBar* prgRating = nullptr;
    QTreeView* lstReport = nullptr;
    PasswordReportModel& rows() { return model_; }

    // How long after a change to the list the report rates it again.
    static constexpr int kRateAgainAfterMs = 300;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What one rating works on: the list's entries and identities as they
    // were when it started (the texts are shared, not copied), and the result.
    struct Job {
        std::vector<store::Entry> entries;
        std::vector<quint64> ids;
        store::RatingControl control;
        std::vector<store::PasswordRating> ratings;
    };

    void watchList();
    void rateLater();
    void startRating();
    // Cancels a rating under way and waits for its threads.
    void stopRating();
    void showRatings(const std::shared_ptr<Job>& job);

    Form1* main_ = nullptr;
    PasswordReportModel model_;
    std::shared_ptr<Job> job_;
    std::thread worker_;
    platform::Timers::Id rateLater_ = 0;
};

} // namespace kestrune::ui
