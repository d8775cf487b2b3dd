#include "data/journal/CopieEnsemble.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/journal/Journal.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char MagieCopie[] = "VELMCOP1";
constexpr qsizetype TailleMagieCopie = 8;
constexpr qsizetype TailleMaxIntention = 1 << 16;

using journal::fnv1a;
using journal::observer;

void ajouterEntier(QByteArray& o, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        o.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t lireEntier(const QByteArray& o, qsizetype position) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(o[position + i]);
    return v;
}

// The names of a copy, all derived from the genealogy file's path.
struct Noms {
    QString fichier;     // the records' target; a link is followed
    QString complements; // the store's target, beside the name as given
    QString copieFichier() const { return fichier + QStringLiteral("-copie"); }
    QString copieComplements() const { return complements + QStringLiteral("-copie"); }
    QString journalComplements() const { return complements + QStringLiteral("-journal"); }
};

Noms nomsPour(const QString& cheminFichier) {
    const QFileInfo infos(cheminFichier);
    Noms n;
    n.fichier = cheminFichier;
    if (infos.isSymLink())
        n.fichier = infos.exists() ? infos.canonicalFilePath() : infos.symLinkTarget();
    n.complements = Complements::cheminPour(cheminFichier);
    return n;
}

bool existe(const QString& chemin) {
    struct stat infos {};
    return ::lstat(QFile::encodeName(chemin).constData(), &infos) == 0 && S_ISREG(infos.st_mode);
}

// A copy written under a fixed name beside its target, synced before it counts.
class CopiePreparee {
public:
    CopiePreparee(const QString& chemin, const QString& cible) : m_chemin(chemin) {
        exigerFichierOrdinaire(chemin, QStringLiteral("La copie"));
        struct stat existant {};
        const bool remplace = ::stat(QFile::encodeName(cible).constData(), &existant) == 0;
        const mode_t masque = ::umask(0);
        ::umask(masque);
        m_fd = ::open(QFile::encodeName(chemin).constData(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                      remplace ? (existant.st_mode & 07777) : (0666 & ~masque));
        if (m_fd < 0) leverErrno();
    }
    ~CopiePreparee() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CopiePreparee(const CopiePreparee&) = delete;
    CopiePreparee& operator=(const CopiePreparee&) = delete;

    void ecrire(const char* octets, std::int64_t taille) {
        ecrireA(m_fd, reinterpret_cast<const std::uint8_t*>(octets), taille, m_taille);
        m_taille += taille;
    }
    void terminer() {
        synchroniserDescripteur(m_fd);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) leverErrno();
    }

private:
    QString m_chemin;
    int m_fd = -1;
    std::int64_t m_taille = 0;
};

void copierOctets(const QString& depuis, CopiePreparee& vers, const QString& quoi) {
    exigerFichierOrdinaire(depuis, quoi);
    QFile lecture(depuis);
    if (!lecture.open(QIODevice::ReadOnly)) throw ErreurES(ErreurES::AccesRefuse);
    while (!lecture.atEnd()) {
        const QByteArray bloc = lecture.read(1 << 20);
        if (bloc.isEmpty() && lecture.error() != QFileDevice::NoError)
            throw ErreurES(ErreurES::LectureFinFichier);
        vers.ecrire(bloc.constData(), bloc.size());
    }
}

QByteArray intention(const QString& libelle, bool avecComplements) {
    QByteArray o(MagieCopie, TailleMagieCopie);
    ajouterEntier(o, avecComplements ? 1 : 0);
    const QByteArray texte = libelle.toUtf8();
    ajouterEntier(o, static_cast<std::uint64_t>(texte.size()));
    o.append(texte);
    ajouterEntier(o, fnv1a(o.constData(), o.size()));
    return o;
}

struct IntentionLue {
    bool avecComplements = false;
    QString libelle;
};

std::optional<IntentionLue> lireIntention(const QByteArray& o) {
    if (o.size() < TailleMagieCopie + 24 || o.size() > TailleMaxIntention ||
        !o.startsWith(QByteArray(MagieCopie, TailleMagieCopie)))
        return std::nullopt;
    const std::uint64_t longueur = lireEntier(o, TailleMagieCopie + 8);
    if (longueur != static_cast<std::uint64_t>(o.size() - TailleMagieCopie - 24))
        return std::nullopt;
    if (lireEntier(o, o.size() - 8) != fnv1a(o.constData(), o.size() - 8)) return std::nullopt;
    IntentionLue lu;
    lu.avecComplements = lireEntier(o, TailleMagieCopie) != 0;
    lu.libelle = QString::fromUtf8(o.mid(TailleMagieCopie + 16, static_cast<qsizetype>(longueur)));
    return lu;
}

