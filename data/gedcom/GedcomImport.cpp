// The GEDCOM import: records read as they come, block by block; only the
// persons, and a few bytes a family and a link, stay in memory. Whatever the
// record cannot hold is counted item by item and told, person by person.
#include "data/gedcom/Gedcom.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Translitteration.h"
#include "data/gedcom/GedcomLecture.h"
#include "data/recherche/Parente.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

using gedcom::code;

namespace {

// ---------------------------------------------------------------- tags

constexpr std::uint64_t INDI = code("INDI"), FAM = code("FAM"), OBJE = code("OBJE"),
                        HEAD = code("HEAD"), TRLR = code("TRLR"), SOUR = code("SOUR"),
                        NOTE = code("NOTE"), NAME = code("NAME"), SEX = code("SEX"),
                        OCCU = code("OCCU"), BIRT = code("BIRT"), DEAT = code("DEAT"),
                        CHR = code("CHR"), BAPM = code("BAPM"), BURI = code("BURI"),
                        CREM = code("CREM"), FAMC = code("FAMC"), FAMS = code("FAMS"),
                        DATE = code("DATE"), PLAC = code("PLAC"), FILE = code("FILE"),
                        FORM = code("FORM"), HUSB = code("HUSB"), WIFE = code("WIFE"),
                        CHIL = code("CHIL"), MARR = code("MARR"), PEDI = code("PEDI"),
                        GIVN = code("GIVN"), SURN = code("SURN"), NPFX = code("NPFX"),
                        NSFX = code("NSFX"), NICK = code("NICK"), SPFX = code("SPFX"),
                        TYPE = code("TYPE"), CAUS = code("CAUS"), AGE = code("AGE"),
                        ADDR = code("ADDR"), MAP = code("MAP"), LATI = code("LATI"),
                        LONG = code("LONG"), RESN = code("RESN"), REFN = code("REFN"),
                        NCHI = code("NCHI"), FREL = code("_FREL"), MREL = code("_MREL"),
                        MARNM = code("_MARNM");

// Tags that hold nothing the user entered: no loss when they go.
bool administratif(std::uint64_t c) {
    return c == code("CHAN") || c == code("RIN") || c == code("_UID") || c == code("UID") ||
           c == code("_UPD") || c == code("EXID");
}

bool identifiant(std::uint64_t c) {
    return c == REFN || c == code("AFN") || c == code("RFN") || c == code("_FSFTID");
}

bool adresse(std::uint64_t c) {
    return c == ADDR || c == code("PHON") || c == code("EMAIL") || c == code("FAX") ||
           c == code("WWW") || c == code("_EMAIL");
}

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
        {"ALIA", "alias"},
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
        {"FACT", "fait"}};
    const auto i = noms.find(etiquette);
    return i == noms.end()
               ? QString::fromLatin1(etiquette.data(), static_cast<qsizetype>(etiquette.size()))
               : QString::fromUtf8(i->second);
}

// How a child belongs to a family, as FAMC's PEDI or CHIL's _FREL and _MREL say.
enum class Filiation : std::uint8_t { Naissance, Adoption, Accueil, Autre };

Filiation filiationDe(std::string_view valeur) {
    std::string v(gedcom::sansBlancs(valeur));
    std::transform(v.begin(), v.end(), v.begin(), [](unsigned char c) { return std::tolower(c); });
    if (v.empty() || v == "birth" || v == "natural" || v == "biological" || v == "naissance")
        return Filiation::Naissance;
    if (v.rfind("adopt", 0) == 0) return Filiation::Adoption;
    if (v == "foster" || v == "guardian") return Filiation::Accueil;
    return Filiation::Autre; // step, sealing, unknown…
}

