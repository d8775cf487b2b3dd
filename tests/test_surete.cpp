// No record lost or damaged: deleting, quitting, switching files, writes that
// fail late, outputs aimed at the genealogy file, pipes and devices where
// files belong, records cut away by another program, damaged files checked.
#include "data/fichier/FichierIni.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Translitteration.h"
#include "data/journal/Journal.h"
#include "data/recherche/Verification.h"
#include "forms/UVelmorS.h"
#include "forms/uRapport.h"
#include "platform/BoutonImage.h"
#include "tests/FichierDefaillant.h"
#include "tests/OutilsTests.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString Fic = QStringLiteral("VELMORIS.FIC");

// Record 3, the last, is the father of record 1 and the son of record 0.
std::vector<TFiche> famille() {
    std::vector<TFiche> f{personne(QStringLiteral("GRAND"), QStringLiteral("Louis")),
                          personne(QStringLiteral("PETIT"), QStringLiteral("Jean")),
                          personne(QStringLiteral("AUTRE"), QStringLiteral("Marc")),
                          personne(QStringLiteral("PARENT"), QStringLiteral("Paul"))};
    f[0].NbEnfants = 2;
    f[0].Enfants[1] = 3;
    f[1].Pere = 3;
    f[3].Pere = 0;
    f[3].NbEnfants = 1;
    f[3].Enfants[0] = 1;
    return f;
}

struct Banc {
    explicit Banc(const std::vector<TFiche>& fiches = famille(),
                  std::unique_ptr<FichierEnregistrements> fichier = nullptr) {
        ecrireFichier(rep.chemin(Fic), fiches);
        session = std::make_unique<Session>(d, std::move(fichier));
    }
    QString chemin(const QString& nom) const { return rep.chemin(nom); }
    TForm1& form() { return session->form; }
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    std::unique_ptr<Session> session;
};

void creerTube(const QString& chemin) {
    QVERIFY(::mkfifo(QFile::encodeName(chemin).constData(), 0644) == 0);
}

const char* etapeEnEchec = nullptr;
void echouerA(const char* etape) {
    if (etapeEnEchec && std::strcmp(etape, etapeEnEchec) == 0)
        throw ErreurES(ErreurES::DisquePlein);
}

// Files cannot grow past `octets` while it lives, as on a nearly full disk.
class DisquePresquePlein {
public:
    explicit DisquePresquePlein(rlim_t octets) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_avant);
        rlimit limite = m_avant;
        limite.rlim_cur = octets;
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~DisquePresquePlein() { ::setrlimit(RLIMIT_FSIZE, &m_avant); }

private:
    rlimit m_avant{};
};

QStringList restes(const QString& dossier) {
    return QDir(dossier).entryList({QStringLiteral("*.??????")}, QDir::Files);
}

} // namespace

class TestSurete : public QObject {
    Q_OBJECT
private slots:
    void suppressionEffaceLesLiensVersLaFiche();
    void suppressionToutOuRienAChaqueEtape();
    void quitterOuChangerDeFichierDemandeDEnregistrer_data();
    void quitterOuChangerDeFichierDemandeDEnregistrer();
    void parametresIllisiblesNEmpechentPasLaBascule();
    void ouvertureRefuseeGardeLeFichierAffiche();
    void ecritureInterrompueLaisseLaCibleIntacte_data();
    void ecritureInterrompueLaisseLaCibleIntacte();
    void sortieVersLeFichierDeGenealogieRefusee_data();
    void sortieVersLeFichierDeGenealogieRefusee();
    void tubesEtPeripheriquesRefuses_data();
    void tubesEtPeripheriquesRefuses();
    void liensEffacesSurUneFicheCoupee();
    void enregistrementDansUnAutreFichierSansLiens();
    void verificationBorneeSurUnFichierEndommage();
    void parametresEnUtf16();
    void fichierDePlusDe2p31FichesRefuse();
    void saisiesEtNomsImpossibles_data();
    void saisiesEtNomsImpossibles();
};

