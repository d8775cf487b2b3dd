#include "session/Fusion.h"

#include "data/complements/Complements.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/rapports/Rapports.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

using C = ChampFusion;

template <int L> void copier(ChampTexte<L>& vers, const ChampTexte<L>& de) {
    vers = de;
}

// The field as the record holds it; the parents apart.
bool textuel(C champ) {
    return champ != C::Qualite && champ != C::Pere && champ != C::Mere;
}

void prendre(TFiche& f, const TFiche& de, C champ) {
    switch (champ) {
    case C::Qualite:
        f.Qualite = de.Qualite;
        break;
    case C::Nom:
        copier(f.Nom, de.Nom);
        break;
    case C::Prenom:
        copier(f.Prenom, de.Prenom);
        break;
    case C::Profession:
        copier(f.Profession, de.Profession);
        break;
    case C::DateNaissance:
        copier(f.DateNaissance, de.DateNaissance);
        break;
    case C::LieuNaissance:
        copier(f.LieuNaissance, de.LieuNaissance);
        break;
    case C::DateMariage:
        copier(f.DateMariage, de.DateMariage);
        break;
    case C::LieuMariage:
        copier(f.LieuMariage, de.LieuMariage);
        break;
    case C::DateDeces:
        copier(f.DateDeces, de.DateDeces);
        break;
    case C::LieuDeces:
        copier(f.LieuDeces, de.LieuDeces);
        break;
    case C::Photo:
        copier(f.Photo, de.Photo);
        break;
    case C::Pere:
        f.Pere = de.Pere;
        break;
    case C::Mere:
        f.Mere = de.Mere;
        break;
    }
}

std::int32_t lien(const TFiche& f, C champ) {
    return champ == C::Pere ? f.Pere : f.Mere;
}

TFiche lire(FichierEnregistrements& fichier, std::int32_t n) {
    TFiche f;
    fichier.positionner(n);
    fichier.lire(f);
    return f;
}

bool homme(const TFiche& f) {
    return f.Qualite == 0;
}
bool femme(const TFiche& f) {
    return f.Qualite == 1 || f.Qualite == 2;
}

// Whether `ancetre` is found up from `personne` (a loop ends the walk).
bool estAncetre(FichierEnregistrements& fichier, std::int32_t ancetre, std::int32_t personne) {
    const std::int64_t nombre = fichier.nombreFiches();
    std::vector<std::int32_t> aVoir = {personne};
    std::set<std::int32_t> vus;
    while (!aVoir.empty() && vus.size() < 100000) {
        const std::int32_t n = aVoir.back();
        aVoir.pop_back();
        if (!vus.insert(n).second) continue;
        const TFiche f = lire(fichier, n);
        for (const std::int32_t p : {f.Pere, f.Mere}) {
            if (p == ancetre) return true;
            if (p >= 0 && p < nombre) aVoir.push_back(p);
        }
    }
    return false;
}

// The other versions of the person, as the store keeps them: level 1 GEDCOM
// by the record's field it comes from ("NAME", "BIRT"…).
using Versions = std::vector<std::pair<std::string, std::string>>;
Versions autresVersions(const TFiche& fusion, const TFiche& autre) {
    const auto t = [](const auto& champ) { return champ.texte().toStdString(); };
    const std::string note = "2 NOTE Autre version, d'une fiche fusionnée\n";
    Versions v;
    if (autre.Nom.texte() != fusion.Nom.texte() || autre.Prenom.texte() != fusion.Prenom.texte())
        v.push_back(
            {"NAME", "1 NAME " + t(autre.Prenom) + " /" + t(autre.Nom) + "/\n2 TYPE aka\n" + note});
    const auto evenement = [&](const char* etiquette, const auto& date, const auto& lieu,
                               const auto& dateF, const auto& lieuF) {
        if ((date.vide() || date.texte() == dateF.texte()) &&
            (lieu.vide() || lieu.texte() == lieuF.texte()))
            return;
        std::string g = std::string("1 ") + etiquette + "\n";
        if (!date.vide()) g += "2 DATE " + dateGedcom(date.texte()).toStdString() + "\n";
        if (!lieu.vide()) g += "2 PLAC " + t(lieu) + "\n";
        v.push_back({etiquette, g + note});
    };
    evenement("BIRT", autre.DateNaissance, autre.LieuNaissance, fusion.DateNaissance,
              fusion.LieuNaissance);
    evenement("DEAT", autre.DateDeces, autre.LieuDeces, fusion.DateDeces, fusion.LieuDeces);
    evenement("MARR", autre.DateMariage, autre.LieuMariage, fusion.DateMariage, fusion.LieuMariage);
    if (!autre.Profession.vide() && autre.Profession.texte() != fusion.Profession.texte())
        v.push_back({"OCCU", "1 OCCU " + t(autre.Profession) + "\n" + note});
    if (!autre.Photo.vide() && autre.Photo.texte() != fusion.Photo.texte())
        v.push_back({"OBJE", "1 OBJE\n2 FILE " + t(autre.Photo) + "\n"});
    return v;
}

