// The GEDCOM import: lines read as they come, block by block; only the
// records, and a few bytes a person and a family, stay in memory. Whatever
// cannot be kept as it was is counted and told, person by person.
#include "data/Gedcom.h"

#include "data/Cp1252.h"
#include "data/Dates.h"
#include "data/Erreurs.h"
#include "data/FichiersSurs.h"
#include "data/Parente.h"
#include "data/Translitteration.h"

#include <QFile>
#include <QLocale>
#include <QMap>
#include <QStringDecoder>

#include <functional>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

// ---------------------------------------------------------------- the report

std::int64_t RapportImport::total() const {
    std::int64_t n = 0;
    for (const std::int64_t c : comptes)
        n += c;
    return n;
}

QStringList RapportImport::texte() const {
    if (total() == 0) return {QStringLiteral("Tout a été gardé fidèlement.")};
    static const char* const genres[NombreEcarts] = {
        "Dates gardées moins précises",
        "Dates du calendrier républicain converties",
        "Dates juliennes gardées telles qu'écrites",
        "Dates qui ne tiennent pas dans la fiche",
        "Textes coupés à la largeur du champ",
        "Textes aux caractères remplacés par des lettres latines",
        "Noms secondaires non gardés",
        "Titres, surnoms et suffixes de nom non gardés",
        "Événements et attributs non gardés",
        "Sources non gardées",
        "Notes non gardées",
        "Images et documents non gardés",
        "Mariages non représentables",
        "Familles de plus de dix enfants",
        "Personnes enfants de plusieurs familles",
        "Baptêmes ou inhumations tenant lieu de naissance ou de décès",
        "Boucles dans les familles",
        "Particularités du fichier"};
    const QLocale francais(QLocale::French, QLocale::France);
    QStringList sortie;
    for (int g = 0; g < NombreEcarts; ++g)
        if (const std::int64_t c = comptes[static_cast<std::size_t>(g)])
            sortie << QStringLiteral("  %1 : %2")
                          .arg(QString::fromUtf8(genres[g]),
                               francais.toString(static_cast<qlonglong>(c)));
    sortie << QString() << lignes;
    if (lignesOmises)
        sortie << QStringLiteral("… et %1 autres")
                      .arg(francais.toString(static_cast<qlonglong>(lignesOmises)));
    return sortie;
}

QString designationPersonne(const TFiche& f) {
    const QString nom = nomComplet(f);
    QStringList dates;
    const DateLue naissance = lireDate(f.DateNaissance.texte());
    const DateLue deces = lireDate(f.DateDeces.texte());
    if (naissance.aUneAnnee()) dates << QStringLiteral("° %1").arg(naissance.annee);
    if (deces.aUneAnnee()) dates << QStringLiteral("† %1").arg(deces.annee);
    return dates.isEmpty() ? nom
                           : nom + QStringLiteral(" (") + dates.join(QStringLiteral(", ")) + u')';
}

// ---------------------------------------------------------------- ANSEL

QString decoderAnsel(const QByteArray& octets) {
    static const QMap<unsigned char, char16_t> speciaux = {
        {0xA1, u'Ł'}, {0xA2, u'Ø'}, {0xA3, u'Đ'}, {0xA4, u'Þ'}, {0xA5, u'Æ'}, {0xA6, u'Œ'},
        {0xA7, u'ʹ'}, {0xA8, u'·'}, {0xA9, u'♭'}, {0xAA, u'®'}, {0xAB, u'±'}, {0xAE, u'ʼ'},
        {0xB0, u'ʻ'}, {0xB1, u'ł'}, {0xB2, u'ø'}, {0xB3, u'đ'}, {0xB4, u'þ'}, {0xB5, u'æ'},
        {0xB6, u'œ'}, {0xB7, u'ʺ'}, {0xB8, u'ı'}, {0xB9, u'£'}, {0xBA, u'ð'}, {0xC0, u'°'},
        {0xC1, u'ℓ'}, {0xC2, u'℗'}, {0xC3, u'©'}, {0xC4, u'♯'}, {0xC5, u'¿'}, {0xC6, u'¡'},
        {0xCF, u'ß'}};
    static const QMap<unsigned char, char16_t> diacritiques = {
        {0xE0, 0x0309}, {0xE1, 0x0300}, {0xE2, 0x0301}, {0xE3, 0x0302}, {0xE4, 0x0303},
        {0xE5, 0x0304}, {0xE6, 0x0306}, {0xE7, 0x0307}, {0xE8, 0x0308}, {0xE9, 0x030C},
        {0xEA, 0x030A}, {0xEB, 0x0361}, {0xEC, 0x0360}, {0xED, 0x0315}, {0xEE, 0x030B},
        {0xEF, 0x0310}, {0xF0, 0x0327}, {0xF1, 0x0328}, {0xF2, 0x0323}, {0xF3, 0x0324},
        {0xF4, 0x0325}, {0xF5, 0x0333}, {0xF6, 0x0332}, {0xF7, 0x0326}, {0xF8, 0x031C},
        {0xF9, 0x032E}, {0xFA, 0x0360}, {0xFB, 0x0361}, {0xFE, 0x0313}};
    QString texte;
    QString enAttente; // ANSEL puts the marks before the letter they go on
    for (const char c : octets) {
        const auto o = static_cast<unsigned char>(c);
        if (diacritiques.contains(o)) {
            enAttente += QChar(diacritiques.value(o));
            continue;
        }
        texte += o < 0x80 ? QChar(o) : QChar(speciaux.value(o, u'?'));
        texte += enAttente;
        enAttente.clear();
    }
    return (texte + enAttente).normalized(QString::NormalizationForm_C);
}

