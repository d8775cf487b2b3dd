// The persons entered twice: French spellings that meet, a recall test on
// generated variants, the traps left alone, and the merge that keeps every
// fact and link.
#include "data/doublons/Doublons.h"
#include "data/doublons/Phonetique.h"

#include "data/complements/Complements.h"
#include "data/recherche/Verification.h"
#include "forms/UVelmorS.h"
#include "forms/uDoublons.h"

#include "tests/OutilsTests.h"

#include <QtTest>

#include <random>

class TestDoublons : public QObject {
    Q_OBJECT
private slots:
    void memesCles_data();
    void memesCles();
    void rappelSurDesVariantes();
    void piegesLaissesDeCote();
    void fusionGardeToutEtSeDefait();
    void fusionSuitLesChoixDansLeMagasin();
};

void TestDoublons::memesCles_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("meme");
    const auto nom = [](const char* a, const char* b, bool meme) {
        QTest::addRow("%s / %s", a, b) << QString::fromUtf8(a) << QString::fromUtf8(b) << meme;
    };
    nom("Lefebvre", "LEFÈVRE", true);
    nom("Lefebure", "Lefèvre", true);
    nom("Dupont", "Dupond", true);
    nom("Renault", "Renaud", true);
    nom("Philippot", "Filipot", true);
    nom("Bouvier", "Bouviez", true);
    nom("Tessier", "Texier", false);
    nom("de la Fontaine", "Fontaine", true);
    nom("d'Alembert", "ALEMBERT", true);
    nom("Rousseau", "Roussot", true);
    nom("Martin", "Morin", false);
    nom("Lebrun", "Le Brun", true);
    nom("Gaultier", "Gauthier", false);
    nom("du Bois", "Dubois", true);
    nom("de la Haye", "Delahaye", true);
}

void TestDoublons::memesCles() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, meme);
    QCOMPARE(cleDuNom(a) == cleDuNom(b), meme);
}

namespace {

struct Variante {
    const char *nom, *prenoms, *naissance, *lieu;
    const char *nom2, *prenoms2, *naissance2;
};

// The same person twice, spelt as two registers or two imports spell them.
const Variante Variantes[] = {
    {"Lefebvre", "Marie-Thérèse", "vers 1790", "Amiens", "LEFÈVRE", "Marie Thérèse", "12/03/1791"},
    {"Dupont", "Jean-Baptiste", "1802", "Rouen", "DUPOND", "J.-Baptiste", "04/05/1802"},
    {"Philippe", "Joseph", "03/02/1811", "Lyon", "Filippe", "Josephus", "03/02/1811"},
    {"de la Haye", "Anne", "1820", "Caen", "DELAHAYE", "Anna", "ap. 1818"},
    {"Renault", "Pierre Louis", "", "Tours", "RENAUD", "Pierre-Louis", ""},
    {"Guérin", "Catherine", "av. 1760", "Nantes", "Guerrin", "Catharina", "1755"},
    {"Boucher", "Jehan", "1701", "Laval", "BOUCHÉ", "Jean", "1701"},
    {"Mathieu", "Françoise", "22/11/1830", "Metz", "Matthieu", "Francoise", "22/11/1830"},
};

} // namespace

// Generated French spelling variants, among a crowd of other persons: each
// pair is found, each with its score.
void TestDoublons::rappelSurDesVariantes() {
    RepertoireDeTravail rep;
    std::vector<TFiche> fiches;
    std::mt19937 hasard(7);
    const char* noms[] = {"Martin", "Bernard", "Thomas", "Petit", "Robert", "Richard", "Durand"};
    const char* prenoms[] = {"Louis", "Jeanne", "Michel", "Madeleine", "Étienne", "Rose"};
    for (int i = 0; i < 300; ++i) {
        TFiche f =
            personne(QString::fromUtf8(noms[hasard() % 7]),
                     QString::fromUtf8(prenoms[hasard() % 6]), static_cast<int>(hasard() % 2),
                     QStringLiteral("%1").arg(1700 + static_cast<int>(hasard() % 200)));
        fiches.push_back(f);
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> attendues;
    for (const Variante& v : Variantes) {
        TFiche a = personne(QString::fromUtf8(v.nom), QString::fromUtf8(v.prenoms), 2,
                            QString::fromUtf8(v.naissance));
        a.LieuNaissance.definir(QString::fromUtf8(v.lieu));
        TFiche b = personne(QString::fromUtf8(v.nom2), QString::fromUtf8(v.prenoms2), 2,
                            QString::fromUtf8(v.naissance2));
        fiches.push_back(a);
        fiches.push_back(b);
        attendues.push_back({static_cast<std::int32_t>(fiches.size() - 2),
                             static_cast<std::int32_t>(fiches.size() - 1)});
    }
    ecrireFichier(rep.chemin(QStringLiteral("D.FIC")), fiches);
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("D.FIC")));
    const std::vector<PaireDoublon> paires = chercherDoublons(f);
    for (const auto& attendue : attendues)
        QVERIFY2(std::any_of(paires.begin(), paires.end(),
                             [&](const PaireDoublon& p) {
                                 return p.a == attendue.first && p.b == attendue.second;
                             }),
                 qPrintable(nomComplet(fiches[static_cast<std::size_t>(attendue.first)])));
    QVERIFY(std::is_sorted(paires.begin(), paires.end(),
                           [](const auto& x, const auto& y) { return x.score > y.score; }));
}

