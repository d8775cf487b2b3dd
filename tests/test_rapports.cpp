// The reports a genealogist prints, on one small family: cousins who married
// (implex), a half-brother, three generations of cousins, a loop and a link
// to a record that is not there.
#include "data/rapports/Rapports.h"
#include "forms/UVelmorS.h"
#include "forms/uChoixPersonne.h"
#include "print/DocumentRapport.h"
#include "tests/OutilsTests.h"

#include <QAbstractTextDocumentLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

//  0 Louis ARNAUD ×  1 Marie BLANC        0 × 2 Jeanne CLERC
//  ├ 3 Pierre × 6 Anne DURAND             └ 5 Henri (half-brother of 3 and 4)
//  │  └ 7 Luc ─┐                              └ 11 Julie
//  └ 4 Paul × 8 Claire EVRARD                     └ 12 Tom FAURE
//     └ 9 Sophie ┘ 7 × 9 (first cousins) → 10 Marc
// 13 and 14 are each other's father (a damaged file); 15's father is record 99.
std::vector<TFiche> famille() {
    const char* noms[][3] = {
        {"ARNAUD", "Louis", "0"},  {"BLANC", "Marie", "1"}, {"CLERC", "Jeanne", "1"},
        {"ARNAUD", "Pierre", "0"}, {"ARNAUD", "Paul", "0"}, {"ARNAUD", "Henri", "0"},
        {"DURAND", "Anne", "1"},   {"ARNAUD", "Luc", "0"},  {"EVRARD", "Claire", "1"},
        {"ARNAUD", "Sophie", "1"}, {"ARNAUD", "Marc", "0"}, {"ARNAUD", "Julie", "2"},
        {"FAURE", "Tom", "0"},     {"BOUCLE", "Un", "0"},   {"BOUCLE", "Deux", "0"},
        {"PERDU", "Lien", "0"}};
    std::vector<TFiche> f;
    for (const auto& n : noms)
        f.push_back(personne(
            QString::fromUtf8(n[0]), QString::fromUtf8(n[1]), QString::fromLatin1(n[2]).toInt(),
            QStringLiteral("01/01/%1").arg(1850 + 20 * static_cast<int>(f.size() / 4))));
    lier(f, 3, 0, 1);
    lier(f, 4, 0, 1);
    lier(f, 5, 0, 2);
    lier(f, 7, 3, 6);
    lier(f, 9, 4, 8);
    lier(f, 10, 7, 9);
    lier(f, 11, 5, -1);
    lier(f, 12, -1, 11);
    f[4].Enfants[1] = 9; // the same child in two slots
    f[4].NbEnfants = 2;
    f[13].Pere = 14;
    f[14].Pere = 13;
    f[15].Pere = 99;
    f[7].DateMariage.definir(QStringLiteral("02/02/1950"));
    f[9].DateMariage.definir(QStringLiteral("02/02/1950"));
    return f;
}

struct Fichier {
    Fichier() {
        ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), famille());
        fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    }
    RepertoireDeTravail rep;
    FichierDisque fichier;
};

QString ligne(const AncetreSosa& a) {
    QStringList numeros;
    for (std::uint64_t n : a.numeros)
        numeros << QString::number(n);
    return numeros.join(u',') + u' ' + a.personne.Prenom.texte();
}

// Families built to be hard (records from 0):
//  0 × 1 → 4, 5; 2 × 3 → 6, 7; 4 × 6 → 8 and 5 × 7 → 9: double first cousins.
//  10 × 11 → 12, 13; 13 × 14 → 15; 12 × 15 (uncle and niece) → 16.
//  17 × 18 → 19, 20; 21 × 22 → 23, 24; 20 → 25; 24 → 26; 19 × 26 → 27 (A);
//  25 × 23 → 28 (B): A is B's uncle "à la mode de Bretagne", and his nephew too.
//  29 × 30 → 31; 29 × 31 → 32: a father who is also a grandfather.
std::vector<TFiche> familleDifficile() {
    std::vector<TFiche> f;
    const int hommes[] = {0, 2, 4, 5, 8, 10, 12, 14, 16, 17, 19, 21, 23, 25, 27, 29, 32};
    for (int i = 0; i < 33; ++i)
        f.push_back(personne(QStringLiteral("N%1").arg(i), QStringLiteral("P%1").arg(i),
                             std::count(std::begin(hommes), std::end(hommes), i) ? 0 : 1));
    const int liens[][3] = {{4, 0, 1},    {5, 0, 1},    {6, 2, 3},    {7, 2, 3},    {8, 4, 6},
                            {9, 5, 7},    {12, 10, 11}, {13, 10, 11}, {15, 14, 13}, {16, 12, 15},
                            {19, 17, 18}, {20, 17, 18}, {23, 21, 22}, {24, 21, 22}, {25, -1, 20},
                            {26, -1, 24}, {27, 19, 26}, {28, 25, 23}, {31, 29, 30}, {32, 29, 31}};
    for (const auto& l : liens)
        lier(f, l[0], l[1], l[2]);
    return f;
}

} // namespace

