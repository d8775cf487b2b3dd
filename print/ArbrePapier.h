#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

// The five-generation chart as a drawing, in the chart window's own units:
// what paper needs of it, without buttons, focus or selection marks.
struct DessinArbre {
    struct Boite {
        QRectF place;
        QStringList lignes;
        QColor couleur = Qt::black;
    };
    struct Texte {
        QRectF place;
        QString texte;
        QFont police;
        QColor couleur = Qt::black;
        bool cadre = false; // drawn in a frame, centred
        QColor fond;        // the frame's background, when valid
    };
    QSizeF taille;              // the whole chart
    std::vector<QRectF> traits; // connectors, thin rectangles
    std::vector<Texte> textes;  // titles and captions
    std::vector<Boite> boites;  // the persons
    QFont police;               // the boxes' face, at its largest size
};

// The largest face, at most `base`, in which every line fits the place
// with a small margin; never below 3 pixels.
QFont policeAjustee(const QStringList& lignes, const QSizeF& place, const QFont& base);

// Draws the chart scaled to fit `cible` and centred in it: every border
// whole, every text fitted to its box.
void peindreDessinArbre(QPainter& peintre, const DessinArbre& dessin, const QRectF& cible);

// The chart in a file, by its extension: ".pdf" (vector, A4 landscape),
// ".svg" (vector) or ".png" (300 dots per inch). Written durably; raises an
// error with a French message on failure.
void exporterDessinArbre(const DessinArbre& dessin, const QString& chemin);

// Dots per inch of the PNG export.
constexpr int ResolutionPng = 300;
