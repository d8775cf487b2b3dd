// Measures every whole-file operation of the program against the raw
// sequential read of the same file.
//   bench_velmoris DOSSIER                 the table, for the files of DOSSIER
//   bench_velmoris --op NOM FICHIER REPS   one operation, in a process of its own
#include "app/Demarrage.h"
#include "data/coherence/Coherence.h"
#include "data/doublons/Doublons.h"
#include "data/fichier/OperationsFichier.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/journal/Journal.h"
#include "data/journal/Sauvegardes.h"
#include "data/rapports/Rapports.h"
#include "data/recherche/IndexPersonnes.h"
#include "data/recherche/Parente.h"
#include "data/recherche/Recherches.h"
#include "data/recherche/Verification.h"
#include "data/vivants/Vivants.h"
#include "forms/ListePersonnes.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uIndex.h"
#include "forms/uLien.h"
#include "platform/Dialogues.h"
#include "print/uImprime.h"
#include "tools/DialoguesMuets.h"
#include <QLineEdit>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

std::int64_t g_compteur = 0; // keeps the work from being optimised away

void lectureBrute(const QString& chemin) {
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY);
    std::vector<char> bloc(1 << 20);
    ssize_t n = 0;
    while ((n = ::read(fd, bloc.data(), bloc.size())) > 0)
        g_compteur += bloc[0];
    ::close(fd);
}

void rechercheNom(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    ModeleListePersonnes lignes;
    rechercherNoms(
        f, CritereNom(QStringLiteral("martin"), QStringLiteral("jean")),
        [&](std::int32_t n, const TFiche& fiche) { lignes.ajouter(lignePersonne(fiche), n); });
    lignes.publier();
    g_compteur += lignes.total();
    f.fermer();
}

void candidatsParents(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    ModeleCandidats peres(true, nullptr), meres(false, nullptr);
    const QString naissance = QStringLiteral("01/01/1950");
    parcourirCandidatsParents(f, 1950, [&](bool pere, std::int32_t n, const TFiche& fiche) {
        (pere ? peres : meres).ajouter(n, !parenteImpossible(fiche, pere, naissance).isEmpty());
    });
    // The lists in name order, as the dialog shows them.
    IndexPersonnes index;
    index.construire(f);
    peres.montrer(index.visibles());
    meres.montrer(index.visibles());
    g_compteur += peres.total() + meres.total();
    f.fermer();
}

void conjointAbsent(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    TFiche fiche;
    ViderFiche(fiche);
    fiche.DateMariage.definir(QStringLiteral("31/02/1000")); // nobody married that day
    TFiche trouve;
    g_compteur += chercherConjoint(f, fiche, 0, trouve);
    f.fermer();
}

void dixEnfants(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    const std::int64_t nombre = f.nombreFiches();
    TFiche enfant;
    QStringList lignes;
    for (int s = 0; s < 10; ++s) {
        f.positionner(nombre / 10 * s + 7);
        f.lire(enfant);
        lignes << lignePersonne(enfant);
    }
    g_compteur += lignes.size();
    f.fermer();
}

void listing(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    ecrireFichierListing(f, QFileInfo(chemin).dir().filePath(QStringLiteral("genea.tmp")));
    f.fermer();
}

void copie(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    copierFiches(f, QFileInfo(chemin).dir().filePath(QStringLiteral("copie.FIC")));
    f.fermer();
}