QString nomFiliation(Filiation f) {
    switch (f) {
    case Filiation::Naissance:
        return QStringLiteral("de naissance");
    case Filiation::Adoption:
        return QStringLiteral("adoptif");
    case Filiation::Accueil:
        return QStringLiteral("d'accueil");
    case Filiation::Autre:
        break;
    }
    return QStringLiteral("d'un autre genre (beau-parent…)");
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

// The elements grouped by a key from 0 to `cles` - 1, each group in the
// order the elements came: a counting sort, in linear time.
template <typename T, typename Cle>
std::vector<T> grouper(std::vector<T>&& elements, std::size_t cles,
                       std::vector<std::uint32_t>& debut, Cle cle) {
    debut.assign(cles + 1, 0);
    for (const T& e : elements)
        ++debut[static_cast<std::size_t>(cle(e)) + 1];
    for (std::size_t i = 0; i < cles; ++i)
        debut[i + 1] += debut[i];
    std::vector<std::uint32_t> place(debut.begin(), debut.end() - 1);
    std::vector<T> groupes(elements.size());
    for (T& e : elements)
        groupes[place[static_cast<std::size_t>(cle(e))]++] = std::move(e);
    elements = {};
    return groupes;
}

// A small group in order by a key, the equal ones in their order.
template <typename Iterateur, typename Avant>
void trierPetitGroupe(Iterateur debut, Iterateur fin, Avant avant) {
    for (Iterateur i = debut; i != fin; ++i)
        for (Iterateur j = i; j != debut && avant(*j, *(j - 1)); --j)
            std::iter_swap(j, j - 1);
}

// ---------------------------------------------------------------- what stays in memory

// A family, until the links are made.
struct Famille {
    std::int32_t mari = -1, femme = -1; // person identifiers
    struct Enfant {
        std::int32_t personne;
        Filiation filiation;
    };
    std::vector<Enfant> enfants;
    QString date, lieu;      // of its first marriage
    bool definie = false;    // its record was read
    bool avecEnfant = false; // a child's record names this couple
    // For the companion store: its children and how each belongs to it, the
    // marriage written in each spouse's record, the order of this marriage
    // for each spouse.
    struct Membre {
        std::int32_t enfant;
        std::string filiation; // as GEDCOM's PEDI says
        std::string lignes;    // what the child's FAMC said beyond it
    };
    std::vector<Membre> membres;
    std::string ecritMari, ecritFemme;
    int ordreMari = 0, ordreFemme = 0;
    std::int32_t ligne = 0; // the order of the families in the file
    struct Perte {
        Ecart genre;
        std::int64_t quantite;
        QString detail;
        bool gardable = true; // a companion store keeps it
    };
    std::vector<Perte> pertes; // told with one of the spouses
};

// A FAMC or FAMS of a person, in the order the person lists them.
struct LienPersonne {
    std::int32_t fiche;   // the person's record, from 0 in this import
    std::int32_t famille; // family identifier
    Filiation filiation;
    std::string lignes; // for the companion store: what a FAMC says beyond its pedigree
};

struct NomLu {
    QString prenom, nom, suffixe;
};

class Importateur {
public:
    Importateur(gedcom::JeuDeCaracteres jeu, std::int32_t decalage, const OptionsImport& options)
        : m_decodeur(std::move(jeu)), m_decalage(decalage), m_avecComplements(options.complements),
          m_numeroImport(options.numeroImport) {}

    void ligne(std::string_view brute);
    ResultatImport terminer(const QString& nom);

private:
    // Reading.
    void finEnregistrement();
    void entete();
    void individu();
    void lirePersonne();
    void famille();
    void objet();
    QString valeur(std::size_t ligne);
    QString valeurSurUneLigne(std::size_t ligne);
    // Telling.
    void perte(Ecart genre, std::int32_t fiche, const QString& detail, std::int64_t quantite = 1,
               bool gardable = true);
    void perteDuFichier(Ecart genre, const QString& ligne, std::int64_t quantite = 1);
    void autreEnregistrement(std::uint64_t code);
    void texte(std::int32_t fiche, auto& champ, const QString& valeur, const char* quoi);
    void date(std::int32_t fiche, ChampTexte<10>& champ, const QString& valeur, const char* quoi);
    // The person being read.
    NomLu lireNom(std::size_t ligne, std::int32_t fiche, TFiche& f);
    void lireEvenement(std::size_t ligne, std::int32_t fiche, const QString& nom, bool aDateEtLieu);
    void detailsDeLigne(std::size_t ligne, std::int32_t fiche, const QString& dans,
                        bool gardable = true);
    // Once everything is read.
    void portraits();
    void referencesPendantes();
    void liens();
    void enfantsParRang(const std::vector<std::pair<std::int32_t, std::int32_t>>& enfantsDe);
    void mariages();
    std::int32_t ficheDe(std::int32_t personne) const {
        return personne >= 0 && static_cast<std::size_t>(personne) < m_ficheDe.size()
                   ? m_ficheDe[static_cast<std::size_t>(personne)]
                   : -1;
    }
    TFiche& fiche(std::int32_t n) { return m_r.fiches[static_cast<std::size_t>(n)]; }

    gedcom::Decodeur m_decodeur;
    std::int32_t m_decalage;
    ResultatImport m_r;
    gedcom::Enregistrement m_e;
    gedcom::Identifiants m_personnes, m_familles, m_objets;
    std::vector<std::int32_t> m_ficheDe; // person identifier to record, -1 while unseen
    std::vector<Famille> m_famillesLues; // by family identifier
    std::vector<LienPersonne> m_famc, m_fams;
    std::vector<QString> m_fichiersObjets;                         // by picture record identifier
    std::vector<std::pair<std::int32_t, std::int32_t>> m_objetsDe; // record, picture record
    std::vector<std::uint8_t> m_avecFamille;                       // by record: a FAMS, or a spouse
    std::vector<std::uint8_t> m_titreDonne;                        // by record: NPFX gave the title
    bool m_deVelmoris = false;
    bool m_differer = false;
    std::vector<std::size_t> m_noms, m_autres; // lines of the person being read
    std::vector<Famille::Perte> m_enAttente;
    std::int32_t m_nombreFamilles = 0;
    // What goes to the companion store: the persons read, the families' own
    // lines by identifier, the file's other records by their identifier.
    bool m_avecComplements = false;
    int m_numeroImport = 1;
    std::vector<EntreePersonne> m_entrees;
    std::vector<std::string> m_lignesFamilles;
    std::vector<std::pair<std::string, std::string>> m_enregistrementsGardes; // xref, GEDCOM
    std::string texteUtf8(std::size_t ligne, int niveau);
    bool dejaUtf8(std::string_view valeur) const;
    void garderPersonne(std::int32_t n, std::size_t principal, const std::vector<std::size_t>& noms,
                        std::size_t profession, std::size_t naissance, bool naissanceSubstitut,
                        std::size_t deces, bool decesSubstitut, std::size_t portrait,
                        const std::vector<std::size_t>& autres);
    ComplementsImport complementsResolus();
    std::int64_t m_illisibles = 0, m_horsEnregistrement = 0;
    std::int64_t m_controles = 0, m_controlesFichier = 0; // of the record being read, of the others
    std::array<std::int64_t, 4> m_enregistrementsIgnores{}; // sources, notes, media, others
    std::array<std::int64_t, 4> m_enregistrementsGardesParGenre{};
};

// ---------------------------------------------------------------- reading

void Importateur::ligne(std::string_view brute) {
    gedcom::Ligne l;
    if (!gedcom::decouper(brute, l)) {
        if (!gedcom::sansBlancs(brute).empty()) ++m_illisibles;
        return;
    }
    if (l.etiquette == "CONC" || l.etiquette == "CONT") {
        if (m_e.vide())
            ++m_horsEnregistrement;
        else
            m_e.continuer(l.valeur, l.etiquette == "CONT");
        return;
    }
    if (l.niveau == 0) {
        finEnregistrement();
        m_e.commencer(l);
        return;
    }
    if (m_e.vide()) {
        ++m_horsEnregistrement;
        return;
    }
    m_e.ajouter(l);
}

void Importateur::finEnregistrement() {
    if (m_e.vide()) return;
    m_e.terminer();
    const std::uint64_t c = m_e.code(0);
    if (c == INDI)
        individu();
    else if (c == FAM)
        famille();
    else if (c == OBJE) {
        objet();
        autreEnregistrement(c);
    } else if (c == HEAD)
        entete();
    else if (c != TRLR && c != code("SUBM") && c != code("SUBN"))
        autreEnregistrement(c);
    if (c != INDI) {
        m_controlesFichier += m_controles;
        m_controles = 0;
    }
    if (c != INDI && m_e.lignesReparees())
        perteDuFichier(
            Ecart::Structure,
            QStringLiteral("Le fichier : %1 ligne(s) mal placée(s) dans un "
                           "enregistrement %2, rattachée(s) à la ligne qui les précède")
                .arg(m_e.lignesReparees())
                .arg(QString::fromLatin1(m_e.etiquette(0).data(),
                                         static_cast<qsizetype>(m_e.etiquette(0).size()))),
            m_e.lignesReparees());
    m_e.vider();
}

// Control characters of the text go; a tab becomes a blank.
QString Importateur::valeur(std::size_t ligne) {
    QString t = m_decodeur.texte(gedcom::sansBlancs(m_e.valeur(ligne)));
    const char16_t* c = reinterpret_cast<const char16_t*>(t.constData());
    bool propre = true;
    for (qsizetype i = 0; i < t.size() && propre; ++i)
        propre = c[i] >= 0x20 && (c[i] < 0x7F || c[i] > 0x9F);
    if (propre) return t;
    for (QChar& c : t)
        if (c == u'\t') {
            c = u' ';
            ++m_controles;
        }
    const qsizetype avant = t.size();
    t.removeIf([](QChar c) { return c != u'\n' && estCaractereDeControle(c); });
    m_controles += avant - t.size();
    return t;
}

QString Importateur::valeurSurUneLigne(std::size_t ligne) {
    QString t = valeur(ligne);
    // Most values are one clean line: no copy for them.
    const char16_t* c = reinterpret_cast<const char16_t*>(t.constData());
    const qsizetype n = t.size();
    bool propre = n == 0 || (c[0] != u' ' && c[n - 1] != u' ');
    for (qsizetype i = 1; i < n && propre; ++i)
        propre = c[i] != u'\n' && !(c[i] == u' ' && c[i - 1] == u' ');
    if (propre) return t;
    return t.replace(u'\n', u' ').simplified();
}

void Importateur::entete() {
    const std::size_t source = m_e.sous(0, SOUR);
    m_deVelmoris = source && gedcom::sansBlancs(m_e.valeur(source)) == "VELMORIS";
}

// A source, a note, a repository…: kept whole in the companion store when
// there is one and it can be named, counted either way.
void Importateur::autreEnregistrement(std::uint64_t c) {
    const std::size_t genre = c == SOUR ? 0 : c == NOTE ? 1 : c == OBJE ? 2 : 3;
    const bool garde = m_avecComplements && !m_e.reference(0).empty();
    if (garde) m_enregistrementsGardes.push_back({std::string(m_e.reference(0)), texteUtf8(0, 0)});
    // Pictures are counted once their use by persons is known.
    if (genre != 2) ++(garde ? m_enregistrementsGardesParGenre : m_enregistrementsIgnores)[genre];
}

void Importateur::objet() {
    const std::int32_t id = m_objets.numero(m_e.reference(0));
    if (static_cast<std::size_t>(id) >= m_fichiersObjets.size())
        m_fichiersObjets.resize(static_cast<std::size_t>(id) + 1);
    if (const std::size_t fichier = m_e.sous(0, FILE);
        fichier && m_fichiersObjets[static_cast<std::size_t>(id)].isEmpty())
        m_fichiersObjets[static_cast<std::size_t>(id)] = valeurSurUneLigne(fichier);
}

// ---------------------------------------------------------------- telling

// With a companion store, what the record cannot hold is kept there, but for
// what no store can bring back: damaged text, loops, references to nothing.
bool gardable(Ecart genre) {
    return genre != Ecart::ReferencePendante && genre != Ecart::Boucle && genre != Ecart::Lecture &&
           !ecartInformatif(genre);
}

void Importateur::perteDuFichier(Ecart genre, const QString& ligne, std::int64_t quantite) {
    m_r.rapport.ajouter(genre, quantite, ligne, m_avecComplements && gardable(genre));
}

void Importateur::perte(Ecart genre, std::int32_t n, const QString& detail, std::int64_t quantite,
                        bool garde) {
    // While a person is read, its lines wait for its names and dates.
    if (m_differer) {
        m_enAttente.push_back({genre, quantite, detail, garde});
        return;
    }
    m_r.rapport.ajouter(genre, quantite,
                        designationPersonne(fiche(n)) + QStringLiteral(" : ") + detail,
                        garde && m_avecComplements && gardable(genre));
}

void Importateur::texte(std::int32_t n, auto& champ, const QString& valeur, const char* quoi) {
    const QString stocke = versCp1252(valeur);
    champ.definir(stocke);
    if (stocke != valeur)
        perte(Ecart::Translitteration, n,
              QStringLiteral("%1 « %2 » est écrit « %3 »")
                  .arg(QString::fromUtf8(quoi), valeur, champ.texte()));
    else if (valeur.size() > champ.largeur)
        perte(Ecart::TexteCoupe, n,
              QStringLiteral("%1 « %2 » est coupé à %3 caractères")
                  .arg(QString::fromUtf8(quoi), valeur)
                  .arg(champ.largeur));
}

void Importateur::date(std::int32_t n, ChampTexte<10>& champ, const QString& valeur,
                       const char* quoi) {
    const DateImportee d = dateDepuisGedcom(valeur);
    champ.definir(d.fiche);
    const QString q = QString::fromUtf8(quoi);
    switch (d.ecart) {
    case DateImportee::Ecart::Aucun:
        return;
    case DateImportee::Ecart::Precision:
        perte(Ecart::DatePrecision, n,
              QStringLiteral("%1 « %2 » devient « %3 »").arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Calendrier:
        perte(Ecart::DateCalendrier, n,
              QStringLiteral("%1 « %2 » devient « %3 » au calendrier grégorien")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Julien:
        perte(Ecart::DateJulienne, n,
              QStringLiteral("%1 du calendrier julien « %2 » est gardée telle qu'écrite : « %3 »")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::NonGardee:
        perte(Ecart::DateNonGardee, n,
              QStringLiteral("%1 « %2 » ne tient pas dans la fiche : le champ reste vide")
                  .arg(q, valeur));
        return;
    }
}

// What a line and its lines say beyond what the record holds, each item
// told in its kind: `dans` names where it was ("la naissance").
void Importateur::detailsDeLigne(std::size_t l, std::int32_t n, const QString& dans, bool garde) {
    const std::uint64_t c = m_e.code(l);
    auto perteIci = [&](Ecart genre, std::int32_t fiche, const QString& detail) {
        perte(genre, fiche, detail, 1, garde);
    };
    const QString v = valeurSurUneLigne(l).left(60);
    auto avecValeur = [&](const QString& quoi) {
        return v.isEmpty() ? quoi : quoi + QStringLiteral(" « ") + v + QStringLiteral(" »");
    };
    if (c == SOUR)
        perteIci(Ecart::Source, n, QStringLiteral("une source (%1) n'est pas gardée").arg(dans));
    else if (c == NOTE)
        perteIci(Ecart::Note, n, QStringLiteral("une note (%1) n'est pas gardée").arg(dans));
    else if (c == OBJE)
        perteIci(Ecart::Media, n, QStringLiteral("une image (%1) n'est pas gardée").arg(dans));
    else if (c == CAUS)
        perteIci(Ecart::Cause, n,
                 avecValeur(QStringLiteral("la cause (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (c == AGE)
        perteIci(Ecart::Age, n,
                 avecValeur(QStringLiteral("l'âge (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardé"));
    else if (adresse(c))
        perteIci(Ecart::Adresse, n,
                 avecValeur(QStringLiteral("l'adresse (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (c == MAP || c == LATI || c == LONG)
        perteIci(Ecart::Coordonnees, n,
                 QStringLiteral("les coordonnées du lieu (%1) ne sont pas gardées").arg(dans));
    else if (c == RESN)
        perteIci(Ecart::Confidentialite, n,
                 avecValeur(QStringLiteral("la mention de confidentialité (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (identifiant(c))
        perteIci(Ecart::Identifiant, n,
                 avecValeur(QStringLiteral("le numéro (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardé"));
    else if (!administratif(c))
        perteIci(Ecart::DetailEvenement, n,
                 avecValeur(QStringLiteral("%1 : %2").arg(dans, nomEvenement(m_e.etiquette(l)))) +
                     QStringLiteral(" n'est pas gardé"));
}

// ---------------------------------------------------------------- a person

// "Given names /Surname/ suffix", its parts given apart when the value lacks them.
NomLu Importateur::lireNom(std::size_t l, std::int32_t n, TFiche& f) {
    NomLu nom;
    const QString v = valeurSurUneLigne(l);
    const auto barre = v.indexOf(u'/');
    const auto seconde = barre < 0 ? -1 : v.indexOf(u'/', barre + 1);
    nom.prenom = barre < 0 ? v : v.left(barre).trimmed();
    nom.nom =
        barre < 0 ? QString() : v.mid(barre + 1, seconde < 0 ? -1 : seconde - barre - 1).trimmed();
    nom.suffixe = seconde < 0 ? QString() : v.mid(seconde + 1).trimmed();
    QString prefixeNom;
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        const QString partie = valeurSurUneLigne(j);
        if (c == GIVN) {
            if (nom.prenom.isEmpty())
                nom.prenom = partie;
            else if (partie.compare(nom.prenom, Qt::CaseInsensitive) != 0)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("les prénoms donnés à part « %1 » ne sont pas gardés")
                          .arg(partie));
        } else if (c == SURN) {
            const QString complet = prefixeNom.isEmpty() ? partie : prefixeNom + u' ' + partie;
            if (nom.nom.isEmpty())
                nom.nom = partie;
            else if (partie.compare(nom.nom, Qt::CaseInsensitive) != 0 &&
                     complet.compare(nom.nom, Qt::CaseInsensitive) != 0)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le nom donné à part « %1 » n'est pas gardé").arg(partie));
        } else if (c == SPFX) {
            prefixeNom = partie;
            if (!nom.nom.startsWith(partie, Qt::CaseInsensitive))
                perte(Ecart::NomComplement, n,
                      QStringLiteral("la particule « %1 » n'est pas gardée").arg(partie));
        } else if (c == NPFX) {
            bool titre = false;
            for (std::uint8_t q = 0; q <= 2; ++q)
                if (partie.compare(motQualite(q), Qt::CaseInsensitive) == 0) {
                    f.Qualite = q;
                    m_titreDonne.back() = 1;
                    titre = true;
                }
            if (!titre)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le titre « %1 » n'est pas gardé").arg(partie));
        } else if (c == NSFX) {
            if (partie != nom.suffixe)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le suffixe « %1 » n'est pas gardé").arg(partie));
        } else if (c == NICK) {
            perte(Ecart::NomComplement, n,
                  QStringLiteral("le surnom « %1 » n'est pas gardé").arg(partie));
        } else if (c == MARNM) {
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom d'épouse « %1 » n'est pas gardé").arg(partie));
        } else if (c != TYPE) {
            detailsDeLigne(j, n, QStringLiteral("le nom"));
        }
    }
    if (!nom.suffixe.isEmpty())
        perte(Ecart::NomComplement, n,
              QStringLiteral("« %1 » n'est pas gardé avec le nom").arg(nom.suffixe));
    return nom;
}

// A kept event: its date and place went into the record; the rest is told.
void Importateur::lireEvenement(std::size_t l, std::int32_t n, const QString& nom,
                                bool aDateEtLieu) {
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        if (aDateEtLieu && c == DATE) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                detailsDeLigne(k, n, nom);
            continue;
        }
        if (aDateEtLieu && c == PLAC) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                if (m_e.code(k) != FORM) detailsDeLigne(k, n, nom);
            continue;
        }
        detailsDeLigne(j, n, nom);
    }
}

void Importateur::individu() {
    m_differer = true;
    lirePersonne();
    m_differer = false;
    const auto n = static_cast<std::int32_t>(m_r.fiches.size()) - 1;
    if (m_controles) {
        perte(Ecart::Lecture, n,
              QStringLiteral("%1 caractère(s) de contrôle (tabulation, octet nul…) retiré(s) des "
                             "textes, une tabulation devenant un blanc")
                  .arg(m_controles),
              m_controles);
        m_controles = 0;
    }
    for (const Famille::Perte& p : m_enAttente)
        perte(p.genre, n, p.detail, p.quantite, p.gardable);
    m_enAttente.clear();
}

void Importateur::lirePersonne() {
    const auto n = static_cast<std::int32_t>(m_r.fiches.size());
    if (!m_e.reference(0).empty()) {
        const std::int32_t id = m_personnes.numero(m_e.reference(0));
        if (static_cast<std::size_t>(id) >= m_ficheDe.size())
            m_ficheDe.resize(static_cast<std::size_t>(id) + 1, -1);
        if (m_ficheDe[static_cast<std::size_t>(id)] < 0)
            m_ficheDe[static_cast<std::size_t>(id)] = n;
    }
    m_r.fiches.emplace_back();
    m_avecFamille.push_back(0);
    m_titreDonne.push_back(0);
    TFiche& f = m_r.fiches.back();
    ViderFiche(f);
    f.Qualite = 255;
    // Where each kind of line is; the first of each goes into the record.
    std::vector<std::size_t>& noms = m_noms;
    std::vector<std::size_t>& autres = m_autres;
    noms.clear();
    autres.clear();
    std::size_t sexe = 0, profession = 0, naissance = 0, deces = 0, bapteme = 0, inhumation = 0,
                portrait = 0;
    for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l)) {
        const std::uint64_t c = m_e.code(l);
        std::size_t* premier = c == SEX                 ? &sexe
                               : c == OCCU              ? &profession
                               : c == BIRT              ? &naissance
                               : c == DEAT              ? &deces
                               : c == CHR || c == BAPM  ? &bapteme
                               : c == BURI || c == CREM ? &inhumation
                                                        : nullptr;
        if (c == NAME) {
            noms.push_back(l);
        } else if (c == FAMC || c == FAMS) {
            const std::string_view ref = gedcom::sansBlancs(m_e.valeur(l));
            const std::size_t pedi = m_e.sous(l, PEDI);
            LienPersonne& lien = (c == FAMC ? m_famc : m_fams)
                                     .emplace_back(LienPersonne{n,
                                                                m_familles.numero(ref),
                                                                pedi ? filiationDe(m_e.valeur(pedi))
                                                                     : Filiation::Naissance,
                                                                {}});
            if (c == FAMS) m_avecFamille.back() = 1;
            for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
                if (m_e.code(j) != PEDI && m_e.code(j) != code("STAT")) {
                    autres.push_back(j);
                    if (c == FAMC && m_avecComplements) lien.lignes += texteUtf8(j, 2);
                }
        } else if (c == OBJE && !portrait &&
                   (m_e.sous(l, FILE) || gedcom::sansBlancs(m_e.valeur(l)).starts_with('@'))) {
            portrait = l;
        } else if (premier && !*premier) {
            *premier = l;
        } else if (!administratif(c)) {
            autres.push_back(l);
        }
    }
    if (m_e.lignesReparees()) autres.push_back(0); // told once the name is known

    // The main name: the first that is not an alias or a married name.
    std::size_t principal = 0;
    for (const std::size_t l : noms) {
        const std::size_t type = m_e.sous(l, TYPE);
        const QString t = type ? valeurSurUneLigne(type).toLower() : QString();
        if (t.isEmpty() || t == u"birth" || t == u"naissance") {
            principal = l;
            break;
        }
    }
    if (!principal && !noms.empty()) principal = noms.front();
    if (principal) {
        const NomLu nom = lireNom(principal, n, f);
        texte(n, f.Nom, nom.nom, "le nom");
        texte(n, f.Prenom, nom.prenom, "le prénom");
    }
    const QString s = sexe ? valeurSurUneLigne(sexe).toUpper() : QString();
    if (!m_titreDonne.back())
        f.Qualite = s == u"M"   ? 0
                    : s == u"F" ? 1
                                : 255; // settled for women once the links are read
    for (const std::size_t l : noms)
        if (l != principal)
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom secondaire « %1 » n'est pas gardé")
                      .arg(QString(valeurSurUneLigne(l)).remove(u'/').simplified()));
    if (profession) {
        texte(n, f.Profession, valeurSurUneLigne(profession), "la profession");
        lireEvenement(profession, n, QStringLiteral("la profession"), false);
    }
    // A baptism or a burial stands in for a birth or a death that has nothing.
    auto evenement = [&](std::size_t principalEv, std::size_t substitut, const char* nomEv,
                         const char* nomSubstitut, ChampTexte<10>& champDate,
                         ChampTexte<30>& champLieu, const char* quoiDate, const char* quoiLieu) {
        auto dateEtLieu = [&](std::size_t ev) {
            return ev && (m_e.sous(ev, DATE) || m_e.sous(ev, PLAC));
        };
        const bool remplace = !dateEtLieu(principalEv) && dateEtLieu(substitut);
        const std::size_t ev = remplace ? substitut : principalEv;
        if (ev) {
            if (const std::size_t d = m_e.sous(ev, DATE))
                date(n, champDate, valeurSurUneLigne(d), quoiDate);
            if (const std::size_t p = m_e.sous(ev, PLAC))
                texte(n, champLieu, valeurSurUneLigne(p), quoiLieu);
            lireEvenement(ev, n, QString::fromUtf8(remplace ? nomSubstitut : nomEv), true);
        }
        if (remplace)
            perte(Ecart::Substitut, n,
                  QStringLiteral("%1 tient lieu de %2")
                      .arg(QString::fromUtf8(nomSubstitut), QString::fromUtf8(nomEv)));
        else if (substitut)
            autres.push_back(substitut);
        return ev;
    };
    const std::size_t evNaissance =
        evenement(naissance, bapteme, "naissance", "le baptême", f.DateNaissance, f.LieuNaissance,
                  "la date de naissance", "le lieu de naissance");
    const std::size_t evDeces = evenement(deces, inhumation, "décès", "l'inhumation", f.DateDeces,
                                          f.LieuDeces, "la date de décès", "le lieu de décès");
    if (deces && evDeces == deces && !m_e.sous(deces, DATE) && !m_e.sous(deces, PLAC))
        perte(
            Ecart::DecesSansDate, n,
            QStringLiteral("le décès est connu sans date ni lieu : la fiche ne peut pas le dire"));
    if (portrait) {
        const std::string_view pointeur = gedcom::sansBlancs(m_e.valeur(portrait));
        if (pointeur.starts_with('@'))
            m_objetsDe.push_back({n, m_objets.numero(pointeur)});
        else
            texte(n, f.Photo, valeurSurUneLigne(m_e.sous(portrait, FILE)), "le chemin du portrait");
        for (std::size_t j = portrait + 1; j < m_e.fin(portrait); j = m_e.fin(j))
            if (m_e.code(j) != FILE && m_e.code(j) != FORM)
                perte(Ecart::Media, n,
                      QStringLiteral("un détail du portrait (%1) n'est pas gardé")
                          .arg(nomEvenement(m_e.etiquette(j))));
    }
    if (m_avecComplements)
        garderPersonne(n, principal, noms, profession, evNaissance, evNaissance != naissance,
                       evDeces, evDeces != deces, portrait, autres);
    for (const std::size_t l : autres) {
        if (l == 0) {
            perte(Ecart::Structure, n,
                  QStringLiteral("%1 ligne(s) mal placée(s), rattachée(s) à la ligne qui les "
                                 "précède")
                      .arg(m_e.lignesReparees()),
                  m_e.lignesReparees());
            continue;
        }
        const std::uint64_t c = m_e.code(l);
        if (m_e.niveau(l) > 1) {
            // What a FAMC or FAMS line says goes with the link, which is made
            // anew; the companion store keeps what a FAMC says.
            std::size_t lien = l;
            while (lien > 1 && m_e.niveau(lien) > 1)
                --lien;
            detailsDeLigne(l, n, QStringLiteral("un lien de famille"), m_e.code(lien) == FAMC);
        } else if (c == SOUR || c == NOTE || c == OBJE || c == RESN || identifiant(c) ||
                   adresse(c)) {
            detailsDeLigne(l, n, QStringLiteral("la personne"));
        } else if (c == MARNM || c == code("_AKA")) {
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom « %1 » n'est pas gardé").arg(valeurSurUneLigne(l)));
        } else {
            QString nom = nomEvenement(m_e.etiquette(l));
            if (const std::size_t d = m_e.sous(l, DATE))
                nom += QStringLiteral(" (%1)").arg(valeurSurUneLigne(d));
            else if (const QString v = valeurSurUneLigne(l);
                     !v.isEmpty() && !v.startsWith(u'@') && v != u"Y")
                nom += QStringLiteral(" « %1 »").arg(v.left(40));
            perte(Ecart::Evenement, n, QStringLiteral("non gardé : ") + nom);
        }
    }
}

// ---------------------------------------------------------------- the companion store

// A value whose bytes are already the UTF-8 text the store keeps: plain
// ASCII in any set, or valid UTF-8 in a UTF-8 file, with no control character.
bool Importateur::dejaUtf8(std::string_view v) const {
    bool ascii = true;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < v.size() && static_cast<unsigned char>(v[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(v[i + 1]) >= 0x80)
            return false;
        ascii = ascii && c < 0x80;
    }
    return ascii || (m_decodeur.jeu().codage == gedcom::Codage::Utf8 &&
                     QByteArrayView(v.data(), static_cast<qsizetype>(v.size())).isValidUtf8());
}

// A line and the lines under it as UTF-8 GEDCOM text, levels counted from
// `niveau`; a continuation stays a line break in its value.
std::string Importateur::texteUtf8(std::size_t ligne, int niveau) {
    std::string t;
    const int ecart = niveau - m_e.niveau(ligne);
    for (std::size_t j = ligne, fin = m_e.fin(ligne); j < fin; ++j) {
        t += std::to_string(m_e.niveau(j) + ecart);
        t += ' ';
        if (!m_e.reference(j).empty()) {
            t += m_e.reference(j);
            t += ' ';
        }
        t += m_e.etiquette(j);
        if (const std::string_view v = gedcom::sansBlancs(m_e.valeur(j)); !v.empty()) {
            if (dejaUtf8(v)) {
                t += ' ';
                t += v;
                t += '\n';
                continue;
            }
            QString texte = m_decodeur.relire(v);
            texte.replace(u'\t', u' ');
            texte.removeIf([](QChar c) { return c != u'\n' && estCaractereDeControle(c); });
            // A line break of the value is a CONT line again.
            const QStringList parties = texte.split(u'\n');
            t += ' ';
            t += parties.front().toStdString();
            for (qsizetype k = 1; k < parties.size(); ++k) {
                t += '\n' + std::to_string(m_e.niveau(j) + ecart + 1) + " CONT";
                if (!parties[k].isEmpty()) t += ' ' + parties[k].toStdString();
            }
        }
        t += '\n';
    }
    return t;
}

namespace {

// What the export writes from the record alone, to know whether the source
// said more.
std::string nomExporte(const TFiche& f) {
    std::string t = "1 NAME ";
    if (!f.Prenom.vide()) t += f.Prenom.texte().toStdString() + ' ';
    t += '/' + f.Nom.texte().toStdString() + "/\n";
    if (f.Qualite == 2) t += "2 NPFX Mademoiselle\n";
    return t;
}

std::string evenementExporte(const char* etiquette, const ChampTexte<10>& date,
                             const ChampTexte<30>& lieu) {
    if (date.vide() && lieu.vide()) return {};
    std::string t = std::string("1 ") + etiquette + '\n';
    if (!date.vide()) t += "2 DATE " + dateGedcom(date.texte()).toStdString() + '\n';
    if (!lieu.vide()) t += "2 PLAC " + lieu.texte().toStdString() + '\n';
    return t;
}

} // namespace

// The person's entry in the store: the source's own structure for each field
// the record holds when the export would not give it back the same, and
// every other structure of the person.
void Importateur::garderPersonne(std::int32_t n, std::size_t principal,
                                 const std::vector<std::size_t>& noms, std::size_t profession,
                                 std::size_t naissance, bool naissanceSubstitut, std::size_t deces,
                                 bool decesSubstitut, std::size_t portrait,
                                 const std::vector<std::size_t>& autres) {
    const TFiche& f = fiche(n);
    EntreePersonne e;
    auto champ = [&](const char* nom, std::size_t ligne, const std::string& attendu, bool force) {
        if (!ligne) return;
        std::string gedcom = texteUtf8(ligne, 1);
        if (!force && gedcom == attendu) return;
        e.champs.push_back({nom, ecritDe(f, nom), std::move(gedcom)});
    };
    champ("NAME", principal, nomExporte(f), false);
    champ("OCCU", profession, "1 OCCU " + f.Profession.texte().toStdString() + '\n', false);
    champ("BIRT", naissance, evenementExporte("BIRT", f.DateNaissance, f.LieuNaissance),
          naissanceSubstitut);
    champ("DEAT", deces, evenementExporte("DEAT", f.DateDeces, f.LieuDeces), decesSubstitut);
    champ("OBJE", portrait, {}, true);
    for (const std::size_t l : noms)
        if (l != principal) e.structures += texteUtf8(l, 1);
    for (const std::size_t l : autres)
        if (l != 0 && m_e.niveau(l) == 1) e.structures += texteUtf8(l, 1);
    if (e.champs.empty() && e.structures.empty()) return;
    e.fiche = n + m_decalage;
    e.empreinte = empreinteDe(f);
    m_entrees.push_back(std::move(e));
}

// GEDCOM text whose pointers are rewritten: each line's value that is a
// pointer, and a record's own identifier, through `nouveau`; a line whose
// pointer leads nowhere goes, with the lines under it.
std::string
reecrirePointeurs(const std::string& texte,
                  const std::function<std::optional<std::string>(std::string_view)>& nouveau) {
    if (texte.find('@') == std::string::npos) return texte; // no pointer, no identifier
    std::string sortie;
    sortie.reserve(texte.size());
    int sousUneLigneOtee = -1;
    for (std::size_t debut = 0; debut < texte.size();) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos) fin = texte.size();
        const std::string_view l(texte.data() + debut, fin - debut);
        debut = fin + 1;
        gedcom::Ligne ligne;
        if (!gedcom::decouper(l, ligne)) continue;
        if (sousUneLigneOtee >= 0 && ligne.niveau > sousUneLigneOtee) continue;
        sousUneLigneOtee = -1;
        std::string reference(ligne.reference);
        if (!reference.empty())
            if (const auto r = nouveau(reference)) reference = *r;
        std::string valeur(ligne.valeur);
        const std::string_view v = gedcom::sansBlancs(ligne.valeur);
        if (v.size() > 2 && v.front() == '@' && v.back() == '@' &&
            v.find(' ') == std::string_view::npos && ligne.etiquette != "CONT" &&
            ligne.etiquette != "CONC") {
            const auto r = nouveau(v);
            if (!r) {
                sousUneLigneOtee = ligne.niveau;
                continue;
            }
            valeur = *r;
        }
        sortie += std::to_string(ligne.niveau);
        sortie += ' ';
        if (!reference.empty()) sortie += reference + ' ';
        sortie += ligne.etiquette;
        if (!valeur.empty()) sortie += ' ' + valeur;
        sortie += '\n';
    }
    return sortie;
}

// What this import hands to the companion store, its pointers rewritten:
// to persons by their record numbers, to families by their spouses, to the
// file's other records by identifiers this import's number makes unique.
ComplementsImport Importateur::complementsResolus() {
    ComplementsImport c;
    std::unordered_map<std::string, std::string> enregistrements;
    const std::string prefixe = "@X" + std::to_string(m_numeroImport) + '_';
    for (const auto& [xref, gedcom] : m_enregistrementsGardes)
        enregistrements.emplace(xref, prefixe + xref.substr(1));
    auto numero = [&](std::int32_t personne) {
        const std::int32_t f = ficheDe(personne);
        return f < 0 ? std::string("X") : std::to_string(f + m_decalage);
    };
    const auto nouveau = [&](std::string_view ref) -> std::optional<std::string> {
        if (const auto i = enregistrements.find(std::string(ref)); i != enregistrements.end())
            return i->second;
        if (const std::int32_t f = ficheDe(m_personnes.chercher(ref)); f >= 0)
            return "@I" + std::to_string(f + m_decalage) + '@';
        if (const std::int32_t id = m_familles.chercher(ref);
            id >= 0 && static_cast<std::size_t>(id) < m_famillesLues.size() &&
            m_famillesLues[static_cast<std::size_t>(id)].definie) {
            const Famille& f = m_famillesLues[static_cast<std::size_t>(id)];
            return "@F" + numero(f.mari) + '_' + numero(f.femme) + '@';
        }
        return std::nullopt;
    };
    for (EntreePersonne& e : m_entrees) {
        // The records as they are now, portraits and repairs made.
        const TFiche& f = fiche(e.fiche - m_decalage);
        e.empreinte = empreinteDe(f);
        for (EntreePersonne::Champ& ch : e.champs) {
            ch.ecrit = ecritDe(f, ch.nom);
            ch.gedcom = reecrirePointeurs(ch.gedcom, nouveau);
        }
        e.structures = reecrirePointeurs(e.structures, nouveau);
        c.personnes.push_back(std::move(e));
    }
    m_entrees = {};
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        const Famille& f = m_famillesLues[id];
        if (!f.definie) continue;
        EntreeCouple x;
        const std::int32_t mari = ficheDe(f.mari), femme = ficheDe(f.femme);
        if (mari >= 0) {
            x.mari = mari + m_decalage;
            x.empreinteMari = empreinteDe(fiche(mari));
        }
        if (femme >= 0) {
            x.femme = femme + m_decalage;
            x.empreinteFemme = empreinteDe(fiche(femme));
        }
        x.ordreMari = f.ordreMari;
        x.ordreFemme = f.ordreFemme;
        x.ecritMari = f.ecritMari;
        x.ecritFemme = f.ecritFemme;
        if (id < m_lignesFamilles.size())
            x.gedcom = reecrirePointeurs(m_lignesFamilles[id], nouveau);
        for (const Famille::Membre& m : f.membres)
            x.enfants.push_back({m.enfant + m_decalage, empreinteDe(fiche(m.enfant)), m.filiation,
                                 reecrirePointeurs(m.lignes, nouveau)});
        c.couples.push_back(std::move(x));
    }
    for (const auto& [xref, gedcom] : m_enregistrementsGardes)
        c.enregistrements.push_back({enregistrements.at(xref), reecrirePointeurs(gedcom, nouveau)});
    m_enregistrementsGardes = {};
    return c;
}

// ---------------------------------------------------------------- a family

void Importateur::famille() {
    std::int32_t id = -1;
    if (!m_e.reference(0).empty())
        id = m_familles.numero(m_e.reference(0));
    else
        id = m_familles.numero("@sans identifiant " + std::to_string(m_nombreFamilles) + "@");
    if (static_cast<std::size_t>(id) >= m_famillesLues.size())
        m_famillesLues.resize(static_cast<std::size_t>(id) + 1);
    Famille& f = m_famillesLues[static_cast<std::size_t>(id)];
    auto perteFamille = [&f](Ecart genre, const QString& detail) {
        f.pertes.push_back({genre, 1, detail});
    };
    if (f.definie) {
        perteDuFichier(
            Ecart::Structure,
            QStringLiteral("Le fichier : la famille %1 est définie deux fois ; la "
                           "seconde n'est pas lue")
                .arg(QString::fromLatin1(m_e.reference(0).data(),
                                         static_cast<qsizetype>(m_e.reference(0).size()))));
        return;
    }
    f.definie = true;
    f.ligne = m_nombreFamilles++;
    if (m_avecComplements) {
        if (static_cast<std::size_t>(id) >= m_lignesFamilles.size())
            m_lignesFamilles.resize(static_cast<std::size_t>(id) + 1);
        std::string& lignes = m_lignesFamilles[static_cast<std::size_t>(id)];
        for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l))
            if (const std::uint64_t c = m_e.code(l);
                c != HUSB && c != WIFE && c != CHIL && !administratif(c))
                lignes += texteUtf8(l, 1);
    }
    bool mariage = false;
    for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l)) {
        const std::uint64_t c = m_e.code(l);
        const std::string_view ref = gedcom::sansBlancs(m_e.valeur(l));
        if (c == HUSB || c == WIFE) {
            const std::int32_t personne = m_personnes.numero(ref);
            if (f.mari < 0 && c == HUSB) f.mari = personne;
            if (f.femme < 0 && c == WIFE) f.femme = personne;
        } else if (c == CHIL) {
            Filiation filiation = Filiation::Naissance;
            for (const std::uint64_t relation : {FREL, MREL, PEDI})
                if (const std::size_t r = m_e.sous(l, relation);
                    r && filiationDe(m_e.valeur(r)) != Filiation::Naissance)
                    filiation = filiationDe(m_e.valeur(r));
            f.enfants.push_back({m_personnes.numero(ref), filiation});
        } else if (c == MARR && !mariage) {
            mariage = true;
            if (const std::size_t d = m_e.sous(l, DATE)) f.date = valeurSurUneLigne(d);
            if (const std::size_t p = m_e.sous(l, PLAC)) f.lieu = valeurSurUneLigne(p);
            for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
                if (m_e.code(j) != DATE && m_e.code(j) != PLAC)
                    perteFamille(m_e.code(j) == SOUR   ? Ecart::Source
                                 : m_e.code(j) == NOTE ? Ecart::Note
                                 : m_e.code(j) == OBJE ? Ecart::Media
                                                       : Ecart::DetailEvenement,
                                 QStringLiteral("le mariage : %1 n'est pas gardé")
                                     .arg(nomEvenement(m_e.etiquette(j))));
        } else if (c == SOUR || c == NOTE || c == OBJE) {
            perteFamille(c == SOUR   ? Ecart::Source
                         : c == NOTE ? Ecart::Note
                                     : Ecart::Media,
                         c == SOUR   ? QStringLiteral("une source de la famille n'est pas gardée")
                         : c == NOTE ? QStringLiteral("une note de la famille n'est pas gardée")
                                     : QStringLiteral("une image de la famille n'est pas gardée"));
        } else if (c == RESN || identifiant(c)) {
            perteFamille(c == RESN ? Ecart::Confidentialite : Ecart::Identifiant,
                         QStringLiteral("%1 de la famille n'est pas gardé")
                             .arg(nomEvenement(m_e.etiquette(l))));
        } else if (!administratif(c)) {
            QString nom = nomEvenement(m_e.etiquette(l));
            if (const std::size_t d = m_e.sous(l, DATE))
                nom += QStringLiteral(" (%1)").arg(valeurSurUneLigne(d));
            else if (c == NCHI)
                nom += QStringLiteral(" « %1 »").arg(valeurSurUneLigne(l));
            perteFamille(Ecart::Evenement, QStringLiteral("non gardé (famille) : ") + nom);
        }
    }
    if (m_e.lignesReparees())
        f.pertes.push_back({Ecart::Structure, m_e.lignesReparees(),
                            QStringLiteral("%1 ligne(s) mal placée(s) dans la famille, "
                                           "rattachée(s) à la ligne qui les précède")
                                .arg(m_e.lignesReparees())});
}

