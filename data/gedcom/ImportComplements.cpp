// What the GEDCOM import hands to the companion store: the source's own
// text of what the records cannot hold, its pointers made the store's.
#include "data/gedcom/Importateur.h"
#include "data/gedcom/SortieGedcom.h"

#include "data/complements/Structures.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"

#include <algorithm>
#include <unordered_map>

namespace importation {

// A value whose bytes are already the UTF-8 text the store keeps: plain
// ASCII in any set, or valid UTF-8 in a UTF-8 file, with no control character.
bool Importateur::dejaUtf8(std::string_view v) const {
    // Most values are printable ASCII throughout: one test a byte for them.
    std::size_t i = 0;
    while (i < v.size() && static_cast<unsigned char>(v[i]) - 0x20u < 0x5Fu)
        ++i;
    if (i == v.size()) return true;
    bool ascii = true;
    for (; i < v.size(); ++i) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < v.size() && static_cast<unsigned char>(v[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(v[i + 1]) >= 0x80)
            return false;
        ascii = ascii && c < 0x80;
    }
    return ascii || (m_decodeur.jeu().codage == gedcom::Codage::Utf8 &&
                     QByteArrayView(v.data(), static_cast<qsizetype>(v.size())).isValidUtf8());
}

// A line and the lines under it as UTF-8 GEDCOM text, levels counted from
// `niveau`; a continuation stays a line break in its value.
std::string Importateur::texteUtf8(std::size_t ligne, int niveau) {
    std::string t;
    ajouterTexteUtf8(t, ligne, niveau);
    return t;
}

void Importateur::ajouterTexteUtf8(std::string& t, std::size_t ligne, int niveau) {
    const int ecart = niveau - m_e.niveau(ligne);
    for (std::size_t j = ligne, fin = m_e.fin(ligne); j < fin; ++j) {
        structures::ajouterNiveau(t, m_e.niveau(j) + ecart);
        t += ' ';
        if (!m_e.reference(j).empty()) {
            t += m_e.reference(j);
            t += ' ';
        }
        t += m_e.etiquette(j);
        if (const std::string_view v = gedcom::sansBlancs(m_e.valeur(j)); !v.empty()) {
            if (dejaUtf8(v)) {
                t += ' ';
                t += v;
                t += '\n';
                continue;
            }
            QString texte = m_decodeur.relire(v);
            texte.replace(u'\t', u' ');
            texte.removeIf([](QChar c) { return c != u'\n' && estCaractereDeControle(c); });
            // A line break of the value is a CONT line again.
            const QStringList parties = texte.split(u'\n');
            t += ' ';
            t += parties.front().toStdString();
            for (qsizetype k = 1; k < parties.size(); ++k) {
                t += '\n';
                structures::ajouterNiveau(t, m_e.niveau(j) + ecart + 1);
                t += " CONT";
                if (!parties[k].isEmpty()) t += ' ' + parties[k].toStdString();
            }
        }
        t += '\n';
    }
}

namespace {

// A record's text as UTF-8, straight from its Windows-1252 bytes, as the
// export writes it.
template <int L> void ajouterUtf8(std::string& t, const ChampTexte<L>& champ) {
    const exportation::TableUtf8& table = exportation::tableUtf8();
    const std::uint8_t* o = champ.octets.data();
    const auto n = static_cast<std::size_t>(champ.longueurSignificative());
    for (std::size_t i = 0; i < n;) {
        // A run of printable ASCII is the same in UTF-8: copied whole.
        std::size_t j = i;
        while (j < n && o[j] - 0x20u < 0x5Fu)
            ++j;
        t.append(reinterpret_cast<const char*>(o + i), j - i);
        if (j < n) t.append(table.octets[o[j]].data(), table.longueur[o[j]]);
        i = j + 1;
    }
}

// What the export writes from the record alone, to know whether the source
// said more.
void nomExporte(const TFiche& f, std::string& t) {
    t += "1 NAME ";
    if (!f.Prenom.vide()) {
        ajouterUtf8(t, f.Prenom);
        t += ' ';
    }
    t += '/';
    ajouterUtf8(t, f.Nom);
    t += "/\n";
    if (f.Qualite == 2) t += "2 NPFX Mademoiselle\n";
}

void evenementExporte(const char* etiquette, const ChampTexte<10>& date, const ChampTexte<30>& lieu,
                      std::string& t) {
    if (date.vide() && lieu.vide()) return;
    t += "1 ";
    t += etiquette;
    t += '\n';
    if (!date.vide()) {
        t += "2 DATE ";
        if (!ajouterDateGedcomExacte(date.octets.data(), date.longueurSignificative(), t))
            t += dateGedcom(date.texte()).toStdString();
        t += '\n';
    }
    if (!lieu.vide()) {
        t += "2 PLAC ";
        ajouterUtf8(t, lieu);
        t += '\n';
    }
}

} // namespace

// The person's entry in the store: the source's own structure for each field
// the record holds when the export would not give it back the same, and
// every other structure of the person.
void Importateur::garderPersonne(std::int32_t n, std::size_t principal,
                                 const std::vector<std::size_t>& noms, std::size_t sexe,
                                 std::size_t profession, std::size_t naissance,
                                 bool naissanceSubstitut, std::size_t deces, bool decesSubstitut,
                                 std::size_t portrait, const std::vector<std::size_t>& autres) {
    const TFiche& f = fiche(n);
    EntreePersonne& e = m_entree;
    e.champs.clear();
    e.structures.clear();
    // Both texts are built in buffers kept from person to person: most
    // fields are given back the same, and then nothing is kept.
    const auto champ = [&](const char* nom, std::size_t ligne, bool force, const auto& attendu) {
        if (!ligne) return;
        m_lu.clear();
        ajouterTexteUtf8(m_lu, ligne, 1);
        if (!force) {
            m_attendu.clear();
            attendu(m_attendu);
            if (m_lu == m_attendu) return;
        }
        e.champs.push_back({nom, ecritDe(f, nom), m_lu});
    };
    // Names the source gave before the one the record holds stay before it.
    for (const std::size_t l : noms) {
        if (l == principal) break;
        e.champs.push_back({"NAME0", {}, texteUtf8(l, 1)});
    }
    champ("NAME", principal, false, [&](std::string& t) { nomExporte(f, t); });
    champ("SEX", sexe, false, [&](std::string& t) {
        static const std::string Sexe = "SEX";
        t += "1 SEX ";
        t += ecritDe(f, Sexe);
        t += '\n';
    });
    champ("OCCU", profession, false, [&](std::string& t) {
        t += "1 OCCU ";
        ajouterUtf8(t, f.Profession);
        t += '\n';
    });
    champ("BIRT", naissance, naissanceSubstitut,
          [&](std::string& t) { evenementExporte("BIRT", f.DateNaissance, f.LieuNaissance, t); });
    champ("DEAT", deces, decesSubstitut,
          [&](std::string& t) { evenementExporte("DEAT", f.DateDeces, f.LieuDeces, t); });
    champ("OBJE", portrait, true, [](std::string&) {});
    bool apres = false;
    for (const std::size_t l : noms) {
        if (apres && l != principal) ajouterTexteUtf8(e.structures, l, 1);
        apres = apres || l == principal;
    }
    for (const std::size_t l : autres)
        if (l != 0 && m_e.niveau(l) == 1) ajouterTexteUtf8(e.structures, l, 1);
    if (e.champs.empty() && e.structures.empty()) return;
    e.fiche = n + m_decalage;
    m_entrees.push_back(e);
}

// GEDCOM text whose pointers are rewritten: each line's value that is a
// pointer, and a record's own identifier, through `nouveau`; a line whose
// pointer leads nowhere goes, with the lines under it.
std::string
reecrirePointeurs(std::string texte,
                  const std::function<std::optional<std::string>(std::string_view)>& nouveau,
                  std::vector<std::string>* otees) {
    if (texte.find('@') == std::string::npos) return texte; // no pointer, no identifier
    // Written aside, then copied back into the text's own room when it fits:
    // a new string for each of a million persons, made while the old one
    // still stands, would scatter the heap by the size of all their texts.
    thread_local std::string sortie;
    sortie.clear();
    int sousUneLigneOtee = -1;
    for (std::size_t debut = 0; debut < texte.size();) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos) fin = texte.size();
        const std::string_view l(texte.data() + debut, fin - debut);
        debut = fin + 1;
        gedcom::Ligne ligne;
        if (!gedcom::decouper(l, ligne)) continue;
        if (sousUneLigneOtee >= 0 && ligne.niveau > sousUneLigneOtee) continue;
        sousUneLigneOtee = -1;
        // Only what a pointer becomes is made anew; the rest is copied from the line.
        std::optional<std::string> nouvelleReference, nouvelleValeur;
        std::string_view reference = ligne.reference, valeur = ligne.valeur;
        if (!reference.empty() && (nouvelleReference = nouveau(reference)))
            reference = *nouvelleReference;
        const std::string_view v = gedcom::sansBlancs(ligne.valeur);
        if (v.size() > 2 && v.front() == '@' && v.back() == '@' &&
            v.find(' ') == std::string_view::npos && ligne.etiquette != "CONT" &&
            ligne.etiquette != "CONC") {
            if (!(nouvelleValeur = nouveau(v))) {
                sousUneLigneOtee = ligne.niveau;
                if (otees)
                    otees->push_back(std::to_string(ligne.niveau) + ' ' +
                                     std::string(ligne.etiquette) + ' ' + std::string(v));
                continue;
            }
            valeur = *nouvelleValeur;
        }
        sortie += std::to_string(ligne.niveau);
        sortie += ' ';
        if (!reference.empty()) {
            sortie += reference;
            sortie += ' ';
        }
        sortie += ligne.etiquette;
        if (!valeur.empty()) {
            sortie += ' ';
            sortie += valeur;
        }
        sortie += '\n';
    }
    texte.assign(sortie);
    sortie.clear();
    if (sortie.capacity() > (std::size_t(1) << 20)) sortie.shrink_to_fit(); // a huge one let go
    return texte;
}

