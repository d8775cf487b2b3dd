#include "data/complements/PersonnesImportees.h"

#include <zstd.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

// Big enough for zstd to find the repeats of GEDCOM text, small enough that
// reading one entry back costs little.
constexpr std::size_t TailleDeBloc = 128 * 1024;
// zstd's fastest levels keep GEDCOM text to about a sixth of its size.
constexpr int NiveauDeCompression = 1;

void ecrireNombre(std::string& s, std::uint64_t n) {
    while (n >= 0x80) {
        s += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    s += static_cast<char>(n);
}

void ecrireSigne(std::string& s, std::int64_t n) {
    ecrireNombre(s, static_cast<std::uint64_t>(n) << 1 ^ static_cast<std::uint64_t>(n >> 63));
}

void ecrireTexte(std::string& s, const std::string& t) {
    ecrireNombre(s, t.size());
    s += t;
}

[[noreturn]] void blocIllisible() {
    throw std::runtime_error("Un bloc des compléments de l'import ne se relit pas.");
}

// Reads back what the functions above wrote, never past the block's end.
class LecteurDEntree {
public:
    LecteurDEntree(const std::string& octets, std::size_t& position) : m_o(octets), m_p(position) {}
    std::uint64_t nombre() {
        std::uint64_t n = 0;
        for (int decalage = 0; decalage < 64; decalage += 7) {
            if (m_p >= m_o.size()) blocIllisible();
            const auto octet = static_cast<std::uint8_t>(m_o[m_p++]);
            n |= static_cast<std::uint64_t>(octet & 0x7F) << decalage;
            if (octet < 0x80) return n;
        }
        blocIllisible();
    }
    std::int64_t signe() {
        const std::uint64_t n = nombre();
        return static_cast<std::int64_t>(n >> 1) ^ -static_cast<std::int64_t>(n & 1);
    }
    void texte(std::string& t) {
        const std::uint64_t longueur = nombre();
        if (longueur > m_o.size() - m_p) blocIllisible();
        t.assign(m_o, m_p, longueur);
        m_p += longueur;
    }

private:
    const std::string& m_o;
    std::size_t& m_p;
};

void ecrireEntree(std::string& s, const EntreePersonne& e) {
    ecrireSigne(s, e.fiche);
    ecrireSigne(s, e.id);
    ecrireTexte(s, e.empreinte);
    ecrireNombre(s, e.champs.size());
    for (const EntreePersonne::Champ& c : e.champs) {
        ecrireTexte(s, c.nom);
        ecrireTexte(s, c.ecrit);
        ecrireTexte(s, c.gedcom);
    }
    ecrireTexte(s, e.structures);
    ecrireTexte(s, e.note);
}

// Into `e`, whose rooms are kept for the next entry of a walk.
void lireEntree(const std::string& octets, std::size_t& position, EntreePersonne& e) {
    LecteurDEntree l(octets, position);
    e.fiche = static_cast<std::int32_t>(l.signe());
    e.id = l.signe();
    l.texte(e.empreinte);
    const std::uint64_t champs = l.nombre();
    if (champs > octets.size()) blocIllisible();
    e.champs.resize(champs);
    for (EntreePersonne::Champ& c : e.champs) {
        l.texte(c.nom);
        l.texte(c.ecrit);
        l.texte(c.gedcom);
    }
    l.texte(e.structures);
    l.texte(e.note);
}

struct LibererContexte {
    void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};

ZSTD_CCtx* contexteDeCompression() {
    // One per thread, kept: making one costs more than compressing a block.
    thread_local std::unique_ptr<ZSTD_CCtx, LibererContexte> contexte(ZSTD_createCCtx());
    if (!contexte) throw std::bad_alloc();
    return contexte.get();
}

} // namespace

void PersonnesImportees::push_back(const EntreePersonne& entree) {
    const std::size_t avant = m_ouvert.size();
    if (m_ouvert.capacity() < TailleDeBloc) m_ouvert.reserve(TailleDeBloc + TailleDeBloc / 4);
    ecrireEntree(m_ouvert, entree);
    m_octets += static_cast<std::int64_t>(m_ouvert.size() - avant);
    ++m_nombre;
    if (m_ouvert.size() >= TailleDeBloc) fermerLeBloc();
}

void PersonnesImportees::fermerLeBloc() {
    std::string compresse(ZSTD_compressBound(m_ouvert.size()), '\0');
    const std::size_t taille =
        ZSTD_compressCCtx(contexteDeCompression(), compresse.data(), compresse.size(),
                          m_ouvert.data(), m_ouvert.size(), NiveauDeCompression);
    if (ZSTD_isError(taille)) throw std::bad_alloc();
    m_blocs.push_back({compresse.substr(0, taille), m_ouvert.size(), m_premiereOuverte});
    m_premiereOuverte = m_nombre;
    m_ouvert.clear();
    // The room a long entry made is let go, not kept for the next block
    // (assigning an empty string would keep it).
    if (m_ouvert.capacity() > 2 * TailleDeBloc) m_ouvert.shrink_to_fit();
}

std::string PersonnesImportees::octetsDuBloc(std::size_t b) const {
    if (b >= m_blocs.size()) return m_ouvert;
    const Bloc& bloc = m_blocs[b];
    std::string octets(bloc.taille, '\0');
    const std::size_t lus =
        ZSTD_decompress(octets.data(), octets.size(), bloc.compresse.data(), bloc.compresse.size());
    if (ZSTD_isError(lus) || lus != bloc.taille) blocIllisible();
    return octets;
}

EntreePersonne PersonnesImportees::at(std::size_t i) const {
    if (i >= m_nombre) throw std::out_of_range("PersonnesImportees::at");
    // The last block whose first entry is at or before i, or the open one.
    const auto apres =
        std::upper_bound(m_blocs.begin(), m_blocs.end(), i,
                         [](std::size_t n, const Bloc& b) { return n < b.premiere; });
    const std::size_t b = i >= m_premiereOuverte
                              ? m_blocs.size()
                              : static_cast<std::size_t>(apres - m_blocs.begin()) - 1;
    const std::string octets = octetsDuBloc(b);
    EntreePersonne e;
    std::size_t p = 0;
    for (std::size_t n = b < m_blocs.size() ? m_blocs[b].premiere : m_premiereOuverte; n <= i; ++n)
        lireEntree(octets, p, e);
    return e;
}

std::int64_t PersonnesImportees::octetsCompresses() const {
    std::int64_t n = static_cast<std::int64_t>(m_ouvert.capacity());
    for (const Bloc& b : m_blocs)
        n += static_cast<std::int64_t>(b.compresse.capacity() + sizeof(Bloc));
    return n;
}

PersonnesImportees::Parcours PersonnesImportees::begin() const {
    return Parcours(*this, 0);
}

PersonnesImportees::Parcours PersonnesImportees::end() const {
    return Parcours(*this, m_nombre);
}

PersonnesImportees::Parcours::Parcours(const PersonnesImportees& entrees, std::size_t index)
    : m_entrees(&entrees), m_index(index) {
    if (m_index == 0 && m_index < m_entrees->m_nombre) {
        m_octets = m_entrees->octetsDuBloc(0);
        lire();
    }
}

PersonnesImportees::Parcours& PersonnesImportees::Parcours::operator++() {
    if (++m_index < m_entrees->m_nombre) lire();
    return *this;
}

void PersonnesImportees::Parcours::lire() {
    if (m_position >= m_octets.size()) {
        m_octets = m_entrees->octetsDuBloc(++m_bloc);
        m_position = 0;
    }
    lireEntree(m_octets, m_position, m_courante);
}
