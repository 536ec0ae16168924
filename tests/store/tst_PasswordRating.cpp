#include "store/PasswordRating.h"
#include "support/EntryText.h"

#include <QTest>

#include <vector>

using namespace kestrune;
using namespace kestrune::store;

Q_DECLARE_METATYPE(kestrune::store::StrengthBand)

namespace {

constexpr qsizetype kLong = 40'000;

// A password of `length` characters that repeats no pattern zxcvbn knows:
// letters, digits and signs drawn by a fixed small generator.
QString scrambled(qsizetype length) {
    const QString chars = QStringLiteral("abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ"
                                         "23456789!#$%&*+-=?@_~");
    QString text;
    text.reserve(length);
    quint32 state = 0x4B657374;
    for (qsizetype i = 0; i < length; ++i) {
        state = state * 1664525u + 1013904223u;
        text.append(chars[qsizetype((state >> 8) % quint32(chars.size()))]);
    }
    return text;
}

// Two other entries, so that the entry rated is never alone in the list.
std::vector<Entry> withOthers(const Entry& rated, const QString& sharedPassword = QString()) {
    return {rated,
            {"colin", sharedPassword.isEmpty() ? scrambled(24) : sharedPassword, "bank.example"},
            {"dana", scrambled(20).toLower(), "C:\\Notes"}};
}

} // namespace

class tst_PasswordRating : public QObject {
    Q_OBJECT
private slots:
    // The first entry of `entries`, rated among all of them: its band, and
    // the reasons the report gives (reused on how many entries, guessable by
    // its bits, short). Bands are compared, not bits: builds of the library
    // differ slightly in bits.
    void bandsAndReasons_data() {
        QTest::addColumn<std::vector<Entry>>("entries");
        QTest::addColumn<StrengthBand>("band");
        QTest::addColumn<int>("sharedBy");
        QTest::addColumn<bool>("guessable");
        QTest::addColumn<bool>("isShort");
        const QString generated = QStringLiteral("Vq8#kR2!mZt7$Lw9pXe4");
        QTest::newRow("a dictionary word") << withOthers({"ann", "sunshine", "www.example.com"})
                                           << StrengthBand::Poor << 1 << true << true;
        QTest::newRow("a word in disguise, short")
            << withOthers({"ann", "Tr0ub4dor&3", "www.example.com"}) << StrengthBand::Weak << 1
            << true << true;
        QTest::newRow("a strong password reused is Weak")
            << withOthers({"ann", generated, "www.example.com"}, generated) << StrengthBand::Weak
            << 2 << false << false;
        QTest::newRow("the username as password")
            << withOthers({"harriet.quill82@mail.example", "harriet.quill82", "shop.example"})
            << StrengthBand::Poor << 1 << true << false;
        QTest::newRow("the website's name and a year")
            << withOthers({"ann", "lighthouse2024", "https://www.lighthouse.example/login"})
            << StrengthBand::Poor << 1 << true << false;
        QTest::newRow("a generated password") << withOthers({"ann", generated, "www.example.com"})
                                              << StrengthBand::Excellent << 1 << false << false;
        QTest::newRow("a long passphrase")
            << withOthers({"ann", "umbrella quietly forgets the violet lighthouse at noon",
                           "mail.example"})
            << StrengthBand::Excellent << 1 << false << false;
        QTest::newRow("40,000 characters") << withOthers({"ann", scrambled(kLong), "example.org"})
                                           << StrengthBand::Excellent << 1 << false << false;
        QTest::newRow("40,000 times one letter")
            << withOthers({"ann", QString(kLong, u'a'), "example.org"}) << StrengthBand::Poor << 1
            << true << false;
        QTest::newRow("no password: not rated") << withOthers({"ann", "", "www.example.com"})
                                                << StrengthBand::Excellent << 0 << false << false;
    }
    void bandsAndReasons() {
        QFETCH(std::vector<Entry>, entries);
        QFETCH(StrengthBand, band);
        QFETCH(int, sharedBy);
        QFETCH(bool, guessable);
        QFETCH(bool, isShort);
        RatingControl control;
        const std::vector<PasswordRating> ratings = ratePasswords(entries, control);
        QCOMPARE(ratings.size(), entries.size());
        QCOMPARE(control.done.load(), entries.size());
        const PasswordRating& rating = ratings.front();
        QCOMPARE(rating.band, band);
        QCOMPARE(int(rating.sharedBy), sharedBy);
        QCOMPARE(rating.guessable(), guessable);
        QCOMPARE(rating.isShort, isShort);
        QCOMPARE(rating.needsAttention(), sharedBy != 0 && (band <= StrengthBand::Weak || isShort));
        // Rated alone, only the count of equal passwords can differ.
        const PasswordRating alone = ratePassword(entries.front());
        QCOMPARE(alone.bits, rating.bits);
        QCOMPARE(alone.sharedBy, std::uint32_t(sharedBy == 0 ? 0 : 1));
    }

    // Many entries, rated on every core in blocks: each result belongs to its
    // own entry, equal passwords are counted across blocks, and a rating
    // cancelled from the progress report stops early.
    void manyEntriesInParallel() {
        std::vector<Entry> entries;
        for (int i = 0; i < 3000; ++i) {
            entries.push_back({QStringLiteral("user%1").arg(i),
                               i % 1000 == 7 ? QStringLiteral("shared-Vq8#kR2!mZt7")
                                             : scrambled(16 + i % 5) + QString::number(i),
                               QStringLiteral("site%1.example").arg(i)});
        }
        entries[2500].password = QStringLiteral("user2500");
        RatingControl control;
        std::vector<PasswordRating> ratings = ratePasswords(entries, control);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QCOMPARE(int(ratings[i].sharedBy), i % 1000 == 7 ? 3 : 1);
        }
        QCOMPARE(ratings[2500].band, StrengthBand::Poor);
        QCOMPARE(ratings[1007].band, StrengthBand::Weak);

        RatingControl cancelled;
        cancelled.progress = [&cancelled](std::size_t) { cancelled.cancelled = true; };
        ratings = ratePasswords(entries, cancelled);
        QVERIFY(cancelled.done.load() < entries.size());
    }
};

QTEST_MAIN(tst_PasswordRating)
#include "tst_PasswordRating.moc"
