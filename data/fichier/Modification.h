#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>

// What one command changes in the genealogy file: the new content of every
// record it writes (appended ones included), and the record count it leaves
// when it cuts the file.
struct Modification {
    QString libelle;            // what the command did, as the Edit menu names it
    std::int32_t personne = -1; // the person to show once it is undone or redone
    std::map<std::int32_t, TFiche> fiches;
    std::optional<std::int64_t> nombreFinal; // the file cut to this many records

    bool vide() const { return fiches.empty() && !nombreFinal; }
    // The record as the change leaves it: its new content, or what the file holds.
    TFiche fiche(FichierEnregistrements& fichier, std::int32_t numero) const;
};

// Writes a change whole or not at all: when a write fails, the records
// already written get their old content back and the error goes on.
void appliquerModification(FichierEnregistrements& fichier, const Modification& modification);