void TestSurete::suppressionEffaceLesLiensVersLaFiche() {
    Banc b;
    b.form().pAfficherEnreg(3);
    b.d.attendreAttention(
        QStringLiteral("Voulez-vous vraiment supprimer le dernier enregistrement"), true);
    b.form().SbSupprimerClick();
    const auto f = lireFichier(b.chemin(Fic));
    QCOMPARE(f.size(), std::size_t(3));
    QCOMPARE(f[0].Enfants[1], -1);
    QCOMPARE(f[0].NbEnfants, 2); // as typed
    QCOMPARE(f[1].Pere, -1);
    // The next person saved takes number 3 and inherits nothing.
    b.form().SbNouveauClick();
    b.form().ENom->setText(QStringLiteral("SUIVANT"));
    b.form().SbEnregistrerClick();
    FichierDisque fichier;
    fichier.ouvrir(b.chemin(Fic));
    QCOMPARE(verifierFichier(fichier).total(), 0);
    VERIFIER_DIALOGUES(b.d);
}

// The links are rewritten before the cut, and a failure anywhere leaves the
// whole file as it was: the records already rewritten get their links back.
void TestSurete::suppressionToutOuRienAChaqueEtape() {
    const QByteArray avant = [] {
        QByteArray o;
        for (const TFiche& f : famille())
            o += octetsFiche(f);
        return o;
    }();
    for (int n = 1;; ++n) {
        auto fichier = std::make_unique<FichierDefaillant>();
        FichierDefaillant* defaillant = fichier.get();
        Banc b(famille(), std::move(fichier));
        b.form().pAfficherEnreg(3);
        defaillant->operations = 0;
        defaillant->echecA = n;
        b.d.attendreAttention(
            QStringLiteral("Voulez-vous vraiment supprimer le dernier enregistrement"), true);
        b.form().commande(&TForm1::SbSupprimerClick);
        const QByteArray apres = octetsDe(b.chemin(Fic));
        if (!defaillant->echoue) {
            QCOMPARE(apres.size(), 3 * TailleFiche);
            break;
        }
        if (apres.size() == 3 * TailleFiche) continue; // the failure came after the cut
        QVERIFY2(apres == avant, qPrintable(QStringLiteral("échec à l'étape %1").arg(n)));
        QVERIFY(!b.form().FichierGenea().estOuvert());
    }
}

void TestSurete::quitterOuChangerDeFichierDemandeDEnregistrer_data() {
    QTest::addColumn<QString>("commande");
    QTest::addColumn<QString>("reponse"); // oui, non, or annuler
    QTest::addColumn<QString>("deces");   // "1990" is refused by the date check
    QTest::addColumn<bool>("suite");      // whether the quit or the switch goes on
    QTest::newRow("menu Quitter, non") << "Quitter"
                                       << "non" << QString() << true;
    QTest::newRow("menu Quitter, oui") << "Quitter"
                                       << "oui" << QString() << true;
    QTest::newRow("menu Quitter, annuler") << "Quitter"
                                           << "annuler" << QString() << false;
    QTest::newRow("bouton Fermer, oui, date refusée") << "Fermer"
                                                      << "oui"
                                                      << "1990" << false;
    QTest::newRow("case de fermeture, oui, date refusée") << "fenêtre"
                                                          << "oui"
                                                          << "1990" << false;
    QTest::newRow("Ouvrir, oui, date refusée") << "Ouvrir"
                                               << "oui"
                                               << "1990" << false;
    QTest::newRow("Ouvrir, non") << "Ouvrir"
                                 << "non" << QString() << true;
    QTest::newRow("Ouvrir, annuler") << "Ouvrir"
                                     << "annuler" << QString() << false;
}

