// The consistency check from the main window: its window, the findings
// dismissed in the store, the thresholds in the settings, and the red mark
// beside a person the last check found in error.
#include "data/fichier/Erreurs.h"
#include "forms/UVelmorS.h"
#include "forms/uCoherence.h"
#include "platform/Dialogues.h"

#include <map>

// The whole check, each finding told whether the user dismissed it.
std::optional<std::vector<TCoherence::Ligne>> TForm1::calculerCoherence() {
    std::vector<TCoherence::Ligne> lignes;
    if (!surLeFichier([&] {
            Complements* base = complements();
            const std::vector<ConstatIgnore> ignores =
                base ? base->constatsIgnores() : std::vector<ConstatIgnore>();
            verifierCoherence(m_seance->fichier(), base, lireSeuils(cheminIni()), [&](Constat&& c) {
                const bool ignore = estIgnore(c, ignores);
                lignes.push_back({std::move(c), ignore});
            });
        }))
        return std::nullopt;
    m_erreursDeCoherence.clear();
    for (const TCoherence::Ligne& l : lignes)
        if (!l.ignore && l.constat.gravite == Gravite::Erreur)
            m_erreursDeCoherence[l.constat.fiche] << l.constat.message;
    montrerMarqueDeCoherence();
    return lignes;
}

// Red beside the name while the last check found this person in error.
void TForm1::montrerMarqueDeCoherence() {
    const auto erreurs = m_erreursDeCoherence.find(m_seance->numero());
    const bool marque = erreurs != m_erreursDeCoherence.end();
    LCoherence->setVisible(marque);
    LCoherence->setToolTip(marque ? QStringLiteral("Vérification de la cohérence :\n") +
                                        erreurs->second.join(u'\n')
                                  : QString());
}

void TForm1::VerifierCoherence1Click() {
    auto lignes = calculerCoherence();
    if (!lignes) return;
    TCoherence fenetre(std::move(*lignes), this);
    std::int32_t montree = -1;
    connect(&fenetre, &TCoherence::personneDemandee, this, [&](std::int32_t fiche) {
        montree = fiche;
        fenetre.accept();
    });
    connect(&fenetre, &TCoherence::ignorerDemande, this, [&](int rang) {
        executer([&] {
            const Constat c = fenetre.lignes().at(static_cast<std::size_t>(rang)).constat;
            TFiche personne;
            surLeFichier([&] {
                m_seance->fichier().positionner(c.fiche);
                m_seance->fichier().lire(personne);
            });
            const bool ecrit = m_seance->ecrireAuMagasin(
                c.fiche,
                QStringLiteral("le constat %1 ignoré pour %2")
                    .arg(QString::fromLatin1(c.regle), nomComplet(personne)),
                [=](Complements& base) {
                    base.ignorerConstat(c.fiche, personne, c.regle, c.valeurs);
                });
            actualiserMenuEdition();
            if (!ecrit) return;
            if (auto nouvelles = calculerCoherence()) fenetre.remplacer(std::move(*nouvelles));
        });
    });
    connect(&fenetre, &TCoherence::seuilsDemandes, this, [&] {
        executer([&] {
            TSeuils seuils(lireSeuils(cheminIni()), &fenetre);
            if (!m_dialogues.executerModal(seuils)) return;
            ecrireSeuils(cheminIni(), seuils.seuils());
            if (auto nouvelles = calculerCoherence()) fenetre.remplacer(std::move(*nouvelles));
        });
    });
    m_dialogues.executerModal(fenetre);
    if (montree >= 0 && peutQuitterLaFiche()) pAfficherEnreg(montree);
}
