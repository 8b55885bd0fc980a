// TCertReport: the certificate confirmation on prepared pages and, once, as a PDF read back with
// pdftotext and pdfinfo.
#include "core/cipher.h"
#include "core/paths.h"
#include "data/tdm.h"
#include "fiscal/certreport.h"
#include "reports/report.h"
#include "util/reportexport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using namespace tarvel;
using namespace tarvel::fiscal;
using tarvel::reports::PreparedItem;
using tarvel::reports::PreparedPage;

namespace {

PodaciCertifikata primjer()
{
    PodaciCertifikata p;
    p.prom = QDate(2013, 3, 5);
    p.naziv = QStringLiteral("Obrt Šime & kći");
    p.ulica = QStringLiteral("  Šetalište kapetana Radića ");
    p.kBr = QStringLiteral("12");
    p.kBrD = QStringLiteral("b");
    p.ptt = QStringLiteral("31000");
    p.mjesto = QStringLiteral("Osijek");
    p.oib = QStringLiteral("12345678903");
    p.imeCert = QStringLiteral("C:/Certifikati/FISKAL 1.pfx");
    p.lozinka = QStringLiteral("Tajna&Lozinka1");
    return p;
}

// The texts of the page's title band, top to bottom and, on one line, left to right.
QStringList redovi(const PreparedPage& page)
{
    std::vector<const PreparedItem*> items;
    for (const PreparedItem& i : page.items)
        if (i.band == reports::BandType::Title && i.kind == PreparedItem::Kind::Text)
            items.push_back(&i);
    std::stable_sort(items.begin(), items.end(), [](const PreparedItem* a, const PreparedItem* b) {
        return a->rect.top() < b->rect.top() - 0.5 ||
               (std::abs(a->rect.top() - b->rect.top()) <= 0.5 && a->rect.left() < b->rect.left());
    });
    QStringList out;
    double top = -100;
    for (const PreparedItem* i : items) {
        if (std::abs(i->rect.top() - top) <= 0.5)
            out.last() += QLatin1Char('|') + i->text;
        else
            out << i->text;
        top = i->rect.top();
    }
    return out;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning() << program << args << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestCertReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onePortraitPageInOrder()
    {
        TCertReport report(primjer());
        const reports::PreparedReport r = report.prepare();
        QCOMPARE(r.pageCount(), 1);
        QCOMPARE(r.pages[0].size(), QSizeF(210, 297));
        const QString crta(76, QLatin1Char('-'));
        QCOMPARE(redovi(r.pages[0]),
                 (QStringList{"POTVRDA O CERTIFIKATU", "FISKAL CERTIFIKAT INSTALIRAN NA RAČUNALO",
                              "Datum:|05.03.2013", crta, "NOSITELJ CERTIFIKATA I LOZINKA", "Obrt Šime & kći",
                              "Šetalište kapetana Radića 12 b", "31000|Osijek", "OIB:|12345678903",
                              "C:/Certifikati/FISKAL 1.pfx", "Lozinka: Tajna&Lozinka1", "Vrijedi do: 2018",
                              crta}));
        const PreparedItem* footer = r.pages[0].find("podnozje");
        QVERIFY(footer);
        QCOMPARE(footer->band, reports::BandType::PageFooter);
        QVERIFY(footer->alignment & Qt::AlignHCenter);
        QVERIFY(footer->rect.top() > 250);
        // nothing spills over the page
        for (const PreparedItem& i : r.pages[0].items)
            QVERIFY2(i.rect.right() <= 210 - 20 + 0.01 && i.rect.bottom() <= 297, qPrintable(i.text));
    }

    void values_data()
    {
        QTest::addColumn<QDate>("prom");
        QTest::addColumn<QString>("kBrD");
        QTest::addColumn<QString>("adresa");
        QTest::addColumn<QString>("datum");
        QTest::addColumn<QString>("vrijedi");
        QTest::newRow("2013, suffix") << QDate(2013, 3, 5) << "b"
                                      << "Šetalište kapetana Radića 12 b"
                                      << "05.03.2013"
                                      << "Vrijedi do: 2018";
        QTest::newRow("empty suffix keeps the blank") << QDate(2013, 12, 31) << ""
                                                      << "Šetalište kapetana Radića 12 "
                                                      << "31.12.2013"
                                                      << "Vrijedi do: 2018";
        QTest::newRow("year 999") << QDate(999, 1, 1) << ""
                                  << "Šetalište kapetana Radića 12 "
                                  << "01.01.0999"
                                  << "Vrijedi do: 1004";
        QTest::newRow("never registered") << QDate() << "a"
                                          << "Šetalište kapetana Radića 12 a"
                                          << ""
                                          << "Vrijedi do: ";
    }
    void values()
    {
        QFETCH(QDate, prom);
        QFETCH(QString, kBrD);
        QFETCH(QString, adresa);
        QFETCH(QString, datum);
        QFETCH(QString, vrijedi);
        PodaciCertifikata p = primjer();
        p.prom = prom;
        p.kBrD = kBrD;
        TCertReport report(p);
        const reports::PreparedReport r = report.prepare();
        QCOMPARE(r.pageCount(), 1);
        QCOMPARE(r.pages[0].find("adresa")->text, adresa);
        QCOMPARE(r.pages[0].find("datum") ? r.pages[0].find("datum")->text : QString(), datum);
        QCOMPARE(r.pages[0].find("vrijediDo")->text, vrijedi);
    }

    void printedWithoutData()
    {
        TCertReport report{PodaciCertifikata{}};
        const reports::PreparedReport r = report.prepare();
        QCOMPARE(r.pageCount(), 1);
        QVERIFY(r.pages[0].containsText("POTVRDA O CERTIFIKATU"));
        QVERIFY(r.pages[0].containsText("Lozinka: "));
        QVERIFY(r.pages[0].find("podnozje"));
    }

    void readsStoredCompanyWithClearPassword()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QVERIFY(QDir().mkpath(tmp.filePath("baze")));
        Paths::setProgramFolder(tmp.path());
        data::TDM dm;
        dm.create();
        data::TableObject* o = dm.OpcaTable;
        o->open();
        o->first();
        if (o->isEmpty())
            o->append();
        else
            o->edit();
        const PodaciCertifikata e = primjer();
        o->setValue("NAZIV", e.naziv);
        o->setValue("ULICA", e.ulica);
        o->setValue("K_BR", e.kBr);
        o->setValue("K_BR_D", QString());
        o->setValue("PTT", e.ptt);
        o->setValue("MJESTO", e.mjesto);
        o->setValue("OIB", e.oib);
        o->setValue("IME_CERT", e.imeCert);
        o->setValue("PASS_CERT", encipherPassword(QStringLiteral("Čvrsta lozinka")));
        o->setValue("PROM", QDate(2013, 3, 5));
        o->post();
        o->close();

        const PodaciCertifikata p = PodaciCertifikata::izOpci(*o);
        QVERIFY(!o->active());
        QCOMPARE(p.lozinka, QStringLiteral("Čvrsta lozinka"));
        QCOMPARE(p.prom, QDate(2013, 3, 5));
        TCertReport report(p);
        const reports::PreparedReport r = report.prepare();
        QCOMPARE(r.pages[0].find("lozinka")->text, QStringLiteral("Lozinka: Čvrsta lozinka"));
        QCOMPARE(r.pages[0].find("adresa")->text, QStringLiteral("Šetalište kapetana Radića 12 "));
        QCOMPARE(r.pages[0].find("vrijediDo")->text, QStringLiteral("Vrijedi do: 2018"));
    }

