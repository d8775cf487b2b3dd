// Linking the person on screen to a father and a mother, and removing its links.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/OperationsFichier.h"
#include "data/Parente.h"
#include "forms/uLien.h"
#include "platform/Dialogues.h"

#include <QGroupBox>
#include <QLineEdit>

void TForm1::SBChainerClick() {
    // A person not yet saved is saved first, with its date check, so that it
    // stands at the number the parents will name; nothing is linked otherwise.
    if (NumEnreg->text().isEmpty() && !enregistrer()) return;
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    FermetureGarantie fermeture(*m_FichierGenea);
    if (!DateValide(EDN->text())) {
        m_FichierGenea->fermer();
        return;
    }
    const int anneeEnfant = versEntier(EDN->text().right(4));
    const std::int32_t enfant = versEntier(NumEnreg->text());

    FormLien->preparer(ENom->text() + u' ' + EPrenom->text() + u' ' + EDN->text(),
                       [this](std::int32_t numero, TFiche& fiche) {
                           m_FichierGenea->positionner(numero);
                           m_FichierGenea->lire(fiche);
                       });
    // The lines are read from the file while the dialog shows them; the file
    // stays open until the command ends, and they are forgotten with it.
    struct Oubli {
        ~Oubli() { FormLien->oublierLecteur(); }
    } oubli;
    const bool dateIllisible = parcourirCandidatsParents(
        *m_FichierGenea, anneeEnfant, [](bool pere, std::int32_t numero, const TFiche&) {
            if (pere)
                FormLien->ajouterPere(numero);
            else
                FormLien->ajouterMere(numero);
        });
    if (dateIllisible)
        m_dialogues.message(
            QStringLiteral("Date(s) de naissance inconnue(s)) ou contenant une erreur"));
    FormLien->terminerListes();

    if (!m_dialogues.executerModal(*FormLien)) {
        m_FichierGenea->fermer();
        return;
    }
    FormLien->hide();
    if (FormLien->lignePere() < 0 || FormLien->ligneMere() < 0) {
        m_dialogues.message(QStringLiteral("Il faut sélectionner Père et Mère. Recommencez"));
        m_FichierGenea->fermer();
        return;
    }
    if (FormLien->rangPere() < 0 || FormLien->rangMere() < 0) {
        m_dialogues.message(
            QStringLiteral("Il faut sélectionner le rang enfant, ainé, deuxième etc..."));
        m_FichierGenea->fermer();
        return;
    }
    m_FicheCourante.Pere = FormLien->candidatPere(FormLien->lignePere());
    const bool pereEcrit = inscrireChezLeParent(m_FicheCourante.Pere, FormLien->rangPere(), enfant);
    m_FicheCourante.Mere = FormLien->candidatMere(FormLien->ligneMere());
    const bool mereEcrite =
        inscrireChezLeParent(m_FicheCourante.Mere, FormLien->rangMere(), enfant);
    m_FichierGenea->positionner(enfant);
    m_FichierGenea->ecrire(m_FicheCourante);
    m_FichierGenea->fermer();
    if (pereEcrit || mereEcrite) enregistrer();
}

// Reads the parent's record, enters the child at its rank and writes it back.
bool TForm1::inscrireChezLeParent(std::int32_t parent, int rang, std::int32_t enfant) {
    if (parent == -1) return false;
    TFiche fiche;
    m_FichierGenea->positionner(parent);
    m_FichierGenea->lire(fiche);
    inscrireEnfant(fiche, rang, enfant);
    m_FichierGenea->positionner(parent);
    m_FichierGenea->ecrire(fiche);
    return true;
}

void TForm1::SbBriseChainClick() {
    m_FicheCourante.NbEnfants = 0;
    m_FicheCourante.Pere = -1;
    m_FicheCourante.Mere = -1;
    m_FicheCourante.Enfants.fill(-1);
    const int numero = versEntier(NumEnreg->text());
    for (QLineEdit* e : {ENP, ENM, EPP, EPM})
        e->clear();
    EcrireFiche(*m_FichierGenea, m_CheminFichier, m_dialogues, numero, m_FicheCourante);
    pAfficherEnreg(numero);
}
