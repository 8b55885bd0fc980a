#include "core/format.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

using namespace tarvel;

namespace {

// An independent reading of the two-decimal rule: the C library's 18 significant digits, then
// integer arithmetic on the mantissa instead of digit strings.
double referenceRound(double x)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(x));
    // d.ddddddddddddddddde[+-]XX
    long long mantissa = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            mantissa = mantissa * 10 + (*p - '0');
    const int exponent = std::atoi(p + 1);
    // |x| = mantissa * 10^(exponent - 17); cents = mantissa * 10^(exponent - 15)
    const int k = exponent - 15;
    __int128 cents = 0;
    if (k >= 0) {
        cents = mantissa;
        for (int i = 0; i < k; ++i)
            cents *= 10;
    } else if (-k <= 18) {
        __int128 div = 1;
        for (int i = 0; i < -k; ++i)
            div *= 10;
        cents = mantissa / div;
        if ((mantissa % div) * 2 >= div)
            ++cents;
    }
    const double r = double(cents) / 100.0;
    return x < 0 ? -r : r;
}

} // namespace

class TstFormat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The masks must not follow the locale: run them under one with other separators.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void number_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QString money = QStringLiteral("###,###,##0.00");
        QTest::newRow("money zero") << money << 0.0 << "0,00";
        QTest::newRow("money thousands") << money << 1234.5 << "1.234,50";
        QTest::newRow("money negative") << money << -1234.5 << "-1.234,50";
        QTest::newRow("money millions") << money << 1234567.891 << "1.234.567,89";
        QTest::newRow("money beyond mask") << money << 123456789012.34 << "123.456.789.012,34";
        QTest::newRow("money half cent up") << money << 0.005 << "0,01";
        QTest::newRow("money half cent negative") << money << -0.005 << "-0,01";
        QTest::newRow("money stored below half") << money << 2.675 << "2,67";
        QTest::newRow("money stored above half") << money << 2.345 << "2,35";
        QTest::newRow("money carry into thousands") << money << 999.995 << "1.000,00";
        QTest::newRow("money negative rounds to zero") << money << -0.004 << "0,00";
        QTest::newRow("money exact hundreds") << money << 100.0 << "100,00";
        QTest::newRow("money six digits") << money << -123456.0 << "-123.456,00";
        const QString invoice = QStringLiteral("###,###,###,##0.00");
        QTest::newRow("invoice trillion") << invoice << 1e12 + 0.5 << "1.000.000.000.000,50";
        const QString rate = QStringLiteral("#0 %");
        QTest::newRow("rate 25") << rate << 25.0 << "25 %";
        QTest::newRow("rate zero") << rate << 0.0 << "0 %";
        QTest::newRow("rate half up") << rate << 12.5 << "13 %";
        QTest::newRow("rate below half") << rate << 0.4 << "0 %";
        QTest::newRow("rate negative") << rate << -5.0 << "-5 %";
        const QString counter = QStringLiteral("######");
        QTest::newRow("counter") << counter << 42.0 << "42";
        QTest::newRow("counter beyond mask") << counter << 1234567.0 << "1234567";
        QTest::newRow("counter zero is empty") << counter << 0.0 << "";
        QTest::newRow("counter half up") << counter << 41.5 << "42";
        QTest::newRow("counter negative") << counter << -3.0 << "-3";
        const QString plain = QStringLiteral("###########0.00");
        QTest::newRow("plain no grouping") << plain << 1234567.891 << "1234567,89";
        QTest::newRow("plain negative half") << plain << -0.125 << "-0,13";
        QTest::newRow("plain zero") << plain << 0.0 << "0,00";
        QTest::newRow("plain large") << plain << 1e12 << "1000000000000,00";
        const QString percent = QStringLiteral("#0.00%");
        QTest::newRow("percent") << percent << 12.5 << "12,50%";
        QTest::newRow("percent negative") << percent << -0.125 << "-0,13%";
        QTest::newRow("percent zero") << percent << 0.0 << "0,00%";
        QTest::newRow("optional decimals") << QStringLiteral("0.##") << 1.5 << "1,5";
        QTest::newRow("optional decimals whole") << QStringLiteral("0.##") << 2.0 << "2";
        const QString sections = QStringLiteral("#,##0.00;(#,##0.00);nula");
        QTest::newRow("section positive") << sections << 5.0 << "5,00";
        QTest::newRow("section negative") << sections << -1234.0 << "(1.234,00)";
        QTest::newRow("section zero after rounding") << sections << 0.001 << "nula";
        QTest::newRow("section zero in whole units") << QStringLiteral("#,##0;(#,##0);nula") << 0.4 << "nula";
        QTest::newRow("section not zero in three places")
            << QStringLiteral("0.000;-0.000;nula") << 0.004 << "0,004";
        QTest::newRow("quoted prefix negative") << QStringLiteral("\"Kn \"0.00") << -5.0 << "-Kn 5,00";
        QTest::newRow("suffix with point") << QStringLiteral("#0 kn.") << 7.0 << "7 kn.";
    }
    void number()
    {
        QFETCH(QString, mask);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(fmt::number(value, mask), expected);
    }

    void amount() { QCOMPARE(fmt::amount(-1234567.125), QStringLiteral("-1.234.567,13")); }

    void parseNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("grouped") << "1.234,56" << true << 1234.56;
        QTest::newRow("plain comma") << "1234,56" << true << 1234.56;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("typed point") << "1234.56" << true << 1234.56;
        QTest::newRow("thousands only") << "12.345" << true << 12345.0;
        QTest::newRow("blanks") << " 12,5 " << true << 12.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "12a" << false << 0.0;
        QTest::newRow("bad grouping") << "1.23,45" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
    }
    void parseNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto v = fmt::parseNumber(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(*v, value);
    }

    void dates()
    {
        const QDateTime t(QDate(2024, 12, 9), QTime(7, 5, 3));
        QCOMPARE(fmt::date(t.date()), QStringLiteral("09.12.2024"));
        QCOMPARE(fmt::date(QDate()), QString());
        QCOMPARE(fmt::time(t.time()), QStringLiteral("07:05:03"));
        QCOMPARE(fmt::dateTime(t), QStringLiteral("09.12.2024 07:05:03"));
        QCOMPARE(fmt::fiscalDateTime(t), QStringLiteral("09.12.2024T07:05:03"));
        QCOMPARE(fmt::fiscalDateTime(t).size(), 19);
        QCOMPARE(fmt::fiscalDateTime(QDateTime()), QString());
        QCOMPARE(fmt::isoDate(t.date()), QStringLiteral("2024-12-09"));
        QCOMPARE(fmt::isoDateTime(t), QStringLiteral("2024-12-09 07:05:03"));
        QCOMPARE(fmt::parseDate(QStringLiteral("9.12.2024")), QDate(2024, 12, 9));
        QCOMPARE(fmt::parseDate(QStringLiteral(" 09.12.2024 ")), QDate(2024, 12, 9));
        QVERIFY(!fmt::parseDate(QStringLiteral("32.12.2024")).isValid());
        QVERIFY(!fmt::parseDate(QStringLiteral("29.02.2023")).isValid());
        QVERIFY(!fmt::parseDate(QStringLiteral("09/12/2024")).isValid());
    }

    void zaokruzi_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.125") << 0.125 << 0.13;
        QTest::newRow("-0.125") << -0.125 << -0.13;
        QTest::newRow("2.675 stored below") << 2.675 << 2.67;
        QTest::newRow("-2.675") << -2.675 << -2.67;
        QTest::newRow("2.345 stored above") << 2.345 << 2.35;
        QTest::newRow("11.3113") << 11.3113 << 11.31;
        QTest::newRow("1.555 stored below") << 1.555 << 1.55;
        QTest::newRow("0.005 stored above") << 0.005 << 0.01;
        QTest::newRow("1.005 stored below") << 1.005 << 1.0;
        QTest::newRow("0.0049999") << 0.0049999 << 0.0;
        QTest::newRow("-0.004 to zero") << -0.004 << 0.0;
        QTest::newRow("carry") << 999.995 << 1000.0;
        QTest::newRow("large exact eighth") << 123456789.125 << 123456789.13;
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("already two") << 19.99 << 19.99;
    }
    void zaokruzi()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(Zaokruzi(value), expected);
        QVERIFY(!std::signbit(Zaokruzi(value)) || expected < 0);
    }

    // Every half-cent and a wide spread of amounts, against the independent reading above.
    void zaokruziAgainstReference()
    {
        QRandomGenerator rng(20241209);
        int checked = 0;
        for (int i = -200000; i <= 200000; ++i) {
            const double x = i / 1000.0; // all of -200.000 .. 200.000, every half cent included
            QCOMPARE(Zaokruzi(x), referenceRound(x));
            ++checked;
        }
        for (int i = 0; i < 200000; ++i) {
            const double magnitude = std::pow(10.0, rng.bounded(-3, 10));
            const double x = (rng.generateDouble() * 2 - 1) * magnitude;
            if (Zaokruzi(x) != referenceRound(x))
                QFAIL(qPrintable(QStringLiteral("%1: %2 != %3")
                                     .arg(x, 0, 'g', 17)
                                     .arg(Zaokruzi(x), 0, 'g', 17)
                                     .arg(referenceRound(x), 0, 'g', 17)));
            ++checked;
        }
        QCOMPARE(checked, 600001);
    }

    // The masks round by the same rule: "#########0.00" and Zaokruzi agree digit for digit.
    void maskAgreesWithZaokruzi()
    {
        for (int i = -5000; i <= 5000; ++i) {
            const double x = i / 1000.0 + 0.0005 * (i % 3);
            const QString shown = fmt::number(x, QStringLiteral("#########0.00"));
            QCOMPARE(*fmt::parseNumber(shown), Zaokruzi(x));
        }
    }

    void design_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("amount in 8") << "12,50" << 8 << "   12,50";
        QTest::newRow("trimmed first") << " ab " << 4 << "  ab";
        QTest::newRow("exact width") << "abcd" << 4 << "abcd";
        QTest::newRow("longer stays") << "abcdef" << 3 << "abcdef";
        QTest::newRow("longer trimmed") << "  x  " << 1 << "x";
        QTest::newRow("empty") << "" << 3 << "   ";
        QTest::newRow("croatian letters") << QStringLiteral("Čaša") << 6 << QStringLiteral("  Čaša");
    }
    void design()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(Design(text, width), expected);
    }
};

QTEST_GUILESS_MAIN(TstFormat)
#include "tst_format.moc"
