// The sealed data file through the store: what it writes is the written
// layout's bytes inside the documented frame, it opens with the master
// password only, and a damaged file is told apart from a wrong password.
//
// The layout is checked by code of this test written from the layout table
// (offsets, libsodium calls), not by the reader under test.

#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/HighBitCodec.h"
#include "store/Seal.h"
#include "store/SealedPasswordTry.h"
#include "store/SealedReader.h"
#include "store/SealedWriter.h"
#include "store/Windows1252.h"
#include "support/StoreTestBase.h"
#include "support/StoreTestUtil.h"

#include <QTest>

#include <sodium.h>

#include <map>
#include <optional>

using namespace kestrune::store;
using namespace kestrune::test;
using namespace Qt::StringLiterals;

namespace {

using Kind = StoreOutcome::Kind;

const QString kMaster = u"Mäster|||Š€ pw"_s;
constexpr std::uint32_t kSmallChunk = 4096;
constexpr qsizetype kFull = kSmallChunk + 17; // a whole chunk as it stands in the file

const unsigned char* u8(QByteArrayView bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

quint32 u32At(QByteArrayView file, qsizetype at) {
    return quint32(u8(file)[at]) | quint32(u8(file)[at + 1]) << 8 |
           quint32(u8(file)[at + 2]) << 16 | quint32(u8(file)[at + 3]) << 24;
}

QByteArray blake2b(QByteArrayView bytes) {
    QByteArray out(32, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), 32, u8(bytes),
                       std::size_t(bytes.size()), nullptr, 0);
    return out;
}

QByteArray withHashRemade(QByteArray file) {
    file.chop(32);
    return file + blake2b(file);
}

// The key of a sealed file, made from the header's fields as the table lays
// them out: opslimit at 20, memlimit in KiB at 24, salt at 32.
QByteArray keyOf(QByteArrayView file, const QString& password) {
    const QByteArray pw = toWindows1252(password).value();
    QByteArray key(32, Qt::Uninitialized);
    const int made =
        crypto_pwhash(reinterpret_cast<unsigned char*>(key.data()), 32, pw.data(),
                      std::size_t(pw.size()), u8(file) + 32, u32At(file, 20),
                      std::size_t(u32At(file, 24)) * 1024, crypto_pwhash_ALG_ARGON2ID13);
    return made == 0 ? key : QByteArray();
}

// The plaintext of a sealed file, read by the table: every chunk of chunk size
// plaintext bytes but the last, which is shorter and FINAL, each with the 72
// bytes before the first chunk as additional data; then the hash.
std::optional<QByteArray> openByTheTable(QByteArrayView file, QByteArrayView key) {
    if (file.size() < 72 + 17 + 32 || blake2b(file.chopped(32)) != file.last(32)) {
        return std::nullopt;
    }
    const qsizetype full = qsizetype(u32At(file, 28)) + 17;
    crypto_secretstream_xchacha20poly1305_state st;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&st, u8(file) + 48, u8(key)) != 0) {
        return std::nullopt;
    }
    QByteArray plain;
    QByteArrayView rest = file.sliced(72).chopped(32);
    while (true) {
        const qsizetype size = std::min(full, rest.size());
        QByteArray m(std::max<qsizetype>(size - 17, 0), Qt::Uninitialized);
        unsigned long long mlen = 0;
        unsigned char tag = 0;
        if (size < 17 || crypto_secretstream_xchacha20poly1305_pull(
                             &st, reinterpret_cast<unsigned char*>(m.data()), &mlen, &tag, u8(rest),
                             std::size_t(size), u8(file), 72) != 0) {
            return std::nullopt;
        }
        plain += m;
        rest = rest.sliced(size);
        const bool last = size < full;
        if (last != (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) ||
            (last && !rest.isEmpty())) {
            return std::nullopt;
        }
        if (last) {
            return plain;
        }
    }
}

// The same file with its chunks sealed again under the key by this test,
// with the tag of chunk i from `tags` (FINAL for the last, MESSAGE before,
// where `tags` has no entry).
QByteArray resealed(QByteArrayView file, QByteArrayView key, QByteArrayView plain,
                    const std::map<int, unsigned char>& tags) {
    QByteArray out = file.first(72).toByteArray();
    crypto_secretstream_xchacha20poly1305_state st;
    crypto_secretstream_xchacha20poly1305_init_push(
        &st, reinterpret_cast<unsigned char*>(out.data()) + 48, u8(key));
    const qsizetype size = qsizetype(u32At(file, 28));
    const qsizetype chunks = plain.size() / size + 1;
    for (qsizetype i = 0; i < chunks; ++i) {
        const QByteArrayView m = plain.sliced(i * size, std::min(size, plain.size() - i * size));
        QByteArray c(m.size() + 17, Qt::Uninitialized);
        const auto found = tags.find(int(i));
        const unsigned char tag = found != tags.end() ? found->second
                                  : i + 1 == chunks
                                      ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                      : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        crypto_secretstream_xchacha20poly1305_push(&st, reinterpret_cast<unsigned char*>(c.data()),
                                                   nullptr, u8(m), std::size_t(m.size()), u8(out),
                                                   72, tag);
        out += c;
    }
    return out + blake2b(out);
}

