#include "invoicing/knjigaracuna.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/paths.h"
#include "data/schema.h"
#include "data/store.h"
#include "data/tdm.h"
#include "invoicing/invoiceentry.h"
#include "invoicing/invoicerules.h"
#include "reports/layouts/invoicelayouts.h"
#include "util/reportexport.h"
#include "util/sendmail.h"

#include <QColor>
#include <QSqlRecord>

namespace tarvel::invoicing {

namespace {

using data::Condition;

const QStringList& bookColumns(bool customerMode)
{
    static const QStringList customer{"BR_RAC",   "DAT_VR", "NAZIV",  "OIB_KUP",   "UKIZNOS", "NAC_PLAC",
                                      "ZAST_KOD", "DATSAT", "JIR",    "NAK_DOST",  "PARAGON", "SPECNAMJ",
                                      "U_PDV",    "SLIJED", "BR_OZN", "CIS_PORUKA"};
    static const QStringList companion = [] {
        QStringList c = customer;
        c.removeAll(QStringLiteral("OIB_KUP"));
        return c;
    }();
    return customerMode ? customer : companion;
}

QStringList bookTitles(bool customerMode)
{
    QStringList t{"Broj računa",
                  "Dat. i vr. računa",
                  "Naziv",
                  "OIB kupca",
                  "Uk.iznos",
                  "Način plaćanja",
                  "Zaštitni kod",
                  "Dat. i vr. slanja",
                  "JIR - Jedinstveni identifikator računa",
                  "Naknadna dostava",
                  "Paragon",
                  "Specijalna namjena",
                  "U sustavu PDV-a",
                  "Slijed",
                  "Broj oznake",
                  "Poruka CIS-a Porezne uprave"};
    if (!customerMode)
        t.removeAt(3);
    return t;
}

data::TableObject* openOpci(data::TDM& dm)
{
    data::TableObject* o = dm.OpcaTable;
    if (!o->active())
        o->open();
    o->first();
    if (o->isEmpty())
        throw TarvelError(ErrorKind::Other, QStringLiteral("Nisu upisani opći podaci tvrtke."));
    return o;
}

// The text cut to the column's width, so a long "Storno - " name still posts.
QString fitted(const QString& table, const QString& column, const QString& text)
{
    for (const data::TableDef& t : data::schema())
        if (t.name == table)
            if (const data::ColumnDef* c = t.column(column); c && c->width > 0)
                return text.left(c->width);
    return text;
}

} // namespace

bool potrebnoFiskalizirati(const QString& jir, const QString& nacPlac)
{
    return jir.trimmed().isEmpty() && paymentCode(nacPlac) != QLatin1Char('T');
}

std::optional<data::Filter> filterKnjige(const QString& naziv, const QString& oib, Prikaz prikaz,
                                         bool customerMode)
{
    if (prikaz == Prikaz::Sve && naziv.isEmpty() && oib.isEmpty())
        return std::nullopt;
    data::Filter f;
    f.add({QStringLiteral("OIB"), Condition::Op::Ne, QString()});
    if (!oib.isEmpty())
        f.add({customerMode ? QStringLiteral("OIB_KUP") : QStringLiteral("OIB"), Condition::Op::BeginsWith,
               oib});
    if (prikaz == Prikaz::Fiskalizirano)
        f.add({QStringLiteral("JIR"), Condition::Op::Ne, QString()});
    else if (prikaz == Prikaz::Nefiskalizirano)
        f.anyOf.append({{QStringLiteral("JIR"), Condition::Op::IsNull, {}},
                        {QStringLiteral("JIR"), Condition::Op::Eq, QString()}});
    if (!naziv.isEmpty())
        f.add({QStringLiteral("NAZIV"), Condition::Op::BeginsWith, naziv, true});
    return f;
}

bool imaNefiskaliziranih(data::TDM& dm)
{
    return data::scalar(dm.connection(),
                        QStringLiteral("SELECT 1 FROM FISKAL WHERE trim(coalesce(JIR, '')) = '' AND "
                                       "substr(ltrim(coalesce(NAC_PLAC, '')), 1, 1) <> 'T' LIMIT 1"))
        .isValid();
}

// ---------------------------------------------------------------------------------------------

KnjigaRacunaModel::KnjigaRacunaModel(data::TableObject* fiskal, bool customerMode, QObject* parent)
    : data::TableModel(fiskal, parent)
{
    setColumns(bookColumns(customerMode), bookTitles(customerMode));
}

QColor KnjigaRacunaModel::crvena()
{
    return QColor(Qt::red);
}

QVariant KnjigaRacunaModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::ForegroundRole && index.isValid()) {
        const data::TableObject* t = table();
        if (potrebnoFiskalizirati(t->valueAt(index.row(), QStringLiteral("JIR")).toString(),
                                  t->valueAt(index.row(), QStringLiteral("NAC_PLAC")).toString()))
            return crvena();
        return {};
    }
    return data::TableModel::data(index, role);
}

