#include "tests/CoupureDeCourant.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>
#include <tuple>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype Secteur = 512;
// Beyond this many pending renames and removals, only none and all of them.
constexpr std::size_t OperationsCombinees = 8;

QByteArray lireTout(int fd) {
    QByteArray octets;
    char tampon[1 << 16];
    for (off_t position = 0;;) {
        const ssize_t n = ::pread(fd, tampon, sizeof tampon, position);
        if (n <= 0) break;
        octets.append(tampon, n);
        position += n;
    }
    return octets;
}

ino_t inodeDe(const QString& chemin, bool& dossier) {
    struct stat infos {};
    if (::lstat(QFile::encodeName(chemin).constData(), &infos) != 0) return 0;
    dossier = S_ISDIR(infos.st_mode);
    return infos.st_ino;
}

// A write cut short: the sectors from `premier` to `dernier` of the new
// bytes are there, the others still old.
QByteArray dechire(const QByteArray& ancien, const QByteArray& nouveau, qsizetype premier,
                   qsizetype dernier) {
    QByteArray resultat = ancien;
    const qsizetype fin = std::min<qsizetype>(nouveau.size(), (dernier + 1) * Secteur);
    if (resultat.size() < fin) resultat.resize(fin, '\0');
    for (qsizetype i = premier * Secteur; i < fin; ++i)
        resultat[i] = nouveau[i];
    return resultat;
}

// ---- the SQLite file layer that tells the simulation what the store syncs

CoupureDeCourant* g_coupure = nullptr;
sqlite3_vfs* g_reel = nullptr;

struct FichierSurveille {
    sqlite3_file base;
    sqlite3_file* reel;
    char chemin[1024];
    bool dossierASynchroniser; // a journal just created: the engine syncs its folder once
};

sqlite3_file* reel(sqlite3_file* f) {
    return reinterpret_cast<FichierSurveille*>(f)->reel;
}

int fermer(sqlite3_file* f) {
    const int code = reel(f)->pMethods ? reel(f)->pMethods->xClose(reel(f)) : SQLITE_OK;
    return code;
}
int lire(sqlite3_file* f, void* o, int n, sqlite3_int64 d) {
    return reel(f)->pMethods->xRead(reel(f), o, n, d);
}
int ecrire(sqlite3_file* f, const void* o, int n, sqlite3_int64 d) {
    return reel(f)->pMethods->xWrite(reel(f), o, n, d);
}
int tronquer(sqlite3_file* f, sqlite3_int64 n) {
    return reel(f)->pMethods->xTruncate(reel(f), n);
}
int synchroniser(sqlite3_file* f, int drapeaux) {
    auto* s = reinterpret_cast<FichierSurveille*>(f);
    const int code = s->reel->pMethods->xSync(s->reel, drapeaux);
    if (code == SQLITE_OK && g_coupure) {
        g_coupure->cheminSynchronise(QString::fromUtf8(s->chemin));
        if (s->dossierASynchroniser) {
            s->dossierASynchroniser = false;
            g_coupure->dossierSynchronise(QFileInfo(QString::fromUtf8(s->chemin)).absolutePath());
        }
    }
    return code;
}
int taille(sqlite3_file* f, sqlite3_int64* n) {
    return reel(f)->pMethods->xFileSize(reel(f), n);
}
int verrouiller(sqlite3_file* f, int n) {
    return reel(f)->pMethods->xLock(reel(f), n);
}
int deverrouiller(sqlite3_file* f, int n) {
    return reel(f)->pMethods->xUnlock(reel(f), n);
}
int verrouReserve(sqlite3_file* f, int* n) {
    return reel(f)->pMethods->xCheckReservedLock(reel(f), n);
}
int controle(sqlite3_file* f, int op, void* a) {
    return reel(f)->pMethods->xFileControl(reel(f), op, a);
}
int tailleSecteur(sqlite3_file* f) {
    return reel(f)->pMethods->xSectorSize(reel(f));
}
int caracteristiques(sqlite3_file* f) {
    return reel(f)->pMethods->xDeviceCharacteristics(reel(f));
}

