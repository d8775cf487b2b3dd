#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"
#include "data/fichier/TFiche.h"
#include "data/vivants/Confidentialite.h"
#include "forms/uCoherence.h"
#include "forms/uDoublons.h"
#include "print/ArbrePapier.h"
#include "session/Commandes.h"
#include "session/Seance.h"

#include <QLabel>
#include <QMainWindow>
#include <QSet>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class BoutonImage;
struct ChoixDuLien;
struct ContenuFiche;
class Complements;
class Dialogues;
class FamillesConnues;
struct ParametresDialogueFichier;
class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class Imprimante;
class QPushButton;
struct DocumentRapport;
struct MembreFamille;
struct FicheFamiliale;

// The save question of every command that leaves the record on screen.
inline const QString QuestionEnregistrer =
    QStringLiteral("Voulez-vous enregistrer les modifications ");

// The main entry window: one person at a time, and every command of the program.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier,
           const QString& fichierAOuvrir = {});
    ~TForm1() override;

    // Shared state of the window.
    const TFiche& FicheCourante() const { return m_FicheCourante; }
    const QString& CheminFichier() const { return m_seance->chemin(); }
    const QString& RepProgramme() const { return m_RepProgramme; }
    const QString& RepDonnees() const { return m_RepDonnees; }
    bool Modifie() const { return m_Modifie; }
    const QString& PhotoChoisie() const { return m_PhotoChoisie; }
    FichierEnregistrements& FichierGenea() { return m_seance->fichier(); }
    // The open file with its store, history and backup.
    Seance& seance() { return *m_seance; }

    // Display.
    void pAfficherEnreg(std::int32_t n);
    void MontrePM();

    // Saving.
    bool DemanderEnregistrement();
    bool DateValide(const QString& date);

    // Start-up and settings file.
    void FormCreate();
    void LireIni();
    void EcrireIni();

    // The printer chosen for the run, and the service that prints on it
    // (replaced by the tests).
    QPrinter& imprimanteChoisie();
    void definirServiceImpression(std::unique_ptr<Imprimante> service);

    // Hands a command line to the launcher; does not wait, reports nothing.
    bool LancerCommande(const QString& ligne, int modeAffichage);

    // Runs a handler through the command wrapper (the general error box).
    void commande(void (TForm1::*gestionnaire)());
    void executer(const std::function<void()>& action);

public slots:
    // File menu.
    void Ouvrir1Click();
    void Enregistrersous1Click();
    void Quitter1Click();
    void RestaurerSauvegarde1Click();
    void Annuler1Click();
    void Retablir1Click();
    // Entry commands.
    void SbNouveauClick();
    void SbEnregistrerClick();
    void SbSupprimerClick();
    // Moves.
    void SbDebutClick();
    void SbPrecedentClick();
    void BtSuivantClick();
    void SbFinClick();
    void BTPereClick();
    void BtMereClick();
    void BtEnfantClick();
    void BtConjointClick();
    // Kinship links.
    void SBChainerClick();
    void SbBriseChainClick();
    // Chart and search.
    void SbArbreClick();
    void SbRechercherClick();
    // Printing.
    void Choixdelimprimante1Click();
    void Imprimer1Click();
    void Apercu1Click();
    void ExporterPdf1Click();
    // Tools.
    void ExporterGedcom1Click();
    void ImporterGedcom1Click();
    void RechercheApprochee1Click();
    void VerifierFichier1Click();
    void IndexDesPersonnes1Click();
    void AllerALaFiche1Click();
    void Complements1Click();
    void ComplementsDetaches1Click();
    void Lieux1Click();
    void SaisirActe1Click();
    void Sources1Click();
    void VerifierCoherence1Click();
    void RechercherDoublons1Click();
    // The persons the store finds by place and date, for the index.
    std::vector<std::pair<std::int32_t, std::string>>
    personnesSelon(const CritereLieuDate& critere);
    // Reports.
    void ListeAscendance1Click();
    void ListeDescendance1Click();
    void FicheFamiliale1Click();
    void LienDeParente1Click();
    void Statistiques1Click();
    // The chart window's own buttons.
    void ImprimerArbreClick();
    void ExporterArbreClick();
    // Portrait, help and About.
    void BtPhotoClick();
    void BtAideClick();
    void Fichierdaide1Click();
    void Apropos1Click();
    // Change events.
    void CBQualiteChange();
    void ENomChange() { marquerModifie(); }
    void EPrenomChange() { marquerModifie(); }
    void EDNChange() { marquerModifie(); }
    void ELNChange() { marquerModifie(); }
    void EDMChange() { marquerModifie(); }
    void ELMChange() { marquerModifie(); }
    void EDDChange() { marquerModifie(); }
    void ELDChange() { marquerModifie(); }
    void EProfessionChange() { marquerModifie(); }
    void ENBEChange() { marquerModifie(); }

