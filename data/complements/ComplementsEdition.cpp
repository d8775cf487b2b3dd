// What the user asks that cannot be done raises ErreurVelmoris, told as a
// refusal (the store itself is fine); a failing store raises
// ErreurComplements as everywhere.
//
// The places as the user reorganises them (renamed, merged, given their
// INSEE code and coordinates), and the sources and repositories as the
// sources window lists them. A place's whole name is written in every event
// that lies in it, so that the export and every view say the new name.
#include "data/complements/Complements.h"
#include "data/complements/Requete.h"

#include <QRegularExpression>
#include <cmath>

#include <map>

using namespace magasin;

namespace {

struct Lieu {
    std::string libelle;
    std::int64_t parent = 0;
};

std::map<std::int64_t, Lieu> tousLesLieux(sqlite3* base) {
    std::map<std::int64_t, Lieu> lieux;
    Requete r(base, "SELECT id, libelle, COALESCE(parent, 0) FROM lieu");
    while (r.ligne())
        lieux[r.entier(0)] = {r.texte(1), r.entier(2)};
    return lieux;
}

std::string nomEntier(const std::map<std::int64_t, Lieu>& lieux, std::int64_t id) {
    std::string nom;
    for (int profondeur = 0; id && profondeur < 64; ++profondeur) {
        const auto l = lieux.find(id);
        if (l == lieux.end()) break;
        nom += (nom.empty() ? "" : ", ") + l->second.libelle;
        id = l->second.parent;
    }
    return nom;
}

bool estDans(const std::map<std::int64_t, Lieu>& lieux, std::int64_t id, std::int64_t englobant) {
    for (int profondeur = 0; id && profondeur < 64; ++profondeur) {
        if (id == englobant) return true;
        const auto l = lieux.find(id);
        id = l == lieux.end() ? 0 : l->second.parent;
    }
    return false;
}

// Every place's whole name computed again, and every event's place with
// it; the events whose place changed are written anew from their columns.
void recalculerLesNoms(sqlite3* base) {
    const std::map<std::int64_t, Lieu> lieux = tousLesLieux(base);
    Requete ancien(base, "SELECT nom FROM lieu WHERE id = ?");
    Requete changer(base, "UPDATE lieu SET nom = ? WHERE id = ?");
    Requete evenements(base, "UPDATE evenement SET lieu = ?1, verbatim = NULL WHERE lieu_id = ?2 "
                             "AND lieu IS NOT ?1");
    for (const auto& [id, l] : lieux) {
        const std::string nom = nomEntier(lieux, id);
        ancien.lier(1, id);
        const bool pareil = ancien.ligne() && ancien.texte(0) == nom;
        ancien.recommencer();
        if (!pareil) {
            // A place already of that name: the user merges them instead.
            Requete existe(base, "SELECT 1 FROM lieu WHERE nom = ? AND id <> ?");
            existe.lier(1, nom).lier(2, id);
            if (existe.ligne())
                throw ErreurVelmoris(
                    QStringLiteral("Un lieu « %1 » existe déjà : fusionnez les deux lieux")
                        .arg(QString::fromStdString(nom)));
            changer.lier(1, nom).lier(2, id).executer();
        }
        evenements.lier(1, nom).lier(2, id).executer();
    }
}

} // namespace

void Complements::renommerLieu(std::int64_t lieu, const QString& libelle) {
    const QString nom = libelle.simplified();
    if (nom.isEmpty() || nom.contains(u','))
        throw ErreurVelmoris(QStringLiteral("Le nom d'un lieu ne peut être ni vide ni contenir "
                                            "de virgule : les lieux qui le contiennent se "
                                            "choisissent à part"));
    enTransaction(*this, [&] {
        Requete(m_base, "UPDATE lieu SET libelle = ? WHERE id = ?")
            .lier(1, nom.toStdString())
            .lier(2, lieu)
            .executer();
        recalculerLesNoms(m_base);
    });
}

void Complements::fusionnerLieux(std::int64_t lieu, std::int64_t dans) {
    enTransaction(*this, [&] { fusionner(lieu, dans); });
}

