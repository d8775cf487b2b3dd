#include "forms/UVelmorS.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Preferences.h"
#include "data/fichier/Texte.h"
#include "data/fichier/Translitteration.h"
#include "platform/BoutonImage.h"
#include "platform/ChargeurImage.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "platform/Imprimante.h"
#include "platform/Polices.h"
#include "session/OuvrirFichier.h"
#include "session/Seance.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

TForm1* Form1 = nullptr;

namespace {

constexpr int LargeurClient = 636;
constexpr int HauteurClient = 437;

QLabel* etiquette(QWidget* parent, const char* nom, const QString& texte, int x, int y) {
    auto* label = new QLabel(texte, parent);
    label->setObjectName(QString::fromLatin1(nom));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* edit(QWidget* parent, const char* nom, QRect geometrie, bool lectureSeule = false) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(nom));
    e->setGeometry(geometrie);
    e->setReadOnly(lectureSeule);
    return e;
}

// An entry edit of a text field: it takes no more characters than the field
// holds, so the save never cuts what was typed, and what the user types or
// pastes loses its control characters (a damaged record may show some; the
// first edit of the field takes them out).
QLineEdit* editDeChamp(QWidget* parent, const char* nom, QRect geometrie, int largeur) {
    QLineEdit* e = edit(parent, nom, geometrie);
    e->setMaxLength(largeur);
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& texte) {
        if (std::none_of(texte.begin(), texte.end(), estCaractereDeControle)) return;
        QString propre = texte;
        propre.removeIf(estCaractereDeControle);
        const int curseur = e->cursorPosition();
        e->setText(propre);
        e->setCursorPosition(std::min<int>(curseur, static_cast<int>(propre.size())));
    });
    return e;
}

BoutonImage* bouton(QWidget* parent, const char* nom, const QString& legende, Glyphe glyphe,
                    int taille, BoutonImage::Disposition disposition, QRect geometrie) {
    auto* b = new BoutonImage(legende, glyphe, taille, disposition, parent);
    b->setObjectName(QString::fromLatin1(nom));
    b->setGeometry(geometrie);
    return b;
}

} // namespace

TForm1::TForm1(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier,
               const QString& fichierAOuvrir)
    : m_dialogues(dialogues), m_seance(std::make_unique<Seance>(dialogues, std::move(fichier))),
      m_fichierAOuvrir(fichierAOuvrir) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Saisie"));
    setFont(policeFenetre());
    creerControles();
    creerMenu();
    relierEvenements();
    laisserLesChampsAuMenuEdition();
    creerRaccourcis();
    // No record is on screen yet: no link may point at record 0 by accident.
    ViderFiche(m_FicheCourante);
    commande(&TForm1::FormCreate);
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::commande(void (TForm1::*gestionnaire)()) {
    executer([this, gestionnaire] { (this->*gestionnaire)(); });
}

void TForm1::executer(const std::function<void()>& action) {
    executerCommande(m_dialogues, action);
}

