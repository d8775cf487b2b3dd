// Nothing lost, nothing crashes: every command that touches the genealogy
// file, with a failure at each of its steps in turn; files changed by
// another program between two commands; a catalogue of bad inputs.
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uLien.h"
#include "platform/ChargeurImage.h"
#include "platform/Imprimante.h"
#include "print/uImprime.h"
#include "tests/FichierDefaillant.h"
#include "tests/OutilsTests.h"

#include <QBuffer>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QtTest>

#include <cstring>

namespace {

// Dialogs that answer as a willing user and note every box: Yes to every
// question, the first line of every list, the copy's path in the open dialog.
class DialoguesLibres : public Dialogues {
public:
    QStringList journal;
    QString cheminOuvrir;
    void message(const QString& t) override { journal << QStringLiteral("Message: ") + t; }
    bool questionAvertissement(const QString& t) override {
        journal << QStringLiteral("Question: ") + t;
        return true;
    }
    bool questionAttention(const QString& t) override { return questionAvertissement(t); }
    Reponse questionAvecAnnulation(const QString& t) override {
        questionAvertissement(t);
        return Reponse::Oui;
    }
    bool confirmer(const QString& t) override { return questionAvertissement(t); }
    int choix(const QString& t, const QStringList&) override {
        journal << QStringLiteral("Choix: ") + t;
        return 0;
    }
    void erreur(const QString& t) override { journal << QStringLiteral("Erreur: ") + t; }
    std::optional<QString> ouvrirFichier(const ParametresDialogueFichier&) override {
        return cheminOuvrir;
    }
    std::optional<QString> enregistrerFichier(const ParametresDialogueFichier&) override {
        return {};
    }
    QString saisie(const QString&, const QString& question, const QString&) override {
        return question.contains(QStringLiteral("nom ")) ? QStringLiteral("DURAND") : QString();
    }
    void configurerImprimante(QPrinter&) override {}
    void apercu(QPrinter&, const std::function<void(QPrinter&)>&,
                const std::function<void()>&) override {}
    bool lancer(const QString&) override { return true; }
    void afficherSommaireAide(const QString&) override {}
    bool executerModal(QDialog& dialogue) override {
        if (&dialogue == FormLien) {
            FormLien->selectionner(FormLien->LBPere, 0);
            FormLien->selectionner(FormLien->LBMere, 0);
            FormLien->LbOrdreP->setCurrentRow(1);
            FormLien->LBordreM->setCurrentRow(1);
            return true;
        }
        if (&dialogue == Form2 && Form2->nombreLignes() > 0) Form2->selectionnerLigne(0);
        return false;
    }
    int erreurs() const {
        return static_cast<int>(journal.filter(QStringLiteral("Erreur: ")).size());
    }
};

class ImprimanteNulle : public Imprimante {
public:
    void definirTitre(const QString&) override {}
    void definirOrientation(Orientation) override {}
    void commencer() override {}
    void choisirPolice(const QString&, int) override {}
    void ecrireLigne(const QString&) override {}
    void terminer() override {}
};

std::vector<TFiche> famille() {
    TFiche pere = personne(QStringLiteral("DURAND"), QStringLiteral("Pierre"), 0,
                           QStringLiteral("01/01/1900"));
    TFiche mere = personne(QStringLiteral("LEBLANC"), QStringLiteral("Marie"), 1,
                           QStringLiteral("02/02/1902"));
    pere.DateMariage.definir(QStringLiteral("05/05/1925"));
    mere.DateMariage.definir(QStringLiteral("05/05/1925"));
    pere.NbEnfants = mere.NbEnfants = 1;
    pere.Enfants[0] = mere.Enfants[0] = 2;
    TFiche enfant =
        personne(QStringLiteral("DURAND"), QStringLiteral("Paul"), 0, QStringLiteral("03/03/1930"));
    enfant.Pere = 0;
    enfant.Mere = 1;
    return {
        pere, mere, enfant,
        personne(QStringLiteral("AUTRE"), QStringLiteral("Jean"), 0, QStringLiteral("04/04/1931")),
        personne(QStringLiteral("DERNIER"), QStringLiteral("Luc"), 0,
                 QStringLiteral("05/05/1932"))};
}

const QString Saisi = QStringLiteral("SAISI");

struct Scenario {
    const char* nom;
    std::function<void(TForm1&)> preparer; // the state before the command
    std::function<void(TForm1&)> commande;
    bool garderSaisie = false; // unsaved typing must survive a failure before any write
};

void taper(TForm1& f) {
    f.ENom->setText(Saisi);
}

std::vector<Scenario> scenarios() {
    auto sur = [](int n) { return [n](TForm1& f) { f.pAfficherEnreg(n); }; };
    auto surEtSaisie = [](int n) {
        return [n](TForm1& f) {
            f.pAfficherEnreg(n);
            taper(f);
        };
    };
    auto cmd = [](void (TForm1::*g)()) { return [g](TForm1& f) { f.commande(g); }; };
    return {
        {"enregistrer en place", surEtSaisie(3), cmd(&TForm1::SbEnregistrerClick), true},
        {"enregistrer une nouvelle",
         [](TForm1& f) {
             f.SbNouveauClick();
             taper(f);
         },
         cmd(&TForm1::SbEnregistrerClick), true},
        {"nouveau avec enregistrement", surEtSaisie(3), cmd(&TForm1::SbNouveauClick), true},
        {"suivant avec enregistrement", surEtSaisie(2), cmd(&TForm1::BtSuivantClick), true},
        {"première", sur(2), cmd(&TForm1::SbDebutClick)},
        {"précédente", sur(2), cmd(&TForm1::SbPrecedentClick)},
        {"dernière", sur(2), cmd(&TForm1::SbFinClick)},
        {"père", sur(2), cmd(&TForm1::BTPereClick)},
        {"mère", sur(2), cmd(&TForm1::BtMereClick)},
        {"enfants", sur(0), cmd(&TForm1::BtEnfantClick)},
        {"conjoint", sur(0), cmd(&TForm1::BtConjointClick)},
        {"supprimer la dernière", sur(4), cmd(&TForm1::SbSupprimerClick)},
        {"changer nom", sur(2), cmd(&TForm1::SbSupprimerClick)},
        {"lier les parents", sur(3), cmd(&TForm1::SBChainerClick)},
        {"briser les liens", sur(2), cmd(&TForm1::SbBriseChainClick)},
        {"arbre", sur(2), cmd(&TForm1::SbArbreClick)},
        {"rechercher", sur(3), cmd(&TForm1::SbRechercherClick)},
        {"imprimer", sur(2), cmd(&TForm1::Imprimer1Click)},
        {"enregistrer sous", sur(2), cmd(&TForm1::Enregistrersous1Click)},
        {"ouvrir", sur(2), cmd(&TForm1::Ouvrir1Click)},
    };
}

// One run of a scenario, with the n-th operation of the command failing.
struct Essai {
    Essai(const Scenario& s, int echec, int code) {
        ecrireFichier(fic(), famille());
        ecrireFichier(rep.chemin(QStringLiteral("autre.FIC")), famille());
        d.cheminOuvrir = rep.chemin(QStringLiteral("copie.FIC"));
        if (QByteArray(s.nom) == "ouvrir") d.cheminOuvrir = rep.chemin(QStringLiteral("autre.FIC"));
        auto f = std::make_unique<FichierDefaillant>();
        fichier = f.get();
        session = std::make_unique<Session>(d, std::move(f));
        form().definirServiceImpression(std::make_unique<ImprimanteNulle>());
        s.preparer(form());
        d.journal.clear();
        fichier->operations = 0;
        fichier->echecA = echec;
        fichier->code = code;
        s.commande(form());
    }
    QString fic() const { return rep.chemin(QStringLiteral("VELMORIS.FIC")); }
    TForm1& form() { return session->form; }
    RepertoireDeTravail rep;
    DialoguesLibres d;
    FichierDefaillant* fichier = nullptr;
    std::unique_ptr<Session> session;
};

QList<QByteArray> fiches(const QByteArray& octets) {
    QList<QByteArray> resultat;
    for (qsizetype i = 0; i + TailleFiche <= octets.size(); i += TailleFiche)
        resultat << octets.mid(i, TailleFiche);
    return resultat;
}

} // namespace

