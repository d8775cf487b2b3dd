#pragma once

// The persons' entries of an import, held compressed until the store takes
// them: a million persons' GEDCOM text would otherwise weigh more than their
// records.
//
// Entries are written one after the other into blocks of about 128 KiB, each
// compressed alone with zstd once full; the last block stays open. An entry:
//   varint(zigzag(fiche)) varint(zigzag(id)) texte(empreinte)
//   varint(nombre de champs) { texte(nom) texte(ecrit) texte(gedcom) }*
//   texte(structures) texte(note)
// where texte is varint(length) then the bytes, and varint is 7 bits a byte,
// low bits first. A walk keeps one block decompressed at a time.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

// What the store keeps of one person.
struct EntreePersonne {
    std::int64_t id = 0;
    std::int32_t fiche = -1;
    std::string empreinte;
    // A field the record holds: what the import wrote in the record
    // (`ecrit`), and the GEDCOM structure the source had for it, used on
    // export while the record still holds exactly `ecrit`.
    struct Champ {
        std::string nom; // "NAME", "OCCU", "BIRT", "DEAT", "OBJE"
        std::string ecrit;
        std::string gedcom;
    };
    std::vector<Champ> champs;
    // Everything else of the person as GEDCOM text, structure after
    // structure, each a level 1 line and the lines under it: events,
    // sources, notes, other names… (structuresDe() parts them).
    std::string structures;
    std::string note; // the user's own note, typed in Velmoris
};

class PersonnesImportees {
public:
    class Parcours;

    void push_back(const EntreePersonne& entree);
    std::size_t size() const { return m_nombre; }
    bool empty() const { return m_nombre == 0; }
    // The entry `i`, read from its block.
    EntreePersonne at(std::size_t i) const;
    Parcours begin() const;
    Parcours end() const;
    // What the entries weigh written out, before compression.
    std::int64_t octets() const { return m_octets; }
    // What they take in memory.
    std::int64_t octetsCompresses() const;

private:
    struct Bloc {
        std::string compresse;
        std::size_t taille = 0;   // its bytes once decompressed
        std::size_t premiere = 0; // the index of its first entry
    };
    std::vector<Bloc> m_blocs;
    std::string m_ouvert;              // the last block's entries, not yet compressed
    std::size_t m_premiereOuverte = 0; // the index of the open block's first entry
    std::size_t m_nombre = 0;
    std::int64_t m_octets = 0;

    void fermerLeBloc();
    // Block `b`'s entries; the open block is the one after the last.
    std::string octetsDuBloc(std::size_t b) const;
};

// The entries in order, each read once; what it points to lasts until the
// next step.
class PersonnesImportees::Parcours {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = EntreePersonne;
    using difference_type = std::ptrdiff_t;
    using pointer = const EntreePersonne*;
    using reference = const EntreePersonne&;

    Parcours(const PersonnesImportees& entrees, std::size_t index);
    const EntreePersonne& operator*() const { return m_courante; }
    const EntreePersonne* operator->() const { return &m_courante; }
    Parcours& operator++();
    bool operator==(const Parcours& autre) const { return m_index == autre.m_index; }

private:
    const PersonnesImportees* m_entrees;
    std::size_t m_index;
    std::size_t m_bloc = 0;
    std::string m_octets; // the current block, decompressed
    std::size_t m_position = 0;
    EntreePersonne m_courante;
    void lire();
};
