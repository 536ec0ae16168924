#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace kestrune::platform {

QString ExecutableFolder::path() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

} // namespace kestrune::platform
