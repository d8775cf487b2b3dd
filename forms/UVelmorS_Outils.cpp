// The "&Outils" menu: GEDCOM export and import, approximate search, file check.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/FichierIni.h"
#include "data/FichiersSurs.h"
#include "data/Gedcom.h"
#include "data/OperationsFichier.h"
#include "data/Recherches.h"
#include "data/Verification.h"
#include "forms/UEnfants.h"
#include "forms/uRapport.h"
#include "platform/Dialogues.h"

#include <QFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextDocument>

namespace {

const QString FiltreGedcom = QStringLiteral("Fichiers GEDCOM |*.GED");

void ecrireAtomiquement(const QString& chemin, const QByteArray& contenu) {
    EcritureAtomique fichier(chemin);
    fichier.ecrire(contenu);
    fichier.valider();
}

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

void TForm1::ExporterGedcom1Click() {
    ResultatExport resultat;
    if (!surLeFichier([&] { resultat = exporterGedcom(*m_FichierGenea); })) return;
    const auto choix = m_dialogues.enregistrerFichier({QStringLiteral("Exporter en GEDCOM"),
                                                       QStringLiteral("*.GED"), FiltreGedcom,
                                                       m_RepProgramme, QString()});
    if (!choix) return;
    refuserSiFichierGenealogie(*choix, m_CheminFichier, QStringLiteral("L'export GEDCOM"));
    ecrireAtomiquement(*choix, resultat.gedcom);
    QString message = QStringLiteral("%1 personne(s) et %2 famille(s) exportées dans %3.")
                          .arg(resultat.personnes)
                          .arg(resultat.familles)
                          .arg(*choix);
    if (resultat.liensPendants)
        message += QStringLiteral(
                       "\r%1 lien(s) vers des fiches qui n'existent pas ont été laissés de côté.")
                       .arg(resultat.liensPendants);
    if (resultat.caracteresDeControle)
        message += QStringLiteral("\r%1 caractère(s) de contrôle, venus d'un fichier endommagé ou "
                                  "étranger, ont été laissés de côté.")
                       .arg(resultat.caracteresDeControle);
    m_dialogues.message(message);
}

void TForm1::ImporterGedcom1Click() {
    if (!peutQuitterLaFiche()) return;
    const auto source = m_dialogues.ouvrirFichier({QStringLiteral("Fichier GEDCOM à importer"),
                                                   QStringLiteral("*.GED"), FiltreGedcom,
                                                   m_RepProgramme, QString()});
    if (!source) return;
    if (!fichierExiste(*source)) throw ErreurES(ErreurES::FichierIntrouvable);
    const ResultatImport resultat = importerGedcom(
        lireFichierBorne(*source, TailleMaxGedcom, QStringLiteral("Le fichier GEDCOM")));
    const auto cible = choisirFichierGenealogie(
        true, {QStringLiteral("Nouveau fichier de généalogie"), QStringLiteral("*.FIC"),
               QStringLiteral("Fichiers de généalogie |*.FIC"), m_RepProgramme, QString()});
    if (!cible) return;
    if (fichierExiste(*cible) && !m_dialogues.questionAvertissement(
                                     QStringLiteral("Le fichier ") + *cible +
                                     QStringLiteral(" existe déjà. Voulez-vous le remplacer ?")))
        return;
    QByteArray octets;
    for (const TFiche& f : resultat.fiches) {
        std::uint8_t enregistrement[TailleFiche];
        encoderFiche(f, enregistrement);
        octets.append(reinterpret_cast<const char*>(enregistrement), TailleFiche);
    }
    ecrireAtomiquement(*cible, octets);
    basculerVers(*cible);
    memoriserFichierCourant();
    QStringList lignes{QStringLiteral("%1 personne(s) importée(s) de %2.")
                           .arg(resultat.fiches.size())
                           .arg(*source)};
    lignes << (resultat.rapport.isEmpty()
                   ? QStringList{QStringLiteral("Tout a été gardé fidèlement.")}
                   : resultat.rapport);
    montrerRapport(QStringLiteral("Importation GEDCOM"), lignes);
}

void TForm1::RechercheApprochee1Click() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    FermetureGarantie fermeture(*m_FichierGenea);
    MontrePM();
    const QString titre = QStringLiteral("RECHERCHE APPROCHÉE");
    const QString nom =
        m_dialogues.saisie(titre, QStringLiteral("Début du nom cherché ?"), QString());
    const QString prenom =
        m_dialogues.saisie(titre, QStringLiteral("Début du prénom cherché ?"), QString());
    Form2->commencer(QStringLiteral("Sélectionnez une personne et cliquez sur Fermer, ou Annuler"));
    const CritereApproche critere(nom, prenom);
    parcourirFiches(*m_FichierGenea, [&critere](std::int32_t numero, const TFiche& fiche) {
        if (critere.correspond(fiche)) Form2->ajouter(lignePersonne(fiche), numero);
        return true;
    });
    m_FichierGenea->fermer();
    if (const auto choix = Form2->choisir(m_dialogues)) {
        MontrePM();
        pAfficherEnreg(*choix);
    }
}

void TForm1::VerifierFichier1Click() {
    RapportVerification rapport;
    if (!surLeFichier([&] { rapport = verifierFichier(*m_FichierGenea); })) return;
    montrerRapport(QStringLiteral("Vérification du fichier"), rapport.texte(m_CheminFichier));
}
