// The settings file, the picture loader, the command wrapper and the scripted dialogs.
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "data/fichier/Texte.h"
#include "platform/ChargeurImage.h"
#include "platform/Commande.h"
#include "platform/DialoguesQt.h"
#include "tests/OutilsTests.h"

#include "app/Demarrage.h"
#include "data/fichier/Preferences.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TestPlateforme : public QObject {
    Q_OBJECT
private slots:
    void iniEcritParWindows();
    void iniCleAbsenteOuFichierAbsent();
    void iniEcrireGardeLesAutresLignes();
    void iniEcrireCreeLeFichier();
    void iniCheminAccentue();
    void iniFichierBinaire();
    void imagesValides_data();
    void imagesValides();
    void imagesRefusees_data();
    void imagesRefusees();
    void imageDimensionsAberrantes();
    void commandeMontreLErreurAvecPoint();
    void commandeAttrapeToutesLesExceptions();
    void dialoguesScriptesSignalentLaBoiteInattendue();
    void filtresQt();
    void partieNomFichier_data();
    void partieNomFichier();
    void dialoguesStandardsEnFrancais();
    void preferencesDansLeursSections();
};

void TestPlateforme::iniEcritParWindows() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    ecrireOctets(
        ini,
        "[Autre]\r\nNomFic=faux\r\n\r\n[fichier]\r\nnomfic = C:\\GENEALOGIE\\FAMILLE.FIC \r\n");
    QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")),
             QStringLiteral("C:\\GENEALOGIE\\FAMILLE.FIC"));
}

void TestPlateforme::iniCleAbsenteOuFichierAbsent() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    QVERIFY(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")).isEmpty());
    ecrireOctets(ini, "[FICHIER]\r\nAutre=1\r\n");
    QVERIFY(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")).isEmpty());
}

void TestPlateforme::iniEcrireGardeLesAutresLignes() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    ecrireOctets(ini, "; "
                      "réglages\r\n[Fenetre]\r\nX=10\r\n[FICHIER]\r\nNomFic=ancien.FIC\r\nAutre="
                      "2\r\n[Fin]\r\nY=3\r\n");
    ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"),
                      QStringLiteral("D:\\Genea\\nouveau.FIC"));
    QCOMPARE(octetsDe(ini),
             QByteArray("; réglages\r\n[Fenetre]\r\nX=10\r\n[FICHIER]\r\n"
                        "NomFic=D:\\Genea\\nouveau.FIC\r\nAutre=2\r\n[Fin]\r\nY=3\r\n"));
}

void TestPlateforme::iniEcrireCreeLeFichier() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"),
                      QStringLiteral("/a/b.FIC"));
    QCOMPARE(octetsDe(ini), QByteArray("[FICHIER]\r\nNomFic=/a/b.FIC\r\n"));
    // A second section gets the key added after its last line.
    ecrireOctets(ini, "[FICHIER]\r\nAutre=1\r\n\r\n[X]\r\nY=2\r\n");
    ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"),
                      QStringLiteral("c.FIC"));
    QCOMPARE(octetsDe(ini),
             QByteArray("[FICHIER]\r\nAutre=1\r\nNomFic=c.FIC\r\n\r\n[X]\r\nY=2\r\n"));
}

void TestPlateforme::iniCheminAccentue() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    for (const QString& chemin :
         {QStringLiteral("/home/hélène/Généalogie.FIC"), QStringLiteral("/home/Жанна/семья.FIC")}) {
        ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"), chemin);
        QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")), chemin);
    }
    // A Windows-written file in its code page.
    ecrireOctets(ini, "[FICHIER]\r\nNomFic=C:\\G\xE9n\xE9"
                      "alogie\\A.FIC\r\n");
    QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")),
             QStringLiteral("C:\\Généalogie\\A.FIC"));
}

void TestPlateforme::iniFichierBinaire() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    QByteArray dechets(4096, '\0');
    for (int i = 0; i < dechets.size(); ++i)
        dechets[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    ecrireOctets(ini, dechets);
    QVERIFY(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")).isEmpty());
    ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"),
                      QStringLiteral("a.FIC"));
    QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")),
             QStringLiteral("a.FIC"));
}

