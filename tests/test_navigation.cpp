// Moving between records and relatives, the pick list and the spouse search.
#include "data/recherche/Recherches.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "tests/OutilsTests.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

namespace {

const QString ErreurChainage = QStringLiteral("Il y a une erreur de chaînage");

std::vector<TFiche> numerotees(int nombre) {
    std::vector<TFiche> f;
    for (int i = 0; i < nombre; ++i)
        f.push_back(personne(QStringLiteral("N%1").arg(i), QStringLiteral("P%1").arg(i), 0,
                             QStringLiteral("01/01/19%1").arg(10 + i)));
    return f;
}

struct Banc {
    explicit Banc(const std::vector<TFiche>& fiches) {
        ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
        session = std::make_unique<Session>(d);
    }
    TForm1& form() { return session->form; }
    QString num() { return form().NumEnreg->text(); }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

// The pick list as a user leaves it: lines read, one picked (or none), closed.
std::function<bool(QDialog&)> choisirLigne(int ligne, QStringList* lignes = nullptr) {
    return [ligne, lignes](QDialog&) {
        if (lignes)
            for (int i = 0; i < Form2->nombreLignes(); ++i)
                *lignes << Form2->texteLigne(i);
        if (ligne >= 0) Form2->selectionnerLigne(ligne);
        return false;
    };
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void suivantEtPrecedentSansNumero();
    void precedentALaPremiere();
    void derniereEtAuDela();
    void derniereSurFichierVide();
    void premiere();
    void pereEtMere();
    void parentInconnu();
    void questionAvantChaqueDeplacement_data();
    void questionAvantChaqueDeplacement();
    void deplacementArreteSiLEnregistrementEchoue();
    void enfantsAvecTrou();
    void enfantDeuxFois();
    void douzeDeclaresDixLus();
    void enfantsHorsDuFichier();
    void aucunEnfantDeclare();
    void aucunEnfantLisible();
    void listeFermeeSansChoix();
    void listeNeSeFermeNiParEntreeNiParEchap();
    void conjointParEnfantMemeRang();
    void conjointParDateDeMariage();
    void pasDeConjointParDateVide();
    void ficheCouranteJamaisCandidate();
    void sansConjointRienNeChange();
    void conjointDemandeDEnregistrer();
    void f10OuvreLaBarreDeMenus();
    void conjointFichiersMinuscules();
    void conjointSurFicheNouvelle();
};

void TestNavigation::suivantEtPrecedentSansNumero() {
    Banc b(numerotees(3));
    b.form().SbNouveauClick();
    b.form().SbPrecedentClick();
    QVERIFY(b.num().isEmpty());
    b.form().BtSuivantClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    b.form().BtSuivantClick();
    QCOMPARE(b.num(), QStringLiteral("1"));
    b.form().SbPrecedentClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::precedentALaPremiere() {
    std::vector<TFiche> f = numerotees(3);
    f[0].Pere = 1;
    Banc b(f);
    QCOMPARE(b.form().ENP->text(), QStringLiteral("N1"));
    b.form().SbPrecedentClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    QVERIFY(b.form().ENP->text().isEmpty());
    QVERIFY(b.form().IPhoto->isHidden());
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::derniereEtAuDela() {
    Banc b(numerotees(6));
    b.form().SbFinClick();
    QCOMPARE(b.num(), QStringLiteral("5"));
    b.d.attendreMessage(QStringLiteral("Il n'y a pas d'autres enregistrements"));
    b.form().BtSuivantClick();
    QCOMPARE(b.num(), QStringLiteral("5"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::derniereSurFichierVide() {
    Banc b({});
    b.form().SbFinClick();
    b.form().SbDebutClick();
    QVERIFY(b.num().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::premiere() {
    Banc b(numerotees(4));
    b.form().pAfficherEnreg(3);
    b.form().SbDebutClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::pereEtMere() {
    std::vector<TFiche> f = numerotees(4);
    f[3].Pere = 1;
    f[3].Mere = 2;
    Banc b(f);
    b.form().pAfficherEnreg(3);
    b.form().BTPereClick();
    QCOMPARE(b.num(), QStringLiteral("1"));
    b.form().pAfficherEnreg(3);
    b.form().BtMereClick();
    QCOMPARE(b.num(), QStringLiteral("2"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::parentInconnu() {
    std::vector<TFiche> f = numerotees(3);
    f[2].Mere = 0;
    f[2].Pere = -1;
    Banc b(f);
    b.form().pAfficherEnreg(2);
    b.d.attendreMessage(QStringLiteral("Le père n'est pas actuellement connu"));
    b.form().BTPereClick();
    QCOMPARE(b.num(), QStringLiteral("2"));
    QVERIFY(b.form().ENM->text().isEmpty());
    f[2].Mere = -1;
    ecrireFichier(b.rep.chemin(QStringLiteral("VELMORIS.FIC")), f);
    b.form().pAfficherEnreg(2);
    b.d.attendreMessage(QStringLiteral("La mère n'est pas actuellement connue"));
    b.form().BtMereClick();
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::questionAvantChaqueDeplacement_data() {
    QTest::addColumn<int>("commande");
    QTest::addColumn<QString>("arrivee");
    QTest::newRow("première") << 0 << "0";
    QTest::newRow("précédente") << 1 << "0";
    QTest::newRow("suivante") << 2 << "2";
    QTest::newRow("dernière") << 3 << "3";
    QTest::newRow("père") << 4 << "0";
    QTest::newRow("mère") << 5 << "3";
    QTest::newRow("enfant") << 6 << "2";
}

void TestNavigation::questionAvantChaqueDeplacement() {
    QFETCH(int, commande);
    QFETCH(QString, arrivee);
    std::vector<TFiche> f = numerotees(4);
    f[1].Pere = 0;
    f[1].Mere = 3;
    f[1].NbEnfants = 1;
    f[1].Enfants[0] = 2;
    Banc b(f);
    b.form().pAfficherEnreg(1);
    b.form().EProfession->setText(QStringLiteral("Notaire"));
    b.d.attendreQuestion(QuestionEnregistrer, true);
    if (commande == 6) b.d.attendreModal(choisirLigne(0));
    void (TForm1::*commandes[])() = {&TForm1::SbDebutClick,   &TForm1::SbPrecedentClick,
                                     &TForm1::BtSuivantClick, &TForm1::SbFinClick,
                                     &TForm1::BTPereClick,    &TForm1::BtMereClick,
                                     &TForm1::BtEnfantClick};
    (b.form().*commandes[commande])();
    QCOMPARE(b.num(), arrivee);
    QCOMPARE(lireFichier(b.rep.chemin(QStringLiteral("VELMORIS.FIC")))[1].Profession.texte(),
             QStringLiteral("Notaire"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::deplacementArreteSiLEnregistrementEchoue() {
    Banc b(numerotees(3));
    b.form().EDD->setText(QStringLiteral("hier"));
    b.d.attendreQuestion(QuestionEnregistrer, true)
        .attendreMessage(QStringLiteral(
            "La date hier doit contenir une année à quatre chiffres entre 1000 et 2050"));
    b.form().BtSuivantClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    QCOMPARE(b.form().EDD->text(), QStringLiteral("hier"));
    QVERIFY(b.form().Modifie());
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::enfantsAvecTrou() {
    std::vector<TFiche> f = numerotees(10);
    f[0].NbEnfants = 3;
    f[0].Enfants[0] = 5;
    f[0].Enfants[2] = 9;
    Banc b(f);
    QStringList lignes;
    b.d.attendreModal(choisirLigne(1, &lignes));
    b.form().BtEnfantClick();
    QCOMPARE(lignes,
             (QStringList{QStringLiteral("N5 P5 01/01/1915"), QStringLiteral("N9 P9 01/01/1919")}));
    QCOMPARE(Form2->Lab->text(),
             QStringLiteral("Sélectionnez l'un des enfants ou cliquez le bouton Fermer"));
    QCOMPARE(b.num(), QStringLiteral("9"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::enfantDeuxFois() {
    std::vector<TFiche> f = numerotees(8);
    f[0].NbEnfants = 2;
    f[0].Enfants[0] = 7;
    f[0].Enfants[1] = 7;
    Banc b(f);
    QStringList lignes;
    b.d.attendreModal(choisirLigne(-1, &lignes));
    b.form().BtEnfantClick();
    QCOMPARE(lignes.size(), 2);
    QCOMPARE(lignes[0], lignes[1]);
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::douzeDeclaresDixLus() {
    std::vector<TFiche> f = numerotees(12);
    f[0].NbEnfants = 12;
    for (int i = 0; i < 10; ++i)
        f[0].Enfants[i] = i + 1;
    Banc b(f);
    QStringList lignes;
    b.d.attendreModal(choisirLigne(-1, &lignes));
    b.form().BtEnfantClick();
    QCOMPARE(lignes.size(), 10);
    QCOMPARE(lignes.back(), QStringLiteral("N10 P10 01/01/1920"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::enfantsHorsDuFichier() {
    std::vector<TFiche> f = numerotees(20);
    f[0].NbEnfants = 4;
    f[0].Enfants = {1000, 3, -7, 20, -1, -1, -1, -1, -1, -1};
    Banc b(f);
    QStringList lignes;
    b.d.attendreMessage(ErreurChainage)
        .attendreMessage(ErreurChainage)
        .attendreMessage(ErreurChainage);
    b.d.attendreModal(choisirLigne(-1, &lignes));
    b.form().BtEnfantClick();
    QCOMPARE(lignes, QStringList{QStringLiteral("N3 P3 01/01/1913")});
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::aucunEnfantDeclare() {
    std::vector<TFiche> f = numerotees(3);
    f[0].Enfants[0] = 1; // linked, but none declared
    Banc b(f);
    b.d.attendreMessage(QStringLiteral("Les enfants éventuels ne sont pas actuellement connus"));
    b.form().BtEnfantClick();
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::aucunEnfantLisible() {
    std::vector<TFiche> f = numerotees(3);
    f[0].NbEnfants = 3;
    f[0].Enfants[1] = 50;
    Banc b(f);
    b.d.attendreMessage(ErreurChainage)
        .attendreMessage(QStringLiteral("Pas d'enfant(s) actuellement connu(s) dans le fichier"));
    b.form().BtEnfantClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::listeFermeeSansChoix() {
    std::vector<TFiche> f = numerotees(3);
    f[0].NbEnfants = 1;
    f[0].Enfants[0] = 2;
    f[0].Pere = 1;
    Banc b(f);
    b.d.attendreModal(choisirLigne(-1));
    b.form().BtEnfantClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    QCOMPARE(b.form().ENP->text(), QStringLiteral("N1")); // untouched: nothing was picked
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::listeNeSeFermeNiParEntreeNiParEchap() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    Form2->commencer(QStringLiteral("Choisissez"));
    Form2->ajouter(QStringLiteral("A B 01/01/1900"), 4);
    Form2->show();
    for (int touche : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent appui(QEvent::KeyPress, touche, Qt::NoModifier);
        QApplication::sendEvent(Form2, &appui);
        QVERIFY(Form2->isVisible());
    }
    QVERIFY(!Form2->BitBtn1->isDefault() && !Form2->BitBtn1->autoDefault());
    Form2->BitBtn1->click();
    QVERIFY(!Form2->isVisible());
    VERIFIER_DIALOGUES(d);
}

void TestNavigation::conjointParEnfantMemeRang() {
    std::vector<TFiche> f = numerotees(6);
    // Person 0 holds child 5 in slot 0; record 1 holds it in slot 1 only; record 3 in slot 1
    // where person 0 holds child 4.
    f[0].NbEnfants = 2;
    f[0].Enfants[0] = 5;
    f[0].Enfants[1] = 4;
    f[1].Enfants[1] = 5;
    f[3].Enfants[1] = 4;
    Banc b(f);
    b.form().BtConjointClick();
    QCOMPARE(b.num(), QStringLiteral("3"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::conjointParDateDeMariage() {
    std::vector<TFiche> f = numerotees(5);
    for (TFiche& p : f)
        p.DateMariage.definir(QStringLiteral("01/01/1900"));
    f[2].DateMariage.definir(QStringLiteral("12/06/1950"));
    f[3].DateMariage.definir(QStringLiteral("12/06/1950"));
    f[3].Qualite = 0; // same sex: still the spouse
    f[4].DateMariage.definir(QStringLiteral("12/06/1950"));
    Banc b(f);
    b.form().pAfficherEnreg(4);
    b.form().BtConjointClick();
    QCOMPARE(b.num(), QStringLiteral("2"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::pasDeConjointParDateVide() {
    Banc b(numerotees(4)); // no marriage date anywhere
    b.form().BtConjointClick();
    QCOMPARE(b.num(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::ficheCouranteJamaisCandidate() {
    for (int courant : {0, 2}) {
        std::vector<TFiche> f = numerotees(3);
        f[courant].DateMariage.definir(QStringLiteral("01/02/1930"));
        Banc b(f);
        b.form().pAfficherEnreg(courant);
        b.form().BtConjointClick();
        QCOMPARE(b.num(), QString::number(courant));
        VERIFIER_DIALOGUES(b.d);
    }
}

void TestNavigation::sansConjointRienNeChange() {
    std::vector<TFiche> f = numerotees(3);
    f[1].Pere = 0;
    Banc b(f);
    b.form().pAfficherEnreg(1);
    TFiche copie = b.form().FicheCourante();
    copie.DateMariage.definir(QStringLiteral("01/01/2000"));
    QCOMPARE(b.form().ChercherConjoint(copie), -1);
    QVERIFY(copie.Nom.vide() && copie.Prenom.vide() && copie.DateNaissance.vide());
    QVERIFY(copie.DateMariage.vide() && copie.DateDeces.vide());
    QCOMPARE(copie.Pere, 0); // the other fields keep the caller's values
    b.form().BtConjointClick();
    QCOMPARE(b.form().ENP->text(), QStringLiteral("N0"));
    QCOMPARE(b.num(), QStringLiteral("1"));
    VERIFIER_DIALOGUES(b.d);
}

// The spouse command asks the save question, as every other move does.
// Alt+F and Alt+A reach the "&Fermer" and "&Aide" buttons: F10 opens the
// first menu, from which the arrows lead to every other.
void TestNavigation::f10OuvreLaBarreDeMenus() {
    Banc b(numerotees(2));
    b.form().show();
    QVERIFY(QTest::qWaitForWindowActive(&b.form()));
    QTest::keyClick(b.form().ENom, Qt::Key_F10);
    QCOMPARE(b.form().menuBar()->activeAction(), b.form().menuBar()->actions().front());
    QCOMPARE(b.form().menuBar()->activeAction()->text(), QStringLiteral("&Fichiers"));
    VERIFIER_DIALOGUES(b.d);
}

void TestNavigation::conjointDemandeDEnregistrer() {
    std::vector<TFiche> f = numerotees(3);
    f[0].DateMariage.definir(QStringLiteral("01/02/1930"));
    f[2].DateMariage.definir(QStringLiteral("01/02/1930"));
    Banc b(f);
    b.form().EProfession->setText(QStringLiteral("gardé"));
    b.d.attendreQuestion(QuestionEnregistrer, true);
    b.form().BtConjointClick();
    QCOMPARE(b.num(), QStringLiteral("2"));
    QCOMPARE(lireFichier(b.rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Profession.texte(),
             QStringLiteral("gardé"));
    VERIFIER_DIALOGUES(b.d);
}

// The search ends for every size of file and never reads past its end.
void TestNavigation::conjointFichiersMinuscules() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    TFiche fiche = personne(QStringLiteral("X"));
    fiche.DateMariage.definir(QStringLiteral("01/01/1950"));
    for (int nombre : {0, 1, 2}) {
        std::vector<TFiche> f(static_cast<std::size_t>(nombre), fiche);
        ecrireFichier(chemin, f);
        for (int courant : {0, 1, -1}) {
            FichierDisque fichier;
            fichier.ouvrir(chemin);
            TFiche trouve;
            const int n = chercherConjoint(fichier, fiche, courant, trouve);
            const int attendu =
                nombre == 2 && courant >= 0 ? 1 - courant : (nombre >= 1 && courant != 0 ? 0 : -1);
            QCOMPARE(n, attendu);
        }
    }
}

void TestNavigation::conjointSurFicheNouvelle() {
    Banc b(numerotees(2));
    b.form().SbNouveauClick();
    b.d.attendreErreur(QStringLiteral("'' n'est pas une valeur entière correcte."));
    b.form().commande(&TForm1::BtConjointClick);
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
