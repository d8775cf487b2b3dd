#include "data/fichier/NumerosDeTextes.h"

#include <cstring>
#include <functional>

std::string_view NumerosDeTextes::texteDe(const Case& c) const {
    return {m_blocs[c.debut >> BitsDuDecalage].get() + (c.debut & (OctetsParBloc - 1)), c.longueur};
}

// The text copied into the last block, or a new one; a text longer than a
// block has one of its own.
std::optional<std::uint32_t> NumerosDeTextes::ranger(std::string_view texte) {
    // An offset must stay below a block's size, an empty text's too.
    if (m_remplissage >= OctetsParBloc || m_remplissage + texte.size() > OctetsParBloc) {
        if (m_blocs.size() >= BlocsAuPlus || texte.size() > UINT32_MAX) return std::nullopt;
        m_blocs.push_back(
            std::make_unique_for_overwrite<char[]>(std::max(OctetsParBloc, texte.size())));
        m_remplissage = 0;
    }
    const auto debut =
        static_cast<std::uint32_t>(((m_blocs.size() - 1) << BitsDuDecalage) | m_remplissage);
    if (!texte.empty())
        std::memcpy(m_blocs.back().get() + m_remplissage, texte.data(), texte.size());
    m_remplissage += texte.size();
    return debut;
}

// The slot of the text, or the empty slot where it would go. The table is
// never more than half full: a probe is short and always ends.
std::size_t NumerosDeTextes::trouver(std::string_view texte, std::uint64_t hachage) const {
    const std::size_t masque = m_cases.size() - 1;
    for (std::size_t i = hachage & masque;; i = (i + 1) & masque) {
        const Case& c = m_cases[i];
        if (c.debut == Vide) return i;
        if (c.hachage == hachage && c.longueur == texte.size() && texteDe(c) == texte) return i;
    }
}

std::optional<std::int64_t> NumerosDeTextes::chercher(std::string_view texte) const {
    if (m_cases.empty()) return std::nullopt;
    const Case& c = m_cases[trouver(texte, std::hash<std::string_view>()(texte))];
    if (c.debut == Vide) return std::nullopt;
    return c.numero;
}

bool NumerosDeTextes::ajouter(std::string_view texte, std::int64_t numero) {
    if (2 * (m_nombre + 1) > m_cases.size()) agrandir();
    const std::uint64_t hachage = std::hash<std::string_view>()(texte);
    Case& c = m_cases[trouver(texte, hachage)];
    if (c.debut != Vide) {
        c.numero = numero;
        return true;
    }
    const std::optional<std::uint32_t> debut = ranger(texte);
    if (!debut) return false;
    ++m_nombre;
    c = {hachage, numero, *debut, static_cast<std::uint32_t>(texte.size())};
    return true;
}

void NumerosDeTextes::agrandir() {
    std::vector<Case> anciennes(std::max<std::size_t>(64, m_cases.size() * 2));
    anciennes.swap(m_cases);
    const std::size_t masque = m_cases.size() - 1;
    for (const Case& c : anciennes) {
        if (c.debut == Vide) continue;
        std::size_t i = c.hachage & masque;
        while (m_cases[i].debut != Vide)
            i = (i + 1) & masque;
        m_cases[i] = c;
    }
}
