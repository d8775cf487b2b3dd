#pragma once

#include "data/FichierGenea.h"
#include "data/TFiche.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Exchange with other genealogy programs in GEDCOM 5.5.1.

struct ResultatExport {
    QByteArray gedcom;     // UTF-8
    int liensPendants = 0; // links to records that do not exist, left out
    int personnes = 0;
    int familles = 0;
    int caracteresDeControle = 0; // left out of the texts
};

// The whole file as GEDCOM: one INDI per record, one FAM per father and
// mother pair of each child, and one per childless couple sharing a marriage
// date. Identifiers come from the record numbers: the same file always gives
// the same export.
ResultatExport exporterGedcom(FichierEnregistrements& fichier);

// "12/03/1890" as "12 MAR 1890"; anything else as a date phrase "(texte)".
QString dateGedcom(const QString& date);

struct ResultatImport {
    std::vector<TFiche> fiches;
    QStringList rapport; // what could not be kept faithfully
};

// Reads a GEDCOM file in UTF-8 (with or without byte-order mark), UTF-16,
// ANSI (Windows-1252) or ANSEL, as its header says.
ResultatImport importerGedcom(const QByteArray& contenu);

// A GEDCOM date turned into the form of the record: dd/mm/yyyy when exact,
// "vers yyyy" when only the year is known; `approchee` tells which.
QString dateDepuisGedcom(const QString& date, bool& approchee);

// Text in ANSEL (the GEDCOM character set of older programs) to Unicode.
QString decoderAnsel(const QByteArray& octets);
