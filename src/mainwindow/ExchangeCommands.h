#pragma once

#include "exchange/CsvReader.h"
#include "exchange/ImportLayouts.h"
#include "exchange/ImportPlan.h"

#include <QString>

#include <memory>
#include <optional>

namespace kestrune::ui {

class Form1;

// The main window's File, Import... and File, Export... commands. An import
// reads the file, asks for its columns when its layout is not a known one,
// shows what it would do, and only when the user agrees appends the new
// entries to the list and saves once; a failed or refused save takes them all
// out again. An export writes every entry, in the order shown, to a CSV file
// after the user has been told that the file is not encrypted. Neither runs
// while the entry dialog is open.
class ExchangeCommands {
public:
    explicit ExchangeCommands(Form1& main) : main_(main) {}

    void Import();
    void Export();
    // An import is on its way through its dialogs.
    bool importPending() const { return pending_.has_value(); }

    // The name an export is offered under, in the user's documents folder.
    static inline const QString kExportName = QStringLiteral("kestrune-export.csv");
    // Larger files are refused before they are read.
    static constexpr qint64 kLargestImport = qint64(512) << 20;

private:
    // An import on its way through the dialogs.
    struct Pending {
        QString path;
        std::shared_ptr<const exchange::CsvTable> table;
        exchange::ColumnMapping mapping;
        QString layout;
        exchange::ImportPlan plan;
    };

    bool entryDialogOpen(const QString& what);
    // A message box about a file that cannot be imported or exported.
    void reportFileProblem(const QString& what, const QString& path, const QString& why);
    void askForColumns();
    void showSummary();
    void applyImport();
    void cancelImport();

    Form1& main_;
    std::optional<Pending> pending_;
};

} // namespace kestrune::ui
