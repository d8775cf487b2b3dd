// Linking the person on screen to a father and a mother, and removing its links.
#include "forms/UVelmorS.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/Modification.h"
#include "data/rapports/Rapports.h"
#include "data/recherche/IndexPersonnes.h"
#include "data/recherche/Parente.h"
#include "forms/uLien.h"
#include "platform/Dialogues.h"
#include "session/Commandes.h"
#include "session/OuvrirFichier.h"

#include <QGroupBox>
#include <QLineEdit>

#include <algorithm>
#include <functional>

// Everything the command needs is checked before anything is written: the
// dates and the number of children the final save will copy, the child's
// year, the choices made in the dialog, and the file as it is once the
// dialog has closed. A person not yet saved is linked at the number its save
// will take, and saved only when a link is confirmed.
void TForm1::SBChainerClick() {
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    // The child's year chooses the candidates: the birth date must give one.
    if (!DateValide(EDN->text())) {
        m_seance->fichier().fermer();
        return;
    }
    const int anneeEnfant = versEntier(EDN->text().right(4));
    if (!saisieEnregistrable()) {
        m_seance->fichier().fermer();
        return;
    }
    if (!ENBE->text().isEmpty()) versEntier(ENBE->text());
    const bool nouvelle = m_seance->numero() < 0;
    const std::int32_t enfant = nouvelle
                                    ? static_cast<std::int32_t>(m_seance->fichier().nombreFiches())
                                    : m_seance->numero();

    const QString naissance = EDN->text();
    FormLien->preparer(
        ENom->text() + u' ' + EPrenom->text() + u' ' + naissance,
        [this](std::int32_t numero, TFiche& fiche) {
            m_seance->fichier().positionner(numero);
            m_seance->fichier().lire(fiche);
        },
        [naissance](const TFiche& parent, bool pere) {
            return parenteImpossible(parent, pere, naissance);
        });
    // The lines are read from the file while the dialog shows them; the file
    // stays open until the command ends, and they are forgotten with it.
    struct Oubli {
        ~Oubli() { FormLien->oublierLecteur(); }
    } oubli;
    // Nobody is offered as their own father or mother; those whose own
    // dates rule it out come last, marked.
    const DatesIllisibles illisibles = parcourirCandidatsParents(
        m_seance->fichier(), anneeEnfant,
        [enfant, &naissance](bool pere, std::int32_t numero, const TFiche& fiche) {
            if (numero == enfant) return;
            const bool impossible = !parenteImpossible(fiche, pere, naissance).isEmpty();
            if (pere)
                FormLien->ajouterPere(numero, impossible);
            else
                FormLien->ajouterMere(numero, impossible);
        });
    if (illisibles.nombre) m_dialogues.message(illisibles.message());
    // The lists in the index's order, narrowed by its filter.
    IndexPersonnes index;
    index.construire(m_seance->fichier());
    FormLien->terminerListes(index);

    if (!m_dialogues.executerModal(*FormLien)) {
        m_seance->fichier().fermer();
        return;
    }
    FormLien->hide();
    const ChoixDuLien choix = FormLien->choix();
    if (!choix.pere || !choix.mere) {
        m_dialogues.message(QStringLiteral("Il faut sélectionner Père et Mère. Recommencez"));
        m_seance->fichier().fermer();
        return;
    }
    if (choix.rangPere < 0 || choix.rangMere < 0) {
        m_dialogues.message(
            QStringLiteral("Il faut sélectionner le rang enfant, ainé, deuxième etc..."));
        m_seance->fichier().fermer();
        return;
    }
    if (!verifierAvantChainage(enfant, *choix.pere, *choix.mere, nouvelle)) {
        m_seance->fichier().fermer();
        return;
    }
    chainer(enfant, choix);
}

