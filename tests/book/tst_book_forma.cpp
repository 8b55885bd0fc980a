// "Knjiga računa" driven by keys and clicks: the data module's rows, the message dialog's script, the
// previews the book prepares, the stand-in fiscal service and a local SMTP server.
#include "../fiscal/fiscaltestutil.h"
#include "app/poruka.h"
#include "bookfixture.h"
#include "core/errors.h"
#include "fiscal/prijenos.h"
#include "invoicing/entryservices.h"
#include "invoicing/formaracuna.h"
#include "invoicing/formaracunaunos.h"
#include "invoicing/receiptjob.h"
#include "reports/preview.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::invoicing;
using app::Poruka;

namespace {

struct KeepingSink : ReceiptSink
{
    QStringList printers;
    void printRaw(const QString& printer, const QString&, const QList<QByteArray>&) override
    {
        printers << printer;
    }
};

void typeInto(QWidget* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// Runs `fn` on the next modal dialog that opens (an entry window), as a person at it would.
void onNextModal(std::function<void(QDialog*)> fn)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [fn, tries, poll] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            d && !d->inherits("tarvel::invoicing::TFormaRacuna")) {
            fn(d);
            return;
        }
        if (++*tries < 200)
            QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
}

} // namespace

class TestBookForma : public QObject
{
    Q_OBJECT

    std::unique_ptr<BookFixture> fx;
    QList<reports::PreparedReport> previews;
    QTemporaryDir m_pkiDir{QDir::tempPath() + QStringLiteral("/tp-XXXXXX")};
    QTemporaryDir m_config;
    fiscaltest::Pki m_pki;
    fiscaltest::CisServer m_cis;
    QList<QStringList> potvrde;

    std::unique_ptr<TFormaRacuna> openBook(QWidget* parent = nullptr)
    {
        auto f = std::make_unique<TFormaRacuna>(parent);
        f->show();
        f->activateWindow();
        if (!QTest::qWaitForWindowActive(f.get()))
            return nullptr;
        QCoreApplication::processEvents();
        return f;
    }
    void withCertificate()
    {
        fx->setOpci("IME_CERT", m_pki.p12Lanac());
        fx->setOpci("PASS_CERT", encipherPassword(fiscaltest::Pki::lozinka()));
    }
    QString col(const char* c) { return fx->dm->FiskalTable->asString(QLatin1String(c)); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY(m_pki.napravi(m_pkiDir.filePath("pki")));
        QVERIFY(m_cis.start(m_pkiDir.filePath("cis"), m_pki.serverCert(), m_pki.serverKljuc(), m_pki.ca()));
        m_cis.setMode({{"mode", "jir"}, {"jir", "a1b2c3d4-0000-4000-8000-000000000001"}});
        reports::setPreviewInterceptor([this](const reports::PreparedReport& r) { previews << r; });
        KnjigaUsluge::current().potvrda = [this](QWidget*, const data::TableObject&, const QString& jir,
                                                 const QString& zki, const QString&) {
            potvrde << QStringList{jir, zki};
        };
        EntryServices::current().idleWatcher = [](bool) {};
    }
    void init()
    {
        fx = std::make_unique<BookFixture>();
        fiscaltest::zapisi(Paths::settingsFile(),
                           QStringLiteral("[CIS]\nPRODUKCIJA=%1\nTEST=%1\nCA=%2\n[MREZA]\nPROBA=%1\n")
                               .arg(m_cis.address(), m_pki.ca())
                               .toUtf8());
        fiscal::postavke() = fiscal::CisPostavke::procitaj();
        fiscal::postavke().vremenskoOgranicenjeMs = 5000;
        previews.clear();
        potvrde.clear();
    }
    void cleanup()
    {
        fx.reset();
        fx = nullptr;
    }
    void cleanupTestCase()
    {
        reports::setPreviewInterceptor({});
        m_cis.stop();
    }

