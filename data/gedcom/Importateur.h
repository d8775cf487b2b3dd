#pragma once

// The GEDCOM importer's own parts, shared by the files that read the file,
// the persons, the families and what goes to the companion store. Not for
// use outside the import.
#include "data/fichier/Cp1252.h"
#include "data/fichier/TFiche.h"
#include "data/fichier/Translitteration.h"
#include "data/gedcom/Gedcom.h"
#include "data/gedcom/GedcomLecture.h"

#include <QString>

#include <array>
#include <cstring>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace importation {

using gedcom::code;

inline constexpr std::uint64_t INDI = code("INDI"), FAM = code("FAM"), OBJE = code("OBJE"),
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
// Printable ASCII, with no blank at either end nor two blanks running.
inline bool asciiSurUneLigne(std::string_view v) {
    if (!v.empty() && (v.front() == ' ' || v.back() == ' ')) return false;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (c - 0x20u >= 0x5Fu || (c == ' ' && i + 1 < v.size() && v[i + 1] == ' ')) return false;
    }
    return true;
}

bool administratif(std::uint64_t c);
bool identifiant(std::uint64_t c);
bool adresse(std::uint64_t c);
// An event's name in French, for the report.
QString nomEvenement(std::string_view etiquette);

// How a child belongs to a family, as FAMC's PEDI or CHIL's _FREL and _MREL say.
enum class Filiation : std::uint8_t { Naissance, Adoption, Accueil, Autre };
Filiation filiationDe(std::string_view valeur);
QString nomFiliation(Filiation f);

// A loop of families makes someone their own ancestor, which no tree holds.
// Walking up the father and mother links, the link that closes a loop is
// left at -1, on both sides, and each is reported. Links are numbered from
// `decalage`.
void briserBoucles(std::vector<TFiche>& fiches, std::int32_t decalage,
                   const std::function<void(std::int32_t, const QString&)>& signaler);

// With a companion store, what the record cannot hold is kept there, but for
// what no store can bring back: damaged text, loops, references to nothing.
bool gardable(Ecart genre);

// The sort key of a birth date, read from the stored bytes for the common
// forms; -1 without a year.
std::int64_t cleDeNaissance(const ChampTexte<10>& date);

// GEDCOM text whose pointers are rewritten: each line's value that is a
// pointer, and a record's own identifier, through `nouveau`; a line whose
// pointer leads nowhere goes, with the lines under it, and is added to
// `otees` ("1 ASSO @I99@") to be told.
std::string
reecrirePointeurs(std::string texte,
                  const std::function<std::optional<std::string>(std::string_view)>& nouveau,
                  std::vector<std::string>* otees = nullptr);

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
    elements = std::vector<T>();
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

// Lines kept for the companion store, most often none: held by a pointer,
// so that the million links of a large file stay small.
using LignesGardees = std::unique_ptr<std::string>;
inline LignesGardees lignesGardees(std::string lignes) {
    return lignes.empty() ? nullptr : std::make_unique<std::string>(std::move(lignes));
}

