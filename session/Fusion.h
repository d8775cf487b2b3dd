#pragma once

// Two records of one person made one. The merged person takes, field by
// field, the value chosen of either record; what is not chosen stays in the
// store as another version (another name, another event), so nothing is
// lost. Every link of both follows: parents, children (in birth order,
// beyond ten in the store), spouses, the other records' links to them. The
// second record's slot is then filled with the last record, every link
// and store entry renumbered, so that the file stays dense.

#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"
#include "session/Commandes.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

enum class ChampFusion {
    Qualite,
    Nom,
    Prenom,
    Profession,
    DateNaissance,
    LieuNaissance,
    DateMariage,
    LieuMariage,
    DateDeces,
    LieuDeces,
    Photo,
    Pere,
    Mere,
};
constexpr int NbChampsFusion = 13;

// "Nom", "Date de naissance"…
QString libelleDuChamp(ChampFusion champ);
// The field's value as the window shows it; parents by their record number.
QString valeurDuChamp(const TFiche& fiche, ChampFusion champ);

// By field, true when the second record's value is kept. By default, the
// first's, unless it is empty and the second's is not.
struct ChoixDeFusion {
    std::array<bool, NbChampsFusion> second{};
    static ChoixDeFusion parDefaut(const TFiche& premier, const TFiche& second);
};

struct FusionPreparee {
    Modification modification;
    PartDuMagasin magasin;
    std::int32_t fusionnee = -1;    // the merged person's number once the file is dense
    bool magasinNecessaire = false; // other versions or children beyond ten to keep
    QStringList remarques;          // a parent link given up, and why
};

// Raises ErreurVelmoris when the two cannot be one (the same record, a sex
// that differs, one the other's ancestor…).
FusionPreparee preparerFusion(FichierEnregistrements& fichier, std::int32_t premier,
                              std::int32_t second, const ChoixDeFusion& choix);