// The places inside `lieu` go into `dans` (merged with one of the same name
// there), its events too, its code and coordinates where `dans` has none.
void Complements::fusionner(std::int64_t lieu, std::int64_t dans) {
    const std::map<std::int64_t, Lieu> lieux = tousLesLieux(m_base);
    if (lieu == dans || !lieux.count(lieu) || !lieux.count(dans) || estDans(lieux, dans, lieu))
        throw ErreurVelmoris(QStringLiteral("Un lieu ne peut être fusionné ni avec lui-même, "
                                            "ni avec un lieu qu'il contient"));
    for (const auto& [id, l] : lieux) {
        if (l.parent != lieu) continue;
        std::int64_t homonyme = 0;
        for (const auto& [autre, a] : lieux)
            if (a.parent == dans && a.libelle == l.libelle) homonyme = autre;
        if (homonyme) {
            fusionner(id, homonyme);
        } else {
            Requete(m_base, "UPDATE lieu SET parent = ? WHERE id = ?")
                .lier(1, dans)
                .lier(2, id)
                .executer();
        }
    }
    Requete(m_base, "UPDATE evenement SET lieu_id = ? WHERE lieu_id = ?")
        .lier(1, dans)
        .lier(2, lieu)
        .executer();
    Requete(m_base,
            "UPDATE lieu SET insee = COALESCE(insee, (SELECT insee FROM lieu WHERE id = ?2)), "
            "latitude = COALESCE(latitude, (SELECT latitude FROM lieu WHERE id = ?2)), "
            "longitude = COALESCE(longitude, (SELECT longitude FROM lieu WHERE id = ?2)) "
            "WHERE id = ?1")
        .lier(1, dans)
        .lier(2, lieu)
        .executer();
    Requete(m_base, "DELETE FROM lieu WHERE id = ?").lier(1, lieu).executer();
    recalculerLesNoms(m_base);
}

void Complements::definirLieu(std::int64_t lieu, const QString& insee,
                              std::optional<std::pair<double, double>> coordonnees) {
    if (coordonnees) {
        const auto [lat, lon] = *coordonnees;
        if (!std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90 || std::abs(lon) > 180)
            throw ErreurVelmoris(QStringLiteral("Une latitude va de -90 à 90 degrés, une "
                                                "longitude de -180 à 180"));
        if (lat == 0 && lon == 0)
            throw ErreurVelmoris(QStringLiteral("Les coordonnées (0, 0) sont un point de "
                                                "l'océan au large de l'Afrique, le blanc "
                                                "de certains programmes : elles ne sont pas "
                                                "gardées"));
    }
    const QString code = insee.simplified().toUpper();
    static const QRegularExpression forme(QStringLiteral("^(\\d{5}|2[AB]\\d{3})?$"));
    if (!forme.match(code).hasMatch())
        throw ErreurVelmoris(QStringLiteral("Un code INSEE a cinq caractères : « 29151 », "
                                            "« 2A004 » pour la Corse"));
    enTransaction(*this, [&] {
        Requete r(m_base, "UPDATE lieu SET insee = ?, latitude = ?, longitude = ? WHERE id = ?");
        if (code.isEmpty())
            r.lierNul(1);
        else
            r.lier(1, code.toStdString());
        if (coordonnees)
            r.lierReel(2, coordonnees->first).lierReel(3, coordonnees->second);
        else
            r.lierNul(2).lierNul(3);
        r.lier(4, lieu).executer();
    });
}

std::vector<SourceDetaillee> Complements::sourcesDetaillees() {
    std::map<std::string, SourceDetaillee> parXref;
    for (const SourceConnue& s : sources())
        parXref[s.xref] = {s.xref, s.titre, {}, {}, 0, 0};
    Requete depots(m_base, "SELECT sd.racine, sd.valeur, sd.cote FROM source_depot sd");
    std::map<std::string, QString> nomsDesDepots;
    for (const DepotConnu& d : this->depots())
        nomsDesDepots[d.xref] = d.nom;
    Requete xrefDeRacine(m_base, "SELECT xref FROM source WHERE racine_sorte = '0' AND racine = ? "
                                 "AND xref IS NOT NULL");
    while (depots.ligne()) {
        xrefDeRacine.lier(1, depots.entier(0));
        if (xrefDeRacine.ligne()) {
            if (const auto s = parXref.find(xrefDeRacine.texte(0)); s != parXref.end()) {
                s->second.depot = nomsDesDepots[depots.texte(1)];
                s->second.cote = QString::fromStdString(depots.texte(2));
            }
        }
        xrefDeRacine.recommencer();
    }
    Requete citations(m_base, "SELECT valeur, COUNT(*), COUNT(DISTINCT racine_sorte || racine) "
                              "FROM citation GROUP BY valeur");
    while (citations.ligne())
        if (const auto s = parXref.find(citations.texte(0)); s != parXref.end()) {
            s->second.citations = citations.entier(1);
            s->second.personnes = citations.entier(2);
        }
    std::vector<SourceDetaillee> liste;
    for (auto& [xref, s] : parXref)
        liste.push_back(std::move(s));
    return liste;
}

