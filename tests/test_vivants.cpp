// Who is presumed living, each rule and each relative's offset deciding
// someone; and the leak test: a published export holds no name, date or
// place of a living person.
#include "data/complements/Complements.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/vivants/Confidentialite.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "forms/uFicheComplete.h"

#include "tests/OutilsTests.h"
#include <QComboBox>

#include <QtTest>

namespace {

// In 2026, threshold 100: each person's fate is told by their given name.
const QByteArray Famille = R"(0 HEAD
1 CHAR UTF-8
0 @A@ INDI
1 NAME Mortsansdate /AUBRY/
1 BIRT
2 DATE 1991
1 DEAT Y
0 @B@ INDI
1 NAME Centenaire /BOUVIER/
1 BIRT
2 DATE 1920
0 @C@ INDI
1 NAME Parentancien /CARON/
1 FAMC @F1@
0 @C1@ INDI
1 NAME Aieul /CARON/
1 SEX M
1 BIRT
2 DATE 1881
1 FAMS @F1@
0 @D@ INDI
1 NAME Conjointancien /DUMAS/
1 SEX F
1 FAMS @F2@
0 @D1@ INDI
1 NAME Epouxancien /DUMAS/
1 SEX M
1 BIRT
2 DATE 1886
1 FAMS @F2@
0 @E@ INDI
1 NAME Parentdenfant /ESNAULT/
1 SEX M
1 FAMS @F3@
0 @E1@ INDI
1 NAME Enfantancien /ESNAULT/
1 BIRT
2 DATE 1941
1 FAMC @F3@
0 @P@ INDI
1 NAME Grandparent /FAVRE/
1 SEX M
1 FAMS @F5@
0 @P1@ INDI
1 NAME Parentdenul /FAVRE/
1 SEX M
1 FAMC @F5@
1 FAMS @F6@
0 @P2@ INDI
1 NAME Petitenfant /FAVRE/
1 BIRT
2 DATE 1956
1 FAMC @F6@
0 @G@ INDI
1 NAME Gaspard /GUEGAN/
1 SEX M
1 BIRT
2 DATE 12 MAR 1990
2 PLAC Vannes
1 FAMS @F4@
1 OCCU Ingénieur
0 @G1@ INDI
1 NAME Enfantrecent /GUEGAN/
1 BIRT
2 DATE 1942
1 FAMC @F4@
0 @H@ INDI
1 NAME Inconnu /HAMON/
1 NOTE Une note sur un vivant
0 @F1@ FAM
1 HUSB @C1@
1 CHIL @C@
0 @F2@ FAM
1 HUSB @D1@
1 WIFE @D@
0 @F3@ FAM
1 HUSB @E@
1 CHIL @E1@
0 @F5@ FAM
1 HUSB @P@
1 CHIL @P1@
0 @F6@ FAM
1 HUSB @P1@
1 CHIL @P2@
0 @F4@ FAM
1 HUSB @G@
1 CHIL @G1@
1 MARR
2 DATE 2015
2 PLAC Quimper
0 TRLR
)";

} // namespace

class TestVivants : public QObject {
    Q_OBJECT
private slots:
    void chaqueRegleDecide_data();
    void chaqueRegleDecide();
    void rienNeFuitALExport();
    void exportDeLaFenetreDemandeEtMontre();
    void rienNeFuitDansLesPdf_data();
    void rienNeFuitDansLesPdf();
    void etatCivilMineursACentAns_data();
    void etatCivilMineursACentAns();
    void marqueALaMainDansLaFicheComplete();
};

void TestVivants::chaqueRegleDecide_data() {
    QTest::addColumn<QString>("prenom");
    QTest::addColumn<bool>("vivant");
    QTest::newRow("décès sans date") << "Mortsansdate" << false;
    QTest::newRow("né il y a plus de 100 ans") << "Centenaire" << false;
    QTest::newRow("parent né il y a plus de 145 ans") << "Parentancien" << false;
    QTest::newRow("conjoint né il y a plus de 140 ans") << "Conjointancien" << false;
    QTest::newRow("enfant né il y a plus de 85 ans") << "Parentdenfant" << false;
    QTest::newRow("petit-enfant né il y a 70 ans") << "Grandparent" << false;
    QTest::newRow("enfant né il y a 84 ans") << "Gaspard" << true;
    QTest::newRow("petit-enfant né il y a 70 ans, pour son parent") << "Parentdenul" << true;
    QTest::newRow("rien de connu") << "Inconnu" << true;
}

void TestVivants::chaqueRegleDecide() {
    QFETCH(QString, prenom);
    QFETCH(bool, vivant);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("V.FIC"));
    importerAvecComplements(Famille, fic);
    FichierDisque f;
    f.ouvrir(fic);
    const auto base = Complements::ouvrir(fic, false);
    const PresomptionVivants p = presumerVivants(f, base.get(), 100, 2026);
    const std::vector<TFiche> fiches = lireFichier(fic);
    const auto i = std::find_if(fiches.begin(), fiches.end(),
                                [&](const TFiche& x) { return x.Prenom.texte() == prenom; });
    QVERIFY(i != fiches.end());
    QCOMPARE(p.vivant[static_cast<std::size_t>(i - fiches.begin())] != 0, vivant);
}