// What this import hands to the companion store, its pointers rewritten:
// to persons by their record numbers, to families by their spouses, to the
// file's other records by identifiers this import's number makes unique.
ComplementsImport Importateur::complementsResolus() {
    ComplementsImport c;
    c.premiereFiche = m_decalage;
    c.couples.reserve(static_cast<std::size_t>(std::count_if(
        m_famillesLues.begin(), m_famillesLues.end(), [](const Famille& f) { return f.definie; })));
    std::unordered_map<std::string, std::string> enregistrements;
    const std::string prefixe = "@X" + std::to_string(m_numeroImport) + '_';
    for (const auto& [xref, gedcom] : m_enregistrementsGardes)
        enregistrements.emplace(xref, prefixe + xref.substr(1));
    auto numero = [&](std::int32_t personne) {
        const std::int32_t f = ficheDe(personne);
        return f < 0 ? std::string("X") : std::to_string(f + m_decalage);
    };
    const auto nouveau = [&](std::string_view ref) -> std::optional<std::string> {
        // GEDCOM 7's pointer to no record says so on purpose: it stays.
        if (ref == "@VOID@") return std::string(ref);
        if (const auto i = enregistrements.find(std::string(ref)); i != enregistrements.end())
            return i->second;
        if (const std::int32_t f = ficheDe(m_personnes.chercher(ref)); f >= 0)
            return "@I" + std::to_string(f + m_decalage) + '@';
        if (const std::int32_t id = m_familles.chercher(ref);
            id >= 0 && static_cast<std::size_t>(id) < m_famillesLues.size() &&
            m_famillesLues[static_cast<std::size_t>(id)].definie) {
            const Famille& f = m_famillesLues[static_cast<std::size_t>(id)];
            return "@F" + numero(f.mari) + '_' + numero(f.femme) + '@';
        }
        return std::nullopt;
    };
    std::vector<std::string> otees;
    for (EntreePersonne e : m_entrees) {
        // The records as they are now, portraits and repairs made.
        const TFiche& f = fiche(e.fiche - m_decalage);
        for (EntreePersonne::Champ& ch : e.champs) {
            ch.ecrit = ecritDe(f, ch.nom);
            ch.gedcom = reecrirePointeurs(std::move(ch.gedcom), nouveau, &otees);
        }
        e.structures = reecrirePointeurs(std::move(e.structures), nouveau, &otees);
        if (!otees.empty()) direLesLignesOtees(otees, designationPersonne(f));
        c.personnes.push_back(e);
    }
    m_entrees = {};
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        // The families are read no more: what they hold moves to the store's couples.
        Famille& f = m_famillesLues[id];
        if (!f.definie) continue;
        EntreeCouple x;
        const std::int32_t mari = ficheDe(f.mari), femme = ficheDe(f.femme);
        // Their fingerprints are made from the records when the store is written.
        if (mari >= 0) x.mari = mari + m_decalage;
        if (femme >= 0) x.femme = femme + m_decalage;
        x.ordreMari = f.ordreMari;
        x.ordreFemme = f.ordreFemme;
        x.ecritMari = std::move(f.ecritMari);
        x.ecritFemme = std::move(f.ecritFemme);
        if (id < m_lignesFamilles.size())
            x.gedcom = reecrirePointeurs(std::move(m_lignesFamilles[id]), nouveau, &otees);
        x.enfants.reserve(f.membres.size());
        for (Famille::Membre& m : f.membres)
            x.enfants.push_back({m.enfant + m_decalage,
                                 {},
                                 m.filiation,
                                 reecrirePointeurs(m.lignes ? std::move(*m.lignes) : std::string(),
                                                   nouveau, &otees)});
        f.membres = std::vector<Famille::Membre>();
        if (!otees.empty())
            direLesLignesOtees(otees, QStringLiteral("La famille de ") +
                                          parentsDe(static_cast<std::int32_t>(id)));
        // Told, linked and kept by now: what remains is only what `nouveau` reads.
        f.date = f.lieu = QString();
        f.pertes = std::vector<Famille::Perte>();
        c.couples.push_back(std::move(x));
    }
    for (auto& [xref, gedcom] : m_enregistrementsGardes) {
        c.enregistrements.push_back(
            {enregistrements.at(xref), reecrirePointeurs(std::move(gedcom), nouveau, &otees)});
        if (!otees.empty())
            direLesLignesOtees(otees, QStringLiteral("Le fichier : l'enregistrement ") +
                                          QString::fromStdString(xref));
    }
    m_enregistrementsGardes = {};
    return c;
}

// A line kept for the store whose pointer leads to no record of the file
// cannot be given back: it is lost for good, and said so.
void Importateur::direLesLignesOtees(std::vector<std::string>& otees, const QString& qui) {
    for (const std::string& ligne : otees)
        dire(Ecart::ReferencePendante, 1,
             QStringLiteral("%1 : la ligne « %2 » renvoie à un enregistrement "
                            "absent du fichier : elle n'est pas gardée, ni ce "
                            "qu'elle porte")
                 .arg(qui, QString::fromStdString(ligne)),
             false);
    otees.clear();
}

} // namespace importation
