// The thresholds of the consistency check and its rules, as the settings
// file and the manual name them.
#include "data/coherence/Coherence.h"

#include "data/fichier/FichierIni.h"

#include <algorithm>
#include <stdexcept>

namespace {

const QString SectionCoherence = QStringLiteral("COHERENCE");

const DescriptionSeuil Descriptions[] = {
    {"AgeMinimumMereErreur", "Âge de la mère en dessous duquel une naissance est impossible", 12},
    {"AgeMinimumMereAvertissement", "Âge de la mère en dessous duquel une naissance surprend", 15},
    {"AgeMaximumMereAvertissement", "Âge de la mère au-delà duquel une naissance surprend", 48},
    {"AgeMaximumMereErreur", "Âge de la mère au-delà duquel une naissance est impossible", 55},
    {"AgeMinimumPereErreur", "Âge du père en dessous duquel une naissance est impossible", 13},
    {"AgeMinimumPereAvertissement", "Âge du père en dessous duquel une naissance surprend", 16},
    {"AgeMaximumPereAvertissement", "Âge du père au-delà duquel une naissance surprend", 70},
    {"AgeMaximumPereErreur", "Âge du père au-delà duquel une naissance est impossible", 90},
    {"JoursPereDecedeAvantNaissance",
     "Jours au plus entre le décès du père et la naissance (enfant posthume)", 300},
    {"AgeMinimumMariageErreur", "Âge au mariage en dessous duquel il est impossible", 12},
    {"AgeMinimumMariageAvertissement", "Âge au mariage en dessous duquel il surprend", 15},
    {"AgeMaximumMariageAvertissement", "Âge au mariage au-delà duquel il surprend", 80},
    {"EcartAgeEpoux", "Écart d'âge entre époux au-delà duquel il surprend (années)", 30},
    {"AgeDecesAvertissement", "Âge au décès au-delà duquel il surprend", 100},
    {"AgeDecesErreur", "Âge au décès au-delà duquel il est impossible", 122},
    {"JoursEntreEnfants", "Jours au moins entre deux naissances d'une même mère (hors jumeaux)",
     240},
    {"AnneesEntreEnfants", "Années au plus entre le premier et le dernier enfant d'une mère", 25},
    {"NombreEnfants", "Nombre d'enfants d'une mère au-delà duquel il surprend", 20},
    {"JoursJumeaux", "Jours au plus entre deux naissances de jumeaux", 2},
    {"JoursInhumation", "Jours au plus entre le décès et l'inhumation", 30},
    {"AnneesBapteme", "Années au plus entre la naissance et le baptême", 10},
};
static_assert(std::size(Descriptions) == static_cast<std::size_t>(Seuil::Nombre));

// Each rule, its severity, and what fires it.
const std::vector<Regle> Regles = {
    {"NAISSANCE_APRES_DECES", Gravite::Erreur, "Naissance après le décès"},
    {"BAPTEME_AVANT_NAISSANCE", Gravite::Erreur, "Baptême avant la naissance"},
    {"BAPTEME_APRES_DECES", Gravite::Erreur, "Baptême après le décès"},
    {"BAPTEME_TARDIF", Gravite::Avertissement, "Baptême longtemps après la naissance"},
    {"INHUMATION_AVANT_DECES", Gravite::Erreur, "Inhumation avant le décès"},
    {"INHUMATION_AVANT_NAISSANCE", Gravite::Erreur, "Inhumation avant la naissance"},
    {"INHUMATION_TARDIVE", Gravite::Avertissement, "Inhumation longtemps après le décès"},
    {"MARIAGE_AVANT_NAISSANCE", Gravite::Erreur, "Mariage avant la naissance"},
    {"MARIAGE_APRES_DECES", Gravite::Erreur, "Mariage après le décès"},
    {"EVENEMENT_AVANT_NAISSANCE", Gravite::Erreur, "Événement avant la naissance"},
    {"EVENEMENT_APRES_DECES", Gravite::Avertissement, "Événement après le décès"},
    {"AGE_AU_DECES_ELEVE", Gravite::Avertissement, "Âge au décès très élevé"},
    {"AGE_AU_DECES_IMPOSSIBLE", Gravite::Erreur, "Âge au décès impossible"},
    {"JOUR_INEXISTANT", Gravite::Erreur, "Jour qui n'existe pas (31 avril, 30 février…)"},
    {"DATE_REPUBLICAINE_INEXISTANTE", Gravite::Erreur, "Date républicaine qui n'a pas existé"},
    {"JOUR_SAUTE_EN_FRANCE", Gravite::Erreur,
     "Jour grégorien que la France n'a pas connu (10 au 19 décembre 1582)"},
    {"INTERVALLE_INVERSE", Gravite::Erreur, "Intervalle de dates à l'envers"},
    {"DATE_FUTURE", Gravite::Erreur, "Date dans l'avenir"},
    {"MERE_TROP_JEUNE", Gravite::Erreur, "Mère trop jeune à la naissance"},
    {"MERE_JEUNE", Gravite::Avertissement, "Mère très jeune à la naissance"},
    {"MERE_AGEE", Gravite::Avertissement, "Mère âgée à la naissance"},
    {"MERE_TROP_AGEE", Gravite::Erreur, "Mère trop âgée à la naissance"},
    {"PERE_TROP_JEUNE", Gravite::Erreur, "Père trop jeune à la naissance"},
    {"PERE_JEUNE", Gravite::Avertissement, "Père très jeune à la naissance"},
    {"PERE_AGE", Gravite::Avertissement, "Père âgé à la naissance"},
    {"PERE_TROP_AGE", Gravite::Erreur, "Père trop âgé à la naissance"},
    {"MERE_DECEDEE_AVANT_NAISSANCE", Gravite::Erreur, "Mère décédée avant la naissance"},
    {"PERE_DECEDE_AVANT_CONCEPTION", Gravite::Erreur,
     "Père décédé trop longtemps avant la naissance"},
    {"PARENT_NE_APRES_ENFANT", Gravite::Erreur, "Parent né après son enfant"},
    {"MARIAGE_TROP_JEUNE", Gravite::Erreur, "Mariage à un âge impossible"},
    {"MARIAGE_JEUNE", Gravite::Avertissement, "Mariage très jeune"},
    {"MARIAGE_TARDIF", Gravite::Avertissement, "Mariage à un âge très élevé"},
    {"ECART_D_AGE_EPOUX", Gravite::Avertissement, "Grand écart d'âge entre époux"},
    {"UNIONS_QUI_SE_CHEVAUCHENT", Gravite::Avertissement,
     "Union commencée avant la fin (divorce) de la précédente"},
    {"REMARIAGE_DU_VIVANT_DU_CONJOINT", Gravite::Erreur,
     "Remariage du vivant du premier conjoint, sans divorce"},
    {"MARIAGE_APRES_DECES_DU_CONJOINT", Gravite::Erreur, "Mariage après le décès du conjoint"},
    {"ENFANTS_TROP_PROCHES", Gravite::Erreur,
     "Deux enfants d'une mère nés trop près l'un de l'autre (jumeaux exceptés)"},
    {"FAMILLE_TROP_LONGUE", Gravite::Avertissement,
     "Trop d'années entre le premier et le dernier enfant d'une mère"},
    {"TROP_D_ENFANTS", Gravite::Avertissement, "Très grand nombre d'enfants pour une mère"},
    {"PROPRE_ANCETRE", Gravite::Erreur, "Personne qui est son propre ancêtre"},
    {"LIEN_SUR_SOI", Gravite::Erreur, "Fiche qui se désigne comme parent ou enfant"},
    {"LIEN_VERS_FICHE_ABSENTE", Gravite::Erreur, "Lien vers une fiche qui n'existe pas"},
    {"ENFANT_NON_RECIPROQUE", Gravite::Avertissement,
     "Enfant qui nomme un parent dont la fiche ne le compte pas"},
    {"PARENT_NON_RECIPROQUE", Gravite::Avertissement,
     "Parent qui compte un enfant dont la fiche nomme quelqu'un d'autre ou personne"},
    {"PERE_DE_SEXE_FEMININ", Gravite::Erreur, "Père dont la fiche est celle d'une femme"},
    {"MERE_DE_SEXE_MASCULIN", Gravite::Erreur, "Mère dont la fiche est celle d'un homme"},
    {"ENFANTS_EN_DESACCORD", Gravite::Avertissement,
     "Enfant d'une union selon les compléments, d'autres parents selon sa fiche"},
    {"UNION_AVEC_UN_ASCENDANT", Gravite::Erreur, "Union avec son propre ascendant"},
};

} // namespace

