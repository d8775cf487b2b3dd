#include "data/fichier/FichiersSurs.h"

#include "data/fichier/Erreurs.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray nomSysteme(const QString& chemin) {
    return QFile::encodeName(chemin);
}

QString natureDe(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("un dossier");
    if (S_ISFIFO(mode)) return QStringLiteral("un tube");
    if (S_ISSOCK(mode)) return QStringLiteral("une prise réseau");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("un périphérique");
    return QStringLiteral("un fichier spécial");
}

[[noreturn]] void leverPasOrdinaire(const QString& chemin, const QString& quoi, mode_t mode) {
    throw ErreurVelmoris(
        QStringLiteral("%1 « %2 » est %3, pas un fichier ordinaire : il ne peut être ni lu ni "
                       "écrit")
            .arg(quoi, chemin, natureDe(mode)));
}

// Opens for reading without ever waiting on a pipe's writer, and checks the
// kind of what was opened (the path may change between a test and the open).
int ouvrirEnLecture(const QString& chemin, const QString& quoi) {
    const int fd = ::open(nomSysteme(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) leverErrno();
    struct stat infos {};
    if (::fstat(fd, &infos) != 0) {
        const int e = errno;
        ::close(fd);
        throw ErreurES(ErreurES::codeDepuisErrno(e));
    }
    if (!S_ISREG(infos.st_mode)) {
        ::close(fd);
        leverPasOrdinaire(chemin, quoi, infos.st_mode);
    }
    return fd;
}

void ecrireTout(int fd, const char* octets, std::int64_t taille) {
    while (taille > 0) {
        const ssize_t n = ::write(fd, octets, static_cast<std::size_t>(taille));
        if (n < 0) {
            if (errno == EINTR) continue;
            leverErrno();
        }
        octets += n;
        taille -= n;
    }
}

} // namespace

bool fichierExiste(const QString& chemin) {
    return !chemin.isEmpty() && QFileInfo::exists(chemin);
}

