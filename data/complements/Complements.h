#pragma once

#include "data/complements/PersonnesImportees.h"
#include "data/fichier/CritereLieuDate.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FamillesConnues.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
namespace structures {
class EcrivainStructures;
}

// The companion store of a genealogy file: one SQLite database beside the
// ".FIC" ("FAMILLE - compléments.sqlite" for "FAMILLE.FIC") that keeps, per
// person and per couple, what another program's file held and the record
// cannot: the fuller texts of its fields, events, sources, notes, other
// names, couples and their marriages, children beyond ten, adoptions, and
// the file's own sources and notes, as GEDCOM text given back on export.
//
// The records stay the master. Each entry is tied to its record number and
// to the record's fingerprint when it was written (surname, given names,
// birth date): an entry whose record no longer holds that fingerprint is
// detached, kept apart, never shown or exported as that person's.

// A couple, as the source recorded it: both persons, the order of this
// marriage for each, the family's own lines (marriage, divorce, sources),
// and its children with how each belongs to it.
struct EntreeCouple {
    std::int64_t id = 0;
    std::int32_t mari = -1, femme = -1; // record numbers, -1 unknown
    std::string empreinteMari, empreinteFemme;
    int ordreMari = 0, ordreFemme = 0; // 0 for the first marriage of that spouse
    // The marriage date and place the import wrote in each spouse's record
    // ("date\x1flieu"), empty when it wrote this marriage in neither.
    std::string ecritMari, ecritFemme;
    std::string gedcom; // level 1 lines of the family but HUSB, WIFE and CHIL
    struct Enfant {
        std::int32_t fiche = -1;
        std::string empreinte;
        std::string filiation; // "birth", "adopted", "foster"…; as GEDCOM's PEDI says
        std::string gedcom;    // what the child's FAMC said beyond it, level 2 lines
    };
    std::vector<Enfant> enfants;
};

// A record of the file other than persons and families (a source, a note,
// a picture, a repository), by its identifier in the store.
struct EnregistrementComplement {
    std::string xref;
    std::string gedcom; // from its level 0 line
};

// What an import hands to the store. Its entries leave their records'
// fingerprints empty: they are made from the import's records when the
// entries are written (held for each person, spouse and child of a large
// file they would weigh tens of megabytes beside the records themselves).
struct ComplementsImport {
    PersonnesImportees personnes;
    std::vector<EntreeCouple> couples;
    std::vector<EnregistrementComplement> enregistrements;
    std::int32_t premiereFiche = 0; // the record number of the import's first record
    bool vide() const { return personnes.empty() && couples.empty() && enregistrements.empty(); }
};

// An entry's fingerprint of record `fiche`: `donnee` when it has one, else
// that of the import's record (empty for a record outside the import).
std::string empreinteImportee(const std::string& donnee, std::int32_t fiche,
                              const ComplementsImport& c, std::span<const TFiche> fiches);

// An entry the records no longer match, for the "Compléments détachés" view.
struct EntreeDetachee {
    std::int64_t id = 0;
    std::int32_t fiche = -1; // the record it was written for
    std::string empreinte;   // what that record held then
    QString raison;          // why it is detached
    std::int64_t structures = 0;
};

// A name of a person as the source wrote it, in any script.
struct NomStocke {
    std::string complet;   // "Ivan /Зыков/"
    std::string type;      // "aka", "married"…, empty for the birth name
    std::string prenoms;   // the given names, from GIVN or the name itself
    std::string patronyme; // the surname, from SURN or between the slashes
};

// A place of the store: its own name, its whole name (with the places it
// lies in), the place it lies in (0 for none), its INSEE code and
// coordinates.
struct LieuConnu {
    std::int64_t id = 0, parent = 0;
    QString libelle, nom, insee;
    std::optional<std::pair<double, double>> coordonnees; // latitude, longitude
};

