// The GEDCOM export, written as the file is read, byte by byte where it
// matters: a file of a million records goes out at disk speed.
#include "data/gedcom/Gedcom.h"

#include "data/complements/Complements.h"
#include "data/fichier/Cp1252.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/Texte.h"
#include "data/fichier/Translitteration.h"
#include "data/recherche/Recherches.h"

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
    // Text kept as UTF-8 (the companion store's): written as it is, control
    // characters left out; bytes that are not UTF-8 go through the full
    // conversion, which marks them.
    void utf8(std::string_view t) {
        if (!QByteArrayView(t.data(), static_cast<qsizetype>(t.size())).isValidUtf8())
            return texte(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
        for (std::size_t i = 0; i < t.size(); ++i) {
            const auto c = static_cast<unsigned char>(t[i]);
            const bool c1 = c == 0xC2 && i + 1 < t.size() &&
                            static_cast<unsigned char>(t[i + 1]) >= 0x80 &&
                            static_cast<unsigned char>(t[i + 1]) <= 0x9F;
            if (c < 0x20 || c == 0x7F || c1) {
                ++m_controles;
                i += c1 ? 1 : 0;
                continue;
            }
            m_tampon.push_back(static_cast<char>(c));
        }
        if (m_tampon.size() >= (1u << 20)) vider();
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

// The marriage a record holds: its date and place fields as stored.
struct MariageDeFiche {
    std::int32_t fiche;
    ChampTexte<10> date;
    ChampTexte<30> lieu;
    bool memeDate(const MariageDeFiche& autre) const {
        return !date.vide() && date.longueurSignificative() == autre.date.longueurSignificative() &&
               std::equal(date.octets.begin(), date.octets.begin() + date.longueurSignificative(),
                          autre.date.octets.begin());
    }
};

// A family of the export: a couple the records prove, or one person's
// marriage whose spouse no record names. Each marriage of a record is
// written in exactly one family.
struct FamilleEcrite {
    Couple couple{-1, -1};
    std::int32_t complement = -1; // the couple of the companion store it is, by index
    std::int32_t seul = -1;       // the person of a marriage without a known spouse
    std::int32_t duPere = -1;     // whose record's marriage goes in this family
    std::int32_t deLaMere = -1;
    bool operator<(const FamilleEcrite& a) const {
        if (seul != a.seul) return seul < a.seul;
        return couple < a.couple;
    }
    std::int32_t conjoint(std::int32_t n) const {
        return couple.pere == n ? couple.mere : couple.pere;
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
    // The picture's own format, as its name says; JPEG when it says none.
    QString format = extensionDe(chemin).toLower().mid(1);
    if (format.isEmpty() || format == u"jpeg" || format == u"jpe") format = QStringLiteral("jpg");
    if (format == u"tiff") format = QStringLiteral("tif");
    s.brut("3 FORM ");
    s.texte(format);
    s.finDeLigne();
}

void ecrireEntete(Sortie& s) {
    for (const char* l :
         {"0 HEAD", "1 SOUR VELMORIS", "2 NAME Velmoris", "2 VERS " VELMORIS_VERSION,
          "1 SUBM @SUBM1@", "1 GEDC", "2 VERS 5.5.1", "2 FORM LINEAGE-LINKED", "1 CHAR UTF-8",
          "1 LANG French", "0 @SUBM1@ SUBM", "1 NAME Velmoris"})
        s.ligne(l);
}

void ecrireFamille(Sortie& s, const FamilleEcrite& f) {
    if (f.seul < 0) return ecrireFamille(s, f.couple.pere, f.couple.mere);
    s.brut("@M");
    s.nombre(f.seul);
    s.brut("@");
}

// The marriage of one record in its family: "1 MARR" with the date and place.
void ecrireMariage(Sortie& s, const MariageDeFiche& m, const TFiche* note) {
    s.ligne("1 MARR");
    if (!m.date.vide()) ecrireDate(s, m.date);
    if (!m.lieu.vide()) {
        s.brut("2 PLAC ");
        s.champ(m.lieu);
        s.finDeLigne();
    }
    if (note) {
        s.brut("2 NOTE D'après la fiche de ");
        s.texte(nomComplet(*note));
        s.finDeLigne();
    }
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
std::string sansMariage(const std::string& gedcom) {
    std::string sortie;
    bool dansMariage = false;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        if (ligne.starts_with("1 "))
            dansMariage = ligne == "1 MARR" || ligne.starts_with("1 MARR ");
        if (!dansMariage) (sortie += ligne) += '\n';
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

bool memeLieu(const MariageDeFiche& a, const MariageDeFiche& b) {
    return a.lieu.vide() || b.lieu.vide() || a.lieu.texte() == b.lieu.texte();
}

// The families the records prove, and where each record's marriage goes.
struct Familles {
    std::vector<Lien> liens;              // children, by family then rank
    std::vector<FamilleEcrite> familles;  // sorted
    std::vector<MariageDeFiche> mariages; // by record number
    std::int64_t sansConjoint = 0;
    // The couples of the companion store, their persons checked: a spouse or
    // a child whose record no longer holds its fingerprint is left out.
    std::vector<EntreeCouple> couples;
    // Children of a couple the records do not name as their parents
    // (adopted, or a second birth family): child, family index, pedigree.
    struct FamcEnPlus {
        std::int32_t enfant;
        std::uint32_t famille;
        std::string filiation, gedcom;
        bool operator<(const FamcEnPlus& autre) const {
            return std::tie(enfant, famille) < std::tie(autre.enfant, autre.famille);
        }
    };
    std::vector<FamcEnPlus> famcEnPlus;
    // What the source said of a child's link to its birth family, by child,
    // for the couple it was said of.
    std::unordered_map<std::int32_t, std::pair<Couple, std::string>> famcNaissance;
};

// The fingerprints of the records the store's couples name, taken as the
// records are read in order.
class EmpreintesRequises {
public:
    EmpreintesRequises(const std::vector<EntreeCouple>& couples, std::int64_t nombre)
        : m_requise(couples.empty() ? 0 : static_cast<std::size_t>(nombre), 0) {
        auto demander = [&](std::int32_t n) {
            if (n >= 0 && n < nombre) m_requise[static_cast<std::size_t>(n)] = 1;
        };
        for (const EntreeCouple& c : couples) {
            demander(c.mari);
            demander(c.femme);
            for (const EntreeCouple::Enfant& e : c.enfants)
                demander(e.fiche);
        }
    }
    void lire(std::int32_t n, const TFiche& fiche) {
        if (static_cast<std::size_t>(n) < m_requise.size() &&
            m_requise[static_cast<std::size_t>(n)])
            m_empreintes.emplace(n, empreinteDe(fiche));
    }
    const std::unordered_map<std::int32_t, std::string>& empreintes() const { return m_empreintes; }

private:
    std::vector<std::uint8_t> m_requise;
    std::unordered_map<std::int32_t, std::string> m_empreintes;
};

// The couples of the store whose persons still are those the records hold.
void verifierCouples(std::vector<EntreeCouple>& couples,
                     const std::unordered_map<std::int32_t, std::string>& empreintes) {
    auto valide = [&](std::int32_t n, const std::string& empreinte) {
        const auto i = empreintes.find(n);
        return i != empreintes.end() && i->second == empreinte;
    };
    for (EntreeCouple& c : couples) {
        if (!valide(c.mari, c.empreinteMari)) c.mari = -1;
        if (!valide(c.femme, c.empreinteFemme)) c.femme = -1;
        std::erase_if(c.enfants,
                      [&](const EntreeCouple::Enfant& e) { return !valide(e.fiche, e.empreinte); });
    }
    std::erase_if(couples, [](const EntreeCouple& c) { return c.mari < 0 && c.femme < 0; });
}

const MariageDeFiche* mariageDe(const Familles& f, std::int32_t n) {
    const auto i =
        std::lower_bound(f.mariages.begin(), f.mariages.end(), n,
                         [](const MariageDeFiche& m, std::int32_t v) { return m.fiche < v; });
    return i != f.mariages.end() && i->fiche == n ? &*i : nullptr;
}

Familles famillesProuvees(FichierEnregistrements& fichier, ResultatExport& r,
                          Complements* complements) {
    Familles f;
    if (complements) f.couples = complements->couples(false);
    const std::int64_t nombre = fichier.nombreFiches();
    EmpreintesRequises requises(f.couples, nombre);
    auto existe = [&](std::int32_t n) { return n >= 0 && n < nombre; };
    // First pass: every child's parents, every parent's children slots, the
    // marriages the records hold, and each person's sex.
    std::vector<Couple> parents(static_cast<std::size_t>(nombre));
    std::vector<std::array<std::int32_t, NbEmplacementsEnfants>> enfants(
        static_cast<std::size_t>(nombre));
    std::vector<std::uint8_t> qualite(static_cast<std::size_t>(nombre));
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& fiche) {
        Couple c{fiche.Pere, fiche.Mere};
        for (std::int32_t* lien : {&c.pere, &c.mere})
            if (*lien != -1 && !existe(*lien)) {
                ++r.liensPendants;
                *lien = -1;
            }
        parents[static_cast<std::size_t>(n)] = c;
        enfants[static_cast<std::size_t>(n)] = fiche.Enfants;
        qualite[static_cast<std::size_t>(n)] = fiche.Qualite;
        for (int s = 0; s < emplacementsEnfants(fiche.NbEnfants); ++s) {
            const std::int32_t v = fiche.Enfants[static_cast<std::size_t>(s)];
            if (v != -1 && !existe(v)) ++r.liensPendants;
        }
        if (!fiche.DateMariage.vide() || !fiche.LieuMariage.vide())
            f.mariages.push_back({n, fiche.DateMariage, fiche.LieuMariage});
        requises.lire(n, fiche);
        return true;
    });
    verifierCouples(f.couples, requises.empreintes());
    // The families of the children's links, children by rank.
    auto rang = [&](std::int32_t parent, std::int32_t enfant) {
        if (parent < 0) return NbEmplacementsEnfants;
        const auto& s = enfants[static_cast<std::size_t>(parent)];
        const auto i = std::find(s.begin(), s.end(), enfant);
        return i == s.end() ? NbEmplacementsEnfants : static_cast<int>(i - s.begin());
    };
    for (std::int32_t n = 0; n < nombre; ++n) {
        const Couple c = parents[static_cast<std::size_t>(n)];
        if (c.pere == -1 && c.mere == -1) continue;
        f.liens.push_back({c, std::min(rang(c.pere, n), rang(c.mere, n)), n});
    }
    enfants = {};
    parents = {};
    std::sort(f.liens.begin(), f.liens.end());
    // A person with a spouse the children prove, or the companion store.
    std::vector<std::uint8_t> epoux(static_cast<std::size_t>(nombre), 0);
    for (const Lien& l : f.liens) {
        if (!f.familles.empty() && f.familles.back().couple == l.couple) continue;
        FamilleEcrite famille;
        famille.couple = l.couple;
        f.familles.push_back(famille);
        if (l.couple.pere >= 0 && l.couple.mere >= 0)
            epoux[static_cast<std::size_t>(l.couple.pere)] =
                epoux[static_cast<std::size_t>(l.couple.mere)] = 1;
    }
    // The store's couples joined to the families of the children's links.
    std::unordered_map<std::uint64_t, std::size_t> parCouple;
    auto cle = [](const Couple& c) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.pere)) << 32) |
               static_cast<std::uint32_t>(c.mere);
    };
    if (!f.couples.empty())
        for (std::size_t i = 0; i < f.familles.size(); ++i)
            parCouple.emplace(cle(f.familles[i].couple), i);
    for (std::size_t i = 0; i < f.couples.size(); ++i) {
        const EntreeCouple& c = f.couples[i];
        const Couple couple{c.mari, c.femme};
        const auto [trouvee, nouvelle] = parCouple.emplace(cle(couple), f.familles.size());
        if (nouvelle) {
            f.familles.push_back({});
            f.familles.back().couple = couple;
        }
        FamilleEcrite* famille = &f.familles[trouvee->second];
        if (famille->complement < 0) famille->complement = static_cast<std::int32_t>(i);
        if (c.mari >= 0 && c.femme >= 0)
            epoux[static_cast<std::size_t>(c.mari)] = epoux[static_cast<std::size_t>(c.femme)] = 1;
    }
    // A childless couple: the same marriage date in exactly two records, a
    // man and a woman, neither with a spouse proven elsewhere. Where more
    // records hold the date, nobody is paired: each marriage goes out alone.
    std::unordered_map<std::string, std::vector<std::int32_t>> parDate;
    for (const MariageDeFiche& m : f.mariages)
        if (!m.date.vide())
            parDate[std::string(reinterpret_cast<const char*>(m.date.octets.data()),
                                static_cast<std::size_t>(m.date.longueurSignificative()))]
                .push_back(m.fiche);
    for (auto& [date, fiches] : parDate) {
        if (fiches.size() != 2) continue;
        std::int32_t a = fiches[0], b = fiches[1];
        if (epoux[static_cast<std::size_t>(a)] || epoux[static_cast<std::size_t>(b)]) continue;
        const std::uint8_t qa = qualite[static_cast<std::size_t>(a)],
                           qb = qualite[static_cast<std::size_t>(b)];
        const bool hommeA = qa == 0, hommeB = qb == 0;
        const bool femmeA = qa == 1 || qa == 2, femmeB = qb == 1 || qb == 2;
        if ((hommeA && hommeB) || (femmeA && femmeB)) continue;
        if (hommeB || femmeA) std::swap(a, b);
        FamilleEcrite famille;
        famille.couple = {a, b};
        f.familles.push_back(famille);
    }
    parDate = {};
    std::sort(f.familles.begin(), f.familles.end());
    // Each record's marriage goes to the one family it belongs to: its only
    // couple, or the couple whose other record holds the same date; a
    // marriage that fits none goes out as a family of its own.
    std::vector<std::pair<std::int32_t, std::uint32_t>> couplesDe;
    for (std::uint32_t i = 0; i < f.familles.size(); ++i) {
        const Couple& c = f.familles[i].couple;
        // A family of one known spouse is only the store's: the source had it so.
        if ((c.pere < 0 || c.mere < 0) && f.familles[i].complement < 0) continue;
        for (const std::int32_t conjoint : {c.pere, c.mere})
            if (conjoint >= 0) couplesDe.push_back({conjoint, i});
    }
    std::sort(couplesDe.begin(), couplesDe.end());
    std::vector<FamilleEcrite> seules;
    for (const MariageDeFiche& m : f.mariages) {
        auto debut = std::lower_bound(couplesDe.begin(), couplesDe.end(),
                                      std::pair<std::int32_t, std::uint32_t>{m.fiche, 0});
        auto fin = debut;
        while (fin != couplesDe.end() && fin->first == m.fiche)
            ++fin;
        std::int64_t choisie = -1;
        // The couple of the store whose marriage the import wrote in this record.
        const std::string ecrit =
            m.date.texte().toStdString() + '\x1f' + m.lieu.texte().toStdString();
        for (auto i = debut; i != fin && choisie < 0; ++i) {
            const FamilleEcrite& x = f.familles[i->second];
            if (x.complement < 0) continue;
            const EntreeCouple& c = f.couples[static_cast<std::size_t>(x.complement)];
            if ((c.mari == m.fiche ? c.ecritMari : c.ecritFemme) == ecrit) choisie = i->second;
        }
        if (choisie >= 0) {
        } else if (fin - debut == 1) {
            choisie = debut->second;
        } else {
            for (auto i = debut; i != fin && choisie < 0; ++i) {
                const MariageDeFiche* autre = mariageDe(f, f.familles[i->second].conjoint(m.fiche));
                if (autre && m.memeDate(*autre)) choisie = i->second;
            }
        }
        if (choisie < 0) {
            FamilleEcrite seule;
            seule.seul = m.fiche;
            (qualite[static_cast<std::size_t>(m.fiche)] == 1 ||
                     qualite[static_cast<std::size_t>(m.fiche)] == 2
                 ? seule.deLaMere
                 : seule.duPere) = m.fiche;
            seules.push_back(seule);
            ++f.sansConjoint;
            continue;
        }
        FamilleEcrite& famille = f.familles[static_cast<std::size_t>(choisie)];
        (famille.couple.pere == m.fiche ? famille.duPere : famille.deLaMere) = m.fiche;
    }
    f.familles.insert(f.familles.end(), seules.begin(), seules.end());
    // The store's children the records do not give: adopted, fostered, or
    // of a second birth family.
    for (std::uint32_t i = 0; i < f.familles.size(); ++i) {
        if (f.familles[i].complement < 0) continue;
        for (const EntreeCouple::Enfant& e :
             f.couples[static_cast<std::size_t>(f.familles[i].complement)].enfants)
            if (e.filiation != "birth")
                f.famcEnPlus.push_back({e.fiche, i, e.filiation, e.gedcom});
            else if (!e.gedcom.empty())
                f.famcNaissance[e.fiche] = {f.familles[i].couple, e.gedcom};
    }
    std::sort(f.famcEnPlus.begin(), f.famcEnPlus.end());
    return f;
}

} // namespace

