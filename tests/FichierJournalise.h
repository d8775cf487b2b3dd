#pragma once

#include "data/fichier/FichierGenea.h"

#include <QStringList>

// A record file that notes every write and every cut, in order, and passes
// everything on to the real file.
class FichierJournalise : public FichierDisque {
public:
    void ecrire(const TFiche& fiche) override {
        m_journal << QStringLiteral("écrire %1 %2").arg(m_position).arg(fiche.Nom.texte());
        FichierDisque::ecrire(fiche);
        ++m_position;
    }
    void positionner(std::int64_t numero) override {
        FichierDisque::positionner(numero);
        m_position = numero;
    }
    void lire(TFiche& fiche) override {
        if (lectures) m_journal << QStringLiteral("lire %1").arg(m_position);
        FichierDisque::lire(fiche);
        ++m_position;
    }
    void tronquer() override {
        m_journal << QStringLiteral("couper %1").arg(m_position);
        FichierDisque::tronquer();
    }
    QStringList& journal() { return m_journal; }
    bool lectures = false; // note the single reads too

private:
    QStringList m_journal;
    std::int64_t m_position = 0;
};
