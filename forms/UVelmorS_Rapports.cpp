// The "&Rapports" menu: ancestors, descendants, family sheet, kinship and
// statistics, for the person on screen as the file holds it. Each report
// opens in the print preview, from which it is printed or saved as PDF.
#include "forms/UVelmorS.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FamillesConnues.h"
#include "data/fichier/Texte.h"
#include "data/rapports/Rapports.h"
#include "data/rapports/Unions.h"
#include "data/recherche/Recherches.h"
#include "forms/uChoixPersonne.h"
#include "platform/ChargeurImage.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "print/DocumentRapport.h"

#include <QDate>
#include <QLocale>
#include <QPrinter>

namespace {

QString dateDuJour() {
    return QLocale(QLocale::French, QLocale::France)
        .toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));
}

const QString CeRapport = QStringLiteral("ce rapport");

std::vector<std::int32_t> personnesDe(const AscendanceSosa& a) {
    std::vector<std::int32_t> r;
    for (const GenerationSosa& g : a.generations)
        for (const auto* liste : {&g.ancetres, &g.dejaCites})
            for (const AncetreSosa& x : *liste)
                r.push_back(x.fiche);
    return r;
}

std::vector<std::int32_t> personnesDe(const DescendanceAboville& d) {
    std::vector<std::int32_t> r;
    for (const DescendantAboville& x : d.descendants)
        r.push_back(x.fiche);
    return r;
}

// An excluded person leaves the list with everyone listed under them.
void sansLesExclus(DescendanceAboville& d, const Confidentialite& c) {
    std::vector<QString> retires;
    std::erase_if(d.descendants, [&](const DescendantAboville& x) {
        for (const QString& r : retires)
            if (x.numero.startsWith(r + u'.')) return true;
        if (x.estUnion || !c.exclu(x.fiche)) return false;
        retires.push_back(x.numero);
        return true;
    });
}

} // namespace

// The record on screen, as stored; -1 and a message for a person not saved yet.
std::int32_t TForm1::personneDuRapport() {
    const int numero = numeroCourant(-1);
    if (numero < 0)
        m_dialogues.message(QStringLiteral("Enregistrez d'abord la personne : les rapports "
                                           "lisent le fichier de généalogie."));
    return numero;
}

// The number of generations, asked with its default; -1 when refused.
int TForm1::demanderGenerations(const QString& titre) {
    const QString reponse = m_dialogues.saisie(
        titre, QStringLiteral("Nombre de générations (1 à 30) ?"), QStringLiteral("10"));
    int generations = 0;
    if (!lireEntier(reponse.trimmed(), generations) || generations < 1 || generations > 30) {
        m_dialogues.message(QStringLiteral("« %1 » n'est pas un nombre de générations de 1 à 30.")
                                .arg(reponse.trimmed()));
        return -1;
    }
    return generations;
}

void TForm1::montrerRapportImprimable(const DocumentRapport& rapport) {
    imprimanteChoisie().setPageOrientation(QPageLayout::Portrait);
    montrerApercu(rapport.titre, [&rapport](QPrinter& p) { imprimerRapport(p, rapport); });
}

void TForm1::ListeAscendance1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    const int generations = demanderGenerations(QStringLiteral("Liste d'ascendance (Sosa)"));
    if (generations < 0) return;
    AscendanceSosa a;
    if (!surLeFichier([&] {
            a = ascendanceSosa(m_seance->fichier(), personne, generations);
            if (a.generations.empty()) throw ErreurES(ErreurES::LectureFinFichier);
        }))
        return;
    const std::vector<std::int32_t> concernes = personnesDe(a);
    const auto c = choisirLaConfidentialite(CeRapport, &concernes);
    if (!c) return;
    if (c->actif() && !surLeFichier([&] {
            FichierConfidentiel publie(m_seance->fichier(), *c);
            a = ascendanceSosa(publie, personne, generations);
        }))
        return;
    montrerRapportImprimable(rapportAscendance(a, a.generations.front().ancetres.front().personne,
                                               m_seance->chemin(), dateDuJour()));
}

