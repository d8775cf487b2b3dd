// The "&Édition" menu and what keeps the user's work: every change to the
// file written whole and kept for an undo, a backup before the first change
// of a session, and the backups restored.
#include "forms/UVelmorS.h"

#include "session/Seance.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "data/fichier/FichiersSurs.h"
#include "data/journal/Journal.h"
#include "data/journal/Sauvegardes.h"
#include "forms/uSauvegardes.h"
#include "platform/Dialogues.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>

namespace {

// Ctrl+Z in a field first undoes the typing there; once the field has
// nothing left to undo (a record just shown or saved), it reaches the Edit
// menu and undoes the last change to the file. Likewise for Ctrl+Y.
class RetourVersLeMenu : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() != QEvent::ShortcutOverride) return false;
        auto* champ = qobject_cast<QLineEdit*>(objet);
        auto* touche = static_cast<QKeyEvent*>(evenement);
        if (!champ) return false;
        const bool annuler = touche->matches(QKeySequence::Undo) && !champ->isUndoAvailable();
        const bool retablir = (touche->matches(QKeySequence::Redo) ||
                               touche->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) &&
                              !champ->isRedoAvailable();
        if (!annuler && !retablir) return false;
        evenement->ignore(); // the window's shortcut takes it
        return true;
    }
};

} // namespace

void TForm1::creerMenuEdition() {
    QMenu* edition = menuBar()->addMenu(QStringLiteral("É&dition"));
    edition->setObjectName(QStringLiteral("Edition1"));
    Annuler1 = edition->addAction(QStringLiteral("Annuler"));
    Annuler1->setObjectName(QStringLiteral("Annuler1"));
    Annuler1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    Retablir1 = edition->addAction(QStringLiteral("Rétablir"));
    Retablir1->setObjectName(QStringLiteral("Retablir1"));
    Retablir1->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    connect(Annuler1, &QAction::triggered, this, [this] { commande(&TForm1::Annuler1Click); });
    connect(Retablir1, &QAction::triggered, this, [this] { commande(&TForm1::Retablir1Click); });
    actualiserMenuEdition();
}

void TForm1::laisserLesChampsAuMenuEdition() {
    auto* filtre = new RetourVersLeMenu(this);
    for (QLineEdit* champ : findChildren<QLineEdit*>())
        champ->installEventFilter(filtre);
}

void TForm1::marquerModifie() {
    const bool avant = m_Modifie;
    m_Modifie = true;
    if (!avant) actualiserMenuEdition();
}

// While the form holds typing, the first undo is that typing; the changes
// to the file come after it.
void TForm1::actualiserMenuEdition() {
    if (!Annuler1) return;
    Annuler1->setText(m_Modifie ? QStringLiteral("Annuler la saisie en cours")
                                : m_seance->texteAnnuler());
    Annuler1->setEnabled(m_Modifie || m_seance->peutAnnuler());
    Retablir1->setText(m_seance->texteRetablir());
    Retablir1->setEnabled(m_seance->peutRetablir());
}

void TForm1::montrerApresRetour(std::int32_t personne) {
    MontrePM();
    std::int64_t nombre = 0;
    surLeFichier([&] { nombre = m_seance->fichier().nombreFiches(); });
    if (personne >= 0 && personne < nombre)
        pAfficherEnreg(personne);
    else if (nombre > 0)
        pAfficherEnreg(static_cast<std::int32_t>(nombre - 1));
    else
        passerEnNouvelleFiche();
    actualiserIndex();
    actualiserMenuEdition();
}

void TForm1::Annuler1Click() {
    if (m_Modifie) return abandonnerLaSaisie();
    if (m_seance->peutAnnuler()) parcourirHistorique(&Seance::annuler);
}

// The form goes back to the record as the file holds it, or to an empty
// form for a person not saved yet; nothing is written.
void TForm1::abandonnerLaSaisie() {
    const int numero = numeroCourant(-1);
    if (numero < 0) {
        passerEnNouvelleFiche();
        return;
    }
    MontrePM();
    pAfficherEnreg(numero);
}

void TForm1::Retablir1Click() {
    if (m_seance->peutRetablir()) parcourirHistorique(&Seance::retablir);
}

// An undo or a redo: unsaved edits are offered for saving first, the store
// follows the records, and the person concerned is shown.
void TForm1::parcourirHistorique(std::int32_t (Seance::*sens)()) {
    if (!peutQuitterLaFiche()) return;
    montrerApresRetour(((*m_seance).*sens)());
}

// The current file is backed up first, so that a restore never loses it.
void TForm1::RestaurerSauvegarde1Click() {
    if (!fichierExiste(m_seance->chemin())) {
        m_dialogues.message(QStringLiteral("Le fichier est introuvable"));
        return;
    }
    if (!peutQuitterLaFiche()) return;
    const sauvegardes::Reglages reglages = sauvegardes::lireReglages(cheminIni());
    const QString dossier = sauvegardes::dossierPour(m_seance->chemin(), reglages);
    auto liste = sauvegardes::lister(m_seance->chemin(), reglages);
    if (liste.empty()) {
        m_dialogues.message(
            QStringLiteral("Le fichier %1 n'a pas encore de sauvegarde (elles se font dans « %2 » "
                           "avant la première modification de chaque séance).")
                .arg(m_seance->chemin(), dossier));
        return;
    }
    TSauvegardes fenetre(std::move(liste), dossier, this);
    if (!m_dialogues.executerModal(fenetre) || !fenetre.choisie()) return;
    const sauvegardes::Sauvegarde choisie = *fenetre.choisie();
    const QString quand =
        QLocale(QLocale::French).toString(choisie.quand, QStringLiteral("d MMMM yyyy à HH:mm:ss"));
    if (!m_dialogues.confirmer(
            QStringLiteral("Remplacer %1 par la sauvegarde du %2 (%3 personne(s)) ? Le fichier "
                           "actuel est d'abord sauvegardé lui aussi.")
                .arg(m_seance->chemin(), quand)
                .arg(choisie.personnes)))
        return;
    m_seance->restaurer(choisie,
                        QStringLiteral("la restauration de la sauvegarde du %1").arg(quand));
    basculerVers(m_seance->chemin());
    m_seance->sauvegardeFaite(); // the state before is a backup already
    m_dialogues.message(QStringLiteral("La sauvegarde du %1 a remplacé le fichier. L'état "
                                       "d'avant est gardé parmi les sauvegardes.")
                            .arg(quand));
}
