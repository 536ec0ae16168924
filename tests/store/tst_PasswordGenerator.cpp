#include "exchange/EntryRules.h"
#include "store/PasswordGenerator.h"

#include <QSet>
#include <QTest>

#include <sodium.h>

#include <array>

using namespace kestrune;
using namespace kestrune::store;

namespace {

constexpr int kPasswords = 10'000;

// 0 lower, 1 upper, 2 digit, 3 other; -1 for a character of none.
int classOf(QChar c) {
    const std::array<std::string_view, 4> classes = {kPasswordLower, kPasswordUpper,
                                                     kPasswordDigits, kPasswordOthers};
    for (int i = 0; i < 4; ++i) {
        if (c.unicode() < 0x80 &&
            classes[std::size_t(i)].find(char(c.unicode())) != std::string_view::npos) {
            return i;
        }
    }
    return -1;
}

} // namespace

class tst_PasswordGenerator : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }

    void tenThousandPasswordsKeepTheRules() {
        // The allowed set: printable ASCII but the blank, "|" and l I O 0 1.
        QSet<QChar> allowed;
        for (char c = 0x21; c < 0x7F; ++c) {
            if (!QByteArrayView("|lIO01").contains(c)) {
                allowed.insert(QChar::fromLatin1(c));
            }
        }
        QCOMPARE(allowed.size(), qsizetype(88));

        QSet<QChar> seen;
        // Which classes turned up at each place: the shuffle leaves none fixed.
        std::array<std::array<bool, 4>, kGeneratedPasswordLength> classAtPlace{};
        for (int n = 0; n < kPasswords; ++n) {
            const QString password = GeneratePassword();
            QCOMPARE(password.size(), qsizetype(kGeneratedPasswordLength));
            std::array<int, 4> perClass{};
            for (qsizetype i = 0; i < password.size(); ++i) {
                const QChar c = password[i];
                if (!allowed.contains(c)) {
                    QFAIL(qPrintable(
                        QStringLiteral("excluded character \"%1\" in %2").arg(c).arg(password)));
                }
                const int cls = classOf(c);
                QVERIFY(cls >= 0);
                ++perClass[std::size_t(cls)];
                classAtPlace[std::size_t(i)][std::size_t(cls)] = true;
                seen.insert(c);
            }
            for (int cls = 0; cls < 4; ++cls) {
                if (perClass[std::size_t(cls)] == 0) {
                    QFAIL(qPrintable(
                        QStringLiteral("class %1 missing in %2").arg(cls).arg(password)));
                }
            }
        }
        QCOMPARE(seen, allowed);
        for (const auto& classes : classAtPlace) {
            QCOMPARE(classes, (std::array<bool, 4>{true, true, true, true}));
        }
    }

    // What Generate puts in the password box is accepted by Save as it is.
    void everyPasswordPassesTheEntryDialogsCheck() {
        for (int n = 0; n < kPasswords; ++n) {
            const QString password = GeneratePassword();
            const exchange::EntryTextsCheck check = exchange::checkEntryTexts(
                {QStringLiteral("user"), password, QStringLiteral("site")},
                QStringLiteral("Kestrune"));
            if (!check.accepted()) {
                QFAIL(qPrintable(password + QStringLiteral(": ") + check.message));
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_PasswordGenerator)
#include "tst_PasswordGenerator.moc"