// ---------------------------------------------------------------- once everything is read

// Portraits given as picture records, which may come after the persons.
void Importateur::portraits() {
    std::vector<std::uint8_t> utilise(m_fichiersObjets.size(), 0);
    for (const auto& [n, objet] : m_objetsDe) {
        if (objet < 0 || static_cast<std::size_t>(objet) >= m_fichiersObjets.size()) {
            perte(Ecart::ReferencePendante, n,
                  QStringLiteral("le portrait renvoie à une image absente du fichier"));
            continue;
        }
        utilise[static_cast<std::size_t>(objet)] = 1;
        const QString& chemin = m_fichiersObjets[static_cast<std::size_t>(objet)];
        if (!chemin.isEmpty()) texte(n, fiche(n).Photo, chemin, "le chemin du portrait");
    }
    (m_avecComplements ? m_enregistrementsGardesParGenre : m_enregistrementsIgnores)[2] =
        std::count(utilise.begin(), utilise.end(), 0);
}

// References to persons or families the file does not hold, GEDCOM 7's
// @VOID@ among them: each is told, and left out.
void Importateur::referencesPendantes() {
    auto familleAbsente = [&](const LienPersonne& l) {
        return static_cast<std::size_t>(l.famille) >= m_famillesLues.size() ||
               !m_famillesLues[static_cast<std::size_t>(l.famille)].definie;
    };
    for (const auto* liste : {&m_famc, &m_fams})
        for (const LienPersonne& l : *liste)
            if (familleAbsente(l))
                perte(Ecart::ReferencePendante, l.fiche,
                      QStringLiteral("une famille à laquelle la personne renvoie n'est pas dans "
                                     "le fichier"));
    const std::int32_t vide = m_personnes.chercher("@VOID@");
    for (Famille& f : m_famillesLues) {
        if (!f.definie) continue;
        auto absente = [&](std::int32_t personne) {
            return personne >= 0 && ficheDe(personne) < 0;
        };
        const std::int32_t temoin = ficheDe(f.mari) >= 0 ? ficheDe(f.mari) : ficheDe(f.femme);
        auto signaler = [&](const QString& quoi, std::int32_t personne) {
            const QString detail =
                personne == vide
                    ? QStringLiteral("la famille nomme %1 « @VOID@ » (personne inconnue)").arg(quoi)
                    : QStringLiteral("la famille renvoie, comme %1, à une personne absente du "
                                     "fichier")
                          .arg(quoi);
            if (temoin >= 0)
                perte(Ecart::ReferencePendante, temoin, detail);
            else
                perteDuFichier(Ecart::ReferencePendante, QStringLiteral("Le fichier : ") + detail);
        };
        if (absente(f.mari)) signaler(QStringLiteral("mari"), f.mari);
        if (absente(f.femme)) signaler(QStringLiteral("épouse"), f.femme);
        for (const Famille::Enfant& e : f.enfants)
            if (absente(e.personne)) signaler(QStringLiteral("enfant"), e.personne);
    }
}

