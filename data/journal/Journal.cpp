// The journal of a command: beside "X.FIC", the file "X.FIC-journal" holds,
// while a command writes, the bytes of the file it is about to overwrite, so
// that a crash at any instant is undone at the next open.
//
// Layout (every integer a signed 64-bit little-endian, as in the record file):
//   magic       8 bytes "VELMJNL1" (the last digit is the format's version)
//   label       length, then that many bytes of UTF-8: the command's name
//   file length the length of the genealogy file before the command
//   blocks      their count, then for each: its offset in the file, then its
//               length and that many bytes, the file's content there before
//   checksum    FNV-1a 64 of every byte above, from the magic on
// then, once the companion store's part is ready to commit:
//   magic       8 bytes "COMPLMNT"
//   undo        length, then the store's changeset that takes the part back
//   checksum    FNV-1a 64 of this section, from its magic on
// A journal whose first checksum fails was cut short before any record was
// written, and is ignored; a store section whose checksum fails was never
// committed. Playing a journal back writes every block, sets the file's
// length, then applies the store's undo.

#include "data/journal/Journal.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/journal/CopieEnsemble.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Magie[] = "VELMJNL1";
constexpr char MagieComplements[] = "COMPLMNT";
constexpr qsizetype TailleMagie = 8;
constexpr std::int64_t JournalMax = 1LL << 30;

using journal::fnv1a;
using journal::observer;

// ---- the file's bytes, by path

class Descripteur {
public:
    Descripteur(const QString& chemin, int drapeaux) {
        m_fd = ::open(QFile::encodeName(chemin).constData(), drapeaux | O_CLOEXEC, 0644);
        if (m_fd < 0) leverErrno();
    }
    ~Descripteur() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int fd() const { return m_fd; }
    std::int64_t taille() const {
        struct stat infos {};
        if (::fstat(m_fd, &infos) != 0) leverErrno();
        return infos.st_size;
    }
    QByteArray lire(std::int64_t decalage, std::int64_t longueur) const {
        QByteArray octets(static_cast<qsizetype>(longueur), '\0');
        octets.truncate(static_cast<qsizetype>(
            lireA(m_fd, reinterpret_cast<std::uint8_t*>(octets.data()), longueur, decalage)));
        return octets;
    }
    void ecrire(std::int64_t decalage, const QByteArray& octets) const {
        ecrireA(m_fd, reinterpret_cast<const std::uint8_t*>(octets.constData()), octets.size(),
                decalage);
    }

private:
    int m_fd = -1;
};

// Puts every kept block back and gives the file its length, then syncs.
void ecrireImage(const QString& cheminFichier, const ImageOctets& image) {
    Descripteur fichier(cheminFichier, O_RDWR);
    for (const BlocOctets& b : image.blocs)
        if (b.garde()) fichier.ecrire(b.decalage, b.octets);
    if (::ftruncate(fichier.fd(), image.taille) != 0) leverErrno();
    synchroniserDescripteur(fichier.fd());
}

// ---- the journal's bytes

class Ecrivain {
public:
    void entier(std::int64_t v) {
        const std::int64_t ordonne = qToLittleEndian(v);
        m_octets.append(reinterpret_cast<const char*>(&ordonne), sizeof ordonne);
    }
    void octets(const QByteArray& o) {
        entier(o.size());
        m_octets.append(o);
    }
    void scellement() {
        entier(static_cast<std::int64_t>(fnv1a(m_octets.constData(), m_octets.size())));
    }
    QByteArray& resultat() { return m_octets; }

private:
    QByteArray m_octets;
};