class TestRapports : public QObject {
    Q_OBJECT
private slots:
    void ascendanceAvecImplexe();
    void ascendanceBoucleEtLienPerdu();
    void comptesDeLImplexe_data();
    void comptesDeLImplexe();
    void descendance();
    void liensDeParente_data();
    void liensDeParente();
    void nomsDesLiens_data();
    void nomsDesLiens();
    void statistiquesDuFichier();
    void statistiquesDesDatesApprochees();
    void rangsHorsDeLOrdreDesDates();
    void rapportsDansLApercu_data();
    void rapportsDansLApercu();
    void titreEtNomDuPdfSansRedoublement();
    void parenteParAdoptionSurDemande();
    void egaliteLePlusProcheParLeSangDAbord();
    void titresJamaisSeulsEnBasDePage();
    void titresImprimesApresLesSautsDePage_data();
    void titresImprimesApresLesSautsDePage();
};

// Marc's great-grandparents reach him twice: listed once, with both numbers.
void TestRapports::ascendanceAvecImplexe() {
    Fichier f;
    const AscendanceSosa s = ascendanceSosa(f.fichier, 10, 10);
    QCOMPARE(s.generations.size(), std::size_t(4));
    QStringList g;
    for (const auto& generation : s.generations) {
        QStringList l;
        for (const AncetreSosa& a : generation.ancetres)
            l << ligne(a);
        g << l.join(QStringLiteral(" | "));
    }
    QCOMPARE(g, (QStringList{"1 Marc", "2 Luc | 3 Sophie", "4 Pierre | 5 Anne | 6 Paul | 7 Claire",
                             "8,12 Louis | 9,13 Marie"}));
    QVERIFY(s.notes.isEmpty());
    QCOMPARE(ascendanceSosa(f.fichier, 10, 2).generations.size(), std::size_t(2));
}

// Per generation, the Sosa numbers that fall in it and the persons they are:
// the grandparents of a child of an uncle and his niece, and a tree where
// every generation is the same couple (more paths than any list could hold).
void TestRapports::comptesDeLImplexe_data() {
    QTest::addColumn<int>("depart");
    QTest::addColumn<int>("generations");
    QTest::addColumn<QStringList>("comptes"); // numbers/persons, generation by generation
    QTest::addColumn<QString>("rappels");     // the persons recalled in the last generation
    QTest::newRow("oncle et nièce")
        << 16 << 10 << QStringList{"1/1", "2/2", "4/4", "2/2"} << "14 P10 | 15 P11";
    QTest::newRow("un seul couple sur 25 générations")
        << -1 << 25 << QStringList{"1/1", "2/2", "4/2", "8/2"} << "";
}

void TestRapports::comptesDeLImplexe() {
    QFETCH(int, depart);
    QFETCH(int, generations);
    QFETCH(QStringList, comptes);
    QFETCH(QString, rappels);
    RepertoireDeTravail rep;
    std::vector<TFiche> f = familleDifficile();
    if (depart < 0) {
        // Generation k is the couple 2k - 1 and 2k, parents of both of generation k - 1.
        f.clear();
        for (int i = 0; i < 2 * generations - 1; ++i)
            f.push_back(personne(QStringLiteral("C%1").arg(i), {}, i % 2 ? 0 : 1));
        for (int i = 0; i < 2 * generations - 3; ++i) {
            const int couple = i == 0 ? 1 : (i + 1) / 2 * 2 + 1;
            f[static_cast<std::size_t>(i)].Pere = couple;
            f[static_cast<std::size_t>(i)].Mere = couple + 1;
        }
        depart = 0;
    }
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const AscendanceSosa s = ascendanceSosa(fichier, depart, generations);
    QStringList trouves;
    for (const GenerationSosa& g : s.generations)
        trouves << QStringLiteral("%1/%2").arg(g.numeros).arg(g.personnes);
    QCOMPARE(trouves.mid(0, comptes.size()), comptes);
    QVERIFY2(s.notes.isEmpty(), qPrintable(s.notes.join(u'\n')));
    if (!rappels.isEmpty()) {
        QStringList l;
        for (const AncetreSosa& a : s.generations.back().dejaCites)
            l << ligne(a);
        QCOMPARE(l.join(QStringLiteral(" | ")), rappels);
        return;
    }
    // Each person once, with how many numbers it holds beyond those shown.
    QCOMPARE(int(s.generations.size()), generations);
    QCOMPARE(s.generations.back().numeros, std::uint64_t(1) << (generations - 1));
    QCOMPARE(s.generations.back().personnes, std::uint64_t(2));
    QVERIFY(rapportAscendance(s, f[0], {}, {})
                .html.contains(QLocale(QLocale::French, QLocale::France).toString(4194302) +
                               QStringLiteral(" autres numéros")));
}