bool memeFichier(const QString& premier, const QString& second) {
    struct stat a {
    }, b{};
    if (::stat(nomSysteme(premier).constData(), &a) != 0) return false;
    if (::stat(nomSysteme(second).constData(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void exigerFichierOrdinaire(const QString& chemin, const QString& quoi) {
    struct stat infos {};
    if (::stat(nomSysteme(chemin).constData(), &infos) != 0) return;
    if (!S_ISREG(infos.st_mode)) leverPasOrdinaire(chemin, quoi, infos.st_mode);
}

QByteArray lireFichierBorne(const QString& chemin, std::int64_t maximum, const QString& quoi) {
    const int fd = ouvrirEnLecture(chemin, quoi);
    struct Fermeture {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};
    struct stat infos {};
    if (::fstat(fd, &infos) != 0) leverErrno();
    if (infos.st_size > maximum)
        throw ErreurVelmoris(QStringLiteral("%1 « %2 » est trop grand (%3 Mo ; au plus %4 Mo)")
                                 .arg(quoi, chemin)
                                 .arg(infos.st_size >> 20)
                                 .arg(maximum >> 20));
    QByteArray contenu(static_cast<qsizetype>(infos.st_size), Qt::Uninitialized);
    std::int64_t lus = 0;
    while (lus < contenu.size()) {
        const ssize_t n =
            ::read(fd, contenu.data() + lus, static_cast<std::size_t>(contenu.size() - lus));
        if (n < 0) {
            if (errno == EINTR) continue;
            leverErrno();
        }
        if (n == 0) break; // cut short by another program meanwhile
        lus += n;
    }
    contenu.truncate(static_cast<qsizetype>(lus));
    return contenu;
}

void (*EcritureAtomique::etapeObservee)(const char*) = nullptr;

namespace {
void observer(const char* etape) {
    if (EcritureAtomique::etapeObservee) EcritureAtomique::etapeObservee(etape);
}
} // namespace

EcritureAtomique::EcritureAtomique(const QString& cible) {
    // A link is followed: the file it names is the one replaced, and the link stays.
    const QFileInfo infos(cible);
    m_cible = cible;
    if (infos.isSymLink())
        m_cible = infos.exists() ? infos.canonicalFilePath() : infos.symLinkTarget();
    exigerFichierOrdinaire(m_cible, QStringLiteral("Le fichier"));
    struct stat existant {};
    const bool remplace = ::stat(nomSysteme(m_cible).constData(), &existant) == 0;
    // A file the user made read-only stays as it is, even though its folder
    // would let a new file take its name.
    if (remplace && ::access(nomSysteme(m_cible).constData(), W_OK) != 0) leverErrno();
    QByteArray modele = nomSysteme(m_cible) + ".XXXXXX";
    m_fd = ::mkostemp(modele.data(), O_CLOEXEC);
    if (m_fd < 0) leverErrno();
    m_temporaire = QFile::decodeName(modele);
    // The new file keeps the permissions of the one it replaces.
    const mode_t masque = ::umask(0);
    ::umask(masque);
    ::fchmod(m_fd, remplace ? (existant.st_mode & 07777) : (0666 & ~masque));
}

EcritureAtomique::~EcritureAtomique() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_valide) {
        if (observateurDisque) observateurDisque->avantDeRemplacer(m_temporaire);
        ::unlink(nomSysteme(m_temporaire).constData());
    }
}

void EcritureAtomique::ecrire(const char* octets, std::int64_t taille) {
    observer("écrire");
    ecrireTout(m_fd, octets, taille);
}

void EcritureAtomique::valider() {
    observer("synchroniser");
    synchroniserDescripteur(m_fd);
    observer("fermer");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) leverErrno();
    observer("renommer");
    renommer(m_temporaire, m_cible);
    m_valide = true;
    // The new name reaches the disk too.
    synchroniserDossierDe(m_cible);
}

void copierFichierEnSurete(const QString& depuis, const QString& vers, const QString& quoi) {
    exigerFichierOrdinaire(depuis, quoi);
    QFile lecture(depuis);
    if (!lecture.open(QIODevice::ReadOnly)) throw ErreurES(ErreurES::AccesRefuse);
    EcritureAtomique ecriture(vers);
    while (!lecture.atEnd()) {
        const QByteArray bloc = lecture.read(1 << 20);
        if (bloc.isEmpty() && lecture.error() != QFileDevice::NoError)
            throw ErreurES(ErreurES::LectureFinFichier);
        ecriture.ecrire(bloc);
    }
    ecriture.valider();
}

namespace {

void synchroniserDossier(const QString& dossier) {
    const int fd = ::open(nomSysteme(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    if (observateurDisque) observateurDisque->dossierSynchronise(dossier);
}

} // namespace

void synchroniserDossierDe(const QString& chemin) {
    synchroniserDossier(QFileInfo(chemin).absolutePath());
}

ObservateurDisque* observateurDisque = nullptr;

void synchroniserDescripteur(int fd) {
    // The data and the length; the file's times need not be durable.
    if (::fdatasync(fd) != 0) leverErrno();
    if (observateurDisque) observateurDisque->fichierSynchronise(fd);
}

void renommer(const QString& depuis, const QString& vers) {
    if (observateurDisque) observateurDisque->avantDeRemplacer(vers);
    if (::rename(nomSysteme(depuis).constData(), nomSysteme(vers).constData()) != 0) leverErrno();
}

bool supprimerFichier(const QString& chemin) {
    if (observateurDisque) observateurDisque->avantDeRemplacer(chemin);
    if (::unlink(nomSysteme(chemin).constData()) == 0) return true;
    if (errno == ENOENT) return false;
    leverErrno();
}

void creerDossierDurable(const QString& dossier) {
    const QString absolu = QFileInfo(dossier).absoluteFilePath();
    if (QFileInfo(absolu).isDir()) return;
    const QString parent = QFileInfo(absolu).absolutePath();
    if (parent != absolu) creerDossierDurable(parent);
    if (::mkdir(nomSysteme(absolu).constData(), 0777) != 0 && errno != EEXIST) leverErrno();
    synchroniserDossier(parent);
}

void refuserSiFichierGenealogie(const QString& sortie, const QString& genea, const QString& quoi) {
    if (!memeFichier(sortie, genea)) return;
    throw ErreurVelmoris(
        QStringLiteral("%1 ne peut pas être écrit dans « %2 » : c'est le fichier de généalogie "
                       "ouvert, dont toutes les fiches seraient perdues. Choisissez un autre nom")
            .arg(quoi, sortie));
}

void validerPdf(EcritureAtomique& ecriture) {
    const int fd = ouvrirEnLecture(ecriture.cheminTemporaire(), QStringLiteral("Le document PDF"));
    struct stat infos {};
    const bool lu = ::fstat(fd, &infos) == 0;
    QByteArray fin(1024, '\0');
    const off_t debut = lu && infos.st_size > fin.size() ? infos.st_size - fin.size() : 0;
    const ssize_t n =
        lu ? ::pread(fd, fin.data(), static_cast<std::size_t>(fin.size()), debut) : -1;
    ::close(fd);
    if (n <= 0 || !fin.left(n).trimmed().endsWith("%%EOF")) throw ErreurES(ErreurES::DisquePlein);
    ecriture.valider();
}

[[noreturn]] void leverErrno() {
    throw ErreurES(ErreurES::codeDepuisErrno(errno));
}

// Reads exactly `taille` bytes at `decalage`, or fewer only at the end of the file.
std::int64_t lireA(int fd, std::uint8_t* dest, std::int64_t taille, std::int64_t decalage) {
    std::int64_t lus = 0;
    while (lus < taille) {
        const ssize_t n = ::pread(fd, dest + lus, static_cast<std::size_t>(taille - lus),
                                  static_cast<off_t>(decalage + lus));
        if (n < 0) {
            if (errno == EINTR) continue;
            leverErrno();
        }
        if (n == 0) break;
        lus += n;
    }
    return lus;
}

void ecrireA(int fd, const std::uint8_t* source, std::int64_t taille, std::int64_t decalage) {
    std::int64_t ecrits = 0;
    while (ecrits < taille) {
        const ssize_t n = ::pwrite(fd, source + ecrits, static_cast<std::size_t>(taille - ecrits),
                                   static_cast<off_t>(decalage + ecrits));
        if (n < 0) {
            if (errno == EINTR) continue;
            leverErrno();
        }
        ecrits += n;
    }
}