// Homonyms a generation apart, a father and his son of the same names,
// cousins born the same year in two villages to other parents: none is a pair.
void TestDoublons::piegesLaissesDeCote() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f = {
        personne("LE GALL", "Yves", 0, "12/01/1750"), // 0, the father
        personne("LE GALL", "Yves", 0, "1778"),       // 1, his son
        personne("LE GALL", "Jean", 0, "1720"),       // 2, grandfather of both cousins
        personne("LE GALL", "Pierre", 0, "1745"),     // 3, father of cousin 5
        personne("LE GALL", "Marie", 2, "1783"),      // 4, cousin in Brest
        personne("LE GALL", "Marie", 2, "1783"),      // 5, cousin in Morlaix
        personne("LE GALL", "Yves", 0, "1690"),       // 6, a homonym two generations up
    };
    lier(f, 1, 0, -1);
    lier(f, 0, 2, -1);
    lier(f, 3, 2, -1);
    lier(f, 4, 0, -1);
    lier(f, 5, 3, -1);
    f[4].LieuNaissance.definir(QStringLiteral("Brest"));
    f[5].LieuNaissance.definir(QStringLiteral("Morlaix"));
    ecrireFichier(rep.chemin(QStringLiteral("P.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("P.FIC")));
    QCOMPARE(chercherDoublons(fichier), std::vector<PaireDoublon>{});
}

// Louis entered twice, each record with its own children; the last record,
// a son of the second, fills the freed slot. Every link symmetric, no
// record lost, the file check clean, the other spelling kept in the store,
// and Annuler gives the file back byte for byte.
void TestDoublons::fusionGardeToutEtSeDefait() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    std::vector<TFiche> f = {
        personne("PERE", "Jean", 0, "01/06/1750"),    // 0
        personne("MERE", "Anne", 1, "01/06/1752"),    // 1
        personne("DUPONT", "Louis", 0, "12/03/1780"), // 2, kept
        personne("MARTIN", "Marie", 1, "01/06/1782"), // 3, his wife
        personne("DUPONT", "Paul", 0, "01/06/1805"),  // 4
        personne("DUPOND", "Louis", 0, "vers 1780"),  // 5, the same Louis
        personne("DUPONT", "Rose", 2, "01/06/1808"),  // 6
        personne("DUPONT", "Henri", 0, "01/06/1810"), // 7, the last record
    };
    f[5].LieuNaissance.definir(QStringLiteral("Rouen"));
    lier(f, 2, 0, 1);
    lier(f, 4, 2, 3);
    lier(f, 6, 5, 3);
    lier(f, 7, 5, 3);
    ecrireFichier(fic, f);
    const QByteArray avant = octetsDe(fic);
    DialoguesScriptes d;
    Session s(d);
    d.attendreModal([](QDialog& dialogue) {
         auto& liste = dynamic_cast<TDoublons&>(dialogue);
         if (!liste.ligneChoisie() || liste.ligneChoisie()->paire.a != 2 ||
             liste.ligneChoisie()->paire.b != 5)
             return false;
         emit liste.fusionDemandee();
         return true;
     }).attendreModal([](QDialog& dialogue) {
        auto& fusion = dynamic_cast<TFusion&>(dialogue);
        fusion.choisir(ChampFusion::LieuNaissance, true);
        return true;
    });
    s.form.RechercherDoublons1Click();
    VERIFIER_DIALOGUES(d);
    const std::vector<TFiche> apres = lireFichier(fic);
    QCOMPARE(apres.size(), std::size_t(7));
    QCOMPARE(apres[2].LieuNaissance.texte(), QStringLiteral("Rouen"));
    QCOMPARE(apres[5].Prenom.texte(), QStringLiteral("Henri"));
    QCOMPARE(std::vector<std::int32_t>(apres[2].Enfants.begin(), apres[2].Enfants.begin() + 3),
             (std::vector<std::int32_t>{4, 6, 5}));
    for (std::size_t n = 0; n < apres.size(); ++n) {
        for (const std::int32_t e : apres[n].Enfants)
            if (e >= 0)
                QVERIFY(apres[static_cast<std::size_t>(e)].Pere == std::int32_t(n) ||
                        apres[static_cast<std::size_t>(e)].Mere == std::int32_t(n));
        for (const std::int32_t p : {apres[n].Pere, apres[n].Mere})
            if (p >= 0) {
                const auto& enfants = apres[static_cast<std::size_t>(p)].Enfants;
                QVERIFY(std::find(enfants.begin(), enfants.end(), std::int32_t(n)) !=
                        enfants.end());
            }
    }
    {
        FichierDisque fichier;
        fichier.ouvrir(fic);
        const RapportVerification verification = verifierFichier(fichier);
        QVERIFY2(verification.total() == 0, qPrintable(verification.lignes.join(u'\n')));
        const auto base = Complements::ouvrir(fic, false);
        const auto entree = base->personne(2, apres[2]);
        QVERIFY(entree);
        const QString texte = texteDeLEntree(*base, *entree).join(u'\n');
        QVERIFY2(texte.contains(QStringLiteral("DUPOND")), qPrintable(texte));
    }
    s.form.Annuler1Click();
    QCOMPARE(octetsDe(fic), avant);
}

// Two imports of one man, each with his name's source and a union with the
// same wife: the name chosen keeps its own source, the other name stays an
// alternative with its own (once), and the two unions become one family
// with both children and both marriage acts; Annuler gives the store back.
void TestDoublons::fusionSuitLesChoixDansLeMagasin() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements("0 HEAD\n1 CHAR UTF-8\n"
                            "0 @S1@ SOUR\n1 TITL Registre A\n0 @S2@ SOUR\n1 TITL Registre B\n"
                            "0 @I1@ INDI\n1 NAME Louis /DUPONT/\n2 SOUR @S1@\n3 PAGE f. 1\n"
                            "1 SEX M\n1 BIRT\n2 DATE 12 MAR 1780\n1 FAMS @F1@\n"
                            "0 @I2@ INDI\n1 NAME Louis /DUPOND/\n2 SOUR @S2@\n3 PAGE f. 2\n"
                            "1 SEX M\n1 BIRT\n2 DATE ABT 1780\n2 PLAC Rouen\n1 FAMS @F2@\n"
                            "0 @I3@ INDI\n1 NAME Marie /MARTIN/\n1 SEX F\n1 FAMS @F1@\n"
                            "1 FAMS @F2@\n"
                            "0 @I4@ INDI\n1 NAME Paul /DUPONT/\n1 SEX M\n1 FAMC @F1@\n"
                            "0 @I5@ INDI\n1 NAME Rose /DUPONT/\n1 SEX F\n1 FAMC @F2@\n"
                            "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 CHIL @I4@\n1 MARR\n"
                            "2 DATE 1804\n"
                            "0 @F2@ FAM\n1 HUSB @I2@\n1 WIFE @I3@\n1 CHIL @I5@\n1 MARR\n"
                            "2 PLAC Rouen\n0 TRLR\n",
                            fic);
    const QByteArray exportAvant = exporterAvecComplements(fic);
    DialoguesScriptes d;
    Session s(d);
    d.attendreModal([](QDialog& dialogue) {
         auto& liste = dynamic_cast<TDoublons&>(dialogue);
         if (!liste.ligneChoisie() || liste.ligneChoisie()->paire.b != 1) return false;
         emit liste.fusionDemandee();
         return true;
     }).attendreModal([](QDialog& dialogue) {
        dynamic_cast<TFusion&>(dialogue).choisir(ChampFusion::Nom, true);
        return true;
    });
    s.form.RechercherDoublons1Click();
    VERIFIER_DIALOGUES(d);
    const QStringList records =
        QString::fromUtf8(exporterAvecComplements(fic)).remove(u'\r').split(QStringLiteral("\n0 "));
    QStringList familles, louis;
    for (const QString& r : records) {
        if (r.contains(QStringLiteral("@ FAM\n"))) familles << r;
        if (r.contains(QStringLiteral("@ INDI\n")) && r.contains(QStringLiteral("/DUPON")) &&
            r.contains(QStringLiteral("Louis")))
            louis << r;
    }
    QCOMPARE(familles.size(), 1);
    QCOMPARE(familles[0].count(QStringLiteral("1 CHIL ")), 2);
    QVERIFY2(familles[0].contains(QStringLiteral("2 DATE 1804")) &&
                 familles[0].contains(QStringLiteral("2 PLAC Rouen")),
             qPrintable(familles[0]));
    QCOMPARE(louis.size(), 1);
    const QStringList noms = louis[0].split(QStringLiteral("1 NAME ")).mid(1);
    QCOMPARE(noms.size(), 2);
    QVERIFY2(noms[0].startsWith(QStringLiteral("Louis /DUPOND/")) &&
                 noms[0].contains(QStringLiteral("f. 2")) &&
                 !noms[0].contains(QStringLiteral("f. 1")),
             qPrintable(louis[0]));
    QVERIFY2(noms[1].startsWith(QStringLiteral("Louis /DUPONT/")) &&
                 noms[1].contains(QStringLiteral("f. 1")),
             qPrintable(louis[0]));
    s.form.Annuler1Click();
    QCOMPARE(exporterAvecComplements(fic), exportAvant);
}

QTEST_MAIN(TestDoublons)
#include "test_doublons.moc"
