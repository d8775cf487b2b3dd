#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Reading GEDCOM text as other programs write it: its character set, its
// lines and its records, with the level mistakes of some programs repaired.
namespace gedcom {

// ---------------------------------------------------------------- character sets

enum class Codage { Utf8, Utf16LE, Utf16BE, Ansel, Cp1252, TableOctets };

// How the values of a file are to be read, from its byte-order mark or the
// CHAR line of its header.
struct JeuDeCaracteres {
    Codage codage = Codage::Utf8;
    QString nom; // as the header names it
    // The 256 characters of a one-byte set other than Windows-1252 (code page 437…).
    std::shared_ptr<const std::array<char16_t, 256>> table;
    bool inconnu = false; // a set no converter knows: read as UTF-8
};

JeuDeCaracteres jeuDeCaracteres(const QByteArray& tete);
// The bytes of the byte-order mark at the head of the file.
std::int64_t tailleMarque(const QByteArray& tete, Codage codage);

// ANSEL, the character set of older genealogy programs, to Unicode.
QString decoderAnsel(std::string_view octets);

// The values of a file, decoded by its set; bytes that are not text in that
// set are counted (a file that says UTF-8 without being so is read as
// Windows-1252 where it fails).
class Decodeur {
public:
    explicit Decodeur(JeuDeCaracteres jeu) : m_jeu(std::move(jeu)) {}
    QString texte(std::string_view octets);
    // A value read a second time (for the companion store): not counted again.
    QString relire(std::string_view octets) {
        const std::int64_t fautives = m_fautives;
        QString t = texte(octets);
        m_fautives = fautives;
        return t;
    }
    std::int64_t valeursFautives() const { return m_fautives; }
    const JeuDeCaracteres& jeu() const { return m_jeu; }

private:
    JeuDeCaracteres m_jeu;
    std::int64_t m_fautives = 0;
};

// ---------------------------------------------------------------- lines

struct Ligne {
    int niveau = 0;
    std::string_view reference; // "@I1@", or empty
    std::string_view etiquette;
    std::string_view valeur;
};

// "level [@xref@] TAG [value]"; false for a line that is none.
bool decouper(std::string_view l, Ligne& sortie);

// A tag as one number, its letters packed; tags longer than eight letters have none.
constexpr std::uint64_t code(std::string_view etiquette) {
    if (etiquette.size() > 8) return 0;
    std::uint64_t c = 0;
    for (const char lettre : etiquette)
        c = c << 8 | static_cast<std::uint8_t>(lettre);
    return c;
}

std::string_view sansBlancs(std::string_view v);

// Cuts a stream of bytes into lines at CR, LF or CR LF, across blocks.
class Decoupeur {
public:
    template <typename F> void ajouter(std::string_view bloc, F&& ligne) {
        std::size_t debut = 0;
        for (std::size_t i = 0; i < bloc.size(); ++i) {
            const char c = bloc[i];
            if (c != '\n' && c != '\r') continue;
            if (m_reste.empty()) {
                ligne(bloc.substr(debut, i - debut));
            } else {
                m_reste.append(bloc.data() + debut, i - debut);
                ligne(std::string_view(m_reste));
                m_reste.clear();
            }
            debut = i + 1;
        }
        m_reste.append(bloc.data() + debut, bloc.size() - debut);
    }
    template <typename F> void terminer(F&& ligne) {
        if (!m_reste.empty()) ligne(std::string_view(m_reste));
        m_reste.clear();
    }

private:
    std::string m_reste;
};

// ---------------------------------------------------------------- records

// One level-0 record and the lines under it, continuations joined to their
// value. A line deeper than one below the line above it is brought up to
// there, and a date or a place written under another date or place goes to
// the event they both belong to, as Gramps reads them.
class Enregistrement {
public:
    void commencer(const Ligne& l);
    // Empty again, its room kept for the next record.
    void vider() {
        m_octets.clear();
        m_lignes.clear();
        m_reparees = 0;
    }
    void ajouter(const Ligne& l);
    void continuer(std::string_view valeur, bool nouvelleLigne);
    // Once the record is whole: places and dates set under their neighbours
    // go to their event.
    void terminer();

    std::size_t taille() const { return m_lignes.size(); }
    bool vide() const { return m_lignes.empty(); }
    int niveau(std::size_t i) const { return m_lignes[i].niveau; }
    std::uint64_t code(std::size_t i) const { return m_lignes[i].code; }
    std::string_view etiquette(std::size_t i) const { return vue(m_lignes[i].etiquette); }
    std::string_view valeur(std::size_t i) const { return vue(m_lignes[i].valeur); }
    std::string_view reference(std::size_t i) const { return vue(m_lignes[i].reference); }
    // The line after the last line under line i.
    std::size_t fin(std::size_t i) const { return m_fins[i]; }
    // The first line under line i with this tag, or 0.
    std::size_t sous(std::size_t i, std::uint64_t etiquette) const;
    // Lines whose level was repaired in this record.
    int lignesReparees() const { return m_reparees; }
    // The GEDCOM text of line i and the lines under it, levels counted from
    // `niveau`, lines ending in "\n"; continuations are written again by the export.
    std::string texte(std::size_t i, int niveau) const;

private:
    struct Portion {
        std::uint32_t debut = 0, longueur = 0;
    };
    struct LigneInterne {
        int niveau;
        std::uint64_t code;
        Portion reference, etiquette, valeur;
    };
    Portion garder(std::string_view octets);
    std::string_view vue(Portion p) const {
        return std::string_view(m_octets).substr(p.debut, p.longueur);
    }
    std::string m_octets;
    std::vector<LigneInterne> m_lignes;
    std::vector<std::uint32_t> m_fins; // by line, once the record is whole
    int m_reparees = 0;
    void calculerFins();
};

// ---------------------------------------------------------------- identifiers

// Cross-reference identifiers to numbers in order of first sight. "@I0123@"
// is packed into one 64-bit key; other forms keep their text.
class Identifiants {
public:
    std::int32_t numero(std::string_view ref);
    // -1 when the identifier was never seen.
    std::int32_t chercher(std::string_view ref) const;
    std::int32_t nombre() const { return m_nombre; }

private:
    static std::optional<std::uint64_t> cleCompacte(std::string_view r);
    std::int32_t* dansLaSuite(std::uint64_t cle);
    const std::int32_t* dansLaSuite(std::uint64_t cle) const;
    std::int32_t m_nombre = 0;
    // Most programs number their records "@I1@", "@I2@"…: the identifiers of
    // the first such series are found by their number in an array, four
    // bytes each, where a table costs ten times as much.
    std::uint64_t m_serie = ~0ULL; // the compact key of the series' number 0
    std::vector<std::int32_t> m_suite;
    std::unordered_map<std::uint64_t, std::int32_t> m_compactes;
    std::unordered_map<std::string, std::int32_t> m_autres;
};

} // namespace gedcom