class Lecteur {
public:
    Lecteur(const QByteArray& octets, qsizetype debut) : m_octets(octets), m_position(debut) {}
    bool entier(std::int64_t& v) {
        if (m_octets.size() - m_position < static_cast<qsizetype>(sizeof v)) return false;
        v = qFromLittleEndian<std::int64_t>(m_octets.constData() + m_position);
        m_position += sizeof v;
        return true;
    }
    bool octets(QByteArray& o) {
        std::int64_t n = 0;
        if (!entier(n) || n < 0 || n > m_octets.size() - m_position) return false;
        o = m_octets.mid(m_position, static_cast<qsizetype>(n));
        m_position += static_cast<qsizetype>(n);
        return true;
    }
    // The checksum of everything from `debut` to here follows.
    bool scelle(qsizetype debut) {
        const std::uint64_t attendu = fnv1a(m_octets.constData() + debut, m_position - debut);
        std::int64_t lu = 0;
        return entier(lu) && static_cast<std::uint64_t>(lu) == attendu;
    }
    qsizetype position() const { return m_position; }

private:
    const QByteArray& m_octets;
    qsizetype m_position;
};

QByteArray serialiser(const QString& libelle, const ImageOctets& image) {
    Ecrivain e;
    e.resultat().append(Magie, TailleMagie);
    e.octets(libelle.toUtf8());
    e.entier(image.taille);
    e.entier(static_cast<std::int64_t>(image.blocs.size()));
    for (const BlocOctets& b : image.blocs) {
        e.entier(b.decalage);
        e.octets(b.octets);
    }
    e.scellement();
    return e.resultat();
}

struct JournalLu {
    QString libelle;
    ImageOctets image;
    QByteArray retourComplements;
};

// A journal whose every part is whole; nothing for a partial or foreign one.
std::optional<JournalLu> lireJournal(const QByteArray& octets) {
    if (!octets.startsWith(QByteArray(Magie, TailleMagie))) return std::nullopt;
    Lecteur l(octets, TailleMagie);
    JournalLu lu;
    QByteArray libelle;
    std::int64_t nombre = 0;
    if (!l.octets(libelle) || !l.entier(lu.image.taille) || !l.entier(nombre) || nombre < 0 ||
        lu.image.taille < 0)
        return std::nullopt;
    lu.libelle = QString::fromUtf8(libelle);
    for (std::int64_t i = 0; i < nombre; ++i) {
        BlocOctets b;
        if (!l.entier(b.decalage) || !l.octets(b.octets) || b.decalage < 0) return std::nullopt;
        b.longueur = b.octets.size();
        lu.image.blocs.push_back(std::move(b));
    }
    if (!l.scelle(0)) return std::nullopt;
    // The store's part counts only when whole too; a partial one was never committed.
    const qsizetype debut = l.position();
    if (octets.mid(debut, TailleMagie) == QByteArray(MagieComplements, TailleMagie)) {
        Lecteur c(octets, debut + TailleMagie);
        QByteArray retour;
        if (c.octets(retour) && c.scelle(debut)) lu.retourComplements = retour;
    }
    return lu;
}

// A journal only ever holds bytes of the file as it was, and the file's
// length then differs from now by at most what it holds: anything else is
// not ours, and never written.
bool plausible(const JournalLu& lu, const QString& cheminFichier) {
    struct stat infos {};
    if (::stat(QFile::encodeName(cheminFichier).constData(), &infos) != 0) return false;
    std::int64_t octets = 0;
    for (const BlocOctets& b : lu.image.blocs) {
        if (b.decalage > lu.image.taille || b.longueur > lu.image.taille - b.decalage) return false;
        octets += b.longueur;
    }
    return lu.image.taille <= infos.st_size + octets;
}

