// The GEDCOM exchange tells the truth: the export writes no couple and no
// date the records do not prove, and the import misreads nothing silently.
// Each case is a few lines of GEDCOM or a few records written here.
#include "data/fichier/Erreurs.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/gedcom/Gedcom.h"
#include "data/gedcom/GedcomLecture.h"
#include "tests/OutilsTests.h"

#include <QtTest>

namespace {

// The families of an export, one line each: "HUSB 0, WIFE 1, CHIL 3, MARR
// 5 MAY 1850 Lyon", the marriages in their order, a note as "(note)".
QStringList familles(const std::vector<TFiche>& fiches, ResultatExport* resultat = nullptr) {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), fiches);
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const ResultatExport r = exporterGedcom(f);
    if (resultat) *resultat = r;
    QStringList sortie;
    QStringList morceaux;
    bool dansFamille = false;
    for (const QString& l : QString::fromUtf8(r.gedcom).split(QStringLiteral("\r\n"))) {
        const QString valeur = l.section(u' ', 2);
        if (l.startsWith(u'0')) {
            if (dansFamille) sortie << morceaux.join(QStringLiteral(", "));
            dansFamille = l.endsWith(QStringLiteral(" FAM"));
            morceaux.clear();
        } else if (!dansFamille) {
            continue;
        } else if (l.startsWith(QStringLiteral("1 HUSB")) ||
                   l.startsWith(QStringLiteral("1 WIFE")) ||
                   l.startsWith(QStringLiteral("1 CHIL"))) {
            morceaux << l.section(u' ', 1, 1) + u' ' + QString(valeur).remove(u'@').remove(u'I');
        } else if (l == u"1 MARR") {
            morceaux << QStringLiteral("MARR");
        } else if (l.startsWith(QStringLiteral("2 DATE")) ||
                   l.startsWith(QStringLiteral("2 PLAC"))) {
            morceaux.back() += u' ' + valeur;
        } else if (l.startsWith(QStringLiteral("2 NOTE"))) {
            morceaux.back() += QStringLiteral(" (note)");
        }
    }
    return sortie;
}

TFiche marie(const char* nom, int qualite, const char* date, const char* lieu = "") {
    TFiche f = personne(QString::fromUtf8(nom), {}, qualite);
    f.DateMariage.definir(QString::fromUtf8(date));
    f.LieuMariage.definir(QString::fromUtf8(lieu));
    return f;
}

QByteArray gedcomDe(const QByteArray& corps, const QByteArray& jeu = "UTF-8") {
    return "0 HEAD\n1 CHAR " + jeu + "\n" + corps + "0 TRLR\n";
}

} // namespace

Q_DECLARE_METATYPE(std::vector<TFiche>)

class TestGedcomFidelite : public QObject {
    Q_OBJECT
private slots:
    void exportNInventeAucunCouple_data();
    void exportNInventeAucunCouple();
    void jeuxDeCaracteres_data();
    void jeuxDeCaracteres();
    void chaqueChoseNonGardeeEstComptee_data();
    void chaqueChoseNonGardeeEstComptee();
    void famillesEtEnfants_data();
    void famillesEtEnfants();
    void enfantsParDateDeNaissance();
    void fichierSansPersonneRefuse();
    void listeCompleteAuDelaDuPlafond();
    void identifiantsDistincts_data();
    void identifiantsDistincts();
};

