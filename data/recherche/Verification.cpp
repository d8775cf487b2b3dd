#include "data/recherche/Verification.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Texte.h"
#include "data/recherche/Parente.h"
#include "data/recherche/Recherches.h"

#include <QLocale>

#include <functional>
#include <vector>

bool dateLisible(const QString& date) {
    const DateLue lue = lireDate(date);
    if (lue.genre == DateLue::Genre::Texte) return false;
    // Free text that ends in a year reads, unless it is a day the calendar lacks.
    if (lue.genre == DateLue::Genre::AnneeSeule)
        return !date.contains(u'/') && dateAcceptable(date);
    return true;
}

QString phraseFicheIncomplete(std::int64_t nombre, std::int64_t octets) {
    return QStringLiteral("le fichier se termine, après ses %1 fiches, par %2 "
                          "octet(s) qui ne font pas une fiche entière (une écriture interrompue, "
                          "ou un fichier abîmé). Ils ne sont pas lus comme une personne ; la "
                          "prochaine fiche ajoutée prendra leur place.")
        .arg(nombre)
        .arg(octets);
}

std::int64_t RapportVerification::total() const {
    std::int64_t n = 0;
    for (const std::int64_t c : comptes)
        n += c;
    return n;
}

void RapportVerification::ajouter(Probleme genre, const QString& ligne, int lignesMaximum) {
    ++comptes[static_cast<std::size_t>(genre)];
    if (lignes.size() < lignesMaximum)
        lignes << ligne;
    else
        ++lignesOmises;
}

QStringList RapportVerification::texte(const QString& chemin) const {
    if (total() == 0) return {QStringLiteral("Aucun problème trouvé dans ") + chemin + u'.'};
    static const char* const genres[NombreGenresProblemes] = {
        "Liens hors du fichier",
        "Liens vers la fiche elle-même",
        "Enfants en double",
        "Nombres d'enfants trop petits",
        "Dates illisibles",
        "Liens à sens unique",
        "Cycles",
        "Dates qu'un enregistrement refuserait",
        "Compléments détachés de leur fiche",
        "Fiche incomplète en fin de fichier"};
    const QLocale francais(QLocale::French, QLocale::France);
    QStringList sortie{QStringLiteral("%1 problème(s) dans %2 :")
                           .arg(francais.toString(static_cast<qlonglong>(total())), chemin)};
    for (int g = 0; g < NombreGenresProblemes; ++g)
        if (comptes[static_cast<std::size_t>(g)])
            sortie << QStringLiteral("  %1 : %2")
                          .arg(QString::fromUtf8(genres[g]),
                               francais.toString(
                                   static_cast<qlonglong>(comptes[static_cast<std::size_t>(g)])));
    sortie << QString();
    sortie << lignes;
    if (lignesOmises)
        sortie << QStringLiteral("… et %1 autres")
                      .arg(francais.toString(static_cast<qlonglong>(lignesOmises)));
    return sortie;
}

