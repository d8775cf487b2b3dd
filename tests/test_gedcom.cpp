// GEDCOM export and import, the approximate search and the file check.
#include "data/fichier/Dates.h"
#include "data/fichier/IntervalleDate.h"
#include "data/fichier/Texte.h"
#include "data/gedcom/Gedcom.h"
#include "data/gedcom/GedcomLecture.h"
#include "data/gedcom/SortieGedcom.h"
#include "data/recherche/Recherches.h"
#include "data/recherche/Verification.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uRapport.h"
#include "tests/OutilsTests.h"
#include "tools/Demo.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

#include <set>

namespace {

std::vector<TFiche> petiteFamille() {
    TFiche pere = personne(QStringLiteral("DURAND"), QStringLiteral("Pierre"), 0,
                           QStringLiteral("03/02/1876"));
    pere.LieuNaissance.definir(QStringLiteral("Mâcon"));
    pere.Profession.definir(QStringLiteral("Boulanger"));
    pere.DateMariage.definir(QStringLiteral("12/05/1900"));
    pere.LieuMariage.definir(QStringLiteral("Lyon"));
    pere.NbEnfants = 2;
    pere.Enfants[0] = 3;
    pere.Enfants[1] = 2;
    TFiche mere = personne(QStringLiteral("LEFÈVRE"), QStringLiteral("Jeanne"), 1,
                           QStringLiteral("vers 1874"));
    mere.DateMariage.definir(QStringLiteral("12/05/1900"));
    mere.NbEnfants = 2;
    mere.Enfants[0] = 3;
    mere.Enfants[1] = 2;
    TFiche cadet =
        personne(QStringLiteral("DURAND"), QStringLiteral("Paul"), 0, QStringLiteral("07/04/1902"));
    cadet.Pere = 0;
    cadet.Mere = 1;
    cadet.Photo.definir(QStringLiteral("C:\\PHOTOS\\paul.jpg"));
    cadet.DateDeces.definir(QStringLiteral("30/09/1975"));
    TFiche aine = personne(QStringLiteral("DURAND"), QStringLiteral("Berthe"), 2,
                           QStringLiteral("18/06/1901"));
    aine.Pere = 0;
    aine.Mere = 1;
    return {pere, mere, cadet, aine};
}

QStringList lignesExport(const std::vector<TFiche>& fiches, int* pendants = nullptr) {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), fiches);
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const ResultatExport r = exporterGedcom(f);
    if (pendants) *pendants = r.liensPendants;
    return QString::fromUtf8(r.gedcom).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// The lines of one record of the export, from its header line to the next record.
QStringList bloc(const QStringList& lignes, const QString& entete) {
    const auto debut = lignes.indexOf(entete);
    if (debut < 0) return {};
    QStringList resultat{lignes[debut]};
    for (auto i = debut + 1; i < lignes.size() && !lignes[i].startsWith(u'0'); ++i)
        resultat << lignes[i];
    return resultat;
}

std::set<std::int32_t> enfantsDe(const TFiche& f) {
    std::set<std::int32_t> s;
    for (int i = 0; i < emplacementsEnfants(f.NbEnfants); ++i)
        if (f.Enfants[static_cast<std::size_t>(i)] != -1)
            s.insert(f.Enfants[static_cast<std::size_t>(i)]);
    return s;
}

} // namespace

class TestGedcom : public QObject {
    Q_OBJECT
private slots:
    void exportLigneALigne();
    void exportStableEtLiensPendants();
    void coupleSansEnfant();
    void allerRetour();
    void importEcritAilleurs();
    void dates_data();
    void dates();
    void texteDuMagasinSansControles_data();
    void texteDuMagasinSansControles();
    void datesTapees_data();
    void datesTapees();
    void rapportHonnete();
    void importAjouteAuFichierOuvert();
    void portraitsExportes_data();
    void portraitsExportes();
    void ligneDeCommande_data();
    void ligneDeCommande();
    void rechercheApprochee_data();
    void rechercheApprochee();
    void rechercheApprocheeDansLaFenetre();
    void verificationTrouveChaqueProbleme();
    void verificationDUnFichierSain();
    void verificationDansUneFenetre();
    void exportPuisImportParLesMenus();
    void exportLuParUnLecteurGedcom();
};

void TestGedcom::exportLigneALigne() {
    const QStringList l = lignesExport(petiteFamille());
    QCOMPARE(l.mid(0, 12), (QStringList{"0 HEAD", "1 SOUR VELMORIS", "2 NAME Velmoris",
                                        "2 VERS " VELMORIS_VERSION, "1 SUBM @SUBM1@", "1 GEDC",
                                        "2 VERS 5.5.1", "2 FORM LINEAGE-LINKED", "1 CHAR UTF-8",
                                        "1 LANG French", "0 @SUBM1@ SUBM", "1 NAME Velmoris"}));
    QCOMPARE(bloc(l, "0 @I0@ INDI"),
             (QStringList{"0 @I0@ INDI", "1 NAME Pierre /DURAND/", "1 SEX M", "1 OCCU Boulanger",
                          "1 BIRT", "2 DATE 3 FEB 1876", "2 PLAC Mâcon", "1 FAMS @F0_1@"}));
    QCOMPARE(bloc(l, "0 @I1@ INDI"),
             (QStringList{"0 @I1@ INDI", "1 NAME Jeanne /LEFÈVRE/", "1 SEX F", "1 BIRT",
                          "2 DATE ABT 1874", "1 FAMS @F0_1@"}));
    QCOMPARE(bloc(l, "0 @I2@ INDI"),
             (QStringList{"0 @I2@ INDI", "1 NAME Paul /DURAND/", "1 SEX M", "1 BIRT",
                          "2 DATE 7 APR 1902", "1 DEAT", "2 DATE 30 SEP 1975", "1 OBJE",
                          "2 FILE C:\\PHOTOS\\paul.jpg", "3 FORM jpg", "1 FAMC @F0_1@"}));
    QCOMPARE(bloc(l, "0 @I3@ INDI")[3], QStringLiteral("1 SEX F"));
    // The children in rank order: Berthe (rank 1) before Paul (rank 2).
    QCOMPARE(bloc(l, "0 @F0_1@ FAM"),
             (QStringList{"0 @F0_1@ FAM", "1 HUSB @I0@", "1 WIFE @I1@", "1 CHIL @I3@",
                          "1 CHIL @I2@", "1 MARR", "2 DATE 12 MAY 1900", "2 PLAC Lyon"}));
    QCOMPARE(l.back(), QStringLiteral("0 TRLR"));
}

