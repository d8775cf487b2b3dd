// Start-up, the settings file, the display of a record and the file commands,
// through the real entry window and scripted dialogs.
#include "data/fichier/FichierIni.h"
#include "data/fichier/Preferences.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uAbout.h"
#include "forms/uArbre.h"
#include "forms/uLien.h"
#include "platform/BoutonImage.h"
#include "tests/OutilsTests.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>

namespace {

const QString Question = QStringLiteral("Un fichier de généalogie est-il déjà commencé ?");

QString iniNomFic(const RepertoireDeTravail& rep) {
    return ini::lireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                           QStringLiteral("NomFic"));
}

// Five persons: 0 father, 1 mother (Madame), 2 child of both, 3 no title, 4 last.
std::vector<TFiche> famille() {
    TFiche pere = personne(QStringLiteral("DURAND"), QStringLiteral("Pierre"), 0,
                           QStringLiteral("01/01/1900"));
    TFiche mere = personne(QStringLiteral("LEBLANC"), QStringLiteral("Marie"), 1,
                           QStringLiteral("02/02/1902"));
    TFiche enfant =
        personne(QStringLiteral("DURAND"), QStringLiteral("Paul"), 0, QStringLiteral("03/03/1930"));
    enfant.Pere = 0;
    enfant.Mere = 1;
    enfant.LieuNaissance.definir(QStringLiteral("Mâcon"));
    enfant.Profession.definir(QStringLiteral("Boulanger"));
    enfant.NbEnfants = 2;
    TFiche sansTitre = personne(QStringLiteral("X"), QStringLiteral("Y"), 255);
    TFiche dernier = personne(QStringLiteral("ZOLA"), QStringLiteral("Émile"), 0);
    return {pere, mere, enfant, sansTitre, dernier};
}

} // namespace

class TestDemarrage : public QObject {
    Q_OBJECT
private slots:
    void cinqFenetresDansLOrdre();
    void tailleDAffichageAuRedemarrage();
    void sansRienReponseNon();
    void fichierParDefautSansIni();
    void nouveauNomDansLeDialogue();
    void fichierExistantChoisiAuDemarrage();
    void iniNommantUnFichierSupprime_data();
    void iniNommantUnFichierSupprime();
    void iniNommantUnFichierAilleurs();
    void affichageDesChamps();
    void etiquetteDuNomSuitLaQualite();
    void qualiteHorsListe();
    void legendeDeSupprimer();
    void demandeAuDelaDeLaFin();
    void erreurDeChainage();
    void derniereFicheParLePlusGrandNombre();
    void boitesDesParentsGardeesSansMontrePM();
    void portraitDansPhotosAvantLeCheminStocke();
    void portraitCheminStockeSinon();
    void portraitDeQuatreCaracteres();
    void portraitIntrouvable();
    void modifieApresDemarrageSaisieEtAffichage();
    void ouvrirUnFichierVideDonneUneFicheNouvelle();
    void ouvrirUnNomInexistant();
    void enregistrerSousCopieIdentique();
    void enregistrerSousSurLuiMeme();
    void enregistrerSousSurUnDossier();
    void enregistrerSousFichierAbsent();
    void controlesAuxPositionsDeLaTable();
    void fichierNommeALOuverture();
};