// A source of the file: its identifier and what a list shows of it.
struct SourceConnue {
    std::string xref;
    QString titre;
};

// A source as the sources window lists it.
struct SourceDetaillee {
    std::string xref;
    QString titre, depot, cote;
    std::int64_t citations = 0, personnes = 0;
};
// A repository: its identifier, name and how many sources it keeps.
struct DepotConnu {
    std::string xref;
    QString nom;
    std::int64_t sources = 0;
};
// A citation of a source: on which person (as the record and fingerprint
// it was kept for), on which fact, and where in the source.
struct CitationDeSource {
    std::int32_t fiche = -1;
    std::string empreinte;
    QString fait, page;
};

// A dated event of a person, for the consistency check: the record and
// fingerprint it was kept for, its tag, its GEDCOM date and its days; the
// record's field it details, if any.
struct EvenementDate {
    std::int32_t fiche = -1;
    std::string empreinte, etiquette, date, champ;
    std::int64_t debut = 1, fin = 0;
};
// A union with its earliest marriage and divorce ("date", first and last
// day); or, with a negative id, a child born of it.
struct UnionDatee {
    std::int64_t id = 0;
    std::int32_t mari = -1, femme = -1, enfant = -1;
    std::string empreinteMari, empreinteFemme, empreinteEnfant;
    int ordreMari = 0, ordreFemme = 0;
    struct Date {
        std::string date;
        std::int64_t debut = 1, fin = 0;
    } mariage, divorce;
};

// A finding of the consistency check the user dismissed: on which person
// (record and fingerprint), which rule, which values compared.
struct ConstatIgnore {
    std::int32_t fiche = -1;
    std::string empreinte, regle, valeurs;
};

// A person marked living or dead by hand, on the record and fingerprint
// it was marked for.
struct VieMarquee {
    std::int32_t fiche = -1;
    std::string empreinte;
    bool vivant = false;
};

// A store that cannot be used: damaged, locked, read-only, of a newer
// version. The genealogy file goes on without it.
class ErreurComplements : public ErreurVelmoris {
public:
    using ErreurVelmoris::ErreurVelmoris;
};

// The structures of a GEDCOM text, each from its level 1 line.
std::vector<std::string> structuresDe(const std::string& gedcom);

// Calls `ligne` with each line of a stored GEDCOM text, its line break left
// out, until it returns false.
template <typename F> void parcourirLignes(const std::string& gedcom, F&& ligne) {
    for (std::size_t debut = 0; debut < gedcom.size();) {
        std::size_t fin = gedcom.find('\n', debut);
        if (fin == std::string::npos) fin = gedcom.size();
        if (!ligne(std::string_view(gedcom.data() + debut, fin - debut))) return;
        debut = fin + 1;
    }
}

// The fingerprint of a record: its surname, given names and birth date.
std::string empreinteDe(const TFiche& fiche);
// A fingerprint in eight bytes, to compare a whole file's records with the
// store's entries without keeping their texts.
std::uint64_t empreinteHachee(const std::string& empreinte);
// The same, straight from a record's bytes.
std::uint64_t empreinteHacheeDesOctets(const std::uint8_t* fiche);

// What a record holds of a stored field ("NAME", "OCCU", "BIRT", "DEAT",
// "OBJE", and "MARR" for a couple), as the entry's `ecrit` compares it.
std::string ecritDe(const TFiche& fiche, const std::string& champ);

// The person entries in record order, read as the export goes.
class CurseurPersonnes {
public:
    virtual ~CurseurPersonnes() = default;
    // The next entry; false past the last.
    virtual bool suivante(EntreePersonne& entree) = 0;
};

class Complements {
public:
    ~Complements();
    Complements(const Complements&) = delete;
    Complements& operator=(const Complements&) = delete;

