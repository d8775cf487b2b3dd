#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// File access that never blocks on a pipe or a device, never reads more
// than a cap into memory, and never reports a write as done before the
// bytes are on the disk.

// True when a regular file or anything else exists at the path.
bool fichierExiste(const QString& chemin);

// True when both paths name the same file on disk (through links or another spelling).
bool memeFichier(const QString& premier, const QString& second);

// Raises a French error naming the file when something other than a regular
// file (or a link to one) stands at `chemin`: a pipe, a device, a folder.
// Nothing at the path is fine. `quoi` names the file for the user ("Le
// fichier de paramètres", "L'image"...).
void exigerFichierOrdinaire(const QString& chemin, const QString& quoi);

// Raises the input/output error of the last system call (errno).
[[noreturn]] void leverErrno();

// Reads `taille` bytes at `decalage` of an open file, fewer only at its end;
// returns how many. Writes all of `taille` bytes at `decalage`. Both retry
// when interrupted and raise the input/output error otherwise.
std::int64_t lireA(int fd, std::uint8_t* dest, std::int64_t taille, std::int64_t decalage);
void ecrireA(int fd, const std::uint8_t* source, std::int64_t taille, std::int64_t decalage);

// The whole content of a regular file, opened without blocking, refused with
// a French message naming it when it is larger than `maximum` bytes.
QByteArray lireFichierBorne(const QString& chemin, std::int64_t maximum, const QString& quoi);

// Caps on what is read into memory. No real file comes near them.
constexpr std::int64_t TailleMaxImage = 256LL << 20; // portraits: 256 MiB
constexpr std::int64_t TailleMaxIni = 1LL << 20;     // settings file: 1 MiB
constexpr std::int64_t TailleMaxGedcom = 8LL << 30;  // GEDCOM: 8 GiB, read in blocks

// A file written beside its target and renamed over it only when every byte
// is on the disk: a failure at any step, the last flush and sync included,
// leaves the target as it was and raises the input/output error ("Disque
// plein" for a full disk). A link as target is followed, so the file it
// names is the one replaced.
class EcritureAtomique {
public:
    explicit EcritureAtomique(const QString& cible);
    ~EcritureAtomique();
    EcritureAtomique(const EcritureAtomique&) = delete;
    EcritureAtomique& operator=(const EcritureAtomique&) = delete;

    void ecrire(const char* octets, std::int64_t taille);
    void ecrire(const QByteArray& octets) { ecrire(octets.constData(), octets.size()); }
    // Sync, close, rename over the target, sync the folder.
    void valider();
    // The path really written: the target, or the file a link names.
    const QString& cible() const { return m_cible; }
    // The temporary file, for writers that open a path of their own (PDF):
    // what they leave there is what valider() puts in place.
    const QString& cheminTemporaire() const { return m_temporaire; }

    // Called at each step ("écrire", "synchroniser", "fermer", "renommer")
    // before it runs; the fault-injection tests raise from it. Empty otherwise.
    static void (*etapeObservee)(const char* etape);

private:
    QString m_cible;
    QString m_temporaire;
    int m_fd = -1;
    bool m_valide = false;
};

// Copies a regular file whole, through an atomic write: the target is the
// complete copy or what it was before. `quoi` names the source for the user.
void copierFichierEnSurete(const QString& depuis, const QString& vers, const QString& quoi);

// Makes a file's creation, renaming or removal durable: syncs its folder.
void synchroniserDossierDe(const QString& chemin);

// ---- what reaches the disk for good
// Every moment bytes or names become durable goes through these, and every
// name about to be replaced or removed, so that the power-cut tests can tell
// what a disk would keep if the power went at any point.
class ObservateurDisque {
public:
    virtual ~ObservateurDisque() = default;
    virtual void fichierSynchronise(int fd) = 0;
    virtual void dossierSynchronise(const QString& dossier) = 0;
    virtual void avantDeRemplacer(const QString& chemin) = 0;
};
// Null outside those tests.
extern ObservateurDisque* observateurDisque;

// The bytes of an open file (and its length) on the disk; raises the
// input/output error.
void synchroniserDescripteur(int fd);
// Renames over the target, raising the input/output error; not durable
// until the folder is synced.
void renommer(const QString& depuis, const QString& vers);
// Removes a file; false when there was none; raises on any other failure.
bool supprimerFichier(const QString& chemin);
// Creates a folder and those above it that are missing, each made durable
// in its parent: a crash never keeps a change while losing the folder.
void creerDossierDurable(const QString& dossier);

// Raises a French error when an output of the program would be the current
// genealogy file, through any link or spelling.
void refuserSiFichierGenealogie(const QString& sortie, const QString& genea, const QString& quoi);

// Puts in place a PDF that another writer left at the temporary path, once
// it is seen whole (its last line is the end-of-file mark): a writer that ran
// out of room leaves a cut document, reported as a full disk.
void validerPdf(EcritureAtomique& ecriture);