void TestGedcom::exportStableEtLiensPendants() {
    std::vector<TFiche> f = petiteFamille();
    f[2].Mere = 77;
    f[0].Enfants[2] = 500;
    f[0].NbEnfants = 3;
    int pendants = 0;
    const QStringList une = lignesExport(f, &pendants);
    QCOMPARE(pendants, 2);
    QCOMPARE(lignesExport(f), une);
    QVERIFY(une.contains(QStringLiteral("1 FAMC @F0_X@")));
    QVERIFY(!une.join(u'\n').contains(QStringLiteral("@I77@")));
}

void TestGedcom::coupleSansEnfant() {
    TFiche lui = personne(QStringLiteral("A"), QStringLiteral("Jean"), 0);
    TFiche elle = personne(QStringLiteral("B"), QStringLiteral("Anne"), 1);
    lui.DateMariage.definir(QStringLiteral("01/06/1950"));
    elle.DateMariage.definir(QStringLiteral("01/06/1950"));
    const QStringList l = lignesExport({elle, personne(QStringLiteral("C")), lui});
    QCOMPARE(bloc(l, "0 @F2_0@ FAM"), (QStringList{"0 @F2_0@ FAM", "1 HUSB @I2@", "1 WIFE @I0@",
                                                   "1 MARR", "2 DATE 1 JUN 1950"}));
}

void TestGedcom::allerRetour() {
    const std::vector<TFiche> avant =
        lireFamilleDemo(QStringLiteral(VELMORIS_SOURCE_DIR "/demo/famille.txt"));
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), avant);
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const ResultatImport r = importerGedcom(exporterGedcom(f).gedcom);
    QVERIFY2(r.rapport.total() == 0, qPrintable(r.rapport.texte().join(u'\n')));
    QCOMPARE(r.fiches.size(), avant.size());
    for (std::size_t i = 0; i < avant.size(); ++i) {
        const TFiche& a = avant[i];
        const TFiche& b = r.fiches[i];
        QCOMPARE(b.Nom.texte(), a.Nom.texte());
        QCOMPARE(b.Prenom.texte(), a.Prenom.texte());
        QCOMPARE(b.Qualite, a.Qualite);
        QCOMPARE(b.Profession.texte(), a.Profession.texte());
        // A date typed by hand comes back in the record's own form, with the same meaning.
        QCOMPARE(dateGedcom(b.DateNaissance.texte()), dateGedcom(a.DateNaissance.texte()));
        QCOMPARE(b.LieuNaissance.texte(), a.LieuNaissance.texte());
        QCOMPARE(dateGedcom(b.DateDeces.texte()), dateGedcom(a.DateDeces.texte()));
        QCOMPARE(b.LieuDeces.texte(), a.LieuDeces.texte());
        QCOMPARE(b.Photo.texte(), a.Photo.texte());
        QCOMPARE(b.Pere, a.Pere);
        QCOMPARE(b.Mere, a.Mere);
        QCOMPARE(enfantsDe(b), enfantsDe(a));
        if (a.NbEnfants || a.Pere >= 0)
            QCOMPARE(dateGedcom(b.DateMariage.texte()), dateGedcom(a.DateMariage.texte()));
    }
}