    // "FAMILLE - compléments.sqlite" beside "FAMILLE.FIC".
    static QString cheminPour(const QString& cheminFichier);
    static bool existe(const QString& cheminFichier);
    // Opens the store of a genealogy file, or creates it when `creer`.
    // Raises ErreurComplements, in French, when it cannot be used; a store
    // from someone else is opened defensively and only read as text.
    static std::unique_ptr<Complements> ouvrir(const QString& cheminFichier, bool creer);

    const QString& chemin() const { return m_chemin; }
    // A store opened read-only (a file on a CD, a folder without rights).
    bool lectureSeule() const { return m_lectureSeule; }

    // ---- writing, each a transaction of its own
    // An import's entries, `fiches` its records (for the fingerprints it left
    // empty); its number, which the identifiers of its sources and notes
    // carry, is counted in the store.
    void ajouterImport(const ComplementsImport& complements, std::span<const TFiche> fiches);
    int prochainImport();
    // A save by Velmoris: the entries of the record follow it to its new
    // content. `remplacement` when another person is typed over it ("Changer
    // Nom"): they are detached instead.
    void suivreEnregistrement(std::int32_t fiche, const TFiche& avant, const TFiche& apres,
                              bool remplacement);
    // The user's note of a person, created with its entry when needed.
    void ecrireNote(std::int32_t fiche, const TFiche& personne, const std::string& note);
    // A date typed in Velmoris that the record holds only in part (another
    // calendar, a double year): kept whole ("@#DFRENCH R@ 12 VEND 4") as the
    // structure of the record's field ("BIRT", "DEAT"), with what the source
    // said of it; the entry is created when needed.
    void ecrireDateEntiere(std::int32_t fiche, const TFiche& personne, const std::string& champ,
                           const std::string& date);
    // A marriage date typed in Velmoris that the record holds only in part,
    // kept whole in the person's first union; false when they have none.
    bool ecrireDateDuPremierMariage(std::int32_t fiche, const TFiche& personne,
                                    const std::string& date);
    // The union's marriage now as the record of that partner holds it: the
    // export takes the union's own marriage while the record keeps it so.
    void suivreMariage(std::int64_t couple, std::int32_t fiche, const TFiche& personne);
    // The date of the first union's marriage, empty when none.
    std::string dateDuPremierMariage(std::int32_t fiche, const TFiche& personne);
    // That whole date, while the record still holds what was written with
    // it; empty otherwise.
    std::string dateEntiere(std::int32_t fiche, const TFiche& actuelle, const std::string& champ);
    // ---- what the user enters beyond the record (an act, its proof)
    // Structures (level 1 GEDCOM text) added after a person's own, or as the
    // record's field `champ` ("BIRT", "DEAT") as the record now holds it;
    // the entry is created when needed.
    void ajouterALaPersonne(std::int32_t fiche, const TFiche& personne, const std::string& gedcom,
                            const std::string& champ = {});
    // A partner of a union: the record's number (-1 unknown) and content.
    struct Partenaire {
        std::int32_t numero = -1;
        const TFiche* fiche = nullptr;
    };
    // Structures added to the union of two persons, created when needed as
    // the last union of each.
    void ajouterAuCouple(const Partenaire& mari, const Partenaire& femme,
                         const std::string& gedcom);
    // A child born of that union, kept by the store (beyond the record's ten).
    void ajouterEnfantAuCouple(const Partenaire& pere, const Partenaire& mere, std::int32_t enfant,
                               const TFiche& ficheEnfant);
    // A child linked to a union: `filiation` as GEDCOM says it ("birth",
    // "adopted", "foster"), `lien` in French ("reconnaissance", "tutelle"…),
    // by default the French of `filiation`.
    void ajouterEnfantAUnion(std::int64_t couple, std::int32_t enfant, const TFiche& ficheEnfant,
                             const std::string& filiation, const std::string& lien = {});
    // A child's link to a union taken away, with what was said of it.
    void retirerEnfantDuCouple(std::int64_t couple, std::int32_t enfant);
    // A union, its events and its children's links.
    void supprimerCouple(std::int64_t couple);
    // A person's facts as the whole file edits them: the record's fields'
    // structures and every other structure (level 1 GEDCOM text), in order.
    void remplacerFaits(std::int32_t fiche, const TFiche& personne,
                        const std::vector<EntreePersonne::Champ>& champs, const std::string& faits);
    // A union's own structures (its events, sources, notes), in order.
    void remplacerFaitsDuCouple(std::int64_t couple, const std::string& faits);
    // Every source of the file, by title.
    std::vector<SourceConnue> sources();
    // A new source of that title; returns its identifier.
    std::string creerSource(const std::string& titre);
    // A record of the file (a source, a repository) under its identifier,
    // replacing the one of that identifier.
    void ecrireEnregistrement(const std::string& xref, const std::string& gedcom);
    // "@VS3@": a record identifier of that prefix no record has.
    std::string nouvelIdentifiant(const std::string& prefixe);
    // A setting kept with the store ("the last source used"), empty when none.
    std::string valeurMeta(const std::string& cle);
    void definirMeta(const std::string& cle, const std::string& valeur);