// The yardstick of the copy: the same bytes written into a new file by plain
// writes, then synced once. No temporary name, no check beyond the calls.
void copieSimple(const QString& chemin) {
    const int source = ::open(QFile::encodeName(chemin).constData(), O_RDONLY);
    const QString cible = QFileInfo(chemin).dir().filePath(QStringLiteral("copie_simple.FIC"));
    const int fd = ::open(QFile::encodeName(cible).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    ssize_t n = 0;
    while ((n = ::read(source, bloc.data(), bloc.size())) > 0)
        g_compteur += ::write(fd, bloc.data(), static_cast<std::size_t>(n));
    ::fsync(fd);
    ::close(fd);
    ::close(source);
}

void verification(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    g_compteur += verifierFichier(f).total();
    f.fermer();
}

QString cheminGedcom(const QString& chemin) {
    return QFileInfo(chemin).dir().filePath(QFileInfo(chemin).completeBaseName() +
                                            QStringLiteral(".ged"));
}

// The export, written durably beside the file; the import reads it back into
// a new genealogy file.
void exportGedcom(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    g_compteur += exporterVersFichier(f, cheminGedcom(chemin), {}).personnes;
    f.fermer();
}

void importGedcom(const QString& chemin) {
    const ResultatImport r = importerGedcomFichier(cheminGedcom(chemin));
    const QString cible = QFileInfo(chemin).dir().filePath(QStringLiteral("importe.FIC"));
    QFile::remove(cible);
    creerFichierImporte(cible, r.fiches);
    g_compteur += static_cast<std::int64_t>(r.fiches.size());
}

// The year a record's date line ends with ("2 DATE ABT 12 MAR 1850"), 0 if none.
int anneeDeLaLigne(const QByteArray& ligne) {
    const QList<QByteArray> mots = ligne.trimmed().split(' ');
    bool ok = false;
    const int annee = mots.isEmpty() ? 0 : mots.last().toInt(&ok);
    return ok ? annee : 0;
}

// What a parish genealogy adds to one person, dated within their life as a
// real tree's acts are: the baptism on the day of birth, an occupation at
// 25, a census and a residence at 30 (not after the death, nor in the
// future), a burial on the day of death.
QByteArray faitsRiches(std::int64_t n, const QByteArray& naissance, const QByteArray& deces) {
    const QByteArray commune = "Commune " + QByteArray::number(n % 1000);
    const QByteArray lieuDit = "Lieu-dit " + QByteArray::number(n / 2) + ", " + commune +
                               ", Bouches-du-Rhône, Provence-Alpes-Côte d'Azur";
    const int ne = anneeDeLaLigne(naissance), mort = anneeDeLaLigne(deces);
    const auto aAns = [&](int ans) -> QByteArray {
        int annee = ne ? ne + ans : mort ? mort - 1 : 0;
        if (mort) annee = std::min(annee, mort);
        if (annee <= 0 || annee > QDate::currentDate().year() - 1) return {};
        return "\r\n2 DATE " + QByteArray::number(annee);
    };
    const QByteArray bapteme =
        naissance.isEmpty() ? QByteArray() : "\r\n2 DATE " + naissance.mid(7).trimmed();
    const QByteArray inhumation =
        deces.isEmpty() ? QByteArray() : "\r\n2 DATE " + deces.mid(7).trimmed();
    return "1 BAPM" + bapteme + "\r\n2 PLAC " + lieuDit + "\r\n2 SOUR @S1@\r\n3 PAGE folio " +
           QByteArray::number(n % 400) + "\r\n1 OCCU laboureur" + aAns(25) + "\r\n1 CENS" +
           aAns(30) + "\r\n2 PLAC " + commune + "\r\n2 SOUR @S2@\r\n3 PAGE vue " +
           QByteArray::number(n % 90) + "\r\n1 RESI" + aAns(30) + "\r\n2 PLAC Arles\r\n1 BURI" +
           inhumation + "\r\n2 PLAC " + commune +
           "\r\n1 NOTE Vu dans le registre, avec le parrain et la marraine\r\n";
}

// The export of the file, each person given what another program keeps and
// the record cannot, as a parish genealogy has it: five events (a baptism in
// a lieu-dit, an occupation, a census, a residence, a burial), two cited
// sources, a note; one lieu-dit for every two persons in a thousand
// communes. Made once, beside the file.
QString gedcomRiche(const QString& chemin) {
    const QString riche = QFileInfo(chemin).dir().filePath(QFileInfo(chemin).completeBaseName() +
                                                           QStringLiteral("-riche3.ged"));
    if (QFileInfo::exists(riche)) return riche;
    if (!QFileInfo::exists(cheminGedcom(chemin))) exportGedcom(chemin);
    QFile entree(cheminGedcom(chemin)), sortie(riche + QStringLiteral(".tmp"));
    if (!entree.open(QIODevice::ReadOnly) || !sortie.open(QIODevice::WriteOnly)) return {};
    std::int64_t n = 0;
    // A person's lines are held until the next record: their dates come after.
    bool dansUnePersonne = false;
    QByteArray naissance, deces, evenement;
    const auto finirLaPersonne = [&] {
        if (dansUnePersonne) sortie.write(faitsRiches(n, naissance, deces));
        dansUnePersonne = false;
    };
    while (!entree.atEnd()) {
        const QByteArray ligne = entree.readLine();
        if (ligne.startsWith("0 ")) finirLaPersonne();
        if (ligne.startsWith("0 TRLR"))
            sortie.write("0 @S1@ SOUR\r\n1 TITL Registres paroissiaux\r\n0 @S2@ SOUR\r\n1 TITL "
                         "Recensements\r\n");
        sortie.write(ligne);
        if (ligne.startsWith("1 ")) evenement = ligne.mid(2, 4);
        if (dansUnePersonne && ligne.startsWith("2 DATE ")) {
            if (evenement == "BIRT") naissance = ligne;
            if (evenement == "DEAT") deces = ligne;
        }
        if (!ligne.startsWith("0 @I") || !ligne.contains(" INDI")) continue;
        ++n;
        dansUnePersonne = true;
        naissance.clear();
        deces.clear();
    }
    sortie.close();
    QFile::rename(riche + QStringLiteral(".tmp"), riche);
    return riche;
}

QString ficRiche(const QString& chemin) {
    return QFileInfo(chemin).dir().filePath(QStringLiteral("riche.FIC"));
}

// The rich GEDCOM read into a new file, its companion store written or not.
void importRiche(const QString& chemin, bool complements) {
    OptionsImport options;
    options.complements = complements;
    const ResultatImport r = importerGedcomFichier(gedcomRiche(chemin), 0, options);
    const QString cible = ficRiche(chemin);
    QFile::remove(cible);
    QFile::remove(Complements::cheminPour(cible));
    creerFichierImporte(cible, r.fiches);
    ComplementsDImport(cible, false).garder(r);
    g_compteur += static_cast<std::int64_t>(r.fiches.size());
}

// The export from the window, whose store is open since its first use.
void exportRiche(const QString& chemin, const std::unique_ptr<Complements>& base) {
    const QString fic = ficRiche(chemin);
    FichierDisque f;
    f.ouvrir(fic);
    OptionsExport options;
    options.complements = base.get();
    g_compteur +=
        exporterVersFichier(f, QFileInfo(fic).dir().filePath(QStringLiteral("riche.ged")), options)
            .personnes;
}

void statistiquesDuFichier(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    g_compteur += statistiques(f).fiches;
    f.fermer();
}

// Every pair of persons entered twice, as --doublons lists them.
void doublons(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    g_compteur += static_cast<std::int64_t>(chercherDoublons(f).size());
    f.fermer();
}

// Two kinship searches: two persons with long ancestries, a hundred records
// from the end and a third of the way in (most often unrelated: both
// ancestries walked whole), and the first and a cousin found through a
// grandparent.
void parente(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    const auto dernier = static_cast<std::int32_t>(f.nombreFiches() - 100);
    g_compteur += lienDeParente(f, dernier, static_cast<std::int32_t>(f.nombreFiches() / 3)).trouve;
    TFiche fiche;
    std::int32_t n = dernier;
    for (int g = 0; g < 2 && n >= 0; ++g) {
        f.positionner(n);
        f.lire(fiche);
        n = fiche.Pere;
    }
    std::int32_t cousin = n;
    for (int g = 0; g < 2 && cousin >= 0; ++g) {
        f.positionner(cousin);
        f.lire(fiche);
        cousin = fiche.Enfants[static_cast<std::size_t>(g == 0 ? fiche.NbEnfants > 1 : 0)];
    }
    if (cousin >= 0) g_compteur += lienDeParente(f, dernier, cousin).trouve;
    f.fermer();
}

// The windows on the file, as the program starts with it as its default file.
struct Programme {
    explicit Programme(const QString& chemin) {
        QDir::setCurrent(dossier.path());
        QFile::link(QFileInfo(chemin).absoluteFilePath(),
                    dossier.filePath(QStringLiteral("VELMORIS.FIC")));
    }
    QTemporaryDir dossier;
    DialoguesMuets dialogues;
};

std::int32_t derniereFicheAvecSesParents(const QString& chemin) {
    FichierDisque f;
    f.ouvrir(chemin);
    TFiche fiche;
    for (std::int64_t n = f.nombreFiches() - 1; n >= 0; --n) {
        f.positionner(n);
        f.lire(fiche);
        if (fiche.Pere >= 0 && fiche.Mere >= 0 && fiche.Pere < n && fiche.Mere < n)
            return static_cast<std::int32_t>(n);
    }
    return 0;
}

// The last three records rewritten with what they hold, as a linking
// writes a father, a mother and a child: the bench file stays as it is.
Modification troisDernieres(FichierEnregistrements& f) {
    Modification m;
    m.libelle = QStringLiteral("le chaînage");
    const auto n = static_cast<std::int32_t>(f.nombreFiches());
    for (std::int32_t i = n - 3; i < n; ++i) {
        f.positionner(i);
        f.lire(m.fiches[i]);
    }
    return m;
}

void chainage(const QString& chemin, bool journal) {
    FichierDisque f;
    f.ouvrir(chemin);
    const Modification m = troisDernieres(f);
    if (journal)
        appliquerEnSurete(f, chemin, m);
    else
        appliquerModification(f, m);
}

void enregistrement(const QString& chemin, bool journal) {
    FichierDisque f;
    f.ouvrir(chemin);
    Modification m = troisDernieres(f);
    m.fiches.erase(m.fiches.begin(), std::prev(m.fiches.end()));
    if (journal) {
        appliquerEnSurete(f, chemin, m);
        return;
    }
    f.positionner(m.fiches.begin()->first);
    f.ecrire(m.fiches.begin()->second);
}

// The backup a session's first change makes, in a folder of its own.
void sauvegarde(const QString& chemin) {
    QTemporaryDir dossier(QFileInfo(chemin).absolutePath() + QStringLiteral("/sauvegardes-XXXXXX"));
    sauvegardes::Reglages reglages;
    reglages.dossier = dossier.path();
    reglages.limiteOctets = 1LL << 40;
    sauvegardes::sauvegarder(chemin, reglages);
}

using Operation = std::function<void(const QString&)>;

struct Mesure {
    double medianeMs = 0;
    long pointeKo = 0;
};

Mesure mesurer(const Operation& operation, const QString& chemin, int repetitions,
               const std::function<void()>& avant = {}) {
    std::vector<double> durees;
    for (int i = 0; i < repetitions; ++i) {
        if (avant) avant();
        QElapsedTimer chrono;
        chrono.start();
        operation(chemin);
        durees.push_back(static_cast<double>(chrono.nsecsElapsed()) / 1e6);
    }
    std::sort(durees.begin(), durees.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {durees[durees.size() / 2], usage.ru_maxrss};
}

int operationSeule(const QString& nom, const QString& relatif, int repetitions) {
    const QString chemin = QFileInfo(relatif).absoluteFilePath();
    lectureBrute(chemin); // a warm page cache
    const std::map<QString, Operation> simples = {
        {"lecture_brute", lectureBrute},
        {"recherche_nom", rechercheNom},
        {"candidats_parents", candidatsParents},
        {"conjoint_absent", conjointAbsent},
        {"enfants_dix", dixEnfants},
        {"listing", listing},
        {"copie", copie},
        {"copie_simple", copieSimple},
        {"verification", verification},
        {"export_gedcom", exportGedcom},
        {"statistiques", statistiquesDuFichier},
        {"doublons", doublons},
        {"parente", parente},
        {"import_gedcom", importGedcom},
        {"import_riche_sans", [](const QString& c) { importRiche(c, false); }},
        {"import_riche", [](const QString& c) { importRiche(c, true); }},
        {"export_riche_sans", [](const QString& c) { exportRiche(c, nullptr); }},
        {"chainage_sans", [](const QString& c) { chainage(c, false); }},
        {"chainage", [](const QString& c) { chainage(c, true); }},
        {"enregistrer_sans", [](const QString& c) { enregistrement(c, false); }},
        {"enregistrer", [](const QString& c) { enregistrement(c, true); }},
        {"sauvegarde", sauvegarde}};
    Mesure m;
    if (simples.count(nom)) {
        m = mesurer(simples.at(nom), chemin, repetitions);
    } else if (nom == u"affichage") {
        Programme p(chemin);
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        const std::int32_t n = derniereFicheAvecSesParents(chemin);
        m = mesurer([&](const QString&) { fenetres.principale().pAfficherEnreg(n); }, chemin,
                    repetitions);
    } else if (nom == u"export_riche") {
        const auto base = Complements::ouvrir(ficRiche(chemin), false);
        m = mesurer([&](const QString& c) { exportRiche(c, base); }, chemin, repetitions);
    } else if (nom == u"ouverture_compl") {
        // The store's first use in a session: opened, checked, ready.
        m = mesurer([&](const QString& c) { Complements::ouvrir(ficRiche(c), false); }, chemin,
                    repetitions);
    } else if (nom == u"complements") {
        // The Compléments window's content for a person in the middle of the
        // imported file, its store opened once as the window keeps it.
        const QString fic = ficRiche(chemin);
        FichierDisque f;
        f.ouvrir(fic);
        const auto base = Complements::ouvrir(fic, false);
        const auto n = static_cast<std::int32_t>(f.nombreFiches() / 2);
        m = mesurer(
            [&](const QString&) {
                TFiche p;
                f.positionner(n);
                f.lire(p);
                g_compteur +=
                    static_cast<std::int64_t>(vueComplements(*base, f, n, p).sections.size());
            },
            chemin, repetitions);
    } else if (nom == u"filtre_lieu") {
        // The index's search by place, its index built once as the window keeps
        // it: every person with an event in a commune and its lieux-dits.
        const QString fic = ficRiche(chemin);
        FichierDisque f;
        f.ouvrir(fic);
        const auto base = Complements::ouvrir(fic, false);
        IndexPersonnes index;
        index.construire(f);
        CritereLieuDate critere;
        critere.lieu = QStringLiteral("Commune 42");
        m = mesurer(
            [&](const QString&) {
                index.restreindre(critere, base->personnesSelon(critere));
                g_compteur += static_cast<std::int64_t>(index.visibles().size());
            },
            chemin, repetitions);
    } else if (nom == u"coherence") {
        // The whole consistency check of the rich file: records and the
        // store's events, the store opened once.
        const QString fic = ficRiche(chemin);
        const auto base = Complements::ouvrir(fic, false);
        m = mesurer(
            [&](const QString&) {
                FichierDisque f;
                f.ouvrir(fic);
                verifierCoherence(f, base.get(), {}, [](Constat&&) { ++g_compteur; });
            },
            chemin, repetitions);
    } else if (nom == u"vivants") {
        // Who is presumed living, from the records alone, as a publication asks.
        m = mesurer(
            [&](const QString& c) {
                FichierDisque f;
                f.ouvrir(c);
                const PresomptionVivants p = presumerVivants(f, nullptr);
                g_compteur += std::count(p.vivant.begin(), p.vivant.end(), 1);
            },
            chemin, repetitions);
    } else if (nom == u"parcours_compl") {
        // The store's scan the check makes: every dated event and union.
        const auto base = Complements::ouvrir(ficRiche(chemin), false);
        m = mesurer(
            [&](const QString&) {
                base->parcourirEvenementsDates([](const EvenementDate&) { ++g_compteur; });
                base->parcourirUnions([](const UnionDatee&) { ++g_compteur; });
            },
            chemin, repetitions);
    } else if (nom == u"affichage_riche") {
        // The display of a file with its store beside it: the store stays closed.
        Programme p(ficRiche(chemin));
        QFile::link(Complements::cheminPour(ficRiche(chemin)),
                    Complements::cheminPour(p.dossier.filePath(QStringLiteral("VELMORIS.FIC"))));
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        const auto n =
            static_cast<std::int32_t>(QFileInfo(ficRiche(chemin)).size() / TailleFiche / 2);
        m = mesurer([&](const QString&) { fenetres.principale().pAfficherEnreg(n); }, chemin,
                    repetitions);
    } else if (nom == u"demarrage") {
        Programme p(chemin);
        m = mesurer(
            [&](const QString&) {
                Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
                fenetres.principale().show();
                QApplication::processEvents();
            },
            chemin, repetitions);
    } else if (nom == u"index") {
        // The index opened from the menu: read, sorted by name, shown and painted.
        Programme p(chemin);
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        m = mesurer(
            [&](const QString&) {
                fenetres.principale().IndexDesPersonnes1Click();
                QApplication::processEvents();
                Index->hide();
            },
            chemin, repetitions);
    } else if (nom == u"index_frappe") {
        // Each keystroke of "dupont j" in the filter, the list repainted.
        Programme p(chemin);
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        fenetres.principale().IndexDesPersonnes1Click();
        QApplication::processEvents();
        const QString mot = QStringLiteral("martin j");
        int lettre = 0;
        m = mesurer(
            [&](const QString&) {
                Index->EFiltre->setText(mot.left(lettre % mot.size() + 1));
                QApplication::processEvents();
                ++lettre;
            },
            chemin, static_cast<int>(mot.size()) * 2);
    } else if (nom == u"liste_500k") {
        Programme p(chemin);
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        m = mesurer(
            [&](const QString&) {
                Form2->commencer(QStringLiteral("Sélectionnez"));
                for (int i = 0; i < 500000; ++i)
                    Form2->ajouter(QStringLiteral("DUPONT Jean 01/01/1900"), i);
                Form2->choisir(p.dialogues);
            },
            chemin, repetitions);
    } else if (nom == u"lien_500k") {
        Programme p(chemin);
        Fenetres fenetres(p.dialogues, std::make_unique<FichierDisque>());
        m = mesurer(
            [&](const QString&) {
                FichierDisque fichier;
                fichier.ouvrir(chemin);
                FormLien->preparer(QStringLiteral("ENFANT"),
                                   [&](std::int32_t n, TFiche& fiche) {
                                       fichier.positionner(n);
                                       fichier.lire(fiche);
                                   },
                                   {});
                for (int i = 0; i < 500000; ++i) {
                    FormLien->ajouterPere(i, false);
                    FormLien->ajouterMere(i, false);
                }
                IndexPersonnes index;
                index.construire(fichier);
                FormLien->terminerListes(index);
                p.dialogues.executerModal(*FormLien);
                FormLien->oublierLecteur();
            },
            chemin, repetitions);
    } else {
        std::fprintf(stderr, "opération inconnue : %s\n", qPrintable(nom));
        return 2;
    }
    std::printf("%.3f %ld\n", m.medianeMs, m.pointeKo);
    return 0;
}

Mesure dansUnProcessus(const QString& programme, const QString& nom, const QString& fichier,
                       int reps) {
    QProcess p;
    p.start(programme, {QStringLiteral("--op"), nom, fichier, QString::number(reps)});
    p.waitForFinished(-1);
    const QStringList champs =
        QString::fromLatin1(p.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
    if (p.exitCode() != 0 || champs.size() != 2) {
        std::fprintf(stderr, "%s a échoué : %s\n", qPrintable(nom),
                     p.readAllStandardError().constData());
        return {-1, 0};
    }
    return {champs[0].toDouble(), champs[1].trimmed().toLong()};
}

// Rows read against another: an operation and the one it must stay close to.
struct Rapport {
    const char* operation;
    const char* reference;
    const char* libelle;
    const char* sens;
};
// With a companion store, the import and the export at least half as fast as
// without; linking through the journal under twice the time without it, a
// single save unchanged; the durable copy at most 1.3 times the plain one.
constexpr Rapport Rapports[] = {
    {"import_riche", "import_riche_sans", "import compl.", "durée avec / sans compléments"},
    {"vivants", "lecture_brute", "vivants", "présomption des vivants, au plus 2 × brute"},
    {"export_riche", "export_riche_sans", "export compl.", "durée avec / sans compléments"},
    {"chainage", "chainage_sans", "liens journal", "durée avec / sans journal"},
    {"enregistrer", "enregistrer_sans", "enreg. direct", "durée avec / sans journal"},
    {"copie", "copie_simple", "copie/simple", ""},
    {"sauvegarde", "copie_simple", "sauvegarde/copie", "première modification d'une séance"}};

int tableau(const QString& dossier) {
    const QString programme = QCoreApplication::applicationFilePath();
    const QStringList operations = {
        "lecture_brute",   "recherche_nom",     "candidats_parents", "conjoint_absent",
        "enfants_dix",     "listing",           "copie_simple",      "copie",
        "verification",    "export_gedcom",     "import_gedcom",     "index",
        "index_frappe",    "statistiques",      "parente",           "affichage",
        "demarrage",       "liste_500k",        "lien_500k",         "import_riche_sans",
        "import_riche",    "export_riche_sans", "export_riche",      "complements",
        "filtre_lieu",     "parcours_compl",    "coherence",         "vivants",
        "affichage_riche", "chainage_sans",     "chainage",          "enregistrer_sans",
        "enregistrer",     "sauvegarde",        "doublons"};
    std::printf("%-18s %9s %12s %9s %12s\n", "opération", "fiches", "médiane ms", "× brute",
                "pointe Mo");
    for (const QString& nom : {QStringLiteral("genea100k.FIC"), QStringLiteral("genea1M.FIC")}) {
        const QString fichier = QDir(dossier).filePath(nom);
        const std::int64_t fiches = QFileInfo(fichier).size() / TailleFiche;
        const int reps = fiches > 500000 ? 5 : 9;
        const Mesure brute =
            dansUnProcessus(programme, QStringLiteral("lecture_brute"), fichier, reps);
        std::map<QString, Mesure> mesures;
        for (const QString& op : operations) {
            const bool longue =
                op.endsWith(QStringLiteral("500k")) || op.endsWith(QStringLiteral("gedcom")) ||
                op.contains(QStringLiteral("riche_")) || op.endsWith(QStringLiteral("riche"));
            const Mesure m = op == u"lecture_brute"
                                 ? brute
                                 : dansUnProcessus(programme, op, fichier, longue ? 3 : reps);
            std::printf("%-18s %9lld %12.3f %9.2f %12.1f\n", qPrintable(op),
                        static_cast<long long>(fiches), m.medianeMs, m.medianeMs / brute.medianeMs,
                        m.pointeKo / 1024.0);
            // GEDCOM throughput (at least 50 MB/s), and the import's peak against the
            // size of the file it makes (at most twice).
            if (op.endsWith(QStringLiteral("gedcom"))) {
                const double megaOctets = QFileInfo(cheminGedcom(fichier)).size() / 1e6;
                std::printf("%-18s %9lld %12s %9.1f %12s  Mo/s de GEDCOM (%.0f Mo)\n",
                            op == u"export_gedcom" ? "export Mo/s" : "import Mo/s",
                            static_cast<long long>(fiches), "", megaOctets / (m.medianeMs / 1000),
                            "", megaOctets);
                if (op == u"import_gedcom")
                    std::printf("%-18s %9lld %12s %9.2f %12s  pointe / taille du .FIC\n",
                                "import mémoire", static_cast<long long>(fiches), "",
                                m.pointeKo * 1024.0 / QFileInfo(fichier).size(), "");
            }
            mesures[op] = m;
            // The whole check against what it must read: the records and the store's events.
            if (op == u"coherence")
                std::printf("%-18s %9lld %12s %9.2f %12s  %s\n", "cohérence",
                            static_cast<long long>(fiches), "",
                            m.medianeMs / (brute.medianeMs + mesures["parcours_compl"].medianeMs),
                            "", "durée / (brute + parcours_compl), au plus 3");
            for (const Rapport& r : Rapports)
                if (op == QLatin1String(r.operation))
                    std::printf("%-18s %9lld %12s %9.2f %12s  %s\n", r.libelle,
                                static_cast<long long>(fiches), "",
                                m.medianeMs / mesures[QLatin1String(r.reference)].medianeMs, "",
                                r.sens);
            std::fflush(stdout);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    preparerApplication();
    const QStringList a = application.arguments();
    if (a.size() == 5 && a[1] == u"--op") return operationSeule(a[2], a[3], a[4].toInt());
    if (a.size() == 2) return tableau(a[1]);
    std::fprintf(stderr, "usage : bench_velmoris DOSSIER | --op NOM FICHIER REPETITIONS\n");
    return 2;
}