// A file typed in another program: byte-order mark, ANSEL accents,
// continuation lines, two families, eleven children, approximate dates.
void TestGedcom::importEcritAilleurs() {
    QByteArray g = "\xEF\xBB\xBF";
    g = "0 HEAD\r\n1 CHAR ANSEL\r\n1 GEDC\r\n2 VERS 5.5\r\n"
        "0 @P1@ INDI\r\n1 NAME Andr\xE2"
        "e /LEF\xE2"
        "EVRE/\r\n1 SEX M\r\n1 BIRT\r\n2 DATE ABT 1850\r\n2 PLAC Saint-\xC3tienne\r\n"
        "1 OCCU Marchand de vins en gros et\r\n2 CONC  en d\xE2"
        "etail\r\n1 FAMS @F1@\r\n"
        "0 @P2@ INDI\r\n1 NAME H\xE2"
        "el\xE1"
        "ene /DUPR\xE2"
        "E/\r\n1 SEX F\r\n1 FAMS @F1@\r\n"
        "0 @P3@ INDI\r\n1 NAME Louis /LEF\xE2"
        "EVRE/\r\n1 SEX M\r\n1 BIRT\r\n2 DATE 2 FEB 1880\r\n1 FAMC @F1@\r\n1 FAMC @F2@\r\n";
    for (int i = 4; i <= 14; ++i)
        g += "0 @P" + QByteArray::number(i) + "@ INDI\r\n1 NAME Enfant" + QByteArray::number(i) +
             " /LEF\xE2"
             "EVRE/\r\n1 SEX F\r\n1 FAMC @F2@\r\n";
    g += "0 @F1@ FAM\r\n1 HUSB @P1@\r\n1 WIFE @P2@\r\n1 CHIL @P3@\r\n1 MARR\r\n2 DATE 10 JUN "
         "1875\r\n"
         "0 @F2@ FAM\r\n1 HUSB @P3@\r\n";
    for (int i = 4; i <= 14; ++i)
        g += "1 CHIL @P" + QByteArray::number(i) + "@\r\n";
    g += "0 TRLR\r\n";
    const ResultatImport r = importerGedcom(g);
    QCOMPARE(r.fiches.size(), std::size_t(14));
    QCOMPARE(r.fiches[0].Nom.texte(), QStringLiteral("LEFÉVRE"));
    QCOMPARE(r.fiches[0].Prenom.texte(), QStringLiteral("André"));
    QCOMPARE(r.fiches[1].Prenom.texte(), QStringLiteral("Hélène"));
    QCOMPARE(r.fiches[1].Qualite, 1);
    QCOMPARE(r.fiches[0].LieuNaissance.texte(),
             QStringLiteral("Saint-©tienne")); // 0xC3 is the copyright sign
    QCOMPARE(r.fiches[0].DateNaissance.texte(), QStringLiteral("vers 1850"));
    QCOMPARE(r.fiches[0].Profession.texte(), QStringLiteral("Marchand de vins en gros et en"));
    QCOMPARE(r.fiches[0].DateMariage.texte(), QStringLiteral("10/06/1875"));
    QCOMPARE(r.fiches[1].DateMariage.texte(), QStringLiteral("10/06/1875"));
    QCOMPARE(r.fiches[2].DateNaissance.texte(), QStringLiteral("02/02/1880"));
    QCOMPARE(r.fiches[2].Pere, 0);
    QCOMPARE(r.fiches[2].Mere, 1);
    QCOMPARE(r.fiches[0].Enfants[0], 2);
    QCOMPARE(int(r.fiches[2].NbEnfants), 10);
    QCOMPARE(r.fiches[2].Enfants[9], 12);
    QCOMPARE(r.fiches[13].Pere, 2);    // the eleventh child still names its father
    QCOMPARE(r.fiches[13].Qualite, 1); // no title invented for a woman without a family
    // The halves of a ligature stay left then right.
    QCOMPARE(gedcom::decoderAnsel("t\xEBs\xEC"
                                  "e"),
             QStringLiteral("ts\uFE20e\uFE21"));
    const QString rapport = r.rapport.texte().join(u'\n');
    QVERIFY2(rapport.contains(QStringLiteral("coupé à 30 caractères")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("11 enfants")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("enfant aussi de LEFÉVRE Louis")),
             qPrintable(rapport));
    QVERIFY2(!rapport.contains(QStringLiteral("ABT 1850")), qPrintable(rapport)); // held as it is
}

