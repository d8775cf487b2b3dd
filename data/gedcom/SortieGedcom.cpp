#include "data/gedcom/SortieGedcom.h"

#include "data/complements/Complements.h"
#include "data/fichier/Dates.h"

#include <algorithm>

namespace exportation {

namespace {

// "12/03/1890" straight from the stored bytes; false for any other form.
bool ecrireDateCourante(Sortie& s, const ChampTexte<10>& c) {
    std::string date; // "31 DEC 9999" at the most, held without an allocation
    if (!ajouterDateGedcomExacte(c.octets.data(), c.longueurSignificative(), date)) return false;
    s.brut(date.data(), date.size());
    return true;
}

// Which of the two parts of what the import wrote ("nom\x1fprénoms",
// "date\x1flieu") the record still holds as written.
struct PartiesIntactes {
    bool premiere = false, seconde = false;
};

PartiesIntactes partiesIntactes(const std::string& ecrit, const std::string& maintenant) {
    const std::size_t a = ecrit.find('\x1f'), b = maintenant.find('\x1f');
    if (a == std::string::npos || b == std::string::npos) return {};
    return {ecrit.compare(0, a, maintenant, 0, b) == 0,
            ecrit.compare(a + 1, std::string::npos, maintenant, b + 1, std::string::npos) == 0};
}

} // namespace

void ecrireDate(Sortie& s, const ChampTexte<10>& date) {
    s.brut("2 DATE ");
    if (!ecrireDateCourante(s, date)) s.texte(dateGedcom(date.texte()));
    s.finDeLigne();
}

void ecrireEvenement(Sortie& s, const char* etiquette, const ChampTexte<10>& date,
                     const ChampTexte<30>& lieu) {
    if (date.vide() && lieu.vide()) return;
    s.ligne(etiquette);
    if (!date.vide()) ecrireDate(s, date);
    if (!lieu.vide()) {
        s.brut("2 PLAC ");
        s.champ(lieu);
        s.finDeLigne();
    }
}

void ecrireIndividu(Sortie& s, std::int64_t n) {
    s.brut("@I");
    s.nombre(n);
    s.brut("@");
}

void ecrireFamille(Sortie& s, std::int32_t pere, std::int32_t mere) {
    s.brut("@F");
    if (pere < 0)
        s.brut("X");
    else
        s.nombre(pere);
    s.brut("_");
    if (mere < 0)
        s.brut("X");
    else
        s.nombre(mere);
    s.brut("@");
}

// A GEDCOM text of the companion store, line by line; a value too long for
// one line goes on in CONC lines.
void ecrireStocke(Sortie& s, const std::string& gedcom) {
    constexpr std::size_t Longueur = 200;
    for (std::size_t debut = 0; debut < gedcom.size();) {
        std::size_t fin = gedcom.find('\n', debut);
        if (fin == std::string::npos) fin = gedcom.size();
        const std::string_view ligne(gedcom.data() + debut, fin - debut);
        debut = fin + 1;
        if (ligne.empty()) continue;
        if (ligne.size() <= Longueur + 20) {
            s.utf8(ligne);
            s.finDeLigne();
            continue;
        }
        const int niveau = std::atoi(std::string(ligne.substr(0, ligne.find(' '))).c_str());
        const QString texte = QString::fromUtf8(ligne.data(), static_cast<qsizetype>(ligne.size()));
        qsizetype coupe = Longueur;
        // Never between the two halves of a character outside the basic plane.
        if (texte[coupe - 1].isHighSurrogate()) --coupe;
        s.texte(texte.left(coupe));
        s.finDeLigne();
        for (qsizetype i = coupe; i < texte.size();) {
            qsizetype n = std::min<qsizetype>(Longueur, texte.size() - i);
            if (i + n < texte.size() && texte[i + n - 1].isHighSurrogate()) --n;
            s.texte(QStringLiteral("%1 CONC ").arg(niveau + 1) + texte.mid(i, n));
            s.finDeLigne();
            i += n;
        }
    }
}

// The lines under a structure of the stored text (its first one, or the
// first of tag `etiquette`), without the level 2 subtrees named in `otees`:
// what the source said of a field the user has since edited (its sources,
// notes, age…) goes out under the record's new value.
std::string sousLignes(const std::string& gedcom, std::string_view etiquette,
                       std::initializer_list<std::string_view> otees) {
    std::string sortie;
    enum { Avant, Dedans, Apres } etat = Avant;
    bool ote = false;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        if (ligne.starts_with("1 ")) {
            if (etat == Dedans) etat = Apres;
            const std::string_view tag = ligne.substr(2, ligne.find(' ', 2) - 2);
            if (etat == Avant && (etiquette.empty() || tag == etiquette)) etat = Dedans;
            return etat != Apres;
        }
        if (etat != Dedans) return true;
        if (ligne.starts_with("2 ")) {
            const std::string_view tag = ligne.substr(2, ligne.find(' ', 2) - 2);
            ote = std::find(otees.begin(), otees.end(), tag) != otees.end();
        }
        if (!ote) (sortie += ligne) += '\n';
        return true;
    });
    return sortie;
}

