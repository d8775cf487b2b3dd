// Start-up, the settings file and the commands of the "&Fichiers" menu.
#include "forms/UVelmorS.h"

#include "data/FichierIni.h"
#include "data/OperationsFichier.h"
#include "data/Texte.h"
#include "platform/Dialogues.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>

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

    if (fichierExiste(QDir(m_RepProgramme).filePath(NomFichierIni))) {
        LireIni();
        pAfficherEnreg(0);
    } else if (fichierExiste(NomFichierParDefaut)) {
        pAfficherEnreg(0);
    } else if (m_dialogues.questionAvertissement(
                   QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"))) {
        const auto choix = m_dialogues.ouvrirFichier(
            {QStringLiteral("Nom du fichier de généalogie à charger ou à créer"), ExtensionFic,
             FiltreDemarrage, m_RepProgramme, QString()});
        if (choix) {
            m_CheminFichier = *choix;
            if (fichierExiste(m_CheminFichier)) {
                pAfficherEnreg(0);
            } else {
                m_FichierGenea->creer(m_CheminFichier);
                m_FichierGenea->fermer();
                EcrireIni();
            }
        }
    }
    setWindowTitle(m_CheminFichier);
    m_Modifie = false;
}

void TForm1::LireIni() {
    m_CheminFichier =
        ini::lireValeur(QDir(m_RepProgramme).filePath(NomFichierIni), SectionIni, CleIni);
    if (fichierExiste(m_CheminFichier)) {
        m_RepDonnees = repertoireDe(m_CheminFichier);
    } else {
        m_dialogues.message(QStringLiteral("Le fichier ") + m_CheminFichier +
                            QStringLiteral(" n'existe plus"));
        m_CheminFichier.clear();
    }
}

void TForm1::EcrireIni() {
    ini::ecrireValeur(QDir(m_RepProgramme).filePath(NomFichierIni), SectionIni, CleIni,
                      m_CheminFichier);
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
}

void TForm1::basculerVers(const QString& chemin) {
    m_CheminFichier = chemin;
    MontrePM();
    afficherPremiereFiche();
    setWindowTitle(m_CheminFichier);
}

void TForm1::Ouvrir1Click() {
    const auto choix =
        m_dialogues.ouvrirFichier({QStringLiteral("Nom du fichier de généalogie"), ExtensionFic,
                                   FiltreFichiers, m_RepProgramme, QString()});
    if (!choix) return;
    m_CheminFichier = *choix;
    EcrireIni();
    basculerVers(*choix);
}

void TForm1::Enregistrersous1Click() {
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    {
        FermetureGarantie fermeture(*m_FichierGenea);
        const auto choix =
            m_dialogues.ouvrirFichier({QStringLiteral("Nom du fichier de généalogie"), ExtensionFic,
                                       FiltreFichiers, m_RepProgramme, QString()});
        if (!choix) {
            m_FichierGenea->fermer();
            return;
        }
        // Copying the file onto itself would empty it: then there is nothing to copy.
        if (!memeFichier(m_CheminFichier, *choix)) copierFiches(*m_FichierGenea, *choix);
        m_FichierGenea->fermer();
        m_CheminFichier = *choix;
    }
    basculerVers(m_CheminFichier);
    EcrireIni();
}

void TForm1::Quitter1Click() {
    close();
}

// Closing the main window ends the program; unsaved edits are dropped.
void TForm1::closeEvent(QCloseEvent* evenement) {
    QMainWindow::closeEvent(evenement);
    QCoreApplication::quit();
}