void TestSurete::quitterOuChangerDeFichierDemandeDEnregistrer() {
    QFETCH(QString, commande);
    QFETCH(QString, reponse);
    QFETCH(QString, deces);
    QFETCH(bool, suite);
    Banc b;
    b.form().show();
    b.form().pAfficherEnreg(2);
    b.form().ENom->setText(QStringLiteral("MODIFIÉ"));
    b.form().EDD->setText(deces);
    if (reponse == u"annuler")
        b.d.attendreQuestionAnnulee(QuestionEnregistrer);
    else
        b.d.attendreQuestion(QuestionEnregistrer, reponse == u"oui");
    if (!deces.isEmpty())
        b.d.attendreMessage(QStringLiteral("La date 1990 doit contenir une année à quatre "
                                           "chiffres entre 1000 et 2050"));
    if (commande == u"Ouvrir" && suite) b.d.attendreOuverture(std::nullopt);
    if (commande == u"Quitter") b.form().Quitter1->trigger();
    if (commande == u"Fermer") b.form().BitBtn1->click();
    if (commande == u"fenêtre") b.form().close();
    if (commande == u"Ouvrir") b.form().Ouvrir1->trigger();
    if (commande != u"Ouvrir") QCOMPARE(b.form().isVisible(), !suite);
    const bool enregistre = lireFichier(b.chemin(Fic))[2].Nom.texte() == u"MODIFIÉ";
    QCOMPARE(enregistre, reponse == u"oui" && deces.isEmpty());
    if (!suite) {
        QCOMPARE(b.form().ENom->text(), QStringLiteral("MODIFIÉ"));
        QVERIFY(b.form().Modifie());
    }
    VERIFIER_DIALOGUES(b.d);
}

// A folder stands where the settings file goes: the switch to B happens
// whole, the message names the settings file, and a save writes into B.
void TestSurete::parametresIllisiblesNEmpechentPasLaBascule() {
    Banc b;
    const QString autre = b.chemin(QStringLiteral("autre.FIC"));
    ecrireFichier(autre, {personne(QStringLiteral("DE_B"))});
    QDir(b.rep.racine()).mkdir(QStringLiteral("VELMOR.INI"));
    b.form().pAfficherEnreg(2);
    b.d.attendreOuverture(autre).attendreMessage(
        QStringLiteral(
            "Le fichier de paramètres %1 n'a pas pu être écrit (Le fichier de paramètres « %1 » "
            "est un dossier, pas un fichier ordinaire : il ne peut être ni lu ni écrit.).\r"
            "Le fichier de généalogie %2 est bien ouvert, mais il ne sera pas rouvert "
            "de lui-même au prochain démarrage.")
            .arg(b.chemin(QStringLiteral("VELMOR.INI")), autre));
    b.form().commande(&TForm1::Ouvrir1Click);
    QCOMPARE(b.form().windowTitle(), autre);
    QCOMPARE(b.form().ENom->text(), QStringLiteral("DE_B"));
    b.form().ENom->setText(QStringLiteral("DE_B2"));
    b.form().SbEnregistrerClick();
    QCOMPARE(lireFichier(autre).size(), std::size_t(1));
    QCOMPARE(lireFichier(autre)[0].Nom.texte(), QStringLiteral("DE_B2"));
    QCOMPARE(lireFichier(b.chemin(Fic))[2].Nom.texte(), QStringLiteral("AUTRE"));
    VERIFIER_DIALOGUES(b.d);
}

void TestSurete::ouvertureRefuseeGardeLeFichierAffiche() {
    Banc b;
    const QString tube = b.chemin(QStringLiteral("tube.FIC"));
    creerTube(tube);
    b.form().pAfficherEnreg(2);
    const QString titre = b.form().windowTitle();
    b.d.attendreOuverture(tube).attendreErreur(
        QStringLiteral("Le fichier de généalogie « %1 » est un tube, pas un fichier ordinaire : "
                       "il ne peut être ni lu ni écrit.")
            .arg(tube));
    b.form().commande(&TForm1::Ouvrir1Click);
    QCOMPARE(b.form().windowTitle(), titre);
    QCOMPARE(b.form().CheminFichier(), QStringLiteral("VELMORIS.FIC"));
    QCOMPARE(b.form().ENom->text(), QStringLiteral("AUTRE"));
    VERIFIER_DIALOGUES(b.d);
}

