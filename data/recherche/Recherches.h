#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The one-line description of a person in the pick list: surname, given
// names and birth date, each followed by one blank but the last.
QString lignePersonne(const TFiche& fiche);

// Whether `candidat` is the spouse of `fiche`: a shared child number in the
// same slot among the first NbEnfants slots, or, for a childless `fiche`, the
// same non-empty marriage date text.
bool estConjoint(const TFiche& fiche, const TFiche& candidat);

// The first record in file order, other than `courant`, that is the spouse of
// `fiche`; -1 when there is none. `trouve` receives its record.
std::int32_t chercherConjoint(FichierEnregistrements& fichier, const TFiche& fiche,
                              std::int32_t courant, TFiche& trouve);

// The number of child slots to walk for a declared count: never past the ten slots.
inline int emplacementsEnfants(std::uint8_t nbEnfants) {
    return nbEnfants < NbEmplacementsEnfants ? nbEnfants : NbEmplacementsEnfants;
}

// A name search: the surname must match whole, the given names as a prefix
// either way; only the letters a to z are capitalised before comparing.
class CritereNom {
public:
    CritereNom(const QString& nom, const QString& prenom);
    bool correspond(const TFiche& fiche) const;

private:
    QByteArray m_nom; // capitalised Windows-1252 bytes
    QByteArray m_prenom;
    bool m_nomImpossible = false; // holds a character no record can hold
    int m_prenomImpossibleA = -1; // first such character of the given names, -1 when none
};

// Reads the whole file once, in record order, and hands over each record that matches.
void rechercherNoms(FichierEnregistrements& fichier, const CritereNom& critere,
                    const std::function<void(std::int32_t, const TFiche&)>& trouve);

// The approximate search people expect: case, accents, blanks, hyphens and
// apostrophes do not count ("Dupré" finds "DUPRÉ" and "Dupre", "Jean Paul"
// finds "Jean-Paul"); the surname may be the start of the stored one, the
// given names a start either way.
QString cleApprochee(const QString& texte);

class CritereApproche {
public:
    CritereApproche(const QString& nom, const QString& prenom);
    bool correspond(const TFiche& fiche) const;

private:
    QString m_nom;
    QString m_prenom;
};
