#include "data/complements/Structures.h"

#include <algorithm>
#include <array>
#include <map>

namespace structures {

namespace {

const std::map<Sorte, Description>& descriptions() {
    static const std::map<Sorte, Description> d = {
        {Sorte::Nom,
         {Sorte::Nom,
          "nom",
          {{"TYPE", "type"},
           {"GIVN", "prenoms"},
           {"SPFX", "particule"},
           {"SURN", "patronyme"},
           {"NSFX", "suffixe"},
           {"NPFX", "prefixe"},
           {"NICK", "surnom"}}}},
        {Sorte::Evenement,
         {Sorte::Evenement,
          "evenement",
          {{"TYPE", "type"},
           {"DATE", "date"},
           {"DATE.TIME", "heure"},
           {"PLAC", "lieu"},
           {"PLAC.MAP.LATI", "latitude"},
           {"PLAC.MAP.LONG", "longitude"},
           {"ADDR", "adresse"},
           {"ADDR.ADR1", "adresse1"},
           {"ADDR.ADR2", "adresse2"},
           {"ADDR.CITY", "ville"},
           {"ADDR.STAE", "region"},
           {"ADDR.POST", "code_postal"},
           {"ADDR.CTRY", "pays"},
           {"AGNC", "agence"},
           {"CAUS", "cause"},
           {"HUSB.AGE", "age_mari"},
           {"WIFE.AGE", "age_femme"},
           {"AGE", "age"}}}},
        {Sorte::Citation,
         {Sorte::Citation,
          "citation",
          {{"PAGE", "page"}, {"QUAY", "qualite"}, {"DATA.DATE", "date"}, {"DATA.TEXT", "texte"}}}},
        {Sorte::NoteJointe, {Sorte::NoteJointe, "note_jointe", {}}},
        {Sorte::MediaJoint,
         {Sorte::MediaJoint,
          "media_joint",
          {{"FILE", "fichier"}, {"FILE.FORM", "format"}, {"TITL", "titre"}}}},
        {Sorte::Association, {Sorte::Association, "association", {{"RELA", "relation"}}}},
        {Sorte::SourceDepot,
         {Sorte::SourceDepot, "source_depot", {{"CALN", "cote"}, {"CALN.MEDI", "support"}}}},
        {Sorte::Source,
         {Sorte::Source,
          "source",
          {{"TITL", "titre"},
           {"AUTH", "auteur"},
           {"PUBL", "publication"},
           {"ABBR", "abreviation"},
           {"TEXT", "texte"}}}},
        {Sorte::Depot,
         {Sorte::Depot,
          "depot",
          {{"NAME", "nom"},
           {"ADDR", "adresse"},
           {"ADDR.ADR1", "adresse1"},
           {"ADDR.ADR2", "adresse2"},
           {"ADDR.CITY", "ville"},
           {"ADDR.STAE", "region"},
           {"ADDR.POST", "code_postal"},
           {"ADDR.CTRY", "pays"},
           {"PHON", "telephone"},
           {"EMAIL", "courriel"},
           {"WWW", "site"}}}},
        {Sorte::Note, {Sorte::Note, "note", {}}},
        {Sorte::Media,
         {Sorte::Media,
          "media",
          {{"FILE", "fichier"}, {"FILE.FORM", "format"}, {"FILE.TITL", "titre"}}}},
        {Sorte::Reste, {Sorte::Reste, "reste", {}}},
    };
    return d;
}

// The columns' paths as a tree, once per table: the writing walks it, the
// reading looks a line up in it, neither builds a path.
struct NoeudDeChemin {
    std::string etiquette;
    int colonne = -1; // the column of this path's own value, -1 for none
    std::vector<NoeudDeChemin> sous;
};

struct Table {
    const Description* description = nullptr;
    NoeudDeChemin racine;
};

void ajouterChemin(NoeudDeChemin& racine, std::string_view chemin, int colonne) {
    NoeudDeChemin* n = &racine;
    while (!chemin.empty()) {
        const std::size_t point = chemin.find('.');
        const std::string_view tete = chemin.substr(0, point);
        auto trouve = std::find_if(n->sous.begin(), n->sous.end(),
                                   [&](const NoeudDeChemin& x) { return x.etiquette == tete; });
        if (trouve == n->sous.end()) {
            n->sous.push_back({std::string(tete), -1, {}});
            trouve = n->sous.end() - 1;
        }
        n = &*trouve;
        chemin = point == std::string_view::npos ? std::string_view() : chemin.substr(point + 1);
    }
    n->colonne = colonne;
}

const std::array<Table, 256>& tables() {
    static const std::array<Table, 256> t = [] {
        std::array<Table, 256> t{};
        for (const auto& [sorte, d] : descriptions()) {
            Table& table = t[static_cast<unsigned char>(sorte)];
            table.description = &d;
            for (std::size_t i = 0; i < d.colonnes.size(); ++i)
                ajouterChemin(table.racine, d.colonnes[i].chemin, static_cast<int>(i));
        }
        return t;
    }();
    return t;
}

const NoeudDeChemin* sousChemin(const NoeudDeChemin& n, std::string_view etiquette) {
    for (const NoeudDeChemin& x : n.sous)
        if (x.etiquette == etiquette) return &x;
    return nullptr;
}

// A line of stored GEDCOM, and the structures under it.
struct Noeud {
    int niveau = 0;
    std::string xref, etiquette;
    std::optional<std::string> valeur;
    std::vector<Noeud> enfants;
    std::string_view lignes; // its line and every line under it, line breaks included
};

struct LigneLue {
    int niveau = -1;
    std::string_view xref, etiquette;
    std::optional<std::string_view> valeur;
};

LigneLue lireLigne(std::string_view ligne) {
    LigneLue l;
    std::size_t i = 0;
    int niveau = 0;
    while (i < ligne.size() && ligne[i] >= '0' && ligne[i] <= '9' && niveau < 100)
        niveau = niveau * 10 + (ligne[i++] - '0');
    if (i == 0 || i >= ligne.size() || ligne[i] != ' ') return l;
    ligne.remove_prefix(i + 1);
    if (!ligne.empty() && ligne.front() == '@') {
        const std::size_t fin = ligne.find(' ');
        if (fin == std::string_view::npos) return l;
        l.xref = ligne.substr(0, fin);
        ligne.remove_prefix(fin + 1);
    }
    const std::size_t espace = ligne.find(' ');
    l.etiquette = ligne.substr(0, espace);
    if (l.etiquette.empty()) return l;
    if (espace != std::string_view::npos) l.valeur = ligne.substr(espace + 1);
    l.niveau = niveau;
    return l;
}

// The lines as trees from `niveau`; false when a line cannot be read or
// skips a level, and the text is then kept as it is.
bool lireNoeuds(std::string_view texte, int niveau, std::vector<Noeud>& racines) {
    std::vector<Noeud*> pile;
    std::vector<std::size_t> debuts;
    auto fermer = [&](std::size_t fin) {
        pile.back()->lignes = texte.substr(debuts.back(), fin - debuts.back());
        pile.pop_back();
        debuts.pop_back();
    };
    std::size_t debut = 0;
    while (debut < texte.size()) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string_view::npos) return false; // every stored line ends with its break
        const LigneLue l = lireLigne(texte.substr(debut, fin - debut));
        if (l.niveau < niveau || l.niveau > niveau + static_cast<int>(pile.size())) return false;
        while (static_cast<int>(pile.size()) > l.niveau - niveau)
            fermer(debut);
        std::vector<Noeud>& freres = pile.empty() ? racines : pile.back()->enfants;
        Noeud n;
        n.niveau = l.niveau;
        n.xref = l.xref;
        n.etiquette = l.etiquette;
        if (l.valeur) n.valeur = std::string(*l.valeur);
        freres.push_back(std::move(n));
        pile.push_back(&freres.back());
        debuts.push_back(debut);
        debut = fin + 1;
    }
    while (!pile.empty())
        fermer(texte.size());
    return true;
}