// Version 1 of the file methods: no shared memory and no mapping, which a
// store in rollback-journal mode never asks for.
sqlite3_io_methods methodes() {
    sqlite3_io_methods m{};
    m.iVersion = 1;
    m.xClose = fermer;
    m.xRead = lire;
    m.xWrite = ecrire;
    m.xTruncate = tronquer;
    m.xSync = synchroniser;
    m.xFileSize = taille;
    m.xLock = verrouiller;
    m.xUnlock = deverrouiller;
    m.xCheckReservedLock = verrouReserve;
    m.xFileControl = controle;
    m.xSectorSize = tailleSecteur;
    m.xDeviceCharacteristics = caracteristiques;
    return m;
}
const sqlite3_io_methods Methodes = methodes();

int ouvrir(sqlite3_vfs*, sqlite3_filename nom, sqlite3_file* f, int drapeaux, int* sortie) {
    auto* s = reinterpret_cast<FichierSurveille*>(f);
    s->reel = reinterpret_cast<sqlite3_file*>(s + 1);
    s->chemin[0] = '\0';
    if (nom) std::strncpy(s->chemin, nom, sizeof s->chemin - 1);
    s->chemin[sizeof s->chemin - 1] = '\0';
    s->dossierASynchroniser =
        (drapeaux & SQLITE_OPEN_CREATE) && (drapeaux & SQLITE_OPEN_MAIN_JOURNAL);
    const int code = g_reel->xOpen(g_reel, nom, s->reel, drapeaux, sortie);
    s->base.pMethods = code == SQLITE_OK ? &Methodes : nullptr;
    return code;
}
int supprimer(sqlite3_vfs*, const char* nom, int synchroniserDossier) {
    if (g_coupure) g_coupure->avantDeRemplacer(QString::fromUtf8(nom));
    const int code = g_reel->xDelete(g_reel, nom, synchroniserDossier);
    if (code == SQLITE_OK && synchroniserDossier && g_coupure)
        g_coupure->dossierSynchronise(QFileInfo(QString::fromUtf8(nom)).absolutePath());
    return code;
}
int acceder(sqlite3_vfs*, const char* n, int d, int* r) {
    return g_reel->xAccess(g_reel, n, d, r);
}
int cheminComplet(sqlite3_vfs*, const char* n, int t, char* s) {
    return g_reel->xFullPathname(g_reel, n, t, s);
}
int hasard(sqlite3_vfs*, int n, char* s) {
    return g_reel->xRandomness(g_reel, n, s);
}
int dormir(sqlite3_vfs*, int n) {
    return g_reel->xSleep(g_reel, n);
}
int heure(sqlite3_vfs*, double* t) {
    return g_reel->xCurrentTime(g_reel, t);
}
int derniereErreur(sqlite3_vfs*, int n, char* s) {
    return g_reel->xGetLastError(g_reel, n, s);
}

sqlite3_vfs g_surveillance = {};

void installerLaSurveillance() {
    g_reel = sqlite3_vfs_find("unix");
    g_surveillance.iVersion = 1;
    g_surveillance.szOsFile = static_cast<int>(sizeof(FichierSurveille)) + g_reel->szOsFile;
    g_surveillance.mxPathname = g_reel->mxPathname;
    g_surveillance.zName = "coupure";
    g_surveillance.xOpen = ouvrir;
    g_surveillance.xDelete = supprimer;
    g_surveillance.xAccess = acceder;
    g_surveillance.xFullPathname = cheminComplet;
    g_surveillance.xRandomness = hasard;
    g_surveillance.xSleep = dormir;
    g_surveillance.xCurrentTime = heure;
    g_surveillance.xGetLastError = derniereErreur;
    sqlite3_vfs_register(&g_surveillance, 1);
}

} // namespace

bool EtatDisque::operator<(const EtatDisque& autre) const {
    return std::tie(fichiers, dossiers) < std::tie(autre.fichiers, autre.dossiers);
}