void TestRapports::ascendanceBoucleEtLienPerdu() {
    Fichier f;
    const AscendanceSosa boucle = ascendanceSosa(f.fichier, 13, 30);
    QCOMPARE(boucle.generations.size(), std::size_t(2));
    QVERIFY(boucle.notes.join(u' ').contains(
        QStringLiteral("Boucle : BOUCLE Un (fiche 13) serait son propre ancêtre")));
    const AscendanceSosa perdu = ascendanceSosa(f.fichier, 15, 30);
    QCOMPARE(perdu.generations.size(), std::size_t(1));
    QCOMPARE(perdu.notes,
             QStringList{"PERDU Lien (fiche 15) a pour père la fiche 99, qui n'existe pas."});
}

// Louis's descendants, eldest first; Marc, reached by both of his parents,
// is listed the second time by reference.
void TestRapports::descendance() {
    Fichier f;
    const DescendanceAboville d = descendanceAboville(f.fichier, 0, 10);
    QStringList l;
    for (const DescendantAboville& x : d.descendants)
        l << (x.estUnion ? QStringLiteral("x%1 %2").arg(x.rangUnion).arg(x.fiche)
                         : x.numero + u' ' + x.personne.Prenom.texte()) +
                 (x.dejaCite.isEmpty() ? QString() : QStringLiteral(" =") + x.dejaCite);
    // Every spouse named (x), each child under its own union: Henri, the son
    // of Jeanne, under Louis's second union.
    QCOMPARE(l, (QStringList{"1 Louis", "x1 1", "1.1 Pierre", "x1 6", "1.1.1 Luc", "x1 9",
                             "1.1.1.1 Marc", "1.2 Paul", "x1 8", "1.2.1 Sophie", "x1 7",
                             "1.2.1.1 Marc =1.1.1.1", "x2 2", "1.3 Henri", "1.3.1 Julie",
                             "1.3.1.1 Tom"}));
    QCOMPARE(descendanceAboville(f.fichier, 0, 2).descendants.size(), std::size_t(8));
    QCOMPARE(descendanceAboville(f.fichier, 13, 30).notes.size(), 0); // 13 has no child listed
}

