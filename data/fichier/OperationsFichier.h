#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>

#include <functional>

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