// Each GEDCOM date, what the record holds of it, how it was told, and the
// GEDCOM date that record goes back to.
void TestGedcom::dates_data() {
    QTest::addColumn<QString>("gedcom");
    QTest::addColumn<QString>("fiche");
    QTest::addColumn<int>("ecart");
    QTest::addColumn<QString>("retour");
    using E = DateImportee::Ecart;
    auto ligne = [](const char* nom, const char* g, const char* f, E e, const char* r) {
        QTest::newRow(nom) << QString::fromUtf8(g) << QString::fromUtf8(f) << int(e)
                           << QString::fromUtf8(r);
    };
    ligne("exacte", "12 MAR 1890", "12/03/1890", E::Aucun, "12 MAR 1890");
    ligne("minuscules", "2 feb 1880", "02/02/1880", E::Aucun, "2 FEB 1880");
    ligne("grégorienne annoncée", "@#DGREGORIAN@ 5 MAY 1900", "05/05/1900", E::Aucun, "5 MAY 1900");
    ligne("mois et année", "MAR 1890", "?\?/03/1890", E::Aucun, "MAR 1890");
    ligne("année seule", "1850", "?\?/?\?/1850", E::Aucun, "1850");
    ligne("environ", "Abt 1850", "vers 1850", E::Aucun, "ABT 1850");
    ligne("estimée", "EST 1850", "est. 1850", E::Aucun, "EST 1850");
    ligne("calculée", "CAL 1850", "calc. 1850", E::Aucun, "CAL 1850");
    ligne("avant", "BEF 1900", "av. 1900", E::Aucun, "BEF 1900");
    ligne("après", "aft 1800", "ap. 1800", E::Aucun, "AFT 1800");
    ligne("entre", "BET 1850 AND 1860", "1850-1860", E::Aucun, "BET 1850 AND 1860");
    ligne("période", "FROM 1850 TO 1860", "1850..1860", E::Aucun, "FROM 1850 TO 1860");
    ligne("depuis", "FROM 1850", "dep. 1850", E::Aucun, "FROM 1850");
    ligne("jusqu'à", "TO 1860", "jusq. 1860", E::Aucun, "TO 1860");
    ligne("environ un jour", "ABT 5 MAY 1900", "vers 1900", E::Precision, "ABT 1900");
    ligne("interprétée", "INT 5 MAY 1900 (vers mai)", "05/05/1900", E::Precision, "5 MAY 1900");
    ligne("texte tapé", "INT 1890 (Pâq. 1890)", "Pâq. 1890", E::Aucun, "INT 1890 (Pâq. 1890)");
    ligne("républicaine", "@#DFRENCH R@ 11 FRIM 13", "02/12/1804", E::Calendrier, "2 DEC 1804");
    ligne("an I", "@#DFRENCH R@ 1 VEND 1", "22/09/1792", E::Calendrier, "22 SEP 1792");
    ligne("julienne", "@#DJULIAN@ 5 MAY 1600", "05/05/1600", E::Julien, "5 MAY 1600");
    ligne("jour impossible", "31 FEB 1890", "?\?/02/1890", E::Precision, "FEB 1890");
    ligne("année double", "1750/51", "?\?/?\?/1751", E::Precision, "1751");
    ligne("avant l'an mil", "Abt 794", "vers 794", E::Aucun, "ABT 794");
    ligne("avant J.-C.", "44 B.C.", "44 B.C.", E::Aucun, "44 B.C.");
    ligne("avant J.-C., un jour", "1 AUG 534 BC", "534 B.C.", E::Precision, "534 B.C.");
    ligne("hébraïque", "@#DHEBREW@ 1 TSH 5760", "11/09/1999", E::Calendrier, "11 SEP 1999");
    ligne("année hébraïque", "@#DHEBREW@ 4865", "1104-1105", E::Calendrier, "BET 1104 AND 1105");
    ligne("hébraïque avant 1582", "@#DHEBREW@ 1 TSH 5000", "08/09/1239", E::Calendrier,
          "8 SEP 1239");
    ligne("année avant 100", "30 MAR 36", "30/03/0036", E::Aucun, "30 MAR 36");
    ligne("autre calendrier", "@#DROMAN@ 12 AUC 700", "", E::NonGardee, "");
    ligne("phrase", "(ca. 1850)", "ca. 1850", E::Aucun, "ABT 1850");
    ligne("longue phrase, jamais coupée", "(about the war)", "", E::NonGardee, "");
    ligne("année double d'un siècle", "8 JAN 1699/00", "08/01/1700", E::Precision, "8 JAN 1700");
    ligne("année double d'une décennie", "1759/0", "?\?/?\?/1760", E::Precision, "1760");
    ligne("année double entière", "12 MAR 1637/1638", "12/03/1638", E::Precision, "12 MAR 1638");
    ligne("mot inconnu après la date", "17 JUN 1985 SL", "", E::NonGardee, "");
    ligne("texte court sans année", "inconnue", "inconnue", E::Aucun, "(inconnue)");
    ligne("Abt. avec un point", "Abt. 1850", "vers 1850", E::Aucun, "ABT 1850");
    ligne("abt. en minuscules", "abt. 1850", "vers 1850", E::Aucun, "ABT 1850");
    ligne("Bef. et un mois", "Bef. Mar 1900", "av. 1900", E::Precision, "BEF 1900");
    ligne("mois anglais en entier", "29 December 1812", "29/12/1812", E::Aucun, "29 DEC 1812");
    ligne("mois français en entier", "3 février 1890", "03/02/1890", E::Aucun, "3 FEB 1890");
    ligne("à l'américaine", "Dec 29, 1812", "29/12/1812", E::Aucun, "29 DEC 1812");
    ligne("ISO", "2000-05-20", "20/05/2000", E::Aucun, "20 MAY 2000");
    ligne("vide", "", "", E::Aucun, "");
}

void TestGedcom::dates() {
    QFETCH(QString, gedcom);
    QFETCH(QString, fiche);
    QFETCH(int, ecart);
    QFETCH(QString, retour);
    const DateImportee d = dateDepuisGedcom(gedcom);
    QCOMPARE(d.fiche, fiche);
    QCOMPARE(int(d.ecart), ecart);
    if (!retour.isEmpty()) {
        QCOMPARE(dateGedcom(fiche), retour);
        // The export's own writing of a record's date says the same.
        std::string ecrit;
        const SortieOctets vers = [&](const char* o, std::int64_t n) {
            ecrit.append(o, static_cast<std::size_t>(n));
        };
        ChampTexte<10> champ;
        champ.definir(fiche);
        exportation::Sortie sortie(vers);
        exportation::ecrireDate(sortie, champ);
        sortie.vider();
        QCOMPARE(QString::fromStdString(ecrit), QStringLiteral("2 DATE ") + retour + "\r\n");
    }
    // The store's days of a common date, read from its bytes, are the record's.
    const QByteArray octets = gedcom.toUtf8();
    if (const auto courante =
            dateGedcomCourante(std::string_view(octets.constData(), octets.size()))) {
        const IntervalleDate a = intervalleDe(*courante), b = intervalleDe(fiche);
        QCOMPARE(a.premier, b.premier);
        QCOMPARE(a.dernier, b.dernier);
    }
    // The forms the record holds pass the save's date check when the year allows.
    const DateLue lue = lireDate(fiche);
    if (lue.aUneAnnee() && lue.annee >= 1000 && lue.annee <= 2050)
        QVERIFY2(dateAcceptable(fiche), qPrintable(fiche));
}

// The store's UTF-8 text goes out as it is, but for its control characters,
// C1 ones included, each left out and counted.
void TestGedcom::texteDuMagasinSansControles_data() {
    QTest::addColumn<QByteArray>("texte");
    QTest::addColumn<QByteArray>("ecrit");
    QTest::addColumn<int>("controles");
    QTest::newRow("sans contrôle")
        << QByteArray("Saint-Étienne") << QByteArray("Saint-Étienne") << 0;
    QTest::newRow("au milieu") << QByteArray("a\x01" "b\x7f c") << QByteArray("ab c") << 2;
    QTest::newRow("aux bords") << QByteArray("\x1f\xc3\xa9t\xc3\xa9\x09") << QByteArray("été") << 2;
    QTest::newRow("C1 (NEL)") << QByteArray("x\xc2\x85y\xc2\xa0z") << QByteArray("xy\xc2\xa0z")
                              << 1;
}

