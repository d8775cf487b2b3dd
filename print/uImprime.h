#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/vivants/Confidentialite.h"
#include "platform/Imprimante.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <cstdint>

class Dialogues;

// The listing file, in the working directory. The same name serves both stages.
const QString NomFichierListing = QStringLiteral("genea.tmp");

// The block of lines of one record, Windows-1252 bytes as stored, lines ending in CR LF.
void ecrireBlocFiche(QByteArray& sortie, std::int32_t numero, const TFiche& fiche);

// Every record of the open file, in record order, written to `sortie`.
// With a privacy, masked persons are written masked and excluded ones left
// out; without, the listing is the file as it stands.
void ecrireListing(FichierEnregistrements& fichier, QIODevice& sortie,
                   const Confidentialite* confidentialite = nullptr);

// Splits one line into the pieces printed one per line: wrapped at `largeur`
// columns on a blank, and broken at each "#".
QStringList CouperLigne(const QString& ligne, int largeur);

// Today's date in the user's short date format.
QString dateCourteDuJour();

// Prints a text file: a banner (rule, heading in a larger face, rule), every
// line behind a margin of five blanks, wrapped at `largeur`, a new page after
// `lignesParPage` counted lines. Reports a missing or unreadable file itself.
void ImprimerFichier(const QString& nomFichier, const QString& titre,
                     Imprimante::Orientation orientation, std::uint8_t largeur,
                     std::uint8_t lignesParPage, Imprimante& imprimante, Dialogues& dialogues);

// Creates (or empties) the listing file `nom` and writes the listing of the
// open genealogy file into it. Raises ErreurES when it cannot be written.
void ecrireFichierListing(FichierEnregistrements& fichier, const QString& nom,
                          const Confidentialite* confidentialite = nullptr);
