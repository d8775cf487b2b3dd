#include "tools/Generateur.h"

#include "data/fichier/Erreurs.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <deque>
#include <vector>

namespace {

// A small generator of our own: the same numbers on every platform and library.
class Aleatoire {
public:
    explicit Aleatoire(std::uint64_t graine) : m_etat(graine * 0x9E3779B97F4A7C15ULL + 1) {}
    std::uint64_t suivant() {
        std::uint64_t z = (m_etat += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int entre(int bas, int haut) {
        return bas + static_cast<int>(suivant() % static_cast<std::uint64_t>(haut - bas + 1));
    }
    bool chance(int pourMille) { return entre(0, 999) < pourMille; }
    template <typename T> const T& parmi(const std::vector<T>& liste) {
        return liste[static_cast<std::size_t>(entre(0, static_cast<int>(liste.size()) - 1))];
    }

private:
    std::uint64_t m_etat;
};

const std::vector<QString> Noms = {
    "MARTIN",    "BERNARD",    "THOMAS",   "PETIT",       "ROBERT",    "RICHARD",   "DURAND",
    "DUBOIS",    "MOREAU",     "LAURENT",  "SIMON",       "MICHEL",    "LEFÈVRE",   "LEROY",
    "ROUX",      "DAVID",      "BERTRAND", "MOREL",       "FOURNIER",  "GIRARD",    "BONNET",
    "DUPONT",    "LAMBERT",    "FONTAINE", "ROUSSEAU",    "VINCENT",   "MULLER",    "LEFEBVRE",
    "FAURE",     "ANDRÉ",      "MERCIER",  "BLANC",       "GUÉRIN",    "BOYER",     "GARNIER",
    "CHEVALIER", "FRANÇOIS",   "LEGRAND",  "GAUTHIER",    "GARCIA",    "PERRIN",    "ROBIN",
    "CLÉMENT",   "MORIN",      "NICOLAS",  "HENRY",       "ROUSSEL",   "MATHIEU",   "GAUTIER",
    "MASSON",    "MARCHAND",   "DUVAL",    "DENIS",       "DUMONT",    "MARIE",     "LEMAIRE",
    "NOËL",      "MEYER",      "DUFOUR",   "MEUNIER",     "BRUN",      "BLANCHARD", "GIRAUD",
    "JOLY",      "RIVIÈRE",    "LUCAS",    "BRUNET",      "GAILLARD",  "BARBIER",   "ARNAUD",
    "MARTINEZ",  "GÉRARD",     "ROCHE",    "RENARD",      "SCHMITT",   "ROY",       "LEROUX",
    "COLIN",     "VIDAL",      "CARON",    "PICARD",      "ROGER",     "FABRE",     "AUBERT",
    "LEMOINE",   "RENAUD",     "DUMAS",    "LACROIX",     "OLIVIER",   "PHILIPPE",  "BOURGEOIS",
    "PIERRE",    "BENOÎT",     "REY",      "LECLERC",     "PAYET",     "ROLLAND",   "LECLERCQ",
    "GUILLAUME", "LECOMTE",    "LÓPEZ",    "JEAN",        "DUPUY",     "GUILLOT",   "HUBERT",
    "BERGER",    "CARPENTIER", "SANCHEZ",  "DUPUIS",      "MOULIN",    "LOUIS",     "DESCHAMPS",
    "HUET",      "VASSEUR",    "PEREZ",    "BOUCHER",     "FLEURY",    "ROYER",     "KLEIN",
    "JACQUET",   "ADAM",       "PARIS",    "POIRIER",     "MARTY",     "AUBRY",     "GUYOT",
    "CARRÉ",     "CHARLES",    "RENAULT",  "CHARPENTIER", "MÉNARD",    "MAILLARD",  "BARON",
    "BERTIN",    "BAILLY",     "HERVÉ",    "SCHNEIDER",   "FERNANDEZ", "LE GALL",   "COLLET",
    "LÉGER",     "BOUVIER",    "JULIEN",   "PRÉVOST",     "MILLET",    "PERROT",    "DANIEL",
    "LE ROUX",   "COUSIN",     "GERMAIN",  "BRETON",      "BESSON",    "LANGLOIS",  "RÉMY",
    "LE GOFF",   "PELLETIER",  "LÉVÊQUE",  "PERRIER",     "LEBLANC",   "BARRÉ",     "LEBRUN",
    "MARCHAL",   "WEBER",      "MALLET",   "HAMON",       "BOULANGER", "JACOB",     "MONNIER",
    "MICHAUD",   "RODRIGUEZ",  "GUICHARD", "GILLET",      "ÉTIENNE",   "GRONDIN",   "POULAIN",
    "TESSIER",   "CHEVALLIER", "COLLIN"};

const std::vector<QString> PrenomsMasculins = {
    "Jean",     "Pierre", "Louis",   "Joseph",  "François",      "Jacques",     "Antoine",
    "Michel",   "André",  "Marcel",  "René",    "Henri",         "Georges",     "Paul",
    "Charles",  "Claude", "Étienne", "Nicolas", "Jean-Baptiste", "Jean-Pierre", "Bernard",
    "Roger",    "Robert", "Lucien",  "Émile",   "Auguste",       "Eugène",      "Jules",
    "Alphonse", "Gaston", "Maurice", "Raymond", "Marius",        "Léon",        "Alexandre",
    "Philippe", "Alain",  "Daniel",  "Gérard",  "Yves",          "Noël",        "Benoît",
    "Théodore", "Honoré"};

const std::vector<QString> PrenomsFeminins = {
    "Marie",     "Jeanne",   "Marguerite", "Anne",         "Louise",     "Catherine", "Françoise",
    "Madeleine", "Germaine", "Suzanne",    "Marcelle",     "Yvonne",     "Hélène",    "Simone",
    "Denise",    "Renée",    "Odette",     "Geneviève",    "Thérèse",    "Élisabeth", "Juliette",
    "Berthe",    "Léonie",   "Joséphine",  "Marie-Louise", "Anne-Marie", "Claudine",  "Pauline",
    "Victorine", "Rose",     "Julie",      "Émilie",       "Augustine",  "Eugénie",   "Céline",
    "Lucie",     "Andrée",   "Paulette",   "Colette"};

const std::vector<QString> Lieux = {"Paris",
                                    "Lyon",
                                    "Marseille",
                                    "Toulouse",
                                    "Nantes",
                                    "Bordeaux",
                                    "Lille",
                                    "Rennes",
                                    "Reims",
                                    "Saint-Étienne",
                                    "Le Havre",
                                    "Grenoble",
                                    "Dijon",
                                    "Angers",
                                    "Nîmes",
                                    "Aix-en-Provence",
                                    "Brest",
                                    "Le Mans",
                                    "Amiens",
                                    "Tours",
                                    "Limoges",
                                    "Clermont-Ferrand",
                                    "Besançon",
                                    "Metz",
                                    "Perpignan",
                                    "Orléans",
                                    "Rouen",
                                    "Mulhouse",
                                    "Caen",
                                    "Nancy",
                                    "Avignon",
                                    "Poitiers",
                                    "La Rochelle",
                                    "Quimper",
                                    "Vannes",
                                    "Saint-Malo",
                                    "Château-Thierry",
                                    "Bourg-en-Bresse",
                                    "Mâcon",
                                    "Chalon-sur-Saône",
                                    "Annecy",
                                    "Pontarlier",
                                    "Lons-le-Saunier",
                                    "Saint-Flour"};

const std::vector<QString> Professions = {"Cultivateur",
                                          "Laboureur",
                                          "Journalier",
                                          "Boulanger",
                                          "Forgeron",
                                          "Menuisier",
                                          "Tisserand",
                                          "Instituteur",
                                          "Institutrice",
                                          "Couturière",
                                          "Charpentier",
                                          "Maçon",
                                          "Meunier",
                                          "Cordonnier",
                                          "Tonnelier",
                                          "Vigneron",
                                          "Boucher",
                                          "Épicier",
                                          "Aubergiste",
                                          "Notaire",
                                          "Médecin",
                                          "Pharmacien",
                                          "Curé",
                                          "Garde champêtre",
                                          "Marin",
                                          "Pêcheur",
                                          "Mineur",
                                          "Cheminot",
                                          "Employé de bureau",
                                          "Ménagère",
                                          "Domestique",
                                          "Sage-femme",
                                          "Blanchisseuse",
                                          "Facteur"};

QString date(Aleatoire& a, int annee) {
    // A few dates are typed as free text, as people do.
    const int genre = a.entre(0, 999);
    if (genre < 8) return QStringLiteral("vers %1").arg(annee);
    if (genre < 14) return QStringLiteral("ca. %1").arg(annee);
    if (genre < 17) return QStringLiteral("%1?").arg(annee);
    return QStringLiteral("%1/%2/%3")
        .arg(a.entre(1, 28), 2, 10, QLatin1Char('0'))
        .arg(a.entre(1, 12), 2, 10, QLatin1Char('0'))
        .arg(annee);
}

struct Personne {
    TFiche fiche;
    std::int64_t numero = 0;
    int naissance = 0;
    int deces = 0; // 0 while living
    bool homme = true;
    bool marie = false;
};

struct Couple {
    std::int64_t pere, mere;
    int mariage;
    int enfants = 0;
    QString dateMariage, lieuMariage;
};

constexpr int DerniereAnnee = 2025;   // no date after it
constexpr std::size_t Fenetre = 4096; // persons kept in memory to form families

class Generation {
public:
    Generation(const ParametresGeneration& p, const std::function<void(const TFiche&)>& recevoir)
        : m_a(p.graine), m_total(p.nombre), m_recevoir(recevoir) {}

    void executer() {
        for (std::int64_t i = 0; i < m_total; ++i) {
            ajouterPersonne(i);
            if (m_fenetre.size() > Fenetre) sortirLaPlusAncienne();
        }
        while (!m_fenetre.empty())
            sortirLaPlusAncienne();
    }

private:
    Personne& personne(std::int64_t numero) {
        return m_fenetre[static_cast<std::size_t>(numero - m_premier)];
    }
    bool enMemoire(std::int64_t numero) const { return numero >= m_premier; }

    void ajouterPersonne(std::int64_t numero) {
        Personne p;
        p.numero = numero;
        p.homme = m_a.chance(500);
        ViderFiche(p.fiche);
        Couple* parents = choisirParents();
        if (parents) {
            p.naissance = naissanceDeLEnfant(*parents);
            p.fiche.Nom.definir(personne(parents->pere).fiche.Nom.texte());
        } else {
            p.naissance = m_a.entre(1650, 1990);
            p.fiche.Nom.definir(m_a.parmi(Noms));
        }
        p.fiche.Qualite = p.homme ? 0 : 2;
        p.fiche.Prenom.definir(m_a.parmi(p.homme ? PrenomsMasculins : PrenomsFeminins));
        p.fiche.DateNaissance.definir(date(m_a, p.naissance));
        p.fiche.LieuNaissance.definir(m_a.parmi(Lieux));
        if (m_a.chance(700)) p.fiche.Profession.definir(m_a.parmi(Professions));
        if (p.naissance < 1940 || m_a.chance(200)) {
            const int deces = p.naissance + m_a.entre(1, 95);
            if (deces <= DerniereAnnee) {
                p.deces = deces;
                p.fiche.DateDeces.definir(date(m_a, deces));
                p.fiche.LieuDeces.definir(m_a.parmi(Lieux));
            }
        }
        if (m_a.chance(50))
            p.fiche.Photo.definir(
                QStringLiteral("C:\\GENEALOGIE\\PHOTOS\\portrait%1.jpg").arg(numero));
        if (parents) lierAuxParents(p, *parents);
        if (m_a.chance(2))
            p.fiche.Pere = static_cast<std::int32_t>(m_total + m_a.entre(1, 5000)); // dangling
        m_fenetre.push_back(p);
        if (m_a.chance(650)) marier(m_fenetre.back());
    }

    // Children two years apart from the year after the marriage.
    static int naissanceDeLEnfant(const Couple& c) { return c.mariage + 1 + c.enfants * 2; }

    // A couple that can still have this child: born in the past, both
    // parents alive, the mother not past 45. The file's own faults are
    // elsewhere (a dangling link, a damaged slot), not in impossible lives.
    Couple* choisirParents() {
        if (m_couples.empty() || !m_a.chance(720)) return nullptr;
        for (int essai = 0; essai < 6; ++essai) {
            Couple& c = m_couples[static_cast<std::size_t>(
                m_a.entre(0, static_cast<int>(m_couples.size()) - 1))];
            if (c.enfants >= NbEmplacementsEnfants || !enMemoire(c.pere) || !enMemoire(c.mere))
                continue;
            const int naissance = naissanceDeLEnfant(c);
            const Personne &pere = personne(c.pere), &mere = personne(c.mere);
            const auto vivant = [naissance](const Personne& p) {
                return p.deces == 0 || naissance < p.deces;
            };
            if (naissance <= DerniereAnnee && vivant(pere) && vivant(mere) &&
                naissance - mere.naissance <= 45)
                return &c;
        }
        return nullptr;
    }

    void lierAuxParents(Personne& enfant, Couple& couple) {
        enfant.fiche.Pere = static_cast<std::int32_t>(couple.pere);
        enfant.fiche.Mere = static_cast<std::int32_t>(couple.mere);
        // Now and then a rank is left empty, as when a child is not yet typed.
        if (couple.enfants < NbEmplacementsEnfants - 1 && m_a.chance(30)) ++couple.enfants;
        const int rang = couple.enfants++;
        for (std::int64_t parent : {couple.pere, couple.mere}) {
            TFiche& f = personne(parent).fiche;
            f.Enfants[static_cast<std::size_t>(rang)] = static_cast<std::int32_t>(enfant.numero);
            f.NbEnfants = static_cast<std::uint8_t>(std::max<int>(f.NbEnfants, rang + 1));
        }
        if (m_a.chance(3)) personne(couple.mere).fiche.Enfants[9] = -7; // a damaged slot
    }

    // Marries the person to someone of the other sex of about the same age.
    void marier(Personne& p) {
        for (int essai = 0; essai < 12 && m_fenetre.size() > 1; ++essai) {
            Personne& autre = m_fenetre[static_cast<std::size_t>(
                m_a.entre(0, static_cast<int>(m_fenetre.size()) - 2))];
            if (autre.marie || autre.homme == p.homme ||
                std::abs(autre.naissance - p.naissance) > 12)
                continue;
            Personne& homme = p.homme ? p : autre;
            Personne& femme = p.homme ? autre : p;
            const int annee = std::max(homme.naissance, femme.naissance) + m_a.entre(18, 30);
            const auto vivant = [annee](const Personne& x) {
                return x.deces == 0 || annee < x.deces;
            };
            if (annee > DerniereAnnee || !vivant(homme) || !vivant(femme)) continue;
            Couple c{homme.numero, femme.numero, annee, 0, date(m_a, annee), m_a.parmi(Lieux)};
            for (Personne* conjoint : {&homme, &femme}) {
                conjoint->marie = true;
                conjoint->fiche.DateMariage.definir(c.dateMariage);
                conjoint->fiche.LieuMariage.definir(c.lieuMariage);
            }
            femme.fiche.Qualite = 1;
            m_couples.push_back(c);
            if (m_couples.size() > Fenetre / 4) m_couples.pop_front();
            return;
        }
    }

    void sortirLaPlusAncienne() {
        m_recevoir(m_fenetre.front().fiche);
        m_fenetre.pop_front();
        ++m_premier;
    }

    Aleatoire m_a;
    std::int64_t m_total;
    const std::function<void(const TFiche&)>& m_recevoir;
    std::deque<Personne> m_fenetre;
    std::deque<Couple> m_couples;
    std::int64_t m_premier = 0;
};

} // namespace

void genererFiches(const ParametresGeneration& parametres,
                   const std::function<void(const TFiche&)>& recevoir) {
    Generation(parametres, recevoir).executer();
}

void genererFichier(const ParametresGeneration& parametres, const QString& chemin) {
    QFile sortie(chemin);
    if (!sortie.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ErreurES(ErreurES::AccesRefuse);
    QByteArray tampon;
    tampon.reserve(1 << 20);
    auto vider = [&] {
        if (sortie.write(tampon) != tampon.size()) throw ErreurES(ErreurES::DisquePlein);
        tampon.clear();
    };
    genererFiches(parametres, [&](const TFiche& fiche) {
        std::uint8_t octets[TailleFiche];
        encoderFiche(fiche, octets);
        tampon.append(reinterpret_cast<const char*>(octets), TailleFiche);
        if (tampon.size() >= (1 << 20)) vider();
    });
    vider();
}
