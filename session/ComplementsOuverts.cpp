#include "session/ComplementsOuverts.h"

#include "data/fichier/Erreurs.h"

Complements* ComplementsOuverts::de(const QString& cheminFichier, bool creer) {
    if (cheminFichier != m_cheminFichier) {
        fermer();
        m_cheminFichier = cheminFichier;
    }
    if (m_base) return m_base.get();
    if (cheminFichier.isEmpty() || m_dejaAverti == cheminFichier) return nullptr;
    if (!creer && !Complements::existe(cheminFichier)) return nullptr;
    try {
        m_base = Complements::ouvrir(cheminFichier, creer);
    } catch (const ErreurComplements& e) {
        avertir(cheminFichier, e.texte());
        return nullptr;
    }
    return m_base.get();
}

bool ComplementsOuverts::ecrire(const QString& cheminFichier, bool creer,
                                const std::function<void(Complements&)>& ecriture) {
    Complements* base = de(cheminFichier, creer);
    if (!base) return false;
    try {
        if (base->lectureSeule())
            throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » ne peut pas "
                                                   "être modifié (lecture seule)")
                                        .arg(base->chemin()));
        ecriture(*base);
        return true;
    } catch (const ErreurComplements& e) {
        m_dejaAverti.clear();
        avertir(cheminFichier, e.texte());
        return false;
    }
}

EtapeComplements ComplementsOuverts::etape(const QString& cheminFichier, bool creer,
                                           std::function<void(Complements&)> ecriture) {
    Complements* base = de(cheminFichier, creer);
    if (!base) return {};
    if (base->lectureSeule()) {
        // Told once for the file; the records are written all the same.
        avertir(cheminFichier, QStringLiteral("Le fichier de compléments « %1 » ne peut pas être "
                                              "modifié (lecture seule)")
                                   .arg(base->chemin()));
        return {};
    }
    return [this, base, cheminFichier, ecriture = std::move(ecriture)](
               const std::function<void(const QByteArray&)>& avantValidation,
               QByteArray& retour) -> QByteArray {
        try {
            return base->enregistrerChangements([&] { ecriture(*base); }, avantValidation, retour);
        } catch (const ErreurComplements& e) {
            // The records stay written; the store is told and left as it was.
            retour.clear();
            m_dejaAverti.clear();
            avertir(cheminFichier, e.texte());
            return {};
        }
    };
}

void ComplementsOuverts::revenir(const QString& cheminFichier, const QByteArray& changements) {
    ecrire(cheminFichier, false, [&](Complements& c) { c.revenir(changements); });
}

void ComplementsOuverts::fermer() {
    m_base.reset();
    m_cheminFichier.clear();
}

void ComplementsOuverts::avertir(const QString& cheminFichier, const QString& message) {
    if (m_dejaAverti == cheminFichier) return;
    m_dejaAverti = cheminFichier;
    m_avertir(avecPointFinal(message) +
              QStringLiteral("\rLe fichier de généalogie est utilisé sans ses compléments : ses "
                             "fiches restent entières, rien n'y est perdu."));
}
