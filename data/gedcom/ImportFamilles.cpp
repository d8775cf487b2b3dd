// The GEDCOM import of the families, and what is settled once everything is
// read: portraits, references to nothing, each child's family, the ranks of
// the children, each record's marriage, loops.
#include "data/gedcom/Importateur.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/recherche/Parente.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace importation {

// A loop of families makes someone their own ancestor, which no tree holds.
// Walking up the father and mother links, the link that closes a loop is
// left at -1, on both sides, and each is reported. Links are numbered from
// `decalage`.
void briserBoucles(std::vector<TFiche>& fiches, std::int32_t decalage,
                   const std::function<void(std::int32_t, const QString&)>& signaler) {
    chercherBoucles(
        static_cast<std::int32_t>(fiches.size()),
        [&](std::int32_t n, bool pere) {
            const TFiche& f = fiches[static_cast<std::size_t>(n)];
            const std::int32_t lien = pere ? f.Pere : f.Mere;
            return lien < 0 ? -1 : lien - decalage;
        },
        [&](std::int32_t n, bool pere, std::int32_t parent) {
            signaler(n, QStringLiteral("une boucle dans les familles en ferait son propre "
                                       "ancêtre ; le lien vers %1 %2 n'a pas été gardé")
                            .arg(pere ? QStringLiteral("son père") : QStringLiteral("sa mère"),
                                 designationPersonne(fiches[static_cast<std::size_t>(parent)])));
            for (std::int32_t& slot : fiches[static_cast<std::size_t>(parent)].Enfants)
                if (slot == n + decalage) slot = -1;
            (pere ? fiches[static_cast<std::size_t>(n)].Pere
                  : fiches[static_cast<std::size_t>(n)].Mere) = -1;
        });
}

// ---------------------------------------------------------------- a family

void Importateur::famille() {
    std::int32_t id = -1;
    if (!m_e.reference(0).empty())
        id = m_familles.numero(m_e.reference(0));
    else
        id = m_familles.numero("@sans identifiant " + std::to_string(m_nombreFamilles) + "@");
    if (static_cast<std::size_t>(id) >= m_famillesLues.size())
        m_famillesLues.resize(static_cast<std::size_t>(id) + 1);
    Famille& f = m_famillesLues[static_cast<std::size_t>(id)];
    if (f.definie) {
        perteDuFichier(
            Ecart::Structure,
            QStringLiteral("Le fichier : la famille %1 est définie deux fois ; la "
                           "seconde n'est pas lue")
                .arg(QString::fromLatin1(m_e.reference(0).data(),
                                         static_cast<qsizetype>(m_e.reference(0).size()))));
        return;
    }
    f.definie = true;
    f.ligne = m_nombreFamilles++;
    if (m_avecComplements) {
        if (static_cast<std::size_t>(id) >= m_lignesFamilles.size())
            m_lignesFamilles.resize(static_cast<std::size_t>(id) + 1);
        std::string& lignes = m_lignesFamilles[static_cast<std::size_t>(id)];
        for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l)) {
            const std::uint64_t c = m_e.code(l);
            if (c != HUSB && c != WIFE && c != CHIL)
                ajouterTexteUtf8(lignes, l, 1); // its identifiers (_UID, RIN, CHAN) too
            else if (c != CHIL && m_e.fin(l) > l + 1) {
                // What the source said under a spouse's link, without the link.
                lignes += "1 " + std::string(m_e.etiquette(l)) + '\n';
                for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
                    ajouterTexteUtf8(lignes, j, 2);
            }
        }
    }
    using Ligne = void (Importateur::*)(std::size_t, Famille&);
    static const std::unordered_map<std::uint64_t, Ligne> ParEtiquette = {
        {HUSB, &Importateur::conjointDeLaFamille}, {WIFE, &Importateur::conjointDeLaFamille},
        {CHIL, &Importateur::enfantDeLaFamille},   {MARR, &Importateur::mariageDeLaFamille},
        {SOUR, &Importateur::renvoiDeLaFamille},   {NOTE, &Importateur::renvoiDeLaFamille},
        {OBJE, &Importateur::renvoiDeLaFamille}};
    for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l)) {
        const std::uint64_t c = m_e.code(l);
        if (const auto i = ParEtiquette.find(c); i != ParEtiquette.end())
            (this->*i->second)(l, f);
        else if (!administratif(c))
            autreLigneDeLaFamille(l, f);
    }
    if (m_e.lignesReparees())
        f.pertes.push_back({Ecart::Structure, m_e.lignesReparees(),
                            QStringLiteral("%1 ligne(s) mal placée(s) dans la famille, "
                                           "rattachée(s) à la ligne qui les précède")
                                .arg(m_e.lignesReparees())});
}

