// The "&Outils" menu: GEDCOM export and import, approximate search, file check.
#include "forms/UVelmorS.h"

#include "data/vivants/Vivants.h"

#include "session/Seance.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Preferences.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/gedcom/Gedcom.h"
#include "data/recherche/Recherches.h"
#include "data/recherche/Verification.h"
#include "data/recherche/VerificationComplements.h"
#include "forms/UEnfants.h"
#include "forms/uRapport.h"
#include "platform/Dialogues.h"
#include "session/Commandes.h"
#include "session/OuvrirFichier.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QTextDocument>

namespace {

const QString FiltreGedcom = QStringLiteral("Fichiers GEDCOM |*.GED");

} // namespace

void TForm1::montrerRapport(const QString& titre, const QStringList& lignes) {
    TRapport rapport(titre, lignes, this);
    connect(&rapport, &TRapport::impressionDemandee, this, [this, &rapport] {
        executer([&] {
            if (!imprimanteDisponible()) {
                m_dialogues.message(
                    QStringLiteral("Aucune imprimante n'est installée : copiez le rapport "
                                   "avec le bouton Copier."));
                return;
            }
            rapport.Texte->document()->print(&imprimanteChoisie());
        });
    });
    m_dialogues.executerModal(rapport);
}

// Portraits go out by their full path, or copied beside the GEDCOM file where
// another program finds them wherever the two are moved together.
void TForm1::ExporterGedcom1Click() {
    std::int64_t portraits = 0;
    if (!surLeFichier([&] {
            parcourirFiches(m_seance->fichier(), [&](std::int32_t, const TFiche& f) {
                portraits += f.Photo.vide() ? 0 : 1;
                return true;
            });
        }))
        return;
    const auto choix = m_dialogues.enregistrerFichier({QStringLiteral("Exporter en GEDCOM"),
                                                       QStringLiteral("*.GED"), FiltreGedcom,
                                                       m_RepProgramme, QString()});
    if (!choix) return;
    refuserSiFichierGenealogie(*choix, m_seance->chemin(), QStringLiteral("L'export GEDCOM"));
    OptionsExport options;
    options.cheminFichier = m_seance->chemin();
    options.dossierGedcom = QFileInfo(*choix).absolutePath();
    if (portraits) {
        const int reponse = m_dialogues.choix(
            QStringLiteral("%1 personne(s) ont un portrait. Comment le fichier GEDCOM doit-il "
                           "les nommer ?")
                .arg(portraits),
            {QStringLiteral("Par leur chemin complet"),
             QStringLiteral("Copiés à côté du fichier GEDCOM"), QStringLiteral("Annuler")});
        if (reponse < 0 || reponse == 2) return;
        options.copierPortraits = reponse == 1;
    }
    // The store the window keeps open: checked once, at its first use.
    options.complements = complements();
    const auto confidentialite =
        choisirLaConfidentialite(QStringLiteral("ce fichier GEDCOM"), nullptr);
    if (!confidentialite) return;
    if (confidentialite->actif()) {
        options.vivants = &confidentialite->presomption.vivant;
        options.traitement = confidentialite->traitement;
    }
    ResultatExport resultat;
    surLeFichier([&] { resultat = exporterVersFichier(m_seance->fichier(), *choix, options); });
    m_dialogues.message(resumeExport(resultat, *choix, options).join(u'\r'));
}

