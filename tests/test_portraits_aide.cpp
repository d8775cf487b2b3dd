// The portrait browse, the help commands and the About box.
#include "forms/UVelmorS.h"
#include "forms/uAbout.h"
#include "tests/OutilsTests.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

struct Banc {
    Banc() {
        ecrireOctets(rep.chemin(QStringLiteral("A.jpg")), jpegDeTest(20, 20));
        ecrireOctets(rep.chemin(QStringLiteral("B.bmp")), bmpDeTest(30, 30));
        TFiche a = personne(QStringLiteral("AVEC"), QStringLiteral("Photo"));
        a.Photo.definir(rep.chemin(QStringLiteral("A.jpg")));
        TFiche b = personne(QStringLiteral("AUTRE"), QStringLiteral("Photo"));
        b.Photo.definir(rep.chemin(QStringLiteral("B.bmp")));
        ecrireFichier(fic(), {a, b, personne(QStringLiteral("SANS"))});
        session = std::make_unique<Session>(d);
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    TFiche disque(int n) const { return lireFichier(fic())[static_cast<std::size_t>(n)]; }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

} // namespace

class TestPortraitsAide : public QObject {
    Q_OBJECT
private slots:
    void choisirUnePhotoPuisEnregistrer();
    void dialogueDeLaPhoto();
    void photoAPuisPhotoB();
    void memeCheminAutreCasse();
    void annulerCacheEtEnregistrerVide();
    void imageCorrompueAuChoix();
    void imageCorrompueALAffichage();
    void autresFormatsAffiches_data();
    void autresFormatsAffiches();
    void cheminDePlusDe120Caracteres();
    void cheminImpossibleEnWindows1252();
    void extensionFicJamaisStockee();
    void manuel_data();
    void manuel();
    void manuelSansVisionneuse();
    void fichierDAideSansVisionneuse();
    void aProposNeufLignesEtEntree();
};

void TestPortraitsAide::choisirUnePhotoPuisEnregistrer() {
    Banc b;
    b.form().pAfficherEnreg(2);
    QVERIFY(b.form().IPhoto->isHidden());
    b.d.attendreOuverture(b.rep.chemin(QStringLiteral("B.bmp")));
    b.form().BtPhotoClick();
    QVERIFY(!b.form().IPhoto->isHidden());
    QCOMPARE(b.form().IPhoto->pixmap().width(), 30);
    QVERIFY(b.form().Modifie());
    QCOMPARE(b.form().PhotoChoisie(), b.rep.chemin(QStringLiteral("B.bmp")));
    b.form().SbEnregistrerClick();
    QCOMPARE(b.disque(2).Photo.texte(), b.rep.chemin(QStringLiteral("B.bmp")));
    QVERIFY(b.form().PhotoChoisie().isEmpty());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::dialogueDeLaPhoto() {
    Banc b;
    b.d.attendreOuverture(std::nullopt);
    b.form().BtPhotoClick();
    QCOMPARE(b.d.derniersParametres().titre, QStringLiteral("Nom du fichier image"));
    QCOMPARE(b.d.derniersParametres().extensionParDefaut, QStringLiteral("*.JPG;*.BMP"));
    QCOMPARE(b.d.derniersParametres().filtre,
             QStringLiteral("Fichiers Images (BMP et JPG)|*.JPG;*.BMP"));
    QCOMPARE(b.d.derniersParametres().repertoireInitial, b.form().RepDonnees());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::photoAPuisPhotoB() {
    Banc b;
    b.form().pAfficherEnreg(2);
    b.d.attendreOuverture(b.rep.chemin(QStringLiteral("A.jpg")));
    b.form().BtPhotoClick();
    b.form().SbEnregistrerClick();
    b.form().pAfficherEnreg(1);
    b.form().EPrenom->setText(QStringLiteral("Changé"));
    b.form().SbEnregistrerClick();
    QCOMPARE(b.disque(2).Photo.texte(), b.rep.chemin(QStringLiteral("A.jpg")));
    QCOMPARE(b.disque(1).Photo.texte(), b.rep.chemin(QStringLiteral("B.bmp")));
    QCOMPARE(b.disque(1).Prenom.texte(), QStringLiteral("Changé"));
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::memeCheminAutreCasse() {
    Banc b;
    // The same path but for the case of a to z: no edit to save.
    const QString autreCasse = b.rep.chemin(QStringLiteral("a.JPG"));
    ecrireOctets(autreCasse, jpegDeTest(20, 20));
    b.d.attendreOuverture(autreCasse);
    b.form().BtPhotoClick();
    QVERIFY(!b.form().Modifie());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::annulerCacheEtEnregistrerVide() {
    Banc b;
    b.d.attendreOuverture(std::nullopt);
    b.form().BtPhotoClick();
    QVERIFY(b.form().IPhoto->isHidden());
    QVERIFY(!b.form().Modifie());
    b.form().SbEnregistrerClick();
    QVERIFY(b.disque(0).Photo.vide());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::imageCorrompueAuChoix() {
    Banc b;
    const QString corrompue = b.rep.chemin(QStringLiteral("c.jpg"));
    ecrireOctets(corrompue, jpegDeTest(40, 40).left(200));
    b.d.attendreOuverture(corrompue);
    b.d.attendreErreur({}); // the loader's own words
    b.form().commande(&TForm1::BtPhotoClick);
    QVERIFY(b.d.journal().back().contains(QStringLiteral("c.jpg")));
    QVERIFY(!b.form().IPhoto->isHidden());
    QCOMPARE(b.form().IPhoto->pixmap().width(), 20); // the picture it held before
    QCOMPARE(b.form().PhotoChoisie(), corrompue);
    QVERIFY(!b.form().Modifie());
    VERIFIER_DIALOGUES(b.d);
}

// A portrait that cannot be shown is told once per person and session,
// however often the person is visited again.
void TestPortraitsAide::imageCorrompueALAffichage() {
    Banc b;
    ecrireOctets(b.rep.chemin(QStringLiteral("B.bmp")), QByteArray("pas une image"));
    b.d.attendreMessage({});
    for (int visite = 0; visite < 4; ++visite) {
        b.form().executer([&] { b.form().pAfficherEnreg(1); });
        b.form().executer([&] { b.form().pAfficherEnreg(0); });
    }
    QCOMPARE(b.d.journal().size(), 1);
    QVERIFY(b.d.journal().back().contains(QStringLiteral("B.bmp")));
    b.form().executer([&] { b.form().pAfficherEnreg(1); });
    QCOMPARE(b.form().ENom->text(), QStringLiteral("AUTRE"));
    QCOMPARE(b.form().NumEnreg->text(), QStringLiteral("1"));
    QVERIFY(!b.form().Modifie());
    VERIFIER_DIALOGUES(b.d);
}

// Every format Qt reads is shown, chosen by its extension in any case.
void TestPortraitsAide::autresFormatsAffiches_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png") << "portrait.png" << QByteArray("PNG");
    QTest::newRow("PNG en capitales") << "PORTRAIT.PNG" << QByteArray("PNG");
    QTest::newRow("ppm") << "portrait.ppm" << QByteArray("PPM");
}

void TestPortraitsAide::autresFormatsAffiches() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, format);
    Banc b;
    QImage image(25, 15, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(b.rep.chemin(nom), format));
    std::vector<TFiche> f = lireFichier(b.fic());
    f[2].Photo.definir(b.rep.chemin(nom));
    ecrireFichier(b.fic(), f);
    b.form().executer([&] { b.form().pAfficherEnreg(2); });
    QVERIFY(!b.form().IPhoto->isHidden());
    QCOMPARE(b.form().IPhoto->pixmap().width(), 25);
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::cheminDePlusDe120Caracteres() {
    Banc b;
    QString dossier = QString(60, u'd');
    QDir(b.rep.racine()).mkpath(dossier + u'/' + dossier);
    const QString chemin = b.rep.chemin(dossier + u'/' + dossier + QStringLiteral("/portrait.jpg"));
    QVERIFY(chemin.size() > 120);
    ecrireOctets(chemin, jpegDeTest(8, 8));
    b.form().pAfficherEnreg(2);
    const QString avant = b.disque(2).Photo.texte();
    // A cut path would name no picture at the next display: it is refused.
    b.d.attendreOuverture(chemin).attendreMessage({});
    b.form().BtPhotoClick();
    QVERIFY(b.d.journal().back().contains(QStringLiteral("n'en garde que 120")));
    QVERIFY(b.form().PhotoChoisie().isEmpty());
    b.form().commande(&TForm1::SbEnregistrerClick);
    QCOMPARE(b.disque(2).Photo.texte(), avant);
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::cheminImpossibleEnWindows1252() {
    Banc b;
    const QString chemin = b.rep.chemin(QStringLiteral("Жанна.jpg"));
    ecrireOctets(chemin, jpegDeTest(8, 8));
    b.form().pAfficherEnreg(2);
    b.d.attendreOuverture(chemin).attendreMessage(
        QStringLiteral("Le chemin de cette image contient des caractères que le fichier de "
                       "généalogie ne peut pas enregistrer :\r") +
        chemin +
        QStringLiteral("\rRenommez l'image ou son dossier, puis choisissez-la de nouveau."));
    b.form().BtPhotoClick();
    QVERIFY(b.form().IPhoto->isHidden());
    QVERIFY(b.form().PhotoChoisie().isEmpty());
    QVERIFY(!b.form().Modifie());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::extensionFicJamaisStockee() {
    Banc b;
    const QString fic = b.rep.chemin(QStringLiteral("x.fic"));
    ecrireOctets(fic, {});
    b.d.attendreOuverture(fic).attendreErreur({});
    b.form().commande(&TForm1::BtPhotoClick);
    b.form().SbEnregistrerClick();
    QVERIFY(b.disque(0).Photo.vide());
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::manuel_data() {
    QTest::addColumn<QString>("repertoire");
    QTest::newRow("simple") << "arbre";
    QTest::newRow("avec blancs") << "mes documents/arbre de famille";
}

void TestPortraitsAide::manuel() {
    QFETCH(QString, repertoire);
    RepertoireDeTravail rep;
    QDir(rep.racine()).mkpath(repertoire);
    QDir::setCurrent(rep.chemin(repertoire));
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    s.form.BtAideClick();
    QCOMPARE(d.lancements, QStringList{QStringLiteral("explorer.exe ") + rep.chemin(repertoire) +
                                       QStringLiteral("/GENEA.pdf")});
    VERIFIER_DIALOGUES(d);
}

// Without any PDF viewer, the help button tells where the manual is.
void TestPortraitsAide::manuelSansVisionneuse() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("GENEA.pdf")), "%PDF-1.4");
    DialoguesScriptes d;
    d.visionneusePdf = false;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false)
        .attendreMessage(QStringLiteral("Aucun lecteur de documents PDF n'est installé pour ouvrir "
                                        "le manuel. Vous le trouverez ici :\r%1\rInstallez un "
                                        "lecteur de PDF (Evince ou Okular par exemple) pour "
                                        "l'ouvrir depuis Velmoris.")
                             .arg(rep.chemin(QStringLiteral("GENEA.pdf"))));
    Session s(d);
    s.form.BtAideClick();
    VERIFIER_DIALOGUES(d);
}

// No help viewer and no PDF viewer: the help menu tells where the manual
// is, as the help button does, and the edit in progress stays.
void TestPortraitsAide::fichierDAideSansVisionneuse() {
    Banc b;
    ecrireOctets(b.rep.chemin(QStringLiteral("GENEA.pdf")), "%PDF-1.4");
    b.d.visionneusePdf = false;
    b.form().ENom->setText(QStringLiteral("en cours"));
    b.d.attendreMessage(QStringLiteral("Aucun lecteur de documents PDF n'est installé pour ouvrir "
                                       "le manuel. Vous le trouverez ici :\r%1\rInstallez un "
                                       "lecteur de PDF (Evince ou Okular par exemple) pour "
                                       "l'ouvrir depuis Velmoris.")
                            .arg(b.rep.chemin(QStringLiteral("GENEA.pdf"))));
    b.form().commande(&TForm1::Fichierdaide1Click);
    QCOMPARE(b.d.aides, QStringList{b.rep.racine() + QStringLiteral("/GENEA.HLP")});
    QCOMPARE(b.form().ENom->text(), QStringLiteral("en cours"));
    QVERIFY(b.form().Modifie());
    QCOMPARE(b.disque(0).Nom.texte(), QStringLiteral("AVEC"));
    VERIFIER_DIALOGUES(b.d);
}

void TestPortraitsAide::aProposNeufLignesEtEntree() {
    Banc b;
    QCOMPARE(lignesAPropos().size(), 9);
    QCOMPARE(lignesAPropos().front(), QStringLiteral("Velmoris"));
    QVERIFY(lignesAPropos()[2].startsWith(QStringLiteral("Version ")));
    QVERIFY(lignesAPropos()[5].startsWith(QStringLiteral("Email : ")));
    QVERIFY(lignesAPropos()[6].startsWith(QStringLiteral("Sites : ")));
    QVERIFY(!AboutBox->ProgramIcon->pixmap().isNull());
    QCOMPARE(AboutBox->ProductName->geometry(), QRect(104, 16, 139, 117));
    QCOMPARE(AboutBox->size(), QSize(298, 205));
    QVERIFY(AboutBox->OKButton->isDefault());
    // Enter closes the box, as "OK" does.
    bool fermeParEntree = false;
    b.d.attendreModal([&](QDialog& boite) {
        boite.show();
        QTest::keyClick(&boite, Qt::Key_Return);
        fermeParEntree = !boite.isVisible() && boite.result() == QDialog::Accepted;
        return true;
    });
    b.form().Apropos1Click();
    QVERIFY(fermeParEntree);
    QVERIFY(!AboutBox->isVisible());
    VERIFIER_DIALOGUES(b.d);
}

QTEST_MAIN(TestPortraitsAide)
#include "test_portraits_aide.moc"