public:
    // The form holds edits not saved yet: the Edit menu offers to drop them.
    void marquerModifie();
    // Shows a record, as the other moves do: the save question first when
    // the form holds edits; false when the user's save did not complete.
    bool allerALaFiche(std::int32_t numero);
    // The chart drawn again around another person, who is shown in the main
    // window; the previous pivot is kept for "Retour".
    void changerDePivot(std::int32_t numero, bool retenir);
    void revenirAuPivotPrecedent();
    // One of the persons of a chart box that shows several, picked in the list.
    void choisirLePivot(const QList<std::int32_t>& numeros);
    // The index, when open, reads the file again.
    void actualiserIndex();
    // The companion store of the open file, found at first use; null when
    // it has none (and `creer` is false) or cannot serve (told once).
    Complements* complements(bool creer = false);
    // What the store knows of families, for the open file; null without a store.
    std::unique_ptr<FamillesConnues> famillesConnues();

    // The spouse search: `fiche` receives the spouse's record, or keeps the
    // caller's with names and dates emptied; returns the spouse's number or -1.
    std::int32_t ChercherConjoint(TFiche& fiche);
    // The records of a person's father and mother, read and shown in their boxes.
    struct Parents {
        TFiche pere;
        TFiche mere;
        bool pereTrouve = false;
        bool mereTrouvee = false;
    };
    Parents ChercherParents(const TFiche& fiche, QPlainTextEdit* boitePere,
                            QPlainTextEdit* boiteMere);
    // The item index of the title combo: -1 when the text typed is no item.
    int indexQualite() const;

    // Controls, named as the window's layout names them.
    QLabel* Label1 = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* CBQualite = nullptr;
    QLabel* LNom = nullptr;
    QLineEdit* ENom = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EPrenom = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* EDN = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* ELN = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* EDM = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* ELM = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* EDD = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* ELD = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* EProfession = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* ENBE = nullptr;
    QGroupBox* GB = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* ENP = nullptr;
    QLineEdit* EPP = nullptr;
    QLineEdit* ENM = nullptr;
    QLineEdit* EPM = nullptr;
    QPushButton* BtPhoto = nullptr;
    QPushButton* BtActe = nullptr;
    QLabel* Panel2 = nullptr;
    QLabel* IPhoto = nullptr;
    BoutonImage* SbArbre = nullptr;
    BoutonImage* SbDebut = nullptr;
    BoutonImage* SbPrecedent = nullptr;
    QLabel* NumEnreg = nullptr;   // shows the session's record number
    QLabel* LCoherence = nullptr; // red while the last check found this person in error
    QLabel* LNomSource = nullptr; // the name as the source wrote it, when the record cannot hold it
    // Under each date: the Gregorian day of a date of another calendar, or
    // the whole date the store keeps beside the record's.
    QLabel* LDateN = nullptr;
    QLabel* LDateM = nullptr;
    QLabel* LDateD = nullptr;
    BoutonImage* BtSuivant = nullptr;
    BoutonImage* SbFin = nullptr;
    BoutonImage* BtPere = nullptr;
    BoutonImage* BtMere = nullptr;
    BoutonImage* BtEnfant = nullptr;
    BoutonImage* BtConjoint = nullptr;
    BoutonImage* SbRechercher = nullptr;
    BoutonImage* BtAide = nullptr;
    BoutonImage* BitBtn1 = nullptr;
    BoutonImage* SbNouveau = nullptr;
    BoutonImage* SbEnregistrer = nullptr;
    BoutonImage* SbSupprimer = nullptr;
    BoutonImage* SbBriseChain = nullptr;
    BoutonImage* SBChainer = nullptr;
    QAction* Ouvrir1 = nullptr;
    QAction* RestaurerSauvegarde1 = nullptr;
    QAction* Annuler1 = nullptr;
    QAction* Retablir1 = nullptr;
    QAction* Enregistrersous1 = nullptr;
    QAction* Quitter1 = nullptr;
    QAction* Choixdelimprimante1 = nullptr;
    QAction* Imprimer1 = nullptr;
    QAction* Apercu1 = nullptr;
    QAction* ExporterPdf1 = nullptr;
    QAction* ExporterGedcom1 = nullptr;
    QAction* ImporterGedcom1 = nullptr;
    QAction* RechercheApprochee1 = nullptr;
    QAction* VerifierFichier1 = nullptr;
    QAction* IndexDesPersonnes1 = nullptr;
    QAction* AllerALaFiche1 = nullptr;
    QAction* Complements1 = nullptr;
    QAction* ComplementsDetaches1 = nullptr;
    QAction* Lieux1 = nullptr;
    QAction* SaisirActe1 = nullptr;
    QAction* Sources1 = nullptr;
    QAction* VerifierCoherence1 = nullptr;
    QAction* RechercherDoublons1 = nullptr;
    QAction* ListeAscendance1 = nullptr;
    QAction* ListeDescendance1 = nullptr;
    QAction* FicheFamiliale1 = nullptr;
    QAction* LienDeParente1 = nullptr;
    QAction* Statistiques1 = nullptr;
    QAction* Fichierdaide1 = nullptr;
    QAction* Apropos1 = nullptr;
    QList<QAction*> FichiersRecents;  // "&1 chemin" … "&4 chemin"
    QList<QAction*> TaillesAffichage; // Automatique, 100 %, 125 %, 150 %, 200 %

