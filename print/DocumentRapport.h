#pragma once

#include "data/rapports/Rapports.h"

#include <QImage>
#include <QMap>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QTextDocument;

// A report as a rich text page, then painted on paper: the report's title at
// the head of every page, the page numbers at its foot.
struct DocumentRapport {
    QString titre;                // "Liste d'ascendance de DUPONT Jean"
    QString html;                 // the body
    QMap<QString, QImage> images; // the portraits the body names
};

// The line of a person in the lists: "ARNAUD Louis, ° 01/01/1850 Mâcon,
// x 15/06/1875 Mâcon, † 08/11/1920 Mâcon".
QString resumePersonne(const TFiche& fiche);

DocumentRapport rapportAscendance(const AscendanceSosa& a, const TFiche& personne,
                                  const QString& fichier, const QString& date);
DocumentRapport rapportDescendance(const DescendanceAboville& d, const TFiche& personne,
                                   const QString& fichier, const QString& date);
// Every relation found, each with its common ancestors and the way through
// them; `fiche` reads a record of the file.
DocumentRapport rapportParente(const LienDeParente& l,
                               const std::function<TFiche(std::int32_t)>& fiche, std::int32_t a,
                               std::int32_t b, const QString& fichier, const QString& date);
DocumentRapport rapportStatistiques(const Statistiques& s, const QString& fichier,
                                    const QString& date);

// The family sheet: the person and the parents, then each union in the
// order of the marriages with its spouse and its children; each person with
// every field of the record, its places whole when the store has them, and
// the portraits found.
struct MembreFamille {
    QString role; // "Personne", "Conjoint(e)", "Père", "Mère", "Enfant (rang 2)"
    std::int32_t fiche = -1;
    TFiche personne;
    QImage portrait;                               // null when none could be loaded
    QString lieuNaissance, lieuMariage, lieuDeces; // whole; empty: the record's own
};
struct UnionFamiliale {
    QString titre;                      // "1er mariage : DURAND Anne, le 12 mars 1836 à Morlaix"
    std::vector<MembreFamille> membres; // the spouse, then the children
    QStringList evenements;             // its events, their sources and witnesses
};
struct FicheFamiliale {
    std::vector<MembreFamille> personneEtParents;
    std::vector<UnionFamiliale> unions;
    QStringList remarques; // children out of the order of their dates…
};
DocumentRapport rapportFicheFamiliale(const FicheFamiliale& fiche, const QString& fichier,
                                      const QString& date);

// Moves to the next page every heading that would end a page apart from the
// text it heads, once the document is laid out on pages.
void garderTitresAvecLeurTexte(QTextDocument& document);

// Paints the report on pages of the device, and returns the page count.
int imprimerRapport(QPagedPaintDevice& sortie, const DocumentRapport& rapport);