// A family, until the links are made.
struct Famille {
    std::int32_t mari = -1, femme = -1; // person identifiers
    struct Enfant {
        std::int32_t personne;
        Filiation filiation;
        LignesGardees lignes; // what its CHIL line said beyond the link, as "2 CHIL" and under
    };
    std::vector<Enfant> enfants;
    QString date, lieu;      // of its first marriage
    bool definie = false;    // its record was read
    bool mariageLu = false;  // its first marriage was read
    bool avecEnfant = false; // a child's record names this couple
    // For the companion store: its children and how each belongs to it, the
    // marriage written in each spouse's record, the order of this marriage
    // for each spouse.
    struct Membre {
        std::int32_t enfant;
        const char* filiation; // as GEDCOM's PEDI says
        LignesGardees lignes;  // what the child's FAMC said beyond it
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
    LignesGardees lignes; // what a FAMC says beyond its pedigree
};

// One family of a child, by its FAMC or the family's CHIL, until one is chosen.
struct Appartenance {
    std::int32_t enfant;
    std::int32_t famille;
    Filiation filiation;
    bool parFamc, parChil;
    // The child's own order first, then the file's: a FAMC line's rank, or
    // the count of FAMC lines plus the family's; even an 8 GiB file holds
    // fewer than 2^32 such lines (and 24 bytes a link, not 32, for a
    // million children linked both ways).
    std::uint32_t ordre;
    LignesGardees lignes;
};
static_assert(sizeof(Appartenance) <= 24);

// One family of a person, in the order the person's own FAMS give, then the file's.
struct FamilleDeLaPersonne {
    std::int32_t fiche, famille;
    std::int64_t ordre;
};

struct NomLu {
    QString prenom, nom, suffixe;
};

// A person's lines, by what each goes into: the first of each kind the
// record holds, its names, and the rest.
struct PersonneLue {
    enum Place { Sexe, Profession, Naissance, Deces, Bapteme, Inhumation, Portrait, Nombre };
    std::int32_t fiche;
    std::array<std::size_t, Nombre> premieres;
    std::vector<std::size_t>& noms;
    std::vector<std::size_t>& autres;
};

// How an event of the record and the one that may stand in for it are told.
struct NomsDEvenement {
    const char* evenement; // "naissance"
    const char* substitut; // "le baptême"
    const char* date;      // "la date de naissance"
    const char* lieu;      // "le lieu de naissance"
};

// A name being read: what its parts gave so far, whose it is.
struct NomEnLecture {
    NomLu nom;
    QString particule;
    std::int32_t fiche;
    TFiche& personne;
};

class Importateur {
public:
    Importateur(gedcom::JeuDeCaracteres jeu, std::int32_t decalage, const OptionsImport& options)
        : m_decodeur(std::move(jeu)), m_decalage(decalage), m_avecComplements(options.complements),
          m_numeroImport(options.numeroImport) {}

