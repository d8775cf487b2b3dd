// Screenshots of the main windows, made by the program itself on the offscreen
// platform, for the manual:  captures FAMILLE.txt DOSSIER
// The demonstration family is written into a working folder of its own; each
// window is shown on a chosen person and grabbed as DOSSIER/<name>.png.
#include "app/Demarrage.h"
#include "data/fichier/FichierGenea.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uActe.h"
#include "forms/uArbre.h"
#include "forms/uChoixPersonne.h"
#include "forms/uDoublons.h"
#include "forms/uFicheComplete.h"
#include "forms/uIndex.h"
#include "forms/uLien.h"
#include "forms/uRapport.h"
#include "platform/BoiteDeChoix.h"
#include "print/ArbrePapier.h"
#include "tools/Demo.h"
#include "tools/DialoguesMuets.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <utility>

namespace {

// Dialogs that grab each window of the program's own as it is shown, and
// answer nothing else.
class DialoguesPhotographe : public DialoguesMuets {
public:
    explicit DialoguesPhotographe(QString dossier) : m_dossier(std::move(dossier)) {}
    QString prochaine; // the name of the next modal window's picture

    // The preview as the user sees it, grabbed under the next name.
    void apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                const std::function<void()>&) override {
        QPrintPreviewDialog dialogue(&imprimante);
        dialogue.setWindowTitle(QStringLiteral("Aperçu avant impression"));
        dialogue.resize(760, 640);
        QObject::connect(&dialogue, &QPrintPreviewDialog::paintRequested, &dialogue,
                         [&peindre](QPrinter* p) { peindre(*p); });
        if (!prochaine.isEmpty()) photographier(dialogue, prochaine);
        prochaine.clear();
    }
    bool lancer(const QString&) override { return true; }
    void afficherSommaireAide(const QString&) override {}
    // The privacy question, grabbed the first time; the reports of the
    // manual keep everyone, as the user's own printout would.
    int choix(const QString& texte, const QStringList& boutons) override {
        if (!texte.contains(QStringLiteral("présumées vivantes"))) return -1;
        if (!m_confidentialiteVue) {
            BoiteDeChoix boite(QStringLiteral("Arbre généalogique"), texte, boutons);
            photographier(boite, QStringLiteral("confidentialite"));
            m_confidentialiteVue = true;
        }
        for (int i = 0; i < boutons.size(); ++i)
            if (boutons[i].startsWith(QStringLiteral("Tout garder"))) return i;
        return -1;
    }
    // The next modal window is grabbed, or, with prochaineModale, confirmed
    // so that what follows it (a report's preview) is grabbed instead.
    bool executerModal(QDialog& dialogue) override {
        // Taken out first: the action may open a window of its own.
        if (auto avant = std::exchange(m_avant, {})) avant(dialogue);
        if (prochaineModale) {
            prochaineModale = false;
            return true;
        }
        if (!prochaine.isEmpty()) photographier(dialogue, prochaine);
        prochaine.clear();
        return false;
    }
    bool prochaineModale = false;
    // What to do in the next modal window before it is grabbed.
    void avant(std::function<void(QDialog&)> action) { m_avant = std::move(action); }

    void photographier(QWidget& fenetre, const QString& nom) const {
        fenetre.show();
        QApplication::processEvents();
        if (!fenetre.grab().save(QDir(m_dossier).filePath(nom + QStringLiteral(".png"))))
            std::fprintf(stderr, "captures : %s n'a pas pu être enregistrée\n", qPrintable(nom));
        fenetre.hide();
    }

private:
    bool m_confidentialiteVue = false;
    QString m_dossier;
    std::function<void(QDialog&)> m_avant;
};