void ecrireIntention(const QString& chemin, const QByteArray& octets) {
    observer("écrire l'intention");
    exigerFichierOrdinaire(chemin, QStringLiteral("Le journal"));
    const int fd = ::open(QFile::encodeName(chemin).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) leverErrno();
    try {
        ecrireA(fd, reinterpret_cast<const std::uint8_t*>(octets.constData()), octets.size(), 0);
        observer("synchroniser l'intention");
        synchroniserDescripteur(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    observer("synchroniser le dossier de l'intention");
    synchroniserDossierDe(chemin);
}

void synchroniserLesDossiers(const Noms& n, const QString& journal) {
    synchroniserDossierDe(journal);
    if (QFileInfo(n.fichier).absolutePath() != QFileInfo(journal).absolutePath())
        synchroniserDossierDe(n.fichier);
}

// The renames of a committed copy; each is done only where it is still to do.
void poserLaCopie(const Noms& n, bool avecComplements, const QString& journal) {
    observer("poser les compléments");
    if (avecComplements) {
        if (existe(n.copieComplements())) {
            supprimerFichier(n.journalComplements());
            renommer(n.copieComplements(), n.complements);
        }
    } else {
        supprimerFichier(n.journalComplements());
        supprimerFichier(n.complements);
    }
    observer("poser la copie");
    if (existe(n.copieFichier())) renommer(n.copieFichier(), n.fichier);
    synchroniserLesDossiers(n, journal);
    observer("supprimer l'intention");
    supprimerFichier(journal);
    synchroniserDossierDe(journal);
}

bool retirerCopies(const Noms& n) {
    bool retire = false;
    for (const QString& copie : {n.copieFichier(), n.copieComplements()})
        if (existe(copie)) retire = supprimerFichier(copie) || retire;
    return retire;
}

QString majusculeInitiale(QString texte) {
    if (!texte.isEmpty()) texte[0] = texte[0].toUpper();
    return texte;
}

} // namespace

namespace journal {

void remplacerParUneCopie(const QString& cible, const QString& libelle,
                          const std::function<void(const EcrireCopie&)>& ecrireFiches,
                          const QString& complementsSource) {
    // What an earlier run left beside the target is settled first.
    rejouerSiPresent(cible);
    const Noms n = nomsPour(cible);
    const QString chemin = cheminPour(cible);
    const bool avecComplements = !complementsSource.isEmpty();
    try {
        observer("préparer la copie");
        CopiePreparee fiches(n.copieFichier(), n.fichier);
        ecrireFiches(
            [&](const char* octets, std::int64_t taille) { fiches.ecrire(octets, taille); });
        fiches.terminer();
        if (avecComplements) {
            observer("préparer les compléments");
            CopiePreparee complements(n.copieComplements(), n.complements);
            copierOctets(complementsSource, complements,
                         QStringLiteral("Le fichier de compléments"));
            complements.terminer();
        }
        // The copies' names are on the disk before the intent can be.
        synchroniserLesDossiers(n, chemin);
        ecrireIntention(chemin, intention(libelle, avecComplements));
    } catch (...) {
        // Before the commit point: the pair stays as it was.
        try {
            supprimerFichier(chemin);
            retirerCopies(n);
        } catch (...) {
        }
        throw;
    }
    poserLaCopie(n, avecComplements, chemin);
}

bool estUneCopie(const QByteArray& journal) {
    return journal.startsWith(QByteArray(MagieCopie, TailleMagieCopie));
}

QString finirCopie(const QString& cheminFichier, const QByteArray& octets) {
    const Noms n = nomsPour(cheminFichier);
    const QString chemin = cheminPour(cheminFichier);
    const std::optional<IntentionLue> lu = lireIntention(octets);
    if (!lu) {
        supprimerFichier(chemin);
        retirerCopies(n);
        synchroniserDossierDe(chemin);
        return QStringLiteral("Une copie de fichier (« Enregistrer sous » ou restauration d'une "
                              "sauvegarde) avait été interrompue avant de rien changer : elle a "
                              "été défaite, le fichier et ses compléments sont restés tels "
                              "qu'ils étaient.");
    }
    poserLaCopie(n, lu->avecComplements, chemin);
    return QStringLiteral("%1 avait été interrompue par un arrêt du programme ou de "
                          "l'ordinateur. Elle a été achevée : le fichier et ses compléments "
                          "sont maintenant ceux de la copie, ensemble.")
        .arg(majusculeInitiale(lu->libelle));
}

QString retirerCopiesPreparees(const QString& cheminFichier) {
    const Noms n = nomsPour(cheminFichier);
    if (!existe(n.copieFichier()) && !existe(n.copieComplements())) return {};
    if (!retirerCopies(n)) return {};
    synchroniserDossierDe(cheminFichier);
    return QStringLiteral("Une copie de fichier (« Enregistrer sous » ou restauration d'une "
                          "sauvegarde) avait été interrompue avant de rien changer : elle a été "
                          "défaite, le fichier et ses compléments sont restés tels qu'ils "
                          "étaient.");
}

} // namespace journal