// A value and the CONT lines that go on with it, first under it.
std::optional<std::string> valeurJointe(const Noeud& n, std::size_t& suivant) {
    std::optional<std::string> v = n.valeur;
    suivant = 0;
    while (suivant < n.enfants.size() && n.enfants[suivant].etiquette == "CONT" &&
           n.enfants[suivant].enfants.empty()) {
        v = v.value_or(std::string()) + '\n' + n.enfants[suivant].valeur.value_or(std::string());
        ++suivant;
    }
    return v;
}

Sorte sorteDe(const Noeud& n, Sorte parent) {
    const std::string& t = n.etiquette;
    if (parent == Sorte::Fichier) {
        if (t == "SOUR") return Sorte::Source;
        if (t == "REPO") return Sorte::Depot;
        if (t == "NOTE") return Sorte::Note;
        if (t == "OBJE") return Sorte::Media;
        return Sorte::Reste;
    }
    if (parent == Sorte::Reste) return Sorte::Reste;
    if (t == "NAME" && parent == Sorte::Personne) return Sorte::Nom;
    if ((parent == Sorte::Personne || parent == Sorte::Union) && estEvenement(t))
        return Sorte::Evenement;
    if (t == "SOUR" && parent != Sorte::Source) return Sorte::Citation;
    if (t == "NOTE" && parent != Sorte::Note) return Sorte::NoteJointe;
    if (t == "OBJE" && parent != Sorte::Media) return Sorte::MediaJoint;
    if (t == "ASSO" && (parent == Sorte::Personne || parent == Sorte::Evenement))
        return Sorte::Association;
    if (t == "REPO" && parent == Sorte::Source) return Sorte::SourceDepot;
    return Sorte::Reste;
}

