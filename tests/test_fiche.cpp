// The person record codec and the Windows-1252 texts.
#include "data/fichier/Cp1252.h"
#include "data/fichier/TFiche.h"
#include "tests/OutilsTests.h"

#include <QtTest>

class TestFiche : public QObject {
    Q_OBJECT
private slots:
    void chaqueChampASonDecalage_data();
    void chaqueChampASonDecalage();
    void entiersPetitBoutiste();
    void encodageDecodageIdentiques();
    void texteCoupeALaLargeur_data();
    void texteCoupeALaLargeur();
    void longueurAberranteLueCommeLaLargeur();
    void octetsApresLaLongueurConserves();
    void viderFicheGardeLIdentite();
    void cp1252TousLesOctetsAllerRetour();
    void cp1252CaracteresSpeciaux_data();
    void cp1252CaracteresSpeciaux();
    void cp1252CaractereImpossibleDevientPointInterrogation();
    void motQualite();
};

// Writes a distinctive text in one field and checks where its bytes land.
void TestFiche::chaqueChampASonDecalage_data() {
    QTest::addColumn<int>("champ");
    QTest::addColumn<int>("decalage");
    QTest::addColumn<int>("largeur");
    const int decalages[] = {1, 32, 58, 84, 95, 106, 117, 148, 179, 259};
    const int largeurs[] = {30, 25, 25, 10, 10, 10, 30, 30, 30, 120};
    const char* noms[] = {"Profession",  "Nom",       "Prenom",        "DateNaissance",
                          "DateMariage", "DateDeces", "LieuNaissance", "LieuMariage",
                          "LieuDeces",   "Photo"};
    for (int i = 0; i < 10; ++i)
        QTest::newRow(noms[i]) << i << decalages[i] << largeurs[i];
}

void TestFiche::chaqueChampASonDecalage() {
    QFETCH(int, champ);
    QFETCH(int, decalage);
    QFETCH(int, largeur);
    TFiche f;
    const QString texte(largeur, QChar(u'A' + champ));
    switch (champ) {
    case 0:
        f.Profession.definir(texte);
        break;
    case 1:
        f.Nom.definir(texte);
        break;
    case 2:
        f.Prenom.definir(texte);
        break;
    case 3:
        f.DateNaissance.definir(texte);
        break;
    case 4:
        f.DateMariage.definir(texte);
        break;
    case 5:
        f.DateDeces.definir(texte);
        break;
    case 6:
        f.LieuNaissance.definir(texte);
        break;
    case 7:
        f.LieuMariage.definir(texte);
        break;
    case 8:
        f.LieuDeces.definir(texte);
        break;
    case 9:
        f.Photo.definir(texte);
        break;
    }
    const QByteArray octets = octetsFiche(f);
    QCOMPARE(octets.size(), 380);
    QCOMPARE(static_cast<unsigned char>(octets[decalage]), static_cast<unsigned char>(largeur));
    QCOMPARE(octets.mid(decalage + 1, largeur), QByteArray(largeur, char('A' + champ)));
    // Nothing spills into the next byte.
    if (decalage + 1 + largeur < 380) QCOMPARE(octets[decalage + 1 + largeur], '\0');
}

void TestFiche::entiersPetitBoutiste() {
    TFiche f;
    f.Qualite = 2;
    f.NbEnfants = 0xAB;
    f.Pere = 0x01020304;
    f.Mere = -1;
    for (int i = 0; i < 10; ++i)
        f.Enfants[i] = 100 + i;
    const QByteArray o = octetsFiche(f);
    QCOMPARE(o[0], '\x02');
    QCOMPARE(static_cast<unsigned char>(o[210]), 0xABu);
    QCOMPARE(o.mid(211, 4), QByteArray("\x04\x03\x02\x01", 4));
    QCOMPARE(o.mid(215, 4), QByteArray("\xFF\xFF\xFF\xFF", 4));
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(static_cast<unsigned char>(o[219 + 4 * i]), static_cast<unsigned char>(100 + i));
        QCOMPARE(o.mid(220 + 4 * i, 3), QByteArray(3, '\0'));
    }
}

void TestFiche::encodageDecodageIdentiques() {
    // Any 380 bytes, decoded then encoded, come back unchanged: remnants included.
    QByteArray octets(380, '\0');
    for (int i = 0; i < 380; ++i)
        octets[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    TFiche f;
    decoderFiche(reinterpret_cast<const std::uint8_t*>(octets.constData()), f);
    QCOMPARE(octetsFiche(f), octets);
}

void TestFiche::texteCoupeALaLargeur_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("court") << "Jean"
                           << "Jean";
    QTest::newRow("exactement 25") << QString(25, u'x') << QString(25, u'x');
    QTest::newRow("30 coupé à 25")
        << (QString(25, u'a') + QStringLiteral("bbbbb")) << QString(25, u'a');
    QTest::newRow("vide") << QString() << QString();
}

