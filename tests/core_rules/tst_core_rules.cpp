#include "core/cipher.h"
#include "core/errors.h"
#include "core/oib.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace tarvel;

class TestCoreRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oib_data();
    void oib();
    void oibControlDigitOfEveryPrefixDigit();
    void windows1250();
    void cipherRoundTrip_data();
    void cipherRoundTrip();
    void cipherRoundTripRandom();
    void cipherHidesThePassword();
    void cipherRefusesWhatDoesNotFit();
    void decipherForeignText_data();
    void decipherForeignText();
};

void TestCoreRules::oib_data()
{
    QTest::addColumn<QString>("oib");
    QTest::addColumn<bool>("valid");
    QTest::newRow("control digit 3") << "12345678903" << true;
    QTest::newRow("wrong control digit") << "12345678900" << false;
    QTest::newRow("maker's OIB") << "61873204959" << true;
    QTest::newRow("control digit 0") << "54749952520" << true;
    QTest::newRow("ten zeros and 1") << "00000000001" << true;
    QTest::newRow("eleven zeros") << "00000000000" << false;
    QTest::newRow("10 digits") << "1234567890" << false;
    QTest::newRow("10 digits, valid ones cut short") << "0000000000" << false;
    QTest::newRow("12 digits") << "123456789030" << false;
    QTest::newRow("12 digits, valid first eleven") << "000000000011" << false;
    QTest::newRow("letter among the ten") << "12345a78903" << false;
    QTest::newRow("letter as control") << "1234567890X" << false;
    QTest::newRow("leading blank") << " 2345678903" << false;
    QTest::newRow("trailing blank") << "12345678903 " << false;
    QTest::newRow("sign") << "+2345678903" << false;
    QTest::newRow("mask blanks") << "           " << false;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("١٢٣٤٥٦٧٨٩٠٣") << false;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２３４５６７８９０３") << false;
    QTest::newRow("empty") << "" << false;
}

void TestCoreRules::oib()
{
    QFETCH(QString, oib);
    QFETCH(bool, valid);
    QCOMPARE(isValidOib(oib), valid);
}

void TestCoreRules::oibControlDigitOfEveryPrefixDigit()
{
    // changing any single digit of a valid OIB's first ten must change the control digit (MOD 11,10
    // catches every single-digit error), so exactly one of ten eleventh digits passes
    const QString good = QStringLiteral("61873204959");
    for (int pos = 0; pos < 10; ++pos) {
        for (char d = '0'; d <= '9'; ++d) {
            QString t = good;
            t[pos] = QLatin1Char(d);
            int passing = 0;
            for (char c = '0'; c <= '9'; ++c) {
                t[10] = QLatin1Char(c);
                passing += isValidOib(t) ? 1 : 0;
            }
            QCOMPARE(passing, 1);
            t[10] = good[10];
            QCOMPARE(isValidOib(t), t == good);
        }
    }
    QCOMPARE(oibControlDigit(u"123456789"), -1);
    QCOMPARE(oibControlDigit(u"1234567890"), 3);
}

void TestCoreRules::windows1250()
{
    const QString croatian = QString::fromUtf8("čćžšđČĆŽŠĐ€");
    const std::optional<QByteArray> b = toWindows1250(croatian);
    QVERIFY(b.has_value());
    QCOMPARE(b->toHex(), QByteArray("e8e69e9af0c8c68e8ad080"));
    QCOMPARE(fromWindows1250(*b), croatian);
    QVERIFY(!toWindows1250(QString::fromUtf8("Жаба")).has_value());
    QVERIFY(!toWindows1250(QString::fromUtf8("🙂")).has_value());
}

void TestCoreRules::cipherRoundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("empty") << "";
    QTest::newRow("one character") << "a";
    QTest::newRow("two characters") << "ab";
    QTest::newRow("three characters") << "abc";
    QTest::newRow("typical") << "Certifikat2016!";
    QTest::newRow("Croatian letters") << QString::fromUtf8("Žličarić-đačić ČĆŠ");
    QTest::newRow("all Croatian, field's 30") << QString::fromUtf8("čćžšđČĆŽŠĐčćžšđČĆŽŠĐčćžšđČĆŽŠĐ");
    QTest::newRow("blanks at both ends") << "  lozinka  ";
    QTest::newRow("quotes and backslash") << "a'b\"c\\d;e";
    QTest::newRow("longest that fits") << QString(37, QLatin1Char('x'));
    QTest::newRow("outside the code page") << QString::fromUtf8("Жаба12");
    QTest::newRow("emoji") << QString::fromUtf8("ключ🙂");
    QTest::newRow("control character") << QString::fromUtf8("a\tb\x01");
}

void TestCoreRules::cipherRoundTrip()
{
    QFETCH(QString, password);
    const QString stored = encipherPassword(password);
    QVERIFY(stored.size() <= PassCertWidth);
    for (QChar c : stored)
        QVERIFY2(c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'), qPrintable(stored));
    QCOMPARE(decipherPassword(stored), password);
}

void TestCoreRules::cipherRoundTripRandom()
{
    const QString pool = QString::fromUtf8("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                           "čćžšđČĆŽŠĐ !#$%&'()*+,-./:;<=>?@[]^_{|}~\"\\€ß");
    QRandomGenerator rng(20161231);
    QSet<QString> seen;
    for (int i = 0; i < 5000; ++i) {
        const int len = 1 + int(rng.bounded(30)); // the password field takes 30
        QString p;
        for (int j = 0; j < len; ++j)
            p += pool[int(rng.bounded(pool.size()))];
        const QString stored = encipherPassword(p);
        QVERIFY(stored.size() <= PassCertWidth);
        QCOMPARE(decipherPassword(stored), p);
        seen.insert(stored);
    }
    QVERIFY(seen.size() > 4900); // different passwords give different texts
}

void TestCoreRules::cipherHidesThePassword()
{
    const QString p = QStringLiteral("tajna");
    const QString stored = encipherPassword(p);
    QVERIFY(!stored.contains(p));
    QVERIFY(!stored.contains(QString::fromLatin1(p.toLatin1().toBase64())));
    // the running key makes equal characters encipher differently
    const QString same = encipherPassword(QString(12, QLatin1Char('a')));
    QVERIFY(same.left(4) != same.mid(4, 4));
    QVERIFY(same.mid(4, 4) != same.mid(8, 4));
    QCOMPARE(encipherPassword(p), stored); // deterministic
}

void TestCoreRules::cipherRefusesWhatDoesNotFit()
{
    try {
        encipherPassword(QString(38, QLatin1Char('x')));
        QFAIL("no error for a password that does not fit");
    } catch (const TarvelError& e) {
        QCOMPARE(e.kind(), ErrorKind::InvalidField);
    }
    // outside the code page the bytes are UTF-8: 2 per Cyrillic letter plus the marker
    QCOMPARE(decipherPassword(encipherPassword(QString(18, QChar(0x0416)))), QString(18, QChar(0x0416)));
    QVERIFY_THROWS_EXCEPTION(TarvelError, encipherPassword(QString(19, QChar(0x0416))));
}

void TestCoreRules::decipherForeignText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << "";
    QTest::newRow("character outside the table") << "abc=";
    QTest::newRow("blank") << "ab c";
    QTest::newRow("impossible length") << "abcde";
    QTest::newRow("stray low bits") << "AB"; // 'B' leaves a bit below the one byte of two characters
}

void TestCoreRules::decipherForeignText()
{
    QFETCH(QString, stored);
    QCOMPARE(decipherPassword(stored), QString());
}

QTEST_APPLESS_MAIN(TestCoreRules)
#include "tst_core_rules.moc"