void TestPlateforme::imagesValides_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<int>("largeur");
    QTest::newRow("jpeg couleur") << "a.jpg" << jpegDeTest(40, 30) << 40;
    QTest::newRow("jpeg gris") << "g.JPEG" << jpegDeTest(16, 8, true) << 16;
    QTest::newRow("jpeg progressif") << "p.Jpg" << jpegDeTest(64, 48, false, true) << 64;
    QTest::newRow("bmp") << "b.BMP" << bmpDeTest(12, 10) << 12;
}

void TestPlateforme::imagesValides() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, octets);
    QFETCH(int, largeur);
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(nom), octets);
    const QImage image = chargerImage(rep.chemin(nom));
    QCOMPARE(image.width(), largeur);
    // The test pictures are a reddish colour; grey ones stay grey.
    const QRgb pixel = image.pixel(largeur / 2, image.height() / 2);
    if (nom.startsWith(u'g'))
        QCOMPARE(qRed(pixel), qGreen(pixel));
    else if (nom.startsWith(u'b'))
        QVERIFY(qBlue(pixel) > qRed(pixel));
    else
        QVERIFY(qRed(pixel) > 150 && qGreen(pixel) < 90);
}

void TestPlateforme::imagesRefusees_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("octets");
    const QByteArray jpeg = jpegDeTest(64, 64);
    QTest::newRow("jpeg tronqué") << "t.jpg" << jpeg.left(jpeg.size() / 2);
    QTest::newRow("jpeg vide") << "v.jpg" << QByteArray();
    QTest::newRow("bmp nommé jpg") << "b.jpg" << bmpDeTest(8, 8);
    QTest::newRow("jpeg nommé bmp") << "j.bmp" << jpeg;
    QTest::newRow("extension inconnue") << "x.png" << jpeg;
    QTest::newRow("icône") << "x.ico" << jpeg;
    QTest::newRow("métafichier") << "x.emf" << jpeg;
    QTest::newRow("sans extension") << "jpeg" << jpeg;
    QTest::newRow("déchets") << "d.jpg" << QByteArray(500, '\x42');
    QTest::newRow("absent") << "" << QByteArray();
}

void TestPlateforme::imagesRefusees() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, octets);
    RepertoireDeTravail rep;
    QString chemin = rep.chemin(QStringLiteral("absent.jpg"));
    if (!nom.isEmpty()) {
        chemin = rep.chemin(nom);
        ecrireOctets(chemin, octets);
    }
    try {
        chargerImage(chemin);
        QFAIL("le chargement aurait dû échouer");
    } catch (const ErreurImage& e) {
        QVERIFY(!e.texte().isEmpty());
    }
}

// A header that declares 20000 by 20000 pixels is refused before any allocation.
void TestPlateforme::imageDimensionsAberrantes() {
    QByteArray jpeg = jpegDeTest(8, 8);
    const auto sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(sof > 0);
    jpeg[sof + 5] = static_cast<char>(20000 >> 8);
    jpeg[sof + 6] = static_cast<char>(20000 & 0xFF);
    jpeg[sof + 7] = static_cast<char>(20000 >> 8);
    jpeg[sof + 8] = static_cast<char>(20000 & 0xFF);
    QVERIFY_THROWS_EXCEPTION(ErreurImage, decoderJpeg(jpeg, QStringLiteral("grand.jpg")));
}

void TestPlateforme::commandeMontreLErreurAvecPoint() {
    DialoguesScriptes d;
    d.attendreErreur(QStringLiteral("Fichier introuvable."))
        .attendreErreur(QStringLiteral("'' n'est pas une valeur entière correcte."))
        .attendreErreur(QStringLiteral("Erreur E/S 32."));
    bool suite = false;
    executerCommande(d, [&] {
        throw ErreurES(2);
        suite = true;
    });
    executerCommande(d, [] { versEntier(QString()); });
    executerCommande(d, [] { throw ErreurES(32); });
    QVERIFY(!suite);
    VERIFIER_DIALOGUES(d);
}

