#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for.
struct DemandeLigneDeCommande {
    enum class Genre { Fenetre, Aide, Importer, Exporter, Coherence, Doublons, Erreur };
    Genre genre = Genre::Fenetre;
    QString fichier; // the genealogy file to open, import into or export
    QString gedcom;  // the GEDCOM file read or written
    bool ajouter = false;
    bool copierPortraits = false;
    bool tout = false; // the consistency check: the findings dismissed too
    QString vivants;   // the export: "exclure", "masquer", "garder", or empty for all
    int seuilVivants = 100;
    bool bureau = false; // started from the desktop: work in the user's genealogy folder
    QString erreur;      // for Genre::Erreur, in French
};

// Reads the arguments after the program's name.
DemandeLigneDeCommande analyserLigneDeCommande(const QStringList& arguments);

// Runs a conversion without any window: the report to the standard output,
// errors to the standard error, in French. Returns the exit status: 0 on
// success, 1 when the conversion failed, 2 when the command line is wrong.
int executerSansFenetre(const DemandeLigneDeCommande& demande);

// The help text of --aide.
QString aideLigneDeCommande();