// The first husband and the first wife named.
void Importateur::conjointDeLaFamille(std::size_t l, Famille& f) {
    const std::int32_t personne = m_personnes.numero(gedcom::sansBlancs(m_e.valeur(l)));
    std::int32_t& conjoint = m_e.code(l) == HUSB ? f.mari : f.femme;
    if (conjoint < 0) conjoint = personne;
    for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
        detailDuLien(j, f, m_e.code(l) == HUSB ? "le mari" : "l'épouse");
}

// A line under a family's link to a spouse or a child: kept in the store
// with the family, told either way.
void Importateur::detailDuLien(std::size_t l, Famille& f, const char* qui) {
    const std::uint64_t c = m_e.code(l);
    f.pertes.push_back({c == SOUR   ? Ecart::Source
                        : c == NOTE ? Ecart::Note
                                    : Ecart::DetailEvenement,
                        1,
                        QStringLiteral("la famille, %1 : %2 n'est pas gardé")
                            .arg(QString::fromUtf8(qui), nomEvenement(m_e.etiquette(l)))});
}

// A child, and how it belongs to the family when a relation says other than birth.
void Importateur::enfantDeLaFamille(std::size_t l, Famille& f) {
    Filiation filiation = Filiation::Naissance;
    for (const std::uint64_t relation : {FREL, MREL, PEDI})
        if (const std::size_t r = m_e.sous(l, relation);
            r && filiationDe(m_e.valeur(r)) != Filiation::Naissance)
            filiation = filiationDe(m_e.valeur(r));
    std::string lignes;
    for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        if (c == FREL || c == MREL || c == PEDI) continue;
        detailDuLien(j, f, "un enfant");
        if (m_avecComplements) ajouterTexteUtf8(lignes, j, 3);
    }
    if (!lignes.empty()) lignes.insert(0, "2 CHIL\n");
    f.enfants.push_back({m_personnes.numero(gedcom::sansBlancs(m_e.valeur(l))), filiation,
                         lignesGardees(std::move(lignes))});
}

// The first marriage's date and place go into the spouses' records; what
// else it says is told.
void Importateur::mariageDeLaFamille(std::size_t l, Famille& f) {
    if (f.mariageLu) {
        autreLigneDeLaFamille(l, f);
        return;
    }
    f.mariageLu = true;
    if (const std::size_t d = m_e.sous(l, DATE)) f.date = valeurSurUneLigne(d);
    if (const std::size_t p = m_e.sous(l, PLAC)) f.lieu = valeurSurUneLigne(p);
    for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
        if (m_e.code(j) != DATE && m_e.code(j) != PLAC)
            f.pertes.push_back({m_e.code(j) == SOUR   ? Ecart::Source
                                : m_e.code(j) == NOTE ? Ecart::Note
                                : m_e.code(j) == OBJE ? Ecart::Media
                                                      : Ecart::DetailEvenement,
                                1,
                                QStringLiteral("le mariage : %1 n'est pas gardé")
                                    .arg(nomEvenement(m_e.etiquette(j)))});
}

// A source, a note or a picture of the family.
void Importateur::renvoiDeLaFamille(std::size_t l, Famille& f) {
    const std::uint64_t c = m_e.code(l);
    f.pertes.push_back({c == SOUR   ? Ecart::Source
                        : c == NOTE ? Ecart::Note
                                    : Ecart::Media,
                        1,
                        c == SOUR   ? QStringLiteral("une source de la famille n'est pas gardée")
                        : c == NOTE ? QStringLiteral("une note de la famille n'est pas gardée")
                                    : QStringLiteral("une image de la famille n'est pas gardée")});
}

