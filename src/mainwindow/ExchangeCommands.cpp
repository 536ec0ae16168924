#include "mainwindow/ExchangeCommands.h"

#include "mainwindow/DataFileMessages.h"

#include "dialogs/frmImportColumns.h"
#include "dialogs/frmImportSummary.h"
#include "exchange/CsvExport.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"
#include "mainwindow/frmAdd.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/DataFileGuard.h"
#include "store/FileHelpers.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kestrune::ui {

namespace {

QString entries(qsizetype n) {
    return n == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(n);
}

// The same file, also when named another way.
bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists()) {
        return first.canonicalFilePath() == second.canonicalFilePath();
    }
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

} // namespace

bool ExchangeCommands::entryDialogOpen(const QString& what) {
    if (!forms().isLoaded<frmAdd>()) {
        return false;
    }
    main_.StatusMessage(QStringLiteral("Save or cancel the entry dialog before you %1.").arg(what));
    return true;
}

void ExchangeCommands::reportFileProblem(const QString& what, const QString& path,
                                         const QString& why) {
    platform::services().messages->show(
        &main_,
        what + QStringLiteral("\n\n") + QDir::toNativeSeparators(path) + QStringLiteral("\n\n") +
            why,
        ProgramIdentity().ProductName, platform::Buttons::Ok, platform::Icon::Warning);
}