ResultatExport exporterGedcom(FichierEnregistrements& fichier, const SortieOctets& sortieOctets,
                              const OptionsExport& options) {
    ResultatExport r;
    const Familles f = famillesProuvees(fichier, r, options.complements);
    r.mariagesSansConjoint = f.sansConjoint;
    // Each person's families, in family order.
    std::vector<std::pair<std::int32_t, std::uint32_t>> famillesDe;
    for (std::uint32_t i = 0; i < f.familles.size(); ++i) {
        const FamilleEcrite& famille = f.familles[i];
        if (famille.seul >= 0) famillesDe.push_back({famille.seul, i});
        for (std::int32_t p : {famille.couple.pere, famille.couple.mere})
            if (p >= 0) famillesDe.push_back({p, i});
    }
    std::sort(famillesDe.begin(), famillesDe.end());

    Sortie s(sortieOctets);
    ecrireEntete(s);
    std::size_t prochaine = 0, famcEnPlus = 0;
    const std::int64_t nombre = fichier.nombreFiches();
    // The store's entries, read in record order as the records are.
    std::unique_ptr<CurseurPersonnes> curseur =
        options.complements ? options.complements->curseurPersonnes() : nullptr;
    EntreePersonne entree;
    bool encore = curseur && curseur->suivante(entree);
    std::vector<EntreePersonne> entrees;
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& fiche) {
        s.brut("0 ");
        ecrireIndividu(s, n);
        s.ligne(" INDI");
        // What the store keeps of this person, while the record is the one it was written for.
        entrees.clear();
        for (; encore && entree.fiche <= n; encore = curseur->suivante(entree))
            if (entree.fiche == n && entree.empreinte == empreinteDe(fiche))
                entrees.push_back(std::move(entree));
        // A field the record still holds as the import wrote it goes out as
        // the source had it; one edited since, as the record holds it, with
        // what the source said about it.
        struct ChampStocke {
            const std::string* gedcom = nullptr;
            const std::string* ecrit = nullptr;
            bool aJour = false;
        };
        auto champ = [&](const char* nom) {
            ChampStocke c;
            for (const EntreePersonne& e : entrees)
                for (const EntreePersonne::Champ& ch : e.champs)
                    if (ch.nom == nom) {
                        c = {&ch.gedcom, &ch.ecrit, ch.ecrit == ecritDe(fiche, nom)};
                        if (c.aJour) return c;
                    }
            return c;
        };
        if (!entrees.empty()) ++r.personnesCompletees;
        if (const ChampStocke nom = champ("NAME"); nom.aJour) {
            ecrireStocke(s, *nom.gedcom);
        } else if (nom.gedcom && nom.gedcom->starts_with("1 NAME")) {
            ecrireNomParParties(s, fiche, *nom.gedcom, *nom.ecrit);
        } else {
            ecrireLigneNom(s, fiche);
        }
        ecrireSexe(s, fiche);
        if (const ChampStocke profession = champ("OCCU"); profession.aJour) {
            ecrireStocke(s, *profession.gedcom);
        } else if (!fiche.Profession.vide() || profession.gedcom) {
            s.brut("1 OCCU ");
            s.champ(fiche.Profession);
            s.finDeLigne();
            if (profession.gedcom) ecrireStocke(s, sousLignes(*profession.gedcom, {}, {}));
        }
        auto evenement = [&](const char* nom, const char* ligne, const ChampTexte<10>& date,
                             const ChampTexte<30>& lieu) {
            const ChampStocke stocke = champ(nom);
            if (stocke.aJour) return ecrireStocke(s, *stocke.gedcom);
            const bool substitut = stocke.gedcom && !stocke.gedcom->starts_with(ligne);
            if (stocke.gedcom && !substitut)
                return ecrireEvenementParParties(s, ligne, date, lieu, *stocke.gedcom,
                                                 *stocke.ecrit);
            const std::string sous =
                stocke.gedcom && !substitut ? sousLignes(*stocke.gedcom, {}, {"DATE", "PLAC"}) : "";
            if (date.vide() && lieu.vide() && !sous.empty()) s.ligne(ligne);
            ecrireEvenement(s, ligne, date, lieu);
            ecrireStocke(s, sous);
            // A baptism that stood for the birth is an event of its own.
            if (substitut) ecrireStocke(s, *stocke.gedcom);
        };
        evenement("BIRT", "1 BIRT", fiche.DateNaissance, fiche.LieuNaissance);
        evenement("DEAT", "1 DEAT", fiche.DateDeces, fiche.LieuDeces);
        if (const ChampStocke portrait = champ("OBJE"); portrait.aJour)
            ecrireStocke(s, *portrait.gedcom);
        else
            ecrirePortrait(s, fiche, options, r);
        for (const EntreePersonne& e : entrees) {
            ecrireStocke(s, e.structures);
            if (!e.note.empty()) ecrireNote(s, e.note);
        }
        std::int32_t pere = fiche.Pere, mere = fiche.Mere;
        if (pere < 0 || pere >= nombre) pere = -1;
        if (mere < 0 || mere >= nombre) mere = -1;
        if (pere != -1 || mere != -1) {
            s.brut("1 FAMC ");
            ecrireFamille(s, pere, mere);
            s.finDeLigne();
            if (const auto i = f.famcNaissance.find(n);
                i != f.famcNaissance.end() && i->second.first == Couple{pere, mere})
                ecrireStocke(s, i->second.second);
        }
        while (famcEnPlus < f.famcEnPlus.size() && f.famcEnPlus[famcEnPlus].enfant < n)
            ++famcEnPlus;
        for (; famcEnPlus < f.famcEnPlus.size() && f.famcEnPlus[famcEnPlus].enfant == n;
             ++famcEnPlus) {
            const Familles::FamcEnPlus& lien = f.famcEnPlus[famcEnPlus];
            s.brut("1 FAMC ");
            ecrireFamille(s, f.familles[lien.famille]);
            s.finDeLigne();
            s.brut("2 PEDI ");
            s.texte(
                QString::fromStdString(lien.filiation == "other-birth" ? "birth" : lien.filiation));
            s.finDeLigne();
            ecrireStocke(s, lien.gedcom);
        }
        while (prochaine < famillesDe.size() && famillesDe[prochaine].first < n)
            ++prochaine;
        for (; prochaine < famillesDe.size() && famillesDe[prochaine].first == n; ++prochaine) {
            s.brut("1 FAMS ");
            ecrireFamille(s, f.familles[famillesDe[prochaine].second]);
            s.finDeLigne();
        }
        ++r.personnes;
        return true;
    });
    famillesDe = {};
    std::size_t l = 0;
    TFiche temoin;
    auto lire = [&](std::int32_t n) -> const TFiche& {
        fichier.positionner(n);
        fichier.lire(temoin);
        return temoin;
    };
    for (const FamilleEcrite& famille : f.familles) {
        const Couple& c = famille.couple;
        s.brut("0 ");
        ecrireFamille(s, famille);
        s.ligne(" FAM");
        const std::int32_t mari = famille.seul >= 0 ? famille.duPere : c.pere;
        const std::int32_t femme = famille.seul >= 0 ? famille.deLaMere : c.mere;
        if (mari >= 0) {
            s.brut("1 HUSB ");
            ecrireIndividu(s, mari);
            s.finDeLigne();
        }
        if (femme >= 0) {
            s.brut("1 WIFE ");
            ecrireIndividu(s, femme);
            s.finDeLigne();
        }
        const EntreeCouple* complement =
            famille.complement >= 0 ? &f.couples[static_cast<std::size_t>(famille.complement)]
                                    : nullptr;
        if (famille.seul < 0) {
            while (l < f.liens.size() && f.liens[l].couple < c)
                ++l;
            for (; l < f.liens.size() && f.liens[l].couple == c; ++l) {
                s.brut("1 CHIL ");
                ecrireIndividu(s, f.liens[l].enfant);
                s.finDeLigne();
            }
            if (complement)
                for (const EntreeCouple::Enfant& e : complement->enfants)
                    if (e.filiation != "birth") {
                        s.brut("1 CHIL ");
                        ecrireIndividu(s, e.fiche);
                        s.finDeLigne();
                    }
        }
        // The family's own lines as the source had them, its marriage too
        // while the spouses' records hold it as the import wrote it.
        const MariageDeFiche* dePere = famille.duPere >= 0 ? mariageDe(f, famille.duPere) : nullptr;
        const MariageDeFiche* deMere =
            famille.deLaMere >= 0 ? mariageDe(f, famille.deLaMere) : nullptr;
        if (complement) {
            auto intact = [&](std::int32_t conjoint, const std::string& ecrit,
                              const MariageDeFiche* m) {
                if (conjoint < 0 || ecrit.empty()) return true;
                return m && m->fiche == conjoint &&
                       m->date.texte().toStdString() + '\x1f' + m->lieu.texte().toStdString() ==
                           ecrit;
            };
            if (intact(complement->mari, complement->ecritMari, dePere) &&
                intact(complement->femme, complement->ecritFemme, deMere)) {
                ecrireStocke(s, complement->gedcom);
                ++r.familles;
                continue;
            }
            ecrireStocke(s, sansMariage(complement->gedcom));
        }
        // What the source said of a marriage edited since: its sources, notes…
        const std::string sousMariage =
            complement ? sousLignes(complement->gedcom, "MARR", {"DATE", "PLAC"}) : std::string();
        // The marriage as each spouse's record holds it; two records that
        // disagree are both written, each saying whose it is.
        if (dePere && deMere && !(dePere->memeDate(*deMere) && memeLieu(*dePere, *deMere)) &&
            !(dePere->date.vide() && deMere->date.vide() && memeLieu(*dePere, *deMere))) {
            ++r.mariagesEnDesaccord;
            const TFiche lui = lire(dePere->fiche);
            ecrireMariage(s, *dePere, &lui);
            ecrireStocke(s, sousMariage);
            ecrireMariage(s, *deMere, &lire(deMere->fiche));
        } else if (dePere || deMere) {
            MariageDeFiche m = dePere ? *dePere : *deMere;
            if (dePere && deMere && m.lieu.vide()) m.lieu = deMere->lieu;
            if (dePere && deMere && m.date.vide()) m.date = deMere->date;
            ecrireMariage(s, m, nullptr);
            ecrireStocke(s, sousMariage);
        } else if (!sousMariage.empty()) {
            s.ligne("1 MARR");
            ecrireStocke(s, sousMariage);
        }
        ++r.familles;
    }
    // The file's own sources, notes, pictures… as the source had them.
    if (options.complements)
        options.complements->parcourirEnregistrements([&](const EnregistrementComplement& e) {
            ecrireStocke(s, e.gedcom);
            ++r.enregistrementsCompletes;
        });
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
