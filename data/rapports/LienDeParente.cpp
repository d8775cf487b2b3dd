// How two persons are related, every way the links allow, named in French as
// genealogists name it, the same from both ends.
#include "data/fichier/LecteurFiches.h"
#include "data/rapports/Rapports.h"

#include <QRegularExpression>

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace {

// Generations climbed at most, and states (a person at a generation) kept
// at most: no real tree comes near them, a damaged one stops there.
constexpr int GenerationsMaximum = 60;
constexpr std::size_t EtatsMaximum = 500000;

// Every ancestor of a person with every generation at which it is reached,
// and for each the step below it on one way down to the person.
struct Ascendance {
    std::unordered_map<std::int32_t, std::map<int, std::int32_t>> par;
};

Ascendance remonter(LecteurFiches& lecteur, std::int32_t depart, QStringList& notes,
                    const ParentsAdoptifs* adoptifs) {
    Ascendance r;
    const std::unordered_set<std::int64_t> coupes = liensEnBoucle(lecteur, depart, notes);
    r.par[depart][0] = -1;
    std::deque<std::pair<std::int32_t, int>> file{{depart, 0}};
    std::size_t etats = 1;
    while (!file.empty()) {
        const auto [n, g] = file.front();
        file.pop_front();
        if (g >= GenerationsMaximum) continue;
        const TFiche& f = lecteur.fiche(n);
        std::vector<std::int32_t> parents{f.Pere, f.Mere};
        if (adoptifs)
            if (const auto i = adoptifs->find(n); i != adoptifs->end())
                parents.insert(parents.end(), i->second.begin(), i->second.end());
        for (std::size_t k = 0; k < parents.size(); ++k) {
            const std::int32_t p = parents[k];
            if (p == -1 || (k < 2 && coupes.count(static_cast<std::int64_t>(n) * 2 +
                                                  static_cast<std::int64_t>(k))))
                continue;
            if (!lecteur.existe(p)) {
                notes << QStringLiteral("%1 a pour parent la fiche %2, qui n'existe pas.")
                             .arg(lecteur.qui(n))
                             .arg(p);
                continue;
            }
            if (!r.par[p].try_emplace(g + 1, n).second) continue;
            if (++etats > EtatsMaximum) {
                notes << QStringLiteral("La recherche s'arrête : plus de %1 chemins vers les "
                                        "ancêtres.")
                             .arg(EtatsMaximum);
                return r;
            }
            file.push_back({p, g + 1});
        }
    }
    return r;
}

// The way from the person up to `ancetre` reached at `generation`: the
// person first, the ancestor last.
std::vector<std::int32_t> chemin(const Ascendance& a, std::int32_t ancetre, int generation) {
    std::vector<std::int32_t> c;
    for (std::int32_t n = ancetre; n != -1; --generation) {
        c.push_back(n);
        n = a.par.at(n).at(generation);
    }
    std::reverse(c.begin(), c.end());
    return c;
}

bool feminin(const TFiche& f) {
    return f.Qualite == 1 || f.Qualite == 2;
}

QString ordinal(int n) {
    return n == 1 ? QStringLiteral("1er") : QStringLiteral("%1e").arg(n);
}

QString arrieres(int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QStringLiteral("arrière-");
    return s;
}

bool voyelle(QChar c) {
    return QStringLiteral("aeiouyàâäéèêëîïôöûùüœæ").contains(c.toLower());
}

// "le père", "la tante", "l'oncle".
QString avecArticle(const QString& nom, bool feminin) {
    if (!nom.isEmpty() && voyelle(nom.front())) return QStringLiteral("l'") + nom;
    return (feminin ? QStringLiteral("la ") : QStringLiteral("le ")) + nom;
}

// A sentence ends with one full stop, even after a name that ends with one.
QString phrase(const QString& texte) {
    return texte.endsWith(u'.') ? texte : texte + u'.';
}

// The other parent of a child than `parent`: -1 when not known.
std::int32_t autreParent(const TFiche& enfant, std::int32_t parent) {
    return enfant.Pere == parent ? enfant.Mere : enfant.Pere;
}

} // namespace