void ExchangeCommands::Import() {
    if (pending_ || entryDialogOpen(QStringLiteral("import"))) {
        return;
    }
    platform::FileDialogs& files = *platform::services().files;
    const QString path =
        files.openFileName(&main_, QStringLiteral("Import Passwords"), files.documentsFolder(),
                           QStringLiteral("CSV files (*.csv);;Text files (*.txt);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    const QString cannot = QStringLiteral("%1 cannot import this file.  Nothing has been changed.")
                               .arg(ProgramIdentity().ProductName);
    if (QFileInfo(path).size() > kLargestImport) {
        reportFileProblem(
            cannot, path,
            QStringLiteral("The file is larger than %1 MB.").arg(kLargestImport >> 20));
        return;
    }
    const store::ReadResult bytes = store::readWholeFile(path);
    if (!bytes.ok) {
        reportFileProblem(cannot, path, fileProblemText(bytes));
        return;
    }
    exchange::CsvReadResult read = exchange::readCsv(bytes.bytes);
    if (!read.ok) {
        reportFileProblem(cannot, path, read.error);
        return;
    }
    Pending pending;
    pending.path = path;
    pending.table = std::make_shared<const exchange::CsvTable>(std::move(read.table));
    const std::vector<QString>& header = pending.table->records.front().fields;
    if (const auto known = exchange::recogniseLayout(header)) {
        pending.mapping = known->mapping;
        pending.layout = exchange::layoutName(known->layout);
        pending_ = std::move(pending);
        showSummary();
        return;
    }
    pending.layout = exchange::layoutName(exchange::Layout::Other);
    pending_ = std::move(pending);
    askForColumns();
}

void ExchangeCommands::askForColumns() {
    const exchange::CsvTable& table = *pending_->table;
    ImportPreview preview;
    for (const exchange::CsvRecord& record : table.records) {
        preview.columns = std::max(preview.columns, int(record.fields.size()));
        if (preview.firstRows.size() <= std::size_t(frmImportColumns::kPreviewRows)) {
            preview.firstRows.push_back(record.fields);
        }
    }
    if (preview.columns < 2) {
        const QString path = pending_->path;
        pending_.reset();
        reportFileProblem(QStringLiteral("%1 cannot import this file.  Nothing has been changed.")
                              .arg(ProgramIdentity().ProductName),
                          path,
                          QStringLiteral("It has only one column; an entry needs a username and "
                                         "a password."));
        return;
    }
    const exchange::ColumnMapping guess =
        exchange::guessMapping(table.records.front().fields, preview.columns, true);
    auto* dialog = forms().load<frmImportColumns>();
    dialog->setFile(pending_->path, std::move(preview), guess);
    QObject::connect(dialog, &frmImportColumns::confirmed, &main_, [this, dialog] {
        pending_->mapping = dialog->mapping();
        forms().unload<frmImportColumns>();
        showSummary();
    });
    QObject::connect(dialog, &frmImportColumns::cancelled, &main_, [this] { cancelImport(); });
    Forms::showWindow(dialog);
}

void ExchangeCommands::showSummary() {
    Pending& pending = *pending_;
    pending.plan = exchange::planImport(*pending.table, pending.mapping, main_.lstPass->rows());
    auto* dialog = forms().load<frmImportSummary>();
    dialog->setSummary(
        pending.path, exchange::summaryText(pending.plan, pending.layout, pending.table->encoding));
    QObject::connect(dialog, &frmImportSummary::confirmed, &main_, [this] {
        forms().unload<frmImportSummary>();
        applyImport();
    });
    QObject::connect(dialog, &frmImportSummary::cancelled, &main_, [this] { cancelImport(); });
    Forms::showWindow(dialog);
}

void ExchangeCommands::applyImport() {
    Pending pending = std::move(*pending_);
    pending_.reset();
    std::vector<store::Entry>& additions = pending.plan.additions;
    const auto count = qsizetype(additions.size());
    if (count == 0) {
        main_.StatusMessage(QStringLiteral("No entries imported: the file holds none to add."));
        return;
    }
    // One change, saved once: all the rows come in, or none.
    const store::StoreOutcome saved = appendAndSave(main_.lstPass->rows(), std::move(additions));
    if (!saved) {
        main_.StatusMessage(QStringLiteral("Nothing imported: the entries could not be saved."));
        return;
    }
    // Saved onto another program's change, entries it already held are not
    // added twice.
    QString status =
        QStringLiteral("Imported %1.  Data saved.").arg(entries(count - saved.alreadyThere));
    if (saved.alreadyThere > 0) {
        status += QStringLiteral("  %1 already there: the data file was changed meanwhile by "
                                 "another program.")
                      .arg(entries(saved.alreadyThere));
    }
    main_.StatusMessage(status);
}

void ExchangeCommands::cancelImport() {
    if (!pending_) {
        return;
    }
    pending_.reset();
    forms().unload<frmImportColumns>();
    forms().unload<frmImportSummary>();
    main_.StatusMessage(QStringLiteral("Import cancelled, nothing changed."));
}

void ExchangeCommands::Export() {
    if (pending_ || entryDialogOpen(QStringLiteral("export"))) {
        return;
    }
    const EntryListModel& rows = main_.lstPass->rows();
    const qsizetype count = rows.count();
    if (count == 0) {
        main_.StatusMessage(QStringLiteral("There are no entries to export."));
        return;
    }
    const platform::Answer answer = platform::services().messages->show(
        &main_,
        QStringLiteral("The exported file is not encrypted: anyone who can read it can read "
                       "every password in it.\r\n\r\nExport %1?")
            .arg(count == 1 ? QStringLiteral("the entry")
                            : QStringLiteral("all %1").arg(entries(count))),
        QStringLiteral("Export"), platform::Buttons::OkCancel, platform::Icon::Warning);
    if (answer != platform::Answer::Ok) {
        main_.StatusMessage(QStringLiteral("Export cancelled."));
        return;
    }
    platform::FileDialogs& files = *platform::services().files;
    const QString path = files.saveFileName(&main_, QStringLiteral("Export Passwords"),
                                            QDir(files.documentsFolder()).filePath(kExportName),
                                            QStringLiteral("CSV files (*.csv);;All files (*)"),
                                            QStringLiteral("csv"));
    if (path.isEmpty()) {
        main_.StatusMessage(QStringLiteral("Export cancelled."));
        return;
    }
    const QString dataFile = store::credentialStore().dataFilePath();
    if (sameFile(path, dataFile) || sameFile(path, store::LockFilePath(dataFile))) {
        reportFileProblem(
            QStringLiteral("%1 did not export your entries.").arg(ProgramIdentity().ProductName),
            path,
            QStringLiteral("This is %1's own data file.  Please choose another "
                           "name for the export.")
                .arg(ProgramIdentity().ProductName));
        main_.StatusMessage(QStringLiteral("Export cancelled."));
        return;
    }
    const store::FileResult written = exchange::writeExport(path, rows);
    if (!written.ok) {
        reportFileProblem(QStringLiteral("%1 could not export your entries.  No file has been "
                                         "written or changed.")
                              .arg(ProgramIdentity().ProductName),
                          path, fileProblemText(written));
        main_.StatusMessage(QStringLiteral("Export failed."));
        return;
    }
    main_.StatusMessage(
        QStringLiteral("Exported %1 to %2").arg(entries(count), QDir::toNativeSeparators(path)));
}

} // namespace kestrune::ui
