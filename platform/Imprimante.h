#pragma once

#include <QString>

// What the printout needs of the printer service.
class Imprimante {
public:
    enum class Orientation { Portrait, Paysage };
    virtual ~Imprimante() = default;

    // Before the job begins: the name of the job and the page orientation.
    virtual void definirTitre(const QString& titre) = 0;
    virtual void definirOrientation(Orientation orientation) = 0;
    virtual void commencer() = 0;
    // The font of what is written next (regular style only is used).
    virtual void choisirPolice(const QString& face, int points) = 0;
    // Draws a line at the current position, then moves to the next line. A
    // form feed in the text begins a new page; a carriage return only ends
    // the text drawn so far; a line feed moves to the next line.
    virtual void ecrireLigne(const QString& texte) = 0;
    virtual void terminer() = 0;
};
