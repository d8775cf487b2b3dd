#pragma once

// The consistency check's own model and rules; internal to the check.

#include "data/coherence/Coherence.h"
#include "data/fichier/IntervalleDate.h"
#include "data/fichier/TFiche.h"

#include <QStringList>

#include <unordered_map>
#include <unordered_set>

struct EvenementDate;
struct UnionDatee;

namespace coherence {

// A person named in a finding, by record: the name is put in at the end.
inline QString qui(std::int32_t n) {
    QString marque;
    marque.reserve(13);
    marque += u'§';
    marque += QString::number(n);
    marque += u'§';
    return marque;
}
// The values a finding compared, kept to recognise it once dismissed.
inline std::string valeurs(std::initializer_list<QString> v) {
    std::string s;
    for (const QString& valeur : v) {
        if (!s.empty() || &valeur != v.begin()) s += '|';
        s += valeur.toStdString();
    }
    return s;
}

// A date's first and last possible day (Julian day numbers); unknown when
// the last comes before the first.
struct Jours {
    std::int64_t premier = 1, dernier = 0;
    bool connu() const { return premier <= dernier; }
    // Every day of this one before every day of the other.
    bool avant(const Jours& autre) const {
        return connu() && autre.connu() && dernier < autre.premier;
    }
};

// A person in a few bytes: what the rules compare.
struct Personne {
    char sexe = '?';
    std::uint8_t nbEnfants = 0;
    std::int32_t pere = -1, mere = -1;
    Jours naissance, deces, mariage, bapteme, inhumation;
    std::uint64_t empreinte = 0; // the record's fingerprint, to match the store's entries
};

struct UnionConnue {
    std::int32_t mari = -1, femme = -1;
    Jours mariage, divorce;
    std::string dateMariage; // as the store says it, empty for the records' own
};

class Verification {
public:
    Verification(FichierEnregistrements& fichier, Complements* complements, const Seuils& seuils);
    void lirePersonnes();
    void lireLeMagasin();
    void lireLesFamilles();
    // Where the findings go: by batches, each in record order, named.
    void sortie(const std::function<void(Constat&&)>& constat) { m_sortie = &constat; }
    void rendre(const std::function<void(Constat&&)>& constat);

private:
    // The first walk, on the records' bytes.
    void lirePersonne(std::int32_t n, const std::uint8_t* fiche, std::int64_t nombre);
    Jours joursDuChamp(std::int32_t n, const std::uint8_t* champ, const QString& quoi);
    void verifierUneDate(std::int32_t n, const QString& quoi, const QString& date);
    void verifierLaPersonne(std::int32_t n, const std::uint8_t* fiche);
    void verifierLAgeAuMariage(std::int32_t n, const Jours& mariage,
                               const std::function<QString()>& date);
    void verifierLesLiens(std::int32_t n, const std::uint8_t* fiche, std::int64_t nombre);
    // The second.
    void evenementDuMagasin(const EvenementDate& e);
    void verifierUneDateGedcom(std::int32_t n, const std::string& etiquette,
                               const std::string& date);
    void verifierUneDateGedcomNeuve(std::int32_t n, const QString& quoi, const std::string& date);
    void verifierBaptemeEtInhumation(std::int32_t n);
    void enfantDuMagasin(const UnionDatee& u);
    // The third.
    void verifierLesParents(std::int32_t n);
    void verifierUnParent(std::int32_t enfant, std::int32_t parent, bool pere);
    void verifierLaFratrie(std::int32_t n, const std::uint8_t* fiche);
    void verifierLaReciprocite(std::int32_t n);
    void verifierLesAncetres();
    void verifierLesUnions();
    bool estAscendant(std::int32_t ancetre, std::int32_t de, int generations) const;

    void signaler(std::int32_t fiche, const char* regle, QString message, std::string valeurs);
    const Personne* personne(std::int32_t n) const;
    // Years added to a day; an open end stays open.
    static std::int64_t plusAnnees(std::int64_t jour, int annees);
    static QString enClair(const Jours& j);

    FichierEnregistrements& m_fichier;
    Complements* m_complements;
    const Seuils& m_seuils;
    std::int64_t m_aujourdhui;
    std::vector<Personne> m_personnes;
    std::vector<UnionConnue> m_unions;
    std::vector<std::uint8_t> m_listes; // by person: listed by its father (1), its mother (2)
    std::vector<Constat> m_constats;
    const std::function<void(Constat&&)>* m_sortie = nullptr;
    std::unordered_map<const char*, Gravite> m_gravites;
    std::unordered_set<std::string> m_datesExistantes; // store dates found to exist
    // The records' date texts read once: their days, and whether they raised
    // no finding (a file repeats its dates).
    struct DateDeFiche {
        Jours jours;
        bool sansConstat = false;
    };
    std::unordered_map<std::string, DateDeFiche> m_datesDesFiches;
    std::vector<std::pair<Jours, std::int32_t>> m_naissances; // one parent's children
};

} // namespace coherence
