#pragma once

#include "store/Seal.h"

#include <QString>

#include <cstddef>
#include <string>

// The vaults the benchmark runs on, written once per size into folders of
// their own below one root, plain and sealed.
namespace kestrune::bench {

struct Vault {
    std::size_t count = 0;
    QString folder;
    std::string dataPath;  // data.enc
    std::string floorPath; // the floor's save target beside it (plain vaults)
    qint64 fileSize = 0;
};

// Where the vaults' folders are made; set before the first vault is asked for.
void setVaultRoot(const QString& root);
const QString& vaultRoot();

// The plain vault of `count` entries, written at the first call.
const Vault& vaultOf(std::size_t count);

// The same vault sealed with theSeal(), written at the first call.
const Vault& sealedVaultOf(std::size_t count);

// Writes the vault's original bytes back (a save may have reordered the rows).
void restoreVault(const Vault& vault);

// The master password of every vault.
QString vaultPassword();

// The seal of the sealed vaults, made once with the standard limits.
const store::Seal& theSeal();

// A seal with the same key and header, for a store that takes one over.
store::Seal copyOfSeal(const store::Seal& seal);

} // namespace kestrune::bench
