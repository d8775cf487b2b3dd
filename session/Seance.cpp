#include "session/Seance.h"

#include "data/complements/Complements.h"
#include "data/complements/FichierComplements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/OperationsFichier.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/journal/CopieEnsemble.h"
#include "data/journal/Journal.h"
#include "platform/Dialogues.h"
#include "session/OuvrirFichier.h"

#include <QFileInfo>

Seance::Seance(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier)
    : m_dialogues(dialogues), m_fichier(std::move(fichier)),
      m_complements([this](const QString& message) { m_dialogues.message(message); }) {}

void Seance::changerDeFichier(const QString& chemin) {
    m_chemin = chemin;
    m_complements.fermer();
    m_historique.vider();
    m_fichierSauvegarde.clear();
    m_numero = -1;
}

bool Seance::ouvrir() {
    return OuvrirFichier(*m_fichier, m_chemin, m_dialogues);
}

void Seance::rejouerJournal(const QString& chemin) {
    const QString message = journal::rejouerSiPresent(chemin);
    if (message.isEmpty()) return;
    m_complements.fermer(); // read again as the playback left it
    m_dialogues.message(message);
}

std::int32_t Seance::numeroExige() const {
    if (m_numero < 0) throw ErreurConversion(QString());
    return m_numero;
}

Complements* Seance::complements(bool creer) {
    return m_complements.de(m_chemin, creer);
}

std::unique_ptr<FamillesConnues> Seance::famillesConnues() {
    Complements* base = complements();
    if (!base) return nullptr;
    return std::make_unique<FamillesDesComplements>(*base, *m_fichier);
}

ParentsAdoptifs Seance::parentsAdoptifs() {
    ParentsAdoptifs adoptifs;
    Complements* base = complements();
    if (!base) return adoptifs;
    FamillesDesComplements familles(*base, *m_fichier);
    for (const EntreeCouple& c : base->couples(false)) {
        const bool mari = c.mari >= 0 && familles.estToujours(c.mari, c.empreinteMari);
        const bool femme = c.femme >= 0 && familles.estToujours(c.femme, c.empreinteFemme);
        for (const EntreeCouple::Enfant& e : c.enfants) {
            if (e.filiation != "adopted" || !familles.estToujours(e.fiche, e.empreinte)) continue;
            std::vector<std::int32_t>& parents = adoptifs[e.fiche];
            if (mari) parents.push_back(c.mari);
            if (femme) parents.push_back(c.femme);
        }
    }
    return adoptifs;
}

std::vector<AutreNom> Seance::autresNoms() {
    std::vector<AutreNom> noms;
    if (Complements* base = complements())
        base->parcourirNoms(
            [&](std::int32_t fiche, const std::string& empreinte, const std::string& nom) {
                noms.push_back({fiche, empreinte, QString::fromStdString(nom)});
            });
    return noms;
}

bool Seance::ecrireComplements(bool creer, const std::function<void(Complements&)>& ecriture) {
    return m_complements.ecrire(m_chemin, creer, ecriture);
}

void Seance::ecrireChangement(const Modification& modification,
                              const std::function<void(Complements&)>& complements,
                              bool creerComplements) {
    sauvegarderAvantPremierChangement();
    EtapeComplements etape;
    if (complements) etape = m_complements.etape(m_chemin, creerComplements, complements);
    m_historique.ajouter(appliquerEnSurete(*m_fichier, m_chemin, modification, etape));
}

Seance::ImportALaSuite Seance::importerALaSuite(const QString& source) {
    m_complements.fermer();
    ComplementsDImport complements(m_chemin, true);
    ImportALaSuite import;
    import.premier = static_cast<std::int32_t>(m_fichier->nombreFiches());
    import.resultat = importerGedcomFichier(source, import.premier, complements.options());
    sauvegarderAvantPremierChangement();
    m_historique.ajouter(ajouterAuFichier(*m_fichier, m_chemin, import.resultat.fiches,
                                          import.premier, complements.etape(import.resultat)));
    import.avertissement = complements.avertissement();
    return import;
}

bool Seance::ecrireNote(std::int32_t numero, const TFiche& personne, const QString& note,
                        const QString& libelle) {
    return ecrireAuMagasin(numero, libelle, [=](Complements& c) {
        c.ecrireNote(numero, personne, note.toStdString());
    });
}