// Persons written here, and the families the export must write for them.
void TestGedcomFidelite::exportNInventeAucunCouple_data() {
    QTest::addColumn<std::vector<TFiche>>("fiches");
    QTest::addColumn<QStringList>("attendues");
    QTest::addColumn<int>("sansConjoint");
    QTest::addColumn<int>("desaccords");
    // Two childless couples married the same year: nobody is paired.
    QTest::newRow("quatre sans enfant à la même date")
        << std::vector<TFiche>{marie("JEAN", 0, "?\?/?\?/1850"), marie("MARIE", 1, "?\?/?\?/1850"),
                               marie("PAUL", 0, "?\?/?\?/1850"), marie("ANNE", 1, "?\?/?\?/1850")}
        << QStringList{"HUSB 0, MARR 1850", "WIFE 1, MARR 1850", "HUSB 2, MARR 1850",
                       "WIFE 3, MARR 1850"}
        << 4 << 0;
    QTest::newRow("deux hommes à la même date")
        << std::vector<TFiche>{marie("JEAN", 0, "01/06/1950"), marie("PAUL", 0, "01/06/1950")}
        << QStringList{"HUSB 0, MARR 1 JUN 1950", "HUSB 1, MARR 1 JUN 1950"} << 2 << 0;
    QTest::newRow("un couple sans enfant prouvé par sa date")
        << std::vector<TFiche>{marie("ANNE", 1, "01/06/1950", "Lyon"),
                               marie("JEAN", 0, "01/06/1950")}
        << QStringList{"HUSB 1, WIFE 0, MARR 1 JUN 1950 Lyon"} << 0 << 0;
    // Pierre married Anne, then Marie: each family its own date and place.
    std::vector<TFiche> remarie{
        marie("PIERRE", 0, "05/05/1850", "Lyon"), marie("ANNE", 1, "05/05/1850", "Lyon"),
        marie("MARIE", 1, "07/06/1860", "Paris"), personne("A"), personne("B")};
    lier(remarie, 3, 0, 1);
    lier(remarie, 4, 0, 2);
    QTest::newRow("la date d'une autre famille")
        << remarie
        << QStringList{"HUSB 0, WIFE 1, CHIL 3, MARR 5 MAY 1850 Lyon",
                       "HUSB 0, WIFE 2, CHIL 4, MARR 7 JUN 1860 Paris"}
        << 0 << 0;
    QTest::newRow("un seul conjoint connu")
        << std::vector<TFiche>{marie("ROSE", 1, "12/05/1990", "San Francisco")}
        << QStringList{"WIFE 0, MARR 12 MAY 1990 San Francisco"} << 1 << 0;
    std::vector<TFiche> sansDate{personne("P"), personne("M", {}, 1), personne("E")};
    lier(sansDate, 2, 0, 1);
    QTest::newRow("une famille sans date n'en reçoit pas")
        << sansDate << QStringList{"HUSB 0, WIFE 1, CHIL 2"} << 0 << 0;
    std::vector<TFiche> desaccord{marie("P", 0, "?\?/?\?/1850"), marie("M", 1, "?\?/?\?/1851"),
                                  personne("E")};
    lier(desaccord, 2, 0, 1);
    QTest::newRow("deux fiches en désaccord")
        << desaccord << QStringList{"HUSB 0, WIFE 1, CHIL 2, MARR 1850 (note), MARR 1851 (note)"}
        << 0 << 1;
}

void TestGedcomFidelite::exportNInventeAucunCouple() {
    QFETCH(std::vector<TFiche>, fiches);
    QFETCH(QStringList, attendues);
    QFETCH(int, sansConjoint);
    QFETCH(int, desaccords);
    ResultatExport r;
    QStringList trouvees = familles(fiches, &r);
    trouvees.sort();
    attendues.sort();
    QCOMPARE(trouvees, attendues);
    QCOMPARE(r.mariagesSansConjoint, sansConjoint);
    QCOMPARE(r.mariagesEnDesaccord, desaccords);
}

// A name in each character set: the letters arrive, or the report counts
// what could not be read.
void TestGedcomFidelite::jeuxDeCaracteres_data() {
    QTest::addColumn<QByteArray>("gedcom");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("lieu");
    QTest::addColumn<int>("lecture"); // items of the kind "Lecture"
    QTest::newRow("code page 437")
        << gedcomDe("0 @I1@ INDI\n1 NAME Andr\x82 /FR\x90MONT/\n1 BIRT\n2 PLAC Z\x81rich\n",
                    "IBMPC")
        << "FRÉMONT André"
        << "Zürich" << 0;
    QTest::newRow("IBM-PC écrit autrement")
        << gedcomDe("0 @I1@ INDI\n1 NAME Andr\x82 /FR\x90MONT/\n", "IBM-PC") << "FRÉMONT André"
        << "" << 0;
    QTest::newRow("ANSEL, lettres cornues")
        << gedcomDe("0 @I1@ INDI\n1 NAME Tr\xAD\xE1o\xBC /NGUY\xE2"
                    "EN/\n",
                    "ANSEL")
        << "NGUYÉN TrƯoơ"
        << "" << 0;
    QTest::newRow("UTF-8 annoncé, cassé")
        << gedcomDe("0 @I1@ INDI\n1 NAME Ren\xE9 /DURAND/\n") << "DURAND René"
        << "" << 1;
    // Plain ASCII places, read straight into the record or not, all alike.
    const auto lieu = [](const char* nom, const char* plac, const char* lu, int lecture) {
        QTest::newRow(nom) << gedcomDe(QByteArray("0 @I1@ INDI\n1 NAME Jean /DURAND/\n1 BIRT\n2 "
                                                  "PLAC ") +
                                       plac + "\n")
                           << "DURAND Jean" << lu << lecture;
    };
    lieu("deux blancs", "Saint  Malo", "Saint Malo", 0);
    lieu("tabulation", "Saint\tMalo", "Saint Malo", 1);
    lieu("caractère DEL", "Saint\x7FMalo", "SaintMalo", 1);
    lieu("trente caractères", "Saint-Martin-de-Belleville 73X", "Saint-Martin-de-Belleville 73X", 0);
    lieu("trente et un", "Saint-Martin-de-Belleville 73XY", "Saint-Martin-de-Belleville 73X", 0);
}