void TestPlateforme::commandeAttrapeToutesLesExceptions() {
    DialoguesScriptes d;
    d.attendreErreur(QStringLiteral("boum.")).attendreErreur(QStringLiteral("Erreur inattendue."));
    executerCommande(d, [] { throw std::runtime_error("boum"); });
    executerCommande(d, [] { throw 42; });
    VERIFIER_DIALOGUES(d);
}

void TestPlateforme::dialoguesScriptesSignalentLaBoiteInattendue() {
    DialoguesScriptes d;
    d.message(QStringLiteral("surprise"));
    QCOMPARE(d.fautes().size(), 1);
    DialoguesScriptes e;
    e.attendreQuestion(QStringLiteral("Question ?"), true);
    e.message(QStringLiteral("autre chose"));
    QCOMPARE(e.fautes().size(), 1);
    DialoguesScriptes f;
    f.attendreMessage(QStringLiteral("texte exact"));
    f.message(QStringLiteral("texte différent"));
    QCOMPARE(f.fautes().size(), 1);
    QCOMPARE(f.journal(), QStringList{QStringLiteral("Message: texte différent")});
}

void TestPlateforme::filtresQt() {
    QCOMPARE(filtreQt(QStringLiteral("Fichiers de généalogie |*.FIC")),
             QStringLiteral("Fichiers de généalogie (*.FIC *.fic)"));
    QCOMPARE(filtreQt(QStringLiteral("Fichiers Images (BMP et JPG)|*.JPG;*.BMP")),
             QStringLiteral("Fichiers Images (BMP et JPG) (*.JPG *.jpg *.BMP *.bmp)"));
}

void TestPlateforme::partieNomFichier_data() {
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("nom");
    QTest::newRow("windows") << "C:\\Images\\x.jpg"
                             << "x.jpg";
    QTest::newRow("unix") << "/home/a/y.BMP"
                          << "y.BMP";
    QTest::newRow("lecteur") << "C:z.jpg"
                             << "z.jpg";
    QTest::newRow("nu") << "w.jpg"
                        << "w.jpg";
}

void TestPlateforme::partieNomFichier() {
    QFETCH(QString, chemin);
    QFETCH(QString, nom);
    QCOMPARE(::partieNomFichier(chemin), nom);
}

// Qt's own dialogs and the edits' menus speak French, as the program does.
void TestPlateforme::dialoguesStandardsEnFrancais() {
    preparerApplication();
    QMessageBox boite;
    boite.setStandardButtons(QMessageBox::Cancel | QMessageBox::Save);
    QCOMPARE(boite.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Annuler"));
    QCOMPARE(boite.button(QMessageBox::Save)->text().remove(u'&'), QStringLiteral("Enregistrer"));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList textes;
    for (const QAction* a : menu->actions())
        textes << a->text().remove(u'&');
    QVERIFY2(textes.join(u'|').contains(QStringLiteral("Tout sélectionner")),
             qPrintable(textes.join(u'|')));
}

// The display size and the recent files have sections of their own; the
// genealogy file's name stays alone in [FICHIER].
void TestPlateforme::preferencesDansLeursSections() {
    RepertoireDeTravail rep;
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    ini::ecrireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic"),
                      QStringLiteral("a.FIC"));
    preferences::ecrireTailleAffichage(ini, QStringLiteral("150"));
    QStringList recents;
    for (const char* f : {"a.FIC", "b.FIC", "c.FIC", "a.FIC", "d.FIC", "e.FIC"})
        recents = preferences::avecRecent(recents, QString::fromLatin1(f));
    preferences::ecrireFichiersRecents(ini, recents);
    QCOMPARE(preferences::lireFichiersRecents(ini),
             (QStringList{"e.FIC", "d.FIC", "a.FIC", "c.FIC"}));
    QCOMPARE(preferences::lireTailleAffichage(ini), QStringLiteral("150"));
    QCOMPARE(preferences::facteurAffichage(QStringLiteral("150")), 1.5);
    QCOMPARE(preferences::facteurAffichage(QStringLiteral("Automatique")), 0.0);
    const QString texte = QString::fromLatin1(octetsDe(ini));
    QVERIFY(texte.startsWith(QStringLiteral("[FICHIER]\r\nNomFic=a.FIC\r\n[AFFICHAGE]")));
}

QTEST_MAIN(TestPlateforme)
#include "test_plateforme.moc"