bool Seance::ecrireAuMagasin(std::int32_t numero, const QString& libelle,
                             const std::function<void(Complements&)>& ecriture,
                             const Modification& fiches) {
    const EtapeComplements etape = m_complements.etape(m_chemin, true, ecriture);
    if (!etape) return false;
    Modification modification = fiches;
    modification.libelle = libelle;
    modification.personne = numero;
    if (!ouvrir()) return false;
    FermetureGarantie fermeture(*m_fichier);
    sauvegarderAvantPremierChangement();
    EntreeHistorique entree = appliquerEnSurete(*m_fichier, m_chemin, modification, etape);
    const bool ecrite = !entree.complementsAller.isEmpty();
    if (ecrite) m_historique.ajouter(std::move(entree));
    m_fichier->fermer();
    return ecrite;
}

ActePrepare Seance::enregistrerActe(const Acte& acte) {
    if (!ouvrir()) throw ErreurVelmoris(QStringLiteral("L'acte n'est pas enregistré"));
    FermetureGarantie fermeture(*m_fichier);
    ActePrepare prepare = preparerActe(*m_fichier, acte);
    // The act's event, citation and witnesses live in the store: without
    // one, nothing of it is written.
    if (!complements(true))
        throw ErreurVelmoris(QStringLiteral("Le fichier de compléments ne peut pas servir : "
                                            "l'acte n'est pas enregistré"));
    ecrireChangement(prepare.modification, prepare.magasin, true);
    m_fichier->fermer();
    return prepare;
}

FusionPreparee Seance::fusionner(std::int32_t premier, std::int32_t second,
                                 const ChoixDeFusion& choix) {
    if (!ouvrir()) throw ErreurVelmoris(QStringLiteral("La fusion n'est pas faite"));
    FermetureGarantie fermeture(*m_fichier);
    FusionPreparee fusion = preparerFusion(*m_fichier, premier, second, choix);
    if (fusion.magasinNecessaire && !complements(true))
        throw ErreurVelmoris(QStringLiteral("Le fichier de compléments ne peut pas servir : la "
                                            "fusion, qui doit y garder les autres versions, "
                                            "n'est pas faite"));
    // Every merge is backed up first, not only the session's first change.
    m_fichierSauvegarde.clear();
    ecrireChangement(fusion.modification, fusion.magasin, fusion.magasinNecessaire);
    m_fichier->fermer();
    return fusion;
}

SourceDeLActe Seance::derniereSource() {
    Complements* c = complements();
    if (!c) return {};
    try {
        return SourceDeLActe::depuisTexte(QString::fromStdString(c->valeurMeta(CleDerniereSource)));
    } catch (const ErreurComplements&) {
        return {}; // offered empty, as for a first act
    }
}

void Seance::sauvegarderAvantPremierChangement() {
    if (m_fichierSauvegarde == m_chemin) return;
    m_fichierSauvegarde = m_chemin;
    const sauvegardes::Reglages reglages = sauvegardes::lireReglages(m_cheminIni);
    if (!reglages.actives || QFileInfo(m_chemin).size() == 0) return;
    if (sauvegardes::depasseLaLimite(m_chemin, reglages) &&
        !m_dialogues.confirmer(
            QStringLiteral("Le fichier %1 est plus grand que la limite des sauvegardes "
                           "automatiques (%2 Mo, réglable dans la section [SAUVEGARDES] de "
                           "VELMOR.INI). Le sauvegarder quand même avant sa première "
                           "modification ?")
                .arg(m_chemin)
                .arg(reglages.limiteOctets >> 20)))
        return;
    try {
        sauvegardes::sauvegarder(m_chemin, reglages);
    } catch (const ErreurVelmoris& e) {
        m_dialogues.message(avecPointFinal(e.texte()) +
                            QStringLiteral("\rLa modification se fait quand même ; pensez à "
                                           "copier le fichier vous-même."));
    }
}

std::int32_t Seance::annuler() {
    return m_historique.annuler(m_chemin, [this](const QByteArray& changements) {
        m_complements.revenir(m_chemin, changements);
    });
}

std::int32_t Seance::retablir() {
    return m_historique.retablir(m_chemin, [this](const QByteArray& changements) {
        m_complements.revenir(m_chemin, changements);
    });
}

void Seance::restaurer(const sauvegardes::Sauvegarde& sauvegarde, const QString& libelle) {
    const sauvegardes::Reglages reglages = sauvegardes::lireReglages(m_cheminIni);
    m_complements.fermer();
    sauvegardes::sauvegarder(m_chemin, reglages);
    sauvegardes::restaurer(m_chemin, sauvegarde, libelle);
}

void Seance::copierVers(const QString& cible) {
    m_complements.fermer();
    journal::remplacerParUneCopie(
        cible, QStringLiteral("la copie de %1 en %2").arg(m_chemin, cible),
        [this](const journal::EcrireCopie& ecrire) { copierLesFiches(*m_fichier, ecrire); },
        complementsACopier(m_chemin));
}