// Each pair of the test families, the sentence both ways: elision, agreement,
// half and double relations, ties, implex, loops.
void TestRapports::liensDeParente_data() {
    QTest::addColumn<bool>("difficile"); // in the second family
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("aVersB");
    QTest::addColumn<QString>("bVersA");
    QTest::addColumn<int>("relations");
    auto cas = [](const char* nom, bool difficile, int a, int b, const char* ab, const char* ba,
                  int relations = 1) {
        QTest::newRow(nom) << difficile << a << b << QString::fromUtf8(ab) << QString::fromUtf8(ba)
                           << relations;
    };
    cas("père", false, 3, 7, "ARNAUD Pierre est le père d'ARNAUD Luc.",
        "ARNAUD Luc est le fils d'ARNAUD Pierre.");
    cas("arrière-grand-père", false, 0, 10, "ARNAUD Louis est l'arrière-grand-père d'ARNAUD Marc.",
        "ARNAUD Marc est l'arrière-petit-fils d'ARNAUD Louis.");
    cas("frères", false, 3, 4, "ARNAUD Pierre est le frère d'ARNAUD Paul.",
        "ARNAUD Paul est le frère d'ARNAUD Pierre.");
    cas("demi-frères", false, 3, 5, "ARNAUD Pierre est le demi-frère d'ARNAUD Henri.",
        "ARNAUD Henri est le demi-frère d'ARNAUD Pierre.");
    cas("oncle", false, 4, 7, "ARNAUD Paul est l'oncle d'ARNAUD Luc.",
        "ARNAUD Luc est le neveu d'ARNAUD Paul.");
    cas("tante à la mode de Bretagne", false, 11, 10,
        "ARNAUD Julie est la demi-tante à la mode de Bretagne d'ARNAUD Marc.",
        "ARNAUD Marc est le demi-neveu à la mode de Bretagne d'ARNAUD Julie.");
    cas("cousins germains", false, 7, 9, "ARNAUD Luc est le cousin germain d'ARNAUD Sophie.",
        "ARNAUD Sophie est la cousine germaine d'ARNAUD Luc.");
    cas("à la mode de Bretagne", false, 7, 12,
        "ARNAUD Luc est le demi-oncle à la mode de Bretagne de FAURE Tom.",
        "FAURE Tom est le demi-neveu à la mode de Bretagne d'ARNAUD Luc.");
    cas("issus de germains", false, 10, 12,
        "ARNAUD Marc est le demi-cousin issu de germain de FAURE Tom.",
        "FAURE Tom est le demi-cousin issu de germain d'ARNAUD Marc.");
    cas("aucun lien", false, 15, 0, "", "", 0);
    cas("boucle", false, 13, 14, "BOUCLE Un est le père de BOUCLE Deux, et aussi son fils.",
        "BOUCLE Deux est le fils de BOUCLE Un, et aussi son père.", 2);
    cas("la même personne", false, 7, 7,
        "Les deux personnes choisies n'en font qu'une : ARNAUD Luc (fiche 7).",
        "Les deux personnes choisies n'en font qu'une : ARNAUD Luc (fiche 7).", 0);
    cas("doubles cousins germains", true, 8, 9, "N8 P8 est le double cousin germain de N9 P9.",
        "N9 P9 est la double cousine germaine de N8 P8.", 2);
    cas("oncle et neveu à la fois", true, 27, 28,
        "N27 P27 est l'oncle à la mode de Bretagne de N28 P28, et aussi son neveu à la mode de "
        "Bretagne.",
        "N28 P28 est la nièce à la mode de Bretagne de N27 P27, et aussi sa tante à la mode de "
        "Bretagne.",
        2);
    cas("père et grand-père", true, 29, 32, "N29 P29 est le père de N32 P32.",
        "N32 P32 est le fils de N29 P29.", 2);
    cas("enfant d'un oncle et de sa nièce", true, 16, 12, "N16 P16 est le fils de N12 P12.",
        "N12 P12 est le père de N16 P16.", 2); // and his grand-nephew, told further
    cas("ancêtre lointain", true, 28, 21, "N28 P28 est la petite-fille de N21 P21.",
        "N21 P21 est le grand-père de N28 P28.");
}

void TestRapports::liensDeParente() {
    QFETCH(bool, difficile);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QString, aVersB);
    QFETCH(QString, bVersA);
    QFETCH(int, relations);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), difficile ? familleDifficile() : famille());
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const LienDeParente l = lienDeParente(fichier, a, b);
    QCOMPARE(l.trouve, !aVersB.isEmpty());
    QCOMPARE(l.deAVersB, aVersB);
    QCOMPARE(l.deBVersA, bVersA);
    QCOMPARE(int(l.relations.size()), relations);
    // The same relations from the other end, in the same order.
    const LienDeParente inverse = lienDeParente(fichier, b, a);
    QCOMPARE(inverse.deAVersB, bVersA);
    for (std::size_t i = 0; i < l.relations.size(); ++i) {
        const RelationDeParente& x = l.relations[i];
        QCOMPARE(x.cheminA.front(), a);
        QCOMPARE(x.cheminB.front(), b);
        QCOMPARE(x.cheminA.back(), x.cheminB.back());
        QCOMPARE(inverse.relations[i].nomDeAVersB, x.nomDeBVersA);
    }
}

// The names of the relations, each pair of generations both ways, a man and a woman.
void TestRapports::nomsDesLiens_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("homme");
    QTest::addColumn<QString>("femme");
    auto cas = [](int a, int b, const char* h, const char* f) {
        QTest::addRow("%d,%d", a, b) << a << b << QString::fromUtf8(h) << QString::fromUtf8(f);
    };
    cas(0, 3, "arrière-grand-père", "arrière-grand-mère");
    cas(0, 5, "ancêtre à la 6e génération", "ancêtre à la 6e génération");
    cas(5, 0, "descendant à la 6e génération", "descendante à la 6e génération");
    cas(1, 3, "grand-oncle", "grand-tante");
    cas(3, 1, "petit-neveu", "petite-nièce");
    cas(2, 3, "oncle à la mode de Bretagne", "tante à la mode de Bretagne");
    cas(3, 2, "neveu à la mode de Bretagne", "nièce à la mode de Bretagne");
    cas(2, 4, "grand-oncle à la mode de Bretagne", "grand-tante à la mode de Bretagne");
    cas(4, 2, "petit-neveu à la mode de Bretagne", "petite-nièce à la mode de Bretagne");
    cas(3, 3, "cousin issu de germain", "cousine issue de germain");
    cas(4, 4, "cousin issu d'issu de germain", "cousine issue d'issu de germain");
    cas(3, 4, "cousin au 7e degré", "cousine au 7e degré");
}