// Each write fails at one of its late steps (the last flush and sync, the
// close, the rename), or runs out of room: the previous target stays whole,
// no temporary file is left, the error is told, and nothing switches.
void TestSurete::ecritureInterrompueLaisseLaCibleIntacte_data() {
    QTest::addColumn<QString>("commande");
    QTest::addColumn<QString>("etape"); // empty: a nearly full disk
    // The copy's steps before its commit point: the intent in the journal.
    for (const char* etape :
         {"préparer la copie", "écrire l'intention", "synchroniser l'intention", ""})
        QTest::addRow("enregistrer sous, %s", *etape ? etape : "disque plein")
            << QStringLiteral("enregistrer sous") << QString::fromUtf8(etape);
    for (const char* commande : {"export GEDCOM", "export PDF"}) {
        for (const char* etape : {"synchroniser", "fermer", "renommer", ""})
            QTest::addRow("%s, %s", commande, *etape ? etape : "disque plein")
                << QString::fromLatin1(commande) << QString::fromUtf8(etape);
    }
}

void TestSurete::ecritureInterrompueLaisseLaCibleIntacte() {
    QFETCH(QString, commande);
    QFETCH(QString, etape);
    Banc b;
    const QString cible = b.chemin(QStringLiteral("cible"));
    ecrireOctets(cible, "ancien contenu");
    b.form().pAfficherEnreg(0);
    if (commande == u"enregistrer sous")
        b.d.attendreOuverture(cible).attendreConfirmation(
            QStringLiteral("Le fichier %1 existe déjà et contient 0 personne. Le remplacer par "
                           "une copie de VELMORIS.FIC ?")
                .arg(cible),
            true);
    if (commande == u"export PDF") b.d.attendreChoix({}, ListingTelQuel);
    if (commande != u"enregistrer sous") b.d.attendreEnregistrement(cible);
    if (commande == u"export GEDCOM")
        b.d.attendreChoix(QStringLiteral("4 personne(s) sont présumées vivantes : aucun décès "
                                         "connu, ni événement assez ancien chez elles ou leurs "
                                         "proches. La loi les protège : que faire d'elles dans "
                                         "ce fichier GEDCOM ?"),
                          ToutGarder);
    b.d.attendreErreur(QStringLiteral("Disque plein."));
    const QByteArray nomEtape = etape.toUtf8();
    etapeEnEchec = etape.isEmpty() ? nullptr : nomEtape.constData();
    EcritureAtomique::etapeObservee = echouerA;
    journal::etapeObservee = echouerA;
    {
        const DisquePresquePlein disque(etape.isEmpty() ? 400 : RLIM_INFINITY);
        if (commande == u"enregistrer sous") b.form().commande(&TForm1::Enregistrersous1Click);
        if (commande == u"export GEDCOM") b.form().commande(&TForm1::ExporterGedcom1Click);
        if (commande == u"export PDF") b.form().commande(&TForm1::ExporterPdf1Click);
    }
    EcritureAtomique::etapeObservee = nullptr;
    journal::etapeObservee = nullptr;
    QCOMPARE(octetsDe(cible), QByteArray("ancien contenu"));
    QCOMPARE(restes(b.rep.racine()), QStringList());
    QCOMPARE(b.form().CheminFichier(), QStringLiteral("VELMORIS.FIC"));
    QVERIFY(!QFileInfo::exists(b.chemin(QStringLiteral("VELMOR.INI"))));
    VERIFIER_DIALOGUES(b.d);
}

void TestSurete::sortieVersLeFichierDeGenealogieRefusee_data() {
    QTest::addColumn<QString>("commande");
    QTest::addColumn<QString>("genea");  // the genealogy file's name
    QTest::addColumn<QString>("sortie"); // the output's name; a link to the file when it differs
    QTest::addColumn<QString>("quoi");
    QTest::newRow("listing par un lien") << "imprimer" << Fic << "genea.tmp"
                                         << "Le listing";
    QTest::newRow("listing nommé comme le fichier") << "imprimer"
                                                    << "genea.tmp"
                                                    << "genea.tmp"
                                                    << "Le listing";
    QTest::newRow("PDF sur le fichier") << "PDF" << Fic << Fic << "Le document PDF";
    QTest::newRow("GEDCOM par un lien") << "GEDCOM" << Fic << "lien.ged"
                                        << "L'export GEDCOM";
}