class TestFiabilite : public QObject {
    Q_OBJECT
private slots:
    void chaqueCommandeAChaqueEtape();
    void demarrageAChaqueEtape();
    void fichierAgrandiEntreDeuxCommandes();
    void fichierCoupeSousLaFicheAffichee();
    void fichierRemplaceParUnPlusCourt();
    void catalogueDesMauvaisesEntrees_data();
    void catalogueDesMauvaisesEntrees();
    void imagesMalformees_data();
    void imagesMalformees();
};

void TestFiabilite::chaqueCommandeAChaqueEtape() {
    const int codes[] = {ErreurES::AccesRefuse, ErreurES::DisquePlein, ErreurES::LectureFinFichier};
    int essais = 0;
    for (const Scenario& s : scenarios()) {
        // The run without a fault gives the file as the command leaves it.
        QByteArray avant, apres;
        int etapes = 0;
        {
            Essai reference(s, 0, 0);
            avant = octetsFiche(famille()[0]);
            avant.clear();
            for (const TFiche& f : famille())
                avant += octetsFiche(f);
            apres = octetsDe(reference.fic());
            etapes = reference.fichier->operations;
            QVERIFY2(reference.d.erreurs() == 0, qPrintable(QString::fromLatin1(s.nom) + u' ' +
                                                            reference.d.journal.join(u'|')));
        }
        QVERIFY2(etapes > 0, s.nom);
        for (int n = 1; n <= etapes; ++n) {
            const int code = codes[n % 3];
            Essai e(s, n, code);
            ++essais;
            const QString cas = QStringLiteral("%1, échec à l'étape %2 (%3) : %4")
                                    .arg(QString::fromLatin1(s.nom))
                                    .arg(n)
                                    .arg(e.fichier->journal.value(n - 1), e.d.journal.join(u'|'));
            QVERIFY2(e.fichier->echoue, qPrintable(cas));
            // The error box with the code's text, or, where the save cannot open
            // the file, its own message.
            const bool boite = e.d.journal.count(QStringLiteral("Erreur: ") +
                                                 avecPointFinal(ErreurES(code).texte())) == 1;
            const bool messageDeLEnregistrement = e.d.journal.contains(
                QStringLiteral("Message: Problème avec le fichier ") + e.form().CheminFichier());
            QVERIFY2(boite != messageDeLEnregistrement, qPrintable(cas));
            QVERIFY2(!e.form().FichierGenea().estOuvert(), qPrintable(cas));
            // Every record is as it was, or as the command completed would leave it.
            const QByteArray maintenant = octetsDe(e.fic());
            QVERIFY2(maintenant.size() % TailleFiche == 0, qPrintable(cas));
            QVERIFY2(maintenant.size() == avant.size() || maintenant.size() == apres.size(),
                     qPrintable(cas));
            const auto a = fiches(avant), b = fiches(apres), m = fiches(maintenant);
            for (int i = 0; i < m.size(); ++i)
                QVERIFY2((i < a.size() && m[i] == a[i]) || (i < b.size() && m[i] == b[i]),
                         qPrintable(cas + QStringLiteral(" fiche %1").arg(i)));
            if (s.garderSaisie && maintenant == avant) {
                QVERIFY2(e.form().ENom->text() == Saisi, qPrintable(cas));
                QVERIFY2(e.form().Modifie(), qPrintable(cas));
            }
        }
    }
    qInfo("%d essais de défaillance", essais);
}

