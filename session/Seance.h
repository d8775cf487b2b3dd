#pragma once

#include "data/fichier/FamillesConnues.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/journal/Historique.h"
#include "data/journal/Sauvegardes.h"
#include "data/rapports/Rapports.h"
#include "data/recherche/IndexPersonnes.h"
#include "session/ComplementsOuverts.h"
#include "session/Fusion.h"
#include "session/SaisieActe.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class Complements;
class Dialogues;

// The open genealogy file as the windows work on it: its path, the handle
// every command reads and writes it through, its companion store, the
// history of the session's changes, the backup made before the first of
// them, and the record on screen. The windows ask it; only it and the
// layers below it write the file.
class Seance {
public:
    Seance(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier);

    // ---- the file
    const QString& chemin() const { return m_chemin; }
    // Another file is now the open one (or the same, restored): its store
    // is found again at first use, and the history ends.
    void changerDeFichier(const QString& chemin);
    // The file was named only now, the first save creating it.
    void nommer(const QString& chemin) { m_chemin = chemin; }
    FichierEnregistrements& fichier() { return *m_fichier; }
    // The settings file, whose [SAUVEGARDES] section rules the backups.
    void definirIni(const QString& cheminIni) { m_cheminIni = cheminIni; }
    const QString& cheminIni() const { return m_cheminIni; }
    // Opens the file for a command, once a command a crash cut short is
    // undone; false, and the message said, when it is missing.
    bool ouvrir();
    // A command a crash cut short beside `chemin` is finished or undone, and
    // the user told which.
    void rejouerJournal(const QString& chemin);

    // ---- the record on screen: its number, -1 for a person not saved yet
    std::int32_t numero() const { return m_numero; }
    void definirNumero(std::int32_t numero) { m_numero = numero; }
    // The number, or the conversion error of an empty number when the
    // person is not saved yet (as the commands that need it always said).
    std::int32_t numeroExige() const;

    // ---- the companion store
    // Found at first use; null when the file has none (and `creer` is
    // false) or when it cannot serve (told once).
    Complements* complements(bool creer = false);
    std::unique_ptr<FamillesConnues> famillesConnues();
    // The adoptive parents the store knows, by child, each person checked
    // against their record; empty without a store.
    ParentsAdoptifs parentsAdoptifs();
    // The names the store keeps beside the records', for the index's filter.
    std::vector<AutreNom> autresNoms();
    // A write on the store alone, outside the history; false once told
    // when it could not be done.
    bool ecrireComplements(bool creer, const std::function<void(Complements&)>& ecriture);
    void fermerComplements() { m_complements.fermer(); }

    // ---- changes
    // Writes a change whole (through the journal when it needs one), its
    // store's part with it, and keeps it for an undo; the first change of
    // the session makes a backup first. The file is open.
    void ecrireChangement(const Modification& modification,
                          const std::function<void(Complements&)>& complements = {},
                          bool creerComplements = false);
    // The user's note of a person, as a change of the store kept like any
    // other; false when the store could not take it.
    bool ecrireNote(std::int32_t numero, const TFiche& personne, const QString& note,
                    const QString& libelle);
    // A change of the store, with the records `fiches` changes with it,
    // kept for an undo under `libelle`, the person `numero` shown again;
    // false when the store could not take it (told).
    bool ecrireAuMagasin(std::int32_t numero, const QString& libelle,
                         const std::function<void(Complements&)>& ecriture,
                         const Modification& fiches = {});
    // An act entered at once, as one change kept for an undo, its store
    // created when needed; returns the record of each role and what it
    // could not link. Raises ErreurVelmoris when the act cannot be kept.
    ActePrepare enregistrerActe(const Acte& acte);
    // Two records of one person merged, backed up first, as one change kept
    // for an undo. Raises ErreurVelmoris when they cannot be merged.
    FusionPreparee fusionner(std::int32_t premier, std::int32_t second, const ChoixDeFusion& choix);
    // The register of the last act entered, to offer it again.
    SourceDeLActe derniereSource();
    // The persons of a GEDCOM file appended after the records, their
    // store's part with them, as one change kept for an undo. The file is open.
    struct ImportALaSuite {
        ResultatImport resultat;
        std::int32_t premier = 0; // the first person imported
        QString avertissement;    // empty, or why the store could not keep its part
    };
    ImportALaSuite importerALaSuite(const QString& source);
    // Once per file and session, before its first change; a backup that
    // cannot be made is told, and the editing goes on.
    void sauvegarderAvantPremierChangement();
    // The state now counts as backed up (it has just been).
    void sauvegardeFaite() { m_fichierSauvegarde = m_chemin; }

    // ---- the history
    bool peutAnnuler() const { return m_historique.peutAnnuler(); }
    bool peutRetablir() const { return m_historique.peutRetablir(); }
    QString texteAnnuler() const { return m_historique.texteAnnuler(); }
    QString texteRetablir() const { return m_historique.texteRetablir(); }
    // Each returns the person to show.
    std::int32_t annuler();
    std::int32_t retablir();

    // ---- the file replaced whole
    // A backup put in the file's place with its store, the state before
    // backed up first.
    void restaurer(const sauvegardes::Sauvegarde& sauvegarde, const QString& libelle);
    // The open file and its store copied to `cible` together. The file is open.
    void copierVers(const QString& cible);

private:
    Dialogues& m_dialogues;
    std::unique_ptr<FichierEnregistrements> m_fichier;
    QString m_chemin;
    QString m_cheminIni;
    ComplementsOuverts m_complements;
    Historique m_historique;
    QString m_fichierSauvegarde; // the file this session has backed up, or tried to
    std::int32_t m_numero = -1;
};
