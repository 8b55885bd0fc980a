#include "app/prijavaprostora.h"

#include "app/poruka.h"
#include "data/tdm.h"
#include "fiscal/fiskalizacija.h"
#include "fiscal/registracijapu.h"
#include "master/opcaforma.h"

#include <QGuiApplication>

namespace tarvel::app {

namespace {

// Notices through "Poruka" over the company screen, the wait cursor while the exchange runs.
class ZaslonPrikaz : public fiscal::FiskalniPrikaz
{
public:
    explicit ZaslonPrikaz(QWidget* owner) : m_owner(owner) {}
    ~ZaslonPrikaz() override
    {
        while (m_cursors-- > 0)
            QGuiApplication::restoreOverrideCursor();
    }
    void cekanje(bool ukljuceno) override
    {
        if (ukljuceno) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            ++m_cursors;
        } else if (m_cursors > 0) {
            QGuiApplication::restoreOverrideCursor();
            --m_cursors;
        }
    }
    void obavijest(const QString& tekst) override { Poruka::inform(m_owner, tekst); }

private:
    QWidget* m_owner;
    int m_cursors = 0;
};

} // namespace

void prijaviProstorSaZaslona(master::TOpcaForma& screen)
{
    ZaslonPrikaz prikaz(&screen);
    const fiscal::IshodPU ishod = fiscal::RegistrirajUPU(
        *data::TDM::instance(), fiscal::podaciZaPU(screen.podaci(), screen.zatvoriProstor()), prikaz);
    if (!ishod.polje.isEmpty()) {
        if (QWidget* field = screen.polje(ishod.polje))
            field->setFocus();
        return;
    }
    screen.postaviPromjenu(ishod.promjena);
    if (ishod.greska)
        throw *ishod.greska;
}

} // namespace tarvel::app