    void listColumnsAndModel()
    {
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026"));
        fx->addInvoice(BookFixture::sampleInvoice("6/POSL1/3 2026"));
        Poruka::Script script;
        auto book = openBook();
        QVERIFY(book);
        QAbstractItemModelTester tester(book->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(book->windowTitle(), QStringLiteral("Knjiga računa"));
        QCOMPARE(book->model()->columnCount(), 16);
        QCOMPARE(book->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("OIB kupca"));
        QCOMPARE(book->model()->headerData(15, Qt::Horizontal).toString(),
                 QStringLiteral("Poruka CIS-a Porezne uprave"));
        QCOMPARE(book->list()->currentIndex().row(), 1); // the last invoice
        QCOMPARE(col("BR_RAC"), QStringLiteral("6/POSL1/3 2026"));
        // no certificate: no fiscalization, no certificate confirmation, no notice
        QVERIFY(!book->button("Fiskaliziraj - F10")->isEnabled());
        QVERIFY(!book->button("Potvrda certifikata - F2")->isEnabled());
        QVERIFY(script.texts().isEmpty());
        QTest::keyClick(book->list(), Qt::Key_Up);
        QCOMPARE(col("BR_RAC"), QStringLiteral("5/POSL1/3 2026"));
        QTest::keyClick(book.get(), Qt::Key_Escape);
        QVERIFY(!book->isVisible());
        QVERIFY(!fx->dm->FiskalTable->active());
    }

    void deleteNewestLowersTheCounter()
    {
        fx->setOpci("BR_RAC", 18.0);
        fx->addInvoice(BookFixture::sampleInvoice("16/POSL1/3 2026"));
        fx->addInvoice(BookFixture::sampleInvoice("17/POSL1/3 2026"));
        Poruka::Script script({true});
        auto book = openBook();
        QTest::keyClick(book->list(), Qt::Key_Delete);
        QCOMPARE(script.texts(), QStringList{"Stvarno želite obrisati račun: 17/POSL1/3 2026 ?"});
        QCOMPARE(fx->counter(), 17.0);
        QCOMPARE(fx->count("FISKAL"), 1);
        QCOMPARE(book->model()->rowCount(), 1);
    }

    void deleteOlderKeepsTheCounter()
    {
        fx->setOpci("BR_RAC", 18.0);
        fx->addInvoice(BookFixture::sampleInvoice("16/POSL1/3 2026"));
        fx->addInvoice(BookFixture::sampleInvoice("17/POSL1/3 2026"));
        Poruka::Script script({true});
        auto book = openBook();
        QTest::keyClick(book->list(), Qt::Key_Up);
        QTest::keyClick(book->list(), Qt::Key_Delete);
        QCOMPARE(script.texts(), QStringList{"Stvarno želite obrisati račun: 16/POSL1/3 2026 ?"});
        QCOMPARE(fx->counter(), 18.0);
        QCOMPARE(fx->scalar("SELECT BR_RAC FROM FISKAL").toString(), QStringLiteral("17/POSL1/3 2026"));
    }

    // A number part that is no number: asked twice, the counter untouched.
    void deleteWithoutNumberAsksTwice()
    {
        fx->setOpci("BR_RAC", 18.0);
        fx->addInvoice(BookFixture::sampleInvoice("A/POSL1/3 2026"));
        Poruka::Script script({true, true});
        auto book = openBook();
        QTest::mouseClick(book->button("Briši / Storno - Del"), Qt::LeftButton);
        QCOMPARE(script.texts().size(), 2);
        QCOMPARE(fx->count("FISKAL"), 0);
        QCOMPARE(fx->counter(), 18.0);
    }

    void cancelFiscalizedInvoice()
    {
        fx->setOpci("BR_RAC", 18.0);
        const qint64 original = fx->addInvoice(BookFixture::sampleInvoice("17/POSL1/3 2026", "jir-17"));
        fx->exec(
            "INSERT INTO PROMETNA (POR_BROJ, VK, BROJ_DOK, POTRAZUJE, KEYFISKAL) VALUES (?, 'Z', ?, 125, ?)",
            {BookFixture::CustomerOib, "17/POSL1/3 2026", original});
        Poruka::Script script({true, false}); // cancel: yes; fiscalize: no
        auto book = openBook();
        QTest::keyClick(book->list(), Qt::Key_Delete);
        QCOMPARE(
            script.texts(),
            QStringList({"Račun je fiskaliziran i ne smije se brisati!\r\rIzvršiti će se storno kreiranjem i "
                         "fiskaliziranjem računa s minus iznosom",
                         "Fiskalizirate račun broj 18/POSL1/3 2026 ?"}));
        QCOMPARE(fx->count("FISKAL"), 2);
        QCOMPARE(fx->counter(), 19.0);
        QCOMPARE(col("BR_RAC"), QStringLiteral("18/POSL1/3 2026"));
        QCOMPARE(col("NAZIV"), QStringLiteral("Storno - Kupac d.o.o."));
        QCOMPARE(col("OPIS"), QStringLiteral("Storno - Usluga"));
        QCOMPARE(fx->dm->FiskalTable->asDouble("UKOSNOV"), -100.0);
        QCOMPARE(fx->dm->FiskalTable->asDouble("UKPDV"), -25.0);
        QCOMPARE(fx->dm->FiskalTable->asDouble("UKIZNOS"), -125.0);
        QCOMPARE(fx->dm->FiskalTable->asDouble("STPDV1"), -25.0);
        QCOMPARE(fx->dm->FiskalTable->asDouble("UKOSNOV1"), -100.0);
        QCOMPARE(fx->dm->FiskalTable->asDouble("ST_PDV"), 25.0); // line rates stay
        QCOMPARE(fx->dm->FiskalTable->asDouble("cijena"), 100.0);
        QCOMPARE(col("JIR"), QString());
        QCOMPARE(col("ZAST_KOD"), QString());
        QCOMPARE(col("DAT_VR"), QStringLiteral("11.12.2026T10:00:00"));
        QCOMPARE(fx->dm->FiskalTable->asDate("DATUM"), QDate(2026, 12, 11));
        QCOMPARE(col("OIB_KUP"), QString::fromLatin1(BookFixture::CustomerOib));
        QCOMPARE(col("NAC_PLAC"), QStringLiteral("G - Novčanice i kovanice"));
        // the cancelled invoice is untouched, and no ledger entry is written
        QCOMPARE(fx->scalar("SELECT UKIZNOS FROM FISKAL WHERE AUTOKEY = ?", {original}).toDouble(), 125.0);
        QCOMPARE(fx->count("PROMETNA"), 1);
    }

    // "Storno - " before a name that fills its column: cut to the width, the invoice still stored.
    void cancelWithLongName()
    {
        QVariantMap inv = BookFixture::sampleInvoice("17/POSL1/3 2026", "jir-17");
        inv["NAZIV"] = QString(50, QLatin1Char('N'));
        fx->addInvoice(inv);
        Poruka::Script script({true, false});
        auto book = openBook();
        QTest::mouseClick(book->button("Briši / Storno - Del"), Qt::LeftButton);
        QCOMPARE(fx->count("FISKAL"), 2);
        QCOMPARE(col("NAZIV"), QStringLiteral("Storno - ") + QString(41, QLatin1Char('N')));
    }

    void bankTransferIsNotRedNorCounted()
    {
        withCertificate();
        QVariantMap t = BookFixture::sampleInvoice("5/POSL1/3 2026");
        t["NAC_PLAC"] = "T - Transakcijski račun";
        fx->addInvoice(t);
        fx->addInvoice(BookFixture::sampleInvoice("6/POSL1/3 2026", "jir-6"));
        {
            Poruka::Script script;
            auto book = openBook();
            QTest::qWait(50);
            QCOMPARE(script.texts(), QStringList());
            for (int r = 0; r < 2; ++r)
                QVERIFY(!book->model()->data(book->model()->index(r, 0), Qt::ForegroundRole).isValid());
            QVERIFY(book->button("Fiskaliziraj - F10")->isEnabled());
        }
        fx->addInvoice(BookFixture::sampleInvoice("7/POSL1/3 2026"));
        Poruka::Script script;
        auto book = openBook();
        QTest::qWait(50);
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(script.texts()[0].startsWith("Imate nefiskaliziranih računa! \rMolimo Vas"));
        QCOMPARE(book->model()->data(book->model()->index(2, 0), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::red));
    }

    void showUnfiscalized()
    {
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026", "jir-5"));
        fx->addInvoice(BookFixture::sampleInvoice("6/POSL1/3 2026"));
        QVariantMap noOib = BookFixture::sampleInvoice("7/POSL1/3 2026");
        noOib["OIB"] = QString();
        fx->addInvoice(noOib);
        Poruka::Script script;
        auto book = openBook();
        QCOMPARE(book->model()->rowCount(), 3);
        book->showChoice()->setCurrentIndex(1); // "Nefiskalizirano"
        QCOMPARE(book->model()->rowCount(), 1);
        QCOMPARE(col("BR_RAC"), QStringLiteral("6/POSL1/3 2026"));
        book->showChoice()->setCurrentIndex(0);
        QCOMPARE(book->model()->rowCount(), 1);
        QCOMPARE(col("BR_RAC"), QStringLiteral("5/POSL1/3 2026"));
        book->showChoice()->setCurrentIndex(2);
        QCOMPARE(book->model()->rowCount(), 3);
        // name prefix, Croatian letters without regard to case; entering the box empties it
        typeInto(book->nameBox(), QStringLiteral("kup"));
        QCOMPARE(book->model()->rowCount(), 2); // the empty OIB is left out once a text is typed
        QTest::keyClicks(book->nameBox(), "x");
        QCOMPARE(book->model()->rowCount(), 0);
        book->list()->setFocus();
        QTest::mouseClick(book->nameBox(), Qt::LeftButton);
        QCOMPARE(book->nameBox()->text(), QString());
        QCOMPARE(book->model()->rowCount(), 3);
        typeInto(book->oibBox(), QStringLiteral("9876"));
        QCOMPARE(book->model()->rowCount(), 2);
    }

    void emailWithoutAddressNamesTheCustomer()
    {
        QVariantMap inv = BookFixture::sampleInvoice();
        inv["OIB_KUP"] = QString::fromLatin1(BookFixture::SilentOib);
        fx->addInvoice(inv);
        Poruka::Script script;
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F7);
        QCOMPARE(script.texts(),
                 QStringList{"Slanje na eMail za Tihi kupac j.d.o.o. nije moguće pošto ne postoji "
                             "upisana eMail adresa u podacima o kupcu !"});
        QVERIFY(!QFile::exists(Paths::file("xml/RACUN.PDF")));
    }

