// New record, the save prompt, the date check, saving and deletion.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/OperationsFichier.h"
#include "data/Texte.h"
#include "platform/BoutonImage.h"
#include "platform/Dialogues.h"

#include <QComboBox>
#include <QLineEdit>

void TForm1::passerEnNouvelleFiche() {
    viderEditsSaisie();
    NumEnreg->clear();
    ENom->setFocus();
    selectionnerQualite(0);
    for (QWidget* w :
         {static_cast<QWidget*>(ENP), static_cast<QWidget*>(EPP), static_cast<QWidget*>(ENM),
          static_cast<QWidget*>(EPM), static_cast<QWidget*>(IPhoto)})
        w->hide();
    m_PhotoChoisie.clear();
    ViderFiche(m_FicheCourante);
    SbSupprimer->setText(QStringLiteral("Supprimer"));
    m_Modifie = false;
}

void TForm1::SbNouveauClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    passerEnNouvelleFiche();
}

// True when the command that asked may go on: the user answered No, or the
// save completed. A save that did not complete keeps the edits on the form.
bool TForm1::DemanderEnregistrement() {
    if (!m_dialogues.questionAvertissement(
            QStringLiteral("Voulez-vous enregistrer les modifications ")))
        return true;
    return enregistrer();
}

bool TForm1::DateValide(const QString& date) {
    if (dateAcceptable(date)) return true;
    m_dialogues.message(
        QStringLiteral("La date ") + date +
        QStringLiteral(" doit contenir une année à quatre chiffres entre 1000 et 2050"));
    return false;
}

void TForm1::SbEnregistrerClick() {
    enregistrer();
}

// Opens the current file, or, when there is none, the file named in the save
// dialog: an existing file is opened as it is, never emptied.
bool TForm1::ouvrirOuCreerPourEnregistrer(bool& parDialogue) {
    parDialogue = false;
    if (fichierExiste(m_CheminFichier)) {
        try {
            m_FichierGenea->ouvrir(m_CheminFichier);
        } catch (const ErreurES&) {
            m_dialogues.message(QStringLiteral("Problème avec le fichier ") + m_CheminFichier);
            return false;
        }
        return true;
    }
    const auto choix = m_dialogues.enregistrerFichier(
        {QStringLiteral("Nom du fichier de généalogie"), QStringLiteral("*.FIC"),
         QStringLiteral("Fichiers de généalogie |*.FIC"), m_RepProgramme, QString()});
    if (!choix) return false;
    if (fichierExiste(*choix))
        m_FichierGenea->ouvrir(*choix);
    else
        m_FichierGenea->creer(*choix);
    m_CheminFichier = *choix;
    parDialogue = true;
    try {
        EcrireIni();
    } catch (...) {
        m_FichierGenea->fermer();
        throw;
    }
    return true;
}

bool TForm1::enregistrer() {
    if (!DateValide(EDN->text()) || !DateValide(EDM->text()) || !DateValide(EDD->text()))
        return false;
    bool parDialogue = false;
    if (!ouvrirOuCreerPourEnregistrer(parDialogue)) return false;
    FermetureGarantie fermeture(*m_FichierGenea);
    if (parDialogue) setWindowTitle(m_CheminFichier);

    const std::int64_t nombre = m_FichierGenea->nombreFiches();
    std::int64_t numero = nombre;
    if (!parDialogue && !NumEnreg->text().isEmpty()) numero = versEntier(NumEnreg->text());
    // Never leave a run of empty records before the one written (the file
    // may have been cut by another program since the display).
    if (numero > nombre || numero < 0) numero = nombre;
    NumEnreg->setText(QString::number(numero));

    copierFormulaireDansFiche();
    m_FichierGenea->positionner(numero);
    m_FichierGenea->ecrire(m_FicheCourante);
    m_FichierGenea->fermer();
    pAfficherEnreg(static_cast<std::int32_t>(numero));
    return true;
}

void TForm1::copierFormulaireDansFiche() {
    // The only step that can fail comes first, so a refused number changes nothing.
    const int enfants = ENBE->text().isEmpty() ? 0 : versEntier(ENBE->text());
    TFiche& f = m_FicheCourante;
    f.Qualite = static_cast<std::uint8_t>(indexQualite());
    f.Nom.definir(ENom->text());
    f.Prenom.definir(EPrenom->text());
    f.DateNaissance.definir(EDN->text());
    f.DateMariage.definir(EDM->text());
    f.DateDeces.definir(EDD->text());
    f.LieuNaissance.definir(ELN->text());
    f.LieuMariage.definir(ELM->text());
    f.LieuDeces.definir(ELD->text());
    f.NbEnfants = static_cast<std::uint8_t>(enfants);
    f.Profession.definir(EProfession->text());
    appliquerRegleDuPortrait();
}

void TForm1::appliquerRegleDuPortrait() {
    if (IPhoto->isHidden()) {
        m_FicheCourante.Photo.vider();
    } else if (!m_PhotoChoisie.isEmpty()) {
        if (majusculesAZ(extensionDe(m_PhotoChoisie)) == u".FIC")
            m_FicheCourante.Photo.vider();
        else
            m_FicheCourante.Photo.definir(m_PhotoChoisie);
    }
}

void TForm1::SbSupprimerClick() {
    if (NumEnreg->text().isEmpty()) return;
    const int a = versEntier(NumEnreg->text());
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    FermetureGarantie fermeture(*m_FichierGenea);
    const std::int64_t dernier = m_FichierGenea->nombreFiches() - 1;
    if (a < dernier) {
        m_dialogues.message(QStringLiteral("Seul le dernier enregistrement peut-être supprimé\r"
                                           "Remplacez celui-ci par un autre nom"));
        m_Modifie = true;
        viderEditsSaisie();
        m_FichierGenea->fermer();
        return;
    }
    if (a > dernier || !m_dialogues.questionAttention(QStringLiteral(
                           "Voulez-vous vraiment supprimer le dernier enregistrement"))) {
        m_FichierGenea->fermer();
        return;
    }
    MontrePM();
    m_FichierGenea->positionner(dernier);
    m_FichierGenea->tronquer();
    m_FichierGenea->fermer();
    if (a >= 1)
        pAfficherEnreg(a - 1);
    else
        passerEnNouvelleFiche(); // the file is now empty
}
