// Moving between records and to a person's relatives.
#include "forms/UVelmorS.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FamillesConnues.h"
#include "data/fichier/FichiersSurs.h"
#include "data/rapports/Unions.h"
#include "data/recherche/Recherches.h"
#include "forms/UEnfants.h"
#include "forms/uArbre.h"
#include "forms/uIndex.h"
#include "platform/Dialogues.h"
#include "platform/DialoguesQt.h"
#include "session/OuvrirFichier.h"

#include <limits>

namespace {
constexpr std::int32_t DerniereFiche = std::numeric_limits<std::int32_t>::max();
}

void TForm1::SbDebutClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    pAfficherEnreg(0);
}

void TForm1::SbPrecedentClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    const int numero = numeroCourant(-1);
    if (numero > 0) pAfficherEnreg(numero - 1);
}

void TForm1::BtSuivantClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    const int numero = numeroCourant(-1);
    if (numero < DerniereFiche - 1) pAfficherEnreg(numero + 1);
}

void TForm1::SbFinClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    pAfficherEnreg(DerniereFiche);
}

void TForm1::BTPereClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    if (m_FicheCourante.Pere == -1) {
        m_dialogues.message(QStringLiteral("Le père n'est pas actuellement connu"));
        return;
    }
    pAfficherEnreg(m_FicheCourante.Pere);
}

void TForm1::BtMereClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    MontrePM();
    if (m_FicheCourante.Mere == -1) {
        m_dialogues.message(QStringLiteral("La mère n'est pas actuellement connue"));
        return;
    }
    pAfficherEnreg(m_FicheCourante.Mere);
}

void TForm1::BtEnfantClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    if (m_FicheCourante.NbEnfants == 0) {
        m_dialogues.message(
            QStringLiteral("Les enfants éventuels ne sont pas actuellement connus"));
        m_seance->fichier().fermer();
        return;
    }
    Form2->commencer(QStringLiteral("Sélectionnez l'un des enfants ou cliquez le bouton Fermer"));
    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    TFiche enfant;
    for (int s = 0; s < emplacementsEnfants(m_FicheCourante.NbEnfants); ++s) {
        const std::int32_t v = m_FicheCourante.Enfants[s];
        if (v == -1) continue;
        // A slot past the end of the file, or holding a number below -1, is a broken link.
        if (v > nombre - 1 || v < -1) {
            m_dialogues.message(QStringLiteral("Il y a une erreur de chaînage"));
            continue;
        }
        m_seance->fichier().positionner(v);
        m_seance->fichier().lire(enfant);
        Form2->ajouter(lignePersonne(enfant), v);
    }
    m_seance->fichier().fermer();
    if (Form2->nombreLignes() == 0) {
        m_dialogues.message(
            QStringLiteral("Pas d'enfant(s) actuellement connu(s) dans le fichier"));
        return;
    }
    if (const auto choix = Form2->choisir(m_dialogues)) {
        MontrePM();
        pAfficherEnreg(*choix);
    }
}

std::int32_t TForm1::ChercherConjoint(TFiche& fiche) {
    if (!m_seance->ouvrir()) return -1;
    FermetureGarantie fermeture(m_seance->fichier());
    const std::int32_t courant = m_seance->numeroExige();
    TFiche trouve;
    std::int32_t conjoint = -1;
    // The first marriage the companion store knows, then the records' own search.
    if (const auto connues = famillesConnues();
        connues && courant >= 0 && courant < m_seance->fichier().nombreFiches()) {
        TFiche stockee;
        m_seance->fichier().positionner(courant);
        m_seance->fichier().lire(stockee);
        if (const auto conjoints = connues->conjoints(courant, stockee); !conjoints.empty()) {
            conjoint = conjoints.front();
            m_seance->fichier().positionner(conjoints.front());
            m_seance->fichier().lire(trouve);
        }
    }
    if (conjoint == -1) conjoint = chercherConjoint(m_seance->fichier(), fiche, courant, trouve);
    if (conjoint != -1) {
        fiche = trouve;
    } else {
        fiche.Nom.vider();
        fiche.Prenom.vider();
        fiche.DateNaissance.vider();
        fiche.DateMariage.vider();
        fiche.DateDeces.vider();
    }
    m_seance->fichier().fermer();
    return conjoint;
}