// ---------------------------------------------------------------------------------------------

BrisanjeRacuna planBrisanja(data::TDM& dm)
{
    data::TableObject* opci = openOpci(dm);
    const CounterAfterDelete c = counterAfterDelete(opci->asDouble(QStringLiteral("BR_RAC")),
                                                    dm.FiskalTable->asString(QStringLiteral("BR_RAC")));
    return {c.numberPartIsNumber, c.lowered};
}

void obrisiRacun(data::TDM& dm, bool snizitiBrojac)
{
    data::TableObject* fiskal = dm.FiskalTable;
    if (!fiskal->active() || fiskal->isEmpty())
        return;
    data::TableObject* opci = openOpci(dm);
    data::Transaction unit(dm.connection());
    if (snizitiBrojac) {
        const CounterAfterDelete c = counterAfterDelete(opci->asDouble(QStringLiteral("BR_RAC")),
                                                        fiskal->asString(QStringLiteral("BR_RAC")));
        if (c.lowered) {
            opci->edit();
            opci->setValue(QStringLiteral("BR_RAC"), c.counter);
            opci->post();
        }
    }
    fiskal->remove();
    unit.commit();
}

QString StornirajRacun(data::TDM& dm)
{
    data::TableObject* fiskal = dm.FiskalTable;
    if (!fiskal->active() || fiskal->isEmpty())
        return {};
    data::TableObject* opci = openOpci(dm);
    const QVariantMap source = rowValues(*fiskal);
    const qint64 sourceKey = fiskal->currentKey();
    const CompanyValues company = CompanyValues::fromColumns(rowValues(*opci));
    const QString brRac = composeInvoiceNumber(company);

    try {
        data::Transaction unit(dm.connection());
        fiskal->append();
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            if (it.key() != QLatin1String("AUTOKEY") && !fiskal->isLookup(it.key()))
                fiskal->setValue(it.key(), it.value());
        auto negate = [&](const QString& column) {
            const QVariant v = source.value(column);
            if (!v.isNull())
                fiskal->setValue(column, -v.toDouble());
        };
        for (int n = 1; n <= LineCount; ++n)
            for (const char* c : {"OSNOVICA", "PDV", "IZNOS"})
                negate(lineColumn(c, n));
        for (const char* c : {"UKOSNOV", "UKPDV", "UKIZNOS"})
            negate(QLatin1String(c));
        for (int g = 1; g <= VatGroupCount; ++g)
            for (const char* c : {"UKOSNOV", "UKPDV", "STPDV"})
                negate(QLatin1String(c) + QString::number(g));
        fiskal->setValue(QStringLiteral("BR_RAC"), brRac);
        for (const char* c : {"JIR", "ZAST_KOD", "CIS_PORUKA"})
            fiskal->setValue(QLatin1String(c), QString());
        fiskal->setValue(
            QStringLiteral("NAZIV"),
            fitted(QStringLiteral("FISKAL"), QStringLiteral("NAZIV"),
                   QStringLiteral("Storno - ") + source.value(QStringLiteral("NAZIV")).toString()));
        fiskal->setValue(QStringLiteral("OPIS"), fitted(QStringLiteral("FISKAL"), QStringLiteral("OPIS"),
                                                        QStringLiteral("Storno - ") +
                                                            source.value(QStringLiteral("OPIS")).toString()));
        const QDateTime now = Clock::now();
        fiskal->setValue(QStringLiteral("DAT_VR"), fmt::fiscalDateTime(now));
        fiskal->setValue(QStringLiteral("DATUM"), now.date());
        fiskal->post();
        const qint64 newKey = fiskal->currentKey();
        opci->edit();
        opci->setValue(QStringLiteral("BR_RAC"), counterAfterNewInvoice(company.counter));
        opci->post();
        unit.commit();
        fiskal->moveToKey(newKey);
    } catch (...) {
        // nothing of the copy stays; the book stays on the invoice it wanted to cancel
        fiskal->refresh();
        opci->refresh();
        fiskal->moveToKey(sourceKey);
        throw;
    }
    return brRac;
}