std::vector<Entry> someEntries(int count) {
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        entries.push_back({u"user%1 Šéß"_s.arg(i), u"p|ss %1 €\t"_s.arg(i * 7919),
                           i % 3 == 0 ? QString() : u"https://site%1.example/"_s.arg(i)});
    }
    return entries;
}

Seal smallSeal(const QString& password) {
    return makeSeal(password, lowestKeyLimits(), kSmallChunk).value();
}

} // namespace

// What the user is told of each outcome is checked in tst_DataFileMessages.
class tst_SealedFile : public StoreTestBase {
    Q_OBJECT

    // The outcome of the store's last step of a login: the check at its start,
    // the load after a password, or a password try that found no answer.
    StoreOutcome last;

    // A fresh start over the file, up to the password dialog; true when the
    // dialog opens for a sealed file.
    bool login() {
        startAgain();
        last = credentialStore().BeginLogin();
        return last.kind == Kind::SealedCheckMode && credentialStore().sealedLock() != nullptr &&
               !credentialStore().state.CreatingPassword;
    }

    // Types `password` into the dialog of a sealed file: the try, and on
    // success the load, as the dialog and the login steps do them.
    SealedPasswordTry::Outcome enter(const QString& password) {
        SealedPasswordTry tried = trySealedPassword(*credentialStore().sealedLock(), password);
        if (tried.outcome == SealedPasswordTry::Outcome::Opens) {
            credentialStore().state.MasterPassword = password;
            credentialStore().acceptSeal(std::move(tried.seal));
            last = credentialStore().LoadData();
        }
        return tried.outcome;
    }

    // A sealed file of `entries` under kMaster, small chunks, as the store
    // writes it.
    QByteArray sealedVault(const std::vector<Entry>& entries) {
        startAgain();
        host->list.rows = entries;
        credentialStore().state.MasterPassword = kMaster;
        return credentialStore().EncryptDataFile(smallSeal(kMaster)) ? fileBytes(file)
                                                                     : QByteArray();
    }

