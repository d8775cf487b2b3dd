#pragma once

#include "data/fichier/FichierGenea.h"

#include <QStringList>

#include <array>
#include <cstdint>

// Detailed lines kept at most: the counts cover everything else.
constexpr int LignesDetailMaximum = 10000;

// Kinds of problems the file check finds, in the order the report gives them.
enum class Probleme {
    LienHorsFichier,
    LienVersElleMeme,
    EnfantEnDouble,
    NombreEnfantsTropPetit,
    DateIllisible,
    LienASensUnique,
    Cycle,
    DateRefusee,       // reads as a date, but a save would refuse it if it were typed
    ComplementDetache, // a companion entry no record holds the person of any more
    FicheIncomplete,   // bytes at the end that make no whole record
};
constexpr int NombreGenresProblemes = 10;

// What the check found: a count per kind, and the detail of the first
// problems, one French line each with record numbers and names.
struct RapportVerification {
    std::array<std::int64_t, NombreGenresProblemes> comptes{};
    QStringList lignes;
    std::int64_t lignesOmises = 0; // problems counted beyond the detailed lines

    std::int64_t total() const;
    void ajouter(Probleme genre, const QString& ligne, int lignesMaximum = LignesDetailMaximum);
    // The report as shown: counts per kind first, then the detailed lines,
    // then "… et N autres" when some were left out.
    QStringList texte(const QString& chemin) const;
};

// Everything in a genealogy file that does not hold together: links past the
// end or to the record itself, a child who does not name the parent that
// lists it, a person who is their own ancestor, a child in several slots,
// dates that do not read as dates, a declared number of children below the
// filled slots. Reads the file only, in blocks; memory grows by nine bytes a
// record whatever the damage, and the detail stops at `lignesMaximum`.
RapportVerification verifierFichier(FichierEnregistrements& fichier,
                                    int lignesMaximum = LignesDetailMaximum);

// What is said of the bytes after the last whole record, at open and in the check.
QString phraseFicheIncomplete(std::int64_t nombreFiches, std::int64_t octets);

// Whether a date text reads as a date: dd/mm/yyyy of the calendar, or a
// form with a year such as "vers 1850".
bool dateLisible(const QString& date);