// The families a child belongs to, by its own FAMC and by their CHIL: one is
// chosen, the birth family first, and every other one is told.
void Importateur::liens() {
    struct Appartenance {
        std::int32_t enfant;
        std::int32_t famille;
        Filiation filiation;
        bool parFamc, parChil;
        std::int64_t ordre; // the child's own order first, then the file's
        std::string lignes;
    };
    auto definie = [&](std::int32_t famille) {
        return famille >= 0 && static_cast<std::size_t>(famille) < m_famillesLues.size() &&
               m_famillesLues[static_cast<std::size_t>(famille)].definie;
    };
    std::vector<Appartenance> toutes;
    toutes.reserve(m_famc.size());
    for (std::size_t i = 0; i < m_famc.size(); ++i)
        if (definie(m_famc[i].famille))
            toutes.push_back({m_famc[i].fiche, m_famc[i].famille, m_famc[i].filiation, true, false,
                              static_cast<std::int64_t>(i), std::move(m_famc[i].lignes)});
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        const Famille& f = m_famillesLues[id];
        for (const Famille::Enfant& e : f.enfants)
            if (const std::int32_t enfant = ficheDe(e.personne); enfant >= 0)
                toutes.push_back({enfant,
                                  static_cast<std::int32_t>(id),
                                  e.filiation,
                                  false,
                                  true,
                                  static_cast<std::int64_t>(m_famc.size()) + f.ligne,
                                  {}});
    }
    m_famc = {};
    // By child, one entry per family, the two sides merged, the child's own
    // order first.
    std::vector<std::uint32_t> debut;
    std::vector<Appartenance> fusion = grouper(std::move(toutes), m_r.fiches.size(), debut,
                                               [](const Appartenance& a) { return a.enfant; });
    for (std::size_t e = 0; e + 1 < debut.size(); ++e) {
        const auto premier = fusion.begin() + debut[e], dernier = fusion.begin() + debut[e + 1];
        for (auto a = premier; a != dernier; ++a)
            for (auto b = a + 1; b != dernier; ++b)
                if (b->famille == a->famille && b->enfant >= 0) {
                    a->parFamc |= b->parFamc;
                    a->parChil |= b->parChil;
                    a->ordre = std::min(a->ordre, b->ordre);
                    if (b->filiation != Filiation::Naissance) a->filiation = b->filiation;
                    a->lignes += b->lignes;
                    b->enfant = -1; // merged
                }
        trierPetitGroupe(premier, dernier, [](const Appartenance& a, const Appartenance& b) {
            return a.ordre < b.ordre;
        });
    }
    std::erase_if(fusion, [](const Appartenance& a) { return a.enfant < 0; });
    auto parents = [&](std::int32_t famille) {
        const Famille& f = m_famillesLues[static_cast<std::size_t>(famille)];
        QStringList noms;
        for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
            if (p >= 0) noms << designationPersonne(fiche(p));
        return noms.isEmpty() ? QStringLiteral("parents inconnus")
                              : noms.join(QStringLiteral(" et "));
    };
    std::vector<std::int32_t> familleChoisie(m_r.fiches.size(), -1);
    for (std::size_t debut = 0; debut < fusion.size();) {
        std::size_t fin = debut;
        while (fin < fusion.size() && fusion[fin].enfant == fusion[debut].enfant)
            ++fin;
        const std::int32_t enfant = fusion[debut].enfant;
        const Appartenance* choisie = nullptr;
        for (std::size_t i = debut; i < fin && !choisie; ++i)
            if (fusion[i].filiation == Filiation::Naissance) choisie = &fusion[i];
        for (std::size_t i = debut; i < fin; ++i) {
            const Appartenance& a = fusion[i];
            if (m_avecComplements) {
                static const char* const filiations[] = {"birth", "adopted", "foster", "step"};
                const bool autre = a.filiation == Filiation::Naissance && &a != choisie;
                m_famillesLues[static_cast<std::size_t>(a.famille)].membres.push_back(
                    {enfant,
                     autre ? "other-birth" : filiations[static_cast<std::size_t>(a.filiation)],
                     a.lignes});
            }
            if (a.filiation != Filiation::Naissance)
                perte(Ecart::Filiation, enfant,
                      QStringLiteral("le lien %1 avec %2 n'est pas inscrit dans les fiches, "
                                     "qui ne nomment que les parents de naissance")
                          .arg(nomFiliation(a.filiation), parents(a.famille)));
            else if (&a != choisie)
                perte(Ecart::LienFamille, enfant,
                      QStringLiteral("enfant aussi de %1 : seule la famille de %2 est gardée")
                          .arg(parents(a.famille), parents(choisie->famille)));
            if (a.parFamc != a.parChil && a.filiation == Filiation::Naissance)
                perte(Ecart::LienComplete, enfant,
                      a.parFamc ? QStringLiteral("la personne se dit enfant de %1, que cette "
                                                 "famille ne compte pas parmi ses enfants ; le "
                                                 "lien est gardé")
                                      .arg(parents(a.famille))
                                : QStringLiteral("la famille de %1 la compte parmi ses enfants "
                                                 "sans que la personne s'en dise l'enfant ; le "
                                                 "lien est gardé")
                                      .arg(parents(a.famille)));
        }
        debut = fin;
        if (!choisie) continue;
        Famille& f = m_famillesLues[static_cast<std::size_t>(choisie->famille)];
        f.avecEnfant = true;
        const std::int32_t pere = ficheDe(f.mari), mere = ficheDe(f.femme);
        fiche(enfant).Pere = pere < 0 ? -1 : pere + m_decalage;
        fiche(enfant).Mere = mere < 0 ? -1 : mere + m_decalage;
        familleChoisie[static_cast<std::size_t>(enfant)] = choisie->famille;
    }
    fusion = {};
    // Each parent's children in the file's order: family by family, as each
    // lists them, then those only their own FAMC names.
    std::vector<std::pair<std::int32_t, std::int32_t>> enfantsDe; // parent, child
    auto inscrire = [&](std::int32_t enfant) {
        std::int32_t& famille = familleChoisie[static_cast<std::size_t>(enfant)];
        if (famille < 0) return;
        const Famille& f = m_famillesLues[static_cast<std::size_t>(famille)];
        for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
            if (p >= 0 && p != enfant) enfantsDe.push_back({p, enfant});
        famille = -1;
    };
    std::vector<std::int32_t> ordre(m_famillesLues.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::sort(ordre.begin(), ordre.end(), [&](std::int32_t a, std::int32_t b) {
        return m_famillesLues[static_cast<std::size_t>(a)].ligne <
               m_famillesLues[static_cast<std::size_t>(b)].ligne;
    });
    for (const std::int32_t id : ordre)
        for (const Famille::Enfant& e : m_famillesLues[static_cast<std::size_t>(id)].enfants)
            if (const std::int32_t enfant = ficheDe(e.personne);
                enfant >= 0 && familleChoisie[static_cast<std::size_t>(enfant)] == id)
                inscrire(enfant);
    for (std::int32_t enfant = 0; enfant < static_cast<std::int32_t>(familleChoisie.size());
         ++enfant)
        inscrire(enfant);
    // By parent, each parent's children in the order found.
    enfantsParRang(grouper(std::move(enfantsDe), m_r.fiches.size(), debut,
                           [](const std::pair<std::int32_t, std::int32_t>& l) { return l.first; }));
}