void TForm1::creerControles() {
    auto* w = new QWidget(this);
    w->setObjectName(QStringLiteral("ZoneClient"));
    w->setFixedSize(LargeurClient, HauteurClient);
    setCentralWidget(w);
    // The form is laid out for one size: enlarging it would only add empty
    // space. The display size (Outils menu) makes everything larger instead.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    using D = BoutonImage::Disposition;

    Label1 = etiquette(w, "Label1", QStringLiteral("Arbre généalogique"), 8, 8);
    Label1->setFont(police(QStringLiteral("Tahoma"), 35));
    Label1->setStyleSheet(QStringLiteral("color: red"));
    Label1->setGeometry(8, 8, 299, 42);
    ajusterALaLargeur(Label1, 299);

    Label11 = etiquette(w, "Label11", QStringLiteral("Qualité :"), 16, 160);
    CBQualite = new QComboBox(w);
    CBQualite->setObjectName(QStringLiteral("CBQualite"));
    CBQualite->setEditable(true);
    CBQualite->setInsertPolicy(QComboBox::NoInsert);
    CBQualite->addItems(
        {QStringLiteral("Monsieur"), QStringLiteral("Madame"), QStringLiteral("Mademoiselle")});
    CBQualite->setGeometry(64, 160, 113, 21);

    LNom = etiquette(w, "LNom", QStringLiteral("Nom :"), 16, 192);
    ENom = editDeChamp(w, "ENom", {64, 192, 113, 21}, 25);
    Label2 = etiquette(w, "Label2", QStringLiteral("Prénoms :"), 184, 192);
    EPrenom = editDeChamp(w, "EPrenom", {240, 192, 225, 21}, 25);
    // Between the name and the birth: small, and empty unless the store
    // has a name the record cannot hold.
    LCoherence = etiquette(w, "LCoherence", QStringLiteral("●"), 467, 192);
    LCoherence->setGeometry(467, 194, 12, 16);
    LCoherence->setStyleSheet(QStringLiteral("color: #c00000"));
    LCoherence->hide();
    LNomSource = etiquette(w, "LNomSource", {}, 64, 212);
    LNomSource->setGeometry(64, 212, 401, 12);
    LNomSource->setFont(police(policeFenetre().family(), 10));
    LNomSource->setStyleSheet(QStringLiteral("color: #404080"));
    Label3 = etiquette(w, "Label3", QStringLiteral("Date de naissance :"), 16, 224);
    EDN = editDeChamp(w, "EDN", {112, 224, 65, 21}, 40);
    Label4 = etiquette(w, "Label4", QStringLiteral("Lieu de naissance :"), 184, 224);
    ELN = editDeChamp(w, "ELN", {280, 224, 185, 21}, 30);
    Label6 = etiquette(w, "Label6", QStringLiteral("Date de mariage :"), 16, 256);
    EDM = editDeChamp(w, "EDM", {112, 256, 65, 21}, 40);
    Label7 = etiquette(w, "Label7", QStringLiteral("Lieu de mariage :"), 184, 256);
    ELM = editDeChamp(w, "ELM", {280, 256, 185, 21}, 30);
    Label8 = etiquette(w, "Label8", QStringLiteral("Date de décès :"), 16, 288);
    EDD = editDeChamp(w, "EDD", {112, 288, 65, 21}, 40);
    Label9 = etiquette(w, "Label9", QStringLiteral("Lieu de décès :"), 184, 288);
    ELD = editDeChamp(w, "ELD", {280, 288, 185, 21}, 30);
    // Under each date, small: what another calendar's date is in ours.
    for (auto [date, nom, y] :
         {std::tuple{&LDateN, "LDateN", 245}, std::tuple{&LDateM, "LDateM", 277},
          std::tuple{&LDateD, "LDateD", 309}}) {
        *date = etiquette(w, nom, {}, 16, y);
        (*date)->setGeometry(16, y, 161, 11);
        (*date)->setFont(police(policeFenetre().family(), 9));
        (*date)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*date)->setStyleSheet(QStringLiteral("color: #404080"));
    }
    Label5 = etiquette(w, "Label5", QStringLiteral("Profession :"), 16, 320);
    EProfession = editDeChamp(w, "EProfession", {80, 320, 97, 21}, 30);
    Label10 = etiquette(w, "Label10", QStringLiteral("Nombre d'enfants :"), 184, 320);
    ENBE = edit(w, "ENBE", {280, 320, 81, 21});
    BtActe = new QPushButton(QStringLiteral("Acte…"), w);
    BtActe->setObjectName(QStringLiteral("BtActe"));
    BtActe->setToolTip(QStringLiteral("Saisir un acte (Ctrl+Maj+A)"));
    BtActe->setGeometry(368, 318, 97, 25);

    GB = new QGroupBox(QStringLiteral("Parents"), w);
    GB->setObjectName(QStringLiteral("GB"));
    GB->setGeometry(8, 56, 305, 89);
    Label12 = etiquette(GB, "Label12", QStringLiteral("Père"), 8, 24);
    Label13 = etiquette(GB, "Label13", QStringLiteral("Mère"), 8, 60);
    ENP = edit(GB, "ENP", {40, 24, 113, 21}, true);
    EPP = edit(GB, "EPP", {160, 24, 137, 21}, true);
    ENM = edit(GB, "ENM", {40, 52, 113, 21}, true);
    EPM = edit(GB, "EPM", {160, 52, 137, 21}, true);

    BtPhoto = new QPushButton(QStringLiteral("Photo Parcourir"), w);
    BtPhoto->setObjectName(QStringLiteral("BtPhoto"));
    BtPhoto->setGeometry(184, 160, 129, 25);
    Panel2 = new QLabel(w);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(320, 56, 145, 129);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setLineWidth(3);
    IPhoto = new QLabel(Panel2);
    IPhoto->setObjectName(QStringLiteral("IPhoto"));
    IPhoto->setGeometry(8, 8, 129, 113);
    IPhoto->setAlignment(Qt::AlignCenter);
    IPhoto->hide();

    SbArbre = bouton(w, "SbArbre", QStringLiteral("           Arbre"), Glyphe::Arbre, 28,
                     D::ImageGauche, {320, 8, 145, 41});
    SbArbre->definirCouleurLegende(Qt::red);
    SbDebut = bouton(w, "SbDebut", {}, Glyphe::Debut, 16, D::ImageGauche, {480, 16, 25, 25});
    SbPrecedent =
        bouton(w, "SbPrecedent", {}, Glyphe::Precedent, 16, D::ImageGauche, {504, 16, 25, 25});
    NumEnreg = new QLabel(w);
    NumEnreg->setObjectName(QStringLiteral("NumEnreg"));
    NumEnreg->setGeometry(536, 16, 33, 25);
    NumEnreg->setFrameStyle(QFrame::Panel | QFrame::Raised);
    NumEnreg->setAlignment(Qt::AlignCenter);
    BtSuivant = bouton(w, "BtSuivant", {}, Glyphe::Suivant, 16, D::ImageGauche, {576, 16, 25, 25});
    SbFin = bouton(w, "SbFin", {}, Glyphe::Fin, 16, D::ImageGauche, {600, 16, 25, 25});

    BtPere = bouton(w, "BtPere", QStringLiteral("Père"), Glyphe::Pere, 48, D::ImageDessus,
                    {480, 56, 73, 161});
    BtMere = bouton(w, "BtMere", QStringLiteral("Mère"), Glyphe::Mere, 48, D::ImageDessus,
                    {560, 56, 65, 161});
    BtEnfant = bouton(w, "BtEnfant", QStringLiteral("Enfant(s)"), Glyphe::Enfant, 32,
                      D::ImageDessus, {480, 224, 73, 81});
    BtConjoint = bouton(w, "BtConjoint", QStringLiteral("Conjoint(e)"), Glyphe::Conjoint, 32,
                        D::ImageDessus, {560, 224, 65, 81});
    SbRechercher = bouton(w, "SbRechercher", QStringLiteral("Rechercher"), Glyphe::Rechercher, 20,
                          D::ImageGauche, {480, 312, 145, 33});
    BtAide = bouton(w, "BtAide", QStringLiteral("&Aide"), Glyphe::Aide, 20, D::ImageGauche,
                    {480, 352, 145, 33});
    BitBtn1 = bouton(w, "BitBtn1", QStringLiteral("&Fermer"), Glyphe::Fermer, 20, D::ImageGauche,
                     {480, 392, 145, 33});
    SbNouveau = bouton(w, "SbNouveau", QStringLiteral("Nouveau"), Glyphe::Nouveau, 32,
                       D::ImageDessous, {8, 352, 81, 73});
    SbEnregistrer = bouton(w, "SbEnregistrer", QStringLiteral("Enregistrer"), Glyphe::Enregistrer,
                           32, D::ImageDessous, {96, 352, 81, 73});
    SbSupprimer = bouton(w, "SbSupprimer", QStringLiteral("Supprimer"), Glyphe::Supprimer, 32,
                         D::ImageDessous, {184, 352, 81, 73});
    SbBriseChain = bouton(w, "SbBriseChain", QStringLiteral("Supprimer tous les chaînages"),
                          Glyphe::BriseChaine, 20, D::ImageGauche, {272, 352, 201, 33});
    SBChainer = bouton(w, "SBChainer", QStringLiteral("Créer le chaînage  Parents"),
                       Glyphe::Chainer, 20, D::ImageGauche, {272, 392, 201, 33});

    // Keyboard order of the entry window.
    const QList<QWidget*> ordre = {
        CBQualite, ENom,   EPrenom,      EDN,     ELN, EDM, ELM, EDD, ELD,     EProfession,
        ENBE,      BtActe, SbRechercher, BitBtn1, ENP, EPP, ENM, EPM, BtPhoto, BtAide};
    for (int i = 0; i + 1 < ordre.size(); ++i)
        setTabOrder(ordre[i], ordre[i + 1]);
}

