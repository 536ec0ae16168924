#include "store/FileHelpers.h"

#include "store/DataFileFormat.h"

#include "support/StoreTestBase.h"
#include "support/StoreTestUtil.h"

#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace kestrune::store;
using namespace kestrune::test;
using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_UNIX
int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
#endif

} // namespace

// Each test function has `file`, data.enc in a fresh folder, nothing there yet.
class tst_FileHelpers : public StoreTestBase {
    Q_OBJECT

private slots:
    void init() {
        StoreTestBase::init();
        QCOMPARE(FileNameOf(DataFilePath(dir->path())), QStringLiteral("data.enc"));
    }

    void fileNameOf_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("backslashes") << u"C:\\a\\b\\data.enc"_s << u"data.enc"_s;
        QTest::newRow("slashes") << u"/a/b/data.enc"_s << u"data.enc"_s;
        QTest::newRow("mixed") << u"C:\\a/b\\data.enc"_s << u"data.enc"_s;
        QTest::newRow("bare name") << u"data.enc"_s << u"data.enc"_s;
        QTest::newRow("ends in backslash") << u"C:\\a\\"_s << QString();
        QTest::newRow("ends in slash") << u"/a/b/"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void fileNameOf() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(FileNameOf(path), expected);
    }

    void fileExists() {
        QVERIFY(!FileExists(file));
        QVERIFY(!FileExists(QString()));
        QVERIFY(putFile(file, "x"));
        QVERIFY(FileExists(file));
        QVERIFY(!FileExists(dir->path()));
#ifdef Q_OS_UNIX
        const QString hidden = dir->filePath(QStringLiteral(".hidden"));
        QVERIFY(putFile(hidden, "x"));
        QVERIFY(!FileExists(hidden));
#endif
    }

    void ensureDataFile() {
        QVERIFY(EnsureDataFile(file).ok);
        QCOMPARE(fileBytes(file), QByteArray("\r\n"));
        QVERIFY(putFile(file, "\xE1\r\nkeep"));
        QVERIFY(EnsureDataFile(file).ok);
        QCOMPARE(fileBytes(file), QByteArray("\xE1\r\nkeep"));
    }

    // A folder standing where a file belongs: every helper fails with a
    // reason, and nothing is written anywhere.
    void folderAtThePath() {
        QVERIFY(QDir().mkdir(file));
        QVERIFY(!FileExists(file));
        const FileResult ensured = EnsureDataFile(file);
        QVERIFY(!ensured.ok);
        QCOMPARE(ensured.problem, FileProblem::NotAFile);
        const FileResult written = writeFileAtomically(file, "data");
        QVERIFY(!written.ok);
        QCOMPARE(written.problem, FileProblem::NotAFile);
        for (const ReadResult& read : {readWholeFile(file), readFirstLine(file, kFirstLineLimit)}) {
            QVERIFY(!read.ok);
            QCOMPARE(read.problem, FileProblem::NotAFile);
            QVERIFY(read.bytes.isEmpty());
        }
        int pieces = 0;
        const FileResult inPieces = readFileInPieces(file, [&](QByteArrayView) { ++pieces; });
        QVERIFY(!inPieces.ok);
        QCOMPARE(inPieces.problem, FileProblem::NotAFile);
        QCOMPARE(pieces, 0);
        QVERIFY(QFileInfo(file).isDir());
        QCOMPARE(namesIn(dir->path()), QStringList{QStringLiteral("data.enc")});
        QCOMPARE(namesIn(file), QStringList());
    }

    // Line 1 as read before a password is given; a line longer than any
    // master password, and a file above the size limit, are not read.
    void firstLine_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<qint64>("growTo"); // the file made that large, holes after content
        QTest::addColumn<FileProblem>("problem");
        const QByteArray big(65536, 'a');
        const QByteArray limit(kFirstLineLimit, 'p');
        const auto row = [](const char* name, const QByteArray& content, const QByteArray& expected,
                            qint64 growTo = 0, FileProblem problem = FileProblem::None) {
            QTest::newRow(name) << content << expected << growTo << problem;
        };
        row("zero bytes", QByteArray(), QByteArray());
        row("no CR", "abc", "abc");
        row("CR LF", "abc\r\ndef\r\n", "abc");
        row("LF is text", "a\nb\rc", "a\nb");
        row("CR first", "\r\nabc", QByteArray());
        row("CR last of a block", big.left(65535) + "\r" + big, big.left(65535));
        row("CR after a block", big + "\r\nx", big);
        row("block, no CR", big, big);
        row("long line", big + big + "bc\r", big + big + "bc");
        row("line 1 at its limit", limit + "\r\nx", limit);
        row("line 1 over its limit", limit + "p\r\nx", {}, 0, FileProblem::LineTooLong);
        row("no CR, over the limit", limit + limit, {}, 0, FileProblem::LineTooLong);
        row("file at the size limit", "abc\r\n", "abc", kDataFileSizeLimit);
        row("file over the size limit", "abc\r\n", {}, kDataFileSizeLimit + 1,
            FileProblem::TooLarge);
    }
    void firstLine() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QFETCH(qint64, growTo);
        QFETCH(FileProblem, problem);
        QVERIFY(putFile(file, content));
        if (growTo > 0) {
            QFile grown(file);
            QVERIFY(grown.resize(growTo)); // sparse: nothing is written
        }
        const ReadResult read = readFirstLine(file, kFirstLineLimit);
        QCOMPARE(read.problem, problem);
        QCOMPARE(read.ok, problem == FileProblem::None);
        QCOMPARE(read.bytes, expected);
        if (problem == FileProblem::TooLarge) {
            // Nor is it read in pieces or whole: nothing of it is handed on.
            qint64 handed = 0;
            const FileResult pieces =
                readFileInPieces(file, [&handed](QByteArrayView p) { handed += p.size(); });
            QCOMPARE(pieces.problem, FileProblem::TooLarge);
            QCOMPARE(handed, 0);
            QCOMPARE(readWholeFile(file).problem, FileProblem::TooLarge);
        }
    }

    void writeAndReadEveryByte() {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b) {
            bytes.append(char(b));
        }
        QVERIFY(writeFileAtomically(file, bytes + bytes).ok);
        QCOMPARE(readWholeFile(file).bytes, bytes + bytes);
        // Shorter content replaces the whole file.
        QVERIFY(writeFileAtomically(file, "\r\n").ok);
        const ReadResult read = readWholeFile(file);
        QVERIFY(read.ok);
        QCOMPARE(read.bytes, QByteArray("\r\n"));
        QCOMPARE(namesIn(dir->path()), QStringList{QStringLiteral("data.enc")});

        // In pieces, both ways: the same bytes, each piece at most as long as asked.
        const QByteArray twice = bytes + bytes;
        qsizetype given = 0;
        QVERIFY(writeFileAtomicallyInPieces(file, [&]() -> QByteArrayView {
                    const QByteArrayView piece = QByteArrayView(twice).sliced(given).first(
                        std::min<qsizetype>(100, twice.size() - given));
                    given += piece.size();
                    return piece;
                }).ok);
        QByteArray read2;
        QVERIFY(readFileInPieces(
                    file,
                    [&](QByteArrayView piece) {
                        QVERIFY(piece.size() <= 7 && !piece.isEmpty());
                        read2.append(piece);
                    },
                    7)
                    .ok);
        QCOMPARE(read2, twice);
    }

    // Large pieces are written while the next one is made on another thread.
    // The pieces come from two buffers in turn, and a buffer is spoiled as soon
    // as it is taken again: the file only comes out right if no piece is read
    // after the call that follows the next one.
    void largePiecesWrittenWhileTheNextIsMade() {
        const int pieces = 9;
        const qsizetype pieceSize = qsizetype(300) << 10;
        QByteArray expected;
        QByteArray buffers[2];
        int given = 0;
        const auto next = [&]() -> QByteArrayView {
            if (given == pieces) {
                return {};
            }
            QByteArray& buffer = buffers[given % 2];
            buffer.fill('x', pieceSize); // spoils the piece given two calls ago
            for (qsizetype i = 0; i < pieceSize; ++i) {
                buffer[i] = char('a' + (given * 7 + i) % 26);
            }
            expected.append(buffer);
            ++given;
            return buffer;
        };
        QVERIFY(writeFileAtomicallyInPieces(file, next).ok);
        QCOMPARE(given, pieces);
        QCOMPARE(readWholeFile(file).bytes, expected);
        QCOMPARE(namesIn(dir->path()), QStringList{QStringLiteral("data.enc")});

#ifdef Q_OS_UNIX
        // A write that fails half-way stops asking for pieces, and the old
        // file stays as it was.
        const QByteArray old = expected;
        given = 0;
        FileResult written;
        {
            FileSizeCap limit{rlim_t(pieceSize * 3 + 10)};
            QVERIFY(limit.active());
            written = writeFileAtomicallyInPieces(file, next);
        }
        QVERIFY(!written.ok);
        QVERIFY(written.problem != FileProblem::None);
        QVERIFY2(given <= 5, qPrintable(QString::number(given)));
        QCOMPARE(readWholeFile(file).bytes, old);
        QCOMPARE(namesIn(dir->path()), QStringList{QStringLiteral("data.enc")});
#endif
    }

    void permissions() {
#ifdef Q_OS_UNIX
        QVERIFY(writeFileAtomically(file, "new").ok);
        QCOMPARE(modeOf(file), 0600);
        QVERIFY(QFile::remove(file));
        QVERIFY(EnsureDataFile(file).ok);
        QCOMPARE(modeOf(file), 0600);
        // An existing file readable by others is narrowed to its owner.
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
        QVERIFY(writeFileAtomically(file, "again").ok);
        QCOMPARE(modeOf(file), 0600);
#else
        QSKIP("Unix permission bits");
#endif
    }

    // A write that runs out of room fails with a reason and leaves the old
    // file exactly as it was, with no temporary file beside it.
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("size");
        QTest::newRow("small") << 100 << 1000;
        QTest::newRow("one byte over") << 16384 << 16385;
        QTest::newRow("large") << 4096 << (1 << 20);
    }
    void failedWriteKeepsTheOldFile() {
#ifdef Q_OS_UNIX
        QFETCH(int, cap);
        QFETCH(int, size);
        const QByteArray old = QByteArray("old content\r\n").repeated(500);
        QVERIFY(putFile(file, old));
        FileResult written;
        {
            FileSizeCap limit{rlim_t(cap)};
            QVERIFY(limit.active());
            written = writeFileAtomically(file, QByteArray(size, 'n'));
        }
        QVERIFY(!written.ok);
        QVERIFY(written.problem != FileProblem::None);
        QCOMPARE(fileBytes(file), old);
        QCOMPARE(namesIn(dir->path()), QStringList{QStringLiteral("data.enc")});
#else
        QSKIP("needs RLIMIT_FSIZE");
#endif
    }
};

QTEST_GUILESS_MAIN(tst_FileHelpers)
#include "tst_FileHelpers.moc"