// The sort key of a birth date, read from the stored bytes for the common
// forms; -1 without a year.
std::int64_t cleDeNaissance(const ChampTexte<10>& date) {
    const int n = date.longueurSignificative();
    const auto& o = date.octets;
    auto chiffres = [&](int debut, int longueur, int& valeur) {
        valeur = 0;
        for (int i = debut; i < debut + longueur; ++i) {
            const std::uint8_t c = o[static_cast<std::size_t>(i)];
            if (c < '0' || c > '9') return false;
            valeur = valeur * 10 + (c - '0');
        }
        return true;
    };
    int jour = 0, mois = 0, annee = 0;
    if (n == 10 && o[2] == '/' && o[5] == '/' && chiffres(6, 4, annee)) {
        if (!chiffres(3, 2, mois)) mois = 0;
        if (!chiffres(0, 2, jour)) jour = 0;
        return static_cast<std::int64_t>(annee) * 10000 + mois * 100 + jour;
    }
    const DateLue d = lireDate(date.texte());
    if (!d.aUneAnnee()) return -1;
    return static_cast<std::int64_t>(d.annee) * 10000 + d.mois * 100 + d.jour;
}

// A parent's children go into the slots by birth date, the slot being the
// birth rank: the undated keep the file's order after the dated ones, or
// among them when the file's order agrees with their dates.
void Importateur::enfantsParRang(
    const std::vector<std::pair<std::int32_t, std::int32_t>>& enfantsDe) {
    std::vector<std::int32_t> ordre;
    std::vector<std::int64_t> cles;
    for (std::size_t debut = 0; debut < enfantsDe.size();) {
        std::size_t fin = debut;
        const std::int32_t parent = enfantsDe[debut].first;
        ordre.clear();
        while (fin < enfantsDe.size() && enfantsDe[fin].first == parent)
            ordre.push_back(enfantsDe[fin++].second);
        debut = fin;
        if (ordre.size() > 1) {
            cles.clear();
            bool enOrdre = true;
            std::int64_t precedente = -1;
            for (const std::int32_t e : ordre) {
                cles.push_back(cleDeNaissance(fiche(e).DateNaissance));
                if (cles.back() >= 0) {
                    enOrdre = enOrdre && cles.back() >= precedente;
                    precedente = cles.back();
                }
            }
            if (!enOrdre) {
                std::vector<std::size_t> indices(ordre.size());
                std::iota(indices.begin(), indices.end(), 0);
                std::stable_partition(indices.begin(), indices.end(),
                                      [&](std::size_t i) { return cles[i] >= 0; });
                const auto fin = std::find_if(indices.begin(), indices.end(),
                                              [&](std::size_t i) { return cles[i] < 0; });
                std::stable_sort(indices.begin(), fin,
                                 [&](std::size_t a, std::size_t b) { return cles[a] < cles[b]; });
                std::vector<std::int32_t> range;
                for (const std::size_t i : indices)
                    range.push_back(ordre[i]);
                ordre.swap(range);
                perte(Ecart::EnfantsReordonnes, parent,
                      QStringLiteral("les enfants sont inscrits par date de naissance, non dans "
                                     "l'ordre du fichier"));
            }
        }
        TFiche& p = fiche(parent);
        const std::size_t inscrits = std::min<std::size_t>(ordre.size(), NbEmplacementsEnfants);
        for (std::size_t rang = 0; rang < inscrits; ++rang)
            p.Enfants[rang] = ordre[rang] + m_decalage;
        p.NbEnfants = static_cast<std::uint8_t>(inscrits);
        if (ordre.size() > inscrits)
            perte(Ecart::PlusDeDixEnfants, parent,
                  QStringLiteral("%1 enfants : seuls les dix premiers sont inscrits ; les autres "
                                 "nomment toujours leurs parents")
                      .arg(ordre.size()),
                  static_cast<std::int64_t>(ordre.size() - inscrits));
    }
}

