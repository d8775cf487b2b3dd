#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Numbers found by a text, for the hundreds of thousands of texts a bulk
// writing meets: the texts one after another in blocks of 1 MiB, each after
// its length, the slots in one array, so that a lookup touches two places
// in memory, not a chain of nodes scattered through the heap. The blocks
// never move: the texts grow without being copied again. A slot is 16
// bytes: half a million places take 16 MiB of slots, not 48.
class NumerosDeTextes {
public:
    std::optional<std::int64_t> chercher(std::string_view texte) const;
    // A text's number, given or changed; false when the table is full
    // (4,095 blocks of text) and keeps what it has.
    bool ajouter(std::string_view texte, std::int64_t numero);
    std::size_t taille() const { return m_nombre; }

private:
    struct Case {
        std::int64_t numero = 0;
        std::uint32_t debut = Vide;  // of the text's length, then the text
        std::uint32_t signature = 0; // the high half of the text's hash
    };
    static_assert(sizeof(Case) == 16);
    static constexpr std::size_t TailleDeLaLongueur = sizeof(std::uint32_t);
    static constexpr std::uint32_t Vide = UINT32_MAX;
    // A text's place: its block in the high bits, its offset in the low ones.
    static constexpr int BitsDuDecalage = 20;
    static constexpr std::size_t OctetsParBloc = std::size_t(1) << BitsDuDecalage;
    static constexpr std::size_t BlocsAuPlus = (Vide >> BitsDuDecalage) - 1;
    std::string_view texteDe(const Case& c) const;
    std::optional<std::uint32_t> ranger(std::string_view texte);
    static std::uint32_t signatureDe(std::string_view texte);
    std::size_t trouver(std::string_view texte, std::uint32_t signature) const;
    void agrandir();
    std::vector<std::unique_ptr<char[]>> m_blocs;
    std::size_t m_remplissage = OctetsParBloc; // of the last block
    std::vector<Case> m_cases;
    std::size_t m_nombre = 0;
};