void TForm1::creerMenu() {
    auto ajouter = [](QMenu* menu, const char* nom, const QString& legende) {
        QAction* action = menu->addAction(legende);
        action->setObjectName(QString::fromLatin1(nom));
        return action;
    };
    QMenu* fichiers = menuBar()->addMenu(QStringLiteral("&Fichiers"));
    Ouvrir1 = ajouter(fichiers, "Ouvrir1", QStringLiteral("&Ouvrir"));
    Enregistrersous1 = ajouter(fichiers, "Enregistrersous1", QStringLiteral("&Enregistrer sous"));
    RestaurerSauvegarde1 =
        ajouter(fichiers, "RestaurerSauvegarde1", QStringLiteral("&Restaurer une sauvegarde…"));
    // The most recent files, filled from the settings file.
    m_separateurRecents = fichiers->addSeparator();
    for (int i = 0; i < 4; ++i) {
        QAction* recent = fichiers->addAction(QString());
        recent->setObjectName(QStringLiteral("FichierRecent%1").arg(i + 1));
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this,
                [this, i] { executer([this, i] { ouvrirFichierRecent(i); }); });
        FichiersRecents << recent;
    }
    fichiers->addSeparator();
    Quitter1 = ajouter(fichiers, "Quitter1", QStringLiteral("&Quitter"));
    creerMenuEdition();
    QMenu* impression = menuBar()->addMenu(QStringLiteral("&Impression"));
    Choixdelimprimante1 =
        ajouter(impression, "Choixdelimprimante1", QStringLiteral("&Choix de l'imprimante"));
    Imprimer1 = ajouter(impression, "Imprimer1", QStringLiteral("Im&primer tout le fichier"));
    Apercu1 = ajouter(impression, "Apercu1", QStringLiteral("Aperçu avant impression"));
    ExporterPdf1 = ajouter(impression, "ExporterPdf1", QStringLiteral("Exporter en PDF…"));
    Quitter1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    Imprimer1->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    QMenu* outils = menuBar()->addMenu(QStringLiteral("&Outils"));
    IndexDesPersonnes1 =
        ajouter(outils, "IndexDesPersonnes1", QStringLiteral("&Index des personnes"));
    IndexDesPersonnes1->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    AllerALaFiche1 = ajouter(outils, "AllerALaFiche1", QStringLiteral("&Aller à la fiche…"));
    AllerALaFiche1->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    Complements1 = ajouter(outils, "Complements1", QStringLiteral("&Fiche complète…"));
    Complements1->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    SaisirActe1 = ajouter(outils, "SaisirActe1", QStringLiteral("Saisir un &acte…"));
    SaisirActe1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")));
    ComplementsDetaches1 =
        ajouter(outils, "ComplementsDetaches1", QStringLiteral("Compléments &détachés…"));
    Lieux1 = ajouter(outils, "Lieux1", QStringLiteral("&Lieux…"));
    Sources1 = ajouter(outils, "Sources1", QStringLiteral("&Sources…"));
    outils->addSeparator();
    ExporterGedcom1 = ajouter(outils, "ExporterGedcom1", QStringLiteral("Exporter en GEDCOM…"));
    ImporterGedcom1 =
        ajouter(outils, "ImporterGedcom1", QStringLiteral("Importer un fichier GEDCOM…"));
    RechercheApprochee1 =
        ajouter(outils, "RechercheApprochee1", QStringLiteral("Recherche approchée…"));
    VerifierFichier1 = ajouter(outils, "VerifierFichier1", QStringLiteral("Vérifier le fichier"));
    VerifierCoherence1 =
        ajouter(outils, "VerifierCoherence1", QStringLiteral("Vérifier la &cohérence…"));
    RechercherDoublons1 =
        ajouter(outils, "RechercherDoublons1", QStringLiteral("Rechercher les &doublons…"));
    outils->addSeparator();
    QMenu* taille = outils->addMenu(QStringLiteral("Taille de l'affichage"));
    taille->setObjectName(QStringLiteral("TailleAffichage1"));
    auto* groupe = new QActionGroup(this);
    for (const QString& valeur : preferences::taillesAffichage()) {
        QAction* choix =
            taille->addAction(valeur == u"Automatique" ? valeur : valeur + QStringLiteral(" %"));
        choix->setObjectName(QStringLiteral("Taille") + valeur);
        choix->setCheckable(true);
        choix->setActionGroup(groupe);
        connect(choix, &QAction::triggered, this,
                [this, valeur] { executer([this, valeur] { choisirTailleAffichage(valeur); }); });
        TaillesAffichage << choix;
    }
    QMenu* rapports = menuBar()->addMenu(QStringLiteral("&Rapports"));
    ListeAscendance1 =
        ajouter(rapports, "ListeAscendance1", QStringLiteral("Liste d'ascendance (Sosa)…"));
    ListeDescendance1 = ajouter(rapports, "ListeDescendance1",
                                QStringLiteral("Liste de descendance (d'Aboville)…"));
    FicheFamiliale1 = ajouter(rapports, "FicheFamiliale1", QStringLiteral("Fiche familiale"));
    LienDeParente1 = ajouter(rapports, "LienDeParente1", QStringLiteral("Lien de parenté…"));
    Statistiques1 = ajouter(rapports, "Statistiques1", QStringLiteral("Statistiques"));
    QMenu* aide = menuBar()->addMenu(QStringLiteral("&Aide"));
    Fichierdaide1 = ajouter(aide, "Fichierdaide1", QStringLiteral("&Fichier d'aide"));
    Apropos1 = ajouter(aide, "Apropos1", QStringLiteral("&A propos"));
}

