// The store following two records merged into one and the file kept dense.
#include "data/complements/Complements.h"

#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <vector>

namespace {

using namespace magasin;

bool tableExiste(sqlite3* base, const char* table) {
    Requete r(base, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    r.lier(1, std::string(table));
    return r.ligne();
}

} // namespace

void Complements::suivreFusion(std::int32_t garde, std::int32_t retire, std::int32_t derniere,
                               const TFiche& fusion) {
    const std::int32_t arrivee = garde == derniere ? retire : garde;
    // A number no record holds, while the others move.
    constexpr std::int64_t EnAttente = -1000000000;
    const std::string empreinte = empreinteDe(fusion);
    enTransaction(*this, [&] {
        // The findings dismissed compared values the merge changes.
        if (tableExiste(m_base, "coherence_ignoree"))
            Requete(m_base, "DELETE FROM coherence_ignoree WHERE fiche IN (?, ?)")
                .lier(1, garde)
                .lier(2, retire)
                .executer();
        if (tableExiste(m_base, "vie_marquee"))
            Requete(m_base, "DELETE FROM vie_marquee WHERE fiche = ? AND fiche <> ?")
                .lier(1, retire)
                .lier(2, garde)
                .executer();
        struct Colonne {
            const char *table, *fiche, *empreinte;
        };
        std::vector<Colonne> colonnes = {{"personne", "fiche", "empreinte"},
                                         {"couple", "mari", "empreinte_mari"},
                                         {"couple", "femme", "empreinte_femme"},
                                         {"enfant", "fiche", "empreinte"}};
        if (tableExiste(m_base, "vie_marquee"))
            colonnes.push_back({"vie_marquee", "fiche", "empreinte"});
        if (tableExiste(m_base, "coherence_ignoree"))
            colonnes.push_back({"coherence_ignoree", "fiche", nullptr});
        const auto sql = [](const Colonne& c, const std::string& reste) {
            return std::string("UPDATE ") + c.table + " SET " + c.fiche + " = ?" + reste;
        };
        for (const Colonne& c : colonnes) {
            if (c.empreinte)
                Requete(m_base, sql(c, std::string(", ") + c.empreinte + " = ? WHERE " + c.fiche +
                                           " IN (?, ?)")
                                    .c_str())
                    .lier(1, EnAttente)
                    .lier(2, empreinte)
                    .lier(3, garde)
                    .lier(4, retire)
                    .executer();
        }
        if (derniere != retire && derniere != garde)
            for (const Colonne& c : colonnes)
                Requete(m_base, sql(c, std::string(" WHERE ") + c.fiche + " = ?").c_str())
                    .lier(1, retire)
                    .lier(2, derniere)
                    .executer();
        for (const Colonne& c : colonnes)
            Requete(m_base, sql(c, std::string(" WHERE ") + c.fiche + " = ?").c_str())
                .lier(1, arrivee)
                .lier(2, EnAttente)
                .executer();
        // One entry for the merged person: the second's facts after the first's.
        std::vector<std::int64_t> entrees;
        {
            Requete r(m_base, "SELECT id FROM personne WHERE fiche = ? ORDER BY id");
            r.lier(1, arrivee);
            while (r.ligne())
                entrees.push_back(r.entier(0));
        }
        for (std::size_t k = 1; k < entrees.size(); ++k) {
            structures::deplacerRacine(m_base, structures::Sorte::Personne, entrees[k],
                                       entrees.front());
            Requete(m_base, "UPDATE personne SET note = (SELECT group_concat(note, char(10)) "
                            "FROM personne WHERE id IN (?1, ?2) AND note <> '') WHERE id = ?1")
                .lier(1, entrees.front())
                .lier(2, entrees[k])
                .executer();
            Requete(m_base, "DELETE FROM personne WHERE id = ?").lier(1, entrees[k]).executer();
        }
    });
}