namespace {

// ---------------------------------------------------------------- lines

enum class Codage { Utf8, Utf16LE, Utf16BE, Ansel, Cp1252 };

struct Ligne {
    int niveau = 0;
    std::string_view reference; // "@I1@", or empty
    std::string_view etiquette;
    std::string_view valeur;
};

// A tag as one number, its letters packed: comparisons are then single
// instructions. Tags longer than eight letters have no code.
constexpr std::uint64_t code(std::string_view etiquette) {
    if (etiquette.size() > 8) return 0;
    std::uint64_t c = 0;
    for (const char lettre : etiquette)
        c = c << 8 | static_cast<std::uint8_t>(lettre);
    return c;
}

bool blanc(char c) {
    return c == ' ' || c == '\t';
}

// "level [@xref@] TAG [value]"; false for a line that is none.
bool decouper(std::string_view l, Ligne& sortie) {
    std::size_t i = 0;
    while (i < l.size() && blanc(l[i]))
        ++i;
    if (i == l.size() || l[i] < '0' || l[i] > '9') return false;
    int niveau = 0;
    while (i < l.size() && l[i] >= '0' && l[i] <= '9') {
        niveau = niveau * 10 + (l[i] - '0');
        if (niveau > 99) return false;
        ++i;
    }
    if (i == l.size() || !blanc(l[i])) return false;
    while (i < l.size() && blanc(l[i]))
        ++i;
    sortie = {};
    sortie.niveau = niveau;
    if (i < l.size() && l[i] == '@') {
        const std::size_t fin = l.find('@', i + 1);
        if (fin == std::string_view::npos) return false;
        sortie.reference = l.substr(i, fin - i + 1);
        i = fin + 1;
        while (i < l.size() && blanc(l[i]))
            ++i;
    }
    const std::size_t debut = i;
    while (i < l.size() && !blanc(l[i]))
        ++i;
    if (i == debut) return false;
    sortie.etiquette = l.substr(debut, i - debut);
    if (i < l.size()) sortie.valeur = l.substr(i + 1); // one delimiter blank, the rest is value
    return true;
}

std::string_view sansBlancs(std::string_view v) {
    while (!v.empty() && blanc(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && (blanc(v.back()) || v.back() == '\r'))
        v.remove_suffix(1);
    return v;
}

// Cuts a stream of bytes into lines at CR, LF or CR LF, across blocks.
class Decoupeur {
public:
    template <typename F> void ajouter(std::string_view bloc, F&& ligne) {
        std::size_t debut = 0;
        for (std::size_t i = 0; i < bloc.size(); ++i) {
            const char c = bloc[i];
            if (c != '\n' && c != '\r') continue;
            if (m_reste.empty()) {
                ligne(bloc.substr(debut, i - debut));
            } else {
                m_reste.append(bloc.data() + debut, i - debut);
                ligne(std::string_view(m_reste));
                m_reste.clear();
            }
            debut = i + 1;
        }
        m_reste.append(bloc.data() + debut, bloc.size() - debut);
    }
    template <typename F> void terminer(F&& ligne) {
        if (!m_reste.empty()) ligne(std::string_view(m_reste));
        m_reste.clear();
    }

private:
    std::string m_reste;
};

// ---------------------------------------------------------------- identifiers

// Cross-reference identifiers to numbers. "@I0123@" is packed into one
// 64-bit key (letters, number of digits, value); other forms keep their text.
class Identifiants {
public:
    std::int32_t numero(std::string_view ref) {
        const auto cle = cleCompacte(ref);
        const auto suivant = static_cast<std::int32_t>(m_compactes.size() + m_autres.size());
        if (cle) return m_compactes.try_emplace(*cle, suivant).first->second;
        return m_autres.try_emplace(std::string(ref), suivant).first->second;
    }
    std::int32_t nombre() const {
        return static_cast<std::int32_t>(m_compactes.size() + m_autres.size());
    }

private:
    static std::optional<std::uint64_t> cleCompacte(std::string_view r) {
        if (r.size() < 3 || r.front() != '@' || r.back() != '@') return std::nullopt;
        r = r.substr(1, r.size() - 2);
        std::size_t lettres = 0;
        while (lettres < r.size() && !(r[lettres] >= '0' && r[lettres] <= '9'))
            ++lettres;
        const std::size_t chiffres = r.size() - lettres;
        if (lettres > 3 || chiffres == 0 || chiffres > 10) return std::nullopt;
        std::uint64_t valeur = 0;
        for (std::size_t i = lettres; i < r.size(); ++i) {
            if (r[i] < '0' || r[i] > '9') return std::nullopt;
            valeur = valeur * 10 + static_cast<std::uint64_t>(r[i] - '0');
        }
        std::uint64_t prefixe = 0;
        for (std::size_t i = 0; i < lettres; ++i)
            prefixe = prefixe << 8 | static_cast<std::uint8_t>(r[i]);
        return prefixe << 40 | static_cast<std::uint64_t>(chiffres) << 36 | valeur;
    }
    std::unordered_map<std::uint64_t, std::int32_t> m_compactes;
    std::unordered_map<std::string, std::int32_t> m_autres;
};

// ---------------------------------------------------------------- the reader

struct NomLu {
    QString valeur, prenom, nom, type;
    QStringList complements; // suffix, title, nickname
};

struct Evenement {
    QString date, lieu;
    bool present = false;
};

// What the reader keeps of a person until the end of its record.
struct PersonneEnCours {
    std::vector<NomLu> noms;
    QString sexe, profession, photo;
    Evenement naissance, deces, bapteme, inhumation;
    std::string objet;      // a picture record the person points to
    QStringList evenements; // not kept
    int sources = 0, notes = 0, medias = 0, professions = 0;
};

// What stays of a person until the links are made.
struct PersonneLiee {
    std::int32_t premiereFamc = -1;
    std::uint16_t nombreFamc = 0;
    bool conjoint = false;
    std::int32_t objet = -1; // a picture record, when the portrait is one
};

struct Famille {
    std::int32_t mari = -1, femme = -1; // person identifiers
    std::vector<std::int32_t> enfants;
    QString date, lieu;
    QStringList evenements; // not kept
    int sources = 0, notes = 0, medias = 0;
};

QString nomEvenement(std::string_view etiquette) {
    static const std::unordered_map<std::string_view, const char*> noms = {
        {"BURI", "inhumation"},
        {"CREM", "crémation"},
        {"CHR", "baptême"},
        {"BAPM", "baptême"},
        {"RESI", "résidence"},
        {"EVEN", "événement"},
        {"CENS", "recensement"},
        {"EMIG", "émigration"},
        {"IMMI", "immigration"},
        {"NATU", "naturalisation"},
        {"EDUC", "études"},
        {"GRAD", "diplôme"},
        {"RELI", "religion"},
        {"RETI", "retraite"},
        {"PROB", "homologation"},
        {"WILL", "testament"},
        {"ADOP", "adoption"},
        {"CONF", "confirmation"},
        {"FCOM", "première communion"},
        {"ORDN", "ordination"},
        {"BARM", "bar-mitsva"},
        {"BASM", "bat-mitsva"},
        {"BLES", "bénédiction"},
        {"DSCR", "description"},
        {"IDNO", "numéro d'identité"},
        {"NATI", "nationalité"},
        {"NCHI", "nombre d'enfants"},
        {"NMR", "nombre de mariages"},
        {"PROP", "propriété"},
        {"SSN", "numéro de sécurité sociale"},
        {"CAST", "caste"},
        {"ASSO", "relation"},
        {"TITL", "titre"},
        {"DIV", "divorce"},
        {"DIVF", "demande de divorce"},
        {"ENGA", "fiançailles"},
        {"MARB", "bans"},
        {"MARC", "contrat de mariage"},
        {"MARL", "licence de mariage"},
        {"MARS", "accord de mariage"},
        {"ANUL", "annulation"},
        {"BIRT", "seconde naissance"},
        {"DEAT", "second décès"},
        {"MARR", "second mariage"},
        {"SLGS", "scellement"},
        {"SLGC", "scellement"},
        {"BAPL", "baptême LDS"},
        {"ENDL", "dotation LDS"},
        {"OCCU", "autre profession"},
        {"FACT", "fait"},
        {"ALIA", "alias"}};
    const auto i = noms.find(etiquette);
    return i == noms.end()
               ? QString::fromLatin1(etiquette.data(), static_cast<qsizetype>(etiquette.size()))
               : QString::fromUtf8(i->second);
}

// Tags that hold nothing the user entered: no loss when they go.
bool administratif(std::uint64_t c) {
    return c == code("CHAN") || c == code("RIN") || c == code("_UID") || c == code("UID") ||
           c == code("REFN") || c == code("RFN") || c == code("AFN") || c == code("SUBM") ||
           c == code("ANCI") || c == code("DESI") || c == code("RESN");
}

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

class Lecteur {
public:
    Lecteur(Codage codage, std::int32_t decalage) : m_codage(codage), m_decalage(decalage) {}

    // Continuation lines belong to the value of the line above them.
    void ligne(std::string_view brute) {
        Ligne l;
        if (!decouper(brute, l)) {
            if (!sansBlancs(brute).empty()) ++m_lignesIllisibles;
            return;
        }
        if (l.etiquette == "CONC" || l.etiquette == "CONT") {
            if (m_enAttente) {
                if (l.etiquette == "CONT") m_valeur += ' ';
                m_valeur.append(l.valeur.data(), l.valeur.size());
            }
            return;
        }
        traiterEnAttente();
        m_enAttente = true;
        m_ligne = l;
        m_reference.assign(l.reference.data(), l.reference.size());
        m_etiquette.assign(l.etiquette.data(), l.etiquette.size());
        m_valeur.assign(l.valeur.data(), l.valeur.size());
    }

    ResultatImport terminer();
    RapportImport& rapport() { return m_r.rapport; }

private:
    void traiterEnAttente() {
        if (!m_enAttente) return;
        m_enAttente = false;
        Ligne l = m_ligne;
        l.reference = m_reference;
        l.etiquette = m_etiquette;
        l.valeur = m_valeur;
        traiter(l);
    }
    void traiter(const Ligne& l);
    void traiterIndividu(const Ligne& l);
    void traiterFamille(const Ligne& l);
    void terminerEnregistrement();
    void terminerIndividu();
    void completerIndividu();
    QString valeur(std::string_view v);
    QString valeurNettoyee(std::string_view v) { return valeur(sansBlancs(v)); }

    void ecart(Ecart genre, std::int32_t numero, const QString& detail);
    void ecart(Ecart genre, const QString& ligne);
    void texte(std::int32_t numero, auto& champ, const QString& valeur, const char* quoi);
    void date(std::int32_t numero, ChampTexte<10>& champ, const QString& valeur, const char* quoi);

    Codage m_codage;
    std::int32_t m_decalage;
    ResultatImport m_r;
    Identifiants m_personnes, m_familles;
    std::vector<std::int32_t> m_numeroDe; // person identifier to record number, -1 while unseen
    std::vector<PersonneLiee> m_liees;    // by record number
    std::vector<Famille> m_famillesLues;  // by family identifier
    std::vector<std::int32_t> m_ordreFamilles;
    std::int64_t m_lignesIllisibles = 0;
    std::array<std::int64_t, 4> m_enregistrementsIgnores{}; // sources, notes, media, others
    bool m_utf8Faux = false;

    bool m_enAttente = false;
    Ligne m_ligne;
    std::string m_reference, m_etiquette, m_valeur;

    enum class Dans { Rien, Individu, Famille, Objet, Autre } m_dans = Dans::Rien;
    Identifiants m_objets;
    std::vector<QString> m_fichiersObjets; // by picture record identifier
    std::int32_t m_objet = -1;
    int m_niveau1Marr = 0; // marriages met in the family being read
    struct Differe {
        Ecart genre;
        std::int32_t numero;
        QString detail;
    };
    std::vector<Differe> m_differes;
    bool m_differer = false;
    PersonneEnCours m_p;
    std::int32_t m_numero = -1;  // record number of the person being read
    std::int32_t m_famille = -1; // identifier of the family being read
    std::uint64_t m_niveau1 = 0; // the tag the deeper lines belong to
};

QString Lecteur::valeur(std::string_view v) {
    const QByteArray octets = QByteArray::fromRawData(v.data(), static_cast<qsizetype>(v.size()));
    switch (m_codage) {
    case Codage::Ansel:
        return decoderAnsel(octets);
    case Codage::Cp1252:
        return cp1252::decoder(octets);
    default:
        break;
    }
    if (std::all_of(v.begin(), v.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(octets);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString t = utf8(octets);
    if (!utf8.hasError()) return t;
    m_utf8Faux = true;
    return cp1252::decoder(octets);
}

void Lecteur::ecart(Ecart genre, const QString& ligne) {
    ++m_r.rapport.comptes[static_cast<std::size_t>(genre)];
    if (m_r.rapport.lignes.size() < LignesRapportMaximum)
        m_r.rapport.lignes << ligne;
    else
        ++m_r.rapport.lignesOmises;
}

void Lecteur::ecart(Ecart genre, std::int32_t numero, const QString& detail) {
    // While a record is being completed, its lines wait for its names and dates.
    if (m_differer) {
        m_differes.push_back({genre, numero, detail});
        return;
    }
    ++m_r.rapport.comptes[static_cast<std::size_t>(genre)];
    if (m_r.rapport.lignes.size() < LignesRapportMaximum)
        m_r.rapport.lignes << designationPersonne(m_r.fiches[static_cast<std::size_t>(numero)]) +
                                  QStringLiteral(" : ") + detail;
    else
        ++m_r.rapport.lignesOmises;
}

void Lecteur::texte(std::int32_t numero, auto& champ, const QString& valeur, const char* quoi) {
    const QString stocke = versCp1252(valeur);
    champ.definir(stocke);
    if (stocke != valeur)
        ecart(Ecart::Translitteration, numero,
              QStringLiteral("%1 « %2 » est écrit « %3 »")
                  .arg(QString::fromUtf8(quoi), valeur, champ.texte()));
    else if (valeur.size() > champ.largeur)
        ecart(Ecart::TexteCoupe, numero,
              QStringLiteral("%1 « %2 » est coupé à %3 caractères")
                  .arg(QString::fromUtf8(quoi), valeur)
                  .arg(champ.largeur));
}

void Lecteur::date(std::int32_t numero, ChampTexte<10>& champ, const QString& valeur,
                   const char* quoi) {
    const DateImportee d = dateDepuisGedcom(valeur);
    champ.definir(d.fiche);
    const QString q = QString::fromUtf8(quoi);
    switch (d.ecart) {
    case DateImportee::Ecart::Aucun:
        return;
    case DateImportee::Ecart::Precision:
        ecart(Ecart::DatePrecision, numero,
              QStringLiteral("%1 « %2 » devient « %3 »").arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Calendrier:
        ecart(Ecart::DateCalendrier, numero,
              QStringLiteral("%1 du calendrier républicain « %2 » devient « %3 »")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Julien:
        ecart(Ecart::DateJulienne, numero,
              QStringLiteral("%1 du calendrier julien « %2 » est gardée telle qu'écrite : « %3 »")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::NonGardee:
        ecart(Ecart::DateNonGardee, numero,
              QStringLiteral("%1 « %2 » ne tient pas dans la fiche : « %3 »")
                  .arg(q, valeur, d.fiche));
        return;
    }
}

void Lecteur::traiter(const Ligne& l) {
    const std::uint64_t c = code(l.etiquette);
    if (l.niveau == 0) {
        terminerEnregistrement();
        m_niveau1 = 0;
        if (c == code("INDI")) {
            m_dans = Dans::Individu;
            m_numero = static_cast<std::int32_t>(m_r.fiches.size());
            const std::int32_t id = m_personnes.numero(l.reference);
            if (static_cast<std::size_t>(id) >= m_numeroDe.size())
                m_numeroDe.resize(static_cast<std::size_t>(id) + 1, -1);
            m_numeroDe[static_cast<std::size_t>(id)] = m_numero;
            m_r.fiches.emplace_back();
            ViderFiche(m_r.fiches.back());
            m_liees.emplace_back();
            m_p = {};
        } else if (c == code("FAM")) {
            m_dans = Dans::Famille;
            m_famille = m_familles.numero(l.reference);
            if (static_cast<std::size_t>(m_famille) >= m_famillesLues.size())
                m_famillesLues.resize(static_cast<std::size_t>(m_famille) + 1);
            m_ordreFamilles.push_back(m_famille);
        } else if (c == code("OBJE")) {
            m_dans = Dans::Objet;
            m_objet = m_objets.numero(l.reference);
            if (static_cast<std::size_t>(m_objet) >= m_fichiersObjets.size())
                m_fichiersObjets.resize(static_cast<std::size_t>(m_objet) + 1);
        } else {
            m_dans = Dans::Autre;
            if (c == code("SOUR"))
                ++m_enregistrementsIgnores[0];
            else if (c == code("NOTE"))
                ++m_enregistrementsIgnores[1];
            else if (c == code("REPO"))
                ++m_enregistrementsIgnores[3];
        }
        return;
    }
    if (m_dans == Dans::Objet && c == code("FILE") &&
        m_fichiersObjets[static_cast<std::size_t>(m_objet)].isEmpty())
        m_fichiersObjets[static_cast<std::size_t>(m_objet)] = valeurNettoyee(l.valeur);
    if (l.niveau == 1) m_niveau1 = c;
    if (m_dans == Dans::Individu) traiterIndividu(l);
    if (m_dans == Dans::Famille) traiterFamille(l);
}

void Lecteur::traiterIndividu(const Ligne& l) {
    PersonneEnCours& p = m_p;
    const std::string_view e = l.etiquette;
    const std::uint64_t c = code(e);
    // Sources, notes and pictures anywhere in the record.
    if (c == code("SOUR")) {
        if (l.niveau == 1 || m_niveau1 != code("OBJE")) ++p.sources;
        return;
    }
    if (c == code("NOTE")) {
        ++p.notes;
        return;
    }
    if (c == code("OBJE") && l.niveau > 1) {
        ++p.medias;
        return;
    }
    if (l.niveau == 1) {
        if (c == code("NAME")) {
            p.noms.push_back({valeurNettoyee(l.valeur), {}, {}, {}, {}});
        } else if (c == code("SEX")) {
            p.sexe = valeurNettoyee(l.valeur).toUpper();
        } else if (c == code("OCCU")) {
            if (p.professions++ == 0)
                p.profession = valeurNettoyee(l.valeur);
            else
                p.evenements << nomEvenement(e) + QStringLiteral(" « ") + valeurNettoyee(l.valeur) +
                                    u'»';
        } else if (c == code("FAMC")) {
            PersonneLiee& liee = m_liees.back();
            if (liee.nombreFamc++ == 0) liee.premiereFamc = m_familles.numero(sansBlancs(l.valeur));
        } else if (c == code("FAMS")) {
            m_liees.back().conjoint = true;
        } else if (c == code("OBJE")) {
            // A pointer to a picture record; an embedded one has its FILE below.
            const std::string_view v = sansBlancs(l.valeur);
            if (!v.empty() && v.front() == '@') {
                if (p.photo.isEmpty() && p.objet.empty())
                    p.objet.assign(v.data(), v.size());
                else
                    ++p.medias;
            }
        } else if (c == code("BIRT") || c == code("DEAT") || c == code("CHR") ||
                   c == code("BAPM") || c == code("BURI") || c == code("CREM")) {
            Evenement& ev = c == code("BIRT")                         ? p.naissance
                            : c == code("DEAT")                       ? p.deces
                            : (c == code("CHR") || c == code("BAPM")) ? p.bapteme
                                                                      : p.inhumation;
            if (ev.present) p.evenements << nomEvenement(e);
            ev.present = true;
        } else if (!administratif(c)) {
            QString nom = nomEvenement(e);
            if (c == code("EVEN") || c == code("FACT")) {
                const QString v = valeurNettoyee(l.valeur);
                if (!v.isEmpty()) nom += QStringLiteral(" « ") + v.left(40) + QStringLiteral(" »");
            }
            p.evenements << nom;
        }
        return;
    }
    if (l.niveau != 2) return;
    if (m_niveau1 == code("NAME") && !p.noms.empty()) {
        NomLu& n = p.noms.back();
        if (c == code("GIVN"))
            n.prenom = valeurNettoyee(l.valeur);
        else if (c == code("SURN"))
            n.nom = valeurNettoyee(l.valeur);
        else if (c == code("TYPE"))
            n.type = valeurNettoyee(l.valeur).toLower();
        else if (c == code("NPFX") || c == code("NSFX") || c == code("NICK"))
            n.complements << valeurNettoyee(l.valeur);
        return;
    }
    if (m_niveau1 == code("OBJE") && c == code("FILE")) {
        if (p.photo.isEmpty() && p.objet.empty())
            p.photo = valeurNettoyee(l.valeur);
        else
            ++p.medias;
        return;
    }
    Evenement* ev = m_niveau1 == code("BIRT")                                  ? &p.naissance
                    : m_niveau1 == code("DEAT")                                ? &p.deces
                    : (m_niveau1 == code("CHR") || m_niveau1 == code("BAPM"))  ? &p.bapteme
                    : (m_niveau1 == code("BURI") || m_niveau1 == code("CREM")) ? &p.inhumation
                                                                               : nullptr;
    if (!ev) return;
    if (c == code("DATE") && ev->date.isEmpty()) ev->date = valeurNettoyee(l.valeur);
    if (c == code("PLAC") && ev->lieu.isEmpty()) ev->lieu = valeurNettoyee(l.valeur);
}

void Lecteur::traiterFamille(const Ligne& l) {
    Famille& f = m_famillesLues[static_cast<std::size_t>(m_famille)];
    const std::string_view e = l.etiquette;
    const std::uint64_t c = code(e);
    if (c == code("SOUR")) {
        ++f.sources;
        return;
    }
    if (c == code("NOTE")) {
        ++f.notes;
        return;
    }
    if (c == code("OBJE")) {
        ++f.medias;
        return;
    }
    if (l.niveau == 1) {
        const std::string_view v = sansBlancs(l.valeur);
        if (c == code("HUSB"))
            f.mari = m_personnes.numero(v);
        else if (c == code("WIFE"))
            f.femme = m_personnes.numero(v);
        else if (c == code("CHIL"))
            f.enfants.push_back(m_personnes.numero(v));
        else if (c == code("MARR")) {
            if (m_niveau1Marr++ > 0) f.evenements << nomEvenement(e);
        } else if (!administratif(c) && c != code("NCHI"))
            f.evenements << nomEvenement(e);
        return;
    }
    if (l.niveau == 2 && m_niveau1 == code("MARR") && m_niveau1Marr == 1) {
        if (c == code("DATE") && f.date.isEmpty()) f.date = valeurNettoyee(l.valeur);
        if (c == code("PLAC") && f.lieu.isEmpty()) f.lieu = valeurNettoyee(l.valeur);
    }
}

void Lecteur::terminerEnregistrement() {
    if (m_dans == Dans::Individu) terminerIndividu();
    m_niveau1Marr = 0;
    m_dans = Dans::Rien;
}

// The main name is the first that is not an alias or a married name.
const NomLu* nomPrincipal(const std::vector<NomLu>& noms) {
    for (const NomLu& n : noms)
        if (n.type.isEmpty() || n.type == u"birth" || n.type == u"naissance") return &n;
    return noms.empty() ? nullptr : &noms.front();
}

void Lecteur::terminerIndividu() {
    m_differer = true;
    completerIndividu();
    m_differer = false;
    for (const Differe& d : m_differes)
        ecart(d.genre, d.numero, d.detail);
    m_differes.clear();
    m_p = {};
}

void Lecteur::completerIndividu() {
    PersonneEnCours& p = m_p;
    TFiche& f = m_r.fiches[static_cast<std::size_t>(m_numero)];
    const std::int32_t n = m_numero;
    // The name first: every line of the report names the person.
    const NomLu* principal = nomPrincipal(p.noms);
    QString suffixe;
    if (principal) {
        // "Given names /Surname/ suffix".
        const QString& v = principal->valeur;
        const auto barre = v.indexOf(u'/');
        const auto seconde = barre < 0 ? -1 : v.indexOf(u'/', barre + 1);
        QString prenom = barre < 0 ? v : v.left(barre).trimmed();
        QString nom = barre < 0
                          ? QString()
                          : v.mid(barre + 1, seconde < 0 ? -1 : seconde - barre - 1).trimmed();
        suffixe = seconde < 0 ? QString() : v.mid(seconde + 1).trimmed();
        if (nom.isEmpty()) nom = principal->nom;
        if (prenom.isEmpty()) prenom = principal->prenom;
        texte(n, f.Nom, nom, "le nom");
        texte(n, f.Prenom, prenom, "le prénom");
    }
    f.Qualite = p.sexe == u"M" ? 0 : p.sexe == u"F" ? (m_liees.back().conjoint ? 1 : 2) : 255;
    if (principal) {
        QStringList complements;
        for (const QString& c : principal->complements) {
            bool titre = false;
            for (std::uint8_t q = 0; q <= 2; ++q)
                if (c.compare(motQualite(q), Qt::CaseInsensitive) == 0) {
                    f.Qualite = q;
                    titre = true;
                }
            if (!titre && c != suffixe) complements << c;
        }
        if (!suffixe.isEmpty()) complements.prepend(suffixe);
        if (!complements.isEmpty())
            ecart(Ecart::NomComplement, n,
                  QStringLiteral("« %1 » n'est pas gardé avec le nom")
                      .arg(complements.join(QStringLiteral(" », « "))));
        for (const NomLu& autre : p.noms)
            if (&autre != principal)
                ecart(Ecart::NomAlternatif, n,
                      QStringLiteral("le nom secondaire « %1 » n'est pas gardé")
                          .arg(QString(autre.valeur).remove(u'/').simplified()));
    }
    texte(n, f.Profession, p.profession, "la profession");
    // A baptism or a burial stands in for a birth or a death that has nothing.
    struct Noms {
        const char* evenement;
        const char* date;
        const char* lieu;
    };
    auto evenement = [&](Evenement& principalEv, const Evenement& substitut, const Noms& quoi,
                         const Noms& parQuoi, ChampTexte<10>& champDate,
                         ChampTexte<30>& champLieu) {
        const bool vide = principalEv.date.isEmpty() && principalEv.lieu.isEmpty();
        const bool remplace = vide && (!substitut.date.isEmpty() || !substitut.lieu.isEmpty());
        const Evenement& ev = remplace ? substitut : principalEv;
        const Noms& noms = remplace ? parQuoi : quoi;
        date(n, champDate, ev.date, noms.date);
        texte(n, champLieu, ev.lieu, noms.lieu);
        if (remplace)
            ecart(
                Ecart::Substitut, n,
                QStringLiteral("%1 tient lieu de %2")
                    .arg(QString::fromUtf8(parQuoi.evenement), QString::fromUtf8(quoi.evenement)));
        return remplace;
    };
    const bool bapteme = evenement(p.naissance, p.bapteme,
                                   {"naissance", "la date de naissance", "le lieu de naissance"},
                                   {"le baptême", "la date de baptême", "le lieu de baptême"},
                                   f.DateNaissance, f.LieuNaissance);
    const bool inhumation = evenement(
        p.deces, p.inhumation, {"décès", "la date de décès", "le lieu de décès"},
        {"l'inhumation", "la date d'inhumation", "le lieu d'inhumation"}, f.DateDeces, f.LieuDeces);
    if (p.bapteme.present && !bapteme) p.evenements << QStringLiteral("baptême");
    if (p.inhumation.present && !inhumation) p.evenements << QStringLiteral("inhumation");
    if (!p.photo.isEmpty()) texte(n, f.Photo, p.photo, "le chemin du portrait");
    if (!p.objet.empty()) m_liees.back().objet = m_objets.numero(p.objet);
    if (!p.evenements.isEmpty())
        ecart(Ecart::Evenement, n,
              QStringLiteral("non gardé : ") + p.evenements.join(QStringLiteral(", ")));
    if (p.sources)
        ecart(Ecart::Source, n, QStringLiteral("%1 source(s) non gardée(s)").arg(p.sources));
    if (p.notes) ecart(Ecart::Note, n, QStringLiteral("%1 note(s) non gardée(s)").arg(p.notes));
    if (p.medias)
        ecart(Ecart::Media, n,
              QStringLiteral("%1 image(s) ou document(s) non gardé(s)").arg(p.medias));
}

ResultatImport Lecteur::terminer() {
    traiterEnAttente();
    terminerEnregistrement();
    const auto nombre = static_cast<std::int32_t>(m_r.fiches.size());
    auto numeroDe = [&](std::int32_t id) {
        return id >= 0 && static_cast<std::size_t>(id) < m_numeroDe.size()
                   ? m_numeroDe[static_cast<std::size_t>(id)]
                   : -1;
    };
    // Portraits given as picture records, which may come after the persons.
    std::vector<std::uint8_t> objetUtilise(m_fichiersObjets.size(), 0);
    for (std::int32_t n = 0; n < nombre; ++n) {
        const std::int32_t objet = m_liees[static_cast<std::size_t>(n)].objet;
        if (objet < 0 || static_cast<std::size_t>(objet) >= m_fichiersObjets.size()) continue;
        objetUtilise[static_cast<std::size_t>(objet)] = 1;
        const QString& chemin = m_fichiersObjets[static_cast<std::size_t>(objet)];
        if (!chemin.isEmpty())
            texte(n, m_r.fiches[static_cast<std::size_t>(n)].Photo, chemin,
                  "le chemin du portrait");
    }
    m_enregistrementsIgnores[2] = std::count(objetUtilise.begin(), objetUtilise.end(), 0);
    // The links, family by family, in the order of the file.
    for (const std::int32_t id : m_ordreFamilles) {
        Famille& fam = m_famillesLues[static_cast<std::size_t>(id)];
        const std::int32_t mari = numeroDe(fam.mari), femme = numeroDe(fam.femme);
        // What the family held beyond its links is told once, with one of the spouses.
        if (const std::int32_t temoin = mari >= 0 ? mari : femme; temoin >= 0) {
            if (!fam.evenements.isEmpty())
                ecart(Ecart::Evenement, temoin,
                      QStringLiteral("non gardé (famille) : ") +
                          fam.evenements.join(QStringLiteral(", ")));
            if (fam.sources)
                ecart(Ecart::Source, temoin,
                      QStringLiteral("%1 source(s) de la famille non gardée(s)").arg(fam.sources));
            if (fam.notes)
                ecart(Ecart::Note, temoin,
                      QStringLiteral("%1 note(s) de la famille non gardée(s)").arg(fam.notes));
            if (fam.medias)
                ecart(Ecart::Media, temoin,
                      QStringLiteral("%1 image(s) de la famille non gardée(s)").arg(fam.medias));
        }
        if (mari >= 0 && femme >= 0 && fam.enfants.empty() && fam.date.isEmpty())
            ecart(
                Ecart::Mariage, mari,
                QStringLiteral(
                    "le couple avec %1, sans enfant ni date de mariage, ne peut pas être retrouvé")
                    .arg(designationPersonne(m_r.fiches[static_cast<std::size_t>(femme)])));
        if (!fam.date.isEmpty() || !fam.lieu.isEmpty()) {
            for (std::int32_t conjoint : {mari, femme}) {
                if (conjoint < 0) continue;
                TFiche& f = m_r.fiches[static_cast<std::size_t>(conjoint)];
                if (!f.DateMariage.vide() || !f.LieuMariage.vide()) {
                    QStringList quand;
                    for (const QString& partie : {fam.date, fam.lieu})
                        if (!partie.isEmpty()) quand << partie;
                    ecart(Ecart::Mariage, conjoint,
                          QStringLiteral(
                              "un autre mariage (%1) n'est pas gardé : la fiche n'en tient qu'un")
                              .arg(quand.join(QStringLiteral(", "))));
                    continue;
                }
                date(conjoint, f.DateMariage, fam.date, "la date de mariage");
                texte(conjoint, f.LieuMariage, fam.lieu, "le lieu de mariage");
            }
        }
        bool signalee = false;
        for (const std::int32_t idEnfant : fam.enfants) {
            const std::int32_t enfant = numeroDe(idEnfant);
            if (enfant < 0) continue;
            const PersonneLiee& liee = m_liees[static_cast<std::size_t>(enfant)];
            if (liee.nombreFamc == 0 || liee.premiereFamc == id) {
                m_r.fiches[static_cast<std::size_t>(enfant)].Pere =
                    mari < 0 ? -1 : mari + m_decalage;
                m_r.fiches[static_cast<std::size_t>(enfant)].Mere =
                    femme < 0 ? -1 : femme + m_decalage;
            }
            for (std::int32_t parent : {mari, femme}) {
                if (parent < 0) continue;
                TFiche& p = m_r.fiches[static_cast<std::size_t>(parent)];
                if (p.NbEnfants >= NbEmplacementsEnfants) {
                    if (!signalee)
                        ecart(Ecart::PlusDeDixEnfants, parent,
                              QStringLiteral("la famille compte %1 enfants : seuls dix sont "
                                             "inscrits chez les parents")
                                  .arg(fam.enfants.size()));
                    signalee = true;
                    continue;
                }
                p.Enfants[p.NbEnfants] = enfant + m_decalage;
                ++p.NbEnfants;
            }
        }
        fam = {};
    }
    for (std::int32_t n = 0; n < nombre; ++n)
        if (m_liees[static_cast<std::size_t>(n)].nombreFamc > 1)
            ecart(Ecart::PlusieursFamilles, n,
                  QStringLiteral("enfant de %1 familles : seule la première est gardée")
                      .arg(m_liees[static_cast<std::size_t>(n)].nombreFamc));
    briserBoucles(m_r.fiches, m_decalage,
                  [&](std::int32_t n, const QString& detail) { ecart(Ecart::Boucle, n, detail); });
    static const char* const quoi[] = {"source(s)", "note(s)", "image(s) ou document(s)",
                                       "dépôt(s) d'archives"};
    static const Ecart genres[] = {Ecart::Source, Ecart::Note, Ecart::Media, Ecart::Source};
    for (int i = 0; i < 4; ++i)
        if (m_enregistrementsIgnores[static_cast<std::size_t>(i)])
            ecart(genres[i], QStringLiteral("Le fichier : %1 %2 non gardé(e)s")
                                 .arg(m_enregistrementsIgnores[static_cast<std::size_t>(i)])
                                 .arg(QString::fromUtf8(quoi[i])));
    if (m_codage == Codage::Ansel)
        ecart(Ecart::Lecture,
              QStringLiteral("Le fichier est écrit en ANSEL : ses accents ont été convertis."));
    if (m_utf8Faux)
        ecart(Ecart::Lecture, QStringLiteral("Le fichier annonce l'UTF-8 sans en être partout : "
                                             "ces textes ont été lus en Windows-1252."));
    if (m_lignesIllisibles)
        ecart(Ecart::Lecture,
              QStringLiteral("%1 ligne(s) qui ne suivent pas la forme GEDCOM ont été ignorées.")
                  .arg(m_lignesIllisibles));
    return std::move(m_r);
}

// ---------------------------------------------------------------- character sets

Codage codageDe(const QByteArray& tete) {
    if (tete.startsWith("\xFF\xFE") || (tete.size() > 1 && tete[0] != 0 && tete[1] == 0))
        return Codage::Utf16LE;
    if (tete.startsWith("\xFE\xFF") || (tete.size() > 1 && tete[0] == 0)) return Codage::Utf16BE;
    if (tete.startsWith("\xEF\xBB\xBF")) return Codage::Utf8;
    // The header's character set.
    Decoupeur decoupeur;
    QByteArray jeu;
    decoupeur.ajouter(std::string_view(tete.constData(), static_cast<std::size_t>(tete.size())),
                      [&](std::string_view brute) {
                          Ligne l;
                          if (jeu.isEmpty() && decouper(brute, l) && l.niveau == 1 &&
                              l.etiquette == "CHAR")
                              jeu = QByteArray(sansBlancs(l.valeur).data(),
                                               static_cast<qsizetype>(sansBlancs(l.valeur).size()))
                                        .toUpper();
                      });
    if (jeu == "ANSEL") return Codage::Ansel;
    if (jeu == "ANSI" || jeu == "WINDOWS" || jeu == "IBMPC" || jeu == "ASCII" || jeu == "CP1252" ||
        jeu == "WINDOWS-1252")
        return Codage::Cp1252;
    return Codage::Utf8;
}

// Feeds a reader with the bytes of a file or of memory, as UTF-8 when the
// file is UTF-16.
class Alimentation {
public:
    Alimentation(Lecteur& lecteur, Codage codage) : m_lecteur(lecteur), m_codage(codage) {
        if (codage == Codage::Utf16LE) m_utf16 = QStringDecoder(QStringDecoder::Utf16LE);
        if (codage == Codage::Utf16BE) m_utf16 = QStringDecoder(QStringDecoder::Utf16BE);
    }
    void ajouter(const char* octets, std::int64_t taille) {
        auto ligne = [this](std::string_view l) { m_lecteur.ligne(l); };
        if (m_codage == Codage::Utf16LE || m_codage == Codage::Utf16BE) {
            const QByteArray utf8 =
                QString(m_utf16(QByteArrayView(octets, static_cast<qsizetype>(taille)))).toUtf8();
            m_decoupeur.ajouter(
                std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), ligne);
        } else {
            m_decoupeur.ajouter(std::string_view(octets, static_cast<std::size_t>(taille)), ligne);
        }
    }
    void terminer() {
        m_decoupeur.terminer([this](std::string_view l) { m_lecteur.ligne(l); });
    }

private:
    Lecteur& m_lecteur;
    Codage m_codage;
    QStringDecoder m_utf16;
    Decoupeur m_decoupeur;
};

std::int64_t tailleMarque(const QByteArray& tete, Codage codage) {
    if ((codage == Codage::Utf16LE && tete.startsWith("\xFF\xFE")) ||
        (codage == Codage::Utf16BE && tete.startsWith("\xFE\xFF")))
        return 2;
    return codage == Codage::Utf8 && tete.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

} // namespace

ResultatImport importerGedcom(const QByteArray& contenu, std::int32_t decalage) {
    const Codage codage = codageDe(contenu.left(65536));
    Lecteur lecteur(codage, decalage);
    Alimentation alimentation(lecteur, codage);
    const std::int64_t marque = tailleMarque(contenu, codage);
    alimentation.ajouter(contenu.constData() + marque, contenu.size() - marque);
    alimentation.terminer();
    return lecteur.terminer();
}

ResultatImport importerGedcomFichier(const QString& chemin, std::int32_t decalage) {
    const QString quoi = QStringLiteral("Le fichier GEDCOM");
    exigerFichierOrdinaire(chemin, quoi);
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw ErreurES(ErreurES::codeDepuisErrno(errno));
    struct Fermeture {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};
    struct stat infos {};
    if (::fstat(fd, &infos) != 0 || !S_ISREG(infos.st_mode)) {
        exigerFichierOrdinaire(chemin, quoi);
        throw ErreurES(ErreurES::AccesRefuse);
    }
    if (infos.st_size > TailleMaxGedcom)
        throw ErreurVelmoris(QStringLiteral("%1 « %2 » est trop grand (%3 Mo ; au plus %4 Mo)")
                                 .arg(quoi, chemin)
                                 .arg(static_cast<qint64>(infos.st_size >> 20))
                                 .arg(TailleMaxGedcom >> 20));
    std::vector<char> bloc(4 << 20);
    std::int64_t lus = 0;
    auto lire = [&]() -> std::int64_t {
        for (;;) {
            const ssize_t n = ::read(fd, bloc.data(), bloc.size());
            if (n >= 0) return n;
            if (errno != EINTR) throw ErreurES(ErreurES::codeDepuisErrno(errno));
        }
    };
    std::int64_t n = lire();
    const QByteArray tete = QByteArray::fromRawData(
        bloc.data(), static_cast<qsizetype>(std::min<std::int64_t>(n, 65536)));
    const Codage codage = codageDe(tete);
    Lecteur lecteur(codage, decalage);
    Alimentation alimentation(lecteur, codage);
    const std::int64_t marque = tailleMarque(tete, codage);
    alimentation.ajouter(bloc.data() + marque, n - marque);
    lus += n;
    // The file never grows past its size at the start, whatever another program does.
    while (n > 0 && lus < infos.st_size) {
        n = lire();
        alimentation.ajouter(bloc.data(), n);
        lus += n;
    }
    alimentation.terminer();
    return lecteur.terminer();
}