// Any other line of the family: an event, a number, a restriction.
void Importateur::autreLigneDeLaFamille(std::size_t l, Famille& f) {
    const std::uint64_t c = m_e.code(l);
    if (c == RESN || identifiant(c)) {
        f.pertes.push_back({c == RESN ? Ecart::Confidentialite : Ecart::Identifiant, 1,
                            QStringLiteral("%1 de la famille n'est pas gardé")
                                .arg(nomEvenement(m_e.etiquette(l)))});
        return;
    }
    QString nom = nomEvenement(m_e.etiquette(l));
    if (const std::size_t d = m_e.sous(l, DATE))
        nom += QStringLiteral(" (%1)").arg(valeurSurUneLigne(d));
    else if (c == NCHI)
        nom += QStringLiteral(" « %1 »").arg(valeurSurUneLigne(l));
    f.pertes.push_back({Ecart::Evenement, 1, QStringLiteral("non gardé (famille) : ") + nom});
}

// ---------------------------------------------------------------- once everything is read

// Portraits given as picture records, which may come after the persons.
void Importateur::portraits() {
    std::vector<std::uint8_t> utilise(m_fichiersObjets.size(), 0);
    for (const auto& [n, objet] : m_objetsDe) {
        if (objet < 0 || static_cast<std::size_t>(objet) >= m_fichiersObjets.size()) {
            perte(Ecart::ReferencePendante, n,
                  QStringLiteral("le portrait renvoie à une image absente du fichier"));
            continue;
        }
        utilise[static_cast<std::size_t>(objet)] = 1;
        const QString& chemin = m_fichiersObjets[static_cast<std::size_t>(objet)];
        if (!chemin.isEmpty()) texte(n, fiche(n).Photo, chemin, "le chemin du portrait");
    }
    (m_avecComplements ? m_enregistrementsGardesParGenre : m_enregistrementsIgnores)[2] =
        std::count(utilise.begin(), utilise.end(), 0);
}

// References to persons or families the file does not hold, GEDCOM 7's
// @VOID@ among them: each is told, and left out.
void Importateur::referencesPendantes() {
    auto familleAbsente = [&](const LienPersonne& l) {
        return static_cast<std::size_t>(l.famille) >= m_famillesLues.size() ||
               !m_famillesLues[static_cast<std::size_t>(l.famille)].definie;
    };
    for (const auto* liste : {&m_famc, &m_fams})
        for (const LienPersonne& l : *liste)
            if (familleAbsente(l))
                perte(Ecart::ReferencePendante, l.fiche,
                      QStringLiteral("une famille à laquelle la personne renvoie n'est pas dans "
                                     "le fichier"));
    const std::int32_t vide = m_personnes.chercher("@VOID@");
    for (Famille& f : m_famillesLues) {
        if (!f.definie) continue;
        auto absente = [&](std::int32_t personne) {
            return personne >= 0 && ficheDe(personne) < 0;
        };
        const std::int32_t temoin = ficheDe(f.mari) >= 0 ? ficheDe(f.mari) : ficheDe(f.femme);
        auto signaler = [&](const QString& quoi, std::int32_t personne) {
            const QString detail =
                personne == vide
                    ? QStringLiteral("la famille nomme %1 « @VOID@ » (personne inconnue)").arg(quoi)
                    : QStringLiteral("la famille renvoie, comme %1, à une personne absente du "
                                     "fichier")
                          .arg(quoi);
            if (temoin >= 0)
                perte(Ecart::ReferencePendante, temoin, detail);
            else
                perteDuFichier(Ecart::ReferencePendante, QStringLiteral("Le fichier : ") + detail);
        };
        if (absente(f.mari)) signaler(QStringLiteral("mari"), f.mari);
        if (absente(f.femme)) signaler(QStringLiteral("épouse"), f.femme);
        for (const Famille::Enfant& e : f.enfants)
            if (absente(e.personne)) signaler(QStringLiteral("enfant"), e.personne);
    }
}

