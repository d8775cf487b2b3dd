#pragma once

// What a publication shows of the persons presumed living: the records as
// the reports, the chart and the listing read them, masked or cut out.
//
// Masked, a person stays as a link: "Vivant" for the given names, the
// surname and the title kept; no occupation, date, place or portrait.
// Excluded, the person reads as an empty record and every link to them is
// cut from the others (a parent becomes unknown, a child slot is freed and
// the others close up). Of a person whose spouse is presumed living, the
// marriage date and place are left out: the union is the living's too.

#include "data/fichier/FamillesConnues.h"
#include "data/vivants/Vivants.h"

#include <QString>

#include <vector>

// A choice offered before a publication, with its reason.
struct PresetConfidentialite {
    QString libelle;
    int seuil = 100;
    int seuilMineurs = 0;
    TraitementVivants traitement = TraitementVivants::Masquer;
};

// "Publication (100 ans)", "État civil (75 ans, 100 ans pour les mineurs)",
// "Indexation en ligne (120 ans)", then the exclusion.
const std::vector<PresetConfidentialite>& presetsConfidentialite();

struct Confidentialite {
    TraitementVivants traitement = TraitementVivants::Garder;
    PresomptionVivants presomption;

    bool actif() const { return traitement != TraitementVivants::Garder; }
    // Masked or excluded.
    bool protege(std::int32_t n) const;
    bool exclu(std::int32_t n) const {
        return traitement == TraitementVivants::Exclure && protege(n);
    }
    bool conjointProtege(std::int32_t n) const;
    // A record `n` as read from the file, made fit to publish.
    void appliquer(std::int32_t n, TFiche& fiche) const;
    // The persons masked or excluded, in record order.
    std::vector<std::int32_t> proteges() const;
};

// The given names of a masked person.
inline const QString PrenomMasque = QStringLiteral("Vivant");

// The file as a publication may show it, read only: every record read,
// one by one or in blocks, goes through the privacy first.
class FichierConfidentiel : public FichierEnregistrements {
public:
    FichierConfidentiel(FichierEnregistrements& fichier, const Confidentialite& confidentialite)
        : m_fichier(fichier), m_confidentialite(confidentialite) {}

    void ouvrir(const QString&) override { refuser(); }
    void creer(const QString&) override { refuser(); }
    void positionner(std::int64_t numero) override;
    void lire(TFiche& fiche) override;
    void ecrire(const TFiche&) override { refuser(); }
    std::int64_t nombreFiches() override { return m_fichier.nombreFiches(); }
    void tronquer() override { refuser(); }
    void fermer() override { m_fichier.fermer(); }
    bool estOuvert() const override { return m_fichier.estOuvert(); }
    std::int64_t lireBloc(std::int64_t premier, std::int64_t nombre, std::uint8_t* dest) override;
    void ajouter(const std::vector<TFiche>&) override { refuser(); }

private:
    [[noreturn]] static void refuser();
    FichierEnregistrements& m_fichier;
    const Confidentialite& m_confidentialite;
    std::int64_t m_position = 0;
};

// The store's families as a publication may show them. Callers hand in the
// records as the privacy left them: the store is asked with the records as
// the file holds them, read again from `fichier`. A union with a protected
// partner keeps no date, place or event; excluded persons are cut out.
class FamillesConfidentielles : public FamillesConnues {
public:
    FamillesConfidentielles(FamillesConnues& familles, FichierEnregistrements& fichier,
                            const Confidentialite& confidentialite)
        : m_familles(familles), m_fichier(fichier), m_confidentialite(confidentialite) {}
    std::vector<std::int32_t> conjoints(std::int32_t fiche, const TFiche& personne) override;
    std::vector<std::int32_t> enfantsEnPlus(std::int32_t fiche, const TFiche& personne) override;
    std::vector<UnionConnue> unions(std::int32_t fiche, const TFiche& personne) override;

private:
    TFiche original(std::int32_t fiche, const TFiche& lue);
    std::vector<std::int32_t> sansExclus(std::vector<std::int32_t> fiches) const;
    FamillesConnues& m_familles;
    FichierEnregistrements& m_fichier;
    const Confidentialite& m_confidentialite;
};
