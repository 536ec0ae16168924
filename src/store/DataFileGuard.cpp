#include "store/DataFileGuard.h"

#include "platform/Platform.h"

namespace kestrune::store {

QString LockFilePath(const QString& dataFilePath) {
    return dataFilePath + QStringLiteral(".lock");
}

platform::LockOutcome DataFileGuard::lock(const QString& dataFilePath) {
    return platform::services().locks->lock(LockFilePath(dataFilePath));
}

void DataFileGuard::remember(const QString& dataFilePath) {
    known_ = platform::services().stamps->stampOf(dataFilePath);
}

bool DataFileGuard::mayReplace(const QString& dataFilePath) const {
    if (!known_) {
        return true;
    }
    const platform::FileStamp now = platform::services().stamps->stampOf(dataFilePath);
    return !now.exists || now == *known_;
}

bool DataFileGuard::stillAsKnown(const QString& dataFilePath) const {
    const platform::FileStamp now = platform::services().stamps->stampOf(dataFilePath);
    return known_ && now.exists && now == *known_;
}

} // namespace kestrune::store