// The families a child belongs to, by its own FAMC and by their CHIL: one is
// chosen, the birth family first, and every other one is told.
void Importateur::liens() {
    std::vector<Appartenance> fusion = appartenances();
    std::vector<std::int32_t> familleChoisie(m_r.fiches.size(), -1);
    for (std::size_t debut = 0; debut < fusion.size();) {
        std::size_t fin = debut;
        while (fin < fusion.size() && fusion[fin].enfant == fusion[debut].enfant)
            ++fin;
        const std::int32_t enfant = fusion[debut].enfant;
        familleChoisie[static_cast<std::size_t>(enfant)] =
            choisirLaFamille(&fusion[debut], &fusion[0] + fin);
        debut = fin;
    }
    fusion = std::vector<Appartenance>();
    inscrireLesEnfants(familleChoisie);
    // Each child now has its membership: the families' own lists of
    // children are read no more, and their room goes to the store's couples.
    for (Famille& f : m_famillesLues)
        f.enfants = std::vector<Famille::Enfant>();
}

// Every family of every child, by child, one entry per family, the FAMC and
// the CHIL that name it merged, the child's own order first.
std::vector<Appartenance> Importateur::appartenances() {
    auto definie = [&](std::int32_t famille) {
        return famille >= 0 && static_cast<std::size_t>(famille) < m_famillesLues.size() &&
               m_famillesLues[static_cast<std::size_t>(famille)].definie;
    };
    std::size_t parChil = 0;
    for (const Famille& f : m_famillesLues)
        parChil += f.enfants.size();
    std::vector<Appartenance> toutes;
    toutes.reserve(m_famc.size() + parChil);
    for (std::size_t i = 0; i < m_famc.size(); ++i)
        if (definie(m_famc[i].famille))
            toutes.push_back({m_famc[i].fiche, m_famc[i].famille, m_famc[i].filiation, true, false,
                              static_cast<std::uint32_t>(i), std::move(m_famc[i].lignes)});
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        Famille& f = m_famillesLues[id];
        for (Famille::Enfant& e : f.enfants)
            if (const std::int32_t enfant = ficheDe(e.personne); enfant >= 0)
                toutes.push_back(
                    {enfant, static_cast<std::int32_t>(id), e.filiation, false, true,
                     static_cast<std::uint32_t>(m_famc.size() + static_cast<std::size_t>(f.ligne)),
                     std::move(e.lignes)});
    }
    m_famc = std::vector<LienPersonne>();
    std::vector<std::uint32_t> debut;
    std::vector<Appartenance> fusion = grouper(std::move(toutes), m_r.fiches.size(), debut,
                                               [](const Appartenance& a) { return a.enfant; });
    for (std::size_t e = 0; e + 1 < debut.size(); ++e) {
        const auto premier = fusion.begin() + debut[e], dernier = fusion.begin() + debut[e + 1];
        for (auto a = premier; a != dernier; ++a)
            for (auto b = a + 1; b != dernier; ++b)
                if (b->famille == a->famille && b->enfant >= 0) {
                    a->parFamc |= b->parFamc;
                    a->parChil |= b->parChil;
                    a->ordre = std::min(a->ordre, b->ordre);
                    if (b->filiation != Filiation::Naissance) a->filiation = b->filiation;
                    if (!a->lignes)
                        a->lignes = std::move(b->lignes);
                    else if (b->lignes)
                        *a->lignes += *b->lignes;
                    b->enfant = -1; // merged
                }
        trierPetitGroupe(premier, dernier, [](const Appartenance& a, const Appartenance& b) {
            return a.ordre < b.ordre;
        });
    }
    std::erase_if(fusion, [](const Appartenance& a) { return a.enfant < 0; });
    return fusion;
}

// "DUPONT Jean et MARTIN Marie", the parents of a family as the report names them.
QString Importateur::parentsDe(std::int32_t famille) {
    const Famille& f = m_famillesLues[static_cast<std::size_t>(famille)];
    QStringList noms;
    for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
        if (p >= 0) noms << designationPersonne(fiche(p));
    return noms.isEmpty() ? QStringLiteral("parents inconnus") : noms.join(QStringLiteral(" et "));
}