// The spouse command leaves the record on screen as the other moves do: the
// save question comes first, so that no typed edit is dropped.
// Every spouse the record and the store know: one is shown at once; of
// several, the user picks one in the list, each with its marriage, in the
// order of the unions.
std::vector<std::pair<std::int32_t, QString>> TForm1::conjointsConnus() {
    const std::int32_t courant = m_seance->numeroExige();
    std::vector<std::pair<std::int32_t, QString>> conjoints;
    surLeFichier([&] {
        if (courant < 0 || courant >= m_seance->fichier().nombreFiches()) return;
        const auto connues = famillesConnues();
        for (const UnionConnue& u :
             unionsDe(m_seance->fichier(), courant, m_FicheCourante, connues.get())) {
            if (u.conjoint < 0 || u.conjoint >= m_seance->fichier().nombreFiches() ||
                std::any_of(conjoints.begin(), conjoints.end(),
                            [&](const auto& c) { return c.first == u.conjoint; }))
                continue;
            TFiche conjoint;
            m_seance->fichier().positionner(u.conjoint);
            m_seance->fichier().lire(conjoint);
            conjoints.emplace_back(u.conjoint, resumeUnion(u, &conjoint));
        }
    });
    return conjoints;
}

void TForm1::BtConjointClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    const std::vector<std::pair<std::int32_t, QString>> conjoints = conjointsConnus();
    if (conjoints.empty()) return;
    std::int32_t choisi = conjoints.front().first;
    if (conjoints.size() > 1) {
        Form2->commencer(
            QStringLiteral("Sélectionnez l'un des conjoints ou cliquez le bouton Fermer"));
        for (const auto& [numero, ligne] : conjoints)
            Form2->ajouter(ligne, numero);
        const auto choix = Form2->choisir(m_dialogues);
        if (!choix) return;
        choisi = *choix;
    }
    MontrePM();
    pAfficherEnreg(choisi);
}

bool TForm1::allerALaFiche(std::int32_t numero) {
    if (m_Modifie && !DemanderEnregistrement()) return false;
    MontrePM();
    pAfficherEnreg(numero);
    return m_seance->numero() == numero;
}

// A number that is no record of the file gets a clear message; the form
// changes only once the number is good.
void TForm1::AllerALaFiche1Click() {
    const QString reponse = m_dialogues.saisie(QStringLiteral("Aller à la fiche"),
                                               QStringLiteral("Numéro de la fiche ?"), QString());
    if (reponse.trimmed().isEmpty()) return;
    int numero = -1;
    if (!lireEntier(reponse.trimmed(), numero) || numero < 0) {
        m_dialogues.message(QStringLiteral("« %1 » n'est pas un numéro de fiche : tapez un nombre "
                                           "entier, 0 pour la première fiche.")
                                .arg(reponse.trimmed()));
        return;
    }
    std::int64_t nombre = 0;
    if (!surLeFichier([&] { nombre = m_seance->fichier().nombreFiches(); })) return;
    if (numero >= nombre) {
        m_dialogues.message(
            nombre == 0
                ? QStringLiteral("La fiche %1 n'existe pas : le fichier est vide.").arg(numero)
                : QStringLiteral("La fiche %1 n'existe pas : le fichier compte %2 "
                                 "fiche(s), numérotées de 0 à %3.")
                      .arg(numero)
                      .arg(nombre)
                      .arg(nombre - 1));
        return;
    }
    allerALaFiche(numero);
}

void TForm1::IndexDesPersonnes1Click() {
    if (!surLeFichier([this] { Index->charger(m_seance->fichier(), m_seance->autresNoms()); }))
        return;
    Index->selectionnerFiche(numeroCourant(-1));
    if (!Index->isVisible()) ajusterALEcran(*Index);
    Index->show();
    Index->raise();
    Index->activateWindow();
}

void TForm1::actualiserIndex() {
    if (!Index || !Index->isVisible() || !fichierExiste(m_seance->chemin())) return;
    surLeFichier([this] { Index->charger(m_seance->fichier(), m_seance->autresNoms()); });
}

void TForm1::changerDePivot(std::int32_t numero, bool retenir) {
    const std::int32_t ancien = Form3->pivot();
    if (!allerALaFiche(numero)) return;
    if (retenir && ancien >= 0 && ancien != numero) Form3->retenirPivot(ancien);
    SbArbreClick();
}

void TForm1::choisirLePivot(const QList<std::int32_t>& numeros) {
    if (!surLeFichier([&] {
            Form2->commencer(QStringLiteral("Sélectionnez la personne à mettre au centre de "
                                            "l'arbre, puis cliquez sur Fermer"));
            const std::int64_t nombre = m_seance->fichier().nombreFiches();
            TFiche fiche;
            for (const std::int32_t n : numeros) {
                if (n < 0 || n >= nombre) continue;
                m_seance->fichier().positionner(n);
                m_seance->fichier().lire(fiche);
                Form2->ajouter(lignePersonne(fiche), n);
            }
        }))
        return;
    if (const auto choix = Form2->choisir(m_dialogues)) changerDePivot(*choix, true);
}

void TForm1::revenirAuPivotPrecedent() {
    const std::int32_t precedent = Form3->pivotPrecedent();
    if (precedent < 0) return;
    if (!allerALaFiche(precedent)) return;
    Form3->oublierPivotPrecedent();
    SbArbreClick();
}