// The versions the store does not hold yet: a field whose structure the
// store keeps for that record, still as the record has it, and which the
// merge turns into a plain fact (`liesAilleurs`: the fields tied to the
// other side), is kept by the merge itself, with its sources.
std::string versionsAGarder(Complements& c, std::int32_t n, const TFiche& f,
                            const Versions& versions,
                            const std::vector<std::string>& liesAilleurs) {
    const std::unique_ptr<EntreePersonne> entree = c.personne(n, f);
    std::string g;
    for (const auto& version : versions) {
        const std::string& champ = version.first;
        const bool ailleurs =
            std::find(liesAilleurs.begin(), liesAilleurs.end(), champ) != liesAilleurs.end();
        const bool gardee = ailleurs && entree &&
                            std::any_of(entree->champs.begin(), entree->champs.end(),
                                        [&](const EntreePersonne::Champ& ch) {
                                            return ch.nom == champ && ch.ecrit == ecritDe(f, champ);
                                        });
        if (!gardee) g += version.second;
    }
    return g;
}

// The record's fields whose structure follows the second record: the side
// of the field's first part, or of its second when the first parts agree.
std::vector<std::string> champsDuSecond(const TFiche& a, const TFiche& b,
                                        const ChoixDeFusion& choix) {
    const auto second = [&](C champ) { return choix.second[static_cast<std::size_t>(champ)]; };
    const auto selon = [&](C premiere, C seconde) {
        return valeurDuChamp(a, premiere) == valeurDuChamp(b, premiere) ? second(seconde)
                                                                        : second(premiere);
    };
    std::vector<std::string> champs;
    if (second(C::Qualite)) champs.push_back("SEX");
    if (selon(C::Nom, C::Prenom)) champs.push_back("NAME");
    if (selon(C::DateNaissance, C::LieuNaissance)) champs.push_back("BIRT");
    if (selon(C::DateDeces, C::LieuDeces)) champs.push_back("DEAT");
    if (second(C::Profession)) champs.push_back("OCCU");
    if (second(C::Photo)) champs.push_back("OBJE");
    return champs;
}

} // namespace

QString libelleDuChamp(ChampFusion champ) {
    static const char* const libelles[NbChampsFusion] = {"Civilité",
                                                         "Nom",
                                                         "Prénoms",
                                                         "Profession",
                                                         "Date de naissance",
                                                         "Lieu de naissance",
                                                         "Date de mariage",
                                                         "Lieu de mariage",
                                                         "Date de décès",
                                                         "Lieu de décès",
                                                         "Portrait",
                                                         "Père",
                                                         "Mère"};
    return QString::fromUtf8(libelles[static_cast<int>(champ)]);
}

QString valeurDuChamp(const TFiche& f, ChampFusion champ) {
    if (champ == C::Qualite) return motQualite(f.Qualite);
    if (champ == C::Pere || champ == C::Mere) {
        const std::int32_t n = lien(f, champ);
        return n < 0 ? QString() : QStringLiteral("fiche %1").arg(n);
    }
    switch (champ) {
    case C::Nom:
        return f.Nom.texte();
    case C::Prenom:
        return f.Prenom.texte();
    case C::Profession:
        return f.Profession.texte();
    case C::DateNaissance:
        return f.DateNaissance.texte();
    case C::LieuNaissance:
        return f.LieuNaissance.texte();
    case C::DateMariage:
        return f.DateMariage.texte();
    case C::LieuMariage:
        return f.LieuMariage.texte();
    case C::DateDeces:
        return f.DateDeces.texte();
    case C::LieuDeces:
        return f.LieuDeces.texte();
    default:
        return f.Photo.texte();
    }
}