// Among one child's families, the first birth family gives the record its
// father and mother; every other is kept in the store and told. Returns the
// family chosen, -1 when none.
std::int32_t Importateur::choisirLaFamille(Appartenance* debut, Appartenance* fin) {
    const std::int32_t enfant = debut->enfant;
    const Appartenance* choisie = nullptr;
    for (const Appartenance* a = debut; a != fin && !choisie; ++a)
        if (a->filiation == Filiation::Naissance) choisie = a;
    for (Appartenance* a = debut; a != fin; ++a) {
        if (m_avecComplements) {
            static const char* const filiations[] = {"birth", "adopted", "foster", "step"};
            const bool autre = a->filiation == Filiation::Naissance && a != choisie;
            m_famillesLues[static_cast<std::size_t>(a->famille)].membres.push_back(
                {enfant, autre ? "other-birth" : filiations[static_cast<std::size_t>(a->filiation)],
                 std::move(a->lignes)});
        }
        if (a->filiation != Filiation::Naissance)
            perte(Ecart::Filiation, enfant,
                  QStringLiteral("le lien %1 avec %2 n'est pas inscrit dans les fiches, qui ne "
                                 "nomment que les parents de naissance")
                      .arg(nomFiliation(a->filiation), parentsDe(a->famille)));
        else if (a != choisie)
            perte(Ecart::LienFamille, enfant,
                  QStringLiteral("enfant aussi de %1 : seule la famille de %2 est gardée")
                      .arg(parentsDe(a->famille), parentsDe(choisie->famille)));
        if (a->parFamc != a->parChil && a->filiation == Filiation::Naissance)
            perte(Ecart::LienComplete, enfant,
                  a->parFamc ? QStringLiteral("la personne se dit enfant de %1, que cette famille "
                                              "ne compte pas parmi ses enfants ; le lien est "
                                              "gardé")
                                   .arg(parentsDe(a->famille))
                             : QStringLiteral("la famille de %1 la compte parmi ses enfants sans "
                                              "que la personne s'en dise l'enfant ; le lien est "
                                              "gardé")
                                   .arg(parentsDe(a->famille)));
    }
    if (!choisie) return -1;
    Famille& f = m_famillesLues[static_cast<std::size_t>(choisie->famille)];
    f.avecEnfant = true;
    const std::int32_t pere = ficheDe(f.mari), mere = ficheDe(f.femme);
    fiche(enfant).Pere = pere < 0 ? -1 : pere + m_decalage;
    fiche(enfant).Mere = mere < 0 ? -1 : mere + m_decalage;
    return choisie->famille;
}

// Each parent's children in the file's order: family by family, as each
// lists them, then those only their own FAMC names; then into the slots.
void Importateur::inscrireLesEnfants(std::vector<std::int32_t>& familleChoisie) {
    std::vector<std::pair<std::int32_t, std::int32_t>> enfantsDe; // parent, child
    auto inscrire = [&](std::int32_t enfant) {
        std::int32_t& famille = familleChoisie[static_cast<std::size_t>(enfant)];
        if (famille < 0) return;
        const Famille& f = m_famillesLues[static_cast<std::size_t>(famille)];
        for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
            if (p >= 0 && p != enfant) enfantsDe.push_back({p, enfant});
        famille = -1;
    };
    for (const std::int32_t id : famillesDansLOrdreDuFichier())
        for (const Famille::Enfant& e : m_famillesLues[static_cast<std::size_t>(id)].enfants)
            if (const std::int32_t enfant = ficheDe(e.personne);
                enfant >= 0 && familleChoisie[static_cast<std::size_t>(enfant)] == id)
                inscrire(enfant);
    for (std::int32_t enfant = 0; enfant < static_cast<std::int32_t>(familleChoisie.size());
         ++enfant)
        inscrire(enfant);
    // By parent, each parent's children in the order found.
    std::vector<std::uint32_t> debut;
    enfantsParRang(grouper(std::move(enfantsDe), m_r.fiches.size(), debut,
                           [](const std::pair<std::int32_t, std::int32_t>& l) { return l.first; }));
}

std::vector<std::int32_t> Importateur::famillesDansLOrdreDuFichier() const {
    std::vector<std::int32_t> ordre(m_famillesLues.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](std::int32_t a, std::int32_t b) {
        return m_famillesLues[static_cast<std::size_t>(a)].ligne <
               m_famillesLues[static_cast<std::size_t>(b)].ligne;
    });
    return ordre;
}

