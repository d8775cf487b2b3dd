#include "data/fichier/FichierGenea.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// After a failed append the file is cut back; the first error is the one told.
void remettreLaLongueur(int fd) {
    try {
        synchroniserDescripteur(fd);
    } catch (const ErreurES&) {
    }
}

} // namespace

FichierDisque::~FichierDisque() {
    if (m_fd >= 0) ::close(m_fd);
}

void FichierDisque::ouvrirAvec(const QString& chemin, int drapeaux) {
    if (m_fd >= 0) fermer();
    if (chemin.isEmpty()) throw ErreurES(ErreurES::FichierIntrouvable);
    // A folder cannot be opened for writing; the error is the classic one.
    struct stat avant {};
    if (::stat(QFile::encodeName(chemin).constData(), &avant) == 0 && S_ISDIR(avant.st_mode))
        throw ErreurES(ErreurES::AccesRefuse);
    exigerFichierOrdinaire(chemin, QStringLiteral("Le fichier de généalogie"));
    // Never wait on a pipe that took the file's place since the test above.
    const QByteArray nom = QFile::encodeName(chemin);
    const int fd = ::open(nom.constData(), drapeaux | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) leverErrno();
    struct stat infos {};
    if (::fstat(fd, &infos) != 0 || !S_ISREG(infos.st_mode)) {
        ::close(fd);
        exigerFichierOrdinaire(chemin, QStringLiteral("Le fichier de généalogie"));
        throw ErreurES(ErreurES::AccesRefuse);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // Record numbers are signed 32-bit values: a larger file cannot be shown faithfully.
    if (infos.st_size / TailleFiche > std::numeric_limits<std::int32_t>::max()) {
        ::close(fd);
        throw ErreurVelmoris(
            QStringLiteral("Le fichier « %1 » compte %2 fiches : au-delà de 2 147 483 647, les "
                           "numéros de fiche ne tiennent plus. Il n'a pas été ouvert")
                .arg(chemin)
                .arg(static_cast<qint64>(infos.st_size / TailleFiche)));
    }
    m_fd = fd;
    m_position = 0;
}

void FichierDisque::ouvrir(const QString& chemin) {
    ouvrirAvec(chemin, O_RDWR);
}

void FichierDisque::creer(const QString& chemin) {
    ouvrirAvec(chemin, O_RDWR | O_CREAT | O_TRUNC);
}

void FichierDisque::exigerOuvert() const {
    if (m_fd < 0) throw ErreurES(103); // file not open
}

void FichierDisque::positionner(std::int64_t numero) {
    exigerOuvert();
    if (numero < 0) throw ErreurES(ErreurES::LectureFinFichier);
    m_position = numero;
}

void FichierDisque::lire(TFiche& fiche) {
    exigerOuvert();
    std::uint8_t octets[TailleFiche];
    if (lireA(m_fd, octets, TailleFiche, m_position * TailleFiche) < TailleFiche)
        throw ErreurES(ErreurES::LectureFinFichier);
    decoderFiche(octets, fiche);
    ++m_position;
}

void FichierDisque::ecrire(const TFiche& fiche) {
    exigerOuvert();
    std::uint8_t octets[TailleFiche];
    encoderFiche(fiche, octets);
    struct stat avant {};
    if (::fstat(m_fd, &avant) != 0) leverErrno();
    // Never a run of zero-filled records before the one written.
    if (m_position * TailleFiche > avant.st_size)
        throw ErreurVelmoris(
            QStringLiteral("La fiche %1 est au-delà de la fin du fichier, qui n'en compte que %2 : "
                           "rien n'a été écrit")
                .arg(m_position)
                .arg(static_cast<qint64>(avant.st_size / TailleFiche)));
    try {
        ecrireA(m_fd, octets, TailleFiche, m_position * TailleFiche);
        // The record reaches the disk before the command reports success.
        if (!m_differer) synchroniserDescripteur(m_fd);
    } catch (const ErreurES&) {
        // A record appended in part (a full disk) is taken off again: the file
        // never ends in half a record. An overwrite in place needs no new room.
        if (m_position * TailleFiche >= avant.st_size && ::ftruncate(m_fd, avant.st_size) == 0)
            remettreLaLongueur(m_fd);
        throw;
    }
    ++m_position;
}

void FichierDisque::synchroniser() {
    exigerOuvert();
    synchroniserDescripteur(m_fd);
}

std::int64_t FichierDisque::nombreFiches() {
    exigerOuvert();
    struct stat infos {};
    if (::fstat(m_fd, &infos) != 0) leverErrno();
    return static_cast<std::int64_t>(infos.st_size) / TailleFiche;
}

std::int64_t FichierDisque::octetsApresLaDerniereFiche() {
    exigerOuvert();
    struct stat infos {};
    if (::fstat(m_fd, &infos) != 0) leverErrno();
    return static_cast<std::int64_t>(infos.st_size) % TailleFiche;
}

void FichierDisque::tronquer() {
    exigerOuvert();
    if (::ftruncate(m_fd, static_cast<off_t>(m_position * TailleFiche)) != 0) leverErrno();
    synchroniserDescripteur(m_fd);
}

void FichierDisque::fermer() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) leverErrno();
}

