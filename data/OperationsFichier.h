#pragma once

#include "data/FichierGenea.h"
#include "data/TFiche.h"

#include <QString>

#include <functional>

class Dialogues;

// Opens the genealogy file at `chemin` for reading and writing. When no file
// exists there it says "Le fichier est introuvable" and returns false without
// touching the handle. The caller that gets true closes the file.
bool OuvrirFichier(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues);

// Writes `fiche` at record `numero` of the file at `chemin` (appending when
// `numero` is the record count); does nothing but the message when the file is missing.
void EcrireFiche(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues,
                 std::int32_t numero, const TFiche& fiche);

// True when a regular file or anything else exists at the path.
bool fichierExiste(const QString& chemin);

// True when both paths name the same file on disk (through links or another spelling).
bool memeFichier(const QString& premier, const QString& second);

// Copies every record of the open `source`, in record order, to a new file at
// `cible`. The copy is written beside the target and renamed into place only
// when complete, so a failure half-way leaves the target as it was.
void copierFiches(FichierEnregistrements& source, const QString& cible);
// The same copy handed to a writer, block after block.
void copierLesFiches(FichierEnregistrements& source,
                     const std::function<void(const char*, std::int64_t)>& ecrire);

// Why a path cannot serve as a genealogy file, empty when it can: a name the
// settings file cannot keep faithfully (a final blank, a line break), or the
// settings file `cheminIni` itself.
QString refusNomFichierGenealogie(const QString& chemin, const QString& cheminIni);