void TestFiabilite::demarrageAChaqueEtape() {
    for (int n = 1; n <= 6; ++n) {
        RepertoireDeTravail rep;
        ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
        const QByteArray avant = octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC")));
        DialoguesLibres d;
        auto f = std::make_unique<FichierDefaillant>();
        f->echecA = n;
        FichierDefaillant* fichier = f.get();
        Session s(d, std::move(f));
        if (fichier->echoue) QCOMPARE(d.erreurs(), 1);
        QVERIFY(!s.form.FichierGenea().estOuvert());
        QCOMPARE(octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC"))), avant);
    }
}

void TestFiabilite::fichierAgrandiEntreDeuxCommandes() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    std::vector<TFiche> plus = famille();
    plus.push_back(personne(QStringLiteral("AJOUTÉ"), QStringLiteral("Ailleurs")));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), plus);
    s.form.SbFinClick();
    QCOMPARE(s.form.ENom->text(), QStringLiteral("AJOUTÉ"));
    VERIFIER_DIALOGUES(d);
}

void TestFiabilite::fichierCoupeSousLaFicheAffichee() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    std::vector<TFiche> f = famille();
    f[0].Pere = 3; // a father after the child in the file
    ecrireFichier(fic, f);
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(4);
    QFile::resize(fic, 2 * TailleFiche);
    // A save of the record on screen, now gone, appends it at the end, never past it.
    s.form.ENom->setText(QStringLiteral("RÉÉCRIT"));
    s.form.SbEnregistrerClick();
    QCOMPARE(octetsDe(fic).size(), 3 * TailleFiche);
    QCOMPARE(lireFichier(fic)[2].Nom.texte(), QStringLiteral("RÉÉCRIT"));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    // Record 0 names a father that is gone: the read fails cleanly.
    d.attendreErreur(QStringLiteral("Lecture au-delà de la fin de fichier."));
    s.form.executer([&] { s.form.pAfficherEnreg(0); });
    QVERIFY(!s.form.FichierGenea().estOuvert());
    QCOMPARE(octetsDe(fic).size(), 3 * TailleFiche);
    VERIFIER_DIALOGUES(d);
}