// The sort key of a birth date, read from the stored bytes for the common
// forms; -1 without a year.
std::int64_t cleDeNaissance(const ChampTexte<10>& date) {
    const int n = date.longueurSignificative();
    const auto& o = date.octets;
    auto chiffres = [&](int debut, int longueur, int& valeur) {
        valeur = 0;
        for (int i = debut; i < debut + longueur; ++i) {
            const std::uint8_t c = o[static_cast<std::size_t>(i)];
            if (c < '0' || c > '9') return false;
            valeur = valeur * 10 + (c - '0');
        }
        return true;
    };
    int jour = 0, mois = 0, annee = 0;
    if (n == 10 && o[2] == '/' && o[5] == '/' && chiffres(6, 4, annee)) {
        if (!chiffres(3, 2, mois)) mois = 0;
        if (!chiffres(0, 2, jour)) jour = 0;
        return static_cast<std::int64_t>(annee) * 10000 + mois * 100 + jour;
    }
    const DateLue d = lireDate(date.texte());
    if (!d.aUneAnnee()) return -1;
    return static_cast<std::int64_t>(d.annee) * 10000 + d.mois * 100 + d.jour;
}

// A parent's children go into the slots by birth date, the slot being the
// birth rank: the undated keep the file's order after the dated ones, or
// among them when the file's order agrees with their dates.
void Importateur::enfantsParRang(
    const std::vector<std::pair<std::int32_t, std::int32_t>>& enfantsDe) {
    std::vector<std::int32_t> ordre;
    std::vector<std::int64_t> cles;
    for (std::size_t debut = 0; debut < enfantsDe.size();) {
        std::size_t fin = debut;
        const std::int32_t parent = enfantsDe[debut].first;
        ordre.clear();
        while (fin < enfantsDe.size() && enfantsDe[fin].first == parent)
            ordre.push_back(enfantsDe[fin++].second);
        debut = fin;
        if (ordre.size() > 1) {
            cles.clear();
            bool enOrdre = true;
            std::int64_t precedente = -1;
            for (const std::int32_t e : ordre) {
                cles.push_back(cleDeNaissance(fiche(e).DateNaissance));
                if (cles.back() >= 0) {
                    enOrdre = enOrdre && cles.back() >= precedente;
                    precedente = cles.back();
                }
            }
            if (!enOrdre) {
                std::vector<std::size_t> indices(ordre.size());
                std::iota(indices.begin(), indices.end(), 0);
                std::stable_partition(indices.begin(), indices.end(),
                                      [&](std::size_t i) { return cles[i] >= 0; });
                const auto fin = std::find_if(indices.begin(), indices.end(),
                                              [&](std::size_t i) { return cles[i] < 0; });
                std::stable_sort(indices.begin(), fin,
                                 [&](std::size_t a, std::size_t b) { return cles[a] < cles[b]; });
                std::vector<std::int32_t> range;
                for (const std::size_t i : indices)
                    range.push_back(ordre[i]);
                ordre.swap(range);
                perte(Ecart::EnfantsReordonnes, parent,
                      QStringLiteral("les enfants sont inscrits par date de naissance, non dans "
                                     "l'ordre du fichier"));
            }
        }
        TFiche& p = fiche(parent);
        const std::size_t inscrits = std::min<std::size_t>(ordre.size(), NbEmplacementsEnfants);
        for (std::size_t rang = 0; rang < inscrits; ++rang)
            p.Enfants[rang] = ordre[rang] + m_decalage;
        p.NbEnfants = static_cast<std::uint8_t>(inscrits);
        if (ordre.size() > inscrits)
            perte(Ecart::PlusDeDixEnfants, parent,
                  QStringLiteral("%1 enfants : seuls les dix premiers sont inscrits ; les autres "
                                 "nomment toujours leurs parents")
                      .arg(ordre.size()),
                  static_cast<std::int64_t>(ordre.size() - inscrits));
    }
}

// Each person's record holds one marriage: that of the first of its families
// (in the order the person lists them) that has a date or a place. The
// others are told, and so are childless couples without any date.
void Importateur::mariages() {
    const std::vector<FamilleDeLaPersonne> familles = famillesDeChaquePersonne();
    std::vector<std::int32_t> vues;
    for (std::size_t debut = 0; debut < familles.size();) {
        const std::int32_t n = familles[debut].fiche;
        vues.clear();
        bool tenu = false;
        for (; debut < familles.size() && familles[debut].fiche == n; ++debut) {
            const std::int32_t id = familles[debut].famille;
            if (static_cast<std::size_t>(id) >= m_famillesLues.size() ||
                !m_famillesLues[static_cast<std::size_t>(id)].definie ||
                std::find(vues.begin(), vues.end(), id) != vues.end())
                continue;
            vues.push_back(id);
            tenu = mariageDansLaFiche(n, m_famillesLues[static_cast<std::size_t>(id)],
                                      static_cast<int>(vues.size()) - 1, tenu);
        }
    }
    pertesDesFamilles();
}