protected:
    void showEvent(QShowEvent* evenement) override;
    void closeEvent(QCloseEvent* evenement) override;

private:
    friend class ActionsDeLaFiche;
    std::optional<std::vector<TCoherence::Ligne>> calculerCoherence();
    std::optional<std::vector<TDoublons::Ligne>> calculerDoublons();
    bool fusionnerDeuxFiches(std::int32_t premier, std::int32_t second, std::int32_t& fusionnee);
    CoteDeFusion coteDeFusion(std::int32_t numero);
    void montrerMarqueDeCoherence();
    // What a publication (export, report, chart, listing) does of the persons
    // presumed living among `concernes` (the whole file when null): asked
    // only when there are some, masking first unless `listingDAbord`, which
    // offers the listing as it stands first; then who, and why, before
    // anything is written. Nothing when the user cancels.
    std::optional<Confidentialite>
    choisirLaConfidentialite(const QString& publication, const std::vector<std::int32_t>* concernes,
                             bool listingDAbord = false);
    bool confirmerLesProteges(const Confidentialite& c, const std::vector<std::int32_t>* concernes,
                              const QString& publication);
    std::map<std::int32_t, QStringList> m_erreursDeCoherence; // by record, from the last check
    // What the whole file of a person shows; nothing when it cannot be read (told).
    std::optional<ContenuFiche> contenuDeLaFiche(std::int32_t numero);
    void creerControles();
    void creerMenu();
    void relierEvenements();
    void FormShow();
    QList<QLineEdit*> editsSaisie() const;
    void viderEditsSaisie();
    void appliquerRegleNom(int qualite);
    void selectionnerQualite(int index);
    void afficherPortrait();
    void montrerDeLaSource();
    void montrerNomDeLaSource();
    void montrerDatesEntieres();
    PartDuMagasin partDuMagasin(std::int32_t n, std::int64_t nombre, const TFiche& avant);
    void montrerDateSaisie(QLineEdit* edit, QLabel* etiquette);
    // The dates typed that the record holds only in part, for the store: field, GEDCOM date.
    std::vector<std::pair<std::string, std::string>> m_datesEntieres;
    void montrerImage(const QImage& image);
    void signalerPortraitManquant(const QString& photo, const QString& raison);
    void lireParents();
    void passerEnNouvelleFiche();
    void afficherPremiereFiche();
    void signalerFicheIncomplete();
    // The save; `dejaControlee` when the caller has checked the form already.
    bool enregistrer(bool dejaControlee = false);
    bool dateSaisieValide(const QLineEdit* edit, const ChampTexte<10>& stockee);
    bool datesSaisiesValides();
    bool nombreEnfantsTientDansLaFiche();
    bool ficheSansNomAcceptee();
    // Everything the save checks before it writes, each with its message.
    bool saisieEnregistrable();
    bool ouvrirOuCreerPourEnregistrer(bool& parDialogue);
    QStringList copierFormulaireDansFiche();
    void appliquerRegleDuPortrait();
    QString parametresFichier() const;
    void basculerVers(const QString& chemin);
    // An empty genealogy file; a companion store left there by a file of the
    // same name, deleted since, is moved aside first.
    void creerFichierNeuf(const QString& chemin);
    QString cheminIni() const;
    bool ouvrirFichierDemande();
    std::int32_t personneDuRapport();
    int demanderGenerations(const QString& titre);
    void montrerRapportImprimable(const DocumentRapport& rapport);
    std::optional<MembreFamille> membreFamille(const QString& role, std::int32_t n,
                                               const Confidentialite& c);
    FicheFamiliale feuilleFamiliale(std::int32_t personne, const Confidentialite& c);
    void mettreAJourFichiersRecents();
    void ouvrirFichierRecent(int rang);
    void choisirTailleAffichage(const QString& taille);
    void marquerTailleAffichage();
    bool lireIniSansBloquer();
    void memoriserFichierCourant();
    std::optional<QString> choisirFichierGenealogie(bool enregistrement,
                                                    const ParametresDialogueFichier& parametres);
    bool peutQuitterLaFiche();
    bool remplacementAccepte(const QString& cible);
    bool verifierAvantChainage(std::int32_t enfant, std::int32_t pere, std::int32_t mere,
                               bool nouvelle);
    // The record on screen's number, or `defaut` for a person not saved yet.
    int numeroCourant(int defaut) const;
    // The record on screen becomes `numero` (-1: a person not saved yet).
    void montrerNumero(std::int32_t numero);
    bool imprimanteDisponible();
    bool ecrireListingDuFichier();
    std::optional<DessinArbre> dessinPublie();
    void imprimerListingSur(Imprimante& imprimante);
    void exporterListingEnPdf();
    void montrerApercu(const QString& titre, const std::function<void(QPrinter&)>& peindre);
    void enregistrerEnPdf(const QString& titre, const std::function<void(QPrinter&)>& peindre);
    QString dossierDesDocuments() const;
    QString cheminPdfPropose(const QString& titre) const;
    QString titreDuListing() const;
    void creerRaccourcis();
    void montrerRapport(const QString& titre, const QStringList& lignes);
    // Opens the current file, runs `travail` on it and closes it on every path;
    // false when the file is missing (its message has been shown).
    bool surLeFichier(const std::function<void()>& travail);
    // Every spouse the record and the store know, in the order of the
    // unions, each with its marriage in words.
    std::vector<std::pair<std::int32_t, QString>> conjointsConnus();
    int autresUnions(std::int32_t conjointMontre);
    QString cheminDuManuel() const;
    void remplirAscendance(const TFiche& parent, QPlainTextEdit* const boites[6]);
    void remplirEnfants();
    void chainer(std::int32_t enfant, const ChoixDuLien& choix);
    // Tells which typed letters the code page replaced, when any.
    void signalerMariageEnPartie(std::int32_t n);
    void signalerRomanisation(const QStringList& romanises);
    // Before the last record goes: what becomes of its companion entries;
    // false when the user cancelled the deletion.
    bool decisionSurLesComplements(std::int32_t numero, bool& supprimer);
    void rattacherDetache(std::int64_t id);
    void ecrireNote(std::int32_t numero, const TFiche& fiche, const QString& ancienne,
                    const QString& nouvelle);
    // ---- undo, redo and backups
    void creerMenuEdition();
    void laisserLesChampsAuMenuEdition();
    void actualiserMenuEdition();
    void abandonnerLaSaisie();
    void montrerApresRetour(std::int32_t personne);
    void parcourirHistorique(std::int32_t (Seance::*sens)());

    Dialogues& m_dialogues;
    std::unique_ptr<Seance> m_seance;
    TFiche m_FicheCourante;
    QString m_RepProgramme;
    QString m_RepDonnees;
    bool m_Modifie = false;
    QString m_PhotoChoisie;
    bool m_dejaMontree = false;
    std::unique_ptr<QPrinter> m_imprimante;
    std::unique_ptr<Imprimante> m_serviceImpression;
    QString m_fichierAide;    // the application's help file, once asked for
    QString m_fichierAOuvrir; // named on the command line, or by the desktop
    QAction* m_separateurRecents = nullptr;
    QSet<QString> m_portraitsSignales; // the missing portraits told, by file, record and path
    // "Changer Nom" has emptied the form: the next save types another person
    // over the record, whose companion entries are then detached.
    bool m_remplacement = false;
};

extern TForm1* Form1;
