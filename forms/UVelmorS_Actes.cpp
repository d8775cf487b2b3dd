// The main window's command for entering a whole act.
#include "data/fichier/Erreurs.h"
#include "forms/UVelmorS.h"
#include "forms/uActe.h"
#include "forms/uChoixPersonne.h"
#include "platform/Dialogues.h"

// Ctrl+Maj+A: the act opens on the person on screen as its principal one
// (a baptism, or a marriage for a married person); the save writes the
// whole act as one change, and the form shows its principal person.
void TForm1::SaisirActe1Click() {
    if (m_seance->chemin().isEmpty()) {
        m_dialogues.message(QStringLiteral("Enregistrez d'abord le fichier : un acte s'ajoute à "
                                           "un fichier de généalogie."));
        return;
    }
    if (!peutQuitterLaFiche()) return;
    auto trouvee = [this](std::int32_t n) {
        TFiche f;
        m_seance->fichier().positionner(n);
        m_seance->fichier().lire(f);
        return TSaisieActe::Trouvee{n, f.Nom.texte(), f.Prenom.texte(), f.Qualite == 0};
    };
    // The index inside the act: the candidates its date rules out last, marked.
    auto chercher = [this, trouvee](const Acte& acte, std::size_t role) {
        std::optional<TSaisieActe::Trouvee> resultat;
        executer([&] {
            surLeFichier([&] {
                TChoixPersonne choix(
                    QStringLiteral("Saisir un acte : %1").arg(rolesDe(acte.genre).at(role).nom),
                    m_seance->fichier(), this, -1, m_seance->autresNoms());
                choix.repousser([&](const QString& naissance, const QString& deces) {
                    return candidatImpossible(acte, role, naissance, deces);
                });
                if (m_dialogues.executerModal(choix) && choix.ficheChoisie() >= 0)
                    resultat = trouvee(choix.ficheChoisie());
            });
        });
        return resultat;
    };
    std::optional<TSaisieActe::Trouvee> principal;
    const std::int32_t numero = numeroCourant(-1);
    if (numero >= 0) surLeFichier([&] { principal = trouvee(numero); });
    TSaisieActe fenetre(m_seance->derniereSource(), chercher, this);
    const bool marie = principal && !EDM->text().trimmed().isEmpty() && EDN->text().isEmpty();
    fenetre.preparer(marie ? GenreActe::Mariage : GenreActe::Bapteme, principal);
    while (m_dialogues.executerModal(fenetre)) {
        // A refused act keeps its dialog open with all that was typed.
        bool enregistre = false;
        executer([&] {
            const ActePrepare fait = m_seance->enregistrerActe(fenetre.acte());
            enregistre = true;
            pAfficherEnreg(fait.modification.personne);
            actualiserIndex();
            actualiserMenuEdition();
            if (!fait.remarques.isEmpty()) m_dialogues.message(fait.remarques.join(u'\r'));
        });
        if (enregistre) return;
    }
}