    // The login ended in `kind`, an outcome that ends the program, with
    // nothing loaded; the store itself ends nothing.
    void checkEndedWith(Kind kind) {
        QCOMPARE(last.kind, kind);
        QVERIFY(!last.done());
        QCOMPARE(fake->exit.calls, 0);
        QCOMPARE(host->list.rows, std::vector<Entry>());
    }

private slots:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }

    // Encrypt, save, open again, remove the encryption: the plaintext is at
    // every step the written layout of the list, and unsealing gives back
    // exactly what SaveData writes.
    void sealedRoundTripThroughTheStore() {
        const std::vector<Entry> entries = someEntries(400);
        VectorRows rows;
        rows.rows = entries;
        const QByteArray written = savedDataFile(kMaster, rows);
        QVERIFY(putFile(file, written));
        QVERIFY(credentialStore().BeginLogin());
        QVERIFY(!credentialStore().sealedLock());
        credentialStore().state.MasterPassword = credentialStore().state.StoredPassword;
        QVERIFY(credentialStore().LoadData());

        const StoreOutcome encrypted = credentialStore().EncryptDataFile(smallSeal(kMaster));
        QCOMPARE(encrypted.step, StoreStep::EncryptDataFile);
        QCOMPARE(encrypted.kind, Kind::Encrypted);
        QVERIFY(credentialStore().isSealed());
        const QByteArray sealed = fileBytes(file);
        QVERIFY(sealed.startsWith("KESTRUNE SEALED 1\r\n\x01"));
        QCOMPARE(u32At(sealed, 20), 1u);
        QCOMPARE(u32At(sealed, 24), 8192u);
        QCOMPARE(u32At(sealed, 28), kSmallChunk);
        QCOMPARE(sealed.size(), 72 + (written.size() / kSmallChunk + 1) * 17 + written.size() + 32);
        const QByteArray master = toWindows1252(kMaster).value();
        for (const QByteArray& secret : {encodedEntryLine(entries[7]), HighBitCodec(master), master,
                                         toWindows1252(entries[7].password).value()}) {
            QVERIFY(!sealed.contains(secret));
        }
        const QByteArray key = keyOf(sealed, kMaster);
        QCOMPARE(openByTheTable(sealed, key), std::optional<QByteArray>(written));

        // A save keeps it sealed: a new stream header, the same salt and key.
        QVERIFY(credentialStore().SaveData());
        const QByteArray saved = fileBytes(file);
        QCOMPARE(saved.first(48), sealed.first(48));
        QVERIFY(saved.sliced(48, 24) != sealed.sliced(48, 24));
        QCOMPARE(openByTheTable(saved, key), std::optional<QByteArray>(written));

        QVERIFY(login());
        QCOMPARE(enter(kMaster), SealedPasswordTry::Outcome::Opens);
        QCOMPARE(last.kind, Kind::Loaded);
        QCOMPARE(last.count, qsizetype(400));
        QCOMPARE(host->list.rows, entries);
        QVERIFY(credentialStore().isSealed());

        QCOMPARE(credentialStore().RemoveEncryption().kind, Kind::EncryptionRemoved);
        QVERIFY(!credentialStore().isSealed());
        QCOMPARE(fileBytes(file), written);
        QVERIFY(credentialStore().SaveData());
        QCOMPARE(fileBytes(file), written);
        QCOMPARE(fake->exit.calls, 0);
    }

    // Every chunk holds chunk size plaintext bytes but the last, which is
    // shorter, maybe empty; the reader gives back exactly what was sealed,
    // however the file is cut into pieces as it is read.
    void chunksAndPieces_data() {
        QTest::addColumn<int>("plainSize");
        QTest::addColumn<int>("pieceSize");
        // 3 MiB make several pieces of the writer, each hashed while the next
        // is sealed.
        for (const int size : {0, 1, 4095, 4096, 4097, 3 * 4096, 20000, 3 << 20}) {
            for (const int piece : {1, 31, 33, 4113, 1 << 20}) {
                if (size < (1 << 20) || piece > 4096) {
                    QTest::addRow("%d bytes in pieces of %d", size, piece) << size << piece;
                }
            }
        }
    }
    void chunksAndPieces() {
        QFETCH(int, plainSize);
        QFETCH(int, pieceSize);
        QByteArray plain(plainSize, Qt::Uninitialized);
        randombytes_buf(plain.data(), std::size_t(plain.size()));
        static const Seal seal = smallSeal(kMaster);
        const QByteArray sealed = sealedFile(seal, plain);
        QCOMPARE(sealed.size(), 72 + (plainSize / 4096 + 1) * 17 + plainSize + 32);
        QCOMPARE(openByTheTable(sealed, keyOf(sealed, kMaster)), std::optional<QByteArray>(plain));
        for (const SecretKey* key : {&seal.key, static_cast<const SecretKey*>(nullptr)}) {
            QByteArray back;
            SealedFileReader reader(key, [&back](QByteArrayView p) { back += p; });
            for (qsizetype at = 0; at < sealed.size(); at += pieceSize) {
                reader.feed(QByteArrayView(sealed).sliced(
                    at, std::min<qsizetype>(pieceSize, sealed.size() - at)));
            }
            QCOMPARE(reader.finish(), SealedOutcome::Opened);
            QCOMPARE(back, key != nullptr ? plain : QByteArray());
        }
    }

    // A damaged sealed file is never a wrong password: whether the damage
    // shows before the password is asked for (the frame and the hash need
    // none), when the password is tried, or while the entries load, the user
    // is told that the file is damaged, nothing is loaded or written, and
    // the program ends. No try is counted.
    void damageIsNeverAWrongPassword_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("stage");
        const QStringList rows = {
            "first line",
            "its line end",
            "algorithm",
            "salt",
            "stream header",
            "first chunk",
            "middle chunk",
            "hash",
            "cut at a chunk boundary",
            "cut at a chunk boundary, hash made again",
            "bytes after the hash",
            "middle chunk, hash made again",
            "last chunk, hash made again",
            "an added chunk, hash made again",
            "two chunks swapped, hash made again",
            "last chunk not FINAL",
            "a FINAL chunk before the last",
            "another master password inside",
        };
        for (int i = 0; i < int(rows.size()); ++i) {
            const QString stage = i < 11 ? u"login"_s : i == 16 ? u"try"_s : u"load"_s;
            QTest::newRow(qPrintable(rows[i])) << i << stage;
        }
    }
    void damageIsNeverAWrongPassword() {
        QFETCH(int, change);
        QFETCH(QString, stage);
        const std::vector<Entry> entries = someEntries(260); // four chunks
        const QByteArray good = sealedVault(entries);
        QCOMPARE(good.size() / kFull, 3);
        const QByteArray key = keyOf(good, kMaster);
        VectorRows rows;
        rows.rows = entries;
        const QByteArray plain = savedDataFile(kMaster, rows);
        const auto flip = [&](qsizetype at) {
            QByteArray bad = good;
            bad[at] = char(bad[at] ^ 0x10);
            return bad;
        };
        const qsizetype chunk1 = 72 + kFull;
        const QByteArray bad = [&] {
            switch (change) {
            case 0:
                return flip(3);
            case 1:
                return flip(17);
            case 2:
                return flip(19);
            case 3:
                return flip(40);
            case 4:
                return flip(60);
            case 5:
                return flip(72 + 100);
            case 6:
                return flip(chunk1 + 100);
            case 7:
                return flip(good.size() - 1);
            case 8:
                return good.first(72 + 2 * kFull);
            case 9:
                return withHashRemade(good.first(72 + 2 * kFull) + QByteArray(32, 0));
            case 10:
                return good + "\r\n";
            case 11:
                return withHashRemade(flip(chunk1 + 100));
            case 12:
                return withHashRemade(flip(good.size() - 40));
            case 13:
                return withHashRemade(good.first(chunk1 + kFull) + good.sliced(chunk1));
            case 14:
                return withHashRemade(good.first(chunk1) + good.sliced(chunk1 + kFull, kFull) +
                                      good.sliced(chunk1, kFull) + good.sliced(chunk1 + 2 * kFull));
            case 15:
                return resealed(good, key, plain,
                                {{3, crypto_secretstream_xchacha20poly1305_TAG_MESSAGE}});
            case 16:
                return resealed(good, key, plain,
                                {{0, crypto_secretstream_xchacha20poly1305_TAG_FINAL}});
            default:
                return resealed(good, key, savedDataFile(u"another"_s, rows), {});
            }
        }();
        QVERIFY(bad != good);
        QVERIFY(putFile(file, bad));

        const bool asked = login();
        QCOMPARE(asked, stage != u"login"_s);
        if (asked) {
            const SealedPasswordTry::Outcome outcome = enter(kMaster);
            QCOMPARE(outcome, stage == u"try"_s ? SealedPasswordTry::Outcome::Damaged
                                                : SealedPasswordTry::Outcome::Opens);
            if (stage == u"try"_s) {
                last = credentialStore().failedPasswordTry(outcome);
                QCOMPARE(last.step, StoreStep::PasswordTry);
            }
        }
        QCOMPARE(last.step, stage == u"login"_s ? StoreStep::BeginLogin
                            : stage == u"try"_s ? StoreStep::PasswordTry
                                                : StoreStep::LoadData);
        checkEndedWith(Kind::Damaged);
        QCOMPARE(fileBytes(file), bad);
    }

    // A wrong password is a wrong try: nothing is read, told or written, and
    // the right one still opens the file.
    void wrongPasswordIsAWrongTry() {
        const QByteArray sealed = sealedVault(someEntries(20));
        QVERIFY(login());
        for (const QString& wrong : {u"mäster|||Š€ pw"_s, kMaster + u" "_s, QString(), u"€"_s}) {
            QCOMPARE(enter(wrong), SealedPasswordTry::Outcome::Wrong);
        }
        QCOMPARE(last.kind, Kind::SealedCheckMode); // nothing loaded, nothing failed
        QCOMPARE(fake->exit.calls, 0);
        QCOMPARE(enter(kMaster), SealedPasswordTry::Outcome::Opens);
        QCOMPARE(host->list.rows, someEntries(20));
        QCOMPARE(fileBytes(file), sealed);
    }

    // A file sealed in a way this version does not know is not opened: a
    // message says so, before any password is asked for, and nothing is
    // written. With its hash not made again the same change is damage.
    void unknownSealsAreNotOpened_data() {
        QTest::addColumn<qsizetype>("at");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("width");
        QTest::newRow("version 2") << qsizetype(16) << quint32('2') << 1;
        QTest::newRow("version 12") << qsizetype(16) << quint32('1' | '2' << 8) << 2;
        QTest::newRow("algorithm 2") << qsizetype(19) << 2u << 1;
        QTest::newRow("opslimit 0") << qsizetype(20) << 0u << 4;
        QTest::newRow("opslimit 17") << qsizetype(20) << 17u << 4;
        QTest::newRow("memlimit below 8 MiB") << qsizetype(24) << 8191u << 4;
        QTest::newRow("memlimit above 1 GiB") << qsizetype(24) << 1048577u << 4;
        QTest::newRow("chunk size below 4 KiB") << qsizetype(28) << 4095u << 4;
        QTest::newRow("chunk size above 16 MiB") << qsizetype(28) << 16777217u << 4;
    }
    void unknownSealsAreNotOpened() {
        QFETCH(qsizetype, at);
        QFETCH(quint32, value);
        QFETCH(int, width);
        const QByteArray good = sealedVault(someEntries(20));
        QByteArray changed = good;
        for (int i = 0; i < width; ++i) {
            changed[at + i] = char(value >> (8 * i));
        }
        if (width == 2) {
            changed.insert(at + 2, '\r'); // "12" and then the line end
            changed[at + 3] = '\n';
        }
        for (const bool hashRemade : {true, false}) {
            const QByteArray bad = hashRemade ? withHashRemade(changed) : changed;
            QVERIFY(putFile(file, bad));
            QVERIFY(!login());
            // Another version's file may be laid out in any way after its first
            // line; limits outside the ranges are told from damage by the hash.
            const bool unsupported = hashRemade || at == 16;
            checkEndedWith(unsupported ? Kind::Unsupported : Kind::Damaged);
            QCOMPARE(fileBytes(file), bad);
        }
    }

    // A sealed file made once, by another program from the layout table, with
    // the lowest limits and chunks of 4 KiB: it must keep opening.
    void theKeptSealedFileOpens() {
        // Its master password:
        const QString password = u"Kept|||sealed Š€ 1"_s;
        QVERIFY(QFile::copy(QFINDTESTDATA("data/sealed-v1.enc"), file));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(login());
        QCOMPARE(enter(u"Kept|||sealed Š€ 2"_s), SealedPasswordTry::Outcome::Wrong);
        QCOMPARE(enter(password), SealedPasswordTry::Outcome::Opens);
        QCOMPARE(last.kind, Kind::Loaded);
        std::vector<Entry> expected;
        for (int i = 0; i < 150; ++i) {
            expected.push_back({u"user %1"_s.arg(i), u"pässwörd|%1"_s.arg(i * i),
                                i % 2 ? u"https://example.com/%1"_s.arg(i) : QString()});
        }
        QCOMPARE(host->list.rows, expected);
        QCOMPARE(last.count, qsizetype(150));
    }

    // A write that fails or is refused leaves the file and its state as they
    // were: a written file stays written, a sealed one sealed.
    void failedSealingChangesNothing_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<bool>("fromOutside");
        QTest::newRow("encrypt, disk full") << true << false;
        QTest::newRow("encrypt, changed from outside") << true << true;
        QTest::newRow("remove, disk full") << false << false;
        QTest::newRow("remove, changed from outside") << false << true;
    }
    void failedSealingChangesNothing() {
#ifndef Q_OS_UNIX
        QSKIP("needs RLIMIT_FSIZE");
#else
        QFETCH(bool, encrypt);
        QFETCH(bool, fromOutside);
        const std::vector<Entry> entries = someEntries(50);
        QByteArray before;
        if (encrypt) {
            host->list.rows = entries;
            credentialStore().state.MasterPassword = kMaster;
            QVERIFY(credentialStore().SaveData());
            before = fileBytes(file);
        } else {
            before = sealedVault(entries);
        }
        if (fromOutside) {
            before[before.size() - 1] = char(before[before.size() - 1] ^ 1);
            QVERIFY(putFile(file, before));
        }
        StoreOutcome done;
        {
            FileSizeCap cap{fromOutside ? RLIM_INFINITY : 100};
            QVERIFY(cap.active());
            done = encrypt ? credentialStore().EncryptDataFile(smallSeal(kMaster))
                           : credentialStore().RemoveEncryption();
        }
        QVERIFY(!done);
        QCOMPARE(done.step, encrypt ? StoreStep::EncryptDataFile : StoreStep::RemoveEncryption);
        QCOMPARE(done.kind, fromOutside ? Kind::ChangedOutside : Kind::WriteFailed);
        QVERIFY(done.file.problem != FileProblem::None || fromOutside);
        QCOMPARE(credentialStore().isSealed(), !encrypt);
        QCOMPARE(fileBytes(file), before);
        QCOMPARE(namesIn(dir->path()), QStringList{u"data.enc"_s});
#endif
    }
};

QTEST_GUILESS_MAIN(tst_SealedFile)
#include "tst_SealedFile.moc"