void TestDemarrage::cinqFenetresDansLOrdre() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(Question, false);
    Session s(d);
    QVERIFY(Form1 == &s.form);
    QVERIFY(FormLien && Form2 && Form3 && AboutBox);
    QCOMPARE(FormLien->windowTitle(), QStringLiteral("Recherche des parents dans les listes"));
    QCOMPARE(Form2->windowTitle(), QStringLiteral("Liste des enfants connus ou enregistrés"));
    QCOMPARE(Form3->windowTitle(), QStringLiteral("Cinq générations"));
    QCOMPARE(AboutBox->windowTitle(), QStringLiteral("A propos"));
    QCOMPARE(Form2->size(), QSize(423, 366));
    QCOMPARE(FormLien->size(), QSize(542, 420));
    QCOMPARE(Form3->size(), QSize(646, 480));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::sansRienReponseNon() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(Question, false);
    Session s(d);
    QCOMPARE(s.form.windowTitle(), QStringLiteral("VELMORIS.FIC"));
    QCOMPARE(s.form.CheminFichier(), QStringLiteral("VELMORIS.FIC"));
    QVERIFY(s.form.ENom->text().isEmpty());
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    QVERIFY(!s.form.Modifie());
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("VELMOR.INI"))));
    QCOMPARE(s.form.RepProgramme(), rep.racine());
    // No record on screen: the in-memory record carries no link to record 0.
    QCOMPARE(s.form.FicheCourante().Pere, -1);
    QCOMPARE(s.form.FicheCourante().Enfants[0], -1);
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::fichierParDefautSansIni() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.windowTitle(), QStringLiteral("VELMORIS.FIC"));
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("0"));
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("VELMOR.INI"))));
    QVERIFY(!s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::nouveauNomDansLeDialogue() {
    RepertoireDeTravail rep;
    const QString nouveau = rep.chemin(QStringLiteral("Famille Martin.FIC"));
    DialoguesScriptes d;
    d.attendreQuestion(Question, true).attendreOuverture(nouveau);
    Session s(d);
    QCOMPARE(d.derniersParametres().titre,
             QStringLiteral("Nom du fichier de généalogie à charger ou à créer"));
    QCOMPARE(d.derniersParametres().filtre, QStringLiteral("Fichiers de généalogie *.FIC |*.FIC"));
    QCOMPARE(d.derniersParametres().extensionParDefaut, QStringLiteral("*.FIC"));
    QCOMPARE(d.derniersParametres().repertoireInitial, rep.racine());
    QVERIFY(QFile::exists(nouveau));
    QCOMPARE(QFileInfo(nouveau).size(), 0);
    QCOMPARE(iniNomFic(rep), nouveau);
    QCOMPARE(s.form.windowTitle(), nouveau);
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::fichierExistantChoisiAuDemarrage() {
    RepertoireDeTravail rep;
    const QString existant = rep.chemin(QStringLiteral("a.FIC"));
    ecrireFichier(existant, famille());
    DialoguesScriptes d;
    d.attendreQuestion(Question, true).attendreOuverture(existant);
    Session s(d);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("VELMOR.INI"))));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::iniNommantUnFichierSupprime_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("message");
    QTest::newRow("fichier supprimé") << QByteArray("[FICHIER]\r\nNomFic=/nulle/part/A.FIC\r\n")
                                      << "Le fichier /nulle/part/A.FIC n'existe plus";
    QTest::newRow("clé absente") << QByteArray("[AUTRE]\r\nX=1\r\n") << "Le fichier  n'existe plus";
}