void TestRapports::nomsDesLiens() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QString, homme);
    QFETCH(QString, femme);
    QCOMPARE(nomDuLien(a, b, false, false), homme);
    QCOMPARE(nomDuLien(a, b, true, false), femme);
    QCOMPARE(deNom(QStringLiteral("Alvarado Marsha")), QStringLiteral("d'Alvarado Marsha"));
    QCOMPARE(deNom(QStringLiteral("Élise")), QStringLiteral("d'Élise"));
    QCOMPARE(deNom(QStringLiteral("Hugo")), QStringLiteral("de Hugo"));
    // A particle says "de" already.
    QCOMPARE(deNom(QStringLiteral("de Kerguelen Yves")), QStringLiteral("de Kerguelen Yves"));
    QCOMPARE(deNom(QStringLiteral("DE KERGUELEN Yves")), QStringLiteral("DE KERGUELEN Yves"));
    QCOMPARE(deNom(QStringLiteral("d'Aboville Anne")), QStringLiteral("d'Aboville Anne"));
    QCOMPARE(deNom(QStringLiteral("Dehaene Paul")), QStringLiteral("de Dehaene Paul"));
}

void TestRapports::statistiquesDuFichier() {
    Fichier f;
    const Statistiques s = statistiques(f.fichier);
    QCOMPARE(s.fiches, 16);
    QCOMPARE(s.parQualite[0], 10);
    QCOMPARE(s.parQualite[1], 5);
    QCOMPARE(s.parQualite[2], 1);
    QCOMPARE(s.nomsFrequents.front(), (std::pair<QString, std::int64_t>{"ARNAUD", 8}));
    QCOMPARE(s.naissancesParDecennie.at(1850), 4);
    QCOMPARE(s.premiereAnnee, 1850);
    QCOMPARE(s.derniereAnnee, 1950);
    QCOMPARE(s.sansAucunLien, 0);
    QCOMPARE(s.mariagesParDecennie.at(1950), 2);
}

// The ranks are the record's: the descendants and the family sheet say when
// they are not the order of the birth dates.
void TestRapports::rangsHorsDeLOrdreDesDates() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f{
        personne(QStringLiteral("P")),
        personne(QStringLiteral("E"), QStringLiteral("Cadet"), 0, QStringLiteral("01/01/1990")),
        personne(QStringLiteral("E"), QStringLiteral("Aîné"), 0, QStringLiteral("01/01/1980"))};
    lier(f, 1, 0, -1);
    lier(f, 2, 0, -1);
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    QVERIFY(!enfantsDansLOrdreDesDates(fichier, f[0]));
    QVERIFY(enfantsDansLOrdreDesDates(fichier, f[1]));
    const DescendanceAboville d = descendanceAboville(fichier, 0, 3);
    QVERIFY(d.descendants[0].enfantsHorsOrdre);
    QVERIFY(
        rapportDescendance(d, f[0], {}, {})
            .html.contains(QStringLiteral("qui n'est pas l'ordre de leurs dates de naissance")));
}

