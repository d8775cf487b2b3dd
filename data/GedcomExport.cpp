// The GEDCOM export, written as the file is read, byte by byte where it
// matters: a file of a million records goes out at disk speed.
#include "data/Gedcom.h"

#include "data/Cp1252.h"
#include "data/Dates.h"
#include "data/Erreurs.h"
#include "data/Recherches.h"
#include "data/Texte.h"
#include "data/Translitteration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

const char* const MoisGedcom[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                  "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The UTF-8 bytes of each Windows-1252 byte.
struct TableUtf8 {
    std::array<std::array<char, 4>, 256> octets{};
    std::array<std::uint8_t, 256> longueur{}; // 0 for a control character
    TableUtf8() {
        for (int b = 0; b < 256; ++b) {
            const QChar c(cp1252::versUnicode(static_cast<unsigned char>(b)));
            const QByteArray u = QString(c).toUtf8();
            if (estCaractereDeControle(c)) continue;
            longueur[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(u.size());
            std::memcpy(octets[static_cast<std::size_t>(b)].data(), u.constData(),
                        static_cast<std::size_t>(u.size()));
        }
    }
};

const TableUtf8& tableUtf8() {
    static const TableUtf8 table;
    return table;
}

// A buffer handed to the output a megabyte at a time. Control characters of
// damaged or foreign records never reach it; they are counted.
class Sortie {
public:
    explicit Sortie(const SortieOctets& sortie) : m_sortie(sortie) { m_tampon.reserve(1 << 21); }

    void brut(const char* octets, std::size_t taille) {
        m_tampon.append(octets, taille);
        if (m_tampon.size() >= (1u << 20)) vider();
    }
    void brut(const char* texte) { brut(texte, std::strlen(texte)); }
    void nombre(std::int64_t n) {
        char chiffres[24];
        const int taille =
            std::snprintf(chiffres, sizeof chiffres, "%lld", static_cast<long long>(n));
        brut(chiffres, static_cast<std::size_t>(taille));
    }
    template <int L> void champ(const ChampTexte<L>& c) {
        const TableUtf8& t = tableUtf8();
        for (int i = 0; i < c.longueurSignificative(); ++i) {
            const std::uint8_t o = c.octets[static_cast<std::size_t>(i)];
            if (t.longueur[o] == 0)
                ++m_controles;
            else
                m_tampon.append(t.octets[o].data(), t.longueur[o]);
        }
    }
    void texte(QString t) {
        const auto avant = t.size();
        t.removeIf(estCaractereDeControle);
        m_controles += avant - t.size();
        const QByteArray u = t.toUtf8();
        brut(u.constData(), static_cast<std::size_t>(u.size()));
    }
    void finDeLigne() { brut("\r\n", 2); }
    void ligne(const char* texte) {
        brut(texte);
        finDeLigne();
    }
    void vider() {
        if (m_tampon.empty()) return;
        m_sortie(m_tampon.data(), static_cast<std::int64_t>(m_tampon.size()));
        m_tampon.clear();
    }
    std::int64_t controles() const { return m_controles; }

private:
    const SortieOctets& m_sortie;
    std::string m_tampon;
    std::int64_t m_controles = 0;
};

bool bissextile(int annee) {
    return (annee % 4 == 0 && annee % 100 != 0) || annee % 400 == 0;
}

// "12/03/1890" straight from the stored bytes; false for any other form.
bool ecrireDateCourante(Sortie& s, const ChampTexte<10>& c) {
    if (c.longueurSignificative() != 10) return false;
    const auto& o = c.octets;
    auto chiffre = [&](int i) {
        return o[static_cast<std::size_t>(i)] >= '0' && o[static_cast<std::size_t>(i)] <= '9';
    };
    if (o[2] != '/' || o[5] != '/') return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!chiffre(i)) return false;
    auto valeur = [&](int i) { return o[static_cast<std::size_t>(i)] - '0'; };
    const int jour = valeur(0) * 10 + valeur(1);
    const int mois = valeur(3) * 10 + valeur(4);
    const int annee = valeur(6) * 1000 + valeur(7) * 100 + valeur(8) * 10 + valeur(9);
    static const int jours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mois < 1 || mois > 12 || jour < 1 || annee < 1) return false;
    if (jour > jours[mois - 1] + (mois == 2 && bissextile(annee) ? 1 : 0)) return false;
    s.nombre(jour);
    s.brut(" ", 1);
    s.brut(MoisGedcom[mois - 1], 3);
    s.brut(" ", 1);
    s.brut(reinterpret_cast<const char*>(o.data()) + 6, 4);
    return true;
}

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

struct Couple {
    std::int32_t pere, mere;
    bool operator<(const Couple& a) const { return pere != a.pere ? pere < a.pere : mere < a.mere; }
    bool operator==(const Couple& a) const { return pere == a.pere && mere == a.mere; }
};