void ecrireDemo(const QString& famille, const QString& dossier) {
    QFile sortie(QDir(dossier).filePath(QStringLiteral("VELMORIS.FIC")));
    sortie.open(QIODevice::WriteOnly);
    for (const TFiche& f : lireFamilleDemo(famille)) {
        std::uint8_t octets[TailleFiche];
        encoderFiche(f, octets);
        sortie.write(reinterpret_cast<const char*>(octets), TailleFiche);
    }
    QDir(dossier).mkpath(QStringLiteral("PHOTOS"));
    const QDir photos(QFileInfo(famille).dir().filePath(QStringLiteral("PHOTOS")));
    for (const QString& nom : photos.entryList(QDir::Files))
        QFile::copy(photos.filePath(nom), QDir(dossier).filePath(QStringLiteral("PHOTOS/") + nom));
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList a = application.arguments();
    if (a.size() != 3) {
        std::fprintf(stderr, "usage : captures FAMILLE.txt DOSSIER\n");
        return 2;
    }
    const QString dossier = QFileInfo(a[2]).absoluteFilePath();
    QDir().mkpath(dossier);
    QTemporaryDir travail;
    const QString famille = QFileInfo(a[1]).absoluteFilePath();
    ecrireDemo(famille, travail.path());
    QDir::setCurrent(travail.path());
    preparerApplication();
    DialoguesPhotographe dialogues(dossier);
    Fenetres fenetres(dialogues, std::make_unique<FichierDisque>());
    TForm1& form = fenetres.principale();
    form.show();
    form.pAfficherEnreg(20); // Jacques, with his parents and a portrait
    dialogues.photographier(form, QStringLiteral("principale"));
    form.SbArbreClick();
    dialogues.photographier(*Form3, QStringLiteral("arbre"));
    exporterDessinArbre(Form3->dessin(),
                        QDir(dossier).filePath(QStringLiteral("arbre_papier.png")));
    dialogues.prochaine = QStringLiteral("chainage");
    dialogues.avant([](QDialog&) {
        FormLien->selectionner(FormLien->LBPere, 0);
        FormLien->LbOrdreP->setCurrentRow(0);
    });
    form.SBChainerClick();
    form.pAfficherEnreg(14); // Paul, three children
    dialogues.prochaine = QStringLiteral("enfants");
    form.BtEnfantClick();
    dialogues.prochaine = QStringLiteral("verification");
    form.VerifierFichier1Click();
    form.IndexDesPersonnes1Click();
    Index->EFiltre->setText(QStringLiteral("gir"));
    dialogues.photographier(*Index, QStringLiteral("index"));
    Index->hide();
    // The reports, in their preview, for Jacques.
    form.pAfficherEnreg(20);
    const std::pair<const char*, void (TForm1::*)()> rapports[] = {
        {"ascendance", &TForm1::ListeAscendance1Click},
        {"descendance", &TForm1::ListeDescendance1Click},
        {"fiche_familiale", &TForm1::FicheFamiliale1Click},
        {"statistiques", &TForm1::Statistiques1Click}};
    for (const auto& [nom, commande] : rapports) {
        dialogues.prochaine = QString::fromLatin1(nom);
        (form.*commande)();
    }
    form.pAfficherEnreg(0); // for the kinship, the eldest ancestor and Jacques
    dialogues.avant([](QDialog& dialogue) {
        auto& choix = static_cast<TChoixPersonne&>(dialogue);
        choix.EFiltre->setText(QStringLiteral("20"));
    });
    dialogues.prochaineModale = true;
    dialogues.prochaine = QStringLiteral("parente");
    form.LienDeParente1Click();
    // An act being entered for Jacques: his baptism, its register, his godparents.
    form.pAfficherEnreg(20);
    dialogues.avant([](QDialog& dialogue) {
        auto& acte = static_cast<TSaisieActe&>(dialogue);
        acte.EDate->setText(QStringLiteral("08/06/1930"));
        acte.ELieu->setText(QStringLiteral("Saint-Nizier, Lyon, Rhône, France"));
        acte.EService->setText(QStringLiteral("Archives diocésaines de Lyon"));
        acte.ECommune->setText(QStringLiteral("Lyon, Saint-Nizier"));
        acte.EAnnees->setText(QStringLiteral("1929-1931"));
        acte.ECote->setText(QStringLiteral("P 12/4"));
        acte.EVue->setText(QStringLiteral("34"));
        acte.ENumero->setText(QStringLiteral("12"));
        const auto& lignes = acte.lignes();
        lignes[3].nom->setText(QStringLiteral("MADEC"));
        lignes[3].prenoms->setText(QStringLiteral("Jean"));
        lignes[3].profession->setText(QStringLiteral("négociant"));
        lignes[4].nom->setText(QStringLiteral("LE ROUX"));
        lignes[4].prenoms->setText(QStringLiteral("Marie"));
        lignes[4].age->setText(QStringLiteral("20 ans"));
        acte.adjustSize();
    });
    dialogues.prochaine = QStringLiteral("saisie-acte");
    form.SaisirActe1Click();
    // That act entered, Jacques' whole file on its events.
    Acte bapteme;
    bapteme.genre = GenreActe::Bapteme;
    bapteme.date = QStringLiteral("08/06/1930");
    bapteme.lieu = QStringLiteral("Saint-Nizier, Lyon, Rhône, France");
    bapteme.source = {QStringLiteral("Archives diocésaines de Lyon"),
                      QStringLiteral("Lyon, Saint-Nizier"),
                      registresConnus().front(),
                      QStringLiteral("1929-1931"),
                      QStringLiteral("P 12/4"),
                      QStringLiteral("34"),
                      QStringLiteral("12"),
                      {}};
    bapteme.personnes.resize(rolesDe(GenreActe::Bapteme).size());
    bapteme.personnes[0].fiche = 20;
    bapteme.personnes[3].nom = QStringLiteral("MADEC");
    bapteme.personnes[3].prenoms = QStringLiteral("Jean");
    bapteme.personnes[3].profession = QStringLiteral("négociant");
    bapteme.personnes[4].nom = QStringLiteral("LE ROUX");
    bapteme.personnes[4].prenoms = QStringLiteral("Marie");
    form.seance().enregistrerActe(bapteme);
    form.pAfficherEnreg(20);
    dialogues.avant([](QDialog& dialogue) {
        static_cast<TFicheComplete&>(dialogue).Onglets->setCurrentIndex(2);
    });
    dialogues.prochaine = QStringLiteral("fiche-complete");
    form.Complements1Click();
    dialogues.prochaine = QStringLiteral("coherence");
    form.VerifierCoherence1Click();
    // The merge window, on Jacques and a second record spelt otherwise.
    {
        const std::vector<TFiche> demo = lireFamilleDemo(famille);
        TFiche autre = demo[20];
        autre.Nom.definir(QStringLiteral("DURANT"));
        autre.DateNaissance.definir(QStringLiteral("vers 1930"));
        autre.LieuNaissance.definir(QStringLiteral("Lyon 2e"));
        autre.Profession.definir(QString());
        autre.Enfants.fill(-1);
        autre.NbEnfants = 0;
        QFile fichier(QStringLiteral("VELMORIS.FIC"));
        std::uint8_t octets[TailleFiche];
        encoderFiche(autre, octets);
        if (fichier.open(QIODevice::Append))
            fichier.write(reinterpret_cast<const char*>(octets), TailleFiche);
        fichier.close();
        dialogues.avant([&dialogues](QDialog& dialogue) {
            auto& liste = static_cast<TDoublons&>(dialogue);
            dialogues.photographier(liste, QStringLiteral("doublons"));
            dialogues.prochaine = QStringLiteral("fusion");
            emit liste.fusionDemandee();
        });
        form.RechercherDoublons1Click();
    }
    return 0;
}