// Each person's record holds one marriage: that of the first of its families
// (in the order the person lists them) that has a date or a place. The
// others are told, and so are childless couples without any date.
void Importateur::mariages() {
    // Each person's families: those it lists first, in its order, then those
    // that name it, in the file's order.
    struct DeLaPersonne {
        std::int32_t fiche, famille;
        std::int64_t ordre;
    };
    std::vector<DeLaPersonne> familles;
    for (std::size_t i = 0; i < m_fams.size(); ++i)
        familles.push_back({m_fams[i].fiche, m_fams[i].famille, static_cast<std::int64_t>(i)});
    for (std::size_t id = 0; id < m_famillesLues.size(); ++id) {
        const Famille& f = m_famillesLues[id];
        if (!f.definie) continue;
        for (const std::int32_t p : {ficheDe(f.mari), ficheDe(f.femme)})
            if (p >= 0)
                familles.push_back({p, static_cast<std::int32_t>(id),
                                    static_cast<std::int64_t>(m_fams.size()) + f.ligne});
    }
    m_fams = {};
    std::vector<std::uint32_t> groupes;
    familles = grouper(std::move(familles), m_r.fiches.size(), groupes,
                       [](const DeLaPersonne& d) { return d.fiche; });
    for (std::size_t p = 0; p + 1 < groupes.size(); ++p)
        trierPetitGroupe(
            familles.begin() + groupes[p], familles.begin() + groupes[p + 1],
            [](const DeLaPersonne& a, const DeLaPersonne& b) { return a.ordre < b.ordre; });
    std::vector<std::int32_t> vues;
    for (std::size_t debut = 0; debut < familles.size();) {
        const std::int32_t n = familles[debut].fiche;
        TFiche& f = fiche(n);
        bool tenu = false;
        vues.clear();
        for (; debut < familles.size() && familles[debut].fiche == n; ++debut) {
            const std::int32_t id = familles[debut].famille;
            if (static_cast<std::size_t>(id) >= m_famillesLues.size() ||
                !m_famillesLues[static_cast<std::size_t>(id)].definie ||
                std::find(vues.begin(), vues.end(), id) != vues.end())
                continue;
            vues.push_back(id);
            Famille& fam = m_famillesLues[static_cast<std::size_t>(id)];
            const bool mari = ficheDe(fam.mari) == n;
            (mari ? fam.ordreMari : fam.ordreFemme) = static_cast<int>(vues.size()) - 1;
            const std::int32_t autre = mari ? ficheDe(fam.femme) : ficheDe(fam.mari);
            auto avec = [&] {
                return autre >= 0 ? QStringLiteral(" avec ") + designationPersonne(fiche(autre))
                                  : QString();
            };
            if (fam.date.isEmpty() && fam.lieu.isEmpty()) {
                if (autre >= 0 && !fam.avecEnfant && ficheDe(fam.mari) == n)
                    perte(Ecart::Mariage, n,
                          QStringLiteral("le couple%1, sans enfant ni date de mariage, ne peut "
                                         "pas être retrouvé")
                              .arg(avec()));
                continue;
            }
            if (tenu) {
                QStringList quand;
                for (const QString& partie : {fam.date, fam.lieu})
                    if (!partie.isEmpty()) quand << partie;
                perte(Ecart::Mariage, n,
                      QStringLiteral("un autre mariage%1 (%2) n'est pas gardé : la fiche n'en "
                                     "tient qu'un")
                          .arg(avec(), quand.join(QStringLiteral(", "))));
                continue;
            }
            tenu = true;
            date(n, f.DateMariage, fam.date, "la date de mariage");
            texte(n, f.LieuMariage, fam.lieu, "le lieu de mariage");
            if (m_avecComplements) (mari ? fam.ecritMari : fam.ecritFemme) = ecritDe(f, "MARR");
        }
        m_avecFamille[static_cast<std::size_t>(n)] = 1;
    }
    // A woman's title: Madame when she has a spouse, or when this program
    // wrote the file (its women without a title are Madame).
    if (!m_deVelmoris)
        for (std::size_t n = 0; n < m_r.fiches.size(); ++n)
            if (m_r.fiches[n].Qualite == 1 && !m_titreDonne[n] && !m_avecFamille[n])
                m_r.fiches[n].Qualite = 2;
    std::vector<std::int32_t> ordre(m_famillesLues.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](std::int32_t a, std::int32_t b) {
        return m_famillesLues[static_cast<std::size_t>(a)].ligne <
               m_famillesLues[static_cast<std::size_t>(b)].ligne;
    });
    // What a family held beyond its links, told with one of its spouses.
    for (const std::int32_t id : ordre) {
        const Famille& fam = m_famillesLues[static_cast<std::size_t>(id)];
        const std::int32_t temoin = ficheDe(fam.mari) >= 0 ? ficheDe(fam.mari) : ficheDe(fam.femme);
        for (const Famille::Perte& p : fam.pertes) {
            if (temoin >= 0)
                perte(p.genre, temoin, p.detail, p.quantite);
            else
                perteDuFichier(p.genre,
                               QStringLiteral("Le fichier : une famille sans parent "
                                              "connu : ") +
                                   p.detail,
                               p.quantite);
        }
    }
}