void TestFiabilite::fichierRemplaceParUnPlusCourt() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2); // its parents are 0 and 1
    ecrireFichier(fic, {personne(QStringLiteral("SEUL"))});
    d.attendreErreur(QStringLiteral("Lecture au-delà de la fin de fichier."));
    s.form.commande(&TForm1::SbArbreClick);
    d.attendreMessage(QStringLiteral("Il y a une erreur de chaînage"));
    s.form.pAfficherEnreg(0);
    QCOMPARE(octetsDe(fic), octetsFiche(personne(QStringLiteral("SEUL"))));
    d.attendreMessage(QStringLiteral("Il n'y a pas d'autres enregistrements"));
    s.form.SbFinClick();
    s.form.pAfficherEnreg(0);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("SEUL"));
    Q_UNUSED(d);
}

void TestFiabilite::catalogueDesMauvaisesEntrees_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QStringList>("vu");
    const QString defaut = QStringLiteral("VELMORIS.FIC");
    const QString refus = QStringLiteral("Erreur: Accès au fichier refusé.");
    const QByteArray bonne = octetsFiche(personne(QStringLiteral("BON"), QStringLiteral("Jean")));
    auto avec = [](std::function<void(TFiche&)> changer) {
        TFiche f = personne(QStringLiteral("X"), QStringLiteral("Y"));
        changer(f);
        return octetsFiche(f);
    };
    QByteArray longueurs = bonne;
    for (int d : {1, 32, 58, 84, 95, 106, 117, 148, 179, 259})
        longueurs[d] = static_cast<char>(0xFF);
    QByteArray hasard(TailleFiche, '\0');
    for (int i = 0; i < TailleFiche; ++i)
        hasard[i] = static_cast<char>((i * 73 + 19) ^ (i >> 2));
    const QStringList fin{QStringLiteral("Erreur: Lecture au-delà de la fin de fichier.")};
    const QByteArray lui = avec([](TFiche& f) {
        f.Pere = 0;
        f.Mere = 0;
    });
    const QByteArray nombreux = avec([](TFiche& f) {
        f.NbEnfants = 255;
        f.Enfants.fill(0);
    });
    const QByteArray cycle =
        avec([](TFiche& f) { f.Pere = 1; }) + avec([](TFiche& f) { f.Pere = 0; });
    QTest::newRow("fichier vide") << defaut << QByteArray() << QStringList{};
    // Told at the start, never read as a person.
    QTest::newRow("fiche partielle à la fin")
        << defaut << bonne + QByteArray(100, 'x')
        << QStringList{QStringLiteral(
               "Message: Fiche incomplète dans VELMORIS.FIC : le fichier se termine, après ses 1 "
               "fiches, par 100 octet(s) qui ne font pas une fiche entière (une écriture "
               "interrompue, ou un fichier abîmé). Ils ne sont pas lus comme une personne ; la "
               "prochaine fiche ajoutée prendra leur place.")};
    QTest::newRow("longueurs au-delà des largeurs") << defaut << longueurs << QStringList{};
    QTest::newRow("liens négatifs")
        << defaut << avec([](TFiche& f) { f.Pere = -5; }) + bonne << fin;
    QTest::newRow("liens immenses")
        << defaut << avec([](TFiche& f) { f.Mere = 2147483647; }) << fin;
    QTest::newRow("père de lui-même") << defaut << lui << QStringList{};
    QTest::newRow("cycle de parents") << defaut << cycle << QStringList{};
    QTest::newRow("255 enfants") << defaut << nombreux << QStringList{};
    QTest::newRow("380 octets au hasard") << defaut << hasard + bonne << QStringList{};
    QTest::newRow("nom avec blancs et accents")
        << QStringLiteral("Famille d'Hélène Noël.FIC") << bonne << QStringList{};
    QTest::newRow("un dossier à la place du fichier")
        << QStringLiteral("dossier.FIC") << QByteArray("/") << QStringList{refus};
}

