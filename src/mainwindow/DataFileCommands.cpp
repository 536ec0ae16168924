#include "mainwindow/DataFileCommands.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/Seal.h"
#include "widgets/Background.h"
#include "widgets/ProgramIdentity.h"

#include <QApplication>

namespace kestrune::ui {

namespace {

// Shorter master passwords get a word of warning before they are made a key.
constexpr qsizetype kShortPassword = 12;

} // namespace

QString DataFileCommands::encryptQuestion(const QString& masterPassword,
                                          const QString& productName) {
    QString text =
        QStringLiteral(
            "Encrypt the data file with your master password?\n\n"
            "- From now on the file opens only with the master password.  A copy of it (a "
            "backup, a synced folder, a lost computer) shows nothing to anyone without it.\n\n"
            "- The master password cannot be changed.  If you forget it, nobody can recover "
            "it, and %1 cannot open your entries any more.\n\n"
            "- Copies of the file made before now stay readable, as they were: replace or "
            "delete them.")
            .arg(productName);
    if (masterPassword.size() < kShortPassword) {
        text += QStringLiteral("\n\n- Your master password is short: %1 characters.  Someone "
                               "with a copy of the file can try one password after another, "
                               "and a short one is found much sooner.  The encryption is only "
                               "as strong as the password; %2 or more characters are advised.")
                    .arg(masterPassword.size())
                    .arg(kShortPassword);
    }
    return text;
}

QString DataFileCommands::removeQuestion(const QString& productName) {
    return QStringLiteral(
               "Remove the encryption from the data file?\n\n"
               "The file will then be only encoded, not encrypted: anyone who can read it, or "
               "a copy of it, will read every username and password in it, and the master "
               "password too, without knowing it.\n\n"
               "Copies made while the file was encrypted stay encrypted.  You can encrypt it "
               "again from the File menu of %1.")
        .arg(productName);
}

void DataFileCommands::EncryptDataFile() {
    store::CredentialStore& store = store::credentialStore();
    if (store.isSealed()) {
        return;
    }
    busy_ = true;
    const platform::Answer answer = platform::services().messages->show(
        &main_, encryptQuestion(store.state.MasterPassword, ProgramIdentity().ProductName),
        QStringLiteral("Encrypt Data File"), platform::Buttons::OkCancel, platform::Icon::Warning);
    if (answer != platform::Answer::Ok) {
        busy_ = false;
        main_.StatusMessage(QStringLiteral("Data file not encrypted, cancelled by user"));
        return;
    }
    main_.StatusMessage(QStringLiteral("Encrypting the data file..."));
    main_.setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString password = store.state.MasterPassword;
    const store::KeyLimits limits = keyLimits;
    runInBackground<std::optional<store::Seal>>(
        &main_, [password, limits] { return store::makeSeal(password, limits); },
        [this](std::optional<store::Seal>&& seal) {
            QApplication::restoreOverrideCursor();
            main_.setEnabled(true);
            busy_ = false;
            const QString notEncrypted = QStringLiteral("Data file not encrypted.");
            if (!seal) {
                main_.StatusMessage(notEncrypted);
                tellDataFileOutcome(main_, {store::StoreStep::EncryptDataFile,
                                            store::StoreOutcome::Kind::OutOfMemory});
            } else if (!tellDataFileOutcome(
                           main_, store::credentialStore().EncryptDataFile(std::move(*seal)))) {
                main_.StatusMessage(notEncrypted);
            }
            main_.updateFileMenu();
        });
}

void DataFileCommands::RemoveEncryption() {
    store::CredentialStore& store = store::credentialStore();
    if (!store.isSealed()) {
        return;
    }
    busy_ = true;
    const platform::Answer answer = platform::services().messages->show(
        &main_, removeQuestion(ProgramIdentity().ProductName), QStringLiteral("Remove Encryption"),
        platform::Buttons::OkCancel, platform::Icon::Warning);
    busy_ = false;
    if (answer != platform::Answer::Ok) {
        main_.StatusMessage(QStringLiteral("Encryption not removed, cancelled by user"));
        return;
    }
    tellDataFileOutcome(main_, store.RemoveEncryption());
    main_.updateFileMenu();
}

} // namespace kestrune::ui
