// GEDCOM export and import, the approximate search and the file check.
#include "data/Gedcom.h"
#include "data/Recherches.h"
#include "data/Verification.h"
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
             (QStringList{"0 @I0@ INDI", "1 NAME Pierre /DURAND/", "2 NPFX Monsieur", "1 SEX M",
                          "1 OCCU Boulanger", "1 BIRT", "2 DATE 3 FEB 1876", "2 PLAC Mâcon",
                          "1 FAMS @F0_1@"}));
    QCOMPARE(bloc(l, "0 @I1@ INDI"),
             (QStringList{"0 @I1@ INDI", "1 NAME Jeanne /LEFÈVRE/", "2 NPFX Madame", "1 SEX F",
                          "1 BIRT", "2 DATE (vers 1874)", "1 FAMS @F0_1@"}));
    QCOMPARE(bloc(l, "0 @I2@ INDI"),
             (QStringList{"0 @I2@ INDI", "1 NAME Paul /DURAND/", "2 NPFX Monsieur", "1 SEX M",
                          "1 BIRT", "2 DATE 7 APR 1902", "1 DEAT", "2 DATE 30 SEP 1975", "1 OBJE",
                          "2 FILE C:\\PHOTOS\\paul.jpg", "3 FORM jpeg", "1 FAMC @F0_1@"}));
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
    QVERIFY2(r.rapport.isEmpty(), qPrintable(r.rapport.join(u'\n')));
    QCOMPARE(r.fiches.size(), avant.size());
    for (std::size_t i = 0; i < avant.size(); ++i) {
        const TFiche& a = avant[i];
        const TFiche& b = r.fiches[i];
        QCOMPARE(b.Nom.texte(), a.Nom.texte());
        QCOMPARE(b.Prenom.texte(), a.Prenom.texte());
        QCOMPARE(b.Qualite, a.Qualite);
        QCOMPARE(b.Profession.texte(), a.Profession.texte());
        QCOMPARE(b.DateNaissance.texte(), a.DateNaissance.texte());
        QCOMPARE(b.LieuNaissance.texte(), a.LieuNaissance.texte());
        QCOMPARE(b.DateDeces.texte(), a.DateDeces.texte());
        QCOMPARE(b.LieuDeces.texte(), a.LieuDeces.texte());
        QCOMPARE(b.Photo.texte(), a.Photo.texte());
        QCOMPARE(b.Pere, a.Pere);
        QCOMPARE(b.Mere, a.Mere);
        QCOMPARE(enfantsDe(b), enfantsDe(a));
        if (a.NbEnfants || a.Pere >= 0) QCOMPARE(b.DateMariage.texte(), a.DateMariage.texte());
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
    QCOMPARE(r.fiches[13].Pere, 2); // the eleventh child still names its father
    const QString rapport = r.rapport.join(u'\n');
    QVERIFY2(rapport.contains(QStringLiteral("ANSEL")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("coupé à 30 caractères")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("11 enfants")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("enfant de 2 familles")), qPrintable(rapport));
    QVERIFY2(rapport.contains(QStringLiteral("« ABT 1850 » devient « vers 1850 »")),
             qPrintable(rapport));
}

void TestGedcom::dates_data() {
    QTest::addColumn<QString>("gedcom");
    QTest::addColumn<QString>("fiche");
    QTest::addColumn<bool>("approchee");
    QTest::newRow("exacte") << "12 MAR 1890"
                            << "12/03/1890" << false;
    QTest::newRow("un chiffre") << "2 FEB 1880"
                                << "02/02/1880" << false;
    QTest::newRow("mois et année") << "MAR 1890"
                                   << "vers 1890" << true;
    QTest::newRow("environ") << "ABT 1850"
                             << "vers 1850" << true;
    QTest::newRow("entre") << "BET 1850 AND 1860"
                           << "vers 1850" << true;
    QTest::newRow("phrase") << "(ca. 1850)"
                            << "ca. 1850" << false;
    QTest::newRow("impossible") << "31 FEB 1890"
                                << "vers 1890" << true;
    QTest::newRow("vide") << ""
                          << "" << false;
}

void TestGedcom::dates() {
    QFETCH(QString, gedcom);
    QFETCH(QString, fiche);
    QFETCH(bool, approchee);
    bool a = false;
    QCOMPARE(dateDepuisGedcom(gedcom, a), fiche);
    QCOMPARE(a, approchee);
    if (!approchee && !fiche.isEmpty() && !gedcom.startsWith(u'('))
        QCOMPARE(dateGedcom(fiche),
                 gedcom.startsWith(u'2') ? QStringLiteral("2 FEB 1880") : gedcom);
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
    d.attendreEnregistrement(ged).attendreMessage(
        QStringLiteral("4 personne(s) et 1 famille(s) exportées dans ") + ged + u'.');
    s.form.ExporterGedcom1Click();
    QVERIFY(octetsDe(ged).startsWith("0 HEAD"));
    // Refusing to replace an existing file leaves it alone.
    d.attendreOuverture(ged)
        .attendreEnregistrement(rep.chemin(QStringLiteral("existant.FIC")))
        .attendreQuestion(QStringLiteral("Le fichier ") +
                              rep.chemin(QStringLiteral("existant.FIC")) +
                              QStringLiteral(" existe déjà. Voulez-vous le remplacer ?"),
                          false);
    s.form.ImporterGedcom1Click();
    QCOMPARE(octetsDe(rep.chemin(QStringLiteral("existant.FIC"))), QByteArray(380, 'x'));
    QString rapport;
    d.attendreOuverture(ged)
        .attendreEnregistrement(rep.chemin(QStringLiteral("importe.FIC")))
        .attendreModal([&](QDialog& fenetre) {
            rapport = static_cast<TRapport&>(fenetre).Texte->toPlainText();
            return true;
        });
    s.form.ImporterGedcom1Click();
    QVERIFY(rapport.contains(QStringLiteral("4 personne(s) importée(s)")));
    QCOMPARE(s.form.CheminFichier(), rep.chemin(QStringLiteral("importe.FIC")));
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("importe.FIC")))[2].Pere, 0);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    VERIFIER_DIALOGUES(d);
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
