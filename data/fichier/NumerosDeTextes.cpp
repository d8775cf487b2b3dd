#include "data/fichier/NumerosDeTextes.h"

#include <cstring>
#include <functional>

std::string_view NumerosDeTextes::texteDe(const Case& c) const {
    const char* debut = m_blocs[c.debut >> BitsDuDecalage].get() + (c.debut & (OctetsParBloc - 1));
    std::uint32_t longueur = 0;
    std::memcpy(&longueur, debut, TailleDeLaLongueur);
    return {debut + TailleDeLaLongueur, longueur};
}

// The text after its length, copied into the last block or a new one; a
// text longer than a block has one of its own.
std::optional<std::uint32_t> NumerosDeTextes::ranger(std::string_view texte) {
    if (texte.size() > UINT32_MAX - TailleDeLaLongueur) return std::nullopt;
    const std::size_t taille = TailleDeLaLongueur + texte.size();
    // An offset must stay below a block's size.
    if (m_remplissage >= OctetsParBloc || m_remplissage + taille > OctetsParBloc) {
        if (m_blocs.size() >= BlocsAuPlus) return std::nullopt;
        m_blocs.push_back(std::make_unique_for_overwrite<char[]>(std::max(OctetsParBloc, taille)));
        m_remplissage = 0;
    }
    const auto debut =
        static_cast<std::uint32_t>(((m_blocs.size() - 1) << BitsDuDecalage) | m_remplissage);
    char* place = m_blocs.back().get() + m_remplissage;
    const auto longueur = static_cast<std::uint32_t>(texte.size());
    std::memcpy(place, &longueur, TailleDeLaLongueur);
    if (!texte.empty()) std::memcpy(place + TailleDeLaLongueur, texte.data(), texte.size());
    m_remplissage += taille;
    return debut;
}

// The high half of std::hash's well-mixed bits: it tells texts apart and,
// by its low bits, chooses their first slot (up to 2^32 slots).
std::uint32_t NumerosDeTextes::signatureDe(std::string_view texte) {
    return static_cast<std::uint32_t>(std::uint64_t(std::hash<std::string_view>()(texte)) >> 32);
}

// The slot of the text, or the empty slot where it would go. The table is
// never more than 70 % full: a probe is short and always ends.
std::size_t NumerosDeTextes::trouver(std::string_view texte, std::uint32_t signature) const {
    const std::size_t masque = m_cases.size() - 1;
    for (std::size_t i = signature & masque;; i = (i + 1) & masque) {
        const Case& c = m_cases[i];
        if (c.debut == Vide) return i;
        if (c.signature == signature && texteDe(c) == texte) return i;
    }
}

std::optional<std::int64_t> NumerosDeTextes::chercher(std::string_view texte) const {
    if (m_cases.empty()) return std::nullopt;
    const Case& c = m_cases[trouver(texte, signatureDe(texte))];
    if (c.debut == Vide) return std::nullopt;
    return c.numero;
}

bool NumerosDeTextes::ajouter(std::string_view texte, std::int64_t numero) {
    if (10 * (m_nombre + 1) > 7 * m_cases.size()) agrandir();
    const std::uint32_t signature = signatureDe(texte);
    Case& c = m_cases[trouver(texte, signature)];
    if (c.debut != Vide) {
        c.numero = numero;
        return true;
    }
    const std::optional<std::uint32_t> debut = ranger(texte);
    if (!debut) return false;
    ++m_nombre;
    c = {numero, *debut, signature};
    return true;
}

void NumerosDeTextes::agrandir() {
    std::vector<Case> anciennes(std::max<std::size_t>(64, m_cases.size() * 2));
    anciennes.swap(m_cases);
    const std::size_t masque = m_cases.size() - 1;
    for (const Case& c : anciennes) {
        if (c.debut == Vide) continue;
        std::size_t i = c.signature & masque;
        while (m_cases[i].debut != Vide)
            i = (i + 1) & masque;
        m_cases[i] = c;
    }
}