// Masked: the living are "Vivant" and their surname, nothing of theirs
// else; excluded, not even that. The dead keep everything.
void TestVivants::rienNeFuitALExport() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("V.FIC"));
    importerAvecComplements(Famille, fic);
    FichierDisque f;
    f.ouvrir(fic);
    const auto base = Complements::ouvrir(fic, false);
    const PresomptionVivants p = presumerVivants(f, base.get(), 100);
    for (const auto traitement : {TraitementVivants::Masquer, TraitementVivants::Exclure}) {
        OptionsExport options;
        options.complements = base.get();
        options.vivants = &p.vivant;
        options.traitement = traitement;
        const QString gedcom = QString::fromUtf8(exporterGedcom(f, options).gedcom);
        for (const char* secret : {"Gaspard", "1990", "Vannes", "Ingénieur", "2015", "Quimper",
                                   "Inconnu", "Une note sur un vivant", "Enfantrecent", "1942"})
            QVERIFY2(!gedcom.contains(QString::fromUtf8(secret)), secret);
        QCOMPARE(gedcom.contains(QStringLiteral("/GUEGAN/")),
                 traitement == TraitementVivants::Masquer);
        QVERIFY(gedcom.contains(QStringLiteral("Centenaire /BOUVIER/")));
        QVERIFY(gedcom.contains(QStringLiteral("2 DATE 1920")));
    }
}

// From the window: asked, masking first; shown who, then written so.
void TestVivants::exportDeLaFenetreDemandeEtMontre() {
    RepertoireDeTravail rep;
    TFiche vieux = personne(QStringLiteral("ANCIEN"), QStringLiteral("Louis"), 0,
                            QStringLiteral("12/03/1850"));
    TFiche jeune =
        personne(QStringLiteral("RECENT"), QStringLiteral("Léa"), 1, QStringLiteral("02/02/2001"));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {vieux, jeune});
    DialoguesScriptes d;
    Session s(d);
    const QString sortie = rep.chemin(QStringLiteral("publie.ged"));
    d.attendreEnregistrement(sortie);
    d.attendreChoix(QStringLiteral("1 personne(s) sont présumées vivantes : aucun décès connu, ni "
                                   "événement assez ancien chez elles ou leurs proches. La loi "
                                   "les protège : que faire d'elles dans ce fichier GEDCOM ?"),
                    0);
    d.attendreQuestion(QStringLiteral("1 personne(s) seront masquées dans ce fichier GEDCOM :\r"
                                      "Présumé(e) vivant(e) : ni décès connu, ni événement de "
                                      "plus de 100 ans, ni chez ses parents, conjoints, enfants "
                                      "et petits-enfants aux âges qui le prouveraient :\r  "
                                      "RECENT Léa (fiche 1)\rContinuer ?"),
                       true);
    d.attendreMessage(QStringLiteral("2 personne(s) et 0 famille(s) exportées dans %1.\rLes "
                                     "portraits sont nommés par leur chemin complet.\r1 "
                                     "personne(s) présumée(s) vivante(s) masquée(s) (« Vivant », "
                                     "sans date, lieu, note, source ni image).")
                          .arg(sortie));
    s.form.ExporterGedcom1Click();
    VERIFIER_DIALOGUES(d);
    const QByteArray gedcom = octetsDe(sortie);
    QVERIFY(gedcom.contains("1 NAME Vivant /RECENT/"));
    QVERIFY(!gedcom.contains("2001"));
    QVERIFY(gedcom.contains("1 NAME Louis /ANCIEN/"));
}

// Marked by hand in the Fiche complète: it wins over the dates, one entry
// of the history, and is taken back by Annuler.
void TestVivants::marqueALaMainDansLaFicheComplete() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, {personne(QStringLiteral("RECENT"), QStringLiteral("Léa"), 1,
                                 QStringLiteral("02/02/1950"))});
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(0);
    d.attendreModal([](QDialog& dialogue) {
        auto& f = dynamic_cast<TFicheComplete&>(dialogue);
        f.CbVie->setCurrentIndex(2);
        emit f.CbVie->activated(2);
        return false;
    });
    s.form.Complements1Click();
    VERIFIER_DIALOGUES(d);
    auto vivante = [&] {
        FichierDisque f;
        f.ouvrir(fic);
        const auto base = Complements::ouvrir(fic, false);
        return presumerVivants(f, base.get(), 100, 2026).vivant[0] != 0;
    };
    QVERIFY(!vivante());
    s.form.Annuler1Click();
    QVERIFY(vivante());
}

void TestVivants::rienNeFuitDansLesPdf_data() {
    QTest::addColumn<QString>("publication");
    for (const char* p : {"ascendance", "descendance", "fiche familiale", "arbre", "listing masqué",
                          "listing sans les vivants"})
        QTest::newRow(p) << p;
}