void TestSurete::sortieVersLeFichierDeGenealogieRefusee() {
    QFETCH(QString, commande);
    QFETCH(QString, genea);
    QFETCH(QString, sortie);
    QFETCH(QString, quoi);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(genea), famille());
    const QByteArray avant = octetsDe(rep.chemin(genea));
    if (sortie != genea) QFile::link(rep.chemin(genea), rep.chemin(sortie));
    if (genea != Fic)
        ini::ecrireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                          QStringLiteral("NomFic"), rep.chemin(genea));
    DialoguesScriptes d;
    Session s(d);
    const QString cible =
        commande == u"imprimer" ? QStringLiteral("genea.tmp") : rep.chemin(sortie);
    if (commande == u"PDF") d.attendreChoix({}, ListingTelQuel);
    if (commande != u"imprimer") d.attendreEnregistrement(cible);
    d.attendreErreur(QStringLiteral("%1 ne peut pas être écrit dans « %2 » : c'est le fichier de "
                                    "généalogie ouvert, dont toutes les fiches seraient perdues. "
                                    "Choisissez un autre nom.")
                         .arg(quoi, cible));
    if (commande == u"imprimer") s.form.commande(&TForm1::Imprimer1Click);
    if (commande == u"PDF") s.form.commande(&TForm1::ExporterPdf1Click);
    if (commande == u"GEDCOM") s.form.commande(&TForm1::ExporterGedcom1Click);
    QCOMPARE(octetsDe(rep.chemin(genea)), avant);
    VERIFIER_DIALOGUES(d);
}

// Nothing waits on a pipe or reads a device to the end of memory: each is
// refused with a message that names it, and the windows come up.
void TestSurete::tubesEtPeripheriquesRefuses_data() {
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("vu");
    const QString tube = QStringLiteral("est un tube, pas un fichier ordinaire");
    QTest::newRow("portrait en tube") << "portrait"
                                      << "tube.jpg" << tube;
    QTest::newRow("portrait lié à /dev/zero") << "portrait"
                                              << "zero.jpg"
                                              << "est un périphérique";
    QTest::newRow("paramètres en tube") << "paramètres"
                                        << "VELMOR.INI" << tube;
    QTest::newRow("listing en tube") << "listing"
                                     << "genea.tmp" << tube;
    QTest::newRow("GEDCOM en tube") << "GEDCOM"
                                    << "tube.ged" << tube;
    QTest::newRow("GEDCOM lié à /dev/urandom") << "GEDCOM"
                                               << "hasard.ged"
                                               << "est un périphérique";
}

void TestSurete::tubesEtPeripheriquesRefuses() {
    QFETCH(QString, role);
    QFETCH(QString, nom);
    QFETCH(QString, vu);
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(nom);
    if (nom.startsWith(u'z'))
        QFile::link(QStringLiteral("/dev/zero"), chemin);
    else if (nom.startsWith(u'h'))
        QFile::link(QStringLiteral("/dev/urandom"), chemin);
    else
        creerTube(chemin);
    TFiche f = personne(QStringLiteral("PORTRAIT"));
    if (role == u"portrait") f.Photo.definir(chemin);
    ecrireFichier(rep.chemin(Fic), {f});
    struct Journal : DialoguesScriptes {
        QStringList vus;
        void message(const QString& t) override { vus << t; }
        void erreur(const QString& t) override { vus << t; }
        std::optional<QString> ouvrirFichier(const ParametresDialogueFichier&) override {
            return cheminGedcom;
        }
        // A new file; the living kept, as an exchange between one's own programs.
        int choix(const QString& texte, const QStringList&) override {
            if (!texte.contains(QStringLiteral("présumées vivantes"))) return 1;
            return texte.contains(QStringLiteral("listing")) ? ListingTelQuel : ToutGarder;
        }
        QString cheminGedcom;
    } d;
    d.cheminGedcom = chemin;
    Session s(d);
    if (role == u"listing") s.form.commande(&TForm1::Imprimer1Click);
    if (role == u"GEDCOM") s.form.commande(&TForm1::ImporterGedcom1Click);
    QVERIFY2(d.vus.size() >= 1, qPrintable(role));
    QVERIFY2(d.vus.join(u'|').contains(vu) && d.vus.join(u'|').contains(nom),
             qPrintable(d.vus.join(u'|')));
    QCOMPARE(lireFichier(rep.chemin(Fic)).size(), std::size_t(1));
}

