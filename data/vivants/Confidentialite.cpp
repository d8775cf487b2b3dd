#include "data/vivants/Confidentialite.h"

#include "data/fichier/Erreurs.h"

#include <algorithm>

const std::vector<PresetConfidentialite>& presetsConfidentialite() {
    static const std::vector<PresetConfidentialite> presets = {
        {QStringLiteral("Masquer — publication (100 ans)"), 100, 0, TraitementVivants::Masquer},
        {QStringLiteral("Masquer — état civil (75 ans, 100 ans pour les mineurs)"), 75, 100,
         TraitementVivants::Masquer},
        {QStringLiteral("Masquer — indexation en ligne (120 ans)"), 120, 0,
         TraitementVivants::Masquer},
        {QStringLiteral("Exclure, avec leurs liens (100 ans)"), 100, 0, TraitementVivants::Exclure},
    };
    return presets;
}

namespace {

bool vrai(const std::vector<std::uint8_t>& v, std::int32_t n) {
    return n >= 0 && static_cast<std::size_t>(n) < v.size() && v[static_cast<std::size_t>(n)];
}

// Emptied to the last byte: the record's bytes past a length keep their old
// text, and a published block must not carry it.
template <int L> void effacer(ChampTexte<L>& champ) {
    champ = ChampTexte<L>{};
}

void masquer(TFiche& f) {
    effacer(f.Prenom);
    f.Prenom.definir(PrenomMasque);
    for (auto* champ : {&f.DateNaissance, &f.DateMariage, &f.DateDeces})
        effacer(*champ);
    for (auto* champ : {&f.LieuNaissance, &f.LieuMariage, &f.LieuDeces, &f.Profession})
        effacer(*champ);
    effacer(f.Photo);
}

} // namespace

bool Confidentialite::protege(std::int32_t n) const {
    return actif() && vrai(presomption.vivant, n);
}

bool Confidentialite::conjointProtege(std::int32_t n) const {
    return actif() && vrai(presomption.conjointVivant, n);
}

void Confidentialite::appliquer(std::int32_t n, TFiche& f) const {
    if (!actif()) return;
    if (exclu(n)) {
        f = TFiche{};
        ViderFiche(f);
        return;
    }
    if (protege(n)) masquer(f);
    if (conjointProtege(n)) {
        effacer(f.DateMariage);
        effacer(f.LieuMariage);
    }
    if (traitement != TraitementVivants::Exclure) return;
    if (exclu(f.Pere)) f.Pere = -1;
    if (exclu(f.Mere)) f.Mere = -1;
    // The freed slots close up, and the count follows.
    auto fin = std::remove_if(f.Enfants.begin(), f.Enfants.end(),
                              [&](std::int32_t e) { return e != -1 && exclu(e); });
    const auto retires = static_cast<int>(f.Enfants.end() - fin);
    std::fill(fin, f.Enfants.end(), -1);
    f.NbEnfants = static_cast<std::uint8_t>(std::max(0, int(f.NbEnfants) - retires));
}

std::vector<std::int32_t> Confidentialite::proteges() const {
    std::vector<std::int32_t> r;
    if (!actif()) return r;
    for (std::size_t n = 0; n < presomption.vivant.size(); ++n)
        if (presomption.vivant[n]) r.push_back(static_cast<std::int32_t>(n));
    return r;
}

void FichierConfidentiel::refuser() {
    throw ErreurVelmoris(QStringLiteral("Une publication lit le fichier sans jamais l'écrire."));
}

void FichierConfidentiel::positionner(std::int64_t numero) {
    m_fichier.positionner(numero);
    m_position = numero;
}

void FichierConfidentiel::lire(TFiche& fiche) {
    m_fichier.lire(fiche);
    m_confidentialite.appliquer(static_cast<std::int32_t>(m_position++), fiche);
}

std::int64_t FichierConfidentiel::lireBloc(std::int64_t premier, std::int64_t nombre,
                                           std::uint8_t* dest) {
    const std::int64_t lues = m_fichier.lireBloc(premier, nombre, dest);
    if (!m_confidentialite.actif()) return lues;
    TFiche f;
    for (std::int64_t i = 0; i < lues; ++i) {
        std::uint8_t* octets = dest + i * TailleFiche;
        decoderFiche(octets, f);
        m_confidentialite.appliquer(static_cast<std::int32_t>(premier + i), f);
        encoderFiche(f, octets);
    }
    return lues;
}

TFiche FamillesConfidentielles::original(std::int32_t fiche, const TFiche& lue) {
    if (!m_confidentialite.actif() || fiche < 0 || fiche >= m_fichier.nombreFiches()) return lue;
    TFiche f;
    m_fichier.positionner(fiche);
    m_fichier.lire(f);
    return f;
}

std::vector<std::int32_t>
FamillesConfidentielles::sansExclus(std::vector<std::int32_t> fiches) const {
    std::erase_if(fiches, [this](std::int32_t n) { return m_confidentialite.exclu(n); });
    return fiches;
}

std::vector<std::int32_t> FamillesConfidentielles::conjoints(std::int32_t fiche,
                                                             const TFiche& personne) {
    if (m_confidentialite.exclu(fiche)) return {};
    return sansExclus(m_familles.conjoints(fiche, original(fiche, personne)));
}

std::vector<std::int32_t> FamillesConfidentielles::enfantsEnPlus(std::int32_t fiche,
                                                                 const TFiche& personne) {
    if (m_confidentialite.exclu(fiche)) return {};
    return sansExclus(m_familles.enfantsEnPlus(fiche, original(fiche, personne)));
}

std::vector<UnionConnue> FamillesConfidentielles::unions(std::int32_t fiche,
                                                         const TFiche& personne) {
    if (m_confidentialite.exclu(fiche)) return {};
    std::vector<UnionConnue> unions = m_familles.unions(fiche, original(fiche, personne));
    const Confidentialite& c = m_confidentialite;
    for (UnionConnue& u : unions) {
        if (c.protege(fiche) || c.protege(u.conjoint)) {
            u.date.clear();
            u.lieu.clear();
            u.cleDate = -1;
            u.evenements.clear();
        }
        if (c.exclu(u.conjoint)) u.conjoint = -1;
        std::erase_if(u.enfants, [&c](const EnfantDUnion& e) { return c.exclu(e.fiche); });
        // How a living child is linked (adopted, recognised…) is theirs to tell.
        for (EnfantDUnion& e : u.enfants)
            if (c.protege(e.fiche)) e.filiation.clear();
    }
    std::erase_if(unions, [](const UnionConnue& u) {
        return u.conjoint < 0 && u.enfants.empty() && u.date.isEmpty() && u.lieu.isEmpty();
    });
    return unions;
}