// The level 2 subtree of tag `etiquette` under the first structure of a
// stored text: its line and every deeper line under it.
std::string sousArbre(const std::string& gedcom, std::string_view etiquette) {
    std::string sortie;
    bool dedans = false;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        if (ligne.starts_with("1 ")) return sortie.empty();
        if (ligne.starts_with("2 ")) {
            if (dedans) return false;
            dedans = ligne.substr(2, ligne.find(' ', 2) - 2) == etiquette;
        }
        if (dedans) (sortie += ligne) += '\n';
        return true;
    });
    return sortie;
}

// The name as the source wrote it, with only the parts the user changed in
// the record taken from the record: a first name corrected keeps the
// surname in its own script, the title, the suffix and the nickname.
void ecrireNomParParties(Sortie& s, const TFiche& fiche, const std::string& source,
                         const std::string& ecrit) {
    const PartiesIntactes intact = partiesIntactes(ecrit, ecritDe(fiche, "NAME"));
    const std::size_t finLigne = source.find('\n');
    const std::string ligne = source.substr(0, finLigne);
    const std::string valeur = ligne.size() > 7 ? ligne.substr(7) : std::string();
    const std::size_t barre = valeur.find('/'), autreBarre = valeur.find('/', barre + 1);
    std::string prenoms = valeur, nom, suffixe;
    if (barre != std::string::npos) {
        prenoms = valeur.substr(0, barre);
        nom = valeur.substr(barre + 1, autreBarre == std::string::npos ? std::string::npos
                                                                       : autreBarre - barre - 1);
        if (autreBarre != std::string::npos) suffixe = valeur.substr(autreBarre + 1);
    }
    while (!prenoms.empty() && prenoms.back() == ' ')
        prenoms.pop_back();
    const std::string nouveauNom = intact.premiere ? nom : fiche.Nom.texte().toStdString();
    const std::string nouveauxPrenoms =
        intact.seconde ? prenoms : fiche.Prenom.texte().toStdString();
    std::string gedcom = "1 NAME " + nouveauxPrenoms + (nouveauxPrenoms.empty() ? "" : " ") + '/' +
                         nouveauNom + '/' + suffixe + '\n';
    const std::string sous = sousLignes(source, {}, {});
    for (std::size_t debut = 0; debut < sous.size();) {
        std::size_t fin = sous.find('\n', debut);
        if (fin == std::string::npos) fin = sous.size();
        std::string l = sous.substr(debut, fin - debut);
        debut = fin + 1;
        if (l.starts_with("2 GIVN ") && !intact.seconde) l = "2 GIVN " + nouveauxPrenoms;
        if (l.starts_with("2 SURN ") && !intact.premiere) l = "2 SURN " + nouveauNom;
        gedcom += l + '\n';
    }
    ecrireStocke(s, gedcom);
}