void TestGedcom::texteDuMagasinSansControles() {
    QFETCH(QByteArray, texte);
    QFETCH(QByteArray, ecrit);
    QFETCH(int, controles);
    QByteArray sorti;
    const SortieOctets vers = [&](const char* o, std::int64_t n) {
        sorti.append(o, static_cast<qsizetype>(n));
    };
    exportation::Sortie sortie(vers);
    sortie.utf8(std::string_view(texte.constData(), static_cast<std::size_t>(texte.size())));
    sortie.vider();
    QCOMPARE(sorti, ecrit);
    QCOMPARE(sortie.controles(), std::int64_t(controles));
}

// Dates typed by hand go out as valid GEDCOM dates; a phrase only for free text.
void TestGedcom::datesTapees_data() {
    QTest::addColumn<QString>("fiche");
    QTest::addColumn<QString>("gedcom");
    QTest::newRow("ca.") << "ca. 1850"
                         << "ABT 1850";
    QTest::newRow("vers") << "vers 1935"
                          << "ABT 1935";
    QTest::newRow("mois en lettres") << "3 mai 1890"
                                     << "3 MAY 1890";
    QTest::newRow("points") << "12.03.1890"
                            << "12 MAR 1890";
    QTest::newRow("avant") << "avant 1900"
                           << "BEF 1900";
    QTest::newRow("texte et année") << "Pâq. 1890"
                                    << "INT 1890 (Pâq. 1890)";
    QTest::newRow("sans année") << "hier"
                                << "(hier)";
}

void TestGedcom::datesTapees() {
    QFETCH(QString, fiche);
    QFETCH(QString, gedcom);
    QCOMPARE(dateGedcom(fiche), gedcom);
}

void TestGedcom::rechercheApprochee_data() {
    QTest::addColumn<QString>("nomFiche");
    QTest::addColumn<QString>("prenomFiche");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("prenom");
    QTest::addColumn<bool>("trouve");
    QTest::newRow("accent majuscule") << "DUPRÉ"
                                      << ""
                                      << "Dupré"
                                      << "" << true;
    QTest::newRow("sans accent") << "Dupre"
                                 << ""
                                 << "Dupré"
                                 << "" << true;
    QTest::newRow("prénom composé") << "MARTIN"
                                    << "Jean-Paul"
                                    << "martin"
                                    << "Jean Paul" << true;
    QTest::newRow("nom préfixe") << "Dupontel"
                                 << ""
                                 << "Dupont"
                                 << "" << true;
    QTest::newRow("apostrophe") << "D'ARTAGNAN"
                                << ""
                                << "dartagnan"
                                << "" << true;
    QTest::newRow("ligature") << "BŒUF"
                              << ""
                              << "boeuf"
                              << "" << true;
    QTest::newRow("autre nom") << "MARTIN"
                               << ""
                               << "Durand"
                               << "" << false;
    QTest::newRow("autre prénom") << "MARTIN"
                                  << "Paul"
                                  << "Martin"
                                  << "Jean" << false;
}

void TestGedcom::rechercheApprochee() {
    QFETCH(QString, nomFiche);
    QFETCH(QString, prenomFiche);
    QFETCH(QString, nom);
    QFETCH(QString, prenom);
    QFETCH(bool, trouve);
    QCOMPARE(CritereApproche(nom, prenom).correspond(personne(nomFiche, prenomFiche)), trouve);
}

void TestGedcom::rechercheApprocheeDansLaFenetre() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")),
                  {personne(QStringLiteral("AUTRE")),
                   personne(QStringLiteral("DUPRÉ"), QStringLiteral("Jean-Paul")),
                   personne(QStringLiteral("Dupre"), QStringLiteral("Jeanne"))});
    DialoguesScriptes d;
    Session s(d);
    QStringList lignes;
    d.attendreSaisie(QStringLiteral("Début du nom cherché ?"), QStringLiteral("dupre"))
        .attendreSaisie(QStringLiteral("Début du prénom cherché ?"), QStringLiteral("jean p"))
        .attendreModal([&](QDialog&) {
            for (int i = 0; i < Form2->nombreLignes(); ++i)
                lignes << Form2->texteLigne(i);
            Form2->selectionnerLigne(0);
            return false;
        });
    s.form.RechercheApprochee1Click();
    QCOMPARE(lignes, QStringList{QStringLiteral("DUPRÉ Jean-Paul ")});
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("1"));
    VERIFIER_DIALOGUES(d);
}