std::int64_t FichierDisque::lireBloc(std::int64_t premier, std::int64_t nombre,
                                     std::uint8_t* dest) {
    exigerOuvert();
    if (premier < 0 || nombre <= 0) return 0;
    const std::int64_t octets = lireA(m_fd, dest, nombre * TailleFiche, premier * TailleFiche);
    return octets / TailleFiche;
}

void FichierEnregistrements::ajouter(const std::vector<TFiche>& fiches) {
    const std::int64_t avant = nombreFiches();
    try {
        positionner(avant);
        for (const TFiche& f : fiches)
            ecrire(f);
    } catch (...) {
        try {
            positionner(avant);
            tronquer();
        } catch (...) {
            // The first error is the one to report.
        }
        throw;
    }
}

void FichierDisque::ajouter(const std::vector<TFiche>& fiches) {
    exigerOuvert();
    struct stat avant {};
    if (::fstat(m_fd, &avant) != 0) leverErrno();
    const std::int64_t debut = avant.st_size / TailleFiche * TailleFiche;
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    try {
        std::int64_t position = debut;
        for (std::size_t i = 0; i < fiches.size();) {
            std::size_t dans = 0;
            for (; i < fiches.size() && dans < static_cast<std::size_t>(FichesParBloc); ++i, ++dans)
                encoderFiche(fiches[i], bloc.data() + dans * TailleFiche);
            const std::int64_t taille = static_cast<std::int64_t>(dans) * TailleFiche;
            ecrireA(m_fd, bloc.data(), taille, position);
            position += taille;
        }
        synchroniserDescripteur(m_fd);
    } catch (...) {
        if (::ftruncate(m_fd, avant.st_size) == 0) remettreLaLongueur(m_fd);
        throw;
    }
}

FermetureGarantie::~FermetureGarantie() {
    try {
        m_fichier.fermer();
    } catch (...) {
        // Already leaving on another error; that error is the one reported.
    }
}

void parcourirBlocs(
    FichierEnregistrements& fichier, std::int64_t parBloc,
    const std::function<void(std::int64_t, const std::uint8_t*, std::int64_t)>& traiter) {
    const std::int64_t total = fichier.nombreFiches();
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(parBloc * TailleFiche));
    for (std::int64_t debut = 0; debut < total; debut += parBloc) {
        const std::int64_t voulu = std::min(parBloc, total - debut);
        if (fichier.lireBloc(debut, voulu, bloc.data()) < voulu)
            throw ErreurES(ErreurES::LectureFinFichier);
        traiter(debut, bloc.data(), voulu);
    }
}

void parcourirFiches(FichierEnregistrements& fichier,
                     const std::function<bool(std::int32_t, const TFiche&)>& visiter,
                     std::int64_t premier) {
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    TFiche fiche;
    const std::int64_t total = fichier.nombreFiches();
    for (std::int64_t debut = premier; debut < total; debut += FichesParBloc) {
        const std::int64_t voulu = std::min(FichesParBloc, total - debut);
        const std::int64_t lus = fichier.lireBloc(debut, voulu, bloc.data());
        if (lus < voulu) throw ErreurES(ErreurES::LectureFinFichier);
        for (std::int64_t i = 0; i < lus; ++i) {
            decoderFiche(bloc.data() + i * TailleFiche, fiche);
            if (!visiter(static_cast<std::int32_t>(debut + i), fiche)) return;
        }
    }
}