void TForm1::ListeDescendance1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    const int generations =
        demanderGenerations(QStringLiteral("Liste de descendance (d'Aboville)"));
    if (generations < 0) return;
    DescendanceAboville d;
    const auto connues = famillesConnues();
    if (!surLeFichier([&] {
            d = descendanceAboville(m_seance->fichier(), personne, generations, connues.get());
            if (d.descendants.empty()) throw ErreurES(ErreurES::LectureFinFichier);
        }))
        return;
    const std::vector<std::int32_t> concernes = personnesDe(d);
    const auto c = choisirLaConfidentialite(CeRapport, &concernes);
    if (!c) return;
    if (c->actif() && !surLeFichier([&] {
            FichierConfidentiel publie(m_seance->fichier(), *c);
            std::optional<FamillesConfidentielles> familles;
            if (connues) familles.emplace(*connues, m_seance->fichier(), *c);
            d = descendanceAboville(publie, personne, generations, familles ? &*familles : nullptr);
            sansLesExclus(d, *c);
            if (d.descendants.empty()) throw ErreurES(ErreurES::LectureFinFichier);
        }))
        return;
    montrerRapportImprimable(
        rapportDescendance(d, d.descendants.front().personne, m_seance->chemin(), dateDuJour()));
}

namespace {

// The portrait as the display finds it, or none: a missing picture does not
// stop the sheet.
QImage portraitDe(const TFiche& f, const QString& cheminFichier) {
    const QString photo = f.Photo.texte();
    if (photo.size() < 5) return {};
    for (const QString& chemin :
         {repertoireDe(cheminFichier) + QStringLiteral("/PHOTOS/") + partieNomFichier(photo),
          photo}) {
        try {
            return chargerImage(chemin);
        } catch (const ErreurVelmoris&) {
        }
    }
    return {};
}

} // namespace

namespace {

// The title of a union block: its rank among the marriages, the spouse and the marriage.
QString titreDUnion(int& rang, const UnionConnue& u, const TFiche* conjoint) {
    if (!conjoint && u.date.isEmpty() && u.lieu.isEmpty())
        return QStringLiteral("Enfants d'un autre parent inconnu");
    return rangDUnion(++rang) + QStringLiteral(" : ") + resumeUnion(u, conjoint);
}

QString roleDEnfant(const TFiche& parent, const EnfantDUnion& e) {
    const auto slot = std::find(parent.Enfants.begin(), parent.Enfants.end(), e.fiche);
    QString role = slot == parent.Enfants.end()
                       ? QStringLiteral("Enfant")
                       : QStringLiteral("Enfant (rang %1)").arg(slot - parent.Enfants.begin() + 1);
    if (!e.filiation.isEmpty()) role += QStringLiteral(", ") + e.filiation;
    return role;
}

} // namespace

// A record as a member of the sheet, its portrait and whole places found;
// a person the privacy protects has neither.
std::optional<MembreFamille> TForm1::membreFamille(const QString& role, std::int32_t n,
                                                   const Confidentialite& c) {
    if (n < 0 || n >= m_seance->fichier().nombreFiches() || c.exclu(n)) return std::nullopt;
    MembreFamille m{role, n, {}, {}, {}, {}, {}};
    m_seance->fichier().positionner(n);
    m_seance->fichier().lire(m.personne);
    c.appliquer(n, m.personne);
    if (c.protege(n)) return m;
    m.portrait = portraitDe(m.personne, m_seance->chemin());
    if (Complements* base = complements(); base && !c.conjointProtege(n)) {
        m.lieuNaissance = lieuEntier(*base, n, m.personne, "BIRT");
        m.lieuMariage = lieuEntier(*base, n, m.personne, "MARR");
        m.lieuDeces = lieuEntier(*base, n, m.personne, "DEAT");
    }
    return m;
}

// The person and the parents, then one block per union in the order of the
// marriages, each with its spouse and its own children.
void TForm1::FicheFamiliale1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    FicheFamiliale feuille;
    if (!surLeFichier([&] { feuille = feuilleFamiliale(personne, Confidentialite{}); })) return;
    std::vector<std::int32_t> concernes;
    for (const MembreFamille& m : feuille.personneEtParents)
        concernes.push_back(m.fiche);
    for (const UnionFamiliale& u : feuille.unions)
        for (const MembreFamille& m : u.membres)
            concernes.push_back(m.fiche);
    const auto c = choisirLaConfidentialite(CeRapport, &concernes);
    if (!c) return;
    if (c->actif() && !surLeFichier([&] { feuille = feuilleFamiliale(personne, *c); })) return;
    montrerRapportImprimable(rapportFicheFamiliale(feuille, m_seance->chemin(), dateDuJour()));
}