// Written in place: a journal cut short by a crash fails its checksum, and
// no record had been written yet. Its name reaches the disk with it.
void ecrireJournal(const QString& chemin, const QString& libelle, const ImageOctets& avant) {
    observer("écrire le journal");
    exigerFichierOrdinaire(chemin, QStringLiteral("Le journal"));
    Descripteur journal(chemin, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
    journal.ecrire(0, serialiser(libelle, avant));
    observer("synchroniser le journal");
    synchroniserDescripteur(journal.fd());
    observer("synchroniser le dossier");
    synchroniserDossierDe(chemin);
}

void ajouterAuJournal(const QString& chemin, const QByteArray& retourComplements) {
    observer("écrire les compléments au journal");
    Descripteur journal(chemin, O_WRONLY | O_APPEND);
    Ecrivain e;
    e.resultat().append(MagieComplements, TailleMagie);
    e.octets(retourComplements);
    e.scellement();
    journal.ecrire(journal.taille(), e.resultat());
    observer("synchroniser le journal");
    synchroniserDescripteur(journal.fd());
}

// The command counts as done once its journal is gone. As in SQLite's
// rollback journal, the removal is not synced: after a power cut that loses
// it, the command is undone whole at the next open, never left half.
void supprimerJournal(const QString& chemin) {
    observer("supprimer le journal");
    supprimerFichier(chemin);
}

// The journal played back: records, length, then the store.
QString rejouer(const QString& cheminFichier, const JournalLu& lu) {
    ecrireImage(cheminFichier, lu.image);
    QString complements;
    if (!lu.retourComplements.isEmpty() && Complements::existe(cheminFichier)) {
        try {
            Complements::ouvrir(cheminFichier, false)->revenir(lu.retourComplements);
        } catch (const ErreurVelmoris& e) {
            complements = QStringLiteral("\rLes compléments n'ont pas pu être remis en état : %1.")
                              .arg(e.texte());
        }
    }
    return complements;
}

BlocOctets blocLu(const Descripteur& fichier, std::int64_t decalage, std::int64_t longueur) {
    BlocOctets b;
    b.decalage = decalage;
    b.octets = fichier.lire(decalage, longueur);
    b.longueur = b.octets.size();
    return b;
}

BlocOctets blocEcrit(std::int64_t decalage, QByteArray octets) {
    BlocOctets b;
    b.decalage = decalage;
    b.longueur = octets.size();
    b.octets = std::move(octets);
    return b;
}

// A disk writes a 512-byte sector whole or not at all, but a power cut can
// leave a record that spans two sectors half old and half new, and an
// append half there: such a write goes through the journal too.
bool ecritureDechirable(const Modification& modification, std::int64_t taille) {
    constexpr std::int64_t Secteur = 512;
    for (const auto& [numero, fiche] : modification.fiches) {
        const std::int64_t debut = std::int64_t{numero} * TailleFiche;
        if (debut + TailleFiche > taille) return true;
        if (debut / Secteur != (debut + TailleFiche - 1) / Secteur) return true;
    }
    return false;
}

QByteArray octetsDe(const TFiche& fiche) {
    QByteArray octets(TailleFiche, '\0');
    encoderFiche(fiche, reinterpret_cast<std::uint8_t*>(octets.data()));
    return octets;
}

// Runs the records' writes, then the store's, then removes the journal; on
// any failure the journal puts everything back before the error goes on.
void executerJournalise(const QString& cheminFichier, const QString& libelle,
                        const ImageOctets& avant, bool journalise,
                        const std::function<void()>& ecrireFiches,
                        const EtapeComplements& complements, EntreeHistorique& entree) {
    const QString chemin = journal::cheminPour(cheminFichier);
    if (journalise) ecrireJournal(chemin, libelle, avant);
    try {
        ecrireFiches();
        if (complements) {
            observer("compléments");
            entree.complementsAller =
                complements([&](const QByteArray& retour) { ajouterAuJournal(chemin, retour); },
                            entree.complementsRetour);
        }
        if (journalise) supprimerJournal(chemin);
    } catch (...) {
        if (journalise) {
            try {
                journal::rejouerSiPresent(cheminFichier);
            } catch (...) {
                // The journal stays for the next open; the first error is the one to tell.
            }
        }
        throw;
    }
}

} // namespace

bool ImageOctets::complete() const {
    return std::all_of(blocs.begin(), blocs.end(), [](const BlocOctets& b) { return b.garde(); });
}

