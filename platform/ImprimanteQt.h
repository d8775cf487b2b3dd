#pragma once

#include "platform/Imprimante.h"

#include <QFont>
#include <QPainter>

#include <memory>

class QPrinter;

// The printer service on a QPrinter: lines from the top of the printable
// area, a new page when the next line no longer fits or at a form feed.
class ImprimanteQt : public Imprimante {
public:
    explicit ImprimanteQt(QPrinter& imprimante) : m_imprimante(imprimante) {}

    void definirTitre(const QString& titre) override;
    void definirOrientation(Orientation orientation) override;
    void commencer() override;
    void choisirPolice(const QString& face, int points) override;
    void ecrireLigne(const QString& texte) override;
    void terminer() override;

private:
    void dessiner(const QString& texte);
    void allerALaLigne();
    void nouvellePage();
    int hauteurLigne() const;

    QPrinter& m_imprimante;
    std::unique_ptr<QPainter> m_peintre;
    QFont m_police;
    int m_x = 0;
    int m_y = 0;
    int m_hauteurLigneCourante = 0; // tallest text drawn on the current line
    bool m_pageVide = true;
};
