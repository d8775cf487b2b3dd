#pragma once

#include "data/FichierGenea.h"
#include "data/TFiche.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// Exchange with other genealogy programs in GEDCOM 5.5.1.

// ---------------------------------------------------------------- export

// Where the portraits go: their absolute paths, or copies in a PHOTOS
// folder beside the GEDCOM file, named by paths relative to it.
struct OptionsExport {
    bool copierPortraits = false;
    QString dossierGedcom; // where the copies go, with copierPortraits
    QString cheminFichier; // the genealogy file, whose PHOTOS folder comes first
};

struct ResultatExport {
    QByteArray gedcom;     // UTF-8; filled by the in-memory export only
    int liensPendants = 0; // links to records that do not exist, left out
    std::int64_t personnes = 0;
    std::int64_t familles = 0;
    std::int64_t caracteresDeControle = 0; // left out of the texts
    int portraitsCopies = 0;
    int portraitsIntrouvables = 0; // written with their stored path
};

// Receives the GEDCOM text block by block.
using SortieOctets = std::function<void(const char* octets, std::int64_t taille)>;

// The whole file as GEDCOM, written as it is read: one INDI per record, one
// FAM per father and mother pair of each child, and one per childless couple
// sharing a marriage date. Identifiers come from the record numbers: the same
// file always gives the same export. Memory: about 60 bytes a record.
ResultatExport exporterGedcom(FichierEnregistrements& fichier, const SortieOctets& sortie,
                              const OptionsExport& options = {});
// The same, into memory.
ResultatExport exporterGedcom(FichierEnregistrements& fichier, const OptionsExport& options = {});

// ---------------------------------------------------------------- import

// What the import could not keep as it was, by kind, in the order of the report.
enum class Ecart {
    DatePrecision,
    DateCalendrier,
    DateJulienne,
    DateNonGardee,
    TexteCoupe,
    Translitteration,
    NomAlternatif,
    NomComplement, // suffix, title, nickname
    Evenement,
    Source,
    Note,
    Media,
    Mariage,
    PlusDeDixEnfants,
    PlusieursFamilles,
    Substitut, // a baptism or burial standing in for a birth or death
    Boucle,
    Lecture, // the file's own character set or lines
};
constexpr int NombreEcarts = 18;

// Detailed lines of an import report at most: the counts cover the rest.
constexpr int LignesRapportMaximum = 10000;

struct RapportImport {
    std::array<std::int64_t, NombreEcarts> comptes{};
    QStringList lignes; // one line per case, naming the person; capped
    std::int64_t lignesOmises = 0;

    std::int64_t total() const;
    // Counts per kind first, then the lines, then "… et N autres".
    QStringList texte() const;
};

struct ResultatImport {
    std::vector<TFiche> fiches;
    RapportImport rapport;
};

// Reads GEDCOM in UTF-8 (with or without byte-order mark), UTF-16, ANSI
// (Windows-1252) or ANSEL, as its header says. The links of the records are
// numbered from `decalage`, for an import appended to a file that already
// holds that many records.
ResultatImport importerGedcom(const QByteArray& contenu, std::int32_t decalage = 0);
// The same, reading a file block by block: only the records stay in memory.
ResultatImport importerGedcomFichier(const QString& chemin, std::int32_t decalage = 0);

// Text in ANSEL (the GEDCOM character set of older programs) to Unicode.
QString decoderAnsel(const QByteArray& octets);

// The report's name for a person: "DUPONT Jean (° 1850, † 1920)".
QString designationPersonne(const TFiche& fiche);
