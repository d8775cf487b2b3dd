#pragma once

#include <QIcon>

// The pictures of the program's buttons, drawn once in two states: normal,
// and greyed for a disabled button.
enum class Glyphe {
    Debut,
    Precedent,
    Suivant,
    Fin,
    Pere,
    Mere,
    Enfant,
    Conjoint,
    Rechercher,
    Aide,
    Fermer,
    Nouveau,
    Enregistrer,
    Supprimer,
    BriseChaine,
    Chainer,
    Arbre,
    Sortie,
};

QIcon icone(Glyphe glyphe, int taille);