ResultatImport Importateur::terminer(const QString& nom) {
    finEnregistrement();
    const auto nombre = static_cast<std::int32_t>(m_r.fiches.size());
    if (nombre == 0)
        throw ErreurVelmoris(
            (nom.isEmpty() ? QStringLiteral("Ce texte")
                           : QStringLiteral("Le fichier « %1 »").arg(nom)) +
            QStringLiteral(" ne contient aucune personne : ce n'est pas un fichier GEDCOM, ou il "
                           "est vide. Rien n'a été importé."));
    portraits();
    referencesPendantes();
    liens();
    mariages();
    briserBoucles(m_r.fiches, m_decalage,
                  [&](std::int32_t n, const QString& detail) { perte(Ecart::Boucle, n, detail); });
    if (m_avecComplements) m_r.complements = complementsResolus();
    static const char* const quoi[] = {"source(s)", "note(s)", "image(s) ou document(s)",
                                       "autre(s) enregistrement(s) (dépôts, lieux…)"};
    static const Ecart genres[] = {Ecart::Source, Ecart::Note, Ecart::Media, Ecart::Enregistrement};
    for (std::size_t i = 0; i < 4; ++i) {
        if (const std::int64_t n = m_enregistrementsIgnores[i])
            m_r.rapport.ajouter(genres[i], n,
                                QStringLiteral("Le fichier : %1 %2 non gardé(e)s")
                                    .arg(n)
                                    .arg(QString::fromUtf8(quoi[i])));
        if (const std::int64_t n = m_enregistrementsGardesParGenre[i])
            m_r.rapport.ajouter(
                genres[i], n,
                QStringLiteral("Le fichier : %1 %2").arg(n).arg(QString::fromUtf8(quoi[i])), true);
    }
    const gedcom::JeuDeCaracteres& jeu = m_decodeur.jeu();
    if (jeu.inconnu)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("Le fichier annonce le jeu de caractères « %1 », inconnu : "
                                      "il a été lu en UTF-8.")
                           .arg(jeu.nom));
    if (const std::int64_t n = m_decodeur.valeursFautives())
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("%1 texte(s) ne sont pas écrits dans le jeu de caractères "
                                      "annoncé (%2) : des lettres ont pu être mal lues.")
                           .arg(n)
                           .arg(jeu.nom.isEmpty() ? QStringLiteral("UTF-8") : jeu.nom),
                       n);
    if (m_controlesFichier)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("Le fichier : %1 caractère(s) de contrôle (tabulations, "
                                      "octets nuls…) ont été retirés des textes de ses familles "
                                      "et autres enregistrements.")
                           .arg(m_controlesFichier),
                       m_controlesFichier);
    if (m_illisibles)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("%1 ligne(s) qui ne suivent pas la forme GEDCOM ont été "
                                      "ignorées.")
                           .arg(m_illisibles),
                       m_illisibles);
    if (m_horsEnregistrement)
        perteDuFichier(Ecart::Structure,
                       QStringLiteral("%1 ligne(s) hors de tout enregistrement ont été ignorées.")
                           .arg(m_horsEnregistrement),
                       m_horsEnregistrement);
    return std::move(m_r);
}