namespace journal {

void (*etapeObservee)(const char*) = nullptr;

QString cheminPour(const QString& cheminFichier) {
    return cheminFichier + QStringLiteral("-journal");
}

namespace {

QString rejouerLeJournal(const QString& cheminFichier) {
    const QString chemin = cheminPour(cheminFichier);
    struct stat infos {};
    if (::lstat(QFile::encodeName(chemin).constData(), &infos) != 0) return {};
    if (!S_ISREG(infos.st_mode)) return {};
    const QByteArray octets = lireFichierBorne(chemin, JournalMax, QStringLiteral("Le journal"));
    if (estUneCopie(octets)) return finirCopie(cheminFichier, octets);
    const std::optional<JournalLu> lu = lireJournal(octets);
    if (!lu) {
        // Never complete, so nothing had been written after it: set aside.
        supprimerJournal(chemin);
        return {};
    }
    if (!plausible(*lu, cheminFichier)) {
        supprimerJournal(chemin);
        return {};
    }
    const QString complements = rejouer(cheminFichier, *lu);
    supprimerJournal(chemin);
    return QStringLiteral("Le dernier changement (%1) avait été interrompu par un arrêt du "
                          "programme ou de l'ordinateur. Il a été défait : le fichier est revenu "
                          "exactement à son état d'avant ce changement.%2")
        .arg(lu->libelle, complements);
}

} // namespace

QString rejouerSiPresent(const QString& cheminFichier) {
    const QString message = rejouerLeJournal(cheminFichier);
    const QString copies = retirerCopiesPreparees(cheminFichier);
    return message.isEmpty() ? copies : message;
}

} // namespace journal

ImageOctets lireImage(const QString& cheminFichier, const ImageOctets& modele) {
    Descripteur fichier(cheminFichier, O_RDONLY);
    ImageOctets image;
    image.taille = fichier.taille();
    for (const BlocOctets& b : modele.blocs) {
        BlocOctets lu = blocLu(fichier, b.decalage, b.longueur);
        if (!b.garde() && lu.longueur == b.longueur) {
            lu.empreinte = fnv1a(lu.octets.constData(), lu.longueur);
            lu.octets.clear();
        }
        image.blocs.push_back(std::move(lu));
    }
    return image;
}

EntreeHistorique appliquerEnSurete(FichierEnregistrements& fichier, const QString& cheminFichier,
                                   const Modification& modification,
                                   const EtapeComplements& complements) {
    EntreeHistorique entree;
    entree.libelle = modification.libelle;
    entree.personne = entree.personneApres = modification.personne;
    {
        Descripteur lecture(cheminFichier, O_RDONLY);
        const std::int64_t taille = lecture.taille();
        entree.avant.taille = entree.apres.taille = taille;
        for (const auto& [numero, fiche] : modification.fiches) {
            const std::int64_t decalage = std::int64_t{numero} * TailleFiche;
            if (decalage < taille)
                entree.avant.blocs.push_back(blocLu(lecture, decalage, TailleFiche));
            entree.apres.blocs.push_back(blocEcrit(decalage, octetsDe(fiche)));
            entree.apres.taille = std::max(entree.apres.taille, decalage + TailleFiche);
        }
        if (modification.nombreFinal) {
            const std::int64_t coupe = *modification.nombreFinal * TailleFiche;
            if (coupe < taille)
                entree.avant.blocs.push_back(blocLu(lecture, coupe, taille - coupe));
            entree.apres.taille = coupe;
        }
    }
    // The same ranges on both sides, so that an undo can check them.
    for (const BlocOctets& b : entree.avant.blocs)
        if (b.decalage >= entree.apres.taille ||
            std::none_of(entree.apres.blocs.begin(), entree.apres.blocs.end(),
                         [&](const BlocOctets& a) { return a.decalage == b.decalage; }))
            entree.apres.blocs.push_back(blocEcrit(b.decalage, {}));
    const bool journalise = modification.fiches.size() + (modification.nombreFinal ? 1 : 0) > 1 ||
                            complements || ecritureDechirable(modification, entree.avant.taille);
    executerJournalise(
        cheminFichier, modification.libelle, entree.avant, journalise,
        [&] {
            if (journalise) {
                // The journal holds the records' old bytes: one sync for them all.
                struct Differe {
                    FichierEnregistrements& f;
                    ~Differe() { f.differerSynchro(false); }
                } differe{fichier};
                fichier.differerSynchro(true);
                appliquerModification(fichier, modification);
                fichier.synchroniser();
                return;
            }
            for (const auto& [numero, fiche] : modification.fiches) {
                fichier.positionner(numero);
                fichier.ecrire(fiche);
            }
            if (modification.nombreFinal) {
                fichier.positionner(*modification.nombreFinal);
                fichier.tronquer();
            }
        },
        complements, entree);
    return entree;
}

