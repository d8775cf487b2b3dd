// Start-up, the settings file and the commands of the "&Fichiers" menu.
#include "forms/UVelmorS.h"

#include "session/Seance.h"

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
    m_seance->definirIni(cheminIni());
    m_seance->nommer(NomFichierParDefaut);
    // Whatever stops the start-up, the caption names the current file and
    // the form counts as unchanged.
    struct Fin {
        TForm1* form;
        ~Fin() {
            form->setWindowTitle(form->m_seance->chemin());
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
            m_seance->nommer(*choix);
            if (fichierExiste(m_seance->chemin())) {
                pAfficherEnreg(0);
            } else {
                creerFichierNeuf(m_seance->chemin());
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
        m_seance->nommer(NomFichierParDefaut);
        return false;
    }
}

void TForm1::LireIni() {
    m_seance->nommer(ini::lireValeur(cheminIni(), SectionIni, CleIni));
    // A save into the settings file itself would leave it unreadable and lose the person.
    if (!m_seance->chemin().isEmpty() && memeFichier(m_seance->chemin(), cheminIni())) {
        m_dialogues.message(QStringLiteral("Le fichier de paramètres ") + cheminIni() +
                            QStringLiteral(" se désigne lui-même comme fichier de généalogie : "
                                           "il n'est pas ouvert comme tel"));
        m_seance->nommer({});
        return;
    }
    if (fichierExiste(m_seance->chemin())) {
        m_RepDonnees = repertoireDe(m_seance->chemin());
    } else {
        m_dialogues.message(QStringLiteral("Le fichier ") + m_seance->chemin() +
                            QStringLiteral(" n'existe plus"));
        m_seance->nommer({});
    }
}

void TForm1::EcrireIni() {
    ini::ecrireValeur(cheminIni(), SectionIni, CleIni, m_seance->chemin());
}

// The genealogy file is in use whatever happens to the settings file: when
// it cannot be written, the user learns which file failed and what it means.
void TForm1::memoriserFichierCourant() {
    try {
        EcrireIni();
        preferences::ecrireFichiersRecents(
            cheminIni(), preferences::avecRecent(preferences::lireFichiersRecents(cheminIni()),
                                                 m_seance->chemin()));
        mettreAJourFichiersRecents();
    } catch (const ErreurVelmoris& e) {
        m_dialogues.message(
            QStringLiteral("Le fichier de paramètres %1 n'a pas pu être écrit (%2).\r"
                           "Le fichier de généalogie %3 est bien ouvert, mais il ne sera pas "
                           "rouvert de lui-même au prochain démarrage.")
                .arg(cheminIni(), avecPointFinal(e.texte()), m_seance->chemin()));
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
    bool sansFiche = !fichierExiste(m_seance->chemin());
    if (!sansFiche) {
        m_seance->fichier().ouvrir(m_seance->chemin());
        FermetureGarantie fermeture(m_seance->fichier());
        sansFiche = m_seance->fichier().nombreFiches() == 0;
        m_seance->fichier().fermer();
    }
    if (sansFiche) passerEnNouvelleFiche();
    signalerFicheIncomplete();
}

// Bytes after the last whole record (a write a crash cut short, a damaged
// copy) are never read as a person: the user is told when the file opens.
void TForm1::signalerFicheIncomplete() {
    if (!fichierExiste(m_seance->chemin())) return;
    std::int64_t nombre = 0, reste = 0;
    m_seance->fichier().ouvrir(m_seance->chemin());
    {
        FermetureGarantie fermeture(m_seance->fichier());
        nombre = m_seance->fichier().nombreFiches();
        reste = m_seance->fichier().octetsApresLaDerniereFiche();
        m_seance->fichier().fermer();
    }
    if (reste)
        m_dialogues.message(QStringLiteral("Fiche incomplète dans %1 : ").arg(m_seance->chemin()) +
                            phraseFicheIncomplete(nombre, reste));
}

// The switch is whole or does not happen: the target is opened first, and
// nothing of the previous file stays on the form once the path has changed,
// so a record of one file is never saved into another.
void TForm1::basculerVers(const QString& chemin) {
    // A copy cut short is finished even when its records were not in place yet.
    m_seance->rejouerJournal(chemin);
    if (fichierExiste(chemin)) {
        m_seance->fichier().ouvrir(chemin);
        FermetureGarantie fermeture(m_seance->fichier());
        m_seance->fichier().nombreFiches();
        m_seance->fichier().fermer();
    }
    passerEnNouvelleFiche();
    m_seance->changerDeFichier(chemin);
    actualiserMenuEdition();
    struct Legende {
        TForm1* form;
        ~Legende() { form->setWindowTitle(form->m_seance->chemin()); }
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
    m_seance->fichier().creer(chemin);
    m_seance->fichier().fermer();
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
                 personnes > 1 ? QStringLiteral("s") : QString(), m_seance->chemin()));
}

// The records and their store are copied together, as one change: a crash
// leaves the target as it was or the whole copy, never the new records
// beside the old copy's store.
void TForm1::Enregistrersous1Click() {
    if (!peutQuitterLaFiche()) return;
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    const auto choix =
        choisirFichierGenealogie(false, {QStringLiteral("Nom du fichier de généalogie"),
                                         ExtensionFic, FiltreFichiers, m_RepProgramme, QString()});
    if (!choix) {
        m_seance->fichier().fermer();
        return;
    }
    const QString cible = *choix;
    // Copying the file onto itself would empty it: then there is nothing to copy.
    if (!memeFichier(m_seance->chemin(), cible)) {
        if (!remplacementAccepte(cible)) {
            m_seance->fichier().fermer();
            return;
        }
        m_seance->copierVers(cible);
    }
    m_seance->fichier().fermer();
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