void TestGedcomFidelite::jeuxDeCaracteres() {
    QFETCH(QByteArray, gedcom);
    QFETCH(QString, nom);
    QFETCH(QString, lieu);
    QFETCH(int, lecture);
    const ResultatImport r = importerGedcom(gedcom);
    // The record keeps what Windows-1252 holds; the report tells the rest.
    const QString texte = r.rapport.texte().join(u'\n');
    const QString lu = r.fiches[0].Nom.texte() + u' ' + r.fiches[0].Prenom.texte();
    QVERIFY2(lu == nom || texte.contains(nom.section(u' ', 1)) ||
                 texte.contains(nom.section(u' ', 0, 0)),
             qPrintable(lu + u'\n' + texte));
    QCOMPARE(r.fiches[0].LieuNaissance.texte(), lieu);
    QCOMPARE(r.rapport.comptes[int(Ecart::Lecture)], lecture);
    QVERIFY(!texte.contains(u'\uFFFD'));
}

// Each thing the record cannot hold is counted once, in its kind, and
// nothing else is: "Tout a été gardé fidèlement" is then literally false.
void TestGedcomFidelite::chaqueChoseNonGardeeEstComptee_data() {
    QTest::addColumn<QByteArray>("lignes"); // of the person, after its NAME
    QTest::addColumn<int>("genre");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("autres"); // told under other kinds
    auto ligne = [](const char* nom, const char* l, Ecart e, int n, int autres = 0) {
        QTest::newRow(nom) << QByteArray(l) << int(e) << n << autres;
    };
    ligne("coordonnées", "1 BIRT\n2 PLAC Paris\n3 MAP\n4 LATI N48.8\n4 LONG E2.3\n",
          Ecart::Coordonnees, 1);
    ligne("cause", "1 DEAT\n2 DATE 1900\n2 CAUS fièvre\n", Ecart::Cause, 1);
    ligne("âge", "1 DEAT\n2 DATE 1900\n2 AGE 72y\n", Ecart::Age, 1);
    ligne("adresse d'événement", "1 BIRT\n2 DATE 1850\n2 ADDR 3 rue Haute\n", Ecart::Adresse, 1);
    ligne("nom d'épouse", "2 _MARNM Durand\n", Ecart::NomAlternatif, 1);
    ligne("nom marié", "1 NAME Jeanne /Durand/\n2 TYPE married\n", Ecart::NomAlternatif, 1);
    ligne("parties de nom", "2 GIVN Jean Louis\n", Ecart::NomComplement, 1);
    ligne("surnom", "2 NICK Jeannot\n", Ecart::NomComplement, 1);
    ligne("confidentialité", "1 RESN privacy\n", Ecart::Confidentialite, 1);
    ligne("nombre d'enfants", "1 NCHI 5\n", Ecart::Evenement, 1);
    ligne("profession datée", "1 OCCU tisserand\n2 DATE 1850\n", Ecart::DetailEvenement, 1);
    ligne("numéro de référence", "1 REFN 123\n", Ecart::Identifiant, 1);
    ligne("décès sans date", "1 DEAT Y\n", Ecart::DecesSansDate, 1);
    ligne("trois sources, trois items", "1 SOUR Registre A\n1 SOUR Registre B\n1 SOUR Registre C\n",
          Ecart::Source, 3);
    // A relation kept for the store, but its pointer leads to no record:
    // lost for good, and said so.
    ligne("relation vers personne, à dessein", "1 ASSO @VOID@\n2 RELA Parrain\n", Ecart::Evenement,
          1);
    ligne("relation vers une personne absente", "1 ASSO @I99@\n2 RELA Parrain\n",
          Ecart::ReferencePendante, 1, 1);
    QTest::newRow("tabulation et octet nul")
        << QByteArray("1 OCCU tis\tse\0rand\n", 19) << int(Ecart::Lecture) << 2 << 0;
    ligne("date au niveau 4", "1 BIRT\n4 DATE 1850\n", Ecart::Structure, 1);
    ligne("lieu sous la date", "1 BIRT\n2 DATE 1850\n3 PLAC Lyon\n", Ecart::Structure, 1);
}

