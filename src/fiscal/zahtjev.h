#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace tarvel::fiscal {

// The FISKAL columns the invoice request reads.
struct RacunPodaci
{
    QString oibOperatera; // FISKAL.OIB
    QString datVr;        // FISKAL.DAT_VR; null means "now"
    QString slijed;
    QString brRac;
    double ukIznos = 0;
    std::array<double, 5> stPdv{};
    std::array<double, 5> ukOsnov{};
    std::array<double, 5> ukPdv{};
    QString nacPlac;
    QString nakDost;
};

// The OPCI columns the invoice request reads.
struct TvrtkaPodaci
{
    QString oib;
    QString uPdv;
    QString sklad;
    QString naplUr;
    QString imeCert;
};

// The premises request's values, as typed on the company data screen.
struct ProstorPodaci
{
    QString oib;
    QString oznaka;
    QString ulica;
    QString kucniBroj;
    QString kucniBrojDodatak;
    QString brojPoste;
    QString naselje;
    QString opcina;
    QString radnoVrijeme;
    QString datumPocetka; // "dd.MM.yyyy"
    bool zatvori = false;
    QString imeCert;
};

QString Tockazarez(const QString& text);
QString Utf8(const QString& text);
// Element text: XML's special characters as entity references.
QString xmlTekst(const QString& text);

QString iznos(double value); // "###########0.00" with a point
QString stopa(double value); // "##0.00" with a point

// The request lines; the invoice request sets IdPoruke and the send time.
QStringList linijeRacuna(const RacunPodaci& racun, const TvrtkaPodaci& tvrtka);
QStringList linijeProstora(const ProstorPodaci& prostor);
QStringList potpisniPredlozak(const QString& imeCert);

// Build the request and write xml/zahtjev.xml; a file that cannot be written raises TarvelError.
void Popunixmlracun(const RacunPodaci& racun, const TvrtkaPodaci& tvrtka);
void Popunixmlprostor(const ProstorPodaci& prostor);

QString datotekaZahtjeva();
void zapisiLinije(const QString& path, const QStringList& lines);

} // namespace tarvel::fiscal
