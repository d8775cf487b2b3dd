// An act entered at once: its records, its event with citation and
// participants in the store and the export, one undo, the register offered
// again, what it refuses; and the Republican calendar day by day.
#include "data/complements/Complements.h"
#include "data/fichier/DatesSaisies.h"
#include "data/recherche/IndexPersonnes.h"
#include "forms/UVelmorS.h"
#include "forms/uActe.h"
#include "forms/uChoixPersonne.h"
#include "tests/OutilsTests.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

namespace {

// Three persons: DUPONT Pierre (0), DUPONT Jean (1, son of 0), MARTIN Anne (2).
struct Banc {
    Banc() {
        TFiche pere = personne(QStringLiteral("DUPONT"), QStringLiteral("Pierre"));
        TFiche fils = personne(QStringLiteral("DUPONT"), QStringLiteral("Jean"));
        TFiche anne = personne(QStringLiteral("MARTIN"), QStringLiteral("Anne"));
        anne.Qualite = 1;
        fils.Pere = 0;
        pere.Enfants[0] = 1;
        pere.NbEnfants = 1;
        ecrireFichier(fic(), {pere, fils, anne});
        session = std::make_unique<Session>(d);
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

TSaisieActe& acte(QDialog& d) {
    return dynamic_cast<TSaisieActe&>(d);
}

void remplirLigne(TSaisieActe& a, std::size_t ligne, const QString& nom, const QString& prenoms,
                  const QString& profession = {}, const QString& age = {}) {
    const TSaisieActe::Ligne& l = a.lignes().at(ligne);
    l.nom->setText(nom);
    l.prenoms->setText(prenoms);
    l.profession->setText(profession);
    l.age->setText(age);
}

void remplirSource(TSaisieActe& a) {
    a.EService->setText(QStringLiteral("AD Finistère"));
    a.ECommune->setText(QStringLiteral("Morlaix"));
    a.EAnnees->setText(QStringLiteral("1795-1796"));
    a.ECote->setText(QStringLiteral("3 E 152/4"));
    a.EVue->setText(QStringLiteral("34"));
    a.ENumero->setText(QStringLiteral("12"));
}

int occurrences(const QByteArray& texte, const QByteArray& motif) {
    return static_cast<int>(texte.count(motif));
}

} // namespace

class TestActes : public QObject {
    Q_OBJECT
private slots:
    void baptemeSaisiEnUneFois();
    void mariageLieEpouxEtParents();
    void acteRefuse_data();
    void acteRefuse();
    void calendrierRepublicainJourParJour();
    void candidatsImpossibles_data();
    void candidatsImpossibles();
    void candidatsImpossiblesEnDernier();
};

// A baptism with a new child, the father found through "Chercher…", a
// godfather and a godmother created: one save, one undo, one redo.
void TestActes::baptemeSaisiEnUneFois() {
    Banc b;
    const QByteArray avant = octetsDe(b.fic());
    b.d.attendreModal([&](QDialog& d) {
        TSaisieActe& a = acte(d);
        a.CbGenre->setCurrentIndex(0);
        // The child on screen was proposed; this act is for a new child.
        a.lignes()[0].effacer->click();
        remplirLigne(a, 0, QStringLiteral("DUPONT"), QStringLiteral("Yves"));
        a.EDate->setText(QStringLiteral("12 vendémiaire an IV"));
        if (a.LDate->text() != u"= 4 octobre 1795") return false;
        a.ELieu->setText(QStringLiteral("Saint-Martin-des-Champs, Morlaix, Finistère, France"));
        remplirSource(a);
        a.lignes()[1].chercher->click(); // the father, found in the file
        remplirLigne(a, 3, QStringLiteral("MADEC"), QStringLiteral("Jean"),
                     QStringLiteral("laboureur"));
        remplirLigne(a, 4, QStringLiteral("LE ROUX"), QStringLiteral("Marie"), {},
                     QStringLiteral("20 ans"));
        return true;
    });
    b.d.attendreModal([](QDialog& d) {
        auto& choix = dynamic_cast<TChoixPersonne&>(d);
        choix.EFiltre->setText(QStringLiteral("dupont pierre"));
        return choix.ficheChoisie() == 0;
    });
    b.form().SaisirActe1Click();
    VERIFIER_DIALOGUES(b.d);

    const std::vector<TFiche> f = lireFichier(b.fic());
    QCOMPARE(f.size(), std::size_t(6));
    QCOMPARE(nomComplet(f[3]), QStringLiteral("DUPONT Yves"));
    QCOMPARE(f[3].DateNaissance.texte(), QStringLiteral("04/10/1795"));
    QCOMPARE(f[3].Pere, 0);
    QCOMPARE(f[0].NbEnfants, 2);
    QCOMPARE(f[0].Enfants[1], 3);
    QCOMPARE(f[4].Profession.texte(), QStringLiteral("laboureur"));
    QCOMPARE(f[5].Qualite, 1);                                 // the godmother is a woman
    QCOMPARE(b.form().ENom->text(), QStringLiteral("DUPONT")); // the child on screen
    QCOMPARE(b.form().EPrenom->text(), QStringLiteral("Yves"));

    const QByteArray gedcom = exporterAvecComplements(b.fic());
    for (const char* attendu :
         {"1 BAPM\r\n2 DATE @#DFRENCH R@ 12 VEND 4\r\n2 PLAC Saint-Martin-des-Champs, Morlaix, "
          "Finistère, France\r\n",
          "3 PAGE vue 34, acte n° 12\r\n", "3 RELA Père\r\n", "3 RELA Parrain\r\n",
          "3 RELA Marraine\r\n3 NOTE Âge dans l'acte : 20 ans\r\n", "2 RELA Parrain (baptême)\r\n",
          "1 TITL Morlaix, registres paroissiaux (BMS), 1795-1796\r\n", "1 NAME AD Finistère\r\n",
          "2 CALN 3 E 152/4\r\n", "1 OCCU laboureur\r\n2 DATE @#DFRENCH R@ 12 VEND 4\r\n"})
        QVERIFY2(gedcom.contains(attendu), attendu);
    {
        // The child's Compléments name the godparents, not only their role.
        FichierDisque fichier;
        fichier.ouvrir(b.fic());
        QStringList vue;
        for (const auto& section :
             vueComplements(*Complements::ouvrir(b.fic(), false), fichier, 3, f[3]).sections)
            vue << section.lignes;
        const QString texte = vue.join(u'\n');
        QVERIFY2(texte.contains(u"Personne liée : Jean MADEC\n    Lien : Parrain"),
                 qPrintable(texte));
        QVERIFY2(texte.contains(u"Personne liée : Marie LE ROUX"), qPrintable(texte));
    }

    // One change: undone whole, redone whole.
    QCOMPARE(b.form().Annuler1->text(), QStringLiteral("Annuler l'acte de baptême de DUPONT Yves"));
    b.form().Annuler1Click();
    QCOMPARE(octetsDe(b.fic()), avant);
    QVERIFY(!exporterAvecComplements(b.fic()).contains("BAPM"));
    b.form().Retablir1Click();
    QCOMPARE(lireFichier(b.fic()).size(), std::size_t(6));
    QVERIFY(exporterAvecComplements(b.fic()).contains("3 RELA Parrain"));

    // The next act is offered the same register, and cites the same source.
    b.d.attendreModal([&](QDialog& d) {
        TSaisieActe& a = acte(d);
        if (a.EService->text() != u"AD Finistère" || a.ECote->text() != u"3 E 152/4" ||
            !a.EVue->text().isEmpty())
            return false;
        a.CbGenre->setCurrentIndex(4); // a death
        a.lignes()[0].effacer->click();
        remplirLigne(a, 0, QStringLiteral("MADEC"), QStringLiteral("Paul"), {},
                     QStringLiteral("70"));
        a.EDate->setText(QStringLiteral("02/02/1796"));
        a.EVue->setText(QStringLiteral("40"));
        return true;
    });
    b.form().SaisirActe1Click();
    VERIFIER_DIALOGUES(b.d);
    const QByteArray apres = exporterAvecComplements(b.fic());
    QCOMPARE(occurrences(apres, " SOUR\r\n1 TITL Morlaix"), 1);
    QVERIFY(apres.contains("1 DEAT\r\n2 DATE 2 FEB 1796\r\n2 AGE 70y\r\n"));
    QCOMPARE(lireFichier(b.fic())[6].DateDeces.texte(), QStringLiteral("02/02/1796"));
}

// A marriage: the spouses get its date, each is linked to the parents the
// act names unless a record says otherwise (told), a parent with ten
// children keeps the eleventh in the store, and the union is the spouses'.
void TestActes::mariageLieEpouxEtParents() {
    Banc b;
    {
        // MARTIN Anne's father, with ten children already.
        std::vector<TFiche> f = lireFichier(b.fic());
        TFiche pere = personne(QStringLiteral("MARTIN"), QStringLiteral("Louis"));
        pere.NbEnfants = 10;
        pere.Enfants.fill(0);
        f.push_back(pere);
        ecrireFichier(b.fic(), f);
    }
    Acte mariage;
    mariage.genre = GenreActe::Mariage;
    mariage.date = QStringLiteral("vers 1820");
    mariage.lieu = QStringLiteral("Morlaix");
    mariage.personnes.resize(rolesDe(GenreActe::Mariage).size());
    mariage.personnes[0].fiche = 1; // DUPONT Jean, son of Pierre
    mariage.personnes[1].fiche = 2; // MARTIN Anne
    mariage.personnes[2].nom = QStringLiteral("DURAND");
    mariage.personnes[2].prenoms = QStringLiteral("Luc"); // another father for Jean
    mariage.personnes[3].nom = QStringLiteral("LE BIHAN");
    mariage.personnes[3].prenoms = QStringLiteral("Jeanne");
    mariage.personnes[4].fiche = 3; // MARTIN Louis
    mariage.personnes[6].nom = QStringLiteral("KERJEAN");
    mariage.personnes[6].prenoms = QStringLiteral("Alain");
    b.form().pAfficherEnreg(0);
    const ActePrepare fait = b.session->form.seance().enregistrerActe(mariage);
    QCOMPARE(fait.remarques,
             QStringList{QStringLiteral(
                 "DUPONT Jean a déjà pour père DUPONT Pierre : ce lien n'est pas changé.")});
    const std::vector<TFiche> f = lireFichier(b.fic());
    QCOMPARE(f.size(), std::size_t(7));
    QCOMPARE(f[1].Pere, 0);
    QCOMPARE(f[1].Mere, 5); // LE BIHAN Jeanne, created
    QCOMPARE(f[5].Enfants[0], 1);
    QCOMPARE(f[1].DateMariage.texte(), QStringLiteral("vers 1820"));
    QCOMPARE(f[2].DateMariage.texte(), QStringLiteral("vers 1820"));
    QCOMPARE(f[2].Pere, 3);
    QCOMPARE(f[3].NbEnfants, 10); // full: the store keeps the eleventh
    const auto base = Complements::ouvrir(b.fic(), false);
    const auto couples = base->couplesDeLEnfant(2);
    QCOMPARE(couples.size(), std::size_t(1));
    QCOMPARE(couples[0].mari, 3);
    FichierDisque fichier;
    fichier.ouvrir(b.fic());
    FamillesDesComplements familles(*base, fichier);
    QCOMPARE(familles.conjoints(1, f[1]), std::vector<std::int32_t>{2});
    const QByteArray gedcom = exporterAvecComplements(b.fic());
    QVERIFY(gedcom.contains("1 MARR\r\n2 DATE ABT 1820\r\n2 PLAC Morlaix\r\n"));
    QVERIFY(gedcom.contains("3 RELA Témoin 1\r\n"));
    QVERIFY(gedcom.contains("3 RELA Père de l'époux\r\n"));
}

void TestActes::acteRefuse_data() {
    QTest::addColumn<int>("genre");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("erreur");
    QTest::newRow("sans personne principale")
        << 0 << "12/03/1750"
        << ""
        << "Nommez la personne « Enfant » de l'acte pour l'enregistrer.";
    QTest::newRow("un défunt sans nom")
        << 3 << "1750"
        << ""
        << "Nommez la personne « Défunt(e) » de l'acte pour l'enregistrer.";
    QTest::newRow("31 avril") << 0 << "31/04/1750"
                              << "DUPONT"
                              << "La date de l'acte « 31/04/1750 » n'existe pas dans le "
                                 "calendrier.";
    QTest::newRow("an XV") << 2 << "1 vendémiaire an XV"
                           << "DUPONT"
                           << "La date de l'acte n'existe pas : La date républicaine « 1 "
                              "vendémiaire an XV » n'existe pas : le calendrier républicain va du "
                              "1er vendémiaire an I au 10 nivôse an XIV, ses mois ont 30 jours, et "
                              "les jours complémentaires sont 5 (6 les années III, VII et XI).";
}

// A refused act writes nothing and opens again with what was typed.
void TestActes::acteRefuse() {
    QFETCH(int, genre);
    QFETCH(QString, date);
    QFETCH(QString, nom);
    QFETCH(QString, erreur);
    Banc b;
    const QByteArray avant = octetsDe(b.fic());
    b.d.attendreModal([&](QDialog& d) {
        TSaisieActe& a = acte(d);
        a.CbGenre->setCurrentIndex(genre);
        a.lignes()[0].effacer->click();
        remplirLigne(a, 0, nom, QStringLiteral("Yves"));
        if (nom.isEmpty()) a.lignes()[0].prenoms->clear();
        a.EDate->setText(date);
        return true;
    });
    b.d.attendreErreur(erreur);
    b.d.attendreModal([&](QDialog& d) { return acte(d).EDate->text() == date && false; });
    b.form().SaisirActe1Click();
    VERIFIER_DIALOGUES(b.d);
    QCOMPARE(octetsDe(b.fic()), avant);
    QVERIFY(!Complements::existe(b.fic()));
}

// Every day from 1 vendémiaire an I (22 September 1792) to 10 nivôse an
// XIV (31 December 1805), counted from the first day of each year as the
// calendar was kept, read back to its Gregorian day.
void TestActes::calendrierRepublicainJourParJour() {
    const QDate premiersJours[] = {{1792, 9, 22}, {1793, 9, 22}, {1794, 9, 22}, {1795, 9, 23},
                                   {1796, 9, 22}, {1797, 9, 22}, {1798, 9, 22}, {1799, 9, 23},
                                   {1800, 9, 23}, {1801, 9, 23}, {1802, 9, 23}, {1803, 9, 24},
                                   {1804, 9, 23}, {1805, 9, 23}};
    const QStringList mois = {"vendémiaire", "brumaire", "frimaire",  "nivôse",
                              "pluviôse",    "ventôse",  "germinal",  "floréal",
                              "prairial",    "messidor", "thermidor", "fructidor"};
    const QStringList annees = {"I",    "II", "III", "IV", "V",   "VI",   "VII",
                                "VIII", "IX", "X",   "XI", "XII", "XIII", "XIV"};
    int jours = 0;
    for (QDate jour(1792, 9, 22); jour <= QDate(1805, 12, 31); jour = jour.addDays(1), ++jours) {
        int an = 13;
        while (premiersJours[an] > jour)
            --an;
        const auto rang = premiersJours[an].daysTo(jour);
        const QString texte =
            rang < 360
                ? QStringLiteral("%1 %2 an %3").arg(rang % 30 + 1).arg(mois[rang / 30], annees[an])
                : QStringLiteral("%1 jour complémentaire an %2").arg(rang - 359).arg(annees[an]);
        const DateSaisie d = lireDateSaisie(texte);
        QVERIFY2(d.valide, qPrintable(texte + u' ' + d.erreur));
        QCOMPARE(d.fiche, jour.toString(QStringLiteral("dd/MM/yyyy")));
    }
    QCOMPARE(jours, 4848);
    // The day after each year's last complementary day is no day.
    QVERIFY(!lireDateSaisie(QStringLiteral("6 jour complémentaire an IV")).valide);
    QVERIFY(lireDateSaisie(QStringLiteral("6 jour complémentaire an III")).valide);
    QVERIFY(!lireDateSaisie(QStringLiteral("11 nivôse an XIV")).valide);
}

void TestActes::candidatsImpossibles_data() {
    QTest::addColumn<int>("genre");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("naissance");
    QTest::addColumn<QString>("deces");
    QTest::addColumn<bool>("impossible");
    const int bapteme = static_cast<int>(GenreActe::Bapteme);
    const int inhumation = static_cast<int>(GenreActe::Inhumation);
    QTest::newRow("père né après l'acte") << bapteme << 1 << "12/05/1760"
                                          << "" << true;
    QTest::newRow("père de 30 ans") << bapteme << 1 << "1720"
                                    << "" << false;
    QTest::newRow("père né 95 ans avant") << bapteme << 1 << "1655"
                                          << "" << true;
    QTest::newRow("père de 12 ans") << bapteme << 1 << "1738"
                                    << "" << true;
    QTest::newRow("feu le père") << bapteme << 1 << "1710"
                                 << "1749" << false;
    QTest::newRow("parrain mort avant") << bapteme << 3 << "1700"
                                        << "1749" << true;
    QTest::newRow("parrain né vers 1755") << bapteme << 3 << "vers 1755"
                                          << "" << false;
    QTest::newRow("dates inconnues") << bapteme << 3 << ""
                                     << "" << false;
    QTest::newRow("défunt mort après l'inhumation") << inhumation << 0 << "1700"
                                                    << "1760" << true;
    QTest::newRow("défunt mort la veille") << inhumation << 0 << "1700"
                                           << "11/03/1750" << false;
}

// An act of 12/03/1750: who can be who in it.
void TestActes::candidatsImpossibles() {
    QFETCH(int, genre);
    QFETCH(int, role);
    QFETCH(QString, naissance);
    QFETCH(QString, deces);
    QFETCH(bool, impossible);
    Acte a;
    a.genre = static_cast<GenreActe>(genre);
    a.date = QStringLiteral("12/03/1750");
    QCOMPARE(candidatImpossible(a, static_cast<std::size_t>(role), naissance, deces), impossible);
}

// In the index of the act, those ruled out come last, in their order, marked.
void TestActes::candidatsImpossiblesEnDernier() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("X.FIC"));
    TFiche a = personne(QStringLiteral("ABGRALL"), QStringLiteral("Jean"));
    a.DateNaissance.definir(QStringLiteral("1790"));
    TFiche b = personne(QStringLiteral("BRIAND"), QStringLiteral("Jean"));
    b.DateNaissance.definir(QStringLiteral("1720"));
    ecrireFichier(fic, {a, b, personne(QStringLiteral("CORRE"), QStringLiteral("Jean"))});
    FichierDisque f;
    f.ouvrir(fic);
    IndexPersonnes index;
    index.construire(f);
    Acte acte;
    acte.date = QStringLiteral("12/03/1750");
    index.repousser(
        [&](const QString& n, const QString& d) { return candidatImpossible(acte, 1, n, d); });
    index.filtrer(QStringLiteral("jean"));
    QStringList ordre;
    for (const std::int32_t p : index.visibles())
        ordre << index.texte(p, IndexPersonnes::Colonne::Nom) + (index.douteuse(p) ? "!" : "");
    QCOMPARE(ordre, (QStringList{"BRIAND", "CORRE", "ABGRALL!"}));
}

QTEST_MAIN(TestActes)
#include "test_actes.moc"