// One child of a family: the family, the child's rank there, the child.
struct Lien {
    Couple couple;
    int rang;
    std::int32_t enfant;
    bool operator<(const Lien& a) const {
        if (!(couple == a.couple)) return couple < a.couple;
        return rang != a.rang ? rang < a.rang : enfant < a.enfant;
    }
};

// Where a portrait is and what the export writes for it.
QString cheminDuPortrait(const QString& photo, const OptionsExport& options, ResultatExport& r) {
    const QString nom = partieNomFichier(photo);
    QString trouve;
    if (!options.cheminFichier.isEmpty()) {
        const QString dansDossier =
            repertoireDe(options.cheminFichier) + QStringLiteral("/PHOTOS/") + nom;
        if (QFileInfo(dansDossier).isFile()) trouve = dansDossier;
    }
    if (trouve.isEmpty() && QFileInfo(photo).isFile()) trouve = QFileInfo(photo).absoluteFilePath();
    if (trouve.isEmpty()) {
        ++r.portraitsIntrouvables;
        return photo;
    }
    if (!options.copierPortraits) return trouve;
    const QString dossier = QDir(options.dossierGedcom).filePath(QStringLiteral("PHOTOS"));
    QDir().mkpath(dossier);
    const QString copie = QDir(dossier).filePath(nom);
    if (!QFileInfo::exists(copie)) {
        if (!QFile::copy(trouve, copie))
            throw ErreurVelmoris(
                QStringLiteral("Le portrait « %1 » n'a pas pu être copié dans « %2 »")
                    .arg(trouve, dossier));
        ++r.portraitsCopies;
    }
    return QStringLiteral("PHOTOS/") + nom;
}

void ecrirePortrait(Sortie& s, const TFiche& f, const OptionsExport& options, ResultatExport& r) {
    if (f.Photo.vide()) return;
    const QString chemin = cheminDuPortrait(f.Photo.texte(), options, r);
    s.ligne("1 OBJE");
    s.brut("2 FILE ");
    s.texte(chemin);
    s.finDeLigne();
    const QString extension = extensionDe(chemin).toLower();
    s.ligne(extension == u".bmp" ? "3 FORM bmp" : "3 FORM jpg");
}

void ecrireEntete(Sortie& s) {
    for (const char* l :
         {"0 HEAD", "1 SOUR VELMORIS", "2 NAME Velmoris", "2 VERS " VELMORIS_VERSION,
          "1 SUBM @SUBM1@", "1 GEDC", "2 VERS 5.5.1", "2 FORM LINEAGE-LINKED", "1 CHAR UTF-8",
          "1 LANG French", "0 @SUBM1@ SUBM", "1 NAME Velmoris"})
        s.ligne(l);
}

} // namespace

