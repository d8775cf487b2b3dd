#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Numbers found by a text, for the hundreds of thousands of texts a bulk
// writing meets: the texts one after another in blocks of 1 MiB, the slots
// in one array, so that a lookup touches two places in memory, not a chain
// of nodes scattered through the heap. The blocks never move: the texts
// grow without being copied again.
class NumerosDeTextes {
public:
    std::optional<std::int64_t> chercher(std::string_view texte) const;
    // A text's number, given or changed; false when the table is full
    // (4,095 blocks of text) and keeps what it has.
    bool ajouter(std::string_view texte, std::int64_t numero);
    std::size_t taille() const { return m_nombre; }

private:
    struct Case {
        std::uint64_t hachage = 0;
        std::int64_t numero = 0;
        std::uint32_t debut = Vide;
        std::uint32_t longueur = 0;
    };
    static constexpr std::uint32_t Vide = UINT32_MAX;
    // A text's place: its block in the high bits, its offset in the low ones.
    static constexpr int BitsDuDecalage = 20;
    static constexpr std::size_t OctetsParBloc = std::size_t(1) << BitsDuDecalage;
    static constexpr std::size_t BlocsAuPlus = (Vide >> BitsDuDecalage) - 1;
    std::string_view texteDe(const Case& c) const;
    std::optional<std::uint32_t> ranger(std::string_view texte);
    std::size_t trouver(std::string_view texte, std::uint64_t hachage) const;
    void agrandir();
    std::vector<std::unique_ptr<char[]>> m_blocs;
    std::size_t m_remplissage = OctetsParBloc; // of the last block
    std::vector<Case> m_cases;
    std::size_t m_nombre = 0;
};