    // ---- places and sources reorganised
    // A place's own name changed; the places inside it and every event follow.
    void renommerLieu(std::int64_t lieu, const QString& libelle);
    // `lieu` merged into `dans`: its events and the places inside it move.
    void fusionnerLieux(std::int64_t lieu, std::int64_t dans);
    // A place's INSEE code and coordinates (none to clear them); (0, 0) refused.
    void definirLieu(std::int64_t lieu, const QString& insee,
                     std::optional<std::pair<double, double>> coordonnees);
    std::vector<SourceDetaillee> sourcesDetaillees();
    std::vector<DepotConnu> depots();
    std::vector<CitationDeSource> citationsDe(const std::string& xref);
    // For the consistency check: every dated event of the persons, in the
    // store's order (no sort of millions of rows: the callers keep their
    // own state by record); every union, then every child by birth of a union.
    void parcourirEvenementsDates(const std::function<void(const EvenementDate&)>& visiter);
    void parcourirUnions(const std::function<void(const UnionDatee&)>& visiter);
    // A finding dismissed: it stays so while the person and the values are the same.
    void ignorerConstat(std::int32_t fiche, const TFiche& personne, const std::string& regle,
                        const std::string& valeurs);
    std::vector<ConstatIgnore> constatsIgnores();
    // A person marked living (true) or dead (false) by hand; none, back to
    // what the dates say.
    void marquerVie(std::int32_t fiche, const TFiche& personne, std::optional<bool> vivant);
    // Two records merged into `garde`, `retire` freed and filled with the
    // last record `derniere`: the entries of both go to the merged person
    // (at `garde`, or at `retire` when `garde` was the last), the second's
    // facts after the first's, each field's structure ("NAME", "BIRT"…)
    // taken from the side its value was chosen from, the other's kept as a
    // plain fact with its sources; two unions with the same spouse become
    // one. The last record's entries go to `retire`.
    struct FusionDeFiches {
        std::int32_t garde = -1, retire = -1, derniere = -1;
        TFiche premier, second, fusion; // the two as they were, and the merged one
        std::vector<std::string> champsDuSecond;
    };
    void suivreFusion(const FusionDeFiches& f);
    std::vector<VieMarquee> viesMarquees();

    void detacherFiche(std::int32_t fiche);
    void supprimerFiche(std::int32_t fiche);
    bool aDesEntrees(std::int32_t fiche);
    // A detached entry given to a record, or deleted.
    void rattacher(std::int64_t id, std::int32_t fiche, const TFiche& personne);
    void supprimerEntree(std::int64_t id);

