// The whole file of a person edited: a fact read and written back without
// losing a line, a fact added with a new source and undone, a second union
// with its marriage and its children by birth and by adoption.
#include "data/complements/Complements.h"
#include "data/complements/Faits.h"
#include "forms/UVelmorS.h"
#include "forms/uChoixPersonne.h"
#include "forms/uFait.h"
#include "forms/uFicheComplete.h"
#include "forms/uLieux.h"
#include "forms/uSources.h"
#include "tests/OutilsTests.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

// DUPONT Pierre (0), MARTIN Anne (1), DUPONT Jean (2), LE GALL Yves (3).
struct Banc {
    Banc() {
        TFiche pierre = personne(QStringLiteral("DUPONT"), QStringLiteral("Pierre"));
        TFiche anne = personne(QStringLiteral("MARTIN"), QStringLiteral("Anne"));
        anne.Qualite = 1;
        ecrireFichier(fic(),
                      {pierre, anne, personne(QStringLiteral("DUPONT"), QStringLiteral("Jean")),
                       personne(QStringLiteral("LE GALL"), QStringLiteral("Yves"))});
        session = std::make_unique<Session>(d);
        form().pAfficherEnreg(0);
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

TFicheComplete& fiche(QDialog& d) {
    return dynamic_cast<TFicheComplete&>(d);
}

// The person's choice in the index, by a filter that finds them first.
std::function<bool(QDialog&)> choisir(const QString& filtre) {
    return [filtre](QDialog& d) {
        auto& choix = dynamic_cast<TChoixPersonne&>(d);
        choix.EFiltre->setText(filtre);
        return choix.ficheChoisie() >= 0;
    };
}

// A baptism of a new child of Pierre's at `lieu`, cited in a register.
void baptiser(Banc& b, const QString& prenom, const QString& lieu) {
    Acte acte;
    acte.genre = GenreActe::Bapteme;
    acte.date = QStringLiteral("12/03/1790");
    acte.lieu = lieu;
    acte.source = {QStringLiteral("AD Finistère"), QStringLiteral("Morlaix"),
                   registresConnus().front(),      QStringLiteral("1790"),
                   QStringLiteral("3 E 152/4"),    QStringLiteral("34"),
                   QStringLiteral("12"),           {}};
    acte.personnes.resize(rolesDe(GenreActe::Bapteme).size());
    acte.personnes[0].nom = QStringLiteral("DUPONT");
    acte.personnes[0].prenoms = prenom;
    acte.personnes[1].fiche = 0;
    b.form().seance().enregistrerActe(acte);
}

// The place of that name chosen in the tree, its branch opened by the filter.
void choisirLieu(TLieux& l, const QString& libelle) {
    l.EFiltre->setText(libelle);
    const auto trouves = l.Arbre->findItems(libelle, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!trouves.isEmpty());
    l.Arbre->setCurrentItem(trouves.front());
}

} // namespace

class TestFicheComplete : public QObject {
    Q_OBJECT
private slots:
    void faitReecritSansPerdreUneLigne_data();
    void faitReecritSansPerdreUneLigne();
    void faitAjouteAvecUneNouvelleSourcePuisAnnule();
    void secondeUnionAvecMariageEtEnfants();
    void dateEntiereDuMariageDansLaPremiereUnion();
    void lieuxFusionnesRenommesEtSitues();
    void sourcesAvecCeQuEllesProuvent();
};

void TestFicheComplete::faitReecritSansPerdreUneLigne_data() {
    QTest::addColumn<QString>("origine");
    QTest::addColumn<QString>("attendu");
    const QString bapteme = "1 BAPM\n2 DATE 1 JAN 1750\n2 _PRIEST Kerbrat\n2 SOUR @S1@\n3 PAGE "
                            "vue 3\n3 QUAY 3\n";
    QTest::newRow("date changée, le reste gardé")
        << bapteme
        << "1 BAPM\n2 DATE 2 JAN 1750\n2 _PRIEST Kerbrat\n2 SOUR @S1@\n3 PAGE vue 3\n3 QUAY 3\n";
    QTest::newRow("un nouveau fait")
        << ""
        << "1 OCCU tisserand\n2 DATE 2 JAN 1750\n2 SOUR @S1@\n3 PAGE vue 3\n";
}

// The fact editor's changes replace their lines only: a tag of another
// program and a citation's quality stay.
void TestFicheComplete::faitReecritSansPerdreUneLigne() {
    QFETCH(QString, origine);
    QFETCH(QString, attendu);
    FaitSaisi f = lireFait(origine.toStdString());
    if (origine.isEmpty()) {
        f.etiquette = "OCCU";
        f.valeur = "tisserand";
        f.citations.push_back({"@S1@", "vue 3", -1});
    } else {
        QCOMPARE(f.citations.size(), std::size_t(1));
        QCOMPARE(f.citations.front().page, std::string("vue 3"));
    }
    f.date = "2 JAN 1750";
    QCOMPARE(QString::fromStdString(ecrireFait(f, origine.toStdString())), attendu);
}

// An event added in the window, cited in a source created there: two
// entries of the history, each undone on its own.
void TestFicheComplete::faitAjouteAvecUneNouvelleSourcePuisAnnule() {
    Banc b;
    const QByteArray avant = octetsDe(b.fic());
    QStringList liste;
    b.d.attendreModal([&](QDialog& d) {
        TFicheComplete& f = fiche(d);
        f.listes[TFicheComplete::Evenements].ajouter->click();
        liste << f.listes[TFicheComplete::Evenements].liste->item(0)->text();
        f.listes[TFicheComplete::Medias].ajouter->click();
        liste << f.listes[TFicheComplete::Medias].liste->item(0)->text();
        return false;
    });
    b.d.attendreModal([](QDialog& d) {
        auto& fait = dynamic_cast<TFait&>(d);
        fait.CbGenre->setCurrentIndex(fait.CbGenre->findText(QStringLiteral("Profession")));
        fait.EValeur->setText(QStringLiteral("tisserand"));
        fait.EDate->setText(QStringLiteral("vers 1780"));
        fait.ELieu->setText(QStringLiteral("Morlaix, Finistère"));
        fait.BtNouvelleSource->click();
        fait.Citations->item(0, 1)->setText(QStringLiteral("vue 12"));
        return true;
    });
    b.d.attendreSaisie(QStringLiteral("Titre de la source (par exemple « Morlaix, registres "
                                      "paroissiaux (BMS), 1700-1710 ») :"),
                       QStringLiteral("Rôles de la taille, Morlaix"));
    b.d.attendreOuverture(QStringLiteral("/archives/acte 12.jpg"));
    b.form().Complements1Click();
    VERIFIER_DIALOGUES(b.d);
    QCOMPARE(liste,
             (QStringList{QStringLiteral(
                              "Profession : tisserand — vers 1780, Morlaix, Finistère — 1 source"),
                          QStringLiteral("acte 12 (/archives/acte 12.jpg)")}));
    QVERIFY(exporterAvecComplements(b.fic()).contains(
        "1 OBJE\r\n2 FILE /archives/acte 12.jpg\r\n3 FORM jpg\r\n2 TITL acte "
        "12\r\n"));
    b.form().Annuler1Click();
    QVERIFY(exporterAvecComplements(b.fic()).contains(
        "1 OCCU tisserand\r\n2 DATE ABT 1780\r\n2 PLAC Morlaix, Finistère\r\n2 "
        "SOUR @VS1@\r\n3 PAGE vue 12\r\n"));
    QVERIFY(b.form().Annuler1->text().startsWith(
        QStringLiteral("Annuler la fiche complète de DUPONT Pierre (ajout : Profession")));
    b.form().Annuler1Click();
    QVERIFY(!exporterAvecComplements(b.fic()).contains("OCCU"));
    QVERIFY(exporterAvecComplements(b.fic()).contains("1 TITL Rôles de la taille, Morlaix"));
    b.form().Annuler1Click();
    QVERIFY(!exporterAvecComplements(b.fic()).contains("Rôles de la taille"));
    QCOMPARE(octetsDe(b.fic()), avant);
}

// A second union for Pierre, married to Anne: the marriage goes to both
// records (neither had one), Anne is one of his spouses, Jean his son by
// birth in the records too, Yves adopted in the store only.
void TestFicheComplete::secondeUnionAvecMariageEtEnfants() {
    Banc b;
    QStringList unions, enfants;
    b.d.attendreModal([&](QDialog& d) {
        TFicheComplete& f = fiche(d);
        f.BtAjouterUnion->click();
        f.ListeUnions->setCurrentRow(0);
        f.evenementsUnion.ajouter->click();
        f.BtAjouterEnfant->click();
        f.BtAjouterEnfant->click();
        for (int i = 0; i < f.ListeUnions->count(); ++i)
            unions << f.ListeUnions->item(i)->text();
        for (int i = 0; i < f.EnfantsUnion->count(); ++i)
            enfants << f.EnfantsUnion->item(i)->text();
        return false;
    });
    b.d.attendreChoix(QStringLiteral("Avec qui est cette union ?"), 0);
    b.d.attendreModal(choisir(QStringLiteral("martin anne")));
    b.d.attendreModal([](QDialog& d) {
        auto& fait = dynamic_cast<TFait&>(d);
        fait.CbGenre->setCurrentIndex(fait.CbGenre->findText(QStringLiteral("Mariage civil")));
        fait.EDate->setText(QStringLiteral("12/05/1820"));
        fait.ELieu->setText(QStringLiteral("Morlaix"));
        return true;
    });
    b.d.attendreModal(choisir(QStringLiteral("dupont jean")));
    b.d.attendreChoix(QStringLiteral("DUPONT Jean : enfant de cette union par…"), 0);
    b.d.attendreModal(choisir(QStringLiteral("le gall")));
    b.d.attendreChoix(QStringLiteral("LE GALL Yves : enfant de cette union par…"), 1);
    b.form().Complements1Click();
    VERIFIER_DIALOGUES(b.d);
    QCOMPARE(unions, QStringList{QStringLiteral(
                         "Avec MARTIN Anne (fiche 1) — Mariage civil — 12 mai 1820, Morlaix")});
    QCOMPARE(enfants, (QStringList{QStringLiteral("DUPONT Jean (fiche 2)"),
                                   QStringLiteral("LE GALL Yves (fiche 3), adoption")}));
    const std::vector<TFiche> f = lireFichier(b.fic());
    QCOMPARE(f[0].DateMariage.texte(), QStringLiteral("12/05/1820"));
    QCOMPARE(f[1].LieuMariage.texte(), QStringLiteral("Morlaix"));
    QCOMPARE(f[2].Pere, 0);
    QCOMPARE(f[2].Mere, 1);
    QCOMPARE(f[3].Pere, -1); // adopted: the records hold birth parents only
    const auto base = Complements::ouvrir(b.fic(), false);
    FichierDisque fichier;
    fichier.ouvrir(b.fic());
    FamillesDesComplements familles(*base, fichier);
    QCOMPARE(familles.conjoints(0, f[0]), std::vector<std::int32_t>{1});
    const QByteArray gedcom = exporterAvecComplements(b.fic());
    QVERIFY(gedcom.contains("1 MARR\r\n2 TYPE civil\r\n2 DATE 12 MAY 1820\r\n2 PLAC Morlaix\r\n"));
    QVERIFY(gedcom.contains("2 PEDI adopted"));
}

// A Republican marriage date typed on the form: whole in the first union,
// shown under the field; without a union, the user is told where to add it.
void TestFicheComplete::dateEntiereDuMariageDansLaPremiereUnion() {
    Banc b;
    {
        const auto base = Complements::ouvrir(b.fic(), true);
        const std::vector<TFiche> f = lireFichier(b.fic());
        base->ajouterAuCouple({0, &f[0]}, {1, &f[1]}, "1 MARR\n2 PLAC Morlaix\n");
    }
    b.session = std::make_unique<Session>(b.d);
    for (const int n : {0, 2}) {
        b.form().pAfficherEnreg(n);
        b.form().EDM->setText(QStringLiteral("12 vendémiaire an IV"));
        if (n == 2)
            b.d.attendreMessage(QStringLiteral(
                "La fiche garde « 04/10/1795 » de la date de mariage. Pour garder la date "
                "entière, ajoutez l'union dans la fiche complète (Ctrl+K), puis tapez la date à "
                "nouveau."));
        b.form().SbEnregistrerClick();
        VERIFIER_DIALOGUES(b.d);
        QCOMPARE(b.form().EDM->text(), QStringLiteral("04/10/1795"));
    }
    b.form().pAfficherEnreg(0);
    QCOMPARE(b.form().LDateM->text(), QStringLiteral("12 vendémiaire an IV"));
    QVERIFY(exporterAvecComplements(b.fic()).contains(
        "1 MARR\r\n2 DATE @#DFRENCH R@ 12 VEND 4\r\n2 PLAC Morlaix\r\n"));
}

// A place typed two ways merged, a lieu-dit renamed, a commune given its
// code and coordinates, (0, 0) refused: each one entry of the history, and
// every event says the new names.
void TestFicheComplete::lieuxFusionnesRenommesEtSitues() {
    Banc b;
    baptiser(b, QStringLiteral("Yves"), QStringLiteral("Kerozar, Morlaix, Finistère"));
    baptiser(b, QStringLiteral("Hervé"), QStringLiteral("Morlaix, Finistere"));
    const QString coordonneesNulles = QStringLiteral("0 ; 0");
    b.d.attendreModal([&](QDialog& d) {
        auto& l = dynamic_cast<TLieux&>(d);
        choisirLieu(l, QStringLiteral("Finistere"));
        l.BtFusionner->click();
        choisirLieu(l, QStringLiteral("Kerozar"));
        l.BtRenommer->click();
        choisirLieu(l, QStringLiteral("Morlaix"));
        l.BtDefinir->click();
        l.BtDefinir->click();
        return false;
    });
    b.d.attendreSaisie(QStringLiteral("Fusionner « Finistere » avec quel lieu ? Tapez son nom "
                                      "entier (« Morlaix, Finistère, France ») :"),
                       QStringLiteral("finistère"));
    b.d.attendreConfirmation(QStringLiteral("Fusionner « Finistere » dans « Finistère » ? Ses "
                                            "événements et les lieux qu'il contient passent à "
                                            "« Finistère ». (Édition › Annuler la défait.)"),
                             true);
    b.d.attendreSaisie(QStringLiteral("Nouveau nom de « Kerozar, Morlaix, Finistère » (sans les "
                                      "lieux qui le contiennent) :"),
                       QStringLiteral("Kérozar"));
    b.d.attendreSaisie(QStringLiteral("Code INSEE de « Morlaix, Finistère » (vide s'il n'en a "
                                      "pas) :"),
                       QStringLiteral("29151"));
    b.d.attendreSaisie(QStringLiteral("Latitude et longitude de « Morlaix, Finistère » en degrés, "
                                      "séparées par un point-virgule (48,5775 ; -3,8272), vides "
                                      "s'il n'en a pas :"),
                       QStringLiteral("48,5775 ; -3,8272"));
    b.d.attendreSaisie(QStringLiteral("Code INSEE de « Morlaix, Finistère » (vide s'il n'en a "
                                      "pas) :"),
                       QStringLiteral("29151"));
    b.d.attendreSaisie(QStringLiteral("Latitude et longitude de « Morlaix, Finistère » en degrés, "
                                      "séparées par un point-virgule (48,5775 ; -3,8272), vides "
                                      "s'il n'en a pas :"),
                       coordonneesNulles);
    b.d.attendreErreur(QStringLiteral("Les coordonnées (0, 0) sont un point de l'océan au large "
                                      "de l'Afrique, le blanc de certains programmes : elles ne "
                                      "sont pas gardées."));
    b.form().Lieux1Click();
    VERIFIER_DIALOGUES(b.d);
    const QByteArray gedcom = exporterAvecComplements(b.fic());
    QVERIFY(gedcom.contains("2 PLAC Kérozar, Morlaix, Finistère\r\n"));
    QVERIFY(gedcom.contains("2 PLAC Morlaix, Finistère\r\n"));
    QVERIFY(!gedcom.contains("Finistere"));
    const auto base = Complements::ouvrir(b.fic(), false);
    QStringList lieux;
    for (const LieuConnu& l : base->lieux())
        lieux << l.nom + u'|' + l.insee + (l.coordonnees ? QStringLiteral("|situé") : QString());
    lieux.sort();
    QCOMPARE(lieux, (QStringList{QStringLiteral("Finistère|"),
                                 QStringLiteral("Kérozar, Morlaix, Finistère|"),
                                 QStringLiteral("Morlaix, Finistère|29151|situé")}));
    // Three changes, taken back one by one: the place typed two ways comes back.
    for (int i = 0; i < 3; ++i)
        b.form().Annuler1Click();
    QVERIFY(exporterAvecComplements(b.fic()).contains("2 PLAC Morlaix, Finistere\r\n"));
}

// A source listed with its repository and call number, what it proves
// person by person; a double-click shows the person.
void TestFicheComplete::sourcesAvecCeQuEllesProuvent() {
    Banc b;
    baptiser(b, QStringLiteral("Yves"), QStringLiteral("Morlaix"));
    QStringList ligne, citations;
    b.d.attendreModal([&](QDialog& d) {
        auto& s = dynamic_cast<TSources&>(d);
        for (int c = 0; c < s.TableSources->columnCount(); ++c)
            ligne << s.TableSources->item(0, c)->text();
        for (int i = 0; i < s.ListeCitations->count(); ++i)
            citations << s.ListeCitations->item(i)->text();
        s.EFiltre->setText(QStringLiteral("autre chose"));
        if (!s.TableSources->isRowHidden(0)) return false;
        s.ListeCitations->setCurrentRow(0);
        emit s.ListeCitations->itemDoubleClicked(s.ListeCitations->item(0));
        return true;
    });
    b.form().Sources1Click();
    VERIFIER_DIALOGUES(b.d);
    QCOMPARE(ligne, (QStringList{QStringLiteral("Morlaix, registres paroissiaux (BMS), 1790"),
                                 QStringLiteral("AD Finistère"), QStringLiteral("3 E 152/4"),
                                 QStringLiteral("1"), QStringLiteral("1")}));
    QCOMPARE(citations,
             QStringList{QStringLiteral("DUPONT Yves (fiche 4) — Baptême — vue 34, acte n° 12")});
    QCOMPARE(b.form().EPrenom->text(), QStringLiteral("Yves"));
}

QTEST_MAIN(TestFicheComplete)
#include "test_fiche_complete.moc"
