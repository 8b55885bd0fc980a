#include "receivables/parties.h"

#include "core/errors.h"
#include "data/tdm.h"
#include "receivables/komitentiforma.h"
#include "receivables/partydialogs.h"

#include <QLabel>

namespace tarvel::receivables {

namespace {

data::TDM* tdm()
{
    return data::TDM::instance();
}

// Points the party table object at a table for one visit and back at KOMINT afterwards, however the
// visit ends.
class PartyTableScope
{
public:
    explicit PartyTableScope(const QString& table)
    {
        tdm()->KomitentiTable->close();
        tdm()->KomitentiTable->setTableName(table);
    }
    ~PartyTableScope()
    {
        tdm()->KomitentiTable->close();
        tdm()->KomitentiTable->setTableName(QStringLiteral("KOMINT"));
    }
    PartyTableScope(const PartyTableScope&) = delete;
    PartyTableScope& operator=(const PartyTableScope&) = delete;
};

// The company data's first row, opened for the moment and left as it was found. A missing row is
// created the way the company data screen creates it.
class CompanyRow
{
public:
    CompanyRow() : m_opci(tdm()->OpcaTable), m_wasOpen(m_opci->active())
    {
        m_opci->open();
        m_opci->first();
        if (m_opci->isEmpty()) {
            m_opci->append();
            m_opci->setValue(QStringLiteral("OIB"), QString::fromLatin1(data::TDM::MaticniOIB));
            m_opci->post();
            m_opci->first();
        }
    }
    ~CompanyRow()
    {
        if (!m_wasOpen)
            m_opci->close();
    }
    data::TableObject* operator->() const { return m_opci; }

private:
    data::TableObject* m_opci;
    bool m_wasOpen;
};

QString storedOperatorOib()
{
    CompanyRow opci;
    return opci->asString(QStringLiteral("OIB_OP"));
}

void openRegister(QWidget* owner, const QString& table, const QString& caption)
{
    PartyTableScope scope(table);
    TKomitentiForma register_(TKomitentiForma::Mode::Maintenance, owner);
    if (!caption.isEmpty())
        register_.setWindowTitle(caption);
    register_.exec();
}

} // namespace

PartyChoice PrijavaOperatera(QWidget* mainWindow, QLabel* operatorLabel)
{
    PartyChoice choice;
    try {
        CompanyRow opci;
        {
            PartyTableScope scope(QStringLiteral("KOMINT"));
            choice = TKomitentiForma::izaberi(mainWindow, opci->asString(QStringLiteral("OIB_OP")));
        }
        const QString oib = choice.oib.trimmed();
        if (oib.isEmpty())
            return choice;
        opci->edit();
        opci->setValue(QStringLiteral("OIB_OP"), oib);
        try {
            opci->post();
        } catch (...) {
            opci->cancel();
            throw;
        }
        tdm()->operatorOib = oib;
        tdm()->operatorLabelText = QStringLiteral("Operater: ") + choice.naziv;
        if (operatorLabel)
            operatorLabel->setText(tdm()->operatorLabelText);
        Q_EMIT tdm()->sharedValuesChanged();
    } catch (const TarvelError& e) {
        prikaziGresku(mainWindow, e);
    }
    return choice;
}

PartyChoice IzaberiOperateraZaPrijavu(QWidget* mainWindow)
{
    try {
        const QString position = storedOperatorOib();
        PartyTableScope scope(QStringLiteral("KOMINT"));
        return TKomitentiForma::izaberi(mainWindow, position);
    } catch (const TarvelError& e) {
        prikaziGresku(mainWindow, e);
    }
    return {};
}

void KupciIKartice(QWidget* mainWindow)
{
    if (tdm()->companionMode)
        return;
    try {
        openRegister(mainWindow, QStringLiteral("KUPCI"), QStringLiteral("Evidencija kupaca"));
    } catch (const TarvelError& e) {
        prikaziGresku(mainWindow, e);
    }
}

void Operateri(QWidget* mainWindow)
{
    try {
        openRegister(mainWindow, QStringLiteral("KOMINT"), QStringLiteral("Operateri"));
    } catch (const TarvelError& e) {
        prikaziGresku(mainWindow, e);
    }
}

PartyChoice IzborOperatera(QWidget* companyScreen)
{
    return IzaberiOperateraZaPrijavu(companyScreen);
}

PartyChoice IzaberiKomitenta(QWidget* owner, const QString& tableName, const QString& positionOib,
                             bool newEnabled)
{
    try {
        PartyTableScope scope(tableName);
        return TKomitentiForma::izaberi(owner, positionOib, newEnabled);
    } catch (const TarvelError& e) {
        prikaziGresku(owner, e);
    }
    return {};
}

} // namespace tarvel::receivables