// Whether the line `n` and its lines all have columns of their own at the
// path `chemin`, none taken yet nor twice; `prises` marks those it would take.
bool absorbable(const NoeudDeChemin& chemin, const Noeud& n,
                const std::vector<std::optional<std::string>>& colonnes, std::uint64_t& prises) {
    std::size_t suivant = 0;
    while (suivant < n.enfants.size() && n.enfants[suivant].etiquette == "CONT" &&
           n.enfants[suivant].enfants.empty())
        ++suivant;
    if (n.valeur || suivant > 0) {
        if (chemin.colonne < 0) return false;
        const std::uint64_t bit = std::uint64_t(1) << chemin.colonne;
        if (colonnes[static_cast<std::size_t>(chemin.colonne)] || (prises & bit)) return false;
        prises |= bit;
    }
    for (std::size_t k = suivant; k < n.enfants.size(); ++k) {
        const NoeudDeChemin* sous = sousChemin(chemin, n.enfants[k].etiquette);
        if (!sous || !absorbable(*sous, n.enfants[k], colonnes, prises)) return false;
    }
    return true;
}

void absorber(const NoeudDeChemin& chemin, const Noeud& n,
              std::vector<std::optional<std::string>>& colonnes) {
    std::size_t suivant = 0;
    std::optional<std::string> v = valeurJointe(n, suivant);
    if (v) colonnes[static_cast<std::size_t>(chemin.colonne)] = std::move(v);
    for (std::size_t k = suivant; k < n.enfants.size(); ++k)
        absorber(*sousChemin(chemin, n.enfants[k].etiquette), n.enfants[k], colonnes);
}

// The structure of a line and its lines. With `verifier`, each structure
// whose canonical writing differs from its lines keeps them; without, the
// caller checks the whole at once (the usual case: it matches).
Element versElement(const Noeud& n, Sorte parent, bool verifier) {
    Element e;
    e.sorte = sorteDe(n, parent);
    e.etiquette = n.etiquette;
    e.xref = n.xref;
    if (e.sorte == Sorte::Reste) {
        e.verbatim = std::string(n.lignes);
        return e;
    }
    const Table& table = tables()[static_cast<unsigned char>(e.sorte)];
    e.colonnes.resize(table.description->colonnes.size());
    std::size_t suivant = 0;
    e.valeur = valeurJointe(n, suivant);
    for (std::size_t k = suivant; k < n.enfants.size(); ++k) {
        const Noeud& c = n.enfants[k];
        const NoeudDeChemin* chemin = sousChemin(table.racine, c.etiquette);
        std::uint64_t prises = 0;
        if (chemin && absorbable(*chemin, c, e.colonnes, prises))
            absorber(*chemin, c, e.colonnes);
        else
            e.enfants.push_back(versElement(c, e.sorte, verifier));
    }
    if (verifier) {
        std::string ecrit;
        ecrireStructure(ecrit, e, n.niveau);
        if (ecrit != n.lignes) e.verbatim = std::string(n.lignes);
    }
    return e;
}

// A structure read, its writing checked once as a whole: when it matches,
// so does each structure inside it; otherwise each is checked on its own.
Element versElementVerifie(const Noeud& n, Sorte parent) {
    Element e = versElement(n, parent, false);
    if (e.sorte == Sorte::Reste) return e;
    thread_local std::string ecrit; // its room kept from structure to structure
    ecrit.clear();
    ecrireStructure(ecrit, e, n.niveau);
    return ecrit == n.lignes ? e : versElement(n, parent, true);
}

void ecrireLigne(std::string& s, int niveau, std::string_view xref, std::string_view etiquette,
                 const std::optional<std::string>& valeur) {
    ajouterNiveau(s, niveau);
    s += ' ';
    if (!xref.empty()) {
        s += xref;
        s += ' ';
    }
    s += etiquette;
    if (!valeur) {
        s += '\n';
        return;
    }
    std::size_t debut = 0;
    std::size_t fin = valeur->find('\n');
    s += ' ';
    s.append(*valeur, 0, fin);
    s += '\n';
    while (fin != std::string::npos) {
        debut = fin + 1;
        fin = valeur->find('\n', debut);
        ajouterNiveau(s, niveau + 1);
        s += " CONT";
        const std::string_view suite =
            std::string_view(*valeur).substr(debut, fin == std::string::npos ? fin : fin - debut);
        if (!suite.empty()) {
            s += ' ';
            s += suite;
        }
        s += '\n';
    }
}