// Feeds the importer with the bytes of a file or of memory, as UTF-8 when
// the file is UTF-16.
class Alimentation {
public:
    Alimentation(Importateur& importateur, gedcom::Codage codage)
        : m_importateur(importateur), m_codage(codage) {
        if (codage == gedcom::Codage::Utf16LE) m_utf16 = QStringDecoder(QStringDecoder::Utf16LE);
        if (codage == gedcom::Codage::Utf16BE) m_utf16 = QStringDecoder(QStringDecoder::Utf16BE);
    }
    void ajouter(const char* octets, std::int64_t taille) {
        auto ligne = [this](std::string_view l) { m_importateur.ligne(l); };
        if (m_codage == gedcom::Codage::Utf16LE || m_codage == gedcom::Codage::Utf16BE) {
            const QByteArray utf8 =
                QString(m_utf16(QByteArrayView(octets, static_cast<qsizetype>(taille)))).toUtf8();
            if (m_utf16.hasError()) m_erreurs = true;
            m_decoupeur.ajouter(
                std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), ligne);
        } else {
            m_decoupeur.ajouter(std::string_view(octets, static_cast<std::size_t>(taille)), ligne);
        }
    }
    void terminer() {
        m_decoupeur.terminer([this](std::string_view l) { m_importateur.ligne(l); });
    }
    bool erreursUtf16() const { return m_erreurs; }

private:
    Importateur& m_importateur;
    gedcom::Codage m_codage;
    QStringDecoder m_utf16;
    gedcom::Decoupeur m_decoupeur;
    bool m_erreurs = false;
};

ResultatImport conclure(Importateur& importateur, Alimentation& alimentation, const QString& nom) {
    alimentation.terminer();
    ResultatImport r = importateur.terminer(nom);
    if (alimentation.erreursUtf16())
        r.rapport.ajouter(Ecart::Lecture, 1,
                          QStringLiteral("Le fichier, écrit en UTF-16, contient des octets qui "
                                         "ne sont pas du texte : ils ont été remplacés."));
    return r;
}

} // namespace

ResultatImport importerGedcom(const QByteArray& contenu, std::int32_t decalage, const QString& nom,
                              const OptionsImport& options) {
    const gedcom::JeuDeCaracteres jeu = gedcom::jeuDeCaracteres(contenu.left(65536));
    Importateur importateur(jeu, decalage, options);
    Alimentation alimentation(importateur, jeu.codage);
    const std::int64_t marque = gedcom::tailleMarque(contenu, jeu.codage);
    alimentation.ajouter(contenu.constData() + marque, contenu.size() - marque);
    return conclure(importateur, alimentation, nom);
}

ResultatImport importerGedcomFichier(const QString& chemin, std::int32_t decalage,
                                     const OptionsImport& options) {
    const QString quoi = QStringLiteral("Le fichier GEDCOM");
    if (!QFile::exists(chemin))
        throw ErreurVelmoris(QStringLiteral("%1 « %2 » est introuvable").arg(quoi, chemin));
    exigerFichierOrdinaire(chemin, quoi);
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ErreurVelmoris(
            QStringLiteral("%1 « %2 » ne peut pas être lu (%3)")
                .arg(quoi, chemin, ErreurES::texteDuCode(ErreurES::codeDepuisErrno(errno))));
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
    const gedcom::JeuDeCaracteres jeu = gedcom::jeuDeCaracteres(tete);
    Importateur importateur(jeu, decalage, options);
    Alimentation alimentation(importateur, jeu.codage);
    const std::int64_t marque = gedcom::tailleMarque(tete, jeu.codage);
    alimentation.ajouter(bloc.data() + marque, n - marque);
    lus += n;
    // The file never grows past its size at the start, whatever another program does.
    while (n > 0 && lus < infos.st_size) {
        n = lire();
        alimentation.ajouter(bloc.data(), n);
        lus += n;
    }
    return conclure(importateur, alimentation, chemin);
}
