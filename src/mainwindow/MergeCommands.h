#pragma once

#include "platform/FileStamp.h"
#include "store/Entry.h"
#include "store/OtherDataFile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace kestrune::ui {

class Form1;

// Merging another data file into the list: the conflict copies that sync
// engines leave beside data.enc, and File, Merge From.... The other file's
// entries that the list lacks are shown in a summary first, and only when the
// user agrees appended and saved as one change; a merged conflict copy is then
// deleted. Files are read off the user-interface thread (a sealed one may
// need its key made), one at a time.
class MergeCommands {
public:
    explicit MergeCommands(Form1& main) : main_(main) {}

    // Looks beside the data file for conflict copies and offers each one that
    // the master password opens for merging; the others are named once in
    // the status line and left alone. Run after the login (`askAgain`: the
    // copies the user kept when asked before are offered again) and whenever
    // the data file's folder changes. While a merge is on its way, the look
    // is made once it ends.
    void offerConflictCopies(bool askAgain = false);

    // File, Merge From...: any data file, written or sealed; one locked with
    // another master password asks for it (three tries).
    void MergeFrom();

    // True from the moment a file is chosen or found until its merge ends.
    bool isBusy() const { return busy_; }

    // Drops the merge on its way, if any, without a word, and closes its
    // dialogs: nothing is changed, and a file being read is not used. For the
    // main window's close (and anything else that empties the list).
    void abandon();

    // The tries a file of another master password gets.
    static constexpr int kPasswordTries = 3;

private:
    // The file whose entries are on their way in.
    struct Pending {
        QString path;
        bool conflictCopy = false;
        std::vector<store::Entry> entries;
        platform::FileStamp stamp; // the file as it was read
        int wrongTries = 0;
    };

    void readInBackground(const QString& path, const QString& password, bool withKeyInHand,
                          std::function<void(store::OtherDataFile&&)> done);
    void nextCopy();
    void copyRead(const QString& path, store::OtherDataFile&& read);
    void fileRead(store::OtherDataFile&& read);
    void askPassword();
    void tryPassword(const QString& password);
    // A file read whole: its summary shows. One that cannot be merged is
    // named in a message, and the merge ends.
    void summarise(store::OtherDataFile&& read);
    void refuse(const store::OtherDataFile& read);
    void showSummary();
    void applyMerge();
    void cancelMerge();
    // The end of one merge or round of conflict copies: the status line says
    // what came of it, and a look asked for meanwhile is made.
    void finish(const QString& status);
    void leftAlone(const QString& path, const QString& why);
    void cannotMerge(const QString& path, const QString& why);

    Form1& main_;
    bool busy_ = false;
    bool lookAgain_ = false;
    quint64 generation_ = 0; // a read started before abandon() finds it changed
    std::optional<Pending> pending_;
    std::deque<QString> copies_; // conflict copies still to be read in this round
    QStringList roundMessages_;  // what this round of conflict copies came to
    QSet<QString> kept_;         // copies the user chose to keep, until the next login
    QHash<QString, platform::FileStamp> named_; // copies left alone, as they were then
};

} // namespace kestrune::ui