    void pdfReadsBack()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString pdf = tmp.filePath("potvrda.pdf");
        TCertReport report(primjer());
        util::ReportExport(report, pdf);
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
        const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
        QVERIFY2(size.hasMatch(), qPrintable(info));
        QVERIFY(qAbs(size.captured(1).toDouble() - 595.28) < 0.5 &&
                qAbs(size.captured(2).toDouble() - 841.89) < 0.5);
        // the PDF keeps the font's ligatures ("fi" as U+FB01); compatibility normalisation undoes them
        const QString text =
            run("pdftotext", {"-layout", pdf, "-"}).normalized(QString::NormalizationForm_KC);
        for (const QString& line :
             {QStringLiteral("POTVRDA O CERTIFIKATU"),
              QStringLiteral("FISKAL CERTIFIKAT INSTALIRAN NA RAČUNALO"),
              QStringLiteral("NOSITELJ CERTIFIKATA I LOZINKA"), QStringLiteral("Obrt Šime & kći"),
              QStringLiteral("Šetalište kapetana Radića 12 b"), QStringLiteral("12345678903"),
              QStringLiteral("C:/Certifikati/FISKAL 1.pfx"), QStringLiteral("Lozinka: Tajna&Lozinka1"),
              QStringLiteral("Vrijedi do: 2018"), QStringLiteral("05.03.2013"), QStringLiteral("Osijek")})
            QVERIFY2(text.contains(line), qPrintable(line + "\n" + text));
        // top to bottom as laid out
        QVERIFY(text.indexOf("POTVRDA O CERTIFIKATU") < text.indexOf("NOSITELJ"));
        QVERIFY(text.indexOf("NOSITELJ") < text.indexOf("Lozinka:"));
        QVERIFY(text.indexOf("Lozinka:") < text.indexOf("Vrijedi do:"));
        QVERIFY(text.indexOf("Vrijedi do:") < text.indexOf("čuvajte"));
    }
};

QTEST_MAIN(TestCertReport)
#include "tst_certreport.moc"