CoupureDeCourant::CoupureDeCourant(const QString& racine)
    : m_racine(QFileInfo(racine).absoluteFilePath()) {
    bool dossier = false;
    m_inodeRacine = inodeDe(m_racine, dossier);
    photographier(m_inodeRacine, m_racine);
    m_etats.insert(m_durable);
    g_coupure = this;
    observateurDisque = this;
    installerLaSurveillance();
}

CoupureDeCourant::~CoupureDeCourant() {
    arreter();
    for (int fd : m_gardes)
        ::close(fd);
}

void CoupureDeCourant::arreter() {
    if (!m_actif) return;
    noterLesCoupures();
    m_actif = false;
    observateurDisque = nullptr;
    g_coupure = nullptr;
    sqlite3_vfs_unregister(&g_surveillance);
    sqlite3_vfs_register(g_reel, 1);
}

// Everything already there counts as on the disk.
void CoupureDeCourant::photographier(ino_t dossier, const QString& chemin) {
    m_cheminsDossiers[dossier] = chemin;
    m_sontDesDossiers.insert(dossier);
    const auto noms = lister(chemin);
    m_durable.dossiers[dossier] = noms;
    for (const auto& [nom, inode] : noms) {
        const QString sous = QDir(chemin).filePath(nom);
        if (QFileInfo(sous).isDir()) {
            photographier(inode, sous);
        } else {
            QFile f(sous);
            if (f.open(QIODevice::ReadOnly)) m_durable.fichiers[inode] = f.readAll();
        }
    }
}

std::map<QString, ino_t> CoupureDeCourant::lister(const QString& chemin) {
    std::map<QString, ino_t> noms;
    const QStringList entrees = QDir(chemin).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& nom : entrees) {
        bool dossier = false;
        const ino_t inode = inodeDe(QDir(chemin).filePath(nom), dossier);
        if (!inode) continue;
        noms[nom] = inode;
        if (dossier) {
            m_sontDesDossiers.insert(inode);
            m_cheminsDossiers[inode] = QDir(chemin).filePath(nom);
        }
    }
    return noms;
}

void CoupureDeCourant::garderEnVie(const QString& chemin) {
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) m_gardes.push_back(fd);
}

// The state now, with every subset of the renames and removals made since
// each folder's last sync.
void CoupureDeCourant::noterLesCoupures() {
    // One change of a folder's names: a removal, a new name, or a rename
    // within the folder, which a journaled file system makes whole.
    struct Operation {
        ino_t dossier;
        QString nom;
        ino_t inode;       // 0: the name goes
        QString ancienNom; // a rename: the name the inode leaves
    };
    std::vector<Operation> operations;
    // Folders reachable now, newly made ones included.
    std::vector<ino_t> aVoir{m_inodeRacine};
    std::set<ino_t> vus;
    while (!aVoir.empty()) {
        const ino_t dossier = aVoir.back();
        aVoir.pop_back();
        if (!vus.insert(dossier).second) continue;
        const auto maintenant = lister(m_cheminsDossiers[dossier]);
        const auto& durable = m_durable.dossiers[dossier];
        std::set<QString> renommes;
        for (const auto& [nom, inode] : maintenant) {
            if (m_sontDesDossiers.count(inode)) aVoir.push_back(inode);
            const auto i = durable.find(nom);
            if (i != durable.end() && i->second == inode) continue;
            QString ancien;
            for (const auto& [nomDurable, inodeDurable] : durable)
                if (inodeDurable == inode && !maintenant.count(nomDurable)) ancien = nomDurable;
            if (!ancien.isEmpty()) renommes.insert(ancien);
            operations.push_back({dossier, nom, inode, ancien});
        }
        for (const auto& [nom, inode] : durable)
            if (!maintenant.count(nom) && !renommes.count(nom))
                operations.push_back({dossier, nom, 0, {}});
    }
    const std::size_t n = operations.size();
    const std::uint64_t combinaisons = n <= OperationsCombinees ? (1ull << n) : 2;
    for (std::uint64_t masque = 0; masque < combinaisons; ++masque) {
        EtatDisque etat = m_durable;
        for (std::size_t i = 0; i < n; ++i) {
            const bool applique = n <= OperationsCombinees ? ((masque >> i) & 1) : masque == 1;
            if (!applique) continue;
            const Operation& o = operations[i];
            if (o.inode)
                etat.dossiers[o.dossier][o.nom] = o.inode;
            else
                etat.dossiers[o.dossier].erase(o.nom);
            if (!o.ancienNom.isEmpty()) etat.dossiers[o.dossier].erase(o.ancienNom);
        }
        m_etats.insert(std::move(etat));
    }
}