void TestGedcomFidelite::chaqueChoseNonGardeeEstComptee() {
    QFETCH(QByteArray, lignes);
    QFETCH(int, genre);
    QFETCH(int, items);
    QFETCH(int, autres);
    const ResultatImport r =
        importerGedcom(gedcomDe("0 @I1@ INDI\n1 NAME Jean /Dupont/\n" + lignes));
    const QString texte = r.rapport.texte().join(u'\n');
    QCOMPARE(r.rapport.comptes[static_cast<std::size_t>(genre)], items);
    QVERIFY2(r.rapport.total() == items + autres, qPrintable(texte));
    // A pointer to no record on purpose stays with what it carries.
    if (lignes.contains("@VOID@"))
        QVERIFY(r.complements.personnes.at(0).structures.find("1 ASSO @VOID@\n2 RELA Parrain") !=
                std::string::npos);
    if (genre == int(Ecart::ReferencePendante))
        QVERIFY2(texte.startsWith(QStringLiteral("Perdu pour de bon : 1")), qPrintable(texte));
    QVERIFY2(texte.contains(QStringLiteral("DUPONT Jean")) ||
                 texte.contains(QStringLiteral("Dupont Jean")),
             qPrintable(texte));
    QVERIFY(!texte.contains(QStringLiteral("Tout a été gardé fidèlement")));
    if (genre == int(Ecart::Lecture))
        QCOMPARE(r.fiches[0].Profession.texte(), QStringLiteral("tis serand"));
    // The places and dates that a repaired line holds reach the record.
    if (genre == int(Ecart::Structure)) {
        QCOMPARE(r.fiches[0].DateNaissance.texte(), QStringLiteral("?\?/?\?/1850"));
        if (lignes.contains("PLAC"))
            QCOMPARE(r.fiches[0].LieuNaissance.texte(), QStringLiteral("Lyon"));
    }
}

// FAMC and CHIL together say who the parents are: the birth family is kept,
// every other link is told, and no slot names a child twice.
void TestGedcomFidelite::famillesEtEnfants_data() {
    QTest::addColumn<QByteArray>("gedcom");
    QTest::addColumn<int>("pere"); // of the child, record 2
    QTest::addColumn<int>("genre");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("autres"); // items of other kinds
    const QByteArray parents =
        "0 @P@ INDI\n1 NAME P /A/\n1 SEX M\n0 @M@ INDI\n1 NAME M /B/\n1 SEX F\n";
    const QByteArray autres = "0 @Q@ INDI\n1 NAME Q /C/\n1 SEX M\n";
    QTest::newRow("FAMC sans CHIL")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n0 @F1@ FAM\n1 HUSB @P@\n"
                              "1 WIFE @M@\n")
        << 0 << int(Ecart::LienComplete) << 1 << 0;
    QTest::newRow("enfant de deux familles")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n1 FAMC @F2@\n" + autres +
                    "0 @F1@ FAM\n1 HUSB @P@\n1 WIFE @M@\n1 CHIL @E@\n0 @F2@ FAM\n1 HUSB @Q@\n"
                    "1 CHIL @E@\n")
        << 0 << int(Ecart::LienFamille) << 1 << 0;
    QTest::newRow("adopté seulement")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n2 PEDI adopted\n"
                              "0 @F1@ FAM\n1 HUSB @P@\n1 WIFE @M@\n1 CHIL @E@\n")
        << -1 << int(Ecart::Filiation) << 1 << 1; // and the couple, now childless
    QTest::newRow("adopté et de naissance")
        << gedcomDe(parents +
                    "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F2@\n2 PEDI adopted\n"
                    "1 FAMC @F1@\n" +
                    autres +
                    "0 @F1@ FAM\n1 HUSB @P@\n1 WIFE @M@\n1 CHIL @E@\n0 @F2@ FAM\n1 HUSB @Q@\n"
                    "1 CHIL @E@\n2 _FREL Adopted\n")
        << 0 << int(Ecart::Filiation) << 1 << 0;
    QTest::newRow("enfant absent du fichier")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n0 @F1@ FAM\n1 HUSB @P@\n"
                              "1 WIFE @M@\n1 CHIL @E@\n1 CHIL @X9@\n")
        << 0 << int(Ecart::ReferencePendante) << 1 << 0;
    QTest::newRow("GEDCOM 7, @VOID@")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n0 @F1@ FAM\n1 HUSB @P@\n"
                              "1 WIFE @VOID@\n1 CHIL @E@\n")
        << 0 << int(Ecart::ReferencePendante) << 1 << 0;
    QTest::newRow("identifiant en double")
        << gedcomDe(parents + "0 @E@ INDI\n1 NAME E /A/\n1 FAMC @F1@\n0 @F1@ FAM\n1 HUSB @P@\n"
                              "1 WIFE @M@\n1 CHIL @E@\n0 @F1@ FAM\n1 HUSB @M@\n")
        << 0 << int(Ecart::Structure) << 1 << 0;
}