// Lives between approximate dates counted apart, years before 1000 read,
// first names and places by kind of event, each person once.
void TestRapports::statistiquesDesDatesApprochees() {
    RepertoireDeTravail rep;
    auto vie = [](const char* prenom, const char* naissance, const char* deces, const char* lieu) {
        TFiche f = personne(QStringLiteral("X"), QString::fromUtf8(prenom), 0,
                            QString::fromUtf8(naissance));
        f.DateDeces.definir(QString::fromUtf8(deces));
        f.LieuNaissance.definir(QString::fromUtf8(lieu));
        f.LieuDeces.definir(QString::fromUtf8(lieu));
        return f;
    };
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")),
                  {vie("Jean Louis", "01/01/1800", "01/01/1860", "Lyon"),
                   vie("Jean", "vers 1800", "1850-1860", "Lyon"),
                   vie("Anne", "12/03/794", "vers 850", "Aix"), vie("Marc", "", "", "")});
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const Statistiques s = statistiques(fichier);
    QCOMPARE(s.viesMesurees, 1);
    QCOMPARE(s.dureeDeVieMoyenne, 60.0);
    QCOMPARE(s.viesApprochees, 2);
    QCOMPARE(s.dureeDeVieApprochee, 53.0); // (1850 - 1800 + 850 - 794) / 2
    QCOMPARE(s.premiereAnnee, 794);
    QCOMPARE(s.naissancesParDecennie.at(790), 1);
    QCOMPARE(s.prenomsFrequents.front(), (std::pair<QString, std::int64_t>{"Jean", 2}));
    QCOMPARE(s.lieuxNaissance.front(), (std::pair<QString, std::int64_t>{"Lyon", 2}));
    QCOMPARE(s.lieuxDeces.front(), (std::pair<QString, std::int64_t>{"Lyon", 2}));
    QVERIFY(s.lieuxMariage.empty());
}

// Each report of the menu, for Luc, in the preview: names in place of
// record numbers, a title with the person's name, numbered pages.
void TestRapports::rapportsDansLApercu_data() {
    QTest::addColumn<QString>("rapport");
    QTest::addColumn<QStringList>("vu");
    QTest::newRow("ascendance") << "ascendance"
                                << QStringList{"Liste d'ascendance d'ARNAUD Luc",
                                               "ARNAUD Louis, ° 01/01/1850",
                                               "Génération 3 : les grands-parents", "page 1 sur 1"};
    QTest::newRow("descendance")
        << "descendance"
        << QStringList{"Liste de descendance d'ARNAUD Luc", "1.1", "ARNAUD Marc",
                       "x (1) ARNAUD Sophie, ° 01/01/1890 — mariage le 2 février 1950"};
    QTest::newRow("fiche familiale")
        << "fiche"
        << QStringList{"Fiche familiale d'ARNAUD Luc", "Conjoint(e) — ARNAUD Sophie",
                       "Père — ARNAUD Pierre", "Enfant (rang 1) — ARNAUD Marc"};
    QTest::newRow("lien de parenté")
        << "parente"
        << QStringList{"Lien de parenté entre ARNAUD Luc et ARNAUD Sophie",
                       "ARNAUD Luc est le cousin germain d'ARNAUD Sophie.", "ARNAUD Louis"};
    QTest::newRow("statistiques") << "statistiques"
                                  << QStringList{"Statistiques du fichier", "16 fiche(s)", "ARNAUD",
                                                 "De 1850 à 1950."};
}

void TestRapports::rapportsDansLApercu() {
    QFETCH(QString, rapport);
    QFETCH(QStringList, vu);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(7);
    if (rapport == u"ascendance" || rapport == u"descendance")
        d.attendreSaisie(QStringLiteral("Nombre de générations (1 à 30) ?"), std::nullopt);
    if (rapport == u"parente")
        d.attendreModal([](QDialog& dialogue) {
            auto& choix = static_cast<TChoixPersonne&>(dialogue);
            // The person on screen is not offered: no "X est le lui-même de X".
            choix.EFiltre->setText(QStringLiteral("7"));
            if (choix.Liste->model()->rowCount() != 0) return false;
            choix.EFiltre->setText(QStringLiteral("sophie"));
            return true;
        });
    // Sophie, born 1890, married in 1950: maybe living at 120 years.
    if (rapport == u"statistiques") d.attendreChoix({}, ToutGarder);
    // Saved from the preview, under the report's own title, beside the file.
    d.attendreApercuEnregistreEnPdf().attendreEnregistrement(
        rep.chemin(QStringLiteral("rapport.pdf")));
    if (rapport == u"ascendance") s.form.ListeAscendance1Click();
    if (rapport == u"descendance") s.form.ListeDescendance1Click();
    if (rapport == u"fiche") s.form.FicheFamiliale1Click();
    if (rapport == u"parente") s.form.LienDeParente1Click();
    if (rapport == u"statistiques") s.form.Statistiques1Click();
    VERIFIER_DIALOGUES(d);
    QCOMPARE(d.derniersParametres().repertoireInitial, rep.racine());
    QCOMPARE(d.derniersParametres().nomFichier, vu.front() + QStringLiteral(".pdf"));
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                 rep.chemin(QStringLiteral("rapport.pdf")), QStringLiteral("-")});
    QVERIFY(texte.waitForFinished());
    const QString contenu = QString::fromUtf8(texte.readAllStandardOutput()).simplified();
    for (const QString& attendu : vu)
        QVERIFY2(contenu.contains(attendu), qPrintable(attendu + u'\n' + contenu));
    QVERIFY(!contenu.contains(QStringLiteral("fiche 7)")) || rapport == u"fiche");
}

