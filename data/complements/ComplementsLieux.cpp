// The places of the store and the persons found by place and date.
#include "data/complements/Complements.h"
#include "data/complements/Requete.h"

namespace {

// The identifiers of the places inside the one sought, as a JSON array for
// json_each: "[3,17,42]".
std::string lieuxDedans(sqlite3* base, const QString& cherche) {
    std::string ids = "[";
    const RechercheDeLieu recherche(cherche);
    Requete r(base, "SELECT id, nom FROM lieu");
    while (r.ligne())
        if (recherche.contientUtf8(r.vue(1))) {
            if (ids.size() > 1) ids += ',';
            ids += std::to_string(r.entier(0));
        }
    return ids + ']';
}

// The events `e` the criteria keep, their values bound from ?1: through the
// places' index when a place is asked (the places inside it, then their
// events), else every event of that kind of root.
std::string evenementsRetenus(const CritereLieuDate& critere,
                              const std::vector<std::string>& etiquettes) {
    std::string sql = critere.lieu.trimmed().isEmpty()
                          ? " FROM evenement e"
                          : " FROM json_each(?1) j CROSS JOIN evenement e ON e.lieu_id = j.value";
    sql += " CROSS JOIN %1 WHERE +e.racine_sorte = '%2'";
    if (critere.depuis || critere.jusqua) sql += " AND e.jour_debut <= ?3 AND e.jour_fin >= ?2";
    if (!etiquettes.empty()) {
        sql += " AND e.etiquette IN (";
        for (std::size_t i = 0; i < etiquettes.size(); ++i)
            sql += (i ? ",'" : "'") + etiquettes[i] + '\'';
        sql += ')';
    }
    return sql;
}

} // namespace

std::vector<std::pair<std::int32_t, std::string>>
Complements::personnesSelon(const CritereLieuDate& critere) {
    std::vector<std::pair<std::int32_t, std::string>> trouvees;
    if (critere.vide()) return trouvees;
    const QString evenements =
        QString::fromStdString(evenementsRetenus(critere, etiquettesDe(critere.evenement)));
    const QString sql =
        QStringLiteral("SELECT p.fiche, p.empreinte") +
        evenements.arg(QStringLiteral("personne p ON p.id = e.racine"), QStringLiteral("P")) +
        QStringLiteral(" AND p.detachee = 0 UNION SELECT c.mari, c.empreinte_mari") +
        evenements.arg(QStringLiteral("couple c ON c.id = e.racine"), QStringLiteral("U")) +
        QStringLiteral(" AND c.mari >= 0 UNION SELECT c.femme, c.empreinte_femme") +
        evenements.arg(QStringLiteral("couple c ON c.id = e.racine"), QStringLiteral("U")) +
        QStringLiteral(" AND c.femme >= 0");
    Requete r(m_base, sql.toStdString().c_str());
    if (!critere.lieu.trimmed().isEmpty()) r.lier(1, lieuxDedans(m_base, critere.lieu));
    if (critere.depuis || critere.jusqua) {
        const IntervalleDate jours = critere.jours();
        r.lier(2, jours.premier).lier(3, jours.dernier);
    }
    while (r.ligne())
        trouvees.push_back({static_cast<std::int32_t>(r.entier(0)), r.texte(1)});
    return trouvees;
}

std::vector<LieuConnu> Complements::lieux() {
    std::vector<LieuConnu> lieux;
    Requete r(m_base, "SELECT id, nom, libelle, parent, insee, latitude, longitude FROM lieu "
                      "ORDER BY id");
    while (r.ligne()) {
        LieuConnu l;
        l.id = r.entier(0);
        l.nom = QString::fromStdString(r.texte(1));
        l.libelle = QString::fromStdString(r.texte(2));
        l.parent = r.nul(3) ? 0 : r.entier(3);
        l.insee = QString::fromStdString(r.texte(4));
        if (!r.nul(5) && !r.nul(6)) l.coordonnees = {r.reel(5), r.reel(6)};
        lieux.push_back(std::move(l));
    }
    return lieux;
}

std::int64_t Complements::personnesDuLieu(std::int64_t lieu) {
    Requete r(
        m_base,
        "SELECT COUNT(DISTINCT racine) FROM evenement WHERE lieu_id = ?1 AND racine_sorte = "
        "'P' UNION ALL SELECT COUNT(DISTINCT c.mari) + COUNT(DISTINCT c.femme) FROM evenement "
        "e JOIN couple c ON c.id = e.racine WHERE e.lieu_id = ?1 AND e.racine_sorte = 'U'");
    r.lier(1, lieu);
    std::int64_t n = 0;
    while (r.ligne())
        n += r.entier(0);
    return n;
}