ChoixDeFusion ChoixDeFusion::parDefaut(const TFiche& premier, const TFiche& second) {
    ChoixDeFusion c;
    for (int k = 0; k < NbChampsFusion; ++k) {
        const auto champ = static_cast<C>(k);
        if (textuel(champ) || champ == C::Pere || champ == C::Mere)
            c.second[static_cast<std::size_t>(k)] =
                valeurDuChamp(premier, champ).isEmpty() && !valeurDuChamp(second, champ).isEmpty();
    }
    return c;
}

FusionPreparee preparerFusion(FichierEnregistrements& fichier, std::int32_t premier,
                              std::int32_t second, const ChoixDeFusion& choix) {
    const std::int64_t nombre = fichier.nombreFiches();
    if (premier == second || premier < 0 || second < 0 || premier >= nombre || second >= nombre)
        throw ErreurVelmoris(QStringLiteral("Il faut deux fiches différentes du fichier"));
    const TFiche a = lire(fichier, premier), b = lire(fichier, second);
    if ((homme(a) && femme(b)) || (femme(a) && homme(b)))
        throw ErreurVelmoris(QStringLiteral("Un homme et une femme ne sont pas une même personne"));
    if (estAncetre(fichier, premier, second) || estAncetre(fichier, second, premier))
        throw ErreurVelmoris(QStringLiteral("L'une de ces personnes est l'ancêtre de l'autre : "
                                            "elles ne sont pas une même personne"));
    const auto derniere = static_cast<std::int32_t>(nombre - 1);
    const std::int32_t arrivee = premier == derniere ? second : premier;
    // Every number as the dense file has it.
    const auto renumeroter = [&](std::int32_t n) {
        if (n == premier || n == second) return arrivee;
        if (n == derniere) return second;
        return n;
    };
    FusionPreparee r;
    r.fusionnee = arrivee;
    TFiche fusion = a;
    for (int k = 0; k < NbChampsFusion; ++k)
        if (choix.second[static_cast<std::size_t>(k)]) prendre(fusion, b, static_cast<C>(k));
    // A parent not kept lets go of the child.
    std::set<std::int32_t> parentsQuittes;
    for (const C champ : {C::Pere, C::Mere}) {
        const std::int32_t garde = lien(fusion, champ);
        const std::int32_t autre =
            lien(choix.second[static_cast<std::size_t>(champ)] ? a : b, champ);
        if (autre >= 0 && autre < nombre && autre != garde) {
            parentsQuittes.insert(autre);
            r.remarques << QStringLiteral("%1 %2 (fiche %3) n'est pas gardé(e) : une fiche n'a "
                                          "qu'un père et qu'une mère.")
                               .arg(champ == C::Pere ? QStringLiteral("Le père")
                                                     : QStringLiteral("La mère"),
                                    nomComplet(lire(fichier, autre)))
                               .arg(autre);
        }
    }
    // Both records' children, in birth order, the undated after.
    std::vector<std::pair<std::int64_t, std::int32_t>> enfants;
    for (const TFiche* f : {&a, &b})
        for (const std::int32_t e : f->Enfants)
            if (e >= 0 && e < nombre && e != premier && e != second &&
                std::none_of(enfants.begin(), enfants.end(),
                             [e](const auto& x) { return x.second == e; })) {
                const std::int64_t cle = cleDeTriDate(lire(fichier, e).DateNaissance.texte());
                enfants.push_back({cle <= 0 ? std::numeric_limits<std::int64_t>::max() : cle, e});
            }
    std::stable_sort(enfants.begin(), enfants.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    fusion.Enfants.fill(-1);
    std::vector<std::int32_t> enPlus; // beyond ten: the store keeps them
    for (std::size_t k = 0; k < enfants.size(); ++k) {
        if (k < NbEmplacementsEnfants)
            fusion.Enfants[k] = renumeroter(enfants[k].second);
        else
            enPlus.push_back(enfants[k].second);
    }
    fusion.NbEnfants =
        static_cast<std::uint8_t>(std::min<std::size_t>(enfants.size(), NbEmplacementsEnfants));
    fusion.Pere = fusion.Pere >= 0 && fusion.Pere < nombre ? renumeroter(fusion.Pere) : -1;
    fusion.Mere = fusion.Mere >= 0 && fusion.Mere < nombre ? renumeroter(fusion.Mere) : -1;
    r.modification.fiches[arrivee] = fusion;
    // Every other record's links follow; the last record moves into the freed slot.
    std::map<std::int32_t, TFiche> enPlusLus;
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& lue) {
        if (n == premier || n == second) return true;
        TFiche f = lue;
        if (f.Pere == premier || f.Pere == second)
            f.Pere = arrivee;
        else if (f.Pere == derniere)
            f.Pere = second;
        if (f.Mere == premier || f.Mere == second)
            f.Mere = arrivee;
        else if (f.Mere == derniere)
            f.Mere = second;
        std::vector<std::int32_t> restants;
        for (const std::int32_t e : f.Enfants) {
            if (e < 0) continue;
            const std::int32_t m = (e >= 0 && e < nombre) ? renumeroter(e) : e;
            if (parentsQuittes.count(n) && m == arrivee) continue;
            if (std::find(restants.begin(), restants.end(), m) == restants.end())
                restants.push_back(m);
        }
        const int retires = static_cast<int>(std::count_if(f.Enfants.begin(), f.Enfants.end(),
                                                           [](std::int32_t e) { return e >= 0; })) -
                            static_cast<int>(restants.size());
        f.Enfants.fill(-1);
        std::copy(restants.begin(), restants.end(), f.Enfants.begin());
        f.NbEnfants = static_cast<std::uint8_t>(std::max(0, int(f.NbEnfants) - retires));
        const std::int32_t ici = n == derniere ? second : n;
        if (ici != n || !(f == lue)) r.modification.fiches[ici] = f;
        if (std::find(enPlus.begin(), enPlus.end(), n) != enPlus.end()) enPlusLus[n] = f;
        return true;
    });
    r.modification.nombreFinal = derniere;
    r.modification.personne = arrivee;
    r.modification.libelle =
        QStringLiteral("la fusion %1 et %2").arg(deNom(nomComplet(a)), deNom(nomComplet(b)));
    const Versions versionsA = autresVersions(fusion, a), versionsB = autresVersions(fusion, b);
    r.magasinNecessaire = !versionsA.empty() || !versionsB.empty() || !enPlus.empty();
    const bool pere = homme(fusion);
    // The other parent of each child kept by the store, as its record now reads
    // (the store knows a person by the names and birth, which the move keeps).
    std::map<std::int32_t, TFiche> autresParents;
    for (const auto& [n, enfant] : enPlusLus) {
        const std::int32_t autre = pere ? enfant.Mere : enfant.Pere;
        if (autre >= 0 && autre != arrivee)
            autresParents[autre] = lire(fichier, autre == second ? derniere : autre);
    }
    r.magasin = [=](Complements& c) {
        const std::vector<std::string> duSecond = champsDuSecond(a, b, choix);
        std::vector<std::string> duPremier;
        for (const char* champ : {"SEX", "NAME", "BIRT", "DEAT", "OCCU", "OBJE"})
            if (std::find(duSecond.begin(), duSecond.end(), champ) == duSecond.end())
                duPremier.push_back(champ);
        const std::string versions = versionsAGarder(c, premier, a, versionsA, duSecond) +
                                     versionsAGarder(c, second, b, versionsB, duPremier);
        c.suivreFusion({premier, second, derniere, a, b, fusion, duSecond});
        if (!versions.empty()) c.ajouterALaPersonne(arrivee, fusion, versions);
        for (const auto& [n, enfant] : enPlusLus) {
            const std::int32_t autre = pere ? enfant.Mere : enfant.Pere;
            const auto trouve = autresParents.find(autre);
            const bool connu = trouve != autresParents.end();
            const Complements::Partenaire moi{arrivee, &fusion};
            const Complements::Partenaire lui{connu ? autre : -1,
                                              connu ? &trouve->second : nullptr};
            c.ajouterEnfantAuCouple(pere ? moi : lui, pere ? lui : moi, n == derniere ? second : n,
                                    enfant);
        }
    };
    return r;
}