void TestGedcomFidelite::famillesEtEnfants() {
    QFETCH(QByteArray, gedcom);
    QFETCH(int, pere);
    QFETCH(int, genre);
    QFETCH(int, items);
    QFETCH(int, autres);
    const ResultatImport r = importerGedcom(gedcom);
    const QString texte = r.rapport.texte().join(u'\n');
    QCOMPARE(r.fiches[2].Pere, pere);
    QVERIFY2(r.rapport.comptes[static_cast<std::size_t>(genre)] == items, qPrintable(texte));
    QVERIFY2(r.rapport.total() == (ecartInformatif(Ecart(genre)) ? 0 : items) + autres,
             qPrintable(texte));
    // No parent lists a child whose record names another parent, nor twice.
    for (std::size_t p = 0; p < r.fiches.size(); ++p)
        for (int s = 0; s < NbEmplacementsEnfants; ++s) {
            const std::int32_t e = r.fiches[p].Enfants[static_cast<std::size_t>(s)];
            if (e < 0) continue;
            QVERIFY(r.fiches[static_cast<std::size_t>(e)].Pere == std::int32_t(p) ||
                    r.fiches[static_cast<std::size_t>(e)].Mere == std::int32_t(p));
            for (int t = 0; t < s; ++t)
                QVERIFY(r.fiches[p].Enfants[static_cast<std::size_t>(t)] != e);
        }
}

// The slot is the birth rank: children listed out of order are entered by
// date, the undated after them, and the report says so without counting a loss.
void TestGedcomFidelite::enfantsParDateDeNaissance() {
    QByteArray g = "0 @P@ INDI\n1 NAME P /A/\n1 SEX M\n";
    const char* naissances[] = {"1987", "1977", "", "1980"};
    for (int i = 0; i < 4; ++i) {
        g += "0 @E" + QByteArray::number(i) + "@ INDI\n1 NAME E" + QByteArray::number(i) +
             " /A/\n1 FAMC @F@\n";
        if (*naissances[i]) g += "1 BIRT\n2 DATE " + QByteArray(naissances[i]) + "\n";
    }
    g += "0 @F@ FAM\n1 HUSB @P@\n";
    for (int i = 0; i < 4; ++i)
        g += "1 CHIL @E" + QByteArray::number(i) + "@\n";
    const ResultatImport r = importerGedcom(gedcomDe(g));
    const auto& rangs = r.fiches[0].Enfants;
    QCOMPARE((std::vector<std::int32_t>{rangs[0], rangs[1], rangs[2], rangs[3]}),
             (std::vector<std::int32_t>{2, 4, 1, 3}));
    QCOMPARE(r.rapport.comptes[int(Ecart::EnfantsReordonnes)], 1);
    QCOMPARE(r.rapport.total(), 0);
    QCOMPARE(r.rapport.texte().front(), QStringLiteral("Tout a été gardé fidèlement."));
}