    // A GEDCOM of that many bytes to come: room made for its persons at
    // once, so that the records are never copied to a larger buffer (twice
    // the memory for a moment, and a second write of every page).
    void prevoir(std::int64_t octets);
    void ligne(std::string_view brute);
    ResultatImport terminer(const QString& nom);

private:
    // Reading.
    void finEnregistrement();
    void entete();
    void auteur();
    void detailDuLien(std::size_t ligne, Famille& f, const char* qui);
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
    // One line of the report, kept when the store can bring it back.
    void dire(Ecart genre, std::int64_t quantite, const QString& texte, bool garde);
    void autreEnregistrement();
    void sansSuite();
    template <typename Champ>
    void texte(std::int32_t fiche, Champ& champ, const QString& valeur, const char* quoi);
    // The same from a line's value on one line.
    template <typename Champ>
    void texteDeLaLigne(std::int32_t fiche, Champ& champ, std::size_t ligne, const char* quoi);
    void date(std::int32_t fiche, ChampTexte<10>& champ, const QString& valeur, const char* quoi);
    // The person being read.
    // The lines of a person, each classed by its tag's handler.
    void classer(std::size_t ligne, PersonneLue& lue);
    void nomDeLaPersonne(std::size_t ligne, PersonneLue& lue);
    void lienDeFamille(std::size_t ligne, PersonneLue& lue);
    void portraitDeLaPersonne(std::size_t ligne, PersonneLue& lue);
    template <PersonneLue::Place P> void premiere(std::size_t ligne, PersonneLue& lue) {
        if (lue.premieres[P])
            lue.autres.push_back(ligne);
        else
            lue.premieres[P] = ligne;
    }
    std::int32_t nouvelleFiche();
    std::size_t nomPrincipal(const PersonneLue& lue, TFiche& f);
    void qualiteParLeSexe(const PersonneLue& lue, TFiche& f);
    void autresNoms(const PersonneLue& lue, std::size_t principal);
    std::size_t evenementDeLaFiche(PersonneLue& lue, std::size_t principal, std::size_t substitut,
                                   const NomsDEvenement& noms, ChampTexte<10>& champDate,
                                   ChampTexte<30>& champLieu);
    void portraitLu(std::size_t portrait, std::int32_t fiche, TFiche& f);
    void resteDeLaPersonne(std::size_t ligne, std::int32_t fiche);
    NomLu lireNom(std::size_t ligne, std::int32_t fiche, TFiche& f);
    // The lines of a family, each through its tag's handler.
    void conjointDeLaFamille(std::size_t ligne, Famille& f);
    void enfantDeLaFamille(std::size_t ligne, Famille& f);
    void mariageDeLaFamille(std::size_t ligne, Famille& f);
    void renvoiDeLaFamille(std::size_t ligne, Famille& f);
    void autreLigneDeLaFamille(std::size_t ligne, Famille& f);
    // The parts of a name given apart, one handler a tag.
    void prenomsAPart(const QString& partie, NomEnLecture& lu);
    void nomAPart(const QString& partie, NomEnLecture& lu);
    void particule(const QString& partie, NomEnLecture& lu);
    void titre(const QString& partie, NomEnLecture& lu);
    void suffixe(const QString& partie, NomEnLecture& lu);
    void surnom(const QString& partie, NomEnLecture& lu);
    void nomDEpouse(const QString& partie, NomEnLecture& lu);
    void lireEvenement(std::size_t ligne, std::int32_t fiche, const char* nom, bool aDateEtLieu);
    void detailsDeLigne(std::size_t ligne, std::int32_t fiche, const QString& dans,
                        bool gardable = true);
    // Once everything is read.
    void portraits();
    void referencesPendantes();
    void liens();
    std::vector<Appartenance> appartenances();
    QString parentsDe(std::int32_t famille);
    std::int32_t choisirLaFamille(Appartenance* debut, Appartenance* fin);
    void inscrireLesEnfants(std::vector<std::int32_t>& familleChoisie);
    std::vector<std::int32_t> famillesDansLOrdreDuFichier() const;
    void enfantsParRang(const std::vector<std::pair<std::int32_t, std::int32_t>>& enfantsDe);
    void mariages();
    std::vector<FamilleDeLaPersonne> famillesDeChaquePersonne();
    bool mariageDansLaFiche(std::int32_t fiche, Famille& famille, int rang, bool tenu);
    void pertesDesFamilles();
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
    PersonnesImportees m_entrees;
    EntreePersonne m_entree; // the person being kept, its rooms reused
    std::vector<std::string> m_lignesFamilles;
    std::vector<std::pair<std::string, std::string>> m_enregistrementsGardes; // xref, GEDCOM
    std::string texteUtf8(std::size_t ligne, int niveau);
    void ajouterTexteUtf8(std::string& t, std::size_t ligne, int niveau);
    std::string m_lu, m_attendu; // a field's structure and what the record gives back, reused
    bool dejaUtf8(std::string_view valeur) const;
    void garderPersonne(std::int32_t n, std::size_t principal, const std::vector<std::size_t>& noms,
                        std::size_t sexe, std::size_t profession, std::size_t naissance,
                        bool naissanceSubstitut, std::size_t deces, bool decesSubstitut,
                        std::size_t portrait, const std::vector<std::size_t>& autres);
    ComplementsImport complementsResolus();
    void direLesLignesOtees(std::vector<std::string>& otees, const QString& qui);
    std::int64_t m_illisibles = 0, m_horsEnregistrement = 0;
    std::int64_t m_controles = 0, m_controlesFichier = 0; // of the record being read, of the others
    std::array<std::int64_t, 4> m_enregistrementsIgnores{}; // sources, notes, media, others
    std::array<std::int64_t, 4> m_enregistrementsGardesParGenre{};
};

// Most values are a few words of printable ASCII that fit the field: the
// same bytes in the file, in the record and in every set a file may be
// read in but UTF-16 and code pages that move ASCII, so they go straight
// into the record. The others are decoded and told as ever.
template <typename Champ>
void Importateur::texteDeLaLigne(std::int32_t n, Champ& champ, std::size_t ligne,
                                 const char* quoi) {
    const std::string_view v = gedcom::sansBlancs(m_e.valeur(ligne));
    const gedcom::Codage codage = m_decodeur.jeu().codage;
    const bool asciiTelQuel = codage == gedcom::Codage::Utf8 ||
                              codage == gedcom::Codage::Cp1252 || codage == gedcom::Codage::Ansel;
    if (asciiTelQuel && v.size() <= static_cast<std::size_t>(Champ::largeur) &&
        asciiSurUneLigne(v)) {
        std::memcpy(champ.octets.data(), v.data(), v.size());
        champ.longueur = static_cast<std::uint8_t>(v.size());
        return;
    }
    texte(n, champ, valeurSurUneLigne(ligne), quoi);
}

template <typename Champ>
void Importateur::texte(std::int32_t n, Champ& champ, const QString& valeur, const char* quoi) {
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

} // namespace importation