// Every report, the chart and the listing, published from the window with
// the living masked (or excluded), read back from the PDF's text.
void TestVivants::rienNeFuitDansLesPdf() {
    QFETCH(QString, publication);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(Famille, fic);
    const std::vector<TFiche> fiches = lireFichier(fic);
    auto numero = [&](const QString& prenom) {
        return static_cast<std::int32_t>(
            std::find_if(fiches.begin(), fiches.end(),
                         [&](const TFiche& f) { return f.Prenom.texte() == prenom; }) -
            fiches.begin());
    };
    DialoguesScriptes d;
    Session s(d);
    const QString pdf = rep.chemin(QStringLiteral("publie.pdf"));
    const QString generations = QStringLiteral("Nombre de générations (1 à 30) ?");
    // The choice, then who: the list answered without reading it.
    auto publier = [&](int bouton) { d.attendreChoix({}, bouton).attendreQuestion({}, true); };
    auto apercu = [&] { d.attendreApercuEnregistreEnPdf().attendreEnregistrement(pdf); };
    if (publication == u"ascendance") {
        s.form.pAfficherEnreg(numero(QStringLiteral("Enfantrecent")));
        d.attendreSaisie(generations, std::nullopt);
        publier(0);
        apercu();
        s.form.ListeAscendance1Click();
    } else if (publication == u"descendance" || publication == u"fiche familiale") {
        s.form.pAfficherEnreg(numero(QStringLiteral("Gaspard")));
        if (publication == u"descendance") d.attendreSaisie(generations, std::nullopt);
        publier(0);
        apercu();
        if (publication == u"descendance") s.form.ListeDescendance1Click();
        if (publication == u"fiche familiale") s.form.FicheFamiliale1Click();
    } else if (publication == u"arbre") {
        s.form.pAfficherEnreg(numero(QStringLiteral("Enfantrecent")));
        s.form.SbArbreClick();
        d.attendreEnregistrement(pdf);
        publier(0);
        emit Form3->exportDemande();
    } else {
        // The listing offers itself whole first: masking is second, exclusion last.
        publier(publication == u"listing masqué" ? 1 : 4);
        d.attendreEnregistrement(pdf);
        s.form.ExporterPdf1Click();
    }
    VERIFIER_DIALOGUES(d);
    const QString texte = texteDuPdf(pdf);
    QVERIFY(!texte.isEmpty());
    for (const char* secret : {"Gaspard", "1990", "Vannes", "Ingénieur", "2015", "Quimper",
                               "Inconnu", "Enfantrecent", "1942"})
        QVERIFY2(!texte.contains(QString::fromUtf8(secret)), secret);
    QCOMPARE(texte.contains(QStringLiteral("GUEGAN")), publication != u"listing sans les vivants");
    if (publication.startsWith(QStringLiteral("listing")))
        QVERIFY(texte.contains(QStringLiteral("BOUVIER Centenaire")) ||
                texte.contains(QStringLiteral("BOUVIER  Centenaire")));
}

void TestVivants::etatCivilMineursACentAns_data() {
    QTest::addColumn<QString>("naissance");
    QTest::addColumn<QString>("mariage");
    QTest::addColumn<bool>("vivant");
    QTest::newRow("mariée majeure il y a 76 ans") << "1930"
                                                  << "1950" << false;
    QTest::newRow("mariée majeure il y a 74 ans") << "1930"
                                                  << "1952" << true;
    QTest::newRow("naissance seule il y a 90 ans") << "1936"
                                                   << "" << true;
    QTest::newRow("naissance il y a 101 ans") << "1925"
                                              << "" << false;
    QTest::newRow("mariée à 16 ans il y a 80 ans") << "1930"
                                                   << "1946" << true;
    QTest::newRow("mariage il y a 80 ans, naissance inconnue") << ""
                                                               << "1946" << true;
}

// The civil registers: 75 years for an act of an adult, 100 for a minor's.
void TestVivants::etatCivilMineursACentAns() {
    QFETCH(QString, naissance);
    QFETCH(QString, mariage);
    QFETCH(bool, vivant);
    RepertoireDeTravail rep;
    TFiche f = personne(QStringLiteral("LEROY"), QStringLiteral("Anne"), 1, naissance);
    f.DateMariage.definir(mariage);
    ecrireFichier(rep.chemin(QStringLiteral("V.FIC")), {f});
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("V.FIC")));
    const PresetConfidentialite& etatCivil = presetsConfidentialite()[1];
    QVERIFY(etatCivil.libelle.contains(QStringLiteral("75 ans, 100 ans pour les mineurs")));
    QCOMPARE(presumerVivants(fichier, nullptr, etatCivil.seuil, 2026, etatCivil.seuilMineurs)
                     .vivant[0] != 0,
             vivant);
}

QTEST_MAIN(TestVivants)
#include "test_vivants.moc"