ResultatExport exporterGedcom(FichierEnregistrements& fichier, const SortieOctets& sortieOctets,
                              const OptionsExport& options) {
    ResultatExport r;
    const std::int64_t nombre = fichier.nombreFiches();
    auto existe = [&](std::int32_t n) { return n >= 0 && n < nombre; };
    // First pass: every child's parents, and every parent's children slots.
    std::vector<Couple> parents(static_cast<std::size_t>(nombre));
    std::vector<std::array<std::int32_t, NbEmplacementsEnfants>> enfants(
        static_cast<std::size_t>(nombre));
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        Couple c{f.Pere, f.Mere};
        for (std::int32_t* lien : {&c.pere, &c.mere})
            if (*lien != -1 && !existe(*lien)) {
                ++r.liensPendants;
                *lien = -1;
            }
        parents[static_cast<std::size_t>(n)] = c;
        enfants[static_cast<std::size_t>(n)] = f.Enfants;
        for (int s = 0; s < emplacementsEnfants(f.NbEnfants); ++s) {
            const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
            if (v != -1 && !existe(v)) ++r.liensPendants;
        }
        return true;
    });
    // The families, from the children's links, children by rank.
    auto rang = [&](std::int32_t parent, std::int32_t enfant) {
        if (parent < 0) return NbEmplacementsEnfants;
        const auto& s = enfants[static_cast<std::size_t>(parent)];
        const auto i = std::find(s.begin(), s.end(), enfant);
        return i == s.end() ? NbEmplacementsEnfants : static_cast<int>(i - s.begin());
    };
    std::vector<Lien> liens;
    std::vector<std::uint8_t> parent(static_cast<std::size_t>(nombre), 0);
    for (std::int32_t n = 0; n < nombre; ++n) {
        const Couple c = parents[static_cast<std::size_t>(n)];
        if (c.pere == -1 && c.mere == -1) continue;
        liens.push_back({c, std::min(rang(c.pere, n), rang(c.mere, n)), n});
        for (std::int32_t p : {c.pere, c.mere})
            if (p >= 0) parent[static_cast<std::size_t>(p)] = 1;
    }
    enfants = {};
    parents = {};
    std::sort(liens.begin(), liens.end());
    std::vector<Couple> familles;
    for (const Lien& l : liens)
        if (familles.empty() || !(familles.back() == l.couple)) familles.push_back(l.couple);
    // Childless couples that share a marriage date, paired in file order.
    std::unordered_map<std::string, std::vector<std::pair<std::int32_t, bool>>> seulsParDate;
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        if (!f.DateMariage.vide() && !parent[static_cast<std::size_t>(n)])
            seulsParDate[std::string(
                             reinterpret_cast<const char*>(f.DateMariage.octets.data()),
                             static_cast<std::size_t>(f.DateMariage.longueurSignificative()))]
                .push_back({n, f.Qualite == 0});
        return true;
    });
    std::vector<Couple> sansEnfant;
    for (auto& [date, seuls] : seulsParDate) {
        std::sort(seuls.begin(), seuls.end());
        for (std::size_t a = 0; a + 1 < seuls.size(); a += 2) {
            const bool homme = seuls[a].second;
            sansEnfant.push_back(homme ? Couple{seuls[a].first, seuls[a + 1].first}
                                       : Couple{seuls[a + 1].first, seuls[a].first});
        }
    }
    seulsParDate = {};
    familles.insert(familles.end(), sansEnfant.begin(), sansEnfant.end());
    std::sort(familles.begin(), familles.end());
    // Each parent's families, in family order.
    std::vector<std::pair<std::int32_t, std::uint32_t>> famillesDe;
    for (std::uint32_t i = 0; i < familles.size(); ++i)
        for (std::int32_t p : {familles[i].pere, familles[i].mere})
            if (p >= 0) famillesDe.push_back({p, i});
    std::sort(famillesDe.begin(), famillesDe.end());

    Sortie s(sortieOctets);
    ecrireEntete(s);
    std::size_t prochaine = 0;
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        s.brut("0 ");
        ecrireIndividu(s, n);
        s.ligne(" INDI");
        s.brut("1 NAME ");
        if (!f.Prenom.vide()) {
            s.champ(f.Prenom);
            s.brut(" ");
        }
        s.brut("/");
        s.champ(f.Nom);
        s.ligne("/");
        if (f.Qualite <= 2) {
            s.brut("2 NPFX ");
            s.texte(motQualite(f.Qualite));
            s.finDeLigne();
        }
        s.ligne(f.Qualite == 0 ? "1 SEX M" : f.Qualite <= 2 ? "1 SEX F" : "1 SEX U");
        if (!f.Profession.vide()) {
            s.brut("1 OCCU ");
            s.champ(f.Profession);
            s.finDeLigne();
        }
        ecrireEvenement(s, "1 BIRT", f.DateNaissance, f.LieuNaissance);
        ecrireEvenement(s, "1 DEAT", f.DateDeces, f.LieuDeces);
        ecrirePortrait(s, f, options, r);
        std::int32_t pere = f.Pere, mere = f.Mere;
        if (!existe(pere)) pere = -1;
        if (!existe(mere)) mere = -1;
        if (pere != -1 || mere != -1) {
            s.brut("1 FAMC ");
            ecrireFamille(s, pere, mere);
            s.finDeLigne();
        }
        while (prochaine < famillesDe.size() && famillesDe[prochaine].first < n)
            ++prochaine;
        for (; prochaine < famillesDe.size() && famillesDe[prochaine].first == n; ++prochaine) {
            const Couple& c = familles[famillesDe[prochaine].second];
            s.brut("1 FAMS ");
            ecrireFamille(s, c.pere, c.mere);
            s.finDeLigne();
        }
        ++r.personnes;
        return true;
    });
    famillesDe = {};
    TFiche temoin;
    std::size_t l = 0;
    for (const Couple& c : familles) {
        s.brut("0 ");
        ecrireFamille(s, c.pere, c.mere);
        s.ligne(" FAM");
        if (c.pere >= 0) {
            s.brut("1 HUSB ");
            ecrireIndividu(s, c.pere);
            s.finDeLigne();
        }
        if (c.mere >= 0) {
            s.brut("1 WIFE ");
            ecrireIndividu(s, c.mere);
            s.finDeLigne();
        }
        while (l < liens.size() && liens[l].couple < c)
            ++l;
        for (; l < liens.size() && liens[l].couple == c; ++l) {
            s.brut("1 CHIL ");
            ecrireIndividu(s, liens[l].enfant);
            s.finDeLigne();
        }
        fichier.positionner(c.pere >= 0 ? c.pere : c.mere);
        fichier.lire(temoin);
        ecrireEvenement(s, "1 MARR", temoin.DateMariage, temoin.LieuMariage);
        ++r.familles;
    }
    s.ligne("0 TRLR");
    s.vider();
    r.caracteresDeControle = s.controles();
    return r;
}

ResultatExport exporterGedcom(FichierEnregistrements& fichier, const OptionsExport& options) {
    QByteArray gedcom;
    ResultatExport r = exporterGedcom(
        fichier,
        [&](const char* o, std::int64_t n) { gedcom.append(o, static_cast<qsizetype>(n)); },
        options);
    r.gedcom = std::move(gedcom);
    return r;
}
