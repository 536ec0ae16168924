#include "store/ConflictCopies.h"

#include "store/DataFileFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace kestrune::store {

namespace {

// The names sync engines give a conflict copy of "<base><suffix>" (for
// data.enc: "data" and ".enc"). %1 stands for the base, %2 for the suffix,
// both taken literally.
struct ConflictPattern {
    const char* engine;
    const char* pattern;
};
constexpr std::array kConflictPatterns{
    // data.sync-conflict-20261209-122649-B6OSXHE.enc
    ConflictPattern{"Syncthing", R"(%1\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7}%2)"},
    // data (conflicted copy 2026-12-09 101500).enc
    ConflictPattern{"Nextcloud or ownCloud", R"(%1 \(conflicted copy \d{4}-\d{2}-\d{2} \d{6}\)%2)"},
    // data (Alice's conflicted copy 2026-12-09).enc, and a second one of the
    // same day: data (Alice's conflicted copy 2026-12-09 (1)).enc
    ConflictPattern{"Dropbox",
                    R"(%1 \([^()/\\]+['’]s conflicted copy \d{4}-\d{2}-\d{2}( \(\d+\))?\)%2)"},
};

struct CompiledPattern {
    QString engine;
    QRegularExpression expression;
};

std::vector<CompiledPattern> patternsFor(const QString& dataFileName) {
    const qsizetype dot = dataFileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? dataFileName.left(dot) : dataFileName;
    const QString suffix = dot > 0 ? dataFileName.mid(dot) : QString();
    std::vector<CompiledPattern> compiled;
    for (const ConflictPattern& p : kConflictPatterns) {
        compiled.push_back(
            {QString::fromUtf8(p.engine),
             QRegularExpression(
                 QRegularExpression::anchoredPattern(QString::fromUtf8(p.pattern).arg(
                     QRegularExpression::escape(base), QRegularExpression::escape(suffix))),
                 QRegularExpression::CaseInsensitiveOption |
                     QRegularExpression::UseUnicodePropertiesOption)});
    }
    return compiled;
}

QString engineOf(const std::vector<CompiledPattern>& patterns, const QString& fileName) {
    for (const CompiledPattern& p : patterns) {
        if (p.expression.match(fileName).hasMatch()) {
            return p.engine;
        }
    }
    return {};
}

} // namespace

QString conflictCopyEngine(const QString& fileName, const QString& dataFileName) {
    return engineOf(patternsFor(dataFileName), fileName);
}

std::vector<ConflictCopy> findConflictCopies(const QString& dataFilePath) {
    // A data file that is a link into a synced folder has its copies beside
    // the file it leads to, named after that file.
    const QString target = QFileInfo(dataFilePath).canonicalFilePath();
    const QFileInfo data(target.isEmpty() ? dataFilePath : target);
    const std::vector<CompiledPattern> patterns = patternsFor(data.fileName());
    // Every name, also of folders, broken links and hidden files: a copy that
    // cannot be merged is named too.
    const QDir folder = data.absoluteDir();
    const QStringList names = folder.entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    std::vector<ConflictCopy> copies;
    for (const QString& name : names) {
        if (engineOf(patterns, name).isEmpty()) {
            continue;
        }
        const QFileInfo info(folder.filePath(name));
        ConflictCopy copy{info.absoluteFilePath()};
        // QFileInfo follows links: a link to a plain file is one; a link
        // that leads nowhere or in a loop is not.
        if (!info.isFile()) {
            copy.problem = FileProblem::NotAFile;
        } else if (info.size() > kDataFileSizeLimit) {
            copy.problem = FileProblem::TooLarge;
        }
        copies.push_back(copy);
    }
    return copies;
}

} // namespace kestrune::store
