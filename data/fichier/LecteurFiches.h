#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>

#include <QStringList>

#include <unordered_map>
#include <unordered_set>

// The records a report reads, each read once from the file.
class LecteurFiches {
public:
    explicit LecteurFiches(FichierEnregistrements& fichier)
        : m_fichier(fichier), m_nombre(fichier.nombreFiches()) {}
    bool existe(std::int32_t n) const { return n >= 0 && n < m_nombre; }
    const TFiche& fiche(std::int32_t n) {
        auto [i, nouveau] = m_lues.try_emplace(n);
        if (nouveau) {
            m_fichier.positionner(n);
            m_fichier.lire(i->second);
        }
        return i->second;
    }
    // "DUPONT Jean (fiche 12)", for the notes of a damaged file.
    QString qui(std::int32_t n) {
        return QStringLiteral("%1 (fiche %2)").arg(nomComplet(fiche(n))).arg(n);
    }
    std::int64_t nombre() const { return m_nombre; }

private:
    FichierEnregistrements& m_fichier;
    std::int64_t m_nombre;
    std::unordered_map<std::int32_t, TFiche> m_lues;
};

// The parent links that would make someone their own ancestor, found by a
// walk up from `personne`: the child's number times two, plus 0 for its
// father, 1 for its mother. Each is told in `notes`.
std::unordered_set<std::int64_t> liensEnBoucle(LecteurFiches& lecteur, std::int32_t personne,
                                               QStringList& notes);