    // ---- reading
    // The entry of a record, when its fingerprint is the record's.
    std::unique_ptr<EntreePersonne> personne(std::int32_t fiche, const TFiche& actuelle);
    // The names of a record's person, the one the record holds first.
    std::vector<NomStocke> noms(std::int32_t fiche, const TFiche& actuelle);
    // Every name the store keeps of a person, with the record and fingerprint
    // it was kept for; detached entries left out.
    void parcourirNoms(const std::function<void(std::int32_t fiche, const std::string& empreinte,
                                                const std::string& nom)>& visiter);
    // The persons with an event that meets the criteria (as their record
    // number and the fingerprint it was kept for), spouses for a union's.
    std::vector<std::pair<std::int32_t, std::string>>
    personnesSelon(const CritereLieuDate& critere);
    // Every place, in the order they were first met.
    std::vector<LieuConnu> lieux();
    // How many persons have an event in a place (spouses for a union's).
    std::int64_t personnesDuLieu(std::int64_t lieu);
    // One entry by its identifier, whatever its state (the detached view).
    std::unique_ptr<EntreePersonne> entree(std::int64_t id);
    // Every couple; fingerprints are checked by the caller. Without
    // `tousLesEnfants`, only the children the records cannot tell (adopted,
    // fostered, a second birth family, a link the source said more of).
    std::vector<EntreeCouple> couples(bool tousLesEnfants = true);
    // Every child of the given couples, whatever their link, in rank order.
    void lireTousLesEnfants(std::vector<EntreeCouple*> couples);
    // The couples of one record, first marriage first.
    std::vector<EntreeCouple> couplesDe(std::int32_t fiche);
    // The couples one record is a child of.
    std::vector<EntreeCouple> couplesDeLEnfant(std::int32_t fiche);
    // Every person entry in record order, for the export; stops when false.
    void parcourirPersonnes(const std::function<bool(const EntreePersonne&)>& visiter);
    std::unique_ptr<CurseurPersonnes> curseurPersonnes();
    void
    parcourirEnregistrements(const std::function<void(const EnregistrementComplement&)>& visiter);
    // A record of the file by its identifier ("@X1_S1@").
    std::string enregistrement(const std::string& xref);
    // The entries the records no longer match: detached, past the end of the
    // file, or whose record holds another fingerprint.
    std::vector<EntreeDetachee> detachees(std::int64_t nombreFiches,
                                          const std::function<TFiche(std::int32_t)>& fiche);

    // ---- changes that can be taken back with the records
    // Runs `ecriture` in one transaction. Before the commit, `avantValidation`
    // receives what undoes it (for the journal); returns what redoes it.
    QByteArray enregistrerChangements(const std::function<void()>& ecriture,
                                      const std::function<void(const QByteArray&)>& avantValidation,
                                      QByteArray& retour);
    // What undoes an import about to be added: every entry created after now.
    QByteArray marqueAvantImport();
    // Applies what enregistrerChangements or marqueAvantImport gave; a row
    // that is no longer as expected is left alone (the change had not been
    // committed, or was taken back already).
    void revenir(const QByteArray& changements);

    // ---- reads grouped: the store's lock taken once for them all, not once a query
    class LectureGroupee {
    public:
        explicit LectureGroupee(Complements& c);
        ~LectureGroupee();
        LectureGroupee(const LectureGroupee&) = delete;
        LectureGroupee& operator=(const LectureGroupee&) = delete;

    private:
        Complements& m_c;
        bool m_ouverte = false;
    };

    // ---- transactions that span a command, kept with the records
    void commencer();
    void valider();
    void annuler();

private:
    Complements(sqlite3* base, QString chemin, bool lectureSeule);
    void executer(const char* sql);
    void creerSchema(std::int64_t version);
    void sauvegarderAvantMiseAJour(std::int64_t version);
    void migrerDepuisLaVersion1();
    void ajouterEnregistrement(structures::EcrivainStructures& ecrivain,
                               const EnregistrementComplement& e, std::int64_t racine);
    void lireStructuresDe(std::int64_t id, EntreePersonne& entree);
    // The entry of a record as it now is, created when it has none.
    std::int64_t entreeDe(std::int32_t fiche, const TFiche& personne);
    void reecrireEntree(std::int64_t id, const EntreePersonne& entree);
    std::int64_t coupleEntre(const Partenaire& mari, const Partenaire& femme);
    void fusionner(std::int64_t lieu, std::int64_t dans);
    sqlite3* m_base = nullptr;
    QString m_chemin;
    bool m_lectureSeule = false;
    int m_transactions = 0;
};

