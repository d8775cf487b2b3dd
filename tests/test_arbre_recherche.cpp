// The five-generation chart and the name search.
#include "data/recherche/Recherches.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "platform/BoutonImage.h"
#include "tests/FichierJournalise.h"
#include "tests/OutilsTests.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QtTest>

namespace {

QString boite(const TFiche& f) {
    return f.Nom.texte() + u' ' + f.Prenom.texte() + QStringLiteral("\nN : ") +
           f.DateNaissance.texte() + QStringLiteral("\nM : ") + f.DateMariage.texte() +
           QStringLiteral("\nD : ") + f.DateDeces.texte();
}

// Pivot 0; its parents 1 and 2; 1's parents 3 and 4; 3's parents 5 and 6;
// 4's parents 7 and 8; 2's parents 9 and 10; 9's parents 11, 12; 10's 13, 14.
std::vector<TFiche> arbreComplet() {
    std::vector<TFiche> f;
    for (int i = 0; i < 20; ++i)
        f.push_back(personne(QStringLiteral("N%1").arg(i), QStringLiteral("P%1").arg(i), i % 2,
                             QStringLiteral("01/01/%1").arg(1950 - i)));
    lier(f, 0, 1, 2);
    lier(f, 1, 3, 4);
    lier(f, 3, 5, 6);
    lier(f, 4, 7, 8);
    lier(f, 2, 9, 10);
    lier(f, 9, 11, 12);
    lier(f, 10, 13, 14);
    return f;
}

struct Banc {
    explicit Banc(const std::vector<TFiche>& fiches) : donnees(fiches) {
        ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
        auto fichier = std::make_unique<FichierJournalise>();
        journalise = fichier.get();
        session = std::make_unique<Session>(d, std::move(fichier));
    }
    TForm1& form() { return session->form; }
    std::vector<TFiche> donnees;
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
    FichierJournalise* journalise = nullptr;
};

const QString MessageEnfant =
    QStringLiteral("Le chaînage Enfant ne correspond pas au nombre d'enfants");
const QString Nom = QStringLiteral("Quel nom cherchez-vous ?");
const QString Prenom = QStringLiteral("Quel prénom cherchez-vous ?");

} // namespace

class TestArbreRecherche : public QObject {
    Q_OBJECT
private slots:
    void pivotSeul();
    void cinqGenerationsEtOrdreDesLectures();
    void pereSansSonPere();
    void enfantsAvecTrous();
    void enfantsDeclaresMoinsQueLies();
    void enfantsHorsDuFichier();
    void rangsNeufEtDix();
    void rangNeufSansAutreEnfant();
    void boiteDePlusieursEnfantsOffreLeChoix();
    void echapFermeLArbre();
    void parentHorsDuFichierAbandonne();
    void instantaneNonRafraichi();
    void saisieDansMPersFermeLaFenetre();
    void fichierAbsentLaisseLeGraphique();
    void surFicheNouvelleRienNEstMontre();
    void connecteursEtBoites();
    void correspondance_data();
    void correspondance();
    void rechercheDansLOrdreDuFichier();
    void rechercheAnnulee();
    void rechercheFichierVide();
    void rechercheSansChoix();
    void plusDe59Resultats();
    void rechercheDemandeDEnregistrer();
};

