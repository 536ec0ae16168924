#include "mainwindow/DataFileMessages.h"

#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/GeneralDate.h"
#include "store/SealedFileMemory.h"
#include "widgets/ProgramIdentity.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

namespace kestrune::ui {

namespace {

using Kind = store::StoreOutcome::Kind;
using store::StoreStep;

const QString kBlankLine = QStringLiteral("\n\n");
const QString kWillClose =
    QStringLiteral("  The program will close; the file has not been changed.");

} // namespace

QString fileProblemText(const store::FileResult& result) {
    using store::FileProblem;
    const QString& said = result.systemReason;
    if (!said.isEmpty() && said != QLatin1String("Unknown error")) {
        return said;
    }
    switch (result.problem) {
    case FileProblem::NotAFile:
        return QStringLiteral("A folder, or something else that is not a file, stands where the "
                              "data file belongs.");
    case FileProblem::NameIsNotAFile:
        return QStringLiteral("A folder, or something else that is not a file, has that name.");
    case FileProblem::CannotOpen:
        return QStringLiteral("The file cannot be opened.");
    case FileProblem::CannotRead:
        return QStringLiteral("The file cannot be read.");
    case FileProblem::CannotCreate:
        return QStringLiteral("The file cannot be created.");
    case FileProblem::NotAllWritten:
        return QStringLiteral("Not all of the data could be written.");
    case FileProblem::CannotReplace:
        return QStringLiteral("The file could not be replaced.");
    case FileProblem::TooLarge:
        return QStringLiteral("The file is larger than 512 MiB, the most this program reads.");
    case FileProblem::LineTooLong:
        return QStringLiteral("Its first line is longer than any master password can be, so the "
                              "file is damaged.");
    case FileProblem::None:
    case FileProblem::Refused:
        break;
    }
    return {};
}

namespace {

// What a failed write of `step` did not do.
QString notWritten(StoreStep step) {
    switch (step) {
    case StoreStep::CreateMasterPassword:
        return QStringLiteral("%1 could not save the master password.  Nothing has been "
                              "changed; please try again.");
    case StoreStep::EncryptDataFile:
        return QStringLiteral("%1 could not encrypt the data file.  It has been left as it was.");
    case StoreStep::RemoveEncryption:
        return QStringLiteral("%1 could not remove the encryption.  The data file has been left "
                              "as it was.");
    default:
        return QStringLiteral("%1 could not save your entries.  The data file on disk has been "
                              "left as it was.");
    }
}

// A failure: what failed, the file it failed with and why, and whether the
// program can go on.
struct Failure {
    QString what;
    QString why;
    bool ends = true;
    bool namesTheFile = true;
};

// The failure of `outcome`; "%1" in the texts of our own names the program,
// while a reason the system gave is taken as it is.
Failure failureOf(const store::StoreOutcome& outcome, const QString& productName) {
    const auto named = [&productName](const QString& text) { return text.arg(productName); };
    const bool writing = outcome.step != StoreStep::BeginLogin &&
                         outcome.step != StoreStep::LoadData &&
                         outcome.step != StoreStep::PasswordTry;
    switch (outcome.kind) {
    case Kind::AlreadyRunning:
        return {named(QStringLiteral("%1 is already running with this data file.")),
                named(QStringLiteral("Use the copy of %1 that is running.  This one will close; "
                                     "it has not read or changed the file."))};
    case Kind::CannotUseFile:
        return {named(QStringLiteral("%1 cannot use its data file.")) + kWillClose,
                fileProblemText(outcome.file)};
    case Kind::CannotReadFile:
        return {named(QStringLiteral("%1 cannot read its data file.")) + kWillClose,
                fileProblemText(outcome.file)};
    case Kind::ChangedOutside:
        if (writing) {
            return {named(QStringLiteral("The data file has been changed by another program "
                                         "since %1 read it.  Nothing was overwritten: this "
                                         "change has not been saved.")),
                    named(QStringLiteral("Close %1 and start it again to load the file as it is "
                                         "now.")),
                    false};
        }
        return {named(QStringLiteral("The data file has been changed by another program since "
                                     "%1 read it.")) +
                    kWillClose,
                named(QStringLiteral("Start %1 again to load the file as it is now."))};
    case Kind::WriteFailed:
        return {named(notWritten(outcome.step)), fileProblemText(outcome.file), false};
    case Kind::SealingFailed:
        return {named(notWritten(outcome.step)),
                QStringLiteral("The data file could not be encrypted."), false};
    case Kind::Unsupported:
        return {named(QStringLiteral("This version of %1 cannot open the data file.")) + kWillClose,
                named(QStringLiteral("The file was encrypted by a newer version of %1, or in a "
                                     "way that this version does not know.  Open it with the "
                                     "version of %1 that encrypted it."))};
    case Kind::OutOfMemory:
        if (writing) {
            // No key, so nothing was written: the file is not named.
            return {named(notWritten(outcome.step)),
                    QStringLiteral("There is not enough free memory to make the key."), false,
                    false};
        }
        return {named(QStringLiteral("%1 cannot open the data file.")) + kWillClose,
                named(QStringLiteral("There is not enough free memory to make the key of the "
                                     "encrypted file.  Close other programs and start %1 "
                                     "again."))};
    default:
        return {named(QStringLiteral("The data file is damaged, so %1 cannot open it.")) +
                    kWillClose,
                named(QStringLiteral("The file is encrypted, but part of it is missing or has "
                                     "been changed since %1 wrote it.  Put back a copy from "
                                     "your backup, and start %1 again."))};
    }
}

QString statusOf(const store::StoreOutcome& outcome) {
    switch (outcome.kind) {
    case Kind::Loaded:
        return QStringLiteral("Loaded %1 entries").arg(outcome.count);
    case Kind::Reloaded:
        return QStringLiteral("Reloaded: the data file was changed by another program.  %1.")
            .arg(outcome.count == 1 ? QStringLiteral("1 entry")
                                    : QStringLiteral("%1 entries").arg(outcome.count));
    case Kind::Created:
        return QStringLiteral("Password created successfully");
    case Kind::Saved:
        return QStringLiteral("Saved ") +
               store::GeneralDateText(QDateTime::currentDateTime(), QLocale::system());
    case Kind::Encrypted:
        return QStringLiteral("Data file encrypted: it now opens only with the master password.");
    case Kind::EncryptionRemoved:
        return QStringLiteral("Encryption removed: the data file can now be read without the "
                              "master password.");
    default:
        return {};
    }
}

// A reload that did not happen: the list stays as it was, and the program
// goes on. Only another vault gets a box (the caller shows it once).
DataFileMessage notReloaded(const store::StoreOutcome& outcome, const QString& productName,
                            const QString& dataFilePath) {
    switch (outcome.kind) {
    case Kind::AnotherVault:
        return {QStringLiteral("The data file has been replaced by another program with a file "
                               "that your master password does not open.") +
                    kBlankLine + QDir::toNativeSeparators(dataFilePath) + kBlankLine +
                    QStringLiteral("%1 has not loaded it and will not save over it: your changes "
                                   "cannot be saved until your own data file is back in its "
                                   "place.")
                        .arg(productName),
                productName, platform::Icon::Warning,
                QStringLiteral("Not reloaded: the data file does not open with your master "
                               "password."),
                false};
    case Kind::OutOfMemory:
        return {{},
                {},
                platform::Icon::None,
                QStringLiteral("Not reloaded: there is not enough free memory to make the key "
                               "of the changed data file."),
                false};
    default:
        return {{},
                {},
                platform::Icon::None,
                QStringLiteral("Not reloaded: the data file is being written or is damaged.  It "
                               "is read again when it changes."),
                false};
    }
}

} // namespace

DataFileMessage dataFileMessage(const store::StoreOutcome& outcome, const QString& productName,
                                const QString& dataFilePath) {
    if (outcome.done()) {
        return {{}, {}, platform::Icon::None, statusOf(outcome), false};
    }
    if (outcome.step == StoreStep::ReloadData) {
        return notReloaded(outcome, productName, dataFilePath);
    }
    const Failure failure = failureOf(outcome, productName);
    QString text = failure.what + kBlankLine;
    if (failure.namesTheFile) {
        text += QDir::toNativeSeparators(dataFilePath) + kBlankLine;
    }
    return {text + failure.why, productName, platform::Icon::Critical, QString(), failure.ends};
}

namespace {

// Remembers whether the data file is sealed, for the next login's check: as
// loaded or created, and as encrypted or no longer.
void rememberWhetherSealed(const store::StoreOutcome& outcome) {
    switch (outcome.kind) {
    case Kind::Loaded:
    case Kind::Created:
    case Kind::Encrypted:
    case Kind::EncryptionRemoved: {
        const auto& store = store::credentialStore();
        store::rememberSealed(ProgramIdentity().ProductName, store.dataFilePath(),
                              store.isSealed());
        break;
    }
    default:
        break;
    }
}

} // namespace

bool confirmUnsealedDataFile(Form1& main) {
    const QString product = ProgramIdentity().ProductName;
    const QString text =
        QStringLiteral("%1 was sealed with a master password the last time %2 opened it, but it "
                       "is now not sealed.  Someone may have replaced it.\n\nOpen it anyway?")
            .arg(QDir::toNativeSeparators(store::credentialStore().dataFilePath()), product);
    return platform::services().messages->show(main.messageOwner(), text, product,
                                               platform::Buttons::YesNo,
                                               platform::Icon::Warning) == platform::Answer::Yes;
}

bool tellDataFileOutcome(Form1& main, const store::StoreOutcome& outcome) {
    rememberWhetherSealed(outcome);
    const DataFileMessage message = dataFileMessage(outcome, ProgramIdentity().ProductName,
                                                    store::credentialStore().dataFilePath());
    if (!message.text.isEmpty()) {
        platform::services().messages->show(main.messageOwner(), message.text, message.title,
                                            platform::Buttons::Ok, message.icon);
    }
    if (!message.status.isEmpty()) {
        main.StatusMessage(message.status);
    }
    if (message.endsProgram) {
        platform::endProgram();
    }
    return outcome.done();
}

} // namespace kestrune::ui