void TestDemarrage::iniNommantUnFichierSupprime() {
    QFETCH(QByteArray, contenu);
    QFETCH(QString, message);
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("VELMOR.INI")), contenu);
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    d.attendreMessage(message);
    Session s(d);
    QVERIFY(s.form.windowTitle().isEmpty());
    QVERIFY(s.form.CheminFichier().isEmpty());
    QVERIFY(s.form.ENom->text().isEmpty());
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::iniNommantUnFichierAilleurs() {
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkdir(QStringLiteral("donnees"));
    const QString chemin = rep.chemin(QStringLiteral("donnees/B.FIC"));
    ecrireFichier(chemin, famille());
    ini::ecrireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                      QStringLiteral("NomFic"), chemin);
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.windowTitle(), chemin);
    QCOMPARE(s.form.RepDonnees(), rep.chemin(QStringLiteral("donnees")));
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::affichageDesChamps() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.EPrenom->text(), QStringLiteral("Paul"));
    QCOMPARE(s.form.EDN->text(), QStringLiteral("03/03/1930"));
    QCOMPARE(s.form.ELN->text(), QStringLiteral("Mâcon"));
    QCOMPARE(s.form.EProfession->text(), QStringLiteral("Boulanger"));
    QCOMPARE(s.form.ENBE->text(), QStringLiteral("2"));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    QCOMPARE(s.form.ENP->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.EPP->text(), QStringLiteral("Pierre"));
    QCOMPARE(s.form.ENM->text(), QStringLiteral("LEBLANC"));
    QCOMPARE(s.form.EPM->text(), QStringLiteral("Marie"));
    QCOMPARE(s.form.CBQualite->currentText(), QStringLiteral("Monsieur"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::etiquetteDuNomSuitLaQualite() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(1);
    QCOMPARE(s.form.LNom->text(), QStringLiteral("NomJF :"));
    QCOMPARE(s.form.indexQualite(), 1);
    s.form.pAfficherEnreg(0);
    QCOMPARE(s.form.LNom->text(), QStringLiteral("Nom :"));
    // The user's own choice fires the change event and the rule.
    s.form.CBQualite->setCurrentIndex(1);
    emit s.form.CBQualite->activated(1);
    QCOMPARE(s.form.LNom->text(), QStringLiteral("NomJF :"));
    QVERIFY(s.form.Modifie());
    // Free text typed in the combo is no item.
    s.form.CBQualite->lineEdit()->clear();
    QTest::keyClicks(s.form.CBQualite->lineEdit(), QStringLiteral("Docteur"));
    QCOMPARE(s.form.indexQualite(), -1);
    QCOMPARE(s.form.LNom->text(), QStringLiteral("Nom :"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::qualiteHorsListe() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(1);
    s.form.pAfficherEnreg(3);
    QCOMPARE(s.form.indexQualite(), -1);
    QVERIFY(s.form.CBQualite->currentText().isEmpty());
    QCOMPARE(s.form.LNom->text(), QStringLiteral("Nom :"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::legendeDeSupprimer() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(4);
    QCOMPARE(s.form.SbSupprimer->text(), QStringLiteral("Supprimer"));
    s.form.pAfficherEnreg(3);
    QCOMPARE(s.form.SbSupprimer->text(), QStringLiteral("Changer Nom"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::demandeAuDelaDeLaFin() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(4);
    d.attendreMessage(QStringLiteral("Il n'y a pas d'autres enregistrements"));
    s.form.pAfficherEnreg(5);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("4"));
    QCOMPARE(s.form.ENom->text(), QStringLiteral("ZOLA"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::erreurDeChainage() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    d.attendreMessage(QStringLiteral("Erreur de chaînage"));
    s.form.pAfficherEnreg(-1);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::derniereFicheParLePlusGrandNombre() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2147483647);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("4"));
    QCOMPARE(s.form.SbSupprimer->text(), QStringLiteral("Supprimer"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::boitesDesParentsGardeesSansMontrePM() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    s.form.pAfficherEnreg(4);
    QCOMPARE(s.form.ENP->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.EPP->text(), QStringLiteral("Pierre"));
    s.form.MontrePM();
    QVERIFY(s.form.ENP->text().isEmpty());
    QVERIFY(!s.form.ENP->isHidden());
    QVERIFY(s.form.IPhoto->isHidden());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::portraitDansPhotosAvantLeCheminStocke() {
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkpath(QStringLiteral("PHOTOS"));
    QDir(rep.racine()).mkpath(QStringLiteral("ailleurs"));
    ecrireOctets(rep.chemin(QStringLiteral("PHOTOS/x.jpg")), jpegDeTest(30, 20));
    ecrireOctets(rep.chemin(QStringLiteral("ailleurs/x.jpg")), jpegDeTest(50, 40));
    std::vector<TFiche> fiches = famille();
    fiches[0].Photo.definir(rep.chemin(QStringLiteral("ailleurs/x.jpg")));
    fiches[1].Photo.definir(QStringLiteral("C:\\Images\\x.jpg")); // written on Windows
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
    DialoguesScriptes d;
    Session s(d);
    QVERIFY(!s.form.IPhoto->isHidden());
    QCOMPARE(s.form.IPhoto->pixmap().width(), 30);
    s.form.pAfficherEnreg(1);
    QVERIFY(!s.form.IPhoto->isHidden());
    QCOMPARE(s.form.IPhoto->pixmap().width(), 30);
    QVERIFY(s.form.PhotoChoisie().isEmpty());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::portraitCheminStockeSinon() {
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkpath(QStringLiteral("ailleurs"));
    ecrireOctets(rep.chemin(QStringLiteral("ailleurs/y.BMP")), bmpDeTest(50, 40));
    std::vector<TFiche> fiches = famille();
    fiches[0].Photo.definir(rep.chemin(QStringLiteral("ailleurs/y.BMP")));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.IPhoto->pixmap().width(), 50);
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::portraitDeQuatreCaracteres() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("a.jp")), jpegDeTest(8, 8));
    std::vector<TFiche> fiches = famille();
    fiches[0].Photo.definir(QStringLiteral("a.jp"));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
    DialoguesScriptes d;
    Session s(d);
    QVERIFY(s.form.IPhoto->isHidden());
    VERIFIER_DIALOGUES(d);
}

// Found neither in PHOTOS nor at its path: the record is shown whole, parents
// included, without a portrait; one message, not repeated when the same
// record is shown again after a save; nothing counts as modified, and the
// stored path is kept.
// A restart inherits the scale the program set for itself: the settings
// choose again (back to 100 %), while a scale the user set stays.
void TestDemarrage::tailleDAffichageAuRedemarrage() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    const QByteArray avant = qgetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCALE_FACTOR");
    preferences::ecrireTailleAffichage(ini, QStringLiteral("200"));
    appliquerTailleAffichage(ini);
    QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
    preferences::ecrireTailleAffichage(ini, QStringLiteral("100"));
    appliquerTailleAffichage(ini); // the restarted copy
    QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("1"));
    qunsetenv("VELMORIS_TAILLE_APPLIQUEE");
    qputenv("QT_SCALE_FACTOR", "1.5"); // the user's own
    appliquerTailleAffichage(ini);
    QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("1.5"));
    qputenv("QT_SCALE_FACTOR", avant);
    if (avant.isEmpty()) qunsetenv("QT_SCALE_FACTOR");
}

void TestDemarrage::portraitIntrouvable() {
    RepertoireDeTravail rep;
    std::vector<TFiche> fiches = famille();
    fiches[2].Photo.definir(QStringLiteral("a.jpg"));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
    DialoguesScriptes d;
    Session s(d);
    d.attendreMessage(QStringLiteral("Le fichier image « a.jpg » est introuvable.\rLa fiche est "
                                     "affichée sans portrait ; son chemin reste enregistré."));
    s.form.executer([&] { s.form.pAfficherEnreg(2); });
    QCOMPARE(s.form.EPrenom->text(), QStringLiteral("Paul"));
    QCOMPARE(s.form.ENP->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.EPM->text(), QStringLiteral("Marie"));
    QVERIFY(!s.form.Modifie());
    QVERIFY(!s.form.FichierGenea().estOuvert());
    s.form.EProfession->setText(QStringLiteral("Meunier"));
    s.form.SbEnregistrerClick();
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[2].Photo.texte(),
             QStringLiteral("a.jpg"));
    QVERIFY(!s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::modifieApresDemarrageSaisieEtAffichage() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    QVERIFY(!s.form.Modifie());
    QTest::keyClicks(s.form.ELD, QStringLiteral("Paris"));
    QVERIFY(s.form.Modifie());
    s.form.pAfficherEnreg(1);
    QVERIFY(!s.form.Modifie());
    QTest::keyClicks(s.form.ENBE, QStringLiteral("3"));
    QVERIFY(s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::ouvrirUnFichierVideDonneUneFicheNouvelle() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    ecrireOctets(rep.chemin(QStringLiteral("vide.FIC")), {});
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    d.attendreOuverture(rep.chemin(QStringLiteral("vide.FIC")));
    s.form.Ouvrir1Click();
    QCOMPARE(d.derniersParametres().titre, QStringLiteral("Nom du fichier de généalogie"));
    QCOMPARE(d.derniersParametres().filtre, QStringLiteral("Fichiers de généalogie |*.FIC"));
    QCOMPARE(s.form.windowTitle(), rep.chemin(QStringLiteral("vide.FIC")));
    QCOMPARE(iniNomFic(rep), rep.chemin(QStringLiteral("vide.FIC")));
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    QVERIFY(s.form.ENom->text().isEmpty());
    QCOMPARE(s.form.CBQualite->currentIndex(), 0);
    QCOMPARE(s.form.FicheCourante().Pere, -1);
    QCOMPARE(s.form.FicheCourante().Mere, -1);
    QVERIFY(s.form.IPhoto->isHidden());
    VERIFIER_DIALOGUES(d);
}

// A new name typed in the open dialog makes the file at once, as the
// start-up dialog does: the first save goes there, without another question.
void TestDemarrage::ouvrirUnNomInexistant() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    const QString futur = rep.chemin(QStringLiteral("futur.FIC"));
    d.attendreOuverture(futur).attendreMessage(
        QStringLiteral("Le fichier %1 n'existait pas : il a été créé, vide. Tapez la première "
                       "personne et enregistrez-la.")
            .arg(futur));
    s.form.Ouvrir1Click();
    QCOMPARE(s.form.CheminFichier(), futur);
    QCOMPARE(iniNomFic(rep), futur);
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    QCOMPARE(QFileInfo(futur).size(), 0);
    s.form.ENom->setText(QStringLiteral("NOUVEAU"));
    s.form.SbEnregistrerClick();
    QCOMPARE(lireFichier(futur).size(), std::size_t(1));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::enregistrerSousCopieIdentique() {
    RepertoireDeTravail rep;
    std::vector<TFiche> trois = famille();
    trois.resize(3);
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), trois);
    const QString copie = rep.chemin(QStringLiteral("copie.FIC"));
    ecrireOctets(copie, QByteArray(5000, 'x')); // replaced whole, once the user agrees
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    const QString question = QStringLiteral("Le fichier %1 existe déjà et contient 13 personnes. "
                                            "Le remplacer par une copie de VELMORIS.FIC ?")
                                 .arg(copie);
    d.attendreOuverture(copie).attendreConfirmation(question, false);
    s.form.Enregistrersous1Click();
    QCOMPARE(octetsDe(copie), QByteArray(5000, 'x'));
    QCOMPARE(s.form.windowTitle(), QStringLiteral("VELMORIS.FIC"));
    d.attendreOuverture(copie).attendreConfirmation(question, true);
    s.form.Enregistrersous1Click();
    QCOMPARE(octetsDe(copie).size(), 1140);
    QCOMPARE(octetsDe(copie), octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC"))));
    QCOMPARE(s.form.windowTitle(), copie);
    QCOMPARE(iniNomFic(rep), copie);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("0"));
    QVERIFY(!s.form.FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::enregistrerSousSurLuiMeme() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(chemin, famille());
    const QByteArray avant = octetsDe(chemin);
    DialoguesScriptes d;
    Session s(d);
    QDir(rep.racine()).mkdir(QStringLiteral("sous"));
    d.attendreOuverture(rep.chemin(QStringLiteral("sous/../VELMORIS.FIC")));
    s.form.Enregistrersous1Click();
    QCOMPARE(octetsDe(chemin), avant);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    VERIFIER_DIALOGUES(d);
}

// A folder named like a genealogy file is said to be one at once, and left alone.
void TestDemarrage::enregistrerSousSurUnDossier() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    const QString dossier = rep.chemin(QStringLiteral("cible.FIC"));
    QDir(rep.racine()).mkdir(QStringLiteral("cible.FIC"));
    d.attendreOuverture(dossier).attendreMessage(
        QStringLiteral("« %1 » est un dossier, pas un fichier de généalogie : la copie ne peut pas "
                       "y être faite. Choisissez un autre nom.")
            .arg(dossier));
    s.form.Enregistrersous1Click();
    QVERIFY(QFileInfo(dossier).isDir());
    QCOMPARE(s.form.CheminFichier(), QStringLiteral("VELMORIS.FIC"));
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::enregistrerSousFichierAbsent() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(Question, false);
    Session s(d);
    d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    s.form.Enregistrersous1Click();
    VERIFIER_DIALOGUES(d);
}

void TestDemarrage::controlesAuxPositionsDeLaTable() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(Question, false);
    Session s(d);
    QCOMPARE(s.form.centralWidget()->size(), QSize(636, 437));
    const struct {
        const char* nom;
        QRect geometrie;
    } attendus[] = {{"CBQualite", {64, 160, 113, 21}},
                    {"ENom", {64, 192, 113, 21}},
                    {"EPrenom", {240, 192, 225, 21}},
                    {"EDN", {112, 224, 65, 21}},
                    {"ELN", {280, 224, 185, 21}},
                    {"EDM", {112, 256, 65, 21}},
                    {"ELM", {280, 256, 185, 21}},
                    {"EDD", {112, 288, 65, 21}},
                    {"ELD", {280, 288, 185, 21}},
                    {"EProfession", {80, 320, 97, 21}},
                    {"ENBE", {280, 320, 81, 21}},
                    {"GB", {8, 56, 305, 89}},
                    {"ENP", {40, 24, 113, 21}},
                    {"EPM", {160, 52, 137, 21}},
                    {"BtPhoto", {184, 160, 129, 25}},
                    {"Panel2", {320, 56, 145, 129}},
                    {"IPhoto", {8, 8, 129, 113}},
                    {"SbArbre", {320, 8, 145, 41}},
                    {"NumEnreg", {536, 16, 33, 25}},
                    {"BtPere", {480, 56, 73, 161}},
                    {"BtConjoint", {560, 224, 65, 81}},
                    {"SbRechercher", {480, 312, 145, 33}},
                    {"BitBtn1", {480, 392, 145, 33}},
                    {"SbNouveau", {8, 352, 81, 73}},
                    {"SbBriseChain", {272, 352, 201, 33}},
                    {"SBChainer", {272, 392, 201, 33}}};
    for (const auto& a : attendus) {
        auto* w = s.form.findChild<QWidget*>(QString::fromLatin1(a.nom));
        QVERIFY2(w, a.nom);
        QCOMPARE(w->geometry(), a.geometrie);
    }
    QVERIFY(s.form.ENP->isReadOnly());
    QCOMPARE(s.form.SBChainer->text(), QStringLiteral("Créer le chaînage  Parents"));
    QCOMPARE(s.form.SbArbre->text(), QStringLiteral("           Arbre"));
    // No label runs over the edit placed to its right.
    for (QLabel* l : {s.form.Label3, s.form.Label6, s.form.Label8, s.form.Label5, s.form.Label4,
                      s.form.Label7, s.form.Label9, s.form.Label10, s.form.Label11, s.form.Label2})
        QVERIFY2(l->geometry().right() < l->x() + 200, qPrintable(l->text()));
    QVERIFY(s.form.Label3->geometry().right() < s.form.EDN->x());
    QVERIFY(s.form.Label10->geometry().right() < s.form.ENBE->x());
    QVERIFY(s.form.Label4->geometry().right() < s.form.ELN->x());
    QVERIFY(s.form.Label5->geometry().right() < s.form.EProfession->x());
    VERIFIER_DIALOGUES(d);
}

// "Velmoris autre.FIC", or a double-click in the file manager: that file
// comes before the last one used, and becomes it.
void TestDemarrage::fichierNommeALOuverture() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {personne(QStringLiteral("DEFAUT"))});
    ecrireFichier(rep.chemin(QStringLiteral("autre.FIC")), {personne(QStringLiteral("NOMME"))});
    DialoguesScriptes d;
    preparerApplication();
    Fenetres f(d, std::make_unique<FichierDisque>(), QStringLiteral("autre.FIC"));
    QCOMPARE(f.principale().ENom->text(), QStringLiteral("NOMME"));
    QCOMPARE(f.principale().windowTitle(), rep.chemin(QStringLiteral("autre.FIC")));
    QCOMPARE(iniNomFic(rep), rep.chemin(QStringLiteral("autre.FIC")));
    VERIFIER_DIALOGUES(d);
}

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