// An event whose date or place the user changed: what is unchanged goes
// out as the source had it (a whole place, a date in another calendar), the
// changed part as the record holds it, with what the source said around.
void ecrireEvenementParParties(Sortie& s, const char* ligne, const ChampTexte<10>& date,
                               const ChampTexte<30>& lieu, const std::string& source,
                               const std::string& ecrit) {
    const PartiesIntactes intact =
        partiesIntactes(ecrit, date.texte().toStdString() + '\x1f' + lieu.texte().toStdString());
    const std::string dateSource = intact.premiere ? sousArbre(source, "DATE") : std::string();
    const std::string lieuSource = intact.seconde ? sousArbre(source, "PLAC") : std::string();
    const std::string autres = sousLignes(source, {}, {"DATE", "PLAC"});
    const bool dateEcrite = !dateSource.empty() || !date.vide();
    const bool lieuEcrit = !lieuSource.empty() || !lieu.vide();
    if (!dateEcrite && !lieuEcrit && autres.empty()) return;
    s.ligne(ligne);
    if (!dateSource.empty())
        ecrireStocke(s, dateSource);
    else if (!date.vide())
        ecrireDate(s, date);
    if (!lieuSource.empty()) {
        ecrireStocke(s, lieuSource);
    } else if (!lieu.vide()) {
        s.brut("2 PLAC ");
        s.champ(lieu);
        s.finDeLigne();
    }
    ecrireStocke(s, autres);
}

// The family's lines without its marriages: the records give them instead.
namespace {

int niveauDe(std::string_view ligne) {
    int n = 0;
    std::size_t i = 0;
    for (; i < ligne.size() && ligne[i] >= '0' && ligne[i] <= '9'; ++i)
        n = n * 10 + (ligne[i] - '0');
    return i == 0 ? -1 : n;
}

std::string_view etiquetteDe(std::string_view ligne) {
    std::size_t debut = ligne.find(' ');
    if (debut == std::string_view::npos) return {};
    ++debut;
    if (debut < ligne.size() && ligne[debut] == '@') {
        debut = ligne.find(' ', debut);
        if (debut == std::string_view::npos) return {};
        ++debut;
    }
    return ligne.substr(debut, ligne.find(' ', debut) - debut);
}

} // namespace

std::string sansStructures(const std::string& gedcom,
                           std::initializer_list<std::string_view> otees) {
    std::string sortie;
    int premier = -1;
    bool ote = false;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        const int niveau = niveauDe(ligne);
        if (premier < 0) premier = niveau;
        if (niveau == premier)
            ote = std::find(otees.begin(), otees.end(), etiquetteDe(ligne)) != otees.end();
        if (!ote) (sortie += ligne) += '\n';
        return true;
    });
    return sortie;
}

std::string sousLignesDe(const std::string& gedcom, int niveau, std::string_view etiquette,
                         int nouveauNiveau) {
    std::string sortie;
    enum { Avant, Dedans, Apres } etat = Avant;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        const int n = niveauDe(ligne);
        if (n <= niveau) {
            if (etat == Dedans) etat = Apres;
            if (etat == Avant && n == niveau && etiquetteDe(ligne) == etiquette) etat = Dedans;
            return etat != Apres;
        }
        if (etat == Dedans) {
            sortie += std::to_string(n - niveau - 1 + nouveauNiveau);
            sortie += ligne.substr(ligne.find(' '));
            sortie += '\n';
        }
        return true;
    });
    return sortie;
}

// The user's note: "1 NOTE" and a CONT line for each line break.
void ecrireNote(Sortie& s, const std::string& note) {
    std::string gedcom = "1 NOTE ";
    for (const char c : note)
        gedcom += c == '\n' ? std::string("\n2 CONT ") : std::string(1, c);
    ecrireStocke(s, gedcom + '\n');
}

void ecrireSexe(Sortie& s, const TFiche& fiche) {
    s.ligne(fiche.Qualite == 0 ? "1 SEX M" : fiche.Qualite <= 2 ? "1 SEX F" : "1 SEX U");
}

void ecrireLigneNom(Sortie& s, const TFiche& fiche) {
    s.brut("1 NAME ");
    if (!fiche.Prenom.vide()) {
        s.champ(fiche.Prenom);
        s.brut(" ");
    }
    s.brut("/");
    s.champ(fiche.Nom);
    s.ligne("/");
    // Women and men are told by their sex; only Mademoiselle is a title.
    if (fiche.Qualite == 2) s.ligne("2 NPFX Mademoiselle");
}

} // namespace exportation