void CoupureDeCourant::fichierSynchronise(int fd) {
    struct stat infos {};
    if (::fstat(fd, &infos) != 0) return;
    // Read through a descriptor of our own: the writer's may be write-only.
    const int lecture =
        ::open(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), O_RDONLY);
    if (lecture < 0) return;
    const QByteArray nouveau = lireTout(lecture);
    ::close(lecture);
    const auto ancien = m_durable.fichiers.find(infos.st_ino);
    if (ancien != m_durable.fichiers.end() && ancien->second != nouveau) {
        // The sectors that changed, from the first to the last.
        const QByteArray& a = ancien->second;
        qsizetype premier = -1, dernier = -1;
        const qsizetype secteurs = (std::max(a.size(), nouveau.size()) + Secteur - 1) / Secteur;
        for (qsizetype s = 0; s < secteurs; ++s)
            if (a.mid(s * Secteur, Secteur) != nouveau.mid(s * Secteur, Secteur)) {
                if (premier < 0) premier = s;
                dernier = s;
            }
        if (premier >= 0 && dernier < (nouveau.size() + Secteur - 1) / Secteur) {
            for (const auto& [de, a2] : {std::pair{premier, premier}, std::pair{premier, dernier - 1},
                                         std::pair{premier + 1, dernier}}) {
                if (a2 < de) continue;
                EtatDisque etat = m_durable;
                etat.fichiers[infos.st_ino] = dechire(a, nouveau, de, a2);
                m_etats.insert(std::move(etat));
            }
        }
    }
    m_durable.fichiers[infos.st_ino] = nouveau;
    noterLesCoupures();
}

void CoupureDeCourant::cheminSynchronise(const QString& chemin) {
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    fichierSynchronise(fd);
    ::close(fd);
}

void CoupureDeCourant::dossierSynchronise(const QString& dossier) {
    bool estDossier = false;
    const ino_t inode = inodeDe(dossier, estDossier);
    if (!inode || !estDossier) return;
    m_sontDesDossiers.insert(inode);
    m_cheminsDossiers[inode] = dossier;
    m_durable.dossiers[inode] = lister(dossier);
    noterLesCoupures();
}

void CoupureDeCourant::avantDeRemplacer(const QString& chemin) {
    garderEnVie(chemin);
    noterLesCoupures();
}

void CoupureDeCourant::restituer(const EtatDisque& etat, const QString& dossier) const {
    QDir().mkpath(dossier);
    ecrireDossier(m_inodeRacine, dossier, etat);
}

void CoupureDeCourant::ecrireDossier(ino_t dossier, const QString& chemin,
                                     const EtatDisque& etat) const {
    const auto noms = etat.dossiers.find(dossier);
    if (noms == etat.dossiers.end()) return;
    for (const auto& [nom, inode] : noms->second) {
        const QString cible = QDir(chemin).filePath(nom);
        if (m_sontDesDossiers.count(inode)) {
            QDir().mkpath(cible);
            ecrireDossier(inode, cible, etat);
            continue;
        }
        QFile f(cible);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) continue;
        const auto contenu = etat.fichiers.find(inode);
        if (contenu != etat.fichiers.end()) f.write(contenu->second);
    }
}
