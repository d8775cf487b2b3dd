#include "data/rapports/Unions.h"

#include "data/fichier/Dates.h"
#include "data/recherche/Recherches.h"

#include <algorithm>
#include <unordered_map>

namespace {

bool contient(const UnionConnue& u, std::int32_t enfant) {
    return std::any_of(u.enfants.begin(), u.enfants.end(),
                       [&](const EnfantDUnion& e) { return e.fiche == enfant; });
}

UnionConnue mariageDeLaFiche(const TFiche& personne, std::int32_t conjoint) {
    UnionConnue u;
    u.conjoint = conjoint;
    u.date = dateEnClair(personne.DateMariage.texte());
    u.lieu = personne.LieuMariage.texte();
    u.cleDate = cleDeTriDate(personne.DateMariage.texte());
    return u;
}

// The union a child of the slots goes under: the one with its other
// parent, made when the store knew none; the one without spouse otherwise.
UnionConnue& unionPour(std::vector<UnionConnue>& unions, std::int32_t autreParent) {
    for (UnionConnue& u : unions)
        if (u.conjoint == autreParent) return u;
    UnionConnue u;
    u.conjoint = autreParent;
    unions.push_back(u);
    return unions.back();
}

} // namespace

std::vector<UnionConnue> unionsDe(std::int32_t numero, const TFiche& personne,
                                  std::vector<UnionConnue> duMagasin,
                                  std::int32_t conjointDesFiches,
                                  const std::function<const TFiche*(std::int32_t)>& lire) {
    std::vector<UnionConnue> unions = std::move(duMagasin);
    if (unions.empty() &&
        (conjointDesFiches >= 0 || !personne.DateMariage.vide() || !personne.LieuMariage.vide()))
        unions.push_back(mariageDeLaFiche(personne, conjointDesFiches));
    for (const std::int32_t enfant : personne.Enfants) {
        if (enfant < 0 || enfant == numero) continue;
        if (std::any_of(unions.begin(), unions.end(),
                        [&](const UnionConnue& u) { return contient(u, enfant); }))
            continue;
        const TFiche* f = lire(enfant);
        if (!f) continue;
        const std::int32_t autre = f->Pere == numero ? f->Mere : f->Mere == numero ? f->Pere : -1;
        unionPour(unions, autre == numero ? -1 : autre).enfants.push_back({enfant, {}});
    }
    // By the date of the marriage; the undated after, the union without a
    // spouse last.
    std::stable_sort(unions.begin(), unions.end(), [](const UnionConnue& a, const UnionConnue& b) {
        auto rang = [](const UnionConnue& u) {
            return u.cleDate >= 0 ? 0 : u.conjoint >= 0 ? 1 : 2;
        };
        if (rang(a) != rang(b)) return rang(a) < rang(b);
        return rang(a) == 0 && a.cleDate < b.cleDate;
    });
    return unions;
}

std::vector<UnionConnue> unionsDe(FichierEnregistrements& fichier, std::int32_t numero,
                                  const TFiche& personne, FamillesConnues* connues) {
    std::vector<UnionConnue> duMagasin =
        connues ? connues->unions(numero, personne) : std::vector<UnionConnue>();
    std::int32_t conjoint = -1;
    if (duMagasin.empty()) {
        TFiche trouve;
        conjoint = chercherConjoint(fichier, personne, numero, trouve);
    }
    const std::int64_t nombre = fichier.nombreFiches();
    std::unordered_map<std::int32_t, TFiche> lues;
    return unionsDe(numero, personne, std::move(duMagasin), conjoint,
                    [&](std::int32_t n) -> const TFiche* {
                        if (n < 0 || n >= nombre) return nullptr;
                        auto [i, nouveau] = lues.try_emplace(n);
                        if (nouveau) {
                            fichier.positionner(n);
                            fichier.lire(i->second);
                        }
                        return &i->second;
                    });
}

QString rangDUnion(int rang) {
    return rang == 1 ? QStringLiteral("1er mariage") : QStringLiteral("%1e mariage").arg(rang);
}

QString resumeUnion(const UnionConnue& u, const TFiche* conjoint) {
    QString texte = conjoint ? nomComplet(*conjoint) : QStringLiteral("conjoint(e) inconnu(e)");
    if (!u.date.isEmpty() || !u.lieu.isEmpty()) {
        texte += QStringLiteral(", mariage");
        if (!u.date.isEmpty()) texte += u' ' + phraseDeDate(u.date);
        if (!u.lieu.isEmpty()) texte += QStringLiteral(" à ") + u.lieu;
    }
    return texte;
}