// Sections of one to five rows on short pages: some heading falls at the foot
// of a page, and must go over with its section; a long one, with its first row.
void TestRapports::titresJamaisSeulsEnBasDePage() {
    QString html;
    for (int i = 0; i < 40; ++i) {
        html += QStringLiteral("<h2>Génération %1</h2><p>compte</p><table>").arg(i);
        for (int r = 0; r <= (i == 20 ? 40 : i % 5); ++r)
            html += QStringLiteral("<tr><td>%1</td><td>personne</td></tr>").arg(r);
        html += QStringLiteral("</table>");
    }
    QTextDocument document;
    document.setHtml(html);
    document.setPageSize(QSizeF(400, 300));
    garderTitresAvecLeurTexte(document);
    QAbstractTextDocumentLayout* mise = document.documentLayout();
    const auto page = [&](double y) { return int(y / 300); };
    int titres = 0;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0) continue;
        ++titres;
        QTextBlock fin = b.next().next(); // the first row's number
        const bool longue = titres == 21;
        while (!longue && fin.next().isValid() && fin.next().blockFormat().headingLevel() == 0)
            fin = fin.next();
        QCOMPARE(page(mise->blockBoundingRect(fin).bottom() - 1),
                 page(mise->blockBoundingRect(b).top()));
    }
    QCOMPARE(titres, 40);
}

// Cousins two ways at the same distance, full through one couple and half
// through a grandfather of a lower record number: the full relation first.
void TestRapports::egaliteLePlusProcheParLeSangDAbord() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f;
    for (const auto& [nom, qualite] : std::vector<std::pair<const char*, int>>{{"G3", 0},
                                                                               {"G4", 1},
                                                                               {"G5", 1},
                                                                               {"G1", 0},
                                                                               {"G2", 1},
                                                                               {"P1", 0},
                                                                               {"M1", 1},
                                                                               {"P2", 1},
                                                                               {"M2", 0},
                                                                               {"A", 0},
                                                                               {"B", 0}})
        f.push_back(personne(QString::fromLatin1(nom), QStringLiteral("X"), qualite));
    for (const auto& [enfant, pere, mere] : std::vector<std::tuple<int, int, int>>{
             {5, 3, 4}, {6, 3, 4}, {7, 0, 1}, {8, 0, 2}, {9, 5, 7}, {10, 8, 6}})
        lier(f, enfant, pere, mere);
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    QCOMPARE(lienDeParente(fichier, 9, 10).deAVersB,
             QStringLiteral("A X est le cousin germain de B X, et aussi son demi-cousin germain."));
    QCOMPARE(lienDeParente(fichier, 10, 9).deAVersB,
             QStringLiteral("B X est le cousin germain d'A X, et aussi son demi-cousin germain."));
}

// An adopted son is no relation by birth; asked, he is the birth son's
// brother by adoption, and his adoptive father's grandson through him.
void TestRapports::parenteParAdoptionSurDemande() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f{personne(QStringLiteral("PERE"), QStringLiteral("Paul")),
                          personne(QStringLiteral("FILS"), QStringLiteral("Marc")),
                          personne(QStringLiteral("ADOPTE"), QStringLiteral("Luc")),
                          personne(QStringLiteral("PETIT"), QStringLiteral("Jean"))};
    lier(f, 1, 0, -1);
    lier(f, 3, 2, -1);
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    QVERIFY(!lienDeParente(fichier, 2, 1).trouve);
    const ParentsAdoptifs adoptifs{{2, {0}}};
    QCOMPARE(lienDeParente(fichier, 2, 1, &adoptifs).deAVersB,
             QStringLiteral("ADOPTE Luc est le frère par adoption de FILS Marc."));
    QCOMPARE(lienDeParente(fichier, 0, 3, &adoptifs).deAVersB,
             QStringLiteral("PERE Paul est le grand-père par adoption de PETIT Jean."));
}