// Another program cut the file below the record on screen: removing its
// links writes nothing past the end.
void TestSurete::liensEffacesSurUneFicheCoupee() {
    Banc b;
    b.form().pAfficherEnreg(3);
    QFile::resize(b.chemin(Fic), 2 * TailleFiche);
    b.d.attendreMessage(QStringLiteral("La fiche 3 n'existe plus : le fichier a été raccourci "
                                       "par un autre programme. Rien n'a été écrit."));
    b.form().commande(&TForm1::SbBriseChainClick);
    QCOMPARE(octetsDe(b.chemin(Fic)).size(), 2 * TailleFiche);
    VERIFIER_DIALOGUES(b.d);
}

// The file vanished; the person on the form goes into a new file, where the
// links it held would name the wrong records.
void TestSurete::enregistrementDansUnAutreFichierSansLiens() {
    Banc b;
    b.form().pAfficherEnreg(3); // father 0, child 1
    QFile::remove(b.chemin(Fic));
    const QString nouveau = b.chemin(QStringLiteral("nouveau.FIC"));
    b.d.attendreEnregistrement(nouveau);
    b.form().SbEnregistrerClick();
    const auto f = lireFichier(nouveau);
    QCOMPARE(f.size(), std::size_t(1));
    QCOMPARE(f[0].Nom.texte(), QStringLiteral("PARENT"));
    QCOMPARE(f[0].Pere, -1);
    QCOMPARE(f[0].Enfants[0], -1);
    VERIFIER_DIALOGUES(b.d);
}

// A zero-filled file: every record its own father, mother and ten children.
// The counts cover everything, the detail stops at its cap.
void TestSurete::verificationBorneeSurUnFichierEndommage() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(Fic), QByteArray(3000 * TailleFiche, '\0'));
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(Fic));
    const RapportVerification r = verifierFichier(fichier, 100);
    QCOMPARE(r.lignes.size(), 100);
    QCOMPARE(r.comptes[static_cast<int>(Probleme::EnfantEnDouble)], 3000 * 45);
    QCOMPARE(r.comptes[static_cast<int>(Probleme::LienASensUnique)], 2999);
    QCOMPARE(r.lignesOmises, r.total() - 100);
    const QStringList texte = r.texte(QStringLiteral("x.FIC"));
    QVERIFY(texte[0].endsWith(QStringLiteral("problème(s) dans x.FIC :")));
    QVERIFY(texte.indexOf(QRegularExpression(QStringLiteral("^  Enfants en double : 135.000$"))) >
            0);
    QVERIFY(texte.back().startsWith(QStringLiteral("… et ")));
    // A write cut short left part of a record at the end: counted apart.
    fichier.fermer();
    ecrireOctets(rep.chemin(Fic), octetsFiche(personne(QStringLiteral("A"))) + "xyz");
    fichier.ouvrir(rep.chemin(Fic));
    const RapportVerification partielle = verifierFichier(fichier);
    QCOMPARE(partielle.comptes[static_cast<int>(Probleme::FicheIncomplete)], 1);
    QVERIFY(partielle.texte(QStringLiteral("x.FIC"))
                .join(u'\n')
                .contains(QStringLiteral("Fiche incomplète en fin de fichier : 1")));
}