// The parents' records and the child's, as the form holds it, go in one
// change: whole or not at all, even across a crash, and undone as one.
void TForm1::chainer(std::int32_t enfant, const ChoixDuLien& choix) {
    const std::int32_t pere = *choix.pere;
    const std::int32_t mere = *choix.mere;
    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    TFiche avant;
    if (enfant < nombre) {
        m_seance->fichier().positionner(enfant);
        m_seance->fichier().lire(avant);
    }
    // The form is saved with the links when a parent takes the child or the
    // person is new; otherwise only the links change, the edits stay pending.
    const bool enregistree = enfant >= nombre || pere != -1 || mere != -1;
    const QStringList romanises = enregistree ? copierFormulaireDansFiche() : QStringList();
    if (!enregistree) m_datesEntieres.clear();
    m_FicheCourante.Pere = pere;
    m_FicheCourante.Mere = mere;
    m_seance->ecrireChangement(chainage(m_seance->fichier(), enfant, m_FicheCourante, pere,
                                        choix.rangPere, mere, choix.rangMere),
                               partDuMagasin(enfant, nombre, avant), !m_datesEntieres.empty());
    m_seance->fichier().fermer();
    if (!enregistree) return;
    pAfficherEnreg(enfant);
    actualiserIndex();
    signalerRomanisation(romanises);
}

namespace {

QString designation(FichierEnregistrements& fichier, std::int32_t numero) {
    TFiche fiche;
    fichier.positionner(numero);
    fichier.lire(fiche);
    return QStringLiteral("%1 %2 (fiche %3)")
        .arg(fiche.Nom.texte(), fiche.Prenom.texte())
        .arg(numero);
}

} // namespace

// The file as it is after the dialog: another program may have cut it or
// added to it meanwhile; and no link may make anyone their own ancestor.
bool TForm1::verifierAvantChainage(std::int32_t enfant, std::int32_t pere, std::int32_t mere,
                                   bool nouvelle) {
    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    const bool enfantDisparu = nouvelle ? enfant != nombre : enfant >= nombre;
    if (enfantDisparu || pere >= nombre || mere >= nombre) {
        m_dialogues.message(
            QStringLiteral("Le fichier a été modifié par un autre programme pendant le choix "
                           "des parents : il compte maintenant %1 fiche(s). Rien n'a été "
                           "écrit ; recommencez le chaînage.")
                .arg(nombre));
        return false;
    }
    const std::pair<std::int32_t, QString> parents[] = {{pere, QStringLiteral("père")},
                                                        {mere, QStringLiteral("mère")}};
    for (const auto& [parent, role] : parents) {
        if (parent < 0) continue;
        if (parent == enfant) {
            m_dialogues.message(QStringLiteral("%1 ne peut pas être son propre %2. Rien n'a été "
                                               "écrit.")
                                    .arg(designation(m_seance->fichier(), parent), role));
            return false;
        }
        if (!nouvelle && descendDe(m_seance->fichier(), parent, enfant)) {
            m_dialogues.message(
                QStringLiteral("%1 descend de %2 : il ne peut pas être aussi son %3, la famille "
                               "deviendrait sa propre ancêtre. Rien n'a été écrit.")
                    .arg(designation(m_seance->fichier(), parent),
                         designation(m_seance->fichier(), enfant), role));
            return false;
        }
    }
    return true;
}

namespace {

bool aDesLiens(const TFiche& fiche) {
    return fiche.Pere != -1 || fiche.Mere != -1 ||
           std::any_of(fiche.Enfants.begin(), fiche.Enfants.end(),
                       [](std::int32_t e) { return e != -1; });
}

} // namespace

// Unsaved edits are offered for saving first: the command shows the record
// again as stored. The person can leave the records of its parents and
// children too, in the same change, so that no one-way link is left behind.
void TForm1::SbBriseChainClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    const TFiche avant = m_FicheCourante;
    const int numero = m_seance->numeroExige();
    for (QLineEdit* e : {ENP, ENM, EPP, EPM})
        e->clear();
    // The record on screen may have been cut off the file by another program.
    bool ecrite = false;
    surLeFichier([&] {
        if (numero >= m_seance->fichier().nombreFiches()) {
            m_dialogues.message(
                QStringLiteral("La fiche %1 n'existe plus : le fichier a été raccourci par un "
                               "autre programme. Rien n'a été écrit.")
                    .arg(numero));
            return;
        }
        const bool desDeuxCotes =
            aDesLiens(avant) &&
            m_dialogues.questionAvertissement(
                QStringLiteral("Retirer aussi %1 des fiches de ses parents et de ses enfants ?")
                    .arg(nomComplet(avant)));
        const Modification modification =
            suppressionDesChainages(m_seance->fichier(), numero, avant, desDeuxCotes);
        m_FicheCourante = modification.fiches.at(numero);
        m_seance->ecrireChangement(modification);
        ecrite = true;
    });
    if (ecrite) pAfficherEnreg(numero);
}