std::vector<DepotConnu> Complements::depots() {
    std::vector<DepotConnu> liste;
    Requete r(m_base, "SELECT d.xref, COALESCE(d.nom, d.xref), (SELECT COUNT(*) FROM "
                      "source_depot sd WHERE sd.valeur = d.xref) FROM depot d WHERE "
                      "d.racine_sorte = '0' AND d.xref IS NOT NULL ORDER BY 2");
    while (r.ligne())
        liste.push_back({r.texte(0), QString::fromStdString(r.texte(1)), r.entier(2)});
    return liste;
}

std::vector<CitationDeSource> Complements::citationsDe(const std::string& xref) {
    std::vector<CitationDeSource> liste;
    // The person of each citation: a person's own, or a union's partners.
    Requete r(m_base,
              "SELECT p.fiche, p.empreinte, COALESCE(e.etiquette, ''), COALESCE(c.page, '') "
              "FROM citation c JOIN personne p ON c.racine_sorte = 'P' AND p.id = c.racine "
              "LEFT JOIN evenement e ON c.sorte_proprietaire = 'E' AND e.id = c.proprietaire "
              "WHERE c.valeur = ?1 AND p.detachee = 0 "
              "UNION ALL SELECT x.mari, x.empreinte_mari, COALESCE(e.etiquette, ''), "
              "COALESCE(c.page, '') FROM citation c JOIN couple x ON c.racine_sorte = 'U' AND "
              "x.id = c.racine LEFT JOIN evenement e ON c.sorte_proprietaire = 'E' AND e.id = "
              "c.proprietaire WHERE c.valeur = ?1 AND x.mari >= 0 "
              "UNION ALL SELECT x.femme, x.empreinte_femme, COALESCE(e.etiquette, ''), "
              "COALESCE(c.page, '') FROM citation c JOIN couple x ON c.racine_sorte = 'U' AND "
              "x.id = c.racine LEFT JOIN evenement e ON c.sorte_proprietaire = 'E' AND e.id = "
              "c.proprietaire WHERE c.valeur = ?1 AND x.femme >= 0");
    r.lier(1, xref);
    while (r.ligne()) {
        const std::string etiquette = r.texte(2);
        liste.push_back(
            {fiche32(r.entier(0)), r.texte(1),
             etiquette.empty() ? QStringLiteral("la personne") : libelleDEtiquette(etiquette),
             QString::fromStdString(r.texte(3))});
    }
    return liste;
}

void Complements::parcourirEvenementsDates(
    const std::function<void(const EvenementDate&)>& visiter) {
    EvenementDate e;
    // A person's events, the record's own fields told by their field.
    Requete personnes(m_base, "SELECT p.fiche, p.empreinte, e.etiquette, e.date, e.jour_debut, "
                              "e.jour_fin, COALESCE(e.champ, '') FROM evenement e JOIN personne p "
                              "ON p.id = e.racine WHERE e.racine_sorte = 'P' AND "
                              "e.sorte_proprietaire = 'P' AND p.detachee = 0 AND (e.date IS NOT "
                              "NULL OR e.etiquette IN ('DEAT', 'BURI', 'CREM'))");
    while (personnes.ligne()) {
        e.fiche = fiche32(personnes.entier(0));
        e.empreinte = personnes.texte(1);
        e.etiquette = personnes.texte(2);
        e.date = personnes.texte(3);
        e.debut = personnes.nul(4) ? 1 : personnes.entier(4);
        e.fin = personnes.nul(5) ? 0 : personnes.entier(5);
        e.champ = personnes.texte(6);
        visiter(e);
    }
}