// The person and the parents, then one block per union in the order of the
// marriages, each with its spouse and its own children, as the privacy
// lets them be published.
FicheFamiliale TForm1::feuilleFamiliale(std::int32_t personne, const Confidentialite& c) {
    FicheFamiliale feuille;
    const auto moi = membreFamille(QStringLiteral("Personne"), personne, c);
    if (!moi) throw ErreurES(ErreurES::LectureFinFichier);
    const TFiche fiche = moi->personne;
    feuille.personneEtParents.push_back(*moi);
    for (const auto& [role, parent] : {std::pair{QStringLiteral("Père"), fiche.Pere},
                                       std::pair{QStringLiteral("Mère"), fiche.Mere}})
        if (auto m = membreFamille(role, parent, c)) feuille.personneEtParents.push_back(*m);
    const auto connues = famillesConnues();
    FichierConfidentiel publie(m_seance->fichier(), c);
    std::optional<FamillesConfidentielles> familles;
    if (connues) familles.emplace(*connues, m_seance->fichier(), c);
    int rang = 0;
    std::size_t enfants = 0;
    for (const UnionConnue& u : unionsDe(c.actif() ? publie : m_seance->fichier(), personne, fiche,
                                         familles ? &*familles : nullptr)) {
        UnionFamiliale bloc;
        const auto conjoint = membreFamille(QStringLiteral("Conjoint(e)"), u.conjoint, c);
        bloc.titre = titreDUnion(rang, u, conjoint ? &conjoint->personne : nullptr);
        if (conjoint) bloc.membres.push_back(*conjoint);
        bloc.evenements = u.evenements;
        for (const EnfantDUnion& e : u.enfants)
            if (auto m = membreFamille(roleDEnfant(fiche, e), e.fiche, c)) {
                bloc.membres.push_back(*m);
                ++enfants;
            }
        feuille.unions.push_back(std::move(bloc));
    }
    // The ranks are those the record holds: told when they are not the birth order.
    if (!enfantsDansLOrdreDesDates(c.actif() ? publie : m_seance->fichier(), fiche))
        feuille.remarques << QStringLiteral("Les enfants sont donnés dans l'ordre de leur "
                                            "rang sur la fiche, qui n'est pas celui de "
                                            "leurs dates de naissance.");
    if (enfants <= NbEmplacementsEnfants && std::none_of(fiche.Enfants.begin(), fiche.Enfants.end(),
                                                         [](std::int32_t e) { return e == -1; }))
        feuille.remarques << QStringLiteral("Les dix emplacements d'enfants de la fiche "
                                            "sont pris : d'autres enfants peuvent "
                                            "manquer.");
    return feuille;
}

// The second person is chosen in the index of persons.
void TForm1::LienDeParente1Click() {
    const std::int32_t a = personneDuRapport();
    if (a < 0) return;
    std::int32_t b = -1;
    if (!surLeFichier([&] {
            TChoixPersonne choix(QStringLiteral("Lien de parenté : avec qui ?"),
                                 m_seance->fichier(), this, a, m_seance->autresNoms());
            if (m_dialogues.executerModal(choix)) b = choix.ficheChoisie();
        }))
        return;
    if (b < 0) return;
    // Adoptions are followed only when the user asks.
    ParentsAdoptifs adoptifs;
    bool suivre = false;
    LienDeParente lien;
    if (!surLeFichier([&] {
            adoptifs = m_seance->parentsAdoptifs();
            suivre =
                !adoptifs.empty() &&
                m_dialogues.confirmer(QStringLiteral("Des liens d'adoption sont connus. Les "
                                                     "suivre aussi pour chercher la parenté ?"));
            lien = lienDeParente(m_seance->fichier(), a, b, suivre ? &adoptifs : nullptr);
        }))
        return;
    std::vector<std::int32_t> concernes = {a, b};
    for (const RelationDeParente& r : lien.relations)
        for (const auto* chemin : {&r.cheminA, &r.cheminB})
            concernes.insert(concernes.end(), chemin->begin(), chemin->end());
    const auto c = choisirLaConfidentialite(CeRapport, &concernes);
    if (!c) return;
    DocumentRapport rapport;
    surLeFichier([&] {
        FichierConfidentiel publie(m_seance->fichier(), *c);
        if (c->actif()) lien = lienDeParente(publie, a, b, suivre ? &adoptifs : nullptr);
        auto lire = [&](std::int32_t n) {
            TFiche f;
            publie.positionner(n);
            publie.lire(f);
            return f;
        };
        rapport = rapportParente(lien, lire, a, b, m_seance->chemin(), dateDuJour());
    });
    montrerRapportImprimable(rapport);
}

// Persons presumed living are counted masked: no date, place or occupation.
void TForm1::Statistiques1Click() {
    const auto c = choisirLaConfidentialite(CeRapport, nullptr);
    if (!c) return;
    DocumentRapport rapport;
    if (!surLeFichier([&] {
            FichierConfidentiel publie(m_seance->fichier(), *c);
            rapport = rapportStatistiques(statistiques(publie), m_seance->chemin(), dateDuJour());
        }))
        return;
    montrerRapportImprimable(rapport);
}