    // The A4 invoice as a PDF to the local SMTP server; its text read back with pdftotext.
    void emailSendsThePdf()
    {
        QTemporaryDir mail;
        QProcess smtp;
        smtp.start("/usr/bin/python3", {TARVEL_SOURCE_DIR "/tests/servers/smtp_server.py", "--mode", "plain",
                                        "--no-auth", "--out", mail.path()});
        QVERIFY(smtp.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(smtp.canReadLine(), 15000);
        const QByteArray ready = smtp.readLine().trimmed();
        QVERIFY(ready.startsWith("READY "));
        fx->setOpci("eHOST", "127.0.0.1");
        fx->setOpci("ePORT", QString::fromLatin1(ready.mid(6)));
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026", "a1b2-jir"));
        Poruka::Script script({true});
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F7);
        QCOMPARE(
            script.texts(),
            QStringList(
                {"Račun će biti poslan na adresu nabava@kupac.hr\r\rNastavljate slanje ?",
                 "Račun broj 5/POSL1/3 2026 uspješno poslan na e-mail adresu kupca. Možete nastaviti rad."}));
        QFile json(mail.filePath("msg-1.json"));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject m = QJsonDocument::fromJson(json.readAll()).object();
        smtp.closeWriteChannel();
        smtp.waitForFinished(5000);
        QCOMPARE(m["headers"].toObject()["Subject"].toString(), QStringLiteral("Dostava racuna"));
        QVERIFY(m["headers"].toObject()["To"].toString().contains("nabava@kupac.hr"));
        QVERIFY(m["headers"].toObject()["From"].toString().contains("Iva Ivić"));
        QByteArray pdf;
        QString body;
        for (const QJsonValue& p : m["parts"].toArray()) {
            const QByteArray data = QByteArray::fromBase64(p.toObject()["data"].toString().toLatin1());
            if (p.toObject()["filename"].toString() == "RACUN.PDF")
                pdf = data;
            else
                body += QString::fromUtf8(data);
        }
        QVERIFY(body.contains("Nas racun br. 5/POSL1/3 2026 nalazi se u prilogu. Srdacan pozdrav. "));
        QVERIFY(pdf.startsWith("%PDF"));
        const QString file = mail.filePath("got.pdf");
        fiscaltest::zapisi(file, pdf);
        const fiscaltest::Rezultat text = fiscaltest::pokreni("pdftotext", {"-layout", file, "-"});
        QCOMPARE(text.code, 0);
        const QString t = QString::fromUtf8(text.out);
        for (const char* want : {"Tvrtka d.o.o.", "Račun broj:", "5/POSL1/3 2026", "Kupac d.o.o.", "a1b2-jir",
                                 "125,00", "Operater: Ana Operaterka", "25,00%"})
            QVERIFY2(t.contains(QString::fromUtf8(want)), want);
    }