void TestSurete::parametresEnUtf16() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("Hélène.FIC"));
    ecrireFichier(fic, {personne(QStringLiteral("UTF16"))});
    const QString ini = rep.chemin(QStringLiteral("VELMOR.INI"));
    const QString texte = QStringLiteral("[FICHIER]\r\nNomFic=") + fic + QStringLiteral("\r\n");
    ecrireOctets(ini,
                 QByteArray("\xFF\xFE", 2) +
                     QByteArray(reinterpret_cast<const char*>(texte.utf16()), texte.size() * 2));
    QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")), fic);
    ini::ecrireValeur(ini, QStringLiteral("AUTRE"), QStringLiteral("Cle"), QStringLiteral("v"));
    QVERIFY(octetsDe(ini).startsWith("\xFF\xFE"));
    QCOMPARE(ini::lireValeur(ini, QStringLiteral("FICHIER"), QStringLiteral("NomFic")), fic);
}

void TestSurete::fichierDePlusDe2p31FichesRefuse() {
    RepertoireDeTravail rep;
    QFile geant(rep.chemin(Fic));
    QVERIFY(geant.open(QIODevice::WriteOnly));
    QVERIFY(geant.resize(qint64(TailleFiche) * (qint64(1) << 31))); // sparse: takes no room
    geant.close();
    DialoguesScriptes d;
    d.attendreErreur(QStringLiteral("Le fichier « VELMORIS.FIC » compte 2147483648 fiches : "
                                    "au-delà de 2 147 483 647, les numéros de fiche ne tiennent "
                                    "plus. Il n'a pas été ouvert."));
    Session s(d);
    QCOMPARE(s.form.windowTitle(), Fic);
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    VERIFIER_DIALOGUES(d);
}

// Texts and names that cannot be kept as they are: each is refused, or
// stored in its nearest form, always with a word to the user.
void TestSurete::saisiesEtNomsImpossibles_data() {
    QTest::addColumn<QString>("cas");
    QTest::addColumn<QString>("vu"); // a part of what the user is told
    QTest::newRow("nom polonais") << "saisie Zieliński"
                                  << "Nom : « Zieliński » devient « Zielinski »";
    QTest::newRow("nom cyrillique") << "saisie Иван"
                                    << "Nom : « Иван » devient « Ivan »";
    QTest::newRow("nom chinois, en majuscules") << "saisie 张三"
                                                << "Nom : « 张三 » devient « Zhang San »";
    QTest::newRow("contrôle collé") << "collage" << QString();
    QTest::newRow("contrôles vers GEDCOM")
        << "export"
        << "3 caractère(s) de contrôle, venus d'un fichier endommagé";
    QTest::newRow("boucle GEDCOM")
        << "import"
        << "B Paul : une boucle dans les familles en ferait son propre ancêtre";
    QTest::newRow("paramètres désignant eux-mêmes")
        << "ini"
        << "se désigne lui-même comme fichier de généalogie";
    QTest::newRow("nom finissant par un blanc") << "ouvrir x.FIC "
                                                << "se termine par un blanc";
    QTest::newRow("nom avec saut de ligne") << "ouvrir x\ny.FIC"
                                            << "contient un saut de ligne";
    QTest::newRow("nom du fichier de paramètres") << "ouvrir VELMOR.INI"
                                                  << "est le fichier de paramètres du programme";
}

