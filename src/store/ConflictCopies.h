#pragma once

#include "store/FileHelpers.h"

#include <QString>

#include <vector>

// The copies of the data file that sync engines leave beside it when the file
// was changed on two computers at once: each keeps one side's file under the
// data file's name and the other side's under a name of its own.
namespace kestrune::store {

// Whether `fileName` (a name, no folder) is a conflict copy of the data file
// named `dataFileName`; letter case is not significant. The name of the
// engine that names its copies so, or empty.
QString conflictCopyEngine(const QString& fileName, const QString& dataFileName);

// A conflict copy found beside the data file. A copy that cannot be merged as
// it stands says why: NotAFile (a folder, a link that leads nowhere or in a
// loop, or anything else that is no plain file) or TooLarge (larger than the
// data file limit). None: a plain file, to be read.
struct ConflictCopy {
    QString path;
    FileProblem problem = FileProblem::None;

    bool operator==(const ConflictCopy&) const = default;
};

// The conflict copies in the data file's folder, by name; for a data file
// that is a link, in the folder of the file it leads to.
std::vector<ConflictCopy> findConflictCopies(const QString& dataFilePath);

} // namespace kestrune::store
