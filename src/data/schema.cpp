#include "data/schema.h"

namespace tarvel::data {

namespace {

ColumnDef T(const char* name, int width)
{
    return {QString::fromLatin1(name), ColType::Text, width, false};
}
ColumnDef D(const char* name)
{
    return {QString::fromLatin1(name), ColType::Double, 0, false};
}
ColumnDef Dt(const char* name)
{
    return {QString::fromLatin1(name), ColType::Date, 0, false};
}
ColumnDef I(const char* name)
{
    return {QString::fromLatin1(name), ColType::Integer, 0, false};
}
ColumnDef M(const char* name)
{
    return {QString::fromLatin1(name), ColType::Memo, 0, false};
}
ColumnDef Id(const char* name)
{
    return {QString::fromLatin1(name), ColType::Counter, 0, false};
}
ColumnDef AutoKey()
{
    return {QStringLiteral("AUTOKEY"), ColType::Counter, 0, true};
}

TableDef table(const QString& name, const QList<ColumnDef>& columns)
{
    TableDef t;
    t.name = name;
    t.columns = columns;
    return t;
}

QList<ColumnDef> partyColumns()
{
    return {T("NAZIV_KOM", 100),
            T("ULICA_KOM", 40),
            T("PTT_KOM", 40),
            T("DJELATNOST", 3),
            T("TELEFON", 40),
            T("TELEFAX", 40),
            T("V_KAM", 1),
            D("KAMATA"),
            T("ZIRO", 40),
            T("FNAZIV", 40),
            T("FADRESA", 40),
            T("FGRAD", 40),
            T("OPASKA", 40),
            T("KO1", 40),
            T("KO2", 40),
            I("DANI"),
            D("KM"),
            T("NARUDZBA", 20),
            Dt("DATUM_NAR"),
            T("POR_BROJ", 16),
            T("REFERENT", 2),
            T("OZN_ADR", 1),
            T("OZ2", 1),
            T("OZ3", 1),
            T("OZ4", 1),
            D("POPUST"),
            T("BANKA", 2),
            T("OBCINA", 4),
            T("PDV", 2)};
}

QList<ColumnDef> openItemColumns()
{
    return {AutoKey(),       T("VK", 1),     T("POR_BROJ", 16), D("RBR"),   T("BROJ_DOK", 30),
            Dt("DAT_DOKUM"), Dt("DAT_DOSP"), D("BRDANA"),       D("IZNOS"), D("PDV"),
            D("UKIZNOS"),    D("PLIZNOS"),   D("NEPLIZNOS")};
}

QList<ColumnDef> fiskalColumns()
{
    QList<ColumnDef> c{T("OIB", 16),    T("NAZIV", 50),  T("U_PDV", 10),  T("DATSAT", 19),
                       T("DAT_VR", 19), T("SLIJED", 10), T("BR_RAC", 20), T("BR_OZN", 20)};
    for (int line = 1; line <= 5; ++line) {
        const QString n = line == 1 ? QString() : QString::number(line);
        c << ColumnDef{QStringLiteral("OPIS") + n, ColType::Text, 100, false}
          << ColumnDef{QStringLiteral("OSNOVICA") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("ST_PDV") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("PDV") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("IZNOS") + n, ColType::Double, 0, false};
    }
    c << D("UKOSNOV") << D("UKPDV") << D("UKIZNOS");
    for (int g = 1; g <= 5; ++g) {
        const QString n = QString::number(g);
        c << ColumnDef{QStringLiteral("UKOSNOV") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("UKPDV") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("STPDV") + n, ColType::Double, 0, false};
    }
    c << T("NAC_PLAC", 30) << T("OIB_OPER", 11) << T("ZAST_KOD", 32) << T("JIR", 36) << T("UUID", 36)
      << T("NAK_DOST", 10) << T("PARAGON", 10) << T("SPECNAMJ", 30) << T("SKLAD", 8) << T("POSL_GOD", 30)
      << T("CIS_PORUKA", 60) << AutoKey() << Dt("DATUM") << T("OIB_KUP", 16);
    for (int line = 1; line <= 5; ++line) {
        const QString n = line == 1 ? QString() : QString::number(line);
        c << ColumnDef{QStringLiteral("kolicina") + n, ColType::Double, 0, false}
          << ColumnDef{QStringLiteral("JMJ") + n, ColType::Text, 4, false};
    }
    for (int line = 1; line <= 5; ++line)
        c << ColumnDef{QStringLiteral("cijena") + (line == 1 ? QString() : QString::number(line)),
                       ColType::Double, 0, false};
    c << Dt("VALUTA") << Dt("OBAVLJEN");
    return c;
}

QList<TableDef> buildSchema()
{
    QList<TableDef> s;
    s << table(QStringLiteral("CJENIK"),
               {Id("ID"), T("NAZIV", 100), T("JMJ", 4), D("CIJENA"), D("STOPA"), D("CIJENA_SA")});
    s << table(QStringLiteral("PDV"), {Id("ID"), D("STOPA"), D("OSNOVICA"), D("PDV")});
    s << table(QStringLiteral("POSTA"), {T("BNAZ", 25), T("NOVIBR", 5)});
    s << table(QStringLiteral("FISKAL"), fiskalColumns());
    s << table(QStringLiteral("OPCI"), {T("NAZIV", 60),     T("OIB", 11),       T("OIB_OP", 11),
                                        T("SKLAD", 8),      T("ULICA", 50),     T("K_BR", 3),
                                        T("K_BR_D", 3),     T("PTT", 5),        T("MJESTO", 50),
                                        T("OPCINA", 50),    T("RAD_VR", 200),   Dt("PROM"),
                                        D("BR_RAC"),        T("POSL_GOD", 4),   T("U_PDV", 2),
                                        T("VR_OBVEZ", 2),   T("IME_CERT", 50),  T("PASS_CERT", 50),
                                        T("ISPIS", 2),      T("PATH_MJE", 255), T("GLAVNI_PRINTER", 255),
                                        T("NAPLUR", 255),   Dt("OPZ_FAKT"),     Dt("OPZ_DOSP"),
                                        M("FOOTER"),        T("EMAIL", 60),     T("TEL", 60),
                                        T("FAX", 60),       T("ODG_IME", 60),   T("ODG_PREZ", 60),
                                        T("TOUCH", 1),      T("eHOST", 50),     T("eUSERNAME", 50),
                                        T("ePASSWORD", 50), T("ePORT", 4)});
    s << table(QStringLiteral("KUPCI"), partyColumns());
    s << table(QStringLiteral("KOMINT"), partyColumns());
    s << table(QStringLiteral("PROMETNA"),
               {AutoKey(), T("POR_BROJ", 16), T("VK", 1), Dt("DAT_KNJIZ"), Dt("DAT_DOKUM"), Dt("DAT_DVO"),
                Dt("DAT_DOSP"), T("BROJ_DOK", 30), D("DUGUJE"), D("POTRAZUJE"), D("IZNOS"), D("PDV"),
                T("NALOG", 20), D("KEYFISKAL"), T("OPIS", 40)});
    s << table(QStringLiteral("PRIVR"),
               {AutoKey(), T("POR_BROJ", 16), T("VK", 1), Dt("DAT_KNJIZ"), Dt("DAT_DOKUM"), Dt("DAT_DVO"),
                Dt("DAT_DOSP"), T("BROJ_DOK", 30), D("IZNOS"), D("PDV"), D("DUGUJE"), D("POTRAZUJE"),
                T("NALOG", 7), T("OPIS", 40)});
    s << table(QStringLiteral("OPZSTAT"), openItemColumns());
    s << table(QStringLiteral("OTVORENE"), openItemColumns());
    s << table(QStringLiteral("ZATTAB"), {AutoKey(), Dt("DAT_DOKUM"), T("BROJ_DOK", 30), Dt("DAT_DOSP"),
                                          D("DUGOVANJE"), D("ZATVARANJE")});

    // Lookups that every screen relies on: the ledger by customer and document, the ledger by
    // invoice, and the parties by OIB. The key indexes of the two large tables let a table object read
    // its row order without walking every row.
    for (TableDef& t : s) {
        const QString n = t.name;
        if (n == QLatin1String("FISKAL") || n == QLatin1String("PROMETNA"))
            t.indexes << IndexDef{n + QStringLiteral("_AUTOKEY"), {QStringLiteral("AUTOKEY")}};
        if (n == QLatin1String("PROMETNA")) {
            t.indexes << IndexDef{QStringLiteral("PROMETNA_POR_BROJ"),
                                  {QStringLiteral("POR_BROJ"), QStringLiteral("BROJ_DOK")}}
                      << IndexDef{QStringLiteral("PROMETNA_KEYFISKAL"), {QStringLiteral("KEYFISKAL")}};
        } else if (n == QLatin1String("KUPCI") || n == QLatin1String("KOMINT")) {
            t.indexes << IndexDef{n + QStringLiteral("_POR_BROJ"), {QStringLiteral("POR_BROJ")}};
        }
    }
    return s;
}

} // namespace

const ColumnDef* TableDef::column(const QString& name) const
{
    for (const ColumnDef& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const QList<TableDef>& schema()
{
    static const QList<TableDef> s = buildSchema();
    return s;
}

const TableDef* tableDef(const QString& name)
{
    for (const TableDef& t : schema())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString sqlType(const ColumnDef& c)
{
    switch (c.type) {
    case ColType::Text:
        return QStringLiteral("TEXT(%1)").arg(c.width);
    case ColType::Double:
        return QStringLiteral("DOUBLE");
    case ColType::Date:
        return QStringLiteral("DATE");
    case ColType::Integer:
        return QStringLiteral("INTEGER");
    case ColType::Memo:
        return QStringLiteral("TEXT");
    case ColType::Counter:
        return QStringLiteral("INTEGER");
    }
    return QString();
}

QString columnSql(const ColumnDef& c)
{
    QString s = quoteIdentifier(c.name) + QLatin1Char(' ') + sqlType(c);
    if (c.type == ColType::Counter) {
        // An auto-increment key in SQLite is the rowid alias; the AUTOKEY tables name the constraint.
        if (c.primaryKey)
            s += QStringLiteral(" CONSTRAINT ") + quoteIdentifier(c.name) +
                 QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
        else
            s += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
    }
    return s;
}

QString createStatement(const TableDef& t, const QString& schemaName)
{
    QStringList cols;
    for (const ColumnDef& c : t.columns)
        cols << columnSql(c);
    const QString prefix = schemaName.isEmpty() ? QString() : quoteIdentifier(schemaName) + QLatin1Char('.');
    return QStringLiteral("CREATE TABLE ") + prefix + quoteIdentifier(t.name) + QLatin1Char('(') +
           cols.join(QLatin1Char(',')) + QLatin1Char(')');
}

QStringList indexStatements(const TableDef& t)
{
    QStringList out;
    for (const IndexDef& i : t.indexes) {
        QStringList cols;
        for (const QString& c : i.columns)
            cols << quoteIdentifier(c);
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS ") + quoteIdentifier(i.name) +
                   QStringLiteral(" ON ") + quoteIdentifier(t.name) + QLatin1Char('(') +
                   cols.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return out;
}

} // namespace tarvel::data