EntreeHistorique ajouterEnSurete(FichierEnregistrements& fichier, const QString& cheminFichier,
                                 const std::vector<TFiche>& fiches, const QString& libelle,
                                 const EtapeComplements& complements) {
    EntreeHistorique entree;
    entree.libelle = libelle;
    {
        Descripteur lecture(cheminFichier, O_RDONLY);
        const std::int64_t taille = lecture.taille();
        // A partial record at the end is written over by the first one appended.
        const std::int64_t debut = taille / TailleFiche * TailleFiche;
        entree.avant.taille = taille;
        entree.avant.blocs.push_back(blocLu(lecture, debut, taille - debut));
        entree.apres.taille = debut + static_cast<std::int64_t>(fiches.size()) * TailleFiche;
        entree.personne = static_cast<std::int32_t>(debut / TailleFiche) - 1;
        entree.personneApres = static_cast<std::int32_t>(debut / TailleFiche);
        BlocOctets ajout;
        ajout.decalage = debut;
        ajout.longueur = entree.apres.taille - debut;
        const bool garder = ajout.longueur <= ChangementGardeMax;
        std::uint64_t h = 14695981039346656037ull;
        for (const TFiche& f : fiches) {
            const QByteArray octets = octetsDe(f);
            h = fnv1a(octets.constData(), octets.size(), h);
            if (garder) ajout.octets.append(octets);
        }
        ajout.empreinte = h;
        entree.apres.blocs.push_back(std::move(ajout));
    }
    executerJournalise(
        cheminFichier, entree.libelle, entree.avant, true, [&] { fichier.ajouter(fiches); },
        complements, entree);
    return entree;
}

namespace {

bool memesOctets(const BlocOctets& attendu, const BlocOctets& lu) {
    if (attendu.longueur != lu.longueur) return false;
    if (attendu.garde()) return attendu.octets == lu.octets;
    return attendu.empreinte == fnv1a(lu.octets.constData(), lu.octets.size());
}

} // namespace

void revenirA(const QString& cheminFichier, const ImageOctets& attendu, const ImageOctets& cible,
              const std::function<void()>& complements) {
    Descripteur lecture(cheminFichier, O_RDONLY);
    bool intact = lecture.taille() == attendu.taille;
    for (const BlocOctets& b : attendu.blocs)
        if (intact && b.decalage < attendu.taille)
            intact = memesOctets(b, blocLu(lecture, b.decalage, b.longueur));
    if (!intact)
        throw ErreurVelmoris(
            QStringLiteral("Le fichier a été modifié par un autre programme depuis ce changement : "
                           "il ne peut plus être défait ni refait sans perdre ces modifications. "
                           "Rien n'a été écrit"));
    // What is undone is itself written through the journal, the bytes now in
    // place being the image it would give back.
    ImageOctets present;
    present.taille = attendu.taille;
    for (const BlocOctets& b : cible.blocs)
        present.blocs.push_back(blocLu(lecture, b.decalage, b.longueur));
    const QString chemin = journal::cheminPour(cheminFichier);
    ecrireJournal(chemin, QStringLiteral("une annulation"), present);
    try {
        ecrireImage(cheminFichier, cible);
        if (complements) complements();
        supprimerJournal(chemin);
    } catch (...) {
        try {
            journal::rejouerSiPresent(cheminFichier);
        } catch (...) {
        }
        throw;
    }
}
