// "Outils › Rechercher les doublons": the pairs, then the merge of one of
// them, side by side, as one change of the history.
#include "forms/UVelmorS.h"

#include "data/recherche/Recherches.h"
#include "forms/uDoublons.h"
#include "platform/Dialogues.h"

// The pairs as the window lists them; nothing when the file cannot be read (told).
std::optional<std::vector<TDoublons::Ligne>> TForm1::calculerDoublons() {
    std::vector<TDoublons::Ligne> lignes;
    if (!surLeFichier([&] {
            for (const PaireDoublon& p : chercherDoublons(m_seance->fichier())) {
                TFiche a, b;
                m_seance->fichier().positionner(p.a);
                m_seance->fichier().lire(a);
                m_seance->fichier().positionner(p.b);
                m_seance->fichier().lire(b);
                lignes.push_back({p, QStringLiteral("%1 (fiche %2)").arg(lignePersonne(a)).arg(p.a),
                                  QStringLiteral("%1 (fiche %2)").arg(lignePersonne(b)).arg(p.b)});
            }
        }))
        return std::nullopt;
    return lignes;
}

void TForm1::RechercherDoublons1Click() {
    if (!peutQuitterLaFiche()) return;
    auto lignes = calculerDoublons();
    if (!lignes) return;
    TDoublons fenetre(std::move(*lignes), this);
    std::int32_t fusionnee = -1;
    connect(&fenetre, &TDoublons::fusionDemandee, this, [&] {
        executer([&] {
            const TDoublons::Ligne* ligne = fenetre.ligneChoisie();
            if (!ligne) return;
            if (fusionnerDeuxFiches(ligne->paire.a, ligne->paire.b, fusionnee)) fenetre.accept();
        });
    });
    m_dialogues.executerModal(fenetre);
    if (fusionnee < 0) return;
    MontrePM();
    pAfficherEnreg(fusionnee);
    actualiserIndex();
    actualiserMenuEdition();
}

// One side of the merge as the window shows it: the parents by name, what
// the store keeps.
CoteDeFusion TForm1::coteDeFusion(std::int32_t numero) {
    CoteDeFusion cote;
    cote.numero = numero;
    FichierEnregistrements& fichier = m_seance->fichier();
    fichier.positionner(numero);
    fichier.lire(cote.fiche);
    const auto parent = [&](std::int32_t n) {
        if (n < 0 || n >= fichier.nombreFiches()) return QString();
        TFiche f;
        fichier.positionner(n);
        fichier.lire(f);
        return QStringLiteral("%1 (fiche %2)").arg(nomComplet(f)).arg(n);
    };
    cote.pere = parent(cote.fiche.Pere);
    cote.mere = parent(cote.fiche.Mere);
    if (Complements* base = complements())
        cote.magasin = vueComplements(*base, fichier, numero, cote.fiche).sections;
    return cote;
}

// The side-by-side window, then the merge; what a parent link given up
// costs is said.
bool TForm1::fusionnerDeuxFiches(std::int32_t premier, std::int32_t second,
                                 std::int32_t& fusionnee) {
    CoteDeFusion a, b;
    if (!surLeFichier([&] {
            a = coteDeFusion(premier);
            b = coteDeFusion(second);
        }))
        return false;
    TFusion fenetre(a, b, this);
    if (!m_dialogues.executerModal(fenetre)) return false;
    const FusionPreparee fusion = m_seance->fusionner(premier, second, fenetre.choix());
    fusionnee = fusion.fusionnee;
    if (!fusion.remarques.isEmpty()) m_dialogues.message(fusion.remarques.join(u'\r'));
    return true;
}