void TestGedcom::verificationTrouveChaqueProbleme() {
    std::vector<TFiche> f;
    for (int i = 0; i < 9; ++i)
        f.push_back(personne(QStringLiteral("N%1").arg(i), QStringLiteral("P"), 0,
                             QStringLiteral("01/01/1900")));
    f[0].Pere = 50; // past the end
    f[1].Mere = 1;  // itself
    f[2].NbEnfants = 3;
    f[2].Enfants = {3, -1, 3, -1, -1, -1, -1, -1, -1, -1}; // twice, and 3 does not name 2
    f[4].Enfants[4] = 5;                                   // NbEnfants 0 below rank 5
    f[5].Pere = 4;
    f[5].DateNaissance.definir(QStringLiteral("31/02/1900"));
    f[6].DateDeces.definir(QStringLiteral("hier"));
    f[6].Pere = 7; // three generations in a cycle: 6 → 7 → 8 → 6
    f[7].Pere = 8;
    f[8].Mere = 6;
    f[7].DateMariage.definir(QStringLiteral("19/04/570")); // kept by an import
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const QString rapport = verifierFichier(fichier).lignes.join(u'\n');
    for (const char* attendu :
         {"Lien hors du fichier : fiche 0 (N0 P) a pour père la fiche 50",
          "Lien vers elle-même : fiche 1 (N1 P) se désigne comme mère",
          "Enfant en double : fiche 2 (N2 P) a la fiche 3 aux rangs 1 et 3",
          "Lien à sens unique : fiche 2 (N2 P) compte parmi ses enfants la fiche 3 (N3 P)",
          "Nombre d'enfants trop petit : fiche 4 (N4 P) déclare 0 enfant(s) mais en a un au rang 5",
          "Date illisible : la date de naissance de la fiche 5 (N5 P) est « 31/02/1900 »",
          "Date illisible : la date de décès de la fiche 6 (N6 P) est « hier »",
          "Date qu'un enregistrement refuserait : la date de mariage de la fiche 7 (N7 P) est « "
          "19/04/570 »",
          "est son propre ancêtre"})
        QVERIFY2(rapport.contains(QString::fromUtf8(attendu)),
                 qPrintable(QString::fromUtf8(attendu) + u'\n' + rapport));
    QVERIFY(
        !rapport.contains(QStringLiteral("fiche 4 (N4 P) compte parmi"))); // 5 names 4 as father
}

void TestGedcom::verificationDUnFichierSain() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), petiteFamille());
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    QCOMPARE(verifierFichier(fichier).total(), 0);
}

void TestGedcom::verificationDansUneFenetre() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f = petiteFamille();
    f[3].Pere = 99;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), f);
    const QByteArray avant = octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC")));
    DialoguesScriptes d;
    Session s(d);
    QString texte;
    d.attendreModal([&](QDialog& fenetre) {
        texte = static_cast<TRapport&>(fenetre).Texte->toPlainText();
        return true;
    });
    s.form.VerifierFichier1Click();
    QVERIFY(texte.startsWith(
        QStringLiteral("2 problème(s) dans VELMORIS.FIC :"))); // the link, and the father's slot
    QVERIFY(texte.contains(QStringLiteral("fiche 99")));
    QCOMPARE(octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC"))), avant);
    VERIFIER_DIALOGUES(d);
}

void TestGedcom::exportPuisImportParLesMenus() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), petiteFamille());
    ecrireOctets(rep.chemin(QStringLiteral("existant.FIC")), QByteArray(380, 'x'));
    DialoguesScriptes d;
    Session s(d);
    const QString ged = rep.chemin(QStringLiteral("famille.ged"));
    d.attendreEnregistrement(ged)
        .attendreChoix(QStringLiteral("1 personne(s) ont un portrait. Comment le fichier GEDCOM "
                                      "doit-il les nommer ?"),
                       0)
        .attendreMessage(QStringLiteral("4 personne(s) et 1 famille(s) exportées dans ") + ged +
                         QStringLiteral(".\rLes portraits sont nommés par leur chemin complet.\r"
                                        "1 portrait(s) introuvable(s) ont gardé leur chemin "
                                        "enregistré."));
    s.form.ExporterGedcom1Click();
    QVERIFY(octetsDe(ged).startsWith("0 HEAD"));
    // An existing file is never the new file of an import: the dialog comes back.
    QString rapport;
    d.attendreOuverture(ged)
        .attendreChoix(QStringLiteral("Où mettre les personnes importées ?"), 1)
        .attendreEnregistrement(rep.chemin(QStringLiteral("existant.FIC")))
        .attendreMessage(QStringLiteral("Le fichier %1 existe déjà : l'importation crée toujours "
                                        "un nouveau fichier. Choisissez un autre nom, ou ouvrez "
                                        "ce fichier et ajoutez-y l'importation.")
                             .arg(rep.chemin(QStringLiteral("existant.FIC"))))
        .attendreEnregistrement(rep.chemin(QStringLiteral("importe.FIC")))
        .attendreModal([&](QDialog& fenetre) {
            rapport = static_cast<TRapport&>(fenetre).Texte->toPlainText();
            return true;
        });
    s.form.ImporterGedcom1Click();
    QCOMPARE(octetsDe(rep.chemin(QStringLiteral("existant.FIC"))), QByteArray(380, 'x'));
    QVERIFY(rapport.startsWith(QStringLiteral("4 personne(s) de %1 importées").arg(ged)));
    QCOMPARE(s.form.CheminFichier(), rep.chemin(QStringLiteral("importe.FIC")));
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("importe.FIC")))[2].Pere, 0);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    VERIFIER_DIALOGUES(d);
}