void TestSurete::saisiesEtNomsImpossibles() {
    QFETCH(QString, cas);
    QFETCH(QString, vu);
    RepertoireDeTravail rep;
    TFiche abimee = personne(QStringLiteral("ABÎMÉE"));
    abimee.Nom.octets[1] = 0x01; // a control byte inside the name, one at the end
    abimee.Nom.octets[abimee.Nom.longueur++] = 0x00;
    abimee.Prenom.definir(QStringLiteral("Anne\x1f"));
    ecrireFichier(rep.chemin(Fic), {abimee, personne(QStringLiteral("SAIN"))});
    if (cas == u"ini")
        ini::ecrireValeur(rep.chemin(QStringLiteral("VELMOR.INI")), QStringLiteral("FICHIER"),
                          QStringLiteral("NomFic"), rep.chemin(QStringLiteral("VELMOR.INI")));
    struct Journal : DialoguesScriptes {
        QStringList vus;
        QStringList reponses;
        void message(const QString& t) override { vus << t; }
        void erreur(const QString& t) override { vus << t; }
        bool executerModal(QDialog& d) override {
            if (auto* r = qobject_cast<TRapport*>(&d)) vus << r->Texte->toPlainText();
            return false;
        }
        std::optional<QString> ouvrirFichier(const ParametresDialogueFichier&) override {
            if (reponses.isEmpty()) return std::nullopt;
            return reponses.takeFirst();
        }
        std::optional<QString> enregistrerFichier(const ParametresDialogueFichier& p) override {
            return ouvrirFichier(p);
        }
        // A new file; the living kept, as an exchange between one's own programs.
        int choix(const QString& texte, const QStringList&) override {
            if (!texte.contains(QStringLiteral("présumées vivantes"))) return 1;
            return texte.contains(QStringLiteral("listing")) ? ListingTelQuel : ToutGarder;
        }
    } d;
    Session s(d);
    if (cas.startsWith(QStringLiteral("saisie "))) {
        s.form.pAfficherEnreg(1);
        s.form.ENom->setText(cas.mid(7));
        s.form.SbEnregistrerClick();
        QCOMPARE(s.form.ENom->text(), versCp1252(cas.mid(7)));
    } else if (cas == u"collage") {
        s.form.ENom->clear();
        s.form.ENom->insert(QStringLiteral("A\tB\u0001C"));
        QCOMPARE(s.form.ENom->text(), QStringLiteral("ABC"));
    } else if (cas == u"export") {
        d.reponses << rep.chemin(QStringLiteral("sortie.ged"));
        s.form.ExporterGedcom1Click();
        const QByteArray ged = octetsDe(rep.chemin(QStringLiteral("sortie.ged")));
        QVERIFY(ged.contains("NAME Anne /AÎMÉE/"));
        QVERIFY(std::none_of(ged.begin(), ged.end(), [](char c) {
            return (static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n');
        }));
    } else if (cas == u"import") {
        const QString ged = rep.chemin(QStringLiteral("boucle.ged"));
        ecrireOctets(ged, "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Jean /A/\n1 FAMC @F1@\n"
                          "1 FAMS @F2@\n0 @I2@ INDI\n1 NAME Paul /B/\n1 FAMC @F2@\n1 FAMS @F1@\n"
                          "0 @F1@ FAM\n1 HUSB @I2@\n1 CHIL @I1@\n0 @F2@ FAM\n1 HUSB @I1@\n"
                          "1 CHIL @I2@\n0 TRLR\n");
        d.reponses << ged << rep.chemin(QStringLiteral("importe.FIC"));
        s.form.ImporterGedcom1Click();
        const auto f = lireFichier(rep.chemin(QStringLiteral("importe.FIC")));
        QCOMPARE(f.size(), std::size_t(2));
        QVERIFY((f[0].Pere == -1) != (f[1].Pere == -1)); // one of the two links is gone
        FichierDisque fichier;
        fichier.ouvrir(rep.chemin(QStringLiteral("importe.FIC")));
        QCOMPARE(verifierFichier(fichier).comptes[static_cast<int>(Probleme::Cycle)], 0);
    } else if (cas.startsWith(QStringLiteral("ouvrir "))) {
        d.reponses << rep.chemin(cas.mid(7));
        s.form.Ouvrir1Click();
        QCOMPARE(s.form.CheminFichier(), Fic); // the dialog came back and was cancelled
    }
    if (cas == u"ini") QVERIFY(s.form.CheminFichier().isEmpty());
    QVERIFY2(vu.isEmpty() ? d.vus.isEmpty() : d.vus.join(u'|').contains(vu),
             qPrintable(d.vus.join(u'|')));
    QCOMPARE(lireFichier(rep.chemin(Fic)).size(), std::size_t(2));
}

QTEST_MAIN(TestSurete)
#include "test_surete.moc"
