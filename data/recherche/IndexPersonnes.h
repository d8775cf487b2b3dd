#pragma once

#include "data/fichier/CritereLieuDate.h"
#include "data/fichier/FichierGenea.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Texts that recur across a file (surnames, given names, places, dates),
// each kept once and numbered.
class Dictionnaire {
public:
    std::uint32_t numero(const std::uint8_t* octets, int longueur);
    std::uint32_t taille() const { return static_cast<std::uint32_t>(m_debuts.size()); }
    // The text as the record holds it, in Windows-1252.
    QString texte(std::uint32_t numero) const;
    std::string_view octets(std::uint32_t numero) const;

private:
    void agrandir();
    std::string m_octets;
    std::vector<std::uint32_t> m_debuts;
    std::vector<std::uint32_t> m_cases; // open addressing: number + 1, 0 for empty
};

// A name of a person other than the one the record holds (another script,
// another spelling, a married name), with the fingerprint of the record it
// was kept for: the filter finds the person by it too.
struct AutreNom {
    std::int32_t fiche;
    std::string empreinte;
    QString nom;
};

// The index of persons: every record of a file, to sort by any column and
// to narrow as the user types, in a few bytes a person.
class IndexPersonnes {
public:
    enum class Colonne { Numero, Nom, Prenom, Naissance, LieuNaissance, Deces };
    static constexpr int NombreColonnes = 6;

    // Reads the whole file once, in blocks.
    void construire(FichierEnregistrements& fichier);

    std::int32_t nombre() const { return static_cast<std::int32_t>(m_personnes.size()); }

    // The persons shown, in the order of the sort: positions into the index.
    const std::vector<std::int32_t>& visibles() const { return m_visibles; }

    // Sorts by a column. Names sort in French, ignoring case and accents (a
    // name written several ways sorts by the given names), a
    // leading particle "de" or "d'" set aside; dates by year, month, day,
    // whatever their form, the unknown ones last.
    void trier(Colonne colonne, bool croissant = true);
    Colonne colonneDeTri() const { return m_colonne; }
    bool croissant() const { return m_croissant; }

    // Narrows to the persons of whom every word of `filtre`, in any order,
    // starts a word of the surname (particles included) or of the given
    // names, ignoring accents and case; hyphens and apostrophes part words.
    // Digits alone name a record: that record only. Empty: everyone. Any
    // script is read in Latin letters: "Зыков" finds "Zykov", and the other
    // names given find their persons the same way.
    void filtrer(const QString& filtre);
    // Narrows further to the persons with an event that meets the criteria:
    // the birth and death the records hold, and those the store found
    // (record number and fingerprint), kept while their record still holds
    // that person. Empty criteria: no narrowing.
    void restreindre(const CritereLieuDate& critere,
                     const std::vector<std::pair<std::int32_t, std::string>>& duMagasin);
    const CritereLieuDate& critere() const { return m_critere; }
    // The other names of the persons, those whose record still holds the
    // person they were kept for.
    void ajouterAutresNoms(const std::vector<AutreNom>& noms);
    const QString& filtre() const { return m_filtre; }
    // The persons `douteuse` says (from their birth and death dates) cannot
    // be the one sought come last, in the same order, and are marked.
    void repousser(std::function<bool(const QString& naissance, const QString& deces)> douteuse);
    bool douteuse(std::int32_t personne) const {
        return !m_douteuses.empty() && m_douteuses[static_cast<std::size_t>(personne)];
    }
    // Leaves a record out of every list (the person a choice is about); -1 for none.
    void exclure(std::int32_t numeroFiche);

    // The text of a cell, and the record number, of a person of the index.
    QString texte(std::int32_t personne, Colonne colonne) const;
    std::int32_t numeroFiche(std::int32_t personne) const;
    // The position in visibles() of a record, -1 when it is not shown.
    std::int32_t ligneDe(std::int32_t numeroFiche) const;

private:
    struct Personne {
        std::uint32_t nom, prenom, dateNaissance, lieuNaissance, dateDeces, lieuDeces;
    };
    std::string empreinte(const Personne& p) const;
    void trierVisibles();
    std::vector<Personne> m_personnes; // by record number
    Dictionnaire m_noms, m_prenoms, m_dates, m_lieux;
    std::vector<std::uint32_t> m_rangNom, m_rangPrenom, m_rangLieu; // collation ranks
    std::vector<std::uint32_t> m_rangDate;                // year, month, day order; no date last
    std::vector<QString> m_nomsReduits, m_prenomsReduits; // folded, words parted by blanks
    std::vector<std::pair<std::int32_t, QString>> m_autresNoms; // record, folded name
    CritereLieuDate m_critere;
    std::vector<bool> m_retenues;         // by record, those the criteria keep; empty: everyone
    std::vector<std::int32_t> m_ordre;    // everyone, sorted
    std::vector<std::int32_t> m_visibles; // those the filter keeps, sorted
    Colonne m_colonne = Colonne::Nom;
    bool m_croissant = true;
    QString m_filtre;
    std::int32_t m_exclue = -1;
    std::vector<bool> m_douteuses; // by person, those `repousser` put last
    void repousserLesDouteuses();
    void appliquerFiltre(const QString& filtre);
};

// The sort rank of each text, in French collation (ICU), the particle of a
// surname set aside when `nomDeFamille`.
std::vector<std::uint32_t> rangsFrancais(const std::vector<QString>& textes, bool nomDeFamille);
