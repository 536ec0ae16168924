#pragma once

#include "platform/MessageBoxes.h"
#include "store/StoreOutcome.h"

#include <QString>

namespace kestrune::ui {

class Form1;

// What the user is told of an outcome of the store.
struct DataFileMessage {
    // The message box; no box when the text is empty.
    QString text;
    QString title;
    platform::Icon icon = platform::Icon::None;
    // The status line, after the box; empty leaves it as it is.
    QString status;
    // The program ends after the box: it cannot go on with this data file.
    bool endsProgram = false;
};

// The message of an outcome, for the program named `productName` and its data
// file at `dataFilePath`. A failure with the file says what failed, the
// file's path and why, separated by blank lines.
DataFileMessage dataFileMessage(const store::StoreOutcome& outcome, const QString& productName,
                                const QString& dataFilePath);

// Why a file operation failed, in the user's words: the system's own reason
// when it gave one, else what the store found.
QString fileProblemText(const store::FileResult& result);

// Tells the user of an outcome: its box, owned by the main window or the
// password dialog over it, then its status line, then the end of the program
// where the outcome means that. True when the operation was done.
bool tellDataFileOutcome(Form1& main, const store::StoreOutcome& outcome);

// Asks whether to use the data file although it was sealed when it was last
// used here and is now plain, empty or missing (someone may have replaced
// it). True when the user answers Yes.
bool confirmUnsealedDataFile(Form1& main);

} // namespace kestrune::ui