void Complements::parcourirUnions(const std::function<void(const UnionDatee&)>& visiter) {
    Requete r(m_base, "SELECT c.id, c.mari, c.femme, c.empreinte_mari, c.empreinte_femme, "
                      "c.ordre_mari, c.ordre_femme, e.etiquette, e.date, e.jour_debut, e.jour_fin "
                      "FROM couple c LEFT JOIN evenement e ON e.racine_sorte = 'U' AND e.racine = "
                      "c.id AND e.sorte_proprietaire = 'U' AND e.etiquette IN ('MARR', 'DIV') "
                      "ORDER BY c.id");
    UnionDatee u;
    u.id = 0;
    auto finir = [&] {
        if (u.id) visiter(u);
    };
    while (r.ligne()) {
        if (r.entier(0) != u.id) {
            finir();
            u = {};
            u.id = r.entier(0);
            u.mari = fiche32(r.entier(1));
            u.femme = fiche32(r.entier(2));
            u.empreinteMari = r.texte(3);
            u.empreinteFemme = r.texte(4);
            u.ordreMari = static_cast<int>(r.entier(5));
            u.ordreFemme = static_cast<int>(r.entier(6));
        }
        if (r.nul(7)) continue;
        const bool mariage = r.texte(7) == "MARR";
        auto& [date, debut, fin] = mariage ? u.mariage : u.divorce;
        if (!r.nul(9) && (!date.empty() ? r.entier(9) < debut : true)) {
            date = r.texte(8);
            debut = r.entier(9);
            fin = r.nul(10) ? 0 : r.entier(10);
        } else if (date.empty() && !r.nul(8)) {
            date = r.texte(8);
        }
    }
    finir();
    Requete enfants(m_base, "SELECT c.id, c.mari, c.femme, e.fiche, e.empreinte FROM enfant e "
                            "JOIN couple c ON c.id = e.couple WHERE e.filiation IN ('birth', '')");
    while (enfants.ligne()) {
        UnionDatee x;
        x.id = -enfants.entier(0); // a child of the union, told apart by its sign
        x.mari = fiche32(enfants.entier(1));
        x.femme = fiche32(enfants.entier(2));
        x.enfant = fiche32(enfants.entier(3));
        x.empreinteEnfant = enfants.texte(4);
        visiter(x);
    }
}

void Complements::ignorerConstat(std::int32_t fiche, const TFiche& personne,
                                 const std::string& regle, const std::string& valeurs) {
    Requete(m_base, "INSERT OR REPLACE INTO coherence_ignoree(fiche, empreinte, regle, valeurs) "
                    "VALUES(?, ?, ?, ?)")
        .lier(1, fiche)
        .lier(2, empreinteDe(personne))
        .lier(3, regle)
        .lier(4, valeurs)
        .executer();
}

std::vector<ConstatIgnore> Complements::constatsIgnores() {
    std::vector<ConstatIgnore> liste;
    if (!tableExiste(m_base, "coherence_ignoree")) return liste; // a store not written since
    Requete r(m_base, "SELECT fiche, empreinte, regle, valeurs FROM coherence_ignoree");
    while (r.ligne())
        liste.push_back({fiche32(r.entier(0)), r.texte(1), r.texte(2), r.texte(3)});
    return liste;
}

void Complements::marquerVie(std::int32_t fiche, const TFiche& personne,
                             std::optional<bool> vivant) {
    if (!vivant) {
        Requete(m_base, "DELETE FROM vie_marquee WHERE fiche = ?").lier(1, fiche).executer();
        return;
    }
    Requete(m_base, "INSERT OR REPLACE INTO vie_marquee(fiche, empreinte, vivant) VALUES(?, ?, ?)")
        .lier(1, fiche)
        .lier(2, empreinteDe(personne))
        .lier(3, std::int64_t{*vivant ? 1 : 0})
        .executer();
}

std::vector<VieMarquee> Complements::viesMarquees() {
    std::vector<VieMarquee> liste;
    if (!tableExiste(m_base, "vie_marquee")) return liste;
    Requete r(m_base, "SELECT fiche, empreinte, vivant FROM vie_marquee");
    while (r.ligne())
        liste.push_back({fiche32(r.entier(0)), r.texte(1), r.entier(2) != 0});
    return liste;
}