void TForm1::relierEvenements() {
    auto relier = [this](auto* emetteur, auto signal, void (TForm1::*gestionnaire)()) {
        connect(emetteur, signal, this, [this, gestionnaire] { commande(gestionnaire); });
    };
    relier(Ouvrir1, &QAction::triggered, &TForm1::Ouvrir1Click);
    relier(Enregistrersous1, &QAction::triggered, &TForm1::Enregistrersous1Click);
    relier(RestaurerSauvegarde1, &QAction::triggered, &TForm1::RestaurerSauvegarde1Click);
    relier(Quitter1, &QAction::triggered, &TForm1::Quitter1Click);
    relier(BitBtn1, &QAbstractButton::clicked, &TForm1::Quitter1Click);
    relier(SbNouveau, &QAbstractButton::clicked, &TForm1::SbNouveauClick);
    relier(SbEnregistrer, &QAbstractButton::clicked, &TForm1::SbEnregistrerClick);
    relier(SbSupprimer, &QAbstractButton::clicked, &TForm1::SbSupprimerClick);
    relier(SbDebut, &QAbstractButton::clicked, &TForm1::SbDebutClick);
    relier(SbPrecedent, &QAbstractButton::clicked, &TForm1::SbPrecedentClick);
    relier(BtSuivant, &QAbstractButton::clicked, &TForm1::BtSuivantClick);
    relier(SbFin, &QAbstractButton::clicked, &TForm1::SbFinClick);
    relier(BtPere, &QAbstractButton::clicked, &TForm1::BTPereClick);
    relier(BtMere, &QAbstractButton::clicked, &TForm1::BtMereClick);
    relier(BtEnfant, &QAbstractButton::clicked, &TForm1::BtEnfantClick);
    relier(BtConjoint, &QAbstractButton::clicked, &TForm1::BtConjointClick);
    relier(SBChainer, &QAbstractButton::clicked, &TForm1::SBChainerClick);
    relier(SbBriseChain, &QAbstractButton::clicked, &TForm1::SbBriseChainClick);
    relier(SbArbre, &QAbstractButton::clicked, &TForm1::SbArbreClick);
    relier(SbRechercher, &QAbstractButton::clicked, &TForm1::SbRechercherClick);
    relier(Choixdelimprimante1, &QAction::triggered, &TForm1::Choixdelimprimante1Click);
    relier(Imprimer1, &QAction::triggered, &TForm1::Imprimer1Click);
    relier(Apercu1, &QAction::triggered, &TForm1::Apercu1Click);
    relier(ExporterPdf1, &QAction::triggered, &TForm1::ExporterPdf1Click);
    relier(ExporterGedcom1, &QAction::triggered, &TForm1::ExporterGedcom1Click);
    relier(ImporterGedcom1, &QAction::triggered, &TForm1::ImporterGedcom1Click);
    relier(RechercheApprochee1, &QAction::triggered, &TForm1::RechercheApprochee1Click);
    relier(VerifierFichier1, &QAction::triggered, &TForm1::VerifierFichier1Click);
    relier(VerifierCoherence1, &QAction::triggered, &TForm1::VerifierCoherence1Click);
    relier(RechercherDoublons1, &QAction::triggered, &TForm1::RechercherDoublons1Click);
    relier(IndexDesPersonnes1, &QAction::triggered, &TForm1::IndexDesPersonnes1Click);
    relier(ListeAscendance1, &QAction::triggered, &TForm1::ListeAscendance1Click);
    relier(ListeDescendance1, &QAction::triggered, &TForm1::ListeDescendance1Click);
    relier(FicheFamiliale1, &QAction::triggered, &TForm1::FicheFamiliale1Click);
    relier(LienDeParente1, &QAction::triggered, &TForm1::LienDeParente1Click);
    relier(Statistiques1, &QAction::triggered, &TForm1::Statistiques1Click);
    relier(AllerALaFiche1, &QAction::triggered, &TForm1::AllerALaFiche1Click);
    relier(Complements1, &QAction::triggered, &TForm1::Complements1Click);
    relier(ComplementsDetaches1, &QAction::triggered, &TForm1::ComplementsDetaches1Click);
    relier(Lieux1, &QAction::triggered, &TForm1::Lieux1Click);
    relier(SaisirActe1, &QAction::triggered, &TForm1::SaisirActe1Click);
    relier(Sources1, &QAction::triggered, &TForm1::Sources1Click);
    relier(BtPhoto, &QAbstractButton::clicked, &TForm1::BtPhotoClick);
    relier(BtActe, &QAbstractButton::clicked, &TForm1::SaisirActe1Click);
    relier(BtAide, &QAbstractButton::clicked, &TForm1::BtAideClick);
    relier(Fichierdaide1, &QAction::triggered, &TForm1::Fichierdaide1Click);
    relier(Apropos1, &QAction::triggered, &TForm1::Apropos1Click);

    // The title combo changes only on the user's own choice or typing.
    connect(CBQualite, &QComboBox::activated, this, &TForm1::CBQualiteChange);
    connect(CBQualite->lineEdit(), &QLineEdit::textEdited, this, &TForm1::CBQualiteChange);
    const std::pair<QLineEdit*, void (TForm1::*)()> changements[] = {
        {ENom, &TForm1::ENomChange},
        {EPrenom, &TForm1::EPrenomChange},
        {EDN, &TForm1::EDNChange},
        {ELN, &TForm1::ELNChange},
        {EDM, &TForm1::EDMChange},
        {ELM, &TForm1::ELMChange},
        {EDD, &TForm1::EDDChange},
        {ELD, &TForm1::ELDChange},
        {EProfession, &TForm1::EProfessionChange},
        {ENBE, &TForm1::ENBEChange}};
    for (const auto& [e, gestionnaire] : changements)
        connect(e, &QLineEdit::textChanged, this, gestionnaire);
    for (const auto& dateEtLigne :
         {std::pair{EDN, LDateN}, std::pair{EDM, LDateM}, std::pair{EDD, LDateD}}) {
        QLineEdit* date = dateEtLigne.first;
        QLabel* ligne = dateEtLigne.second;
        connect(date, &QLineEdit::textEdited, this,
                [this, date, ligne] { montrerDateSaisie(date, ligne); });
    }
}