    void emailNothingForReceiptPrinter()
    {
        fx->setOpci("ISPIS", "40");
        fx->addInvoice(BookFixture::sampleInvoice());
        Poruka::Script script({true});
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F7);
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(!script.texts()[0].contains("uspješno"));
        QCOMPARE(script.remaining(), 1);
        QVERIFY(!QFile::exists(Paths::file("xml/RACUN.PDF")));
    }

    void daysLog()
    {
        fx->addInvoice(BookFixture::sampleInvoice()); // recorded 01.12.2026
        Poruka::Script script;
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F5);
        QCOMPARE(script.texts(),
                 QStringList{"Na današnji dan nemate izdanih računa pa ispis dnevnika nije moguć. "
                             "Možete nastaviti rad."});
        QVERIFY(previews.isEmpty());
        QVERIFY(book->button("Tiskaj dnevnik računa - F5")->isEnabled());

        QVariantMap today = BookFixture::sampleInvoice("6/POSL1/3 2026");
        today["DATUM"] = QDate(2026, 12, 11);
        today["DAT_VR"] = "20.11.2026T08:00:00"; // recorded today, whatever date it carries
        fx->addInvoice(today);
        QTest::keyClick(book.get(), Qt::Key_F5);
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews[0].text().contains("Dnevnik izdanih računa"));
        QVERIFY(previews[0].text().contains("6/POSL1/3 2026"));
        QVERIFY(!previews[0].text().contains("5/POSL1/3 2026"));
    }

    void printBySize_data()
    {
        QTest::addColumn<QString>("ispis");
        QTest::addColumn<QString>("oib");
        QTest::addColumn<double>("usedHeight");
        QTest::addColumn<QString>("marker");
        QTest::newRow("A4") << "A4" << BookFixture::CompanyOib << 0.0 << "Tvrtka d.o.o.";
        QTest::newRow("A4 special company") << "A4"
                                            << "47029583166" << 0.0 << "[naziv tvrtke OIB-a 47029583166]";
        QTest::newRow("A5") << "A5" << BookFixture::CompanyOib << 297.0 / 2 << "Tvrtka d.o.o.";
    }
    void printBySize()
    {
        QFETCH(QString, ispis);
        QFETCH(QString, oib);
        QFETCH(double, usedHeight);
        QFETCH(QString, marker);
        fx->setOpci("ISPIS", ispis);
        fx->setOpci("OIB", oib);
        fx->addInvoice(BookFixture::sampleInvoice());
        Poruka::Script script;
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F6);
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews[0].pages[0].setup.usedHeight, usedHeight);
        QVERIFY(previews[0].text().contains(marker));
        QVERIFY(script.texts().isEmpty()); // no certificate named: no notice
        QVERIFY(book->button("Tiskaj račun - F6")->isEnabled());
        QVERIFY(!fx->dm->OpcaTable->active());
    }

    void certificateConfirmationOnA4()
    {
        withCertificate();
        fx->setOpci("ISPIS", "A4");
        fx->addInvoice(BookFixture::sampleInvoice());
        Poruka::Script script;
        auto book = openBook();
        QVERIFY(book->button("Potvrda certifikata - F2")->isEnabled());
        QTest::keyClick(book.get(), Qt::Key_F2);
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews[0].text().contains(fiscaltest::Pki::lozinka()));
    }

    void printOnReceiptPrinter()
    {
        withCertificate();
        fx->setOpci("ISPIS", "40");
        fx->setOpci("GLAVNI_PRINTER", "Blagajna");
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026", "jir-5"));
        KeepingSink sink;
        setReceiptSink(&sink);
        QString selected = QStringLiteral("Uredski");
        QStringList selections;
        PrinterSwitch::active() = {[&] { return selected; },
                                   [&](const QString& n) {
                                       selections << n;
                                       selected = n;
                                       return true;
                                   }};
        Poruka::Script script;
        auto book = openBook();
        QTest::keyClick(book.get(), Qt::Key_F6);
        QTest::keyClick(book.get(), Qt::Key_F2);
        setReceiptSink(nullptr);
        PrinterSwitch::active() = PrinterSwitch::defaults();
        QCOMPARE(sink.printers, QStringList({"Blagajna", "Blagajna"}));
        QCOMPARE(selections, QStringList({"Blagajna", "Uredski", "Blagajna", "Uredski"}));
        QCOMPARE(selected, QStringLiteral("Uredski"));
        QVERIFY(previews.isEmpty());
    }

    void companionCaptionOnce()
    {
        fx->dm->companionMode = true;
        fx->addInvoice(BookFixture::sampleInvoice());
        QWidget mainWindow;
        mainWindow.setWindowTitle(QStringLiteral("Evidencija računa i naplate"));
        Poruka::Script script;
        for (int i = 0; i < 2; ++i) {
            auto book = openBook(&mainWindow);
            QCOMPARE(book->model()->columnCount(), 15); // no "OIB kupca"
            QCOMPARE(book->partyTableName(), QStringLiteral("KOMINT"));
            book->reject();
        }
        QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Evidencija računa i naplate za mjenjačnice"));
    }

    // A new invoice in the entry window, then the offer to fiscalize (the stand-in answers with a JIR),
    // "Potvrda", and the offer to print.
    void newInvoiceIsOfferedFiscalizationThenPrinting()
    {
        withCertificate();
        fx->dm->companionMode = true;
        Poruka::Script script({true, true});
        auto book = openBook();
        bool stored = false;
        onNextModal([&](QDialog* w) {
            typeInto(w->findChild<QLineEdit*>("opis1"), QStringLiteral("Mjenjacki posao"));
            typeInto(w->findChild<QLineEdit*>("osnovica1"), QStringLiteral("80"));
            typeInto(w->findChild<QLineEdit*>("stopa1"), QStringLiteral("25"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
            stored = !w->isVisible();
        });
        QTest::keyClick(book.get(), Qt::Key_F3);
        QVERIFY(stored);
        QCOMPARE(fx->count("FISKAL"), 1);
        QCOMPARE(script.texts(), QStringList({"Fiskalizirate račun broj 17/POSL1/3 2026 ?",
                                              "Ispisujete račun broj 17/POSL1/3 2026 ?"}));
        QCOMPARE(col("JIR"), QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
        QCOMPARE(potvrde.size(), 1);
        QCOMPARE(potvrde[0][0], col("JIR"));
        QCOMPARE(potvrde[0][1], col("ZAST_KOD"));
        QCOMPARE(previews.size(), 1);
        QVERIFY(previews[0].text().contains("a1b2c3d4-0000-4000-8000-000000000001"));
        QVERIFY(!book->waitLabel()->isVisible());
        QVERIFY(book->button("Fiskaliziraj - F10")->isEnabled());
    }

    void changeShowsFiscalizedInViewMode()
    {
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026", "jir-5"));
        Poruka::Script script;
        auto book = openBook();
        QString caption;
        bool saveEnabled = true;
        onNextModal([&](QDialog* w) {
            caption = w->windowTitle();
            saveEnabled = static_cast<TFormaRacunaUnos*>(w)->saveButton()->isEnabled();
            w->reject();
        });
        QTest::keyClick(book->list(), Qt::Key_Return);
        QCOMPARE(script.texts(), QStringList{"Račun je fiskaliziran i ne smije se mijenjati!"});
        QVERIFY(!caption.isEmpty());
        QVERIFY(!saveEnabled);
        QCOMPARE(fx->count("FISKAL"), 1);
    }

    void copyMakesANewInvoice()
    {
        fx->dm->companionMode = true;
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026", "jir-5"));
        Poruka::Script script({true});
        auto book = openBook();
        onNextModal([](QDialog* w) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key_F9);
        });
        QTest::keyClick(book.get(), Qt::Key_F12);
        QCOMPARE(script.texts().value(0),
                 QStringLiteral("Stvarno želite kopirati račun br. 5/POSL1/3 2026 \ri iz njega "
                                "napraviti novi s istim podacima ?"));
        QCOMPARE(fx->count("FISKAL"), 2);
        QCOMPARE(col("BR_RAC"), QStringLiteral("17/POSL1/3 2026"));
        QCOMPARE(col("JIR"), QString());
        QCOMPARE(fx->counter(), 18.0);
        QCOMPARE(script.texts().size(), 1); // no certificate: no offer to fiscalize
    }

    void oibChoiceAndShellHooks()
    {
        QStringList events;
        EntryServices::current().idleWatcher = [&](bool on) { events << (on ? "idle on" : "idle off"); };
        KnjigaUsluge::current().ocistiUslugu = [&] { events << "service label"; };
        auto before = EntryServices::current().chooseParty;
        EntryServices::current().chooseParty = [&](QWidget*, data::TableObject* t, const QString&) {
            events << "register " + t->tableName();
            return ChosenParty{QString::fromLatin1(BookFixture::CustomerOib),
                               QString::fromLatin1(BookFixture::CustomerName)};
        };
        fx->addInvoice(BookFixture::sampleInvoice("5/POSL1/3 2026"));
        QVariantMap other = BookFixture::sampleInvoice("6/POSL1/3 2026");
        other["OIB_KUP"] = QString::fromLatin1(BookFixture::SilentOib);
        fx->addInvoice(other);
        {
            Poruka::Script script;
            auto book = openBook();
            QTest::mouseClick(book->oibChoose(), Qt::LeftButton);
            QCOMPARE(book->oibBox()->text(), QString::fromLatin1(BookFixture::CustomerOib));
            QCOMPARE(book->model()->rowCount(), 1);
            book->reject();
        }
        EntryServices::current().chooseParty = before;
        EntryServices::current().idleWatcher = [](bool) {};
        KnjigaUsluge::current().ocistiUslugu = [] {};
        QCOMPARE(events, QStringList({"idle on", "register KUPCI", "idle off", "service label"}));
        QVERIFY(!fx->dm->FiskalTable->active());
        QVERIFY(fx->dm->FiskalTable->filter().isEmpty());
    }

    // Left without storing: no offer at all.
    void newInvoiceLeftWithoutStoring()
    {
        withCertificate();
        Poruka::Script script;
        auto book = openBook();
        onNextModal([](QDialog* w) { w->reject(); });
        QTest::keyClick(book.get(), Qt::Key_F3);
        QCOMPARE(fx->count("FISKAL"), 0);
        QVERIFY(script.texts().isEmpty());
    }
};

QTEST_MAIN(TestBookForma)
#include "tst_book_forma.moc"
