#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>

class Dialogues;

// Opens the genealogy file at `chemin` for reading and writing, once a
// command a crash cut short has been undone (the user told which). When no
// file exists there it says "Le fichier est introuvable" and returns false
// without touching the handle. The caller that gets true closes the file.
bool OuvrirFichier(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues);

// Writes `fiche` at record `numero` of the file at `chemin` (appending when
// `numero` is the record count); does nothing but the message when the file is missing.
void EcrireFiche(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues,
                 std::int32_t numero, const TFiche& fiche);
