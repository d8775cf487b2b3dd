#pragma once

#include "data/Rapports.h"

#include <QImage>
#include <QMap>
#include <QString>

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
// `cheminA` and `cheminB` are the records of the two lines, `communs` those
// of the nearest common ancestors.
DocumentRapport rapportParente(const LienDeParente& l, const std::vector<TFiche>& cheminA,
                               const std::vector<TFiche>& cheminB,
                               const std::vector<TFiche>& communs, const TFiche& a, const TFiche& b,
                               const QString& fichier, const QString& date);
DocumentRapport rapportStatistiques(const Statistiques& s, const QString& fichier,
                                    const QString& date);

// The family sheet: the person, the spouse, the parents and every child, each
// with every field of the record, and the portraits found.
struct MembreFamille {
    QString role; // "Personne", "Conjoint(e)", "Père", "Mère", "Enfant (rang 2)"
    std::int32_t fiche = -1;
    TFiche personne;
    QImage portrait; // null when none could be loaded
};
DocumentRapport rapportFicheFamiliale(const std::vector<MembreFamille>& membres,
                                      const QString& fichier, const QString& date);

// Moves to the next page every heading that would end a page apart from the
// text it heads, once the document is laid out on pages.
void garderTitresAvecLeurTexte(QTextDocument& document);

// Paints the report on pages of the device, and returns the page count.
int imprimerRapport(QPagedPaintDevice& sortie, const DocumentRapport& rapport);
