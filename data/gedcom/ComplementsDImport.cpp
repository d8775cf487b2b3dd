#include "data/gedcom/ComplementsDImport.h"

#include "data/complements/FichierComplements.h"
#include "data/fichier/Erreurs.h"

ComplementsDImport::ComplementsDImport(const QString& cheminFichier, bool ajout)
    : m_cheminFichier(cheminFichier), m_ajout(ajout) {
    if (!ajout || !Complements::existe(cheminFichier)) return;
    try {
        const auto base = Complements::ouvrir(cheminFichier, false);
        if (base->lectureSeule())
            throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » ne peut pas "
                                                   "être modifié (lecture seule)")
                                        .arg(base->chemin()));
        m_options.numeroImport = base->prochainImport();
    } catch (const ErreurComplements& e) {
        // The report then counts as lost what the store cannot take.
        m_options.complements = false;
        m_avertissement =
            avecPointFinal(e.texte()) +
            QStringLiteral(" Ce que les fiches ne peuvent pas tenir n'est pas gardé.");
    }
}

void ComplementsDImport::garder(const ResultatImport& import) {
    const ComplementsImport& complements = import.complements;
    try {
        if (!m_ajout) ecarterComplementsOrphelins(m_cheminFichier);
        if (!m_options.complements || complements.vide()) return;
        Complements::ouvrir(m_cheminFichier, true)->ajouterImport(complements, import.fiches);
    } catch (const ErreurComplements& e) {
        m_avertissement = avecPointFinal(e.texte()) +
                          QStringLiteral(" Les personnes sont importées, mais ce que leurs fiches "
                                         "ne peuvent pas tenir n'est pas gardé.");
    }
}

namespace {

// Roughly what an import's entries weigh in the history when kept to be redone.
std::int64_t poidsDe(const ComplementsImport& c) {
    std::int64_t octets = c.personnes.octets() + 64 * static_cast<std::int64_t>(c.personnes.size());
    for (const EntreeCouple& x : c.couples)
        octets += static_cast<std::int64_t>(x.gedcom.size() + 64 * (x.enfants.size() + 1));
    for (const EnregistrementComplement& e : c.enregistrements)
        octets += static_cast<std::int64_t>(e.gedcom.size() + e.xref.size());
    return octets;
}

} // namespace

EtapeComplements ComplementsDImport::etape(const ResultatImport& import) {
    if (!m_options.complements || import.complements.vide()) return {};
    return [this, &import](const std::function<void(const QByteArray&)>& avantValidation,
                           QByteArray& retour) -> QByteArray {
        const ComplementsImport& complements = import.complements;
        const std::span<const TFiche> fiches = import.fiches;
        try {
            const auto base = Complements::ouvrir(m_cheminFichier, true);
            // Kept whole to be redone while it fits what the history keeps;
            // beyond, only a mark that takes it back.
            if (poidsDe(complements) <= ChangementGardeMax)
                return base->enregistrerChangements(
                    [&] { base->ajouterImport(complements, fiches); }, avantValidation, retour);
            retour = base->marqueAvantImport();
            avantValidation(retour);
            base->ajouterImport(complements, fiches);
        } catch (const ErreurComplements& e) {
            retour.clear();
            m_avertissement = avecPointFinal(e.texte()) +
                              QStringLiteral(" Les personnes sont importées, mais ce que leurs "
                                             "fiches ne peuvent pas tenir n'est pas gardé.");
        }
        return {};
    };
}

std::unique_ptr<Complements> complementsPourExporter(const QString& cheminFichier,
                                                     QString& avertissement) {
    if (!Complements::existe(cheminFichier)) return nullptr;
    try {
        return Complements::ouvrir(cheminFichier, false);
    } catch (const ErreurComplements& e) {
        avertissement = avecPointFinal(e.texte()) +
                        QStringLiteral(" L'export ne contient que ce que les fiches tiennent.");
        return nullptr;
    }
}