// The imported persons go into a new file, or after the records of the open
// file; an existing file is never replaced or added to by the new-file path.
void TForm1::ImporterGedcom1Click() {
    if (!peutQuitterLaFiche()) return;
    const auto source = m_dialogues.ouvrirFichier({QStringLiteral("Fichier GEDCOM à importer"),
                                                   QStringLiteral("*.GED"), FiltreGedcom,
                                                   m_RepProgramme, QString()});
    if (!source) return;
    if (!fichierExiste(*source)) throw ErreurES(ErreurES::FichierIntrouvable);
    bool ajout = false;
    if (fichierExiste(m_seance->chemin())) {
        const int reponse = m_dialogues.choix(QStringLiteral("Où mettre les personnes importées ?"),
                                              {QStringLiteral("Les ajouter au fichier ouvert"),
                                               QStringLiteral("Créer un nouveau fichier"),
                                               QStringLiteral("Annuler")});
        if (reponse < 0 || reponse == 2) return;
        ajout = reponse == 0;
    }
    if (ajout) {
        Seance::ImportALaSuite import;
        if (!surLeFichier([&] { import = m_seance->importerALaSuite(*source); })) return;
        MontrePM();
        pAfficherEnreg(import.premier);
        actualiserIndex();
        montrerRapport(
            QStringLiteral("Importation GEDCOM"),
            resumeImport(import.resultat, *source, m_seance->chemin(), true, import.avertissement));
        return;
    }
    // Read before the new file is named: a new file's store starts with import 1.
    const ResultatImport resultat = importerGedcomFichier(*source);
    std::optional<QString> cible;
    for (;;) {
        cible = choisirFichierGenealogie(true, {QStringLiteral("Nouveau fichier de généalogie"),
                                                QStringLiteral("*.FIC"),
                                                QStringLiteral("Fichiers de généalogie |*.FIC"),
                                                m_RepProgramme, QString(), false});
        if (!cible) return;
        if (!fichierExiste(*cible)) break;
        m_dialogues.message(QStringLiteral("Le fichier %1 existe déjà : l'importation crée "
                                           "toujours un nouveau fichier. Choisissez un autre "
                                           "nom, ou ouvrez ce fichier et ajoutez-y l'importation.")
                                .arg(*cible));
    }
    const QString avertissement = creationDepuisImport(*cible, resultat);
    basculerVers(*cible);
    memoriserFichierCourant();
    montrerRapport(QStringLiteral("Importation GEDCOM"),
                   resumeImport(resultat, *source, *cible, false, avertissement));
}

void TForm1::RechercheApprochee1Click() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    MontrePM();
    const QString titre = QStringLiteral("RECHERCHE APPROCHÉE");
    const QString nom =
        m_dialogues.saisie(titre, QStringLiteral("Début du nom cherché ?"), QString());
    const QString prenom =
        m_dialogues.saisie(titre, QStringLiteral("Début du prénom cherché ?"), QString());
    Form2->commencer(QStringLiteral("Sélectionnez une personne et cliquez sur Fermer, ou Annuler"));
    const CritereApproche critere(nom, prenom);
    parcourirFiches(m_seance->fichier(), [&critere](std::int32_t numero, const TFiche& fiche) {
        if (critere.correspond(fiche)) Form2->ajouter(lignePersonne(fiche), numero);
        return true;
    });
    m_seance->fichier().fermer();
    if (const auto choix = Form2->choisir(m_dialogues)) {
        MontrePM();
        pAfficherEnreg(*choix);
    }
}

void TForm1::VerifierFichier1Click() {
    RapportVerification rapport;
    if (!surLeFichier([&] {
            rapport = verifierFichier(m_seance->fichier());
            if (Complements* base = complements())
                verifierComplements(*base, m_seance->fichier(), rapport);
        }))
        return;
    montrerRapport(QStringLiteral("Vérification du fichier"), rapport.texte(m_seance->chemin()));
}

void TForm1::marquerTailleAffichage() {
    QString taille = preferences::taillesAffichage().front();
    try {
        taille = preferences::lireTailleAffichage(cheminIni());
    } catch (const ErreurVelmoris&) {
    }
    for (QAction* choix : TaillesAffichage)
        choix->setChecked(choix->objectName() == QStringLiteral("Taille") + taille);
}

// The display size applies from the next start: Qt scales every window
// uniformly only when the program starts.
void TForm1::choisirTailleAffichage(const QString& taille) {
    preferences::ecrireTailleAffichage(cheminIni(), taille);
    marquerTailleAffichage();
    const int reponse =
        m_dialogues.choix(QStringLiteral("La nouvelle taille de l'affichage s'applique au prochain "
                                         "démarrage de Velmoris."),
                          {QStringLiteral("Redémarrer maintenant"), QStringLiteral("Plus tard")});
    if (reponse != 0 || !peutQuitterLaFiche()) return;
    QStringList arguments;
    if (fichierExiste(m_seance->chemin()))
        arguments << QFileInfo(m_seance->chemin()).absoluteFilePath();
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments,
                                 QDir::currentPath()))
        throw ErreurVelmoris(QStringLiteral("Velmoris n'a pas pu être redémarré : la nouvelle "
                                            "taille s'appliquera au prochain démarrage"));
    m_Modifie = false;
    close();
}
