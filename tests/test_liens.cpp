// Linking parents through the dialog, and removing a record's links.
#include "data/recherche/Parente.h"
#include "data/recherche/Verification.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uLien.h"
#include "tests/FichierJournalise.h"
#include "tests/OutilsTests.h"

#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QtTest>

namespace {

const QString SansDate = QStringLiteral("?\?/?\?/?\?\?\?");

struct Choix {
    int pere = -1, mere = -1, rangPere = -1, rangMere = -1;
    bool confirme = true;
};

// The user's work in the dialog: the lines it shows are kept, the choices made.
std::function<bool(QDialog&)> dansLeDialogue(Choix choix, QStringList* peres = nullptr,
                                             QStringList* meres = nullptr) {
    return [=](QDialog&) {
        auto lire = [](QListView* liste, QStringList* lignes) {
            if (!lignes) return;
            for (int i = 0; i < liste->model()->rowCount(); ++i)
                *lignes << liste->model()->index(i, 0).data().toString();
        };
        lire(FormLien->LBPere, peres);
        lire(FormLien->LBMere, meres);
        if (choix.pere >= 0) FormLien->selectionner(FormLien->LBPere, choix.pere);
        if (choix.mere >= 0) FormLien->selectionner(FormLien->LBMere, choix.mere);
        if (choix.rangPere >= 0) FormLien->LbOrdreP->setCurrentRow(choix.rangPere);
        if (choix.rangMere >= 0) FormLien->LBordreM->setCurrentRow(choix.rangMere);
        return choix.confirme;
    };
}

struct Banc {
    explicit Banc(const std::vector<TFiche>& fiches) {
        ecrireFichier(fic(), fiches);
        auto fichier = std::make_unique<FichierJournalise>();
        journal = &fichier->journal();
        session = std::make_unique<Session>(d, std::move(fichier));
        journal->clear();
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    std::vector<TFiche> disque() const { return lireFichier(fic()); }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
    QStringList* journal = nullptr;
};

TFiche ne(const QString& nom, const QString& prenom, int qualite, const QString& date) {
    return personne(nom, prenom, qualite, date);
}

// Record 0 is the child, born in 1950; the others are possible parents.
std::vector<TFiche> familleDe1950() {
    return {ne(QStringLiteral("ENFANT"), QStringLiteral("Léa"), 2, QStringLiteral("01/01/1950")),
            ne(QStringLiteral("P1937"), QStringLiteral("A"), 0, QStringLiteral("01/01/1937")),
            ne(QStringLiteral("P1861"), QStringLiteral("B"), 0, QStringLiteral("01/01/1861")),
            ne(QStringLiteral("P1938"), QStringLiteral("C"), 0, QStringLiteral("01/01/1938")),
            ne(QStringLiteral("P1860"), QStringLiteral("D"), 0, QStringLiteral("01/01/1860")),
            ne(QStringLiteral("P1960"), QStringLiteral("E"), 0, QStringLiteral("01/01/1960")),
            ne(QStringLiteral("SANSDATE"), QStringLiteral("F"), 0, QString()),
            ne(QStringLiteral("MLLE"), QStringLiteral("G"), 2, QStringLiteral("05/05/1920")),
            ne(QStringLiteral("MME"), QStringLiteral("H"), 1, QStringLiteral("ca. 1925"))};
}

} // namespace

class TestLiens : public QObject {
    Q_OBJECT
private slots:
    void inscrireEnfant_data();
    void inscrireEnfant();
    void candidatsSelonLAnneeEtLaQualite();
    void listesVidesOuSansCandidat();
    void dateIllisibleUnSeulMessage();
    void impossiblesEnDernierEtFiltre();
    void parentsEtEnfantEcritsUneFois();
    void pereInconnuMereEcrite();
    void deuxInconnusEcriventSeulementLEnfant();
    void emplacementOccupeEcrase();
    void rangsAuDeuxiemeUsage();
    void ficheCouranteJamaisCandidate();
    void rienNEstEcritAvantLesVerifications_data();
    void rienNEstEcritAvantLesVerifications();
    void descendantRefuseCommeParent();
    void fichierCoupePendantLeDialogue();
    void dateEnfantRefusee();
    void dateEnfantVide();
    void selectionsManquantes_data();
    void selectionsManquantes();
    void dialogueAnnule();
    void plusDe251Candidats();
    void ficheNouvelleEnregistreeDAbord();
    void ficheNouvelleDateRefuseeRienNEstLie();
    void briserLesChainages_data();
    void briserLesChainages();
    void briserSansNumero();
    void briserFichierAbsent();
};

void TestLiens::inscrireEnfant_data() {
    QTest::addColumn<int>("rang");
    QTest::addColumn<int>("nbAvant");
    QTest::addColumn<QList<int>>("attendus");
    QTest::addColumn<int>("nbApres");
    QTest::newRow("troisième") << 2 << 0 << QList<int>{12, 12, 12, -1} << 3;
    QTest::newRow("deuxième") << 1 << 0 << QList<int>{-1, 12, -1, -1} << 2;
    QTest::newRow("ainé garde 5") << 0 << 5 << QList<int>{12, -1, -1, -1} << 5;
    QTest::newRow("dixième") << 9 << 0 << QList<int>{12, 12, 12, 12} << 10;
}

void TestLiens::inscrireEnfant() {
    QFETCH(int, rang);
    QFETCH(int, nbAvant);
    QFETCH(QList<int>, attendus);
    QFETCH(int, nbApres);
    TFiche parent = personne(QStringLiteral("P"));
    parent.NbEnfants = static_cast<std::uint8_t>(nbAvant);
    ::inscrireEnfant(parent, rang, 12);
    for (int i = 0; i < attendus.size(); ++i)
        QCOMPARE(parent.Enfants[i], attendus[i]);
    QCOMPARE(int(parent.NbEnfants), nbApres);
}

void TestLiens::candidatsSelonLAnneeEtLaQualite() {
    Banc b(familleDe1950());
    QStringList peres, meres;
    b.d.attendreModal(dansLeDialogue({.confirme = false}, &peres, &meres));
    b.form().SBChainerClick();
    // In name order, as the index sorts them.
    QCOMPARE(peres, (QStringList{QStringLiteral("P1861 B né le 01/01/1861"),
                                 QStringLiteral("P1937 A né le 01/01/1937"),
                                 QStringLiteral("SANSDATE F né le ") + SansDate,
                                 QStringLiteral("Inconnu")}));
    QCOMPARE(meres,
             (QStringList{QStringLiteral("MLLE G née le 05/05/1920"),
                          QStringLiteral("MME H née le ca. 1925"), QStringLiteral("Inconnue")}));
    QCOMPARE(FormLien->EEnfant->text(), QStringLiteral("ENFANT Léa 01/01/1950"));
    QVERIFY(b.journal->isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::listesVidesOuSansCandidat() {
    Banc b({ne(QStringLiteral("SEUL"), QStringLiteral("A"), 0, QStringLiteral("01/01/1950"))});
    QStringList peres, meres;
    b.d.attendreModal(dansLeDialogue({.confirme = false}, &peres, &meres));
    b.form().SBChainerClick();
    QCOMPARE(peres, QStringList{QStringLiteral("Inconnu")});
    QCOMPARE(meres, QStringList{QStringLiteral("Inconnue")});
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::dateIllisibleUnSeulMessage() {
    std::vector<TFiche> f = familleDe1950();
    f.push_back(ne(QStringLiteral("AUTRE"), QStringLiteral("X"), 0, QStringLiteral("vers 18xx")));
    Banc b(f);
    QStringList peres;
    b.d.attendreMessage(QStringLiteral("Date(s) de naissance inconnue(s) ou contenant une erreur : "
                                       "fiche 9 (AUTRE X, « vers 18xx »)."))
        .attendreModal(dansLeDialogue({.confirme = false}, &peres));
    b.form().SBChainerClick();
    QVERIFY(peres.contains(QStringLiteral("AUTRE X né le vers 18xx")));
    VERIFIER_DIALOGUES(b.d);
}

// A mother dead before the birth, a father dead more than 300 days before
// it, come after the others, marked; a father dead 214 days before stays.
// The filter narrows each list by the words of the names.
void TestLiens::impossiblesEnDernierEtFiltre() {
    std::vector<TFiche> f = familleDe1950();
    f[7].DateDeces.definir(QStringLiteral("12/05/1940"));
    f[1].DateDeces.definir(QStringLiteral("01/03/1949"));
    f[2].DateDeces.definir(QStringLiteral("01/06/1949"));
    f.push_back(ne(QStringLiteral("AUBRY"), QStringLiteral("I"), 1, QStringLiteral("vers 1920")));
    f.back().DateDeces.definir(QStringLiteral("vers 1945")); // could be after the birth
    Banc b(f);
    QStringList peres, meres, filtres;
    b.d.attendreModal([&](QDialog& dialogue) {
        dansLeDialogue({.confirme = false}, &peres, &meres)(dialogue);
        FormLien->EFiltrePere->setText(QStringLiteral("sans"));
        for (int i = 0; i < FormLien->LBPere->model()->rowCount(); ++i)
            filtres << FormLien->LBPere->model()->index(i, 0).data().toString();
        FormLien->EFiltreMere->setText(QStringLiteral("i aubr"));
        filtres << FormLien->LBMere->model()->index(0, 0).data().toString();
        return false;
    });
    b.form().SBChainerClick();
    QCOMPARE(peres, (QStringList{QStringLiteral("P1861 B né le 01/01/1861"),
                                 QStringLiteral("SANSDATE F né le ") + SansDate,
                                 QStringLiteral("P1937 A né le 01/01/1937 — impossible : décédé le "
                                                "01/03/1949, plus de 300 jours avant la naissance"),
                                 QStringLiteral("Inconnu")}));
    QCOMPARE(meres, (QStringList{QStringLiteral("AUBRY I née le vers 1920"),
                                 QStringLiteral("MME H née le ca. 1925"),
                                 QStringLiteral("MLLE G née le 05/05/1920 — impossible : décédée "
                                                "le 12/05/1940, avant la naissance"),
                                 QStringLiteral("Inconnue")}));
    QCOMPARE(filtres,
             (QStringList{QStringLiteral("SANSDATE F né le ") + SansDate, QStringLiteral("Inconnu"),
                          QStringLiteral("AUBRY I née le vers 1920")}));
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::parentsEtEnfantEcritsUneFois() {
    Banc b(familleDe1950());
    b.form().EProfession->setText(QStringLiteral("Peintre")); // pending edit, saved at the end
    b.d.attendreModal(dansLeDialogue({.pere = 0, .mere = 0, .rangPere = 2, .rangMere = 0}));
    b.form().SBChainerClick();
    // One change: each record written once.
    QCOMPARE(*b.journal,
             (QStringList{QStringLiteral("écrire 0 ENFANT"), QStringLiteral("écrire 2 P1861"),
                          QStringLiteral("écrire 7 MLLE")}));
    const auto f = b.disque();
    QCOMPARE(f[0].Pere, 2);
    QCOMPARE(f[0].Mere, 7);
    QCOMPARE(f[0].Profession.texte(), QStringLiteral("Peintre"));
    QCOMPARE(f[2].Enfants[0], 0);
    QCOMPARE(f[2].Enfants[2], 0);
    QCOMPARE(int(f[2].NbEnfants), 3);
    QCOMPARE(f[7].Enfants[0], 0);
    QCOMPARE(int(f[7].NbEnfants), 1);
    QCOMPARE(b.form().ENP->text(), QStringLiteral("P1861"));
    QCOMPARE(b.form().ENM->text(), QStringLiteral("MLLE"));
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::pereInconnuMereEcrite() {
    Banc b(familleDe1950());
    b.d.attendreModal(dansLeDialogue({.pere = 3, .mere = 1, .rangPere = 0, .rangMere = 1}));
    b.form().SBChainerClick();
    QCOMPARE(b.journal->size(), 2);
    const auto f = b.disque();
    QCOMPARE(f[0].Pere, -1);
    QCOMPARE(f[0].Mere, 8);
    QCOMPARE(f[8].Enfants[0], -1);
    QCOMPARE(f[8].Enfants[1], 0);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::deuxInconnusEcriventSeulementLEnfant() {
    std::vector<TFiche> f = familleDe1950();
    f[0].Pere = 1;
    Banc b(f);
    b.form().EProfession->setText(QStringLiteral("non enregistré"));
    b.d.attendreModal(dansLeDialogue({.pere = 3, .mere = 2, .rangPere = 0, .rangMere = 0}));
    b.form().SBChainerClick();
    QCOMPARE(*b.journal, QStringList{QStringLiteral("écrire 0 ENFANT")});
    QCOMPARE(b.disque()[0].Pere, -1);
    QCOMPARE(b.disque()[0].Mere, -1);
    QVERIFY(b.disque()[0].Profession.vide());
    QVERIFY(b.form().Modifie()); // the pending edit is still on the form
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::emplacementOccupeEcrase() {
    std::vector<TFiche> f = familleDe1950();
    f[1].Enfants[0] = 5;
    f[1].NbEnfants = 1;
    Banc b(f);
    b.d.attendreModal(dansLeDialogue({.pere = 1, .mere = 2, .rangPere = 0, .rangMere = 0}));
    b.form().SBChainerClick();
    QCOMPARE(b.disque()[1].Enfants[0], 0);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::rangsAuDeuxiemeUsage() {
    Banc b(familleDe1950());
    b.d.attendreModal(dansLeDialogue({.rangPere = 4, .rangMere = 6, .confirme = false}));
    b.form().SBChainerClick();
    int rangPere = 0, rangMere = 0;
    b.d.attendreModal([&](QDialog&) {
        rangPere = FormLien->choix().rangPere;
        rangMere = FormLien->choix().rangMere;
        return false;
    });
    b.form().SBChainerClick();
    // Neither rank of another child is offered again.
    QCOMPARE(rangPere, -1);
    QCOMPARE(rangMere, -1);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::ficheCouranteJamaisCandidate() {
    Banc b({ne(QStringLiteral("MOI"), QStringLiteral("A"), 0, QString())});
    b.form().EDN->setText(QStringLiteral("01/01/1950")); // typed, not saved
    QStringList peres;
    b.d.attendreModal(dansLeDialogue({.confirme = false}, &peres));
    b.form().SBChainerClick();
    QCOMPARE(peres, QStringList{QStringLiteral("Inconnu")});
    VERIFIER_DIALOGUES(b.d);
}

// A new person whose linking stops anywhere before the last step leaves the
// file exactly as it was: nothing is saved ahead of the checks.
void TestLiens::rienNEstEcritAvantLesVerifications_data() {
    QTest::addColumn<QString>("naissance");
    QTest::addColumn<QString>("deces");
    QTest::addColumn<QString>("erreur");  // the general error box, if any
    QTest::addColumn<QString>("message"); // the plain message, if any
    QTest::newRow("date de naissance vide")
        << QString() << QString() << QStringLiteral("'' n'est pas une valeur entière correcte.")
        << QString();
    QTest::newRow("date de décès refusée")
        << QStringLiteral("02/02/1950") << QStringLiteral("1990") << QString()
        << QStringLiteral("La date 1990 doit contenir une année à quatre chiffres entre 1000 et "
                          "2050");
    QTest::newRow("dialogue annulé")
        << QStringLiteral("02/02/1950") << QString() << QString() << QString();
}

void TestLiens::rienNEstEcritAvantLesVerifications() {
    QFETCH(QString, naissance);
    QFETCH(QString, deces);
    QFETCH(QString, erreur);
    QFETCH(QString, message);
    Banc b(familleDe1950());
    const QByteArray avant = octetsDe(b.fic());
    b.form().SbNouveauClick();
    b.form().ENom->setText(QStringLiteral("NOUVEAU"));
    b.form().EDN->setText(naissance);
    b.form().EDD->setText(deces);
    if (!erreur.isEmpty())
        b.d.attendreErreur(erreur);
    else if (!message.isEmpty())
        b.d.attendreMessage(message);
    else
        b.d.attendreModal(dansLeDialogue({0, 0, 0, 0, false}));
    b.form().commande(&TForm1::SBChainerClick);
    QCOMPARE(octetsDe(b.fic()), avant);
    QCOMPARE(b.form().ENom->text(), QStringLiteral("NOUVEAU"));
    QVERIFY(b.form().NumEnreg->text().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

// Record 0's son, record 1, offered as record 0's father: the family would loop.
void TestLiens::descendantRefuseCommeParent() {
    std::vector<TFiche> f{ne(QStringLiteral("GRAND"), QStringLiteral("Louis"), 0, QString()),
                          ne(QStringLiteral("FILS"), QStringLiteral("Paul"), 0, QString())};
    f[1].Pere = 0;
    f[0].NbEnfants = 1;
    f[0].Enfants[0] = 1;
    Banc b(f);
    const QByteArray avant = octetsDe(b.fic());
    b.form().EDN->setText(QStringLiteral("01/01/1900"));
    b.d.attendreModal(dansLeDialogue({.pere = 0, .mere = 0, .rangPere = 0, .rangMere = 0}))
        .attendreMessage(QStringLiteral(
            "FILS Paul (fiche 1) descend de GRAND Louis (fiche 0) : il ne peut pas être aussi son "
            "père, la famille deviendrait sa propre ancêtre. Rien n'a été écrit."));
    b.form().SBChainerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::fichierCoupePendantLeDialogue() {
    Banc b(familleDe1950());
    const QString fic = b.fic();
    b.d.attendreModal([&](QDialog& dialogue) {
           dansLeDialogue({.pere = 0, .mere = 0, .rangPere = 0, .rangMere = 0})(dialogue);
           QFile::resize(fic, 1 * TailleFiche); // another program keeps only record 0
           return true;
       })
        .attendreMessage(QStringLiteral(
            "Le fichier a été modifié par un autre programme pendant le choix des parents : il "
            "compte maintenant 1 fiche(s). Rien n'a été écrit ; recommencez le chaînage."));
    b.form().SBChainerClick();
    QCOMPARE(octetsDe(fic), octetsFiche(familleDe1950()[0]));
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::dateEnfantRefusee() {
    Banc b(familleDe1950());
    b.form().EDN->setText(QStringLiteral("1950"));
    b.d.attendreMessage(QStringLiteral(
        "La date 1950 doit contenir une année à quatre chiffres entre 1000 et 2050"));
    b.form().SBChainerClick();
    QVERIFY(b.journal->isEmpty());
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::dateEnfantVide() {
    Banc b(familleDe1950());
    b.form().EDN->clear();
    b.d.attendreErreur(QStringLiteral("'' n'est pas une valeur entière correcte."));
    b.form().commande(&TForm1::SBChainerClick);
    QVERIFY(b.journal->isEmpty());
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::selectionsManquantes_data() {
    QTest::addColumn<int>("pere");
    QTest::addColumn<int>("mere");
    QTest::addColumn<int>("rangPere");
    QTest::addColumn<int>("rangMere");
    QTest::addColumn<QString>("message");
    const QString parents = QStringLiteral("Il faut sélectionner Père et Mère. Recommencez");
    const QString rangs =
        QStringLiteral("Il faut sélectionner le rang enfant, ainé, deuxième etc...");
    QTest::newRow("sans père") << -1 << 0 << 0 << 0 << parents;
    QTest::newRow("sans mère") << 0 << -1 << 0 << 0 << parents;
    QTest::newRow("sans rang du père") << 0 << 0 << -1 << 0 << rangs;
    QTest::newRow("sans rang de la mère, père inconnu") << 3 << 0 << 0 << -1 << rangs;
}

void TestLiens::selectionsManquantes() {
    QFETCH(int, pere);
    QFETCH(int, mere);
    QFETCH(int, rangPere);
    QFETCH(int, rangMere);
    QFETCH(QString, message);
    Banc b(familleDe1950());
    const QByteArray avant = octetsDe(b.fic());
    b.d.attendreModal(dansLeDialogue({pere, mere, rangPere, rangMere})).attendreMessage(message);
    b.form().SBChainerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::dialogueAnnule() {
    Banc b(familleDe1950());
    const QByteArray avant = octetsDe(b.fic());
    b.d.attendreModal(dansLeDialogue({0, 0, 0, 0, false}));
    b.form().SBChainerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::plusDe251Candidats() {
    std::vector<TFiche> f{
        ne(QStringLiteral("ENFANT"), QStringLiteral("A"), 0, QStringLiteral("01/01/1950"))};
    for (int i = 0; i < 600; ++i)
        f.push_back(ne(QStringLiteral("P%1").arg(i), QStringLiteral("X"), i % 2,
                       QStringLiteral("01/01/1920")));
    Banc b(f);
    QStringList peres;
    b.d.attendreModal(
        dansLeDialogue({.pere = 299, .mere = 299, .rangPere = 0, .rangMere = 1}, &peres));
    b.form().SBChainerClick();
    QCOMPARE(peres.size(), 301);
    const auto d = b.disque();
    // Line 299 leads to the father it names, wherever he is in the file.
    QCOMPARE(ligneCandidat(d[static_cast<std::size_t>(d[0].Pere)], true), peres[299]);
    QCOMPARE(d[static_cast<std::size_t>(d[0].Pere)].Enfants[0], 0);
    QCOMPARE(d[static_cast<std::size_t>(d[0].Mere)].Enfants[1], 0);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::ficheNouvelleEnregistreeDAbord() {
    Banc b(familleDe1950());
    b.form().SbNouveauClick();
    b.form().ENom->setText(QStringLiteral("NOUVEAU"));
    b.form().EDN->setText(QStringLiteral("02/02/1950"));
    b.d.attendreModal(dansLeDialogue({.pere = 1, .mere = 2, .rangPere = 1, .rangMere = 0}));
    b.form().SBChainerClick();
    const auto f = b.disque();
    QCOMPARE(f.size(), std::size_t(10));
    QCOMPARE(f[9].Nom.texte(), QStringLiteral("NOUVEAU"));
    QCOMPARE(f[9].Pere, 1);
    QCOMPARE(f[9].Mere, -1);
    QCOMPARE(f[1].Enfants[1], 9);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("9"));
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::ficheNouvelleDateRefuseeRienNEstLie() {
    Banc b(familleDe1950());
    const QByteArray avant = octetsDe(b.fic());
    b.form().SbNouveauClick();
    b.form().ENom->setText(QStringLiteral("NOUVEAU"));
    b.form().EDN->setText(QStringLiteral("02/1950"));
    b.d.attendreMessage(QStringLiteral(
        "La date 02/1950 doit contenir une année à quatre chiffres entre 1000 et 2050"));
    b.form().SBChainerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

// The save question first; then the person's own links are cleared, and,
// when the user says so, the person leaves its parents' and children's
// records as well, so that the file check finds nothing one-way.
void TestLiens::briserLesChainages_data() {
    QTest::addColumn<bool>("desDeuxCotes");
    QTest::newRow("ses propres liens seulement") << false;
    QTest::newRow("des deux côtés") << true;
}

void TestLiens::briserLesChainages() {
    QFETCH(bool, desDeuxCotes);
    RepertoireDeTravail rep;
    TFiche pere = personne(QStringLiteral("PERE"));
    pere.NbEnfants = 1;
    pere.Enfants[0] = 2;
    TFiche mere = personne(QStringLiteral("MERE"), {}, 1);
    mere.NbEnfants = 2;
    mere.Enfants[1] = 2;
    TFiche moi =
        personne(QStringLiteral("MOI"), QStringLiteral("Jean"), 0, QStringLiteral("01/01/1930"));
    moi.Pere = 0;
    moi.Mere = 1;
    moi.NbEnfants = 3;
    moi.Enfants[0] = 3;
    moi.Enfants[1] = 4;
    moi.Enfants[2] = 5;
    moi.LieuNaissance.definir(QStringLiteral("Nîmes"));
    moi.Photo.definir(QStringLiteral("C:\\photos\\moi.jpg"));
    TFiche fils = personne(QStringLiteral("FILS")), fille = personne(QStringLiteral("FILLE"));
    fils.Pere = fille.Pere = 2;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {pere, mere, moi, fils, fille});
    QDir(rep.racine()).mkdir(QStringLiteral("PHOTOS"));
    ecrireOctets(rep.chemin(QStringLiteral("PHOTOS/moi.jpg")), jpegDeTest(10, 10));
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    s.form.ENom->setText(QStringLiteral("PERDU"));
    d.attendreQuestion(QuestionEnregistrer, false)
        .attendreQuestion(
            QStringLiteral("Retirer aussi MOI Jean des fiches de ses parents et de ses enfants ?"),
            desDeuxCotes);
    s.form.SbBriseChainClick();
    const auto f = lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")));
    QCOMPARE(f[2].Pere, -1);
    QCOMPARE(f[2].Mere, -1);
    QCOMPARE(int(f[2].NbEnfants), 0);
    for (int e : f[2].Enfants)
        QCOMPARE(e, -1);
    QCOMPARE(f[2].Photo.texte(), QStringLiteral("C:\\photos\\moi.jpg"));
    QCOMPARE(f[2].Nom.texte(), QStringLiteral("MOI"));
    QCOMPARE(f[2].LieuNaissance.texte(), QStringLiteral("Nîmes"));
    QCOMPARE(s.form.ENom->text(), QStringLiteral("MOI"));
    QCOMPARE(s.form.ENBE->text(), QStringLiteral("0"));
    QVERIFY(s.form.ENP->text().isEmpty());
    QCOMPARE(f[0].Enfants[0], desDeuxCotes ? -1 : 2);
    QCOMPARE(f[1].Enfants[1], desDeuxCotes ? -1 : 2);
    QCOMPARE(f[3].Pere, desDeuxCotes ? -1 : 2);
    QCOMPARE(f[4].Pere, desDeuxCotes ? -1 : 2);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("VELMORIS.FIC")));
    const RapportVerification verification = verifierFichier(fichier);
    QCOMPARE(verification.comptes[int(Probleme::LienASensUnique)], desDeuxCotes ? 0 : 2);
    VERIFIER_DIALOGUES(d);
}

void TestLiens::briserSansNumero() {
    Banc b(familleDe1950());
    b.form().SbNouveauClick();
    const QByteArray avant = octetsDe(b.fic());
    b.d.attendreErreur(QStringLiteral("'' n'est pas une valeur entière correcte."));
    b.form().commande(&TForm1::SbBriseChainClick);
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestLiens::briserFichierAbsent() {
    Banc b(familleDe1950());
    QFile::remove(b.fic());
    b.d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    b.form().SbBriseChainClick();
    QVERIFY(!QFile::exists(b.fic()));
    QCOMPARE(b.form().FicheCourante().Pere, -1);
    VERIFIER_DIALOGUES(b.d);
}

QTEST_MAIN(TestLiens)
#include "test_liens.moc"
