#pragma once

#include "data/fichier/TFiche.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A file of 380-byte records, the handle every command uses on the current
// genealogy file. Every failure raises ErreurES with its code.
class FichierEnregistrements {
public:
    virtual ~FichierEnregistrements() = default;

    virtual void ouvrir(const QString& chemin) = 0; // existing file, read and write
    virtual void creer(const QString& chemin) = 0;  // created, or emptied when present
    virtual void positionner(std::int64_t numero) = 0;
    virtual void lire(TFiche& fiche) = 0;         // reads at the position, then moves on
    virtual void ecrire(const TFiche& fiche) = 0; // writes at the position, then moves on
    virtual std::int64_t nombreFiches() = 0;      // size / 380, rounded down
    // The bytes after the last whole record, never read as a person.
    virtual std::int64_t octetsApresLaDerniereFiche() { return 0; }
    virtual void tronquer() = 0; // cuts the file at the position
    virtual void fermer() = 0;
    virtual bool estOuvert() const = 0;
    // Reads up to `nombre` whole records from `premier` into `dest` for the
    // scans; returns how many were read (fewer only at the end of the file).
    virtual std::int64_t lireBloc(std::int64_t premier, std::int64_t nombre,
                                  std::uint8_t* dest) = 0;
    // Appends the records at the end, all of them or none: a failure part-way
    // cuts the file back to its size before.
    virtual void ajouter(const std::vector<TFiche>& fiches);
    // Under a journal, the writes of a command reach the disk together, at
    // synchroniser(), instead of one by one.
    virtual void differerSynchro(bool /*differer*/) {}
    virtual void synchroniser() {}
};

// The real file on disk.
class FichierDisque : public FichierEnregistrements {
public:
    FichierDisque() = default;
    ~FichierDisque() override;
    FichierDisque(const FichierDisque&) = delete;
    FichierDisque& operator=(const FichierDisque&) = delete;

    void ouvrir(const QString& chemin) override;
    void creer(const QString& chemin) override;
    void positionner(std::int64_t numero) override;
    void lire(TFiche& fiche) override;
    void ecrire(const TFiche& fiche) override;
    std::int64_t nombreFiches() override;
    std::int64_t octetsApresLaDerniereFiche() override;
    void tronquer() override;
    void fermer() override;
    bool estOuvert() const override { return m_fd >= 0; }
    std::int64_t lireBloc(std::int64_t premier, std::int64_t nombre, std::uint8_t* dest) override;
    // In blocks, with one sync at the end.
    void ajouter(const std::vector<TFiche>& fiches) override;
    void differerSynchro(bool differer) override { m_differer = differer; }
    void synchroniser() override;

private:
    void ouvrirAvec(const QString& chemin, int drapeaux);
    void exigerOuvert() const;
    int m_fd = -1;
    std::int64_t m_position = 0;
    bool m_differer = false;
};

// Closes the file when the command leaves its scope, on every path,
// exceptions included. A normal path closes explicitly to see close errors.
class FermetureGarantie {
public:
    explicit FermetureGarantie(FichierEnregistrements& fichier) : m_fichier(fichier) {}
    ~FermetureGarantie();
    FermetureGarantie(const FermetureGarantie&) = delete;
    FermetureGarantie& operator=(const FermetureGarantie&) = delete;

private:
    FichierEnregistrements& m_fichier;
};

// Reads the records from `premier` to the end in blocks of about 1 MiB and
// hands each to `visiter` with its number; stops early when it returns false.
void parcourirFiches(FichierEnregistrements& fichier,
                     const std::function<bool(std::int32_t, const TFiche&)>& visiter,
                     std::int64_t premier = 0);

// Hands the records' bytes to `traiter` block by block (`parBloc` records,
// fewer at the end). A block small enough for the processor's cache is
// read and worked on before it leaves it.
void parcourirBlocs(FichierEnregistrements& fichier, std::int64_t parBloc,
                    const std::function<void(std::int64_t premier, const std::uint8_t* octets,
                                             std::int64_t nombre)>& traiter);

// Number of records held in a block read by the scans.
constexpr std::int64_t FichesParBloc = (1 << 20) / TailleFiche;