// One person of each kind of loss: the report counts them at the top, names
// each person with names and dates, and says nothing of what was kept.
void TestGedcom::rapportHonnete() {
    const QByteArray g =
        "0 HEAD\n1 CHAR UTF-8\n"
        "0 @I1@ INDI\n1 NAME Jan /Zieliński/ Jr\n2 NICK Janek\n1 NAME Johnny /Z/\n2 TYPE aka\n"
        "1 SEX M\n1 CHR\n2 DATE 3 MAR 1850\n2 PLAC Łódź\n1 BURI\n2 DATE 1920\n"
        "1 RESI\n2 PLAC Paris\n1 SOUR @S1@\n1 NOTE Une note\n1 FAMS @F1@\n1 FAMS @F2@\n"
        "0 @I2@ INDI\n1 NAME Anne /Martin/\n1 SEX F\n1 BIRT\n2 DATE 12 MAR 1852\n1 FAMS @F1@\n"
        "0 @I3@ INDI\n1 NAME Marie /Durand/\n1 SEX F\n1 FAMS @F2@\n"
        "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1875\n"
        "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 1890\n1 DIV\n"
        "0 @S1@ SOUR\n1 TITL Registre\n0 TRLR\n";
    const ResultatImport r = importerGedcom(g);
    QCOMPARE(r.fiches[0].Nom.texte(), QStringLiteral("Zielinski"));
    QCOMPARE(r.fiches[0].DateNaissance.texte(), QStringLiteral("03/03/1850"));
    QCOMPARE(r.fiches[0].LieuNaissance.texte(), QStringLiteral("Lodz"));
    QCOMPARE(r.fiches[0].DateMariage.texte(), QStringLiteral("?\?/?\?/1875"));
    auto compte = [&](Ecart e) { return r.rapport.comptes[static_cast<std::size_t>(e)]; };
    QCOMPARE(compte(Ecart::Translitteration), 2);
    QCOMPARE(compte(Ecart::NomAlternatif), 1);
    QCOMPARE(compte(Ecart::NomComplement), 2); // the suffix and the nickname
    QCOMPARE(compte(Ecart::Substitut), 2);
    QCOMPARE(compte(Ecart::Evenement), 2); // the residence, the divorce
    QCOMPARE(compte(Ecart::Source), 2);    // the person's, and the file's
    QCOMPARE(compte(Ecart::Note), 1);
    QCOMPARE(compte(Ecart::Mariage), 1);
    QCOMPARE(compte(Ecart::DatePrecision), 0);
    const QString texte = r.rapport.texte().join(u'\n');
    QVERIFY2(texte.startsWith(QStringLiteral("Rien n'est perdu")), qPrintable(texte));
    QVERIFY2(texte.contains(QStringLiteral("\n  Textes aux caractères remplacés par des lettres "
                                           "latines : 2 — gardé dans les compléments")),
             qPrintable(texte));
    for (const char* attendu :
         {"Zielinski Jan (° 1850, † 1920) : le nom secondaire « Johnny Z » n'est pas gardé",
          "Zielinski Jan (° 1850, † 1920) : « Jr » n'est pas gardé avec le nom",
          "Zielinski Jan (° 1850, † 1920) : le surnom « Janek » n'est pas gardé",
          "le baptême tient lieu de naissance", "non gardé : résidence",
          "non gardé (famille) : divorce",
          "un autre mariage avec Durand Marie (1890) n'est pas gardé"})
        QVERIFY2(texte.contains(QString::fromUtf8(attendu)),
                 qPrintable(QString::fromUtf8(attendu) + u'\n' + texte));
    QVERIFY2(!texte.contains(QStringLiteral("devient « 12/03/1852 »")), qPrintable(texte));
}

// Appended after the open file's records: links shifted, nothing stored changes.
void TestGedcom::importAjouteAuFichierOuvert() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, petiteFamille());
    const QByteArray avant = octetsDe(fic);
    const QString ged = rep.chemin(QStringLiteral("famille.ged"));
    {
        FichierDisque f;
        f.ouvrir(fic);
        ecrireOctets(ged, exporterGedcom(f).gedcom);
    }
    DialoguesScriptes d;
    Session s(d);
    d.attendreOuverture(ged)
        .attendreChoix(QStringLiteral("Où mettre les personnes importées ?"), 0)
        .attendreModal([](QDialog&) { return true; });
    s.form.ImporterGedcom1Click();
    const QByteArray apres = octetsDe(fic);
    QCOMPARE(apres.left(avant.size()), avant);
    const auto f = lireFichier(fic);
    QCOMPARE(f.size(), std::size_t(8));
    QCOMPARE(f[6].Pere, 4);
    QCOMPARE(f[6].Mere, 5);
    QCOMPARE(enfantsDe(f[4]), (std::set<std::int32_t>{6, 7}));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("4"));
    VERIFIER_DIALOGUES(d);
}

void TestGedcom::portraitsExportes_data() {
    QTest::addColumn<bool>("copier");
    QTest::addColumn<QString>("attendu"); // the FILE line, %1 the folder of the genealogy file
    QTest::newRow("chemins complets") << false << QStringLiteral("2 FILE %1/PHOTOS/paul.jpg");
    QTest::newRow("copiés à côté") << true << QStringLiteral("2 FILE PHOTOS/paul.jpg");
}

// The portrait found in the PHOTOS folder beside the genealogy file goes out
// by its full path, or copied beside the GEDCOM file and named relative to it.
void TestGedcom::portraitsExportes() {
    QFETCH(bool, copier);
    QFETCH(QString, attendu);
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkpath(QStringLiteral("genea/PHOTOS"));
    QDir(rep.racine()).mkpath(QStringLiteral("ailleurs"));
    const QString fic = rep.chemin(QStringLiteral("genea/a.FIC"));
    ecrireFichier(fic, petiteFamille()); // Paul's portrait: C:\PHOTOS\paul.jpg
    ecrireOctets(rep.chemin(QStringLiteral("genea/PHOTOS/paul.jpg")), jpegDeTest(8, 8));
    FichierDisque f;
    f.ouvrir(fic);
    OptionsExport options;
    options.copierPortraits = copier;
    options.cheminFichier = fic;
    options.dossierGedcom = rep.chemin(QStringLiteral("ailleurs"));
    const ResultatExport r = exporterGedcom(f, options);
    QVERIFY(QString::fromUtf8(r.gedcom).contains(attendu.arg(rep.chemin(QStringLiteral("genea")))));
    QCOMPARE(QFileInfo::exists(rep.chemin(QStringLiteral("ailleurs/PHOTOS/paul.jpg"))), copier);
    // Read back from where the GEDCOM file is, the path names the picture.
    const QString chemin =
        QString::fromUtf8(r.gedcom).section(QStringLiteral("2 FILE "), 1).section(u'\r', 0, 0);
    QVERIFY(QFileInfo(QDir(options.dossierGedcom).filePath(chemin)).isFile());
}

