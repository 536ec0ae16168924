#pragma once

#include "store/SecretKey.h"

#include <QString>

namespace kestrune::ui {

class Form1;

// The File menu's commands on the data file itself: encrypting it with the
// master password, and removing that encryption again. Each asks first, and
// reports its result in the status line.
class DataFileCommands {
public:
    explicit DataFileCommands(Form1& main) : main_(main) {}

    // After a confirmation, makes a key from the master password with a new
    // random salt (on a thread of its own, the main window disabled and a
    // wait cursor meanwhile), then writes the file sealed.
    void EncryptDataFile();
    // After a confirmation, writes the file unsealed.
    void RemoveEncryption();
    // From the confirmation of either until its write is done.
    bool busy() const { return busy_; }

    // The confirmation of EncryptDataFile for a master password.
    static QString encryptQuestion(const QString& masterPassword, const QString& productName);
    static QString removeQuestion(const QString& productName);

    // How hard the new key is to make. The standard limits unless a test
    // lowers them; nothing a user can reach changes them.
    store::KeyLimits keyLimits = store::standardKeyLimits();

private:
    Form1& main_;
    bool busy_ = false;
};

} // namespace kestrune::ui
