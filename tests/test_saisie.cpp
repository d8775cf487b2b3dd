// New record, the save prompt, the date check, saving and deletion, through
// the real entry window with scripted dialogs; every effect checked on disk.
#include "data/fichier/FichierIni.h"
#include "forms/UVelmorS.h"
#include "platform/BoutonImage.h"
#include "tests/OutilsTests.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

namespace {

const QString QuestionSupprimer =
    QStringLiteral("Voulez-vous vraiment supprimer le dernier enregistrement");

QString messageDate(const QString& date) {
    return QStringLiteral("La date ") + date +
           QStringLiteral(" doit contenir une année à quatre chiffres entre 1000 et 2050");
}

std::vector<TFiche> fiches(int nombre) {
    std::vector<TFiche> resultat;
    for (int i = 0; i < nombre; ++i) {
        TFiche f = personne(QStringLiteral("NOM%1").arg(i), QStringLiteral("Prénom%1").arg(i));
        f.Pere = i > 0 ? 0 : -1;
        f.Enfants[0] = 90 + i;
        f.NbEnfants = 1;
        resultat.push_back(f);
    }
    return resultat;
}

void taper(QLineEdit* e, const QString& texte) {
    e->clear();
    // Letters beyond ASCII, as an input method gives them.
    if (std::any_of(texte.begin(), texte.end(), [](QChar c) { return c.unicode() >= 0x80; }))
        e->insert(texte);
    else
        QTest::keyClicks(e, texte);
}

// A window on VELMORIS.FIC holding `nombre` records, record 0 on screen.
struct Banc {
    explicit Banc(int nombre) {
        ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches(nombre));
        session = std::make_unique<Session>(d);
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

} // namespace

class TestSaisie : public QObject {
    Q_OBJECT
private slots:
    void nouveauDemandeEtVideLaFiche();
    void datesControlees_data();
    void datesControlees();
    void unSeulMessageQuandLeMariageEstRefuse();
    void dateDUnAutreCalendrierGardeeEntiere();
    void dateQuiNExistePasRefusee_data();
    void dateQuiNExistePasRefusee();
    void textesCoupesALaLargeur();
    void nouvelleFicheAjouteeEnFin();
    void deuxEnregistrementsAjoutentUneFois();
    void nombreDEnfants_data();
    void nombreDEnfants();
    void nombreDEnfantsIncorrect();
    void portraitGardeALEnregistrement();
    void portraitCacheVideLePhoto();
    void qualiteSansSelectionStockee255();
    void supprimerLaDerniere();
    void changerNomPuisEnregistrer();
    void annulerLaSaisieEnCours();
    void ficheSansNomDemandeConfirmation_data();
    void ficheSansNomDemandeConfirmation();
    void dateGardeeNeBloquePasLEnregistrement();
    void supprimerSurFicheNouvelleNeFaitRien();
    void supprimerRefuse();
    void supprimerLaSeuleFiche();
    void enregistrerSansFichierCreeLeFichier();
    void enregistrerDansUnFichierExistantNeLeVidePas();
    void enregistrerAnnuleNEcritRien();
    void fichierQuOnNePeutOuvrir();
    void enregistrementRefuseArreteLaCommande();
    void reponseNonAbandonneLesModifications();
};

void TestSaisie::nouveauDemandeEtVideLaFiche() {
    Banc b(3);
    b.form().pAfficherEnreg(1);
    taper(b.form().ENom, QStringLiteral("MODIFIÉ"));
    b.d.attendreQuestion(QuestionEnregistrer, false);
    b.form().SbNouveauClick();
    for (QLineEdit* e :
         {b.form().ENom, b.form().EPrenom, b.form().EDN, b.form().EDM, b.form().EDD, b.form().ELN,
          b.form().ELM, b.form().ELD, b.form().EProfession, b.form().ENBE})
        QVERIFY(e->text().isEmpty());
    QVERIFY(b.form().NumEnreg->text().isEmpty());
    QCOMPARE(b.form().CBQualite->currentIndex(), 0);
    QCOMPARE(b.form().LNom->text(), QStringLiteral("Nom :"));
    QCOMPARE(b.form().SbSupprimer->text(), QStringLiteral("Supprimer"));
    QVERIFY(!b.form().Modifie());
    QVERIFY(b.form().ENP->isHidden());
    QCOMPARE(b.form().FicheCourante().Pere, -1);
    QCOMPARE(b.form().FicheCourante().Enfants[0], -1);
    QCOMPARE(lireFichier(b.fic())[1].Nom.texte(), QStringLiteral("NOM1")); // No kept nothing
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::datesControlees_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("valide");
    QTest::newRow("vide") << "" << true;
    QTest::newRow("1900 seul") << "1900" << false;
    QTest::newRow("7 caractères") << "05/1890" << false;
    QTest::newRow("complète") << "12/05/1890" << true;
    QTest::newRow("ca. 1850") << "ca. 1850" << true;
    QTest::newRow("0999") << "12/05/0999" << false;
    QTest::newRow("2051") << "12/05/2051" << false;
    QTest::newRow("1000") << "01/01/1000" << true;
    QTest::newRow("2050") << "31/12/2050" << true;
    QTest::newRow("blanc avant 890") << "12/05/ 890" << false;
    QTest::newRow("blanc après") << "12/05/1890 " << false;
    QTest::newRow("lettres") << "vers l'an" << false;
}

void TestSaisie::datesControlees() {
    QFETCH(QString, date);
    QFETCH(bool, valide);
    Banc b(1);
    if (!valide) b.d.attendreMessage(messageDate(date));
    QCOMPARE(b.form().DateValide(date), valide);
    VERIFIER_DIALOGUES(b.d);
}

// A Republican date typed: its Gregorian day shown while typing, the record
// holds that day, the store the whole date, which the export gives back and
// the form shows; one undo takes both back.
void TestSaisie::dateDUnAutreCalendrierGardeeEntiere() {
    Banc b(2);
    taper(b.form().EDN, QStringLiteral("12 vendémiaire an IV"));
    QCOMPARE(b.form().LDateN->text(), QStringLiteral("= 4 octobre 1795"));
    b.form().SbEnregistrerClick();
    QCOMPARE(lireFichier(b.fic())[0].DateNaissance.texte(), QStringLiteral("04/10/1795"));
    QCOMPARE(b.form().EDN->text(), QStringLiteral("04/10/1795"));
    QCOMPARE(b.form().LDateN->text(), QStringLiteral("12 vendémiaire an IV"));
    QVERIFY(exporterAvecComplements(b.fic()).contains("1 BIRT\r\n2 DATE @#DFRENCH R@ 12 VEND 4"));
    b.form().Annuler1Click();
    QVERIFY(lireFichier(b.fic())[0].DateNaissance.texte() != u"04/10/1795");
    QVERIFY(!exporterAvecComplements(b.fic()).contains("@#DFRENCH R@"));
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::dateQuiNExistePasRefusee_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("message");
    QTest::newRow("6e sans-culottide d'une année commune")
        << "6 jour complémentaire an IV"
        << "La date républicaine « 6 jour complémentaire an IV » n'existe pas : le calendrier "
           "républicain va du 1er vendémiaire an I au 10 nivôse an XIV, ses mois ont 30 jours, "
           "et les jours complémentaires sont 5 (6 les années III, VII et XI).";
    QTest::newRow("trop longue pour la fiche")
        << "le jour de la Saint-Jean 1750"
        << "La date « le jour de la Saint-Jean 1750 » ne tient pas dans les dix caractères de la "
           "fiche : tapez-la sous une forme courte (12/03/1750, vers 1750, avant 1750, entre "
           "1750 et 1760…), ou en calendrier républicain ou julien.";
}

void TestSaisie::dateQuiNExistePasRefusee() {
    QFETCH(QString, date);
    QFETCH(QString, message);
    Banc b(2);
    const QByteArray avant = octetsDe(b.fic());
    taper(b.form().EDD, date);
    b.d.attendreMessage(message);
    b.form().SbEnregistrerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::unSeulMessageQuandLeMariageEstRefuse() {
    Banc b(2);
    const QByteArray avant = octetsDe(b.fic());
    taper(b.form().EDM, QStringLiteral("1925"));
    taper(b.form().EDD, QStringLiteral("aussi faux"));
    b.d.attendreMessage(messageDate(QStringLiteral("1925")));
    b.form().SbEnregistrerClick();
    QCOMPARE(octetsDe(b.fic()), avant);
    QVERIFY(b.form().Modifie()); // the edits are still unsaved
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::textesCoupesALaLargeur() {
    Banc b(1);
    b.form().SbNouveauClick();
    taper(b.form().EPrenom, QString(25, u'p') + QStringLiteral("XXXXX"));
    taper(b.form().ELN, QString(30, u'l') + QStringLiteral("Y"));
    taper(b.form().ENom, QString(25, u'n'));
    b.form().SbEnregistrerClick();
    const TFiche f = lireFichier(b.fic())[1];
    QCOMPARE(f.Prenom.texte(), QString(25, u'p'));
    QCOMPARE(f.LieuNaissance.texte(), QString(30, u'l'));
    QCOMPARE(f.Nom.texte(), QString(25, u'n'));
    QCOMPARE(b.form().EPrenom->text(), QString(25, u'p'));
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::nouvelleFicheAjouteeEnFin() {
    Banc b(7);
    const QByteArray avant = octetsDe(b.fic());
    b.form().SbNouveauClick();
    taper(b.form().ENom, QStringLiteral("MARTIN"));
    taper(b.form().EDN, QStringLiteral("12/05/1890"));
    b.form().CBQualite->setCurrentIndex(2);
    emit b.form().CBQualite->activated(2);
    b.form().SbEnregistrerClick();
    const QByteArray apres = octetsDe(b.fic());
    QCOMPARE(apres.size(), 3040);
    QCOMPARE(apres.left(2660), avant);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("7"));
    const TFiche f = lireFichier(b.fic())[7];
    QCOMPARE(f.Nom.texte(), QStringLiteral("MARTIN"));
    QCOMPARE(f.Qualite, 2);
    QCOMPARE(f.Pere, -1);
    QCOMPARE(f.Enfants[0], -1);
    QVERIFY(!b.form().Modifie());
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::deuxEnregistrementsAjoutentUneFois() {
    Banc b(2);
    b.form().SbNouveauClick();
    taper(b.form().ENom, QStringLiteral("UNE"));
    b.form().SbEnregistrerClick();
    taper(b.form().ENom, QStringLiteral("DEUX"));
    b.form().SbEnregistrerClick();
    const auto f = lireFichier(b.fic());
    QCOMPARE(f.size(), std::size_t(3));
    QCOMPARE(f[2].Nom.texte(), QStringLiteral("DEUX"));
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::nombreDEnfants_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("stocke");
    QTest::newRow("vide") << "" << 0;
    QTest::newRow("12") << "12" << 12;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("300 refusé") << "300" << -1;
    QTest::newRow("-1 refusé") << "-1" << -1;
}

// A number the record's byte cannot hold is refused, never stored as another.
void TestSaisie::nombreDEnfants() {
    QFETCH(QString, texte);
    QFETCH(int, stocke);
    Banc b(1);
    const QByteArray avant = octetsDe(b.fic());
    taper(b.form().ENBE, texte);
    if (stocke < 0)
        b.d.attendreMessage(QStringLiteral("Le nombre d'enfants %1 ne tient pas dans la fiche : "
                                           "tapez un nombre de 0 à 255.")
                                .arg(texte));
    b.form().SbEnregistrerClick();
    if (stocke < 0) {
        QCOMPARE(octetsDe(b.fic()), avant);
        QVERIFY(b.form().Modifie());
    } else {
        QCOMPARE(int(lireFichier(b.fic())[0].NbEnfants), stocke);
    }
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::nombreDEnfantsIncorrect() {
    Banc b(2);
    const QByteArray avant = octetsDe(b.fic());
    b.form().SbNouveauClick();
    taper(b.form().ENom, QStringLiteral("NOUVEAU"));
    taper(b.form().ENBE, QStringLiteral("3 "));
    b.d.attendreErreur(QStringLiteral("'3 ' n'est pas une valeur entière correcte."));
    b.form().commande(&TForm1::SbEnregistrerClick);
    QCOMPARE(octetsDe(b.fic()), avant);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("2"));
    QVERIFY(b.form().Modifie());
    QCOMPARE(b.form().ENom->text(), QStringLiteral("NOUVEAU"));
    QVERIFY(!b.form().FichierGenea().estOuvert());
    // Corrected, the next save appends at that number.
    taper(b.form().ENBE, QStringLiteral("3"));
    b.form().SbEnregistrerClick();
    QCOMPARE(lireFichier(b.fic()).size(), std::size_t(3));
    QCOMPARE(lireFichier(b.fic())[2].NbEnfants, 3);
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::portraitGardeALEnregistrement() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("p.jpg")), jpegDeTest(10, 10));
    TFiche f = personne(QStringLiteral("A"));
    f.Photo.definir(rep.chemin(QStringLiteral("p.jpg")));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {f});
    DialoguesScriptes d;
    Session s(d);
    taper(s.form.ENom, QStringLiteral("AUTRE"));
    s.form.SbEnregistrerClick();
    const TFiche apres = lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[0];
    QCOMPARE(apres.Nom.texte(), QStringLiteral("AUTRE"));
    QCOMPARE(apres.Photo.texte(), rep.chemin(QStringLiteral("p.jpg")));
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::portraitCacheVideLePhoto() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("p.jpg")), jpegDeTest(10, 10));
    TFiche f = personne(QStringLiteral("A"));
    f.Photo.definir(rep.chemin(QStringLiteral("p.jpg")));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {f});
    DialoguesScriptes d;
    Session s(d);
    s.form.MontrePM(); // hides the portrait, as a cancelled browse does
    s.form.SbEnregistrerClick();
    QVERIFY(lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Photo.vide());
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::qualiteSansSelectionStockee255() {
    Banc b(1);
    b.form().CBQualite->lineEdit()->clear();
    QTest::keyClicks(b.form().CBQualite->lineEdit(), QStringLiteral("Maitre"));
    b.form().SbEnregistrerClick();
    QCOMPARE(int(lireFichier(b.fic())[0].Qualite), 255);
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::supprimerLaDerniere() {
    Banc b(5);
    b.form().pAfficherEnreg(4);
    b.d.attendreAttention(QuestionSupprimer, true);
    b.form().SbSupprimerClick();
    QCOMPARE(octetsDe(b.fic()).size(), 1520);
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("3"));
    QCOMPARE(b.form().SbSupprimer->text(), QStringLiteral("Supprimer"));
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::changerNomPuisEnregistrer() {
    Banc b(5);
    std::vector<TFiche> avecPortrait = fiches(5);
    avecPortrait[2].Photo.definir(QStringLiteral("/ailleurs/ancien.jpg"));
    ecrireFichier(b.fic(), avecPortrait);
    b.d.attendreMessage({}); // the old person's portrait is not there
    b.form().pAfficherEnreg(2);
    QCOMPARE(b.form().SbSupprimer->text(), QStringLiteral("Changer Nom"));
    b.d.attendreMessage(QStringLiteral("Seul le dernier enregistrement peut-être supprimé\r"
                                       "Remplacez celui-ci par un autre nom"));
    b.form().SbSupprimerClick();
    QVERIFY(b.form().ENom->text().isEmpty());
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("2"));
    QVERIFY(b.form().Modifie());
    taper(b.form().ENom, QStringLiteral("REMPLAÇANT"));
    b.form().SbEnregistrerClick();
    const auto f = lireFichier(b.fic());
    QCOMPARE(f.size(), std::size_t(5));
    QCOMPARE(f[2].Nom.texte(), QStringLiteral("REMPLAÇANT"));
    QVERIFY(f[2].Prenom.vide());
    QCOMPARE(f[2].Pere, 0); // the old person's links
    QCOMPARE(f[2].Enfants[0], 92);
    QVERIFY(f[2].Photo.vide()); // but not the old person's portrait
    VERIFIER_DIALOGUES(b.d);
}

