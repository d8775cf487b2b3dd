#pragma once

#include "data/complements/Complements.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"
#include "data/vivants/Vivants.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Exchange with other genealogy programs in GEDCOM 5.5.1.

// ---------------------------------------------------------------- export

// Where the portraits go: their absolute paths, or copies in a PHOTOS
// folder beside the GEDCOM file, named by paths relative to it.

struct OptionsExport {
    bool copierPortraits = false;
    QString dossierGedcom; // where the copies go, with copierPortraits
    QString cheminFichier; // the genealogy file, whose PHOTOS folder comes first
    // The file's companion store, when it has one: what the records cannot
    // hold goes out as the source had it.
    Complements* complements = nullptr;
    // By record, 1 for a person presumed living; with Masquer, they stay as
    // a link ("Vivant" and the surname, nothing else); with Exclure, they
    // and every link to them are left out. A family with a living partner
    // goes out without its marriage and events.
    const std::vector<std::uint8_t>* vivants = nullptr;
    TraitementVivants traitement = TraitementVivants::Garder;
};

struct ResultatExport {
    QByteArray gedcom;     // UTF-8; filled by the in-memory export only
    int liensPendants = 0; // links to records that do not exist, left out
    std::int64_t personnes = 0;
    std::int64_t familles = 0;
    std::int64_t caracteresDeControle = 0; // left out of the texts
    int portraitsCopies = 0;
    int portraitsIntrouvables = 0; // written with their stored path
    // Marriages of a record whose spouse no record names, written as a
    // family of one; couples whose two records give different marriages.
    std::int64_t mariagesSansConjoint = 0;
    std::int64_t mariagesEnDesaccord = 0;
    // Persons and records written with what the companion store keeps.
    std::int64_t personnesCompletees = 0;
    std::int64_t enregistrementsCompletes = 0;
    std::int64_t personnesMasquees = 0, personnesExclues = 0;
};

// Receives the GEDCOM text block by block.
using SortieOctets = std::function<void(const char* octets, std::int64_t taille)>;

// The whole file as GEDCOM, written as it is read: one INDI per record, one
// FAM per father and mother pair of each child, one per childless couple
// that only two records can form (the same marriage date, a man and a
// woman, no other spouse), and one per marriage whose spouse no record
// names. Each record's marriage is written once, in its own family.
// Identifiers come from the record numbers: the same file always gives the
// same export. Memory: about 60 bytes a record.
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
    NomAlternatif,   // other names, married names
    NomComplement,   // titles, nicknames, suffixes, name parts
    Evenement,       // events and attributes
    DetailEvenement, // what a kept event says beyond its date and place
    Cause,
    Age,
    Adresse,
    Coordonnees,
    Source,
    Note,
    Media,
    Mariage,
    PlusDeDixEnfants,
    LienFamille, // a child of several families, FAMC and CHIL that disagree
    Filiation,   // adoptions and other pedigrees
    Substitut,   // a baptism or burial standing in for a birth or death
    DecesSansDate,
    Confidentialite,
    Identifiant,
    ReferencePendante,
    Enregistrement, // records of the file the import does not read
    Structure,      // lines at a wrong level, identifiers used twice
    Boucle,
    Lecture,           // the file's own character set or lines
    EnfantsReordonnes, // told, nothing lost: children entered by birth date
    LienComplete,      // told, nothing lost: a link given by FAMC or CHIL alone
};
constexpr int NombreEcarts = 32;

// Kinds that tell what the import did, not what it lost.
bool ecartInformatif(Ecart genre);

// Detailed lines of an import report kept in memory: the rest go to a
// temporary file, from which the whole list can be written out.
constexpr int LignesRapportMaximum = 10000;

class QTemporaryFile;

struct RapportImport {
    std::array<std::int64_t, NombreEcarts> comptes{}; // items, not lines
    std::array<std::int64_t, NombreEcarts> gardes{};  // of them, kept in the companion store
    QStringList lignes; // one line per case, naming the person; the first ones
    std::int64_t lignesOmises = 0;
    std::shared_ptr<QTemporaryFile> suite; // the lines past the first ones

    // Items lost or changed, the informative kinds left out.
    std::int64_t total() const;
    // Of them, those no store keeps.
    std::int64_t perdus() const;
    void ajouter(Ecart genre, std::int64_t quantite, const QString& ligne, bool garde = false);
    // Counts per kind first, then the lines, then where the others are.
    QStringList texte(const QString& listeComplete = {}) const;
    // Every line, those past the first ones too, in a UTF-8 text file.
    void ecrireListeComplete(const QString& chemin) const;
};

struct ResultatImport {
    std::vector<TFiche> fiches;
    RapportImport rapport;
    // What goes to the companion store of the genealogy file.
    ComplementsImport complements;
};

struct OptionsImport {
    bool complements = true; // gather what the records cannot hold for the companion store
    int numeroImport = 1;    // this import's number in the store, carried by its identifiers
};

// Reads GEDCOM in UTF-8 (with or without byte-order mark), UTF-16, ANSI
// (Windows-1252), ANSEL, code page 437 or any other one-byte set ICU knows,
// as its header says. The links of the records are numbered from
// `decalage`, for an import appended to a file that already holds that many
// records. A text that holds no person is refused with an error naming `nom`.
ResultatImport importerGedcom(const QByteArray& contenu, std::int32_t decalage = 0,
                              const QString& nom = {}, const OptionsImport& options = {});
// The same, reading a file block by block: only the records stay in memory.
ResultatImport importerGedcomFichier(const QString& chemin, std::int32_t decalage = 0,
                                     const OptionsImport& options = {});

// The report's name for a person: "DUPONT Jean (° 1850, † 1920)".
QString designationPersonne(const TFiche& fiche);