void TestArbreRecherche::pivotSeul() {
    Banc b({personne(QStringLiteral("SEUL"), QStringLiteral("Jean"), 0,
                     QStringLiteral("01/01/1900"))});
    b.form().SbArbreClick();
    QVERIFY(Form3->isVisible());
    QCOMPARE(Form3->MPers->toPlainText(), boite(b.donnees[0]));
    QCOMPARE(Form3->MC->toPlainText(), QStringLiteral(" \nN : \nM : \nD : "));
    for (QPlainTextEdit* e : Form3->boites())
        if (e != Form3->MPers && e != Form3->MC)
            QVERIFY2(e->toPlainText().isEmpty(), qPrintable(e->objectName()));
    Form3->SbSortie->click();
    QVERIFY(!Form3->isVisible());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::cinqGenerationsEtOrdreDesLectures() {
    std::vector<TFiche> f = arbreComplet();
    f[0].DateMariage.definir(QStringLiteral("05/05/1975"));
    f[15].DateMariage.definir(QStringLiteral("05/05/1975"));
    Banc b(f);
    b.journalise->lectures = true;
    b.journalise->journal().clear();
    b.form().SbArbreClick();
    const QStringList lectures = b.journalise->journal();
    QCOMPARE(lectures, (QStringList{"lire 1", "lire 2", "lire 3", "lire 4", "lire 5", "lire 6",
                                    "lire 7", "lire 8", "lire 9", "lire 10", "lire 11", "lire 12",
                                    "lire 13", "lire 14"}));
    const std::pair<QPlainTextEdit*, int> attendus[] = {
        {Form3->MP, 1},     {Form3->MM, 2},     {Form3->mgpp, 3},   {Form3->mgmp, 4},
        {Form3->MAGP1, 5},  {Form3->MAGP2, 6},  {Form3->MAGP3, 7},  {Form3->MAGP4, 8},
        {Form3->mgpm, 9},   {Form3->mgmm, 10},  {Form3->MAGP5, 11}, {Form3->MAGP6, 12},
        {Form3->MAGP7, 13}, {Form3->MAGP8, 14}, {Form3->MC, 15}};
    for (const auto& [e, numero] : attendus)
        QCOMPARE(e->toPlainText(), boite(f[static_cast<std::size_t>(numero)]));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::pereSansSonPere() {
    std::vector<TFiche> f = arbreComplet();
    f[1].Pere = -1;
    Banc b(f);
    b.form().SbArbreClick();
    QVERIFY(!Form3->MP->toPlainText().isEmpty());
    QVERIFY(Form3->mgpp->toPlainText().isEmpty());
    QVERIFY(Form3->MAGP1->toPlainText().isEmpty());
    QVERIFY(Form3->MAGP2->toPlainText().isEmpty());
    QCOMPARE(Form3->mgmp->toPlainText(), boite(f[4]));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::enfantsAvecTrous() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 5;
    f[0].Enfants = {12, -1, 7, -1, -1, -1, -1, -1, -1, -1};
    Banc b(f);
    b.form().SbArbreClick();
    QCOMPARE(Form3->ME1->toPlainText(), boite(f[12]));
    QCOMPARE(Form3->ME3->toPlainText(), boite(f[7]));
    for (QPlainTextEdit* e : {Form3->ME2, Form3->ME4, Form3->ME5})
        QVERIFY(e->toPlainText().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::enfantsDeclaresMoinsQueLies() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 2;
    f[0].Enfants = {16, 17, 18, 19, -1, -1, -1, -1, -1, -1};
    Banc b(f);
    b.form().SbArbreClick();
    QCOMPARE(Form3->ME2->toPlainText(), boite(f[17]));
    QVERIFY(Form3->ME3->toPlainText().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::enfantsHorsDuFichier() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 4;
    f[0].Enfants = {500, 16, -9, 17, -1, -1, -1, -1, -1, -1};
    Banc b(f);
    b.d.attendreMessage(MessageEnfant).attendreMessage(MessageEnfant);
    b.form().SbArbreClick();
    QVERIFY(Form3->isVisible());
    QCOMPARE(Form3->ME2->toPlainText(), boite(f[16]));
    QCOMPARE(Form3->ME4->toPlainText(), boite(f[17]));
    QVERIFY(Form3->ME1->toPlainText().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rangsNeufEtDix() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 200; // never read past the ten slots
    f[0].Enfants = {-1, 15, -1, -1, 16, -1, -1, -1, 17, 18};
    Banc b(f);
    b.form().SbArbreClick();
    QCOMPARE(Form3->ME5->toPlainText(), boite(f[16]) + u'\n' + boite(f[17]) + u'\n' + boite(f[18]));
    QVERIFY(Form3->Me8->toPlainText().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rangNeufSansAutreEnfant() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 10;
    f[0].Enfants = {-1, -1, -1, -1, -1, -1, -1, -1, 17, -1};
    Banc b(f);
    b.form().SbArbreClick();
    QCOMPARE(Form3->Me8->toPlainText(), boite(f[17]));
    VERIFIER_DIALOGUES(b.d);
}

// The box that holds ranks 9 and 10 below its own child: a double-click
// offers the choice among them, and the one picked becomes the pivot.
void TestArbreRecherche::boiteDePlusieursEnfantsOffreLeChoix() {
    std::vector<TFiche> f = arbreComplet();
    f[0].NbEnfants = 10;
    f[0].Enfants = {-1, -1, -1, -1, -1, -1, -1, 15, 16, 17};
    Banc b(f);
    b.form().SbArbreClick();
    QVERIFY(Form3->Me8->toolTip().contains(QStringLiteral("fiches 15, 16, 17")));
    // The box shows its own child first, not the last one added below it.
    Form3->show();
    QApplication::processEvents();
    QVERIFY(
        Form3->Me8->cursorForPosition({4, 4}).block().text().startsWith(QStringLiteral("N15 P15")));
    b.d.attendreModal([](QDialog&) {
        if (Form2->nombreLignes() != 3) return false;
        Form2->selectionnerLigne(1);
        return false;
    });
    QTest::mouseDClick(Form3->Me8->viewport(), Qt::LeftButton);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("16"));
    QVERIFY(Form3->MPers->toPlainText().startsWith(QStringLiteral("N16 P16")));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::echapFermeLArbre() {
    Banc b(arbreComplet());
    b.form().SbArbreClick();
    QVERIFY(QTest::qWaitForWindowActive(Form3));
    QTest::keyClick(Form3->MP, Qt::Key_Escape);
    QVERIFY(!Form3->isVisible());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::parentHorsDuFichierAbandonne() {
    std::vector<TFiche> f = arbreComplet();
    f[2].Mere = 900;
    Banc b(f);
    b.d.attendreErreur(QStringLiteral("Lecture au-delà de la fin de fichier."));
    b.form().commande(&TForm1::SbArbreClick);
    QVERIFY(!Form3->isVisible());
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::instantaneNonRafraichi() {
    Banc b(arbreComplet());
    b.form().SbArbreClick();
    const QString avant = Form3->MPers->toPlainText();
    b.form().BtSuivantClick();
    QCOMPARE(Form3->MPers->toPlainText(), avant);
    QVERIFY(Form3->isVisible());
    b.form().SbArbreClick();
    QCOMPARE(Form3->MPers->toPlainText(), boite(b.donnees[1]));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::saisieDansMPersFermeLaFenetre() {
    Banc b(arbreComplet());
    b.form().SbArbreClick();
    QTest::keyClicks(Form3->MP, QStringLiteral("x"));
    QVERIFY(Form3->isVisible());
    QTest::keyClicks(Form3->MPers, QStringLiteral("x"));
    QVERIFY(!Form3->isVisible());
    // What was typed is never stored.
    QCOMPARE(lireFichier(b.rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Nom.texte(),
             QStringLiteral("N0"));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::fichierAbsentLaisseLeGraphique() {
    Banc b(arbreComplet());
    b.form().SbArbreClick();
    const QString avant = Form3->MP->toPlainText();
    QFile::remove(b.rep.chemin(QStringLiteral("VELMORIS.FIC")));
    b.d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    b.form().SbArbreClick();
    QVERIFY(Form3->isVisible());
    QCOMPARE(Form3->MP->toPlainText(), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::surFicheNouvelleRienNEstMontre() {
    Banc b(arbreComplet());
    b.form().SbNouveauClick();
    b.d.attendreErreur(QStringLiteral("'' n'est pas une valeur entière correcte."));
    b.form().commande(&TForm1::SbArbreClick);
    QVERIFY(!Form3->isVisible());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::connecteursEtBoites() {
    Banc b(arbreComplet());
    QCOMPARE(Form3->boites().size(), 24);
    QCOMPARE(Form3->findChildren<QPlainTextEdit*>().size(), 24);
    int traits = 0;
    for (int i = 1; i <= 31; ++i)
        traits += Form3->findChild<QFrame*>(QStringLiteral("Bevel%1").arg(i)) != nullptr;
    QCOMPARE(traits, 31);
    QCOMPARE(Form3->Me8->geometry(), QRect(557, 384, 73, 65));
    QCOMPARE(Form3->MPers->geometry(), QRect(256, 304, 137, 65));
    QCOMPARE(Form3->SbSortie->geometry(), QRect(520, 304, 81, 49));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::correspondance_data() {
    QTest::addColumn<QString>("nomFiche");
    QTest::addColumn<QString>("prenomFiche");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("prenom");
    QTest::addColumn<bool>("trouve");
    QTest::newRow("casse") << "DUPONT"
                           << "Jean"
                           << "dupont"
                           << "jean" << true;
    QTest::newRow("Jean trouve Jeanne") << "Dupont"
                                        << "Jeanne"
                                        << "Dupont"
                                        << "Jean" << true;
    QTest::newRow("Jeanne trouve Jean") << "Dupont"
                                        << "Jean"
                                        << "Dupont"
                                        << "Jeanne" << true;
    QTest::newRow("prénom vide cherché") << "Dupont"
                                         << "Marie"
                                         << "DUPONT"
                                         << "" << true;
    QTest::newRow("prénom vide stocké") << "Dupont"
                                        << ""
                                        << "Dupont"
                                        << "Paul" << true;
    QTest::newRow("nom jamais préfixe") << "Dupontel"
                                        << "Jean"
                                        << "Dupont"
                                        << "Jean" << false;
    QTest::newRow("nom plus court") << "Dupont"
                                    << "Jean"
                                    << "Dupontel"
                                    << "" << false;
    QTest::newRow("accent majuscule") << "DUPRÉ"
                                      << ""
                                      << "Dupré"
                                      << "" << false;
    QTest::newRow("accent identique") << "Dupré"
                                      << ""
                                      << "DUPRé"
                                      << "" << true;
    QTest::newRow("nom vide cherché") << ""
                                      << "X"
                                      << ""
                                      << "" << true;
    QTest::newRow("nom vide, fiche nommée") << "A"
                                            << ""
                                            << ""
                                            << "" << false;
    QTest::newRow("blanc compte") << "DE GAULLE"
                                  << ""
                                  << "DEGAULLE"
                                  << "" << false;
    QTest::newRow("caractère impossible") << "Dupont"
                                          << "Jean"
                                          << "Dupont"
                                          << "JeЖ" << false;
    QTest::newRow("caractère impossible au-delà") << "Dupont"
                                                  << "Je"
                                                  << "Dupont"
                                                  << "JeЖ" << true;
}

void TestArbreRecherche::correspondance() {
    QFETCH(QString, nomFiche);
    QFETCH(QString, prenomFiche);
    QFETCH(QString, nom);
    QFETCH(QString, prenom);
    QFETCH(bool, trouve);
    QCOMPARE(CritereNom(nom, prenom).correspond(personne(nomFiche, prenomFiche)), trouve);
}

void TestArbreRecherche::rechercheDansLOrdreDuFichier() {
    Banc b({personne(QStringLiteral("DUPONT"), QStringLiteral("Jean"), 0,
                     QStringLiteral("01/01/1900")),
            personne(QStringLiteral("Dupont"), QStringLiteral("Jeanne")),
            personne(QStringLiteral("Dupont"), QStringLiteral("Marie")),
            personne(QStringLiteral("Dupontel"), QStringLiteral("Jean"))});
    QStringList lignes;
    b.d.attendreSaisie(Nom, QStringLiteral("dupont"))
        .attendreSaisie(Prenom, QStringLiteral("jean"));
    b.d.attendreModal([&](QDialog&) {
        for (int i = 0; i < Form2->nombreLignes(); ++i)
            lignes << Form2->texteLigne(i);
        Form2->selectionnerLigne(1);
        return false;
    });
    b.form().SbRechercherClick();
    QCOMPARE(b.d.derniersParametres().titre, QStringLiteral("RECHERCHE ARBRE GENEALOGIQUE"));
    QCOMPARE(lignes, (QStringList{QStringLiteral("DUPONT Jean 01/01/1900"),
                                  QStringLiteral("Dupont Jeanne ")}));
    QCOMPARE(Form2->Lab->text(),
             QStringLiteral("Sélectionnez une personne et cliquez sur Fermer, ou Annuler"));
    QCOMPARE(Form2->windowTitle(), QStringLiteral("Liste des enfants connus ou enregistrés"));
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("1"));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rechercheAnnulee() {
    Banc b({personne(QStringLiteral("A")), personne(QString(), QStringLiteral("Sans nom")),
            personne(QStringLiteral("B"))});
    int lignes = 0;
    b.d.attendreSaisie(Nom, std::nullopt).attendreSaisie(Prenom, std::nullopt);
    b.d.attendreModal([&](QDialog&) {
        lignes = Form2->nombreLignes();
        return false;
    });
    b.form().SbRechercherClick();
    QCOMPARE(lignes, 1);
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rechercheFichierVide() {
    Banc b({});
    int lignes = -1;
    b.d.attendreSaisie(Nom, QStringLiteral("X")).attendreSaisie(Prenom, QString());
    b.d.attendreModal([&](QDialog&) {
        lignes = Form2->nombreLignes();
        return false;
    });
    b.form().SbRechercherClick();
    QCOMPARE(lignes, 0);
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rechercheSansChoix() {
    std::vector<TFiche> f = arbreComplet();
    Banc b(f);
    QCOMPARE(b.form().ENP->text(), QStringLiteral("N1"));
    b.d.attendreSaisie(Nom, QStringLiteral("N5")).attendreSaisie(Prenom, QString());
    b.d.attendreModal([](QDialog&) { return false; });
    b.form().SbRechercherClick();
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("0"));
    QVERIFY(b.form().ENP->text().isEmpty());
    QVERIFY(b.form().IPhoto->isHidden());
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::plusDe59Resultats() {
    std::vector<TFiche> f;
    for (int i = 0; i < 150; ++i)
        f.push_back(personne(i % 2 ? QStringLiteral("MARTIN") : QStringLiteral("AUTRE"),
                             QString::number(i)));
    Banc b(f);
    int lignes = 0;
    b.d.attendreSaisie(Nom, QStringLiteral("martin")).attendreSaisie(Prenom, QString());
    b.d.attendreModal([&](QDialog&) {
        lignes = Form2->nombreLignes();
        Form2->selectionnerLigne(70);
        return false;
    });
    b.form().SbRechercherClick();
    QCOMPARE(lignes, 75);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("141"));
    QCOMPARE(b.form().EPrenom->text(), QStringLiteral("141"));
    VERIFIER_DIALOGUES(b.d);
}

void TestArbreRecherche::rechercheDemandeDEnregistrer() {
    Banc b(arbreComplet());
    b.form().EProfession->setText(QStringLiteral("Forgeron"));
    b.d.attendreQuestion(QStringLiteral("Voulez-vous enregistrer les modifications "), true)
        .attendreSaisie(Nom, QStringLiteral("N3"))
        .attendreSaisie(Prenom, QString())
        .attendreModal([](QDialog&) {
            Form2->selectionnerLigne(0);
            return false;
        });
    b.form().SbRechercherClick();
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("3"));
    QCOMPARE(lireFichier(b.rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Profession.texte(),
             QStringLiteral("Forgeron"));
    VERIFIER_DIALOGUES(b.d);
}

QTEST_MAIN(TestArbreRecherche)
#include "test_arbre_recherche.moc"