// Conversions from the command line, one after the other on the same files,
// with no window: the exit status, what the terminal shows, what is written.
void TestGedcom::ligneDeCommande_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("vu"); // on the standard output, or the error output on failure
    QTest::addColumn<int>("fiches"); // records of b.FIC afterwards
    const QStringList exporter{"--exporter-gedcom", "a.FIC", "a.ged"};
    const QStringList importer{"--importer-gedcom", "a.ged", "b.FIC"};
    QTest::newRow("aide") << QStringList{"--aide"} << 0 << "Velmoris --importer-gedcom" << -1;
    QTest::newRow("export") << exporter << 0 << "4 personne(s) et 1 famille(s)" << -1;
    QTest::newRow("import") << importer << 0 << "4 personne(s) de a.ged importées dans b.FIC" << 4;
    QTest::newRow("import sur un fichier existant")
        << importer << 1 << "Erreur : Le fichier « b.FIC » existe déjà : il n'est pas remplacé"
        << 4;
    QTest::newRow("import ajouté")
        << importer + QStringList{"--ajouter"} << 0 << "ajoutées à b.FIC" << 8;
    QTest::newRow("export masquant les vivants")
        << exporter + QStringList{"--vivants", "masquer", "--seuil-vivants", "120"} << 0
        << "4 personne(s) et 1 famille(s)" << 8;
    QTest::newRow("traitement des vivants inconnu")
        << exporter + QStringList{"--vivants", "cacher"} << 2
        << "--vivants attend exclure, masquer ou garder" << 8;
    QTest::newRow("vivants sans export")
        << importer + QStringList{"--vivants", "exclure"} << 2
        << "--vivants et --seuil-vivants ne servent qu'avec --exporter-gedcom" << 8;
    QTest::newRow("option inconnue")
        << QStringList{"--toutes"} << 2 << "Option inconnue : --toutes" << 8;
    QTest::newRow("GEDCOM absent") << QStringList{"--importer-gedcom", "absent.ged", "c.FIC"} << 1
                                   << "Le fichier GEDCOM « absent.ged » est introuvable" << 8;
    QTest::newRow("sortie dans un dossier absent")
        << QStringList{"--exporter-gedcom", "a.FIC", "absent/a.ged"} << 1
        << "Le fichier GEDCOM « absent/a.ged » ne peut pas être écrit : le dossier" << 8;
    QTest::newRow("fichier sans personne")
        << QStringList{"--importer-gedcom", "a.FIC", "c.FIC"} << 1
        << "Le fichier « a.FIC » ne contient aucune personne" << 8;
}

void TestGedcom::ligneDeCommande() {
    QFETCH(QStringList, arguments);
    QFETCH(int, statut);
    QFETCH(QString, vu);
    QFETCH(int, fiches);
    static RepertoireDeTravail rep; // shared by the rows, in order
    if (!QFileInfo::exists(rep.chemin(QStringLiteral("a.FIC"))))
        ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), petiteFamille());
    QProcess programme;
    programme.setWorkingDirectory(rep.racine());
    programme.start(QStringLiteral(VELMORIS_BINARY_DIR "/Velmoris"), arguments);
    QVERIFY(programme.waitForFinished(30000));
    const QString sortie = QString::fromUtf8(programme.readAllStandardOutput());
    const QString erreurs = QString::fromUtf8(programme.readAllStandardError());
    QCOMPARE(programme.exitCode(), statut);
    QVERIFY2((statut == 0 ? sortie : erreurs).contains(vu), qPrintable(sortie + erreurs));
    if (fiches >= 0)
        QCOMPARE(lireFichier(rep.chemin(QStringLiteral("b.FIC"))).size(), std::size_t(fiches));
}

// Debian's Gedcom.pm reads the export of the demonstration family and finds
// every person and family, with no grammar problem.
void TestGedcom::exportLuParUnLecteurGedcom() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")),
                  lireFamilleDemo(QStringLiteral(VELMORIS_SOURCE_DIR "/demo/famille.txt")));
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    const ResultatExport r = exporterGedcom(f);
    ecrireOctets(rep.chemin(QStringLiteral("a.ged")), r.gedcom);
    QProcess perl;
    perl.start(QStringLiteral("perl"),
               {QStringLiteral(VELMORIS_SOURCE_DIR "/tests/outils/valider_gedcom.pl"),
                rep.chemin(QStringLiteral("a.ged"))});
    QVERIFY(perl.waitForFinished(60000));
    const QString sortie =
        QString::fromUtf8(perl.readAllStandardOutput() + perl.readAllStandardError());
    QVERIFY2(perl.exitCode() == 0, qPrintable(sortie));
    QVERIFY2(sortie.contains(
                 QStringLiteral("individus %1 familles %2").arg(r.personnes).arg(r.familles)),
             qPrintable(sortie));
    QVERIFY2(!sortie.contains(QStringLiteral("PROBLEME")), qPrintable(sortie));
}

QTEST_MAIN(TestGedcom)
#include "test_gedcom.moc"