// Each person's families: those it lists first, in its order, then those
// that name it, in the file's order.
std::vector<FamilleDeLaPersonne> Importateur::famillesDeChaquePersonne() {
    std::vector<FamilleDeLaPersonne> familles;
    for (std::size_t i = 0; i < m_fams.size(); ++i)
        familles.push_back({m_fams[i].fiche, m_fams[i].famille, static_cast<std::int64_t>(i)});
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        const Famille& f = m_famillesLues[id];
        if (!f.definie) continue;
        for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
            if (p >= 0)
                familles.push_back({p, static_cast<std::int32_t>(id),
                                    static_cast<std::int64_t>(m_fams.size()) + f.ligne});
    }
    m_fams = std::vector<LienPersonne>();
    std::vector<std::uint32_t> groupes;
    familles = grouper(std::move(familles), m_r.fiches.size(), groupes,
                       [](const FamilleDeLaPersonne& d) { return d.fiche; });
    for (std::size_t p = 0; p + 1 < groupes.size(); ++p)
        trierPetitGroupe(familles.begin() + groupes[p], familles.begin() + groupes[p + 1],
                         [](const FamilleDeLaPersonne& a, const FamilleDeLaPersonne& b) {
                             return a.ordre < b.ordre;
                         });
    return familles;
}

// One of a person's families, `rang` in the person's order: its marriage
// goes into the record when none is there yet (`tenu`), else it is told.
// Returns whether the record now holds a marriage.
bool Importateur::mariageDansLaFiche(std::int32_t n, Famille& fam, int rang, bool tenu) {
    TFiche& f = fiche(n);
    const bool mari = ficheDe(fam.mari) == n;
    (mari ? fam.ordreMari : fam.ordreFemme) = rang;
    const std::int32_t autre = mari ? ficheDe(fam.femme) : ficheDe(fam.mari);
    auto avec = [&] {
        return autre >= 0 ? QStringLiteral(" avec ") + designationPersonne(fiche(autre))
                          : QString();
    };
    if (fam.date.isEmpty() && fam.lieu.isEmpty()) {
        if (autre >= 0 && !fam.avecEnfant && ficheDe(fam.mari) == n)
            perte(Ecart::Mariage, n,
                  QStringLiteral("le couple%1, sans enfant ni date de mariage, ne peut pas être "
                                 "retrouvé")
                      .arg(avec()));
        return tenu;
    }
    if (tenu) {
        QStringList quand;
        for (const QString& partie : {fam.date, fam.lieu})
            if (!partie.isEmpty()) quand << partie;
        perte(Ecart::Mariage, n,
              QStringLiteral("un autre mariage%1 (%2) n'est pas gardé : la fiche n'en tient qu'un")
                  .arg(avec(), quand.join(QStringLiteral(", "))));
        return tenu;
    }
    date(n, f.DateMariage, fam.date, "la date de mariage");
    texte(n, f.LieuMariage, fam.lieu, "le lieu de mariage");
    if (m_avecComplements) (mari ? fam.ecritMari : fam.ecritFemme) = ecritDe(f, "MARR");
    return true;
}

// What a family held beyond its links, told with one of its spouses.
void Importateur::pertesDesFamilles() {
    for (const std::int32_t id : famillesDansLOrdreDuFichier()) {
        const Famille& fam = m_famillesLues[static_cast<std::size_t>(id)];
        const std::int32_t temoin = ficheDe(fam.mari) >= 0 ? ficheDe(fam.mari) : ficheDe(fam.femme);
        for (const Famille::Perte& p : fam.pertes) {
            if (temoin >= 0)
                perte(p.genre, temoin, p.detail, p.quantite);
            else
                perteDuFichier(p.genre,
                               QStringLiteral("Le fichier : une famille sans parent connu : ") +
                                   p.detail,
                               p.quantite);
        }
    }
}

} // namespace importation