QString nomDeGravite(Gravite gravite) {
    return gravite == Gravite::Erreur ? QStringLiteral("erreur") : QStringLiteral("avertissement");
}

const DescriptionSeuil& descriptionDe(Seuil seuil) {
    return Descriptions[static_cast<std::size_t>(seuil)];
}

Seuils::Seuils() : m_lus(static_cast<std::size_t>(Seuil::Nombre), false) {
    for (std::size_t i = 0; i < m_valeurs.size(); ++i)
        m_valeurs[i] = Descriptions[i].parDefaut;
}

int Seuils::operator[](Seuil s) const {
    m_lus[static_cast<std::size_t>(s)] = true;
    return m_valeurs[static_cast<std::size_t>(s)];
}

Seuils lireSeuils(const QString& cheminIni) {
    Seuils seuils;
    if (cheminIni.isEmpty()) return seuils;
    for (std::size_t i = 0; i < std::size(Descriptions); ++i) {
        bool ok = false;
        const int v =
            ini::lireValeur(cheminIni, SectionCoherence, QString::fromLatin1(Descriptions[i].cle))
                .trimmed()
                .toInt(&ok);
        if (ok && v >= 0 && v <= 100000) seuils.definir(static_cast<Seuil>(i), v);
    }
    seuils.oublierLesLectures();
    return seuils;
}

void ecrireSeuils(const QString& cheminIni, const Seuils& seuils) {
    QList<std::pair<QString, QString>> valeurs;
    for (std::size_t i = 0; i < std::size(Descriptions); ++i)
        valeurs.push_back({QString::fromLatin1(Descriptions[i].cle),
                           QString::number(seuils[static_cast<Seuil>(i)])});
    ini::ecrireValeurs(cheminIni, SectionCoherence, valeurs);
}

const std::vector<Regle>& reglesDeCoherence() {
    return Regles;
}

const Regle& regleDe(const char* id) {
    const auto r = std::find_if(Regles.begin(), Regles.end(),
                                [&](const Regle& x) { return std::string_view(x.id) == id; });
    if (r == Regles.end()) throw std::logic_error(std::string("règle inconnue ") + id);
    return *r;
}