bool aUneValeurSous(const Element& e, const NoeudDeChemin& n) {
    if (n.colonne >= 0 && static_cast<std::size_t>(n.colonne) < e.colonnes.size() &&
        e.colonnes[static_cast<std::size_t>(n.colonne)])
        return true;
    for (const NoeudDeChemin& sous : n.sous)
        if (aUneValeurSous(e, sous)) return true;
    return false;
}

// The columns under a path as lines, in the order the table lists them.
void ecrireColonnes(std::string& s, const Element& e, const NoeudDeChemin& n, int niveau) {
    static const std::optional<std::string> aucune;
    for (const NoeudDeChemin& sous : n.sous) {
        if (!aUneValeurSous(e, sous)) continue;
        const bool aSaValeur =
            sous.colonne >= 0 && static_cast<std::size_t>(sous.colonne) < e.colonnes.size();
        ecrireLigne(s, niveau, {}, sous.etiquette,
                    aSaValeur ? e.colonnes[static_cast<std::size_t>(sous.colonne)] : aucune);
        ecrireColonnes(s, e, sous, niveau + 1);
    }
}

} // namespace

const Description& descriptionDe(Sorte sorte) {
    return *tables()[static_cast<unsigned char>(sorte)].description;
}

const std::vector<Sorte>& sortesStockees() {
    static const std::vector<Sorte> s = {Sorte::Nom,         Sorte::Evenement,  Sorte::Citation,
                                         Sorte::NoteJointe,  Sorte::MediaJoint, Sorte::Association,
                                         Sorte::SourceDepot, Sorte::Source,     Sorte::Depot,
                                         Sorte::Note,        Sorte::Media,      Sorte::Reste};
    return s;
}

const std::optional<std::string>& Element::colonne(std::string_view nom) const {
    static const std::optional<std::string> aucune;
    const Description& d = descriptionDe(sorte);
    for (std::size_t i = 0; i < d.colonnes.size() && i < colonnes.size(); ++i)
        if (nom == d.colonnes[i].nom) return colonnes[i];
    return aucune;
}

std::vector<Element> lireStructures(std::string_view gedcom, Sorte parent, int niveau) {
    std::vector<Element> elements;
    std::vector<Noeud> noeuds;
    if (!lireNoeuds(gedcom, niveau, noeuds)) {
        Element e; // lines that do not read as GEDCOM: kept as they are
        e.verbatim = std::string(gedcom);
        if (!e.verbatim.empty()) elements.push_back(std::move(e));
        return elements;
    }
    elements.reserve(noeuds.size());
    for (const Noeud& n : noeuds)
        elements.push_back(versElementVerifie(n, parent));
    return elements;
}

void ecrireStructure(std::string& s, const Element& e, int niveau) {
    if (e.sorte == Sorte::Reste || !e.verbatim.empty()) {
        s += e.verbatim;
        return;
    }
    ecrireLigne(s, niveau, e.xref, e.etiquette, e.valeur);
    ecrireColonnes(s, e, tables()[static_cast<unsigned char>(e.sorte)].racine, niveau + 1);
    for (const Element& enfant : e.enfants)
        ecrireStructure(s, enfant, niveau + 1);
}

std::string texteDe(const std::vector<Element>& elements, int niveau) {
    std::string s;
    for (const Element& e : elements)
        ecrireStructure(s, e, niveau);
    return s;
}

void ajouterNiveau(std::string& s, int niveau) {
    if (niveau >= 0 && niveau <= 9)
        s += static_cast<char>('0' + niveau);
    else
        s += std::to_string(niveau);
}

bool estEvenement(std::string_view t) {
    static constexpr std::array<std::string_view, 47> etiquettes = {
        "ADOP", "ANUL", "BAPM", "BARM", "BASM", "BIRT", "BLES", "BURI", "CAST", "CENS",
        "CHR",  "CHRA", "CONF", "CREM", "DEAT", "DIV",  "DIVF", "DSCR", "EDUC", "EMIG",
        "ENGA", "EVEN", "FACT", "FCOM", "GRAD", "IDNO", "IMMI", "MARB", "MARC", "MARL",
        "MARR", "MARS", "NATI", "NATU", "NCHI", "NMR",  "OCCU", "ORDN", "PROB", "PROP",
        "RELI", "RESI", "RETI", "SSN",  "TITL", "WILL", "_MILT"};
    // Asked for every structure of an import: searched as the sorted list it is.
    static_assert(std::is_sorted(etiquettes.begin(), etiquettes.end()));
    return std::binary_search(etiquettes.begin(), etiquettes.end(), t);
}

} // namespace structures