// The couples and children of the store, each person checked against the
// record it names: an entry whose record holds someone else is not used.
class FamillesDesComplements : public FamillesConnues {
public:
    FamillesDesComplements(Complements& base, FichierEnregistrements& fichier)
        : m_base(base), m_fichier(fichier) {}
    std::vector<std::int32_t> conjoints(std::int32_t fiche, const TFiche& personne) override;
    std::vector<std::int32_t> enfantsEnPlus(std::int32_t fiche, const TFiche& personne) override;
    std::vector<UnionConnue> unions(std::int32_t fiche, const TFiche& personne) override;

    // The couples of a person whose side is that person, spouses and
    // children who are no longer the store's left out (-1, or removed).
    std::vector<EntreeCouple> couplesVerifies(std::int32_t fiche, const TFiche& personne);
    // Whether a record still holds the person of that fingerprint.
    bool estToujours(std::int32_t fiche, const std::string& empreinte);

private:
    QStringList evenementsLisibles(const std::string& gedcom);
    Complements& m_base;
    FichierEnregistrements& m_fichier;
};

// What the Compléments window shows of one person, section by section:
// "Textes entiers des champs", "Autres noms", "Événements et faits",
// "Mariages", "Filiations", "Sources et citations", "Notes", "Images et
// documents"; only the sections that have something.
struct VueComplements {
    struct Section {
        QString titre;
        QStringList lignes;
    };
    std::vector<Section> sections;
    QString note; // the user's own note
};
VueComplements vueComplements(Complements& base, FichierEnregistrements& fichier,
                              std::int32_t fiche, const TFiche& personne);

// The name the source wrote, when the record cannot hold it (another script,
// a title, a longer text): "Ivan Зыков"; empty when the record holds it.
QString nomDeLaSourceAMontrer(const std::vector<NomStocke>& noms, const TFiche& fiche);

// A fingerprint as a user reads it: "DUPONT Jean, né(e) le 12/03/1850".
QString empreinteLisible(const std::string& empreinte);
// Everything an entry holds, readable, for the detached view.
QStringList texteDeLEntree(Complements& base, const EntreePersonne& entree);

// The whole place of a person's birth ("BIRT"), death ("DEAT") or the
// marriage its record holds ("MARR") as the source wrote it, while the
// record still holds the place the import wrote; empty otherwise.
QString lieuEntier(Complements& base, std::int32_t fiche, const TFiche& personne,
                   const char* champ);

// A GEDCOM date in French words: "ABT 13 OCT 1784" is "vers 13 octobre 1784".
QString dateGedcomEnClair(const std::string& date);

// A child's link in French: "adopted" is "adoption".
std::string lienEnFrancaisDe(const std::string& filiation);

// A tag in French: "BAPM" is "Baptême".
QString libelleDEtiquette(const std::string& etiquette);

// The readable lines of a stored GEDCOM structure, for the Compléments
// window: "Résidence, 1850, Paris", "Source : Registre paroissial"…
// `enregistrement` resolves a pointer to a source, note or picture.
QStringList texteLisible(const std::string& gedcom,
                         const std::function<std::string(const std::string&)>& enregistrement);
// The lookup for texteLisible that also tells a pointer to a person of the
// file ("@I12@": a witness, a godparent) by the name its record holds.
std::function<std::string(const std::string&)>
enregistrementsEtPersonnes(Complements& base, FichierEnregistrements& fichier);
