#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"
#include "session/Commandes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// An act of a register entered at once, as a genealogist reads it: its
// kind, date and place, the register it comes from, and the persons it
// names by their role. One act is one change: the records get what they
// can hold (dates and places still empty, a profession, the links between
// parents and children), the companion store the event with its citation
// and every other person of the act as a participant of it.

enum class GenreActe { Bapteme, Naissance, Mariage, Inhumation, Deces };

// "baptême", "mariage"…
QString nomDuGenre(GenreActe genre);

// What a role makes of its person for the principal one(s) of the act.
enum class LienDuRole { Aucun, Principal, Pere, Mere, Conjoint };

struct RoleDActe {
    QString nom;   // "Père de l'époux"
    char sexe = 0; // 'M', 'F', or 0 when the act says it
    LienDuRole lien = LienDuRole::Aucun;
    int de = 0; // the principal (0 or 1) the link is to
};

// The roles of an act of that kind, in the order the dialog shows them.
const std::vector<RoleDActe>& rolesDe(GenreActe genre);

// A person of the act: one found in the file, or one to create.
struct PersonneDeLActe {
    std::int32_t fiche = -1;            // the record found, -1 for one to create
    QString nom, prenoms;               // for a person to create
    bool homme = true;                  // for a person to create whose role does not say it
    QString age, profession, residence; // as the act gives them
    bool presente() const {
        return fiche >= 0 || !nom.trimmed().isEmpty() || !prenoms.trimmed().isEmpty();
    }
};

// The register and the place of the act in it.
struct SourceDeLActe {
    QString service;  // "AD Finistère"
    QString commune;  // "Morlaix"
    QString registre; // one of registresConnus()
    QString annees;   // "1700-1710"
    QString cote, vue, numero, lien;
    bool vide() const;
    // The source's title: "Morlaix, registres paroissiaux (BMS), 1700-1710".
    QString titre() const;
    // As kept to be offered again, and read back.
    QString enTexte() const;
    static SourceDeLActe depuisTexte(const QString& texte);
};
QStringList registresConnus();

struct Acte {
    GenreActe genre = GenreActe::Bapteme;
    QString date, lieu;
    SourceDeLActe source;
    std::vector<PersonneDeLActe> personnes; // one per role of rolesDe(genre)
};

// The change an act makes, ready for the session to write as one.
struct ActePrepare {
    Modification modification;
    PartDuMagasin magasin;
    QStringList remarques;             // links the act could not make, in French
    std::vector<std::int32_t> numeros; // the record of each role, -1 for none
};

// The store's meta key of the last source used.
inline constexpr const char* CleDerniereSource = "derniere_source";

// Raises ErreurVelmoris in French when the act cannot be entered (no
// principal person, a date that does not exist).
ActePrepare preparerActe(FichierEnregistrements& fichier, const Acte& acte);

// Whether the person of these record dates cannot be the act's person of
// that role: born after the act, dead before it (a dead parent is named in
// acts, "feu"), a parent born less than 13 or more than 89 years before it.
// Unknown dates never make a candidate doubtful.
bool candidatImpossible(const Acte& acte, std::size_t role, const QString& naissance,
                        const QString& deces);