// A name with its particle, given names ending with a full stop: the
// title says "de" once, the PDF's name has one dot before its extension.
void TestRapports::titreEtNomDuPdfSansRedoublement() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")),
                  {personne(QStringLiteral("de Kerguelen"), QStringLiteral("Yves Jr."))});
    DialoguesScriptes d;
    Session s(d);
    d.attendreSaisie(QStringLiteral("Nombre de générations (1 à 30) ?"), std::nullopt)
        .attendreChoix({}, ToutGarder)
        .attendreApercuEnregistreEnPdf()
        .attendreEnregistrement(std::nullopt);
    s.form.ListeDescendance1Click();
    VERIFIER_DIALOGUES(d);
    QCOMPARE(d.derniersParametres().nomFichier,
             QStringLiteral("Liste de descendance de Kerguelen Yves Jr.pdf"));
}

// Reports long enough to break many times, printed as PDF: every heading of
// the document is on paper, and in its order.
void TestRapports::titresImprimesApresLesSautsDePage_data() {
    QTest::addColumn<QString>("rapport");
    QTest::addColumn<int>("longueur"); // a small change in the lines' lengths
    for (int longueur = 0; longueur < 3; ++longueur) {
        QTest::addRow("ascendance de 10 générations, %d", longueur) << "ascendance" << longueur;
        QTest::addRow("fiche familiale de 10 enfants, %d", longueur) << "fiche" << longueur;
    }
}

void TestRapports::titresImprimesApresLesSautsDePage() {
    QFETCH(QString, rapport);
    QFETCH(int, longueur);
    RepertoireDeTravail rep;
    // A full tree of ten generations: record n has parents 2n + 1 and 2n + 2.
    std::vector<TFiche> f;
    for (int i = 0; i < 1023; ++i) {
        f.push_back(personne(QStringLiteral("NOM") + QString(1 + (i * 7 + longueur) % 15, u'X'),
                             QStringLiteral("Prénom%1 Jean").arg(i), i % 2,
                             QStringLiteral("01/01/1900")));
        f.back().LieuNaissance.definir(QStringLiteral("Saint-Martin-") + QString(i % 12, u'y'));
        // Entries of one or two lines, so that some are cut by a page's end.
        f.back().LieuDeces.definir(QStringLiteral("Notre-Dame-de-Bon") + QString(i % 13, u'z'));
        f.back().DateDeces.definir(QStringLiteral("02/02/1960"));
        f.back().Pere = 2 * i + 1 < 1023 ? 2 * i + 1 : -1;
        f.back().Mere = 2 * i + 2 < 1023 ? 2 * i + 2 : -1;
    }
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    DocumentRapport document;
    QStringList titres;
    if (rapport == u"ascendance") {
        document = rapportAscendance(ascendanceSosa(fichier, 0, 10), f[0], {}, {});
        for (int g = 1; g <= 10; ++g)
            titres << QStringLiteral("Génération %1 ").arg(g);
    } else {
        FicheFamiliale feuille;
        feuille.personneEtParents.push_back({QStringLiteral("Personne"), 0, f[0], {}, {}, {}, {}});
        feuille.unions.push_back({QStringLiteral("1er mariage : N"), {}, {}});
        for (int rang = 1; rang <= 10; ++rang) {
            QImage portrait(60, 20 + 30 * ((rang + longueur) % 3), QImage::Format_RGB32);
            portrait.fill(Qt::gray);
            feuille.unions.back().membres.push_back({QStringLiteral("Enfant (rang %1)").arg(rang),
                                                     rang,
                                                     f[std::size_t(rang)],
                                                     portrait,
                                                     {},
                                                     {},
                                                     {}});
            titres << QStringLiteral("Enfant (rang %1)").arg(rang);
        }
        document = rapportFicheFamiliale(feuille, {}, {});
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(rep.chemin(QStringLiteral("r.pdf")));
    QVERIFY(imprimerRapport(pdf, document) > 1);
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                 rep.chemin(QStringLiteral("r.pdf")), QStringLiteral("-")});
    QVERIFY(texte.waitForFinished());
    const QString contenu = QString::fromUtf8(texte.readAllStandardOutput()).simplified();
    qsizetype depuis = 0;
    for (const QString& titre : titres) {
        const qsizetype ici = contenu.indexOf(titre, depuis);
        QVERIFY2(ici >= 0, qPrintable(titre));
        depuis = ici;
    }
    // No entry cut by a page break is drawn again at the top of the next page.
    if (rapport == u"ascendance")
        for (int i = 0; i < 1023; ++i)
            QVERIFY2(contenu.count(QStringLiteral("Prénom%1 Jean,").arg(i)) == 1,
                     qPrintable(QString::number(i)));
}

QTEST_MAIN(TestRapports)
#include "test_rapports.moc"