QString deNom(const QString& nom) {
    // A name that starts with its particle "de" or "d'" says it already:
    // "de Kerguelen Yves", never "de de Kerguelen Yves".
    static const QRegularExpression particule(QStringLiteral("^(de |d'|d’)"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (particule.match(nom).hasMatch()) return nom;
    return !nom.isEmpty() && voyelle(nom.front()) ? QStringLiteral("d'") + nom
                                                  : QStringLiteral("de ") + nom;
}

QString nomDuLien(int a, int b, bool f, bool demi, bool double_) {
    auto genre = [f](const char* masculin, const char* femininTexte) {
        return QString::fromUtf8(f ? femininTexte : masculin);
    };
    if (a == 0 && b == 0) return genre("lui-même", "elle-même");
    if (a == 0) {
        if (b == 1) return genre("père", "mère");
        if (b <= 4) return arrieres(b - 2) + genre("grand-père", "grand-mère");
        // Generations are counted as Sosa numbers count them: the person is the first.
        return QStringLiteral("ancêtre à la %1 génération").arg(ordinal(b + 1));
    }
    if (b == 0) {
        if (a == 1) return genre("fils", "fille");
        if (a <= 4) return arrieres(a - 2) + genre("petit-fils", "petite-fille");
        return genre("descendant", "descendante") +
               QStringLiteral(" à la %1 génération").arg(ordinal(a + 1));
    }
    const QString prefixe = (demi ? QStringLiteral("demi-") : QString()) +
                            (double_ && a == b ? QStringLiteral("double ") : QString());
    if (a == 1 && b == 1) return prefixe + genre("frère", "sœur");
    if (a == 1) {
        if (b == 2) return prefixe + genre("oncle", "tante");
        return prefixe + arrieres(b - 3) + genre("grand-oncle", "grand-tante");
    }
    if (b == 1) {
        if (a == 2) return prefixe + genre("neveu", "nièce");
        return prefixe + arrieres(a - 3) + genre("petit-neveu", "petite-nièce");
    }
    const QString bretagne = QStringLiteral(" à la mode de Bretagne");
    if (a == 2 && b == 2) return prefixe + genre("cousin germain", "cousine germaine");
    if (a == 2 && b == 3) return prefixe + genre("oncle", "tante") + bretagne;
    if (a == 3 && b == 2) return prefixe + genre("neveu", "nièce") + bretagne;
    if (a == 2) return prefixe + arrieres(b - 4) + genre("grand-oncle", "grand-tante") + bretagne;
    if (b == 2) return prefixe + arrieres(a - 4) + genre("petit-neveu", "petite-nièce") + bretagne;
    if (a == 3 && b == 3)
        return prefixe + genre("cousin issu de germain", "cousine issue de germain");
    if (a == 4 && b == 4)
        // The second "issu" qualifies her parent, a man or a woman alike.
        return prefixe + genre("cousin issu d'issu de germain", "cousine issue d'issu de germain");
    return prefixe + genre("cousin", "cousine") +
           QStringLiteral(" au %1 degré").arg(ordinal(a + b));
}

namespace {

// Every relation of A and B: through each common ancestor, at each pair of
// generations whose ways down meet no nearer common ancestor; the ways that
// leave a couple through the same children are one relation.
// A damaged file where each of the two is the other's ancestor gives no
// relation by that rule: its direct lines are then given as they are
// (`lignesDirectes`).
std::vector<RelationDeParente> relations(LecteurFiches& lecteur, const Ascendance& ra,
                                         const Ascendance& rb, bool lignesDirectes = false) {
    std::vector<std::int32_t> communs;
    for (const auto& [n, generations] : ra.par)
        if (rb.par.count(n)) communs.push_back(n);
    std::sort(communs.begin(), communs.end());
    const std::unordered_set<std::int32_t> estCommun(communs.begin(), communs.end());
    // A way down that meets a nearer common ancestor between its two ends
    // gives a relation already found through that one.
    auto direct = [&](const std::vector<std::int32_t>& c) {
        for (std::size_t i = 1; i + 1 < c.size(); ++i)
            if (estCommun.count(c[i])) return false;
        return true;
    };
    std::vector<RelationDeParente> liste;
    for (const std::int32_t c : communs)
        for (const auto& [a, versA] : ra.par.at(c))
            for (const auto& [b, versB] : rb.par.at(c)) {
                RelationDeParente r;
                r.generationsA = a;
                r.generationsB = b;
                r.cheminA = chemin(ra, c, a);
                r.cheminB = chemin(rb, c, b);
                if (lignesDirectes ? (a != 0 && b != 0)
                                   : (!direct(r.cheminA) || !direct(r.cheminB)))
                    continue;
                // The other of a couple: the same ways down, below a second ancestor.
                const auto meme = std::find_if(liste.begin(), liste.end(), [&](const auto& x) {
                    return x.generationsA == r.generationsA && x.generationsB == r.generationsB &&
                           r.generationsA > 0 && r.generationsB > 0 &&
                           std::equal(x.cheminA.begin(), x.cheminA.end() - 1, r.cheminA.begin()) &&
                           std::equal(x.cheminB.begin(), x.cheminB.end() - 1, r.cheminB.begin());
                });
                if (meme != liste.end()) {
                    meme->ancetresCommuns.push_back(c);
                    continue;
                }
                r.ancetresCommuns.push_back(c);
                liste.push_back(std::move(r));
            }
    // A step up that is no father or mother link of the record is an adoption.
    auto parAdoption = [&](const std::vector<std::int32_t>& c) {
        for (std::size_t i = 0; i + 1 < c.size(); ++i) {
            const TFiche& enfant = lecteur.fiche(c[i]);
            if (enfant.Pere != c[i + 1] && enfant.Mere != c[i + 1]) return true;
        }
        return false;
    };
    for (RelationDeParente& r : liste)
        r.parAdoption = parAdoption(r.cheminA) || parAdoption(r.cheminB);
    // Half: one common ancestor, the children's other parents known and different.
    for (RelationDeParente& r : liste) {
        if (r.generationsA == 0 || r.generationsB == 0 || r.ancetresCommuns.size() > 1) continue;
        const std::int32_t c = r.ancetresCommuns.front();
        const std::int32_t autreA = autreParent(lecteur.fiche(r.cheminA[r.cheminA.size() - 2]), c);
        const std::int32_t autreB = autreParent(lecteur.fiche(r.cheminB[r.cheminB.size() - 2]), c);
        r.demi = autreA != -1 && autreB != -1 && autreA != autreB;
    }
    // Double cousins: two full relations at the same generations through two couples.
    for (RelationDeParente& r : liste)
        r.double_ = r.generationsA == r.generationsB && r.generationsA >= 2 && !r.demi &&
                    std::count_if(liste.begin(), liste.end(), [&](const auto& x) {
                        return x.generationsA == r.generationsA &&
                               x.generationsB == r.generationsB && !x.demi;
                    }) > 1;
    // The nearest first, the direct line first, then the nearer by blood (a
    // full relation before a half one, through a couple before through one
    // ancestor), whatever the record numbers; the same order from both ends.
    std::stable_sort(liste.begin(), liste.end(), [](const auto& x, const auto& y) {
        const auto cle = [](const RelationDeParente& r) {
            return std::make_tuple(r.degreCivil(), std::min(r.generationsA, r.generationsB), r.demi,
                                   -static_cast<int>(r.ancetresCommuns.size()),
                                   r.ancetresCommuns.front());
        };
        return cle(x) < cle(y);
    });
    return liste;
}

// "A est l'oncle à la mode de Bretagne de B, et aussi son neveu à la mode
// de Bretagne.": every relation at the nearest distance, each name once.
QString resume(const QString& de, const QString& vers, const std::vector<QString>& noms) {
    QString texte = QStringLiteral("%1 est %2 %3").arg(de, noms.front(), deNom(vers));
    for (std::size_t i = 1; i < noms.size(); ++i) {
        // "le neveu" → "son neveu", "la nièce" → "sa nièce", "l'oncle" → "son oncle".
        QString nom = noms[i];
        if (nom.startsWith(QStringLiteral("le ")))
            nom = QStringLiteral("son ") + nom.mid(3);
        else if (nom.startsWith(QStringLiteral("la ")))
            nom = QStringLiteral("sa ") + nom.mid(3);
        else if (nom.startsWith(QStringLiteral("l'")))
            nom = QStringLiteral("son ") + nom.mid(2);
        texte += QStringLiteral(", et aussi ") + nom;
    }
    return phrase(texte);
}

} // namespace

LienDeParente lienDeParente(FichierEnregistrements& fichier, std::int32_t a, std::int32_t b,
                            const ParentsAdoptifs* adoptifs) {
    LienDeParente r;
    LecteurFiches lecteur(fichier);
    if (!lecteur.existe(a) || !lecteur.existe(b)) return r;
    const TFiche fa = lecteur.fiche(a);
    const TFiche fb = lecteur.fiche(b);
    if (a == b) {
        r.trouve = r.memePersonne = true;
        r.deAVersB = r.deBVersA =
            phrase(QStringLiteral("Les deux personnes choisies n'en font qu'une : %1 (fiche %2)")
                       .arg(nomComplet(fa))
                       .arg(a));
        return r;
    }
    const Ascendance ra = remonter(lecteur, a, r.notes, adoptifs);
    const Ascendance rb = remonter(lecteur, b, r.notes, adoptifs);
    r.relations = relations(lecteur, ra, rb);
    if (r.relations.empty()) r.relations = relations(lecteur, ra, rb, true);
    r.notes.removeDuplicates();
    if (r.relations.empty()) return r;
    r.trouve = true;
    constexpr std::size_t RelationsDetaillees = 6;
    if (r.relations.size() > RelationsDetaillees) {
        r.autresRelations = static_cast<int>(r.relations.size() - RelationsDetaillees);
        r.relations.resize(RelationsDetaillees);
    }
    std::vector<QString> versB, versA;
    const int plusProche = r.relations.front().degreCivil();
    for (RelationDeParente& x : r.relations) {
        x.nomDeAVersB = avecArticle(
            nomDuLien(x.generationsA, x.generationsB, feminin(fa), x.demi, x.double_), feminin(fa));
        x.nomDeBVersA = avecArticle(
            nomDuLien(x.generationsB, x.generationsA, feminin(fb), x.demi, x.double_), feminin(fb));
        if (x.parAdoption) {
            x.nomDeAVersB += QStringLiteral(" par adoption");
            x.nomDeBVersA += QStringLiteral(" par adoption");
        }
        if (x.degreCivil() != plusProche) continue;
        if (std::find(versB.begin(), versB.end(), x.nomDeAVersB) == versB.end())
            versB.push_back(x.nomDeAVersB);
        if (std::find(versA.begin(), versA.end(), x.nomDeBVersA) == versA.end())
            versA.push_back(x.nomDeBVersA);
    }
    if (adoptifs)
        r.notes << QStringLiteral("Les liens d'adoption sont suivis comme ceux de naissance ; une "
                                  "parenté qui passe par l'un d'eux est dite « par adoption ».");
    r.deAVersB = resume(nomComplet(fa), nomComplet(fb), versB);
    r.deBVersA = resume(nomComplet(fb), nomComplet(fa), versA);
    return r;
}