// While the form holds typing, Annuler drops it and shows the record as
// stored; only then does it offer the last change to the file.
void TestSaisie::annulerLaSaisieEnCours() {
    Banc b(3);
    const QByteArray initial = octetsDe(b.fic());
    QVERIFY(!b.form().Annuler1->isEnabled());
    taper(b.form().ENom, QStringLiteral("FAUTE"));
    QCOMPARE(b.form().Annuler1->text(), QStringLiteral("Annuler la saisie en cours"));
    QVERIFY(b.form().Annuler1->isEnabled());
    b.form().Annuler1Click();
    QCOMPARE(b.form().ENom->text(), QStringLiteral("NOM0"));
    QVERIFY(!b.form().Modifie());
    QVERIFY(!b.form().Annuler1->isEnabled());
    taper(b.form().EProfession, QStringLiteral("Forgeron"));
    b.form().SbEnregistrerClick();
    taper(b.form().EProfession, QStringLiteral("Forgeronne"));
    b.form().Annuler1Click();
    QCOMPARE(b.form().EProfession->text(), QStringLiteral("Forgeron"));
    QCOMPARE(b.form().Annuler1->text(), QStringLiteral("Annuler l'enregistrement de NOM0 Prénom0"));
    b.form().Annuler1Click();
    QCOMPARE(octetsDe(b.fic()), initial);
    b.form().SbNouveauClick();
    taper(b.form().ENom, QStringLiteral("NOUVEAU"));
    b.form().Annuler1Click();
    QVERIFY(b.form().ENom->text().isEmpty());
    QVERIFY(b.form().NumEnreg->text().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

// "Changer Nom" then the usual Oui, or Nouveau then Enregistrer: a person
// without any name is written only once the user confirms; Non keeps the form.
void TestSaisie::ficheSansNomDemandeConfirmation_data() {
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<bool>("oui");
    QTest::newRow("Changer Nom, puis Suivant, non") << "changer nom" << false;
    QTest::newRow("Changer Nom, puis Suivant, oui") << "changer nom" << true;
    QTest::newRow("Nouveau puis Enregistrer, non") << "nouveau" << false;
}

void TestSaisie::ficheSansNomDemandeConfirmation() {
    QFETCH(QString, chemin);
    QFETCH(bool, oui);
    Banc b(5);
    const QByteArray avant = octetsDe(b.fic());
    b.form().pAfficherEnreg(2);
    if (chemin == u"changer nom") {
        b.d.attendreMessage(QStringLiteral("Seul le dernier enregistrement peut-être supprimé\r"
                                           "Remplacez celui-ci par un autre nom"))
            .attendreQuestion(QuestionEnregistrer, true)
            .attendreConfirmation(QStringLiteral("La fiche n° 2 de NOM2 Prénom2 serait remplacée "
                                                 "par une fiche sans nom ni prénoms. "
                                                 "L'enregistrer quand même ?"),
                                  oui);
        b.form().SbSupprimerClick();
        b.form().BtSuivantClick();
    } else {
        b.d.attendreConfirmation(
            QStringLiteral("Cette fiche n'a ni nom ni prénoms. L'enregistrer quand même ?"), oui);
        b.form().show();
        QVERIFY(QTest::qWaitForWindowActive(&b.form()));
        QTest::keyClick(b.form().ENom, Qt::Key_N, Qt::ControlModifier);
        taper(b.form().ELN, QStringLiteral("Lyon"));
        QTest::keyClick(b.form().ELN, Qt::Key_S, Qt::ControlModifier);
    }
    if (oui) {
        QVERIFY(lireFichier(b.fic())[2].Nom.vide());
        QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("3"));
    } else {
        QCOMPARE(octetsDe(b.fic()), avant);
        QVERIFY(b.form().Modifie());
        QCOMPARE(b.form().NumEnreg->text(), chemin == u"nouveau" ? QString() : QStringLiteral("2"));
    }
    VERIFIER_DIALOGUES(b.d);
}

// A date the file already holds, that the save would refuse if typed, does
// not block the save of another field; a date the user changes is checked.
void TestSaisie::dateGardeeNeBloquePasLEnregistrement() {
    std::vector<TFiche> f = fiches(1);
    f[0].DateNaissance.definir(QStringLiteral("?\?/?\?/20"));
    f[0].DateDeces.definir(QStringLiteral("19/04/570"));
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), f);
    DialoguesScriptes d;
    Session s(d);
    taper(s.form.EProfession, QStringLiteral("tisserand"));
    s.form.SbEnregistrerClick();
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Profession.texte(),
             QStringLiteral("tisserand"));
    taper(s.form.EDD, QStringLiteral("19/04/571"));
    d.attendreMessage(messageDate(QStringLiteral("19/04/571")));
    s.form.SbEnregistrerClick();
    QVERIFY(s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::supprimerSurFicheNouvelleNeFaitRien() {
    Banc b(3);
    b.form().SbNouveauClick();
    b.form().SbSupprimerClick();
    QCOMPARE(octetsDe(b.fic()).size(), 1140);
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::supprimerRefuse() {
    Banc b(2);
    b.form().pAfficherEnreg(1);
    b.d.attendreAttention(QuestionSupprimer, false);
    b.form().SbSupprimerClick();
    QCOMPARE(octetsDe(b.fic()).size(), 760);
    QVERIFY(!b.form().FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::supprimerLaSeuleFiche() {
    Banc b(1);
    b.d.attendreAttention(QuestionSupprimer, true);
    b.form().SbSupprimerClick();
    QCOMPARE(octetsDe(b.fic()).size(), 0);
    QVERIFY(b.form().NumEnreg->text().isEmpty());
    QVERIFY(b.form().ENom->text().isEmpty());
    QCOMPARE(b.form().FicheCourante().Pere, -1);
    // The next save starts the file again at record 0.
    taper(b.form().ENom, QStringLiteral("PREMIER"));
    b.form().SbEnregistrerClick();
    QCOMPARE(lireFichier(b.fic()).size(), std::size_t(1));
    QCOMPARE(lireFichier(b.fic())[0].Enfants[0], -1);
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::enregistrerSansFichierCreeLeFichier() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    taper(s.form.ENom, QStringLiteral("PREMIER"));
    const QString nouveau = rep.chemin(QStringLiteral("nouveau.FIC"));
    d.attendreEnregistrement(nouveau);
    s.form.SbEnregistrerClick();
    QCOMPARE(d.derniersParametres().titre, QStringLiteral("Nom du fichier de généalogie"));
    QCOMPARE(d.derniersParametres().filtre, QStringLiteral("Fichiers de généalogie |*.FIC"));
    QCOMPARE(d.derniersParametres().repertoireInitial, rep.racine());
    QCOMPARE(octetsDe(nouveau).size(), 380);
    QCOMPARE(lireFichier(nouveau)[0].Nom.texte(), QStringLiteral("PREMIER"));
    QCOMPARE(lireFichier(nouveau)[0].Pere, -1);
    QCOMPARE(ini::lireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                             QStringLiteral("NomFic")),
             nouveau);
    QCOMPARE(s.form.CheminFichier(), nouveau);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("0"));
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::enregistrerDansUnFichierExistantNeLeVidePas() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches(6));
    const QString autre = rep.chemin(QStringLiteral("autre.FIC"));
    ecrireFichier(autre, fiches(2));
    const QByteArray avant = octetsDe(autre);
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(5);
    // The current file goes away; the save asks where to write.
    QFile::remove(rep.chemin(QStringLiteral("VELMORIS.FIC")));
    taper(s.form.ENom, QStringLiteral("SAUVÉ"));
    d.attendreEnregistrement(autre);
    s.form.SbEnregistrerClick();
    const QByteArray apres = octetsDe(autre);
    QCOMPARE(apres.size(), 1140);
    QCOMPARE(apres.left(760), avant);
    QCOMPARE(lireFichier(autre)[2].Nom.texte(), QStringLiteral("SAUVÉ"));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    QCOMPARE(s.form.CheminFichier(), autre);
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::enregistrerAnnuleNEcritRien() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    taper(s.form.ENom, QStringLiteral("X"));
    d.attendreEnregistrement(std::nullopt);
    s.form.SbEnregistrerClick();
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("VELMORIS.FIC"))));
    QVERIFY(s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

void TestSaisie::fichierQuOnNePeutOuvrir() {
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkdir(QStringLiteral("VELMORIS.FIC")); // exists, cannot be opened
    DialoguesScriptes d;
    d.attendreErreur(QStringLiteral("Accès au fichier refusé.")); // the display at start-up
    Session s(d);
    taper(s.form.ENom, QStringLiteral("X"));
    d.attendreMessage(QStringLiteral("Problème avec le fichier VELMORIS.FIC"));
    s.form.SbEnregistrerClick();
    QVERIFY(s.form.Modifie());
    VERIFIER_DIALOGUES(d);
}

// The save offered before leaving a record did not complete: the command
// that asked stops, and the typed edits stay on the form.
void TestSaisie::enregistrementRefuseArreteLaCommande() {
    Banc b(3);
    b.form().pAfficherEnreg(1);
    const QByteArray avant = octetsDe(b.fic());
    taper(b.form().ENom, QStringLiteral("CORRIGER"));
    taper(b.form().EDN, QStringLiteral("1890"));
    b.d.attendreQuestion(QuestionEnregistrer, true)
        .attendreMessage(messageDate(QStringLiteral("1890")));
    b.form().SbNouveauClick();
    QCOMPARE(b.form().ENom->text(), QStringLiteral("CORRIGER"));
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("1"));
    QVERIFY(b.form().Modifie());
    QCOMPARE(octetsDe(b.fic()), avant);
    // Corrected, the same command saves and goes on.
    taper(b.form().EDN, QStringLiteral("01/01/1890"));
    b.d.attendreQuestion(QuestionEnregistrer, true);
    b.form().SbNouveauClick();
    QCOMPARE(lireFichier(b.fic())[1].Nom.texte(), QStringLiteral("CORRIGER"));
    QVERIFY(b.form().ENom->text().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestSaisie::reponseNonAbandonneLesModifications() {
    Banc b(3);
    const QByteArray avant = octetsDe(b.fic());
    taper(b.form().ENom, QStringLiteral("OUBLIÉ"));
    b.d.attendreQuestion(QuestionEnregistrer, false);
    b.form().BtSuivantClick();
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("1"));
    QCOMPARE(octetsDe(b.fic()), avant);
    VERIFIER_DIALOGUES(b.d);
}

QTEST_MAIN(TestSaisie)
#include "test_saisie.moc"