// Each bad file: start-up, then every command that reads it, all through the
// error box at worst; the file itself is never changed.
void TestFiabilite::catalogueDesMauvaisesEntrees() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, contenu);
    QFETCH(QStringList, vu);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(nom);
    if (contenu == "/")
        QDir(rep.racine()).mkdir(nom); // a directory where the file should be
    else
        ecrireOctets(fic, contenu);
    if (nom != u"VELMORIS.FIC")
        ini::ecrireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                          QStringLiteral("NomFic"), fic);
    DialoguesLibres d;
    Session s(d);
    s.form.definirServiceImpression(std::make_unique<ImprimanteNulle>());
    for (const QString& attendu : vu)
        QVERIFY2(d.journal.contains(attendu), qPrintable(d.journal.join(u'|')));
    for (auto commande : {&TForm1::SbArbreClick, &TForm1::BtEnfantClick, &TForm1::BtConjointClick,
                          &TForm1::SbRechercherClick, &TForm1::Imprimer1Click,
                          &TForm1::BtSuivantClick, &TForm1::BTPereClick, &TForm1::SbFinClick}) {
        s.form.commande(commande);
        QVERIFY(!s.form.FichierGenea().estOuvert());
    }
    if (contenu != "/") QCOMPARE(octetsDe(fic), contenu);
    QVERIFY(QFileInfo(fic).isDir() == (contenu == "/"));
}

void TestFiabilite::imagesMalformees_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("octets");
    const QByteArray jpeg = jpegDeTest(32, 32);
    QByteArray png;
    {
        QBuffer tampon(&png);
        tampon.open(QIODevice::WriteOnly);
        QImage(8, 8, QImage::Format_RGB32).save(&tampon, "PNG");
    }
    QByteArray bmpGeant = bmpDeTest(4, 4);
    const std::int32_t geant = 20000;
    std::memcpy(bmpGeant.data() + 18, &geant, 4);
    std::memcpy(bmpGeant.data() + 22, &geant, 4);
    QTest::newRow("vide") << "v.jpg" << QByteArray();
    QTest::newRow("tronquée") << "t.jpg" << jpeg.left(jpeg.size() - 40);
    QTest::newRow("en-tête seul") << "e.jpg" << jpeg.left(20);
    QTest::newRow("PNG nommé jpg") << "p.jpg" << png;
    QTest::newRow("BMP de 20000 × 20000 annoncés") << "g.bmp" << bmpGeant;
    QTest::newRow("BMP tronqué") << "b.bmp" << bmpDeTest(16, 16).left(60);
}

void TestFiabilite::imagesMalformees() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, octets);
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(nom), octets);
    TFiche f = personne(QStringLiteral("PORTRAIT"));
    f.Photo.definir(rep.chemin(nom));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), {f});
    DialoguesLibres d;
    Session s(d);
    QCOMPARE(d.erreurs(), 0);
    QCOMPARE(d.journal.filter(nom).size(), 1); // told once, as a message
    QVERIFY(!s.form.Modifie());
    QCOMPARE(s.form.ENom->text(), QStringLiteral("PORTRAIT"));
    QVERIFY(!s.form.FichierGenea().estOuvert());
}

QTEST_MAIN(TestFiabilite)
#include "test_fiabilite.moc"
