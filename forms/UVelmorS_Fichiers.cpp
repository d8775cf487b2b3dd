// Start-up, the settings file and the commands of the "&Fichiers" menu.
#include "forms/UVelmorS.h"

#include "session/ComplementsOuverts.h"

#include "data/complements/FichierComplements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/OperationsFichier.h"
#include "data/fichier/Preferences.h"
#include "data/fichier/Texte.h"
#include "data/journal/CopieEnsemble.h"
#include "data/recherche/Verification.h"
#include "platform/Dialogues.h"
#include "session/OuvrirFichier.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>

namespace {

const QString NomFichierParDefaut = QStringLiteral("VELMORIS.FIC");
const QString NomFichierIni = QStringLiteral("VELMOR.INI");
const QString SectionIni = QStringLiteral("FICHIER");
const QString CleIni = QStringLiteral("NomFic");
const QString FiltreDemarrage = QStringLiteral("Fichiers de généalogie *.FIC |*.FIC");
const QString FiltreFichiers = QStringLiteral("Fichiers de généalogie |*.FIC");
const QString ExtensionFic = QStringLiteral("*.FIC");

} // namespace

void TForm1::FormCreate() {
    for (QLineEdit* e : findChildren<QLineEdit*>()) {
        if (e->parent() == centralWidget() || e->parent() == GB) e->clear();
    }
    m_RepProgramme = QDir::currentPath();
    m_RepDonnees = m_RepProgramme;
    m_CheminFichier = NomFichierParDefaut;
    // Whatever stops the start-up, the caption names the current file and
    // the form counts as unchanged.
    struct Fin {
        TForm1* form;
        ~Fin() {
            form->setWindowTitle(form->m_CheminFichier);
            form->m_Modifie = false;
            form->mettreAJourFichiersRecents();
            form->marquerTailleAffichage();
        }
    } fin{this};

    if (ouvrirFichierDemande()) {
        return;
    } else if (fichierExiste(cheminIni()) && lireIniSansBloquer()) {
        pAfficherEnreg(0);
        signalerFicheIncomplete();
    } else if (fichierExiste(NomFichierParDefaut)) {
        pAfficherEnreg(0);
        signalerFicheIncomplete();
    } else if (m_dialogues.questionAvertissement(
                   QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"))) {
        const auto choix = choisirFichierGenealogie(
            false, {QStringLiteral("Nom du fichier de généalogie à charger ou à créer"),
                    ExtensionFic, FiltreDemarrage, m_RepProgramme, QString()});
        if (choix) {
            m_CheminFichier = *choix;
            if (fichierExiste(m_CheminFichier)) {
                pAfficherEnreg(0);
            } else {
                creerFichierNeuf(m_CheminFichier);
                memoriserFichierCourant();
            }
        }
    }
}

// A file named on the command line, or opened from the file manager, comes
// before the last file used, and becomes it.
bool TForm1::ouvrirFichierDemande() {
    if (m_fichierAOuvrir.isEmpty()) return false;
    const QString chemin = QFileInfo(m_fichierAOuvrir).absoluteFilePath();
    if (!fichierExiste(chemin)) {
        m_dialogues.message(QStringLiteral("Le fichier ") + chemin +
                            QStringLiteral(" est introuvable : le dernier fichier utilisé est "
                                           "ouvert à sa place."));
        return false;
    }
    const QString refus = refusNomFichierGenealogie(chemin, cheminIni());
    if (!refus.isEmpty()) {
        m_dialogues.message(refus);
        return false;
    }
    m_RepDonnees = repertoireDe(chemin);
    basculerVers(chemin);
    memoriserFichierCourant();
    return true;
}

QString TForm1::cheminIni() const {
    return QDir(m_RepProgramme).filePath(NomFichierIni);
}

// A settings file that cannot be read is reported and then ignored: the
// program starts as if there were none.
bool TForm1::lireIniSansBloquer() {
    try {
        // A settings file that holds only this program's own preferences (a
        // display size chosen before any genealogy file) names no file at all.
        if (ini::lireValeur(cheminIni(), SectionIni, CleIni).isEmpty() &&
            (!preferences::lireFichiersRecents(cheminIni()).isEmpty() ||
             !ini::lireValeur(cheminIni(), QStringLiteral("AFFICHAGE"), QStringLiteral("Taille"))
                  .isEmpty()))
            return false;
        LireIni();
        return true;
    } catch (const ErreurVelmoris& e) {
        m_dialogues.erreur(avecPointFinal(e.texte()));
        m_CheminFichier = NomFichierParDefaut;
        return false;
    }
}

void TForm1::LireIni() {
    m_CheminFichier = ini::lireValeur(cheminIni(), SectionIni, CleIni);
    // A save into the settings file itself would leave it unreadable and lose the person.
    if (!m_CheminFichier.isEmpty() && memeFichier(m_CheminFichier, cheminIni())) {
        m_dialogues.message(QStringLiteral("Le fichier de paramètres ") + cheminIni() +
                            QStringLiteral(" se désigne lui-même comme fichier de généalogie : "
                                           "il n'est pas ouvert comme tel"));
        m_CheminFichier.clear();
        return;
    }
    if (fichierExiste(m_CheminFichier)) {
        m_RepDonnees = repertoireDe(m_CheminFichier);
    } else {
        m_dialogues.message(QStringLiteral("Le fichier ") + m_CheminFichier +
                            QStringLiteral(" n'existe plus"));
        m_CheminFichier.clear();
    }
}

void TForm1::EcrireIni() {
    ini::ecrireValeur(cheminIni(), SectionIni, CleIni, m_CheminFichier);
}

// The genealogy file is in use whatever happens to the settings file: when
// it cannot be written, the user learns which file failed and what it means.
void TForm1::memoriserFichierCourant() {
    try {
        EcrireIni();
        preferences::ecrireFichiersRecents(
            cheminIni(), preferences::avecRecent(preferences::lireFichiersRecents(cheminIni()),
                                                 m_CheminFichier));
        mettreAJourFichiersRecents();
    } catch (const ErreurVelmoris& e) {
        m_dialogues.message(
            QStringLiteral("Le fichier de paramètres %1 n'a pas pu être écrit (%2).\r"
                           "Le fichier de généalogie %3 est bien ouvert, mais il ne sera pas "
                           "rouvert de lui-même au prochain démarrage.")
                .arg(cheminIni(), avecPointFinal(e.texte()), m_CheminFichier));
    }
}

// Names the settings file cannot hold faithfully, and the settings file itself,
// are refused with a message; the dialog is shown again.
std::optional<QString> TForm1::choisirFichierGenealogie(bool enregistrement,
                                                        const ParametresDialogueFichier& p) {
    for (;;) {
        const auto choix =
            enregistrement ? m_dialogues.enregistrerFichier(p) : m_dialogues.ouvrirFichier(p);
        if (!choix) return choix;
        const QString refus = refusNomFichierGenealogie(*choix, cheminIni());
        if (refus.isEmpty()) return choix;
        m_dialogues.message(refus);
    }
}

// A file with no record (empty, or not there yet) leaves a blank form whose
// next save appends record 0 to it, not a record of the previous file.
void TForm1::afficherPremiereFiche() {
    pAfficherEnreg(0);
    bool sansFiche = !fichierExiste(m_CheminFichier);
    if (!sansFiche) {
        m_FichierGenea->ouvrir(m_CheminFichier);
        FermetureGarantie fermeture(*m_FichierGenea);
        sansFiche = m_FichierGenea->nombreFiches() == 0;
        m_FichierGenea->fermer();
    }
    if (sansFiche) passerEnNouvelleFiche();
    signalerFicheIncomplete();
}

// Bytes after the last whole record (a write a crash cut short, a damaged
// copy) are never read as a person: the user is told when the file opens.
void TForm1::signalerFicheIncomplete() {
    if (!fichierExiste(m_CheminFichier)) return;
    std::int64_t nombre = 0, reste = 0;
    m_FichierGenea->ouvrir(m_CheminFichier);
    {
        FermetureGarantie fermeture(*m_FichierGenea);
        nombre = m_FichierGenea->nombreFiches();
        reste = m_FichierGenea->octetsApresLaDerniereFiche();
        m_FichierGenea->fermer();
    }
    if (reste)
        m_dialogues.message(QStringLiteral("Fiche incomplète dans %1 : ").arg(m_CheminFichier) +
                            phraseFicheIncomplete(nombre, reste));
}

// The switch is whole or does not happen: the target is opened first, and
// nothing of the previous file stays on the form once the path has changed,
// so a record of one file is never saved into another.
void TForm1::basculerVers(const QString& chemin) {
    // A copy cut short is finished even when its records were not in place yet.
    rejouerJournalEventuel(chemin);
    if (fichierExiste(chemin)) {
        m_FichierGenea->ouvrir(chemin);
        FermetureGarantie fermeture(*m_FichierGenea);
        m_FichierGenea->nombreFiches();
        m_FichierGenea->fermer();
    }
    passerEnNouvelleFiche();
    m_CheminFichier = chemin;
    m_complements->fermer();
    oublierHistorique();
    struct Legende {
        TForm1* form;
        ~Legende() { form->setWindowTitle(form->m_CheminFichier); }
    } legende{this};
    MontrePM();
    afficherPremiereFiche();
    actualiserIndex();
}

void TForm1::creerFichierNeuf(const QString& chemin) {
    try {
        if (const QString ecarte = ecarterComplementsOrphelins(chemin); !ecarte.isEmpty())
            m_dialogues.message(QStringLiteral("Un fichier de compléments d'un ancien fichier du "
                                               "même nom a été mis de côté : %1")
                                    .arg(ecarte));
    } catch (const ErreurComplements& e) {
        m_dialogues.message(avecPointFinal(e.texte()));
    }
    m_FichierGenea->creer(chemin);
    m_FichierGenea->fermer();
}

// Unsaved edits are offered for saving before the current file changes or
// the program ends, with "Annuler" to go back on the command; false when the
// user cancelled or the save did not complete.
bool TForm1::peutQuitterLaFiche() {
    if (!m_Modifie) return true;
    switch (m_dialogues.questionAvecAnnulation(QuestionEnregistrer)) {
    case Dialogues::Reponse::Oui:
        return enregistrer();
    case Dialogues::Reponse::Non:
        return true;
    case Dialogues::Reponse::Annuler:
        break;
    }
    return false;
}

void TForm1::Ouvrir1Click() {
    if (!peutQuitterLaFiche()) return;
    const auto choix =
        choisirFichierGenealogie(false, {QStringLiteral("Nom du fichier de généalogie"),
                                         ExtensionFic, FiltreFichiers, m_RepProgramme, QString()});
    if (!choix) return;
    // A new name is a new genealogy file, made at once, as at start-up.
    if (!fichierExiste(*choix)) {
        creerFichierNeuf(*choix);
        m_dialogues.message(
            QStringLiteral("Le fichier %1 n'existait pas : il a été créé, vide. Tapez la première "
                           "personne et enregistrez-la.")
                .arg(*choix));
    }
    basculerVers(*choix);
    memoriserFichierCourant();
}

// Another genealogy file is replaced by the copy only when the user says so:
// a slip of the mouse in the dialog would otherwise lose a whole tree. A
// folder, a pipe or a device is no genealogy file: said at once.
bool TForm1::remplacementAccepte(const QString& cible) {
    const QFileInfo info(cible);
    if (info.exists() && !info.isFile()) {
        m_dialogues.message(QStringLiteral("« %1 » est %2, pas un fichier de généalogie : la "
                                           "copie ne peut pas y être faite. Choisissez un autre "
                                           "nom.")
                                .arg(cible, info.isDir() ? QStringLiteral("un dossier")
                                                         : QStringLiteral("un fichier spécial")));
        return false;
    }
    if (!info.exists() || info.size() == 0) return true;
    const qint64 personnes = info.size() / TailleFiche;
    return m_dialogues.confirmer(
        QStringLiteral("Le fichier %1 existe déjà et contient %2 personne%3. Le remplacer par une "
                       "copie de %4 ?")
            .arg(cible, QLocale(QLocale::French, QLocale::France).toString(personnes),
                 personnes > 1 ? QStringLiteral("s") : QString(), m_CheminFichier));
}

// The records and their store are copied together, as one change: a crash
// leaves the target as it was or the whole copy, never the new records
// beside the old copy's store.
void TForm1::Enregistrersous1Click() {
    if (!peutQuitterLaFiche()) return;
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    FermetureGarantie fermeture(*m_FichierGenea);
    const auto choix =
        choisirFichierGenealogie(false, {QStringLiteral("Nom du fichier de généalogie"),
                                         ExtensionFic, FiltreFichiers, m_RepProgramme, QString()});
    if (!choix) {
        m_FichierGenea->fermer();
        return;
    }
    const QString cible = *choix;
    // Copying the file onto itself would empty it: then there is nothing to copy.
    if (!memeFichier(m_CheminFichier, cible)) {
        if (!remplacementAccepte(cible)) {
            m_FichierGenea->fermer();
            return;
        }
        m_complements->fermer();
        journal::remplacerParUneCopie(
            cible, QStringLiteral("la copie de %1 en %2").arg(m_CheminFichier, cible),
            [this](const journal::EcrireCopie& ecrire) {
                copierLesFiches(*m_FichierGenea, ecrire);
            },
            complementsACopier(m_CheminFichier));
    }
    m_FichierGenea->fermer();
    basculerVers(cible);
    memoriserFichierCourant();
}

// The four most recent files in the "&Fichiers" menu, as the settings file
// keeps them; a settings file that cannot be read leaves the menu empty.
void TForm1::mettreAJourFichiersRecents() {
    QStringList fichiers;
    try {
        fichiers = preferences::lireFichiersRecents(cheminIni());
    } catch (const ErreurVelmoris&) {
    }
    for (int i = 0; i < FichiersRecents.size(); ++i) {
        FichiersRecents[i]->setVisible(i < fichiers.size());
        FichiersRecents[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(fichiers.value(i)));
        FichiersRecents[i]->setData(fichiers.value(i));
    }
    m_separateurRecents->setVisible(!fichiers.isEmpty());
}

// A file that has gone is taken out of the list, and the user told.
void TForm1::ouvrirFichierRecent(int rang) {
    const QString chemin = FichiersRecents.value(rang)->data().toString();
    if (chemin.isEmpty() || !peutQuitterLaFiche()) return;
    if (!fichierExiste(chemin)) {
        QStringList fichiers = preferences::lireFichiersRecents(cheminIni());
        fichiers.removeAll(chemin);
        preferences::ecrireFichiersRecents(cheminIni(), fichiers);
        mettreAJourFichiersRecents();
        m_dialogues.message(QStringLiteral("Le fichier ") + chemin +
                            QStringLiteral(" n'existe plus : il est retiré de la liste des "
                                           "fichiers récents."));
        return;
    }
    basculerVers(chemin);
    memoriserFichierCourant();
}

void TForm1::Quitter1Click() {
    close();
}

// Closing the main window ends the program, once unsaved edits are saved or
// given up; a save that does not complete keeps the window open.
void TForm1::closeEvent(QCloseEvent* evenement) {
    bool peutFermer = !m_Modifie;
    if (!peutFermer) executer([&] { peutFermer = peutQuitterLaFiche(); });
    if (!peutFermer) {
        evenement->ignore();
        return;
    }
    QMainWindow::closeEvent(evenement);
    QCoreApplication::quit();
}