namespace {

struct Liens {
    std::int32_t pere, mere;
};

// Counts every problem, and writes out the first ones only: a damaged file
// may hold hundreds of millions of them.
class Collecteur {
public:
    Collecteur(RapportVerification& rapport, int maximum)
        : m_rapport(rapport), m_maximum(maximum) {}
    void ajouter(Probleme genre, const std::function<QString()>& ligne) {
        ++m_rapport.comptes[static_cast<std::size_t>(genre)];
        if (m_rapport.lignes.size() < m_maximum)
            m_rapport.lignes << ligne();
        else
            ++m_rapport.lignesOmises;
    }

private:
    RapportVerification& m_rapport;
    int m_maximum;
};

QString nomDe(std::int32_t n, const TFiche& f) {
    return QStringLiteral("fiche %1 (%2 %3)").arg(n).arg(f.Nom.texte(), f.Prenom.texte());
}

QString qui(FichierEnregistrements& fichier, std::int32_t n) {
    TFiche f;
    fichier.positionner(n);
    fichier.lire(f);
    return nomDe(n, f);
}

// A person is their own ancestor when walking up the father and mother links
// comes back to them; a link to the record itself is told on its own.
void chercherCycles(const std::vector<Liens>& liens, FichierEnregistrements& fichier,
                    Collecteur& collecteur) {
    chercherBoucles(
        static_cast<std::int32_t>(liens.size()),
        [&](std::int32_t n, bool pere) {
            const Liens& l = liens[static_cast<std::size_t>(n)];
            const std::int32_t parent = pere ? l.pere : l.mere;
            return parent == n ? -1 : parent;
        },
        [&](std::int32_t, bool, std::int32_t parent) {
            collecteur.ajouter(Probleme::Cycle, [&] {
                return QStringLiteral("Cycle : %1 est son propre ancêtre.")
                    .arg(qui(fichier, parent));
            });
        });
}

void verifierFiche(std::int32_t n, const TFiche& f, std::int64_t nombre, Collecteur& c) {
    auto hors = [&](std::int32_t v) { return v < -1 || v >= nombre; };
    auto lienDouteux = [&](std::int32_t v, const QString& role) {
        if (hors(v))
            c.ajouter(Probleme::LienHorsFichier, [&] {
                return QStringLiteral(
                           "Lien hors du fichier : %1 a pour %2 la fiche %3, qui n'existe pas.")
                    .arg(nomDe(n, f), role)
                    .arg(v);
            });
        else if (v == n)
            c.ajouter(Probleme::LienVersElleMeme, [&] {
                return QStringLiteral("Lien vers elle-même : %1 se désigne comme %2.")
                    .arg(nomDe(n, f), role);
            });
    };
    lienDouteux(f.Pere, QStringLiteral("père"));
    lienDouteux(f.Mere, QStringLiteral("mère"));
    int dernierRempli = 0;
    for (int s = 0; s < NbEmplacementsEnfants; ++s) {
        const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
        if (v == -1) continue;
        dernierRempli = s + 1;
        lienDouteux(v, QStringLiteral("enfant de rang %1").arg(s + 1));
        for (int autre = 0; autre < s; ++autre)
            if (f.Enfants[static_cast<std::size_t>(autre)] == v)
                c.ajouter(Probleme::EnfantEnDouble, [&] {
                    return QStringLiteral("Enfant en double : %1 a la fiche %2 aux rangs %3 et %4.")
                        .arg(nomDe(n, f))
                        .arg(v)
                        .arg(autre + 1)
                        .arg(s + 1);
                });
    }
    if (f.NbEnfants < dernierRempli)
        c.ajouter(Probleme::NombreEnfantsTropPetit, [&] {
            return QStringLiteral(
                       "Nombre d'enfants trop petit : %1 déclare %2 enfant(s) mais en a un au "
                       "rang %3.")
                .arg(nomDe(n, f))
                .arg(f.NbEnfants)
                .arg(dernierRempli);
        });
    const std::pair<const char*, const ChampTexte<10>*> dates[] = {
        {"de naissance", &f.DateNaissance},
        {"de mariage", &f.DateMariage},
        {"de décès", &f.DateDeces}};
    for (const auto& paire : dates) {
        const char* quoi = paire.first;
        if (paire.second->vide()) continue;
        const QString date = paire.second->texte();
        if (!dateLisible(date))
            c.ajouter(Probleme::DateIllisible, [&] {
                return QStringLiteral("Date illisible : la date %1 de la %2 est « %3 ».")
                    .arg(QString::fromUtf8(quoi), nomDe(n, f), date);
            });
        else if (!dateAcceptable(date))
            c.ajouter(Probleme::DateRefusee, [&] {
                return QStringLiteral("Date qu'un enregistrement refuserait : la date %1 de la %2 "
                                      "est « %3 ». Elle reste telle quelle tant qu'on ne la "
                                      "modifie pas ; modifiée, elle doit finir par une année de "
                                      "1000 à 2050.")
                    .arg(QString::fromUtf8(quoi), nomDe(n, f), date);
            });
    }
}

} // namespace

RapportVerification verifierFichier(FichierEnregistrements& fichier, int lignesMaximum) {
    RapportVerification rapport;
    Collecteur collecteur(rapport, lignesMaximum);
    const std::int64_t nombre = fichier.nombreFiches();
    std::vector<Liens> liens(static_cast<std::size_t>(nombre));
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        liens[static_cast<std::size_t>(n)] = {f.Pere, f.Mere};
        verifierFiche(n, f, nombre, collecteur);
        return true;
    });
    // A second pass, once every child's parents are known: a child listed
    // by a parent it does not name.
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        for (int s = 0; s < NbEmplacementsEnfants; ++s) {
            const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
            if (v < 0 || v >= nombre || v == n) continue;
            bool dejaVu = false;
            for (int autre = 0; autre < s && !dejaVu; ++autre)
                dejaVu = f.Enfants[static_cast<std::size_t>(autre)] == v;
            const Liens& r = liens[static_cast<std::size_t>(v)];
            if (dejaVu || r.pere == n || r.mere == n) continue;
            collecteur.ajouter(Probleme::LienASensUnique, [&] {
                return QStringLiteral("Lien à sens unique : %1 compte parmi ses enfants la %2, "
                                      "qui ne la nomme ni père ni mère.")
                    .arg(nomDe(n, f), qui(fichier, v));
            });
        }
        return true;
    });
    chercherCycles(liens, fichier, collecteur);
    if (const std::int64_t reste = fichier.octetsApresLaDerniereFiche())
        collecteur.ajouter(Probleme::FicheIncomplete, [&] {
            return QStringLiteral("Fiche incomplète : ") + phraseFicheIncomplete(nombre, reste);
        });
    return rapport;
}