void TestFiche::texteCoupeALaLargeur() {
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    TFiche f;
    f.Prenom.definir(texte);
    QCOMPARE(f.Prenom.texte(), attendu);
    QCOMPARE(static_cast<int>(f.Prenom.longueur), attendu.size());
}

void TestFiche::longueurAberranteLueCommeLaLargeur() {
    QByteArray octets(380, 'Z');
    octets[32] = static_cast<char>(200); // Nom, width 25
    octets[84] = static_cast<char>(11);  // DateNaissance, width 10
    TFiche f;
    decoderFiche(reinterpret_cast<const std::uint8_t*>(octets.constData()), f);
    QCOMPARE(f.Nom.texte(), QString(25, u'Z'));
    QCOMPARE(f.DateNaissance.texte().size(), 10);
}

void TestFiche::octetsApresLaLongueurConserves() {
    TFiche f;
    f.Nom.definir(QStringLiteral("DUPONTEL"));
    f.Nom.definir(QStringLiteral("DUP"));
    QCOMPARE(f.Nom.texte(), QStringLiteral("DUP"));
    const QByteArray o = octetsFiche(f);
    QCOMPARE(o.mid(32, 9), QByteArray("\x03"
                                      "DUPONTEL"));
}

void TestFiche::viderFicheGardeLIdentite() {
    TFiche f =
        personne(QStringLiteral("MARTIN"), QStringLiteral("Anne"), 1, QStringLiteral("01/02/1900"));
    f.LieuNaissance.definir(QStringLiteral("Lyon"));
    f.Photo.definir(QStringLiteral("/photos/anne.jpg"));
    f.NbEnfants = 3;
    f.Pere = 4;
    f.Mere = 5;
    f.Enfants = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const QByteArray avant = octetsFiche(f);
    ViderFiche(f);
    QCOMPARE(f.NbEnfants, 0);
    QCOMPARE(f.Pere, -1);
    QCOMPARE(f.Mere, -1);
    for (int e : f.Enfants)
        QCOMPARE(e, -1);
    const QByteArray apres = octetsFiche(f);
    QCOMPARE(apres[259], '\0');
    QCOMPARE(apres.left(210), avant.left(210)); // title, names, dates, places, occupation
    QCOMPARE(apres.mid(260), avant.mid(260));   // photo bytes left as they were
}

void TestFiche::cp1252TousLesOctetsAllerRetour() {
    QByteArray tous(256, '\0');
    for (int i = 0; i < 256; ++i)
        tous[i] = static_cast<char>(i);
    const QString texte = cp1252::decoder(tous);
    QCOMPARE(texte.size(), 256);
    QCOMPARE(cp1252::encoder(texte), tous);
    for (unsigned char indefini : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        QCOMPARE(texte[indefini].unicode(), static_cast<char16_t>(indefini));
}

void TestFiche::cp1252CaracteresSpeciaux_data() {
    QTest::addColumn<QString>("caractere");
    QTest::addColumn<int>("octet");
    QTest::newRow("euro") << QStringLiteral("€") << 0x80;
    QTest::newRow("oe") << QStringLiteral("œ") << 0x9C;
    QTest::newRow("OE") << QStringLiteral("Œ") << 0x8C;
    QTest::newRow("apostrophe") << QStringLiteral("’") << 0x92;
    QTest::newRow("e aigu") << QStringLiteral("é") << 0xE9;
    QTest::newRow("E aigu") << QStringLiteral("É") << 0xC9;
    QTest::newRow("c cedille") << QStringLiteral("ç") << 0xE7;
}

void TestFiche::cp1252CaracteresSpeciaux() {
    QFETCH(QString, caractere);
    QFETCH(int, octet);
    const QByteArray o = cp1252::encoder(caractere);
    QCOMPARE(o.size(), 1);
    QCOMPARE(static_cast<unsigned char>(o[0]), static_cast<unsigned char>(octet));
    QCOMPARE(cp1252::decoder(o), caractere);
}

void TestFiche::cp1252CaractereImpossibleDevientPointInterrogation() {
    QCOMPARE(cp1252::encoder(QStringLiteral("a\u0416b")), QByteArray("a?b"));
    QCOMPARE(cp1252::encoder(QStringLiteral("x😀y")), QByteArray("x?y")); // one character, one "?"
    QVERIFY(!cp1252::representable(QStringLiteral("Ж")));
    QVERIFY(cp1252::representable(QStringLiteral("Hélène Œuvre €")));
}

void TestFiche::motQualite() {
    QCOMPARE(::motQualite(0), QStringLiteral("Monsieur"));
    QCOMPARE(::motQualite(1), QStringLiteral("Madame"));
    QCOMPARE(::motQualite(2), QStringLiteral("Mademoiselle"));
    QVERIFY(::motQualite(255).isEmpty());
}

QTEST_GUILESS_MAIN(TestFiche)
#include "test_fiche.moc"