void TestGedcomFidelite::fichierSansPersonneRefuse() {
    QByteArray hasard;
    for (int i = 0; i < 4000; ++i)
        hasard += char((i * 7919 + 13) % 251);
    for (const QByteArray& contenu : {hasard, gedcomDe("0 @S1@ SOUR\n1 TITL Registre\n")}) {
        bool refuse = false;
        try {
            importerGedcom(contenu, 0, QStringLiteral("x.ged"));
        } catch (const ErreurVelmoris& e) {
            refuse = e.texte().contains(QStringLiteral("« x.ged » ne contient aucune personne"));
        }
        QVERIFY(refuse);
    }
}

// Past the first lines, the whole list goes beside the genealogy file, and
// the report says where.
void TestGedcomFidelite::listeCompleteAuDelaDuPlafond() {
    QByteArray g;
    const int personnes = LignesRapportMaximum + 5;
    for (int i = 0; i < personnes; ++i)
        g += "0 @I" + QByteArray::number(i) + "@ INDI\n1 NAME N" + QByteArray::number(i) +
             " /A/\n1 NOTE une note\n";
    const ResultatImport r = importerGedcom(gedcomDe(g));
    QCOMPARE(r.rapport.comptes[int(Ecart::Note)], personnes);
    QCOMPARE(r.rapport.lignes.size(), LignesRapportMaximum);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("famille.FIC"));
    const QString texte =
        resumeImport(r, rep.chemin(QStringLiteral("a.ged")), fic, false).join(u'\n');
    const QString liste = rep.chemin(QStringLiteral("famille - rapport d'importation.txt"));
    QVERIFY2(texte.contains(QStringLiteral("la liste complète est dans ") + liste),
             qPrintable(texte.right(300)));
    QCOMPARE(QString::fromUtf8(octetsDe(liste)).count(QStringLiteral("une note (la personne)")),
             personnes);
}

QTEST_MAIN(TestGedcomFidelite)
// Two identifiers are one record exactly when they are the same text,
// however compactly each is kept.
void TestGedcomFidelite::identifiantsDistincts_data() {
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("meme");
    QTest::newRow("même famille") << QByteArray("@F3_2@") << QByteArray("@F3_2@") << true;
    QTest::newRow("trait retiré") << QByteArray("@F3_2@") << QByteArray("@F32@") << false;
    QTest::newRow("zéro de tête") << QByteArray("@F3_2@") << QByteArray("@F3_02@") << false;
    QTest::newRow("zéro de tête 2") << QByteArray("@F03_2@") << QByteArray("@F3_2@") << false;
    QTest::newRow("nombres permutés") << QByteArray("@F3_2@") << QByteArray("@F2_3@") << false;
    QTest::newRow("autre lettre") << QByteArray("@F3_2@") << QByteArray("@G3_2@") << false;
    QTest::newRow("trois parts") << QByteArray("@F3_2_1@") << QByteArray("@F3_21@") << false;
    QTest::newRow("grand nombre") << QByteArray("@F9999999_1@") << QByteArray("@F9999999_1@")
                                  << true;
    QTest::newRow("lettres non ASCII")
        << QByteArray("@\xC3\xA9I1@") << QByteArray("@F1_1@") << false;
    QTest::newRow("personne") << QByteArray("@I12@") << QByteArray("@I012@") << false;
    QTest::newRow("au loin") << QByteArray("@I100000@") << QByteArray("@I100000@") << true;
    QTest::newRow("autre série") << QByteArray("@I7@") << QByteArray("@P7@") << false;
}

void TestGedcomFidelite::identifiantsDistincts() {
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, meme);
    gedcom::Identifiants ids;
    // Others first, so that a numbering from zero cannot make two keys agree by chance.
    for (const char* autre : {"@F1_1@", "@I1@", "@X@"})
        ids.numero(autre);
    const std::int32_t n = ids.numero(std::string_view(a.constData(), a.size()));
    const std::int32_t m = ids.numero(std::string_view(b.constData(), b.size()));
    QCOMPARE(n == m, meme);
    // Each keeps its number while many more come, whatever keeps them.
    for (int k = 0; k < 120000; ++k)
        ids.numero("@I" + std::to_string(k) + '@');
    QCOMPARE(ids.chercher(std::string_view(a.constData(), a.size())), n);
    QCOMPARE(ids.numero(std::string_view(b.constData(), b.size())), m);
}

#include "test_gedcom_fidelite.moc"