// The keys a user expects. Home and End reach the first and last records only
// when no edit has the focus: an edit keeps those keys for its own text.
void TForm1::creerRaccourcis() {
    const std::pair<const char*, void (TForm1::*)()> raccourcis[] = {
        {"Ctrl+S", &TForm1::SbEnregistrerClick},
        {"Ctrl+N", &TForm1::SbNouveauClick},
        {"Ctrl+F", &TForm1::SbRechercherClick},
        {"Alt+Left", &TForm1::SbPrecedentClick},
        {"Alt+Right", &TForm1::BtSuivantClick},
        {"Home", &TForm1::SbDebutClick},
        {"End", &TForm1::SbFinClick}};
    for (const auto& [touches, gestionnaire] : raccourcis) {
        auto* raccourci = new QShortcut(QKeySequence(QString::fromLatin1(touches)), this);
        raccourci->setObjectName(QStringLiteral("Raccourci ") + QString::fromLatin1(touches));
        connect(raccourci, &QShortcut::activated, this, [this, g = gestionnaire] { commande(g); });
    }
    // Alt+F and Alt+A belong to the "&Fermer" and "&Aide" buttons: F10 opens
    // the menu bar, as on every desktop, and the arrows lead to every menu.
    auto* barre = new QShortcut(QKeySequence(Qt::Key_F10), this);
    barre->setObjectName(QStringLiteral("Raccourci F10"));
    connect(barre, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
}

void TForm1::showEvent(QShowEvent* evenement) {
    QMainWindow::showEvent(evenement);
    if (m_dejaMontree) return;
    m_dejaMontree = true;
    if (QScreen* ecran = screen()) move(ecran->availableGeometry().center() - rect().center());
    FormShow();
}

void TForm1::FormShow() {
    ENom->setFocus();
    if (m_seance->numero() < 0) selectionnerQualite(0);
}

QList<QLineEdit*> TForm1::editsSaisie() const {
    return {ENom, EPrenom, EDN, EDM, EDD, ELN, ELM, ELD, EProfession, ENBE};
}

void TForm1::viderEditsSaisie() {
    for (QLineEdit* e : editsSaisie())
        e->clear();
}

int TForm1::indexQualite() const {
    const int index = CBQualite->currentIndex();
    if (index < 0 || CBQualite->currentText() != CBQualite->itemText(index)) return -1;
    return index;
}

// Madame keeps her maiden name in the surname box.
void TForm1::appliquerRegleNom(int qualite) {
    LNom->setText(qualite == 1 ? QStringLiteral("NomJF :") : QStringLiteral("Nom :"));
    LNom->adjustSize();
}

void TForm1::selectionnerQualite(int index) {
    const QSignalBlocker bloqueur(CBQualite);
    CBQualite->setCurrentIndex(index >= 0 && index <= 2 ? index : -1);
    if (CBQualite->currentIndex() < 0) CBQualite->setEditText({});
    appliquerRegleNom(index);
}

void TForm1::CBQualiteChange() {
    marquerModifie();
    appliquerRegleNom(indexQualite());
}

void TForm1::MontrePM() {
    for (QLineEdit* e : {ENP, EPP, ENM, EPM}) {
        e->clear();
        e->show();
    }
    IPhoto->hide();
}

void TForm1::pAfficherEnreg(std::int32_t n) {
    if (n == -1) {
        m_dialogues.message(QStringLiteral("Erreur de chaînage"));
        return;
    }
    if (!fichierExiste(m_seance->chemin())) return;
    if (!m_seance->ouvrir()) {
        m_Modifie = false;
        return;
    }
    FermetureGarantie fermeture(m_seance->fichier());
    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    SbSupprimer->setText(n < nombre - 1 ? QStringLiteral("Changer Nom")
                                        : QStringLiteral("Supprimer"));
    std::int64_t numero = n;
    if (n == std::numeric_limits<std::int32_t>::max()) numero = nombre - 1;
    if (numero == -1 || numero > nombre - 1) {
        if (numero >= 1)
            m_dialogues.message(QStringLiteral("Il n'y a pas d'autres enregistrements"));
        m_seance->fichier().fermer();
        return;
    }
    m_seance->fichier().positionner(numero);
    m_seance->fichier().lire(m_FicheCourante);
    viderEditsSaisie();
    selectionnerQualite(m_FicheCourante.Qualite);
    ENom->setText(m_FicheCourante.Nom.texte());
    EPrenom->setText(m_FicheCourante.Prenom.texte());
    EDN->setText(m_FicheCourante.DateNaissance.texte());
    EDM->setText(m_FicheCourante.DateMariage.texte());
    EDD->setText(m_FicheCourante.DateDeces.texte());
    ELN->setText(m_FicheCourante.LieuNaissance.texte());
    ELM->setText(m_FicheCourante.LieuMariage.texte());
    ELD->setText(m_FicheCourante.LieuDeces.texte());
    ENBE->setText(QString::number(m_FicheCourante.NbEnfants));
    EProfession->setText(m_FicheCourante.Profession.texte());
    montrerNumero(numero);
    montrerDeLaSource();
    afficherPortrait();
    lireParents();
    m_seance->fichier().fermer();
    m_Modifie = false;
    m_remplacement = false;
    actualiserMenuEdition();
}

// The picture in the PHOTOS folder beside the genealogy file comes first, so
// that a file moved with its folder keeps its portraits; then the stored path.
void TForm1::afficherPortrait() {
    m_PhotoChoisie.clear();
    const QString photo = m_FicheCourante.Photo.texte();
    if (photo.size() < 5) {
        IPhoto->hide();
        return;
    }
    IPhoto->show();
    const QString dansDossier =
        repertoireDe(m_seance->chemin()) + QStringLiteral("/PHOTOS/") + partieNomFichier(photo);
    try {
        montrerImage(chargerImage(dansDossier));
        return;
    } catch (const ErreurImage&) {
    }
    try {
        montrerImage(chargerImage(photo));
    } catch (const ErreurImage& e) {
        signalerPortraitManquant(photo, e.texte());
    }
}

// A portrait that cannot be shown is no reason to stop the display: the
// frame stays (so the next save keeps the stored path), says what is
// missing, and the user is told once, not again when the same record is
// shown again right after a save.
void TForm1::signalerPortraitManquant(const QString& photo, const QString& raison) {
    IPhoto->setPixmap({});
    IPhoto->setText(QStringLiteral("Portrait\nintrouvable"));
    // Once per person and session: the frame says it on every later visit.
    const QString cle =
        m_seance->chemin() + u'|' + QString::number(m_seance->numero()) + u'|' + photo;
    if (m_portraitsSignales.contains(cle)) return;
    m_portraitsSignales.insert(cle);
    m_dialogues.message(avecPointFinal(raison) +
                        QStringLiteral("\rLa fiche est affichée sans portrait ; son chemin reste "
                                       "enregistré."));
}

void TForm1::montrerImage(const QImage& image) {
    // At its own size, centred, cropped by the frame; never scaled.
    IPhoto->setPixmap(QPixmap::fromImage(image));
}

void TForm1::lireParents() {
    TFiche parent;
    if (m_FicheCourante.Pere != -1) {
        m_seance->fichier().positionner(m_FicheCourante.Pere);
        m_seance->fichier().lire(parent);
        ENP->setText(parent.Nom.texte());
        EPP->setText(parent.Prenom.texte());
    }
    if (m_FicheCourante.Mere != -1) {
        m_seance->fichier().positionner(m_FicheCourante.Mere);
        m_seance->fichier().lire(parent);
        ENM->setText(parent.Nom.texte());
        EPM->setText(parent.Prenom.texte());
    }
}

int TForm1::numeroCourant(int defaut) const {
    return m_seance->numero() < 0 ? defaut : m_seance->numero();
}

void TForm1::montrerNumero(std::int32_t numero) {
    m_seance->definirNumero(numero);
    NumEnreg->setText(numero < 0 ? QString() : QString::number(numero));
}
