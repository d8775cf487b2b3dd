#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/gedcom/Gedcom.h"
#include "data/journal/Journal.h"

#include <QString>
#include <QStringList>

#include <functional>

// GEDCOM exchange on whole files, shared by the window and the command line.

// Writes the export of the open genealogy file to `cible`, durably: a
// failure at any step leaves the previous `cible` as it was.
ResultatExport exporterVersFichier(FichierEnregistrements& fichier, const QString& cible,
                                   const OptionsExport& options);

// What the export did, in French, for a message or the terminal.
// `avertissement` says why the companion store could not serve, if so.
QStringList resumeExport(const ResultatExport& resultat, const QString& cible,
                         const OptionsExport& options, const QString& avertissement = {});

// Creates the genealogy file `cible` holding the records, durably. An
// existing file is never replaced: the import always makes a new file.
void creerFichierImporte(const QString& cible, const std::vector<TFiche>& fiches);

// Appends the imported records to the open genealogy file at `chemin`, all
// of them or none, even across a crash, with the store's part `complements`.
// `attendu` is the record count their links were numbered from: if another
// program changed the file meanwhile, nothing is written. Returns the change
// as the history keeps it.
EntreeHistorique ajouterAuFichier(FichierEnregistrements& fichier, const QString& chemin,
                                  const std::vector<TFiche>& fiches, std::int64_t attendu,
                                  const EtapeComplements& complements = {});

// The report of an import, with a first line saying what was read and where
// it went. A report longer than its first lines has its whole list written
// beside the genealogy file, at cheminListeComplete(cible), and says so.
QString cheminListeComplete(const QString& cible);
QStringList resumeImport(const ResultatImport& resultat, const QString& source,
                         const QString& cible, bool ajout, const QString& avertissement = {});

// Runs a step on a file; an input/output error it raises is told with
// `message`, %1 the file's name and %2 what went wrong ("le dossier …
// n'existe pas").
void nommerSiErreur(const QString& message, const QString& chemin,
                    const std::function<void()>& action);