// ---------------------------------------------------------------------------------------------

PrimateljRacuna primateljRacuna(data::TDM& dm, const QString& partyTable)
{
    PrimateljRacuna p;
    const QString oibKup = dm.FiskalTable->asString(QStringLiteral("OIB_KUP")).trimmed();
    p.naziv = dm.FiskalTable->asString(QStringLiteral("NAZIV")).trimmed();
    if (oibKup.isEmpty() || (partyTable != QLatin1String("KUPCI") && partyTable != QLatin1String("KOMINT")))
        return p;
    const QVector<QVector<QVariant>> rows = data::readRows(
        dm.connection(),
        QStringLiteral("SELECT FNAZIV, NAZIV_KOM FROM %1 WHERE POR_BROJ = ? LIMIT 1").arg(partyTable),
        {oibKup});
    if (rows.isEmpty())
        return p;
    p.nadjen = true;
    p.adresa = rows[0].value(0).toString().trimmed();
    p.naziv = rows[0].value(1).toString().trimmed();
    return p;
}

bool PosaljiJednog(data::TDM& dm, const QString& partyTable, bool customerMode, const PrimateljRacuna& komu)
{
    data::TableObject* opci = openOpci(dm);
    const QString ispis = opci->asString(QStringLiteral("ISPIS")).trimmed();
    if (ispis != QLatin1String("A4") && ispis != QLatin1String("A5"))
        return false;
    const QString file = Paths::file(QStringLiteral("xml/RACUN.PDF"));
    const reports::RacunZaIspis podaci = reports::RacunZaIspis::izModula(dm, partyTable, customerMode);
    if (ispis == QLatin1String("A4")) {
        reports::TFormaTiskanjeKarticeReport layout(podaci, opci);
        util::ReportExport(layout, file);
    } else {
        reports::TTiskanjeKarticeA5Report layout(podaci);
        util::ReportExport(layout, file);
    }
    const QString brRac = dm.FiskalTable->asString(QStringLiteral("BR_RAC"));
    util::SendMail(util::MailAccount::fromCompany(*opci), QStringLiteral("Dostava racuna"),
                   QStringLiteral("Nas racun br. ") + brRac +
                       QStringLiteral(" nalazi se u prilogu. Srdacan pozdrav. "),
                   file, komu.adresa, komu.naziv, opci->asString(QStringLiteral("EMAIL")),
                   opci->asString(QStringLiteral("ODG_IME")) + QLatin1Char(' ') +
                       opci->asString(QStringLiteral("ODG_PREZ")));
    return true;
}

void pripremiDnevnik(data::TableObject& upit, const QDate& danas)
{
    if (upit.active())
        upit.close();
    upit.setFilter(data::Filter().add({QStringLiteral("DATUM"), Condition::Op::Eq, fmt::isoDate(danas)}));
    upit.setSort(QStringLiteral("AUTOKEY"));
    upit.open();
}

} // namespace tarvel::invoicing
