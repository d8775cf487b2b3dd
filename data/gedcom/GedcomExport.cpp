// The GEDCOM export, written as the file is read, byte by byte where it
// matters: a file of a million records goes out at disk speed.
#include "data/gedcom/Gedcom.h"

#include "data/gedcom/FamillesProuvees.h"
#include "data/gedcom/SortieGedcom.h"

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

using namespace exportation;

namespace {

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
    if (f.seul < 0 && f.rang == 0) return ecrireFamille(s, f.couple.pere, f.couple.mere);
    if (f.seul < 0) {
        // "@F3_7_2@", the second union of the same couple.
        auto personne = [&](std::int32_t n) {
            if (n < 0)
                s.brut("X");
            else
                s.nombre(n);
        };
        s.brut("@F");
        personne(f.couple.pere);
        s.brut("_");
        personne(f.couple.mere);
        s.brut("_");
        s.nombre(f.rang + 1);
        s.brut("@");
        return;
    }
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

// A field of the record the store keeps as the source had it, and whether
// the record still holds what the import wrote.
struct ChampStocke {
    const std::string* gedcom = nullptr;
    const std::string* ecrit = nullptr;
    bool aJour = false;
};

// The export, one function per structure it writes: the header, each person
// (name, sex, occupation, birth and death, portrait, what the store keeps,
// links), each family (spouses, children, its own lines, marriage), the
// file's other records, the trailer.
class ExportGedcom {
public:
    ExportGedcom(FichierEnregistrements& fichier, const SortieOctets& sortie,
                 const OptionsExport& options)
        : m_fichier(fichier), m_options(options), m_s(sortie),
          m_familles(famillesProuvees(fichier, m_r, options.complements)),
          m_nombre(fichier.nombreFiches()) {
        m_r.mariagesSansConjoint = m_familles.sansConjoint;
    }

    ResultatExport exporter() {
        ecrireEntete(m_s);
        famillesDeChaquePersonne();
        if (m_options.complements) {
            m_curseur = m_options.complements->curseurPersonnes();
            m_encore = m_curseur->suivante(m_entree);
        }
        parcourirFiches(m_fichier, [&](std::int32_t n, const TFiche& fiche) {
            personne(n, fiche);
            return true;
        });
        m_famillesDe = {};
        for (std::uint32_t i = 0; i < m_familles.familles.size(); ++i)
            famille(i);
        enregistrements();
        m_s.ligne("0 TRLR");
        m_s.vider();
        m_r.caracteresDeControle = m_s.controles();
        return std::move(m_r);
    }

private:
    // ---- a person
    // ---- the living, as the export treats them
    bool vivant(std::int32_t n) const {
        return m_options.vivants && m_options.traitement != TraitementVivants::Garder && n >= 0 &&
               static_cast<std::size_t>(n) < m_options.vivants->size() &&
               (*m_options.vivants)[static_cast<std::size_t>(n)];
    }
    bool exclu(std::int32_t n) const {
        return m_options.traitement == TraitementVivants::Exclure && vivant(n);
    }

    // A living person kept as a link only: "Vivant" and the surname, the
    // sex, the families; no date, place, note, source, picture or event.
    void personneMasquee(std::int32_t n, const TFiche& fiche) {
        m_s.brut("1 NAME Vivant /");
        m_s.champ(fiche.Nom);
        m_s.ligne("/");
        ecrireSexe(m_s, fiche);
        std::int32_t pere = fiche.Pere, mere = fiche.Mere;
        if (const auto r = m_familles.reclames.find(n); r != m_familles.reclames.end()) {
            m_s.brut("1 FAMC ");
            ecrireFamille(m_s, m_familles.familles[r->second.first]);
            m_s.finDeLigne();
        } else if ((pere >= 0 && pere < m_nombre) || (mere >= 0 && mere < m_nombre)) {
            if (pere >= m_nombre) pere = -1;
            if (mere >= m_nombre) mere = -1;
            m_s.brut("1 FAMC ");
            ecrireFamille(m_s, pere < 0 ? -1 : pere, mere < 0 ? -1 : mere);
            m_s.finDeLigne();
        }
        conjoints(n);
        ++m_r.personnesMasquees;
    }

    void personne(std::int32_t n, const TFiche& fiche) {
        entreesDe(n, fiche);
        if (exclu(n)) {
            ++m_r.personnesExclues;
            return;
        }
        m_s.brut("0 ");
        ecrireIndividu(m_s, n);
        m_s.ligne(" INDI");
        if (vivant(n)) {
            personneMasquee(n, fiche);
            ++m_r.personnes;
            return;
        }
        if (!m_entrees.empty()) ++m_r.personnesCompletees;
        nom(fiche);
        sexe(fiche);
        profession(fiche);
        evenement(fiche, "BIRT", "1 BIRT", fiche.DateNaissance, fiche.LieuNaissance);
        evenement(fiche, "DEAT", "1 DEAT", fiche.DateDeces, fiche.LieuDeces);
        portrait(fiche);
        structuresStockees();
        parents(n, fiche);
        filiationsEnPlus(n);
        conjoints(n);
        ++m_r.personnes;
    }

    // What the store keeps of this person, while the record is the one it
    // was written for; the entries come in record order, as the records do.
    void entreesDe(std::int32_t n, const TFiche& fiche) {
        m_entrees.clear();
        for (; m_encore && m_entree.fiche <= n; m_encore = m_curseur->suivante(m_entree))
            if (m_entree.fiche == n && m_entree.empreinte == empreinteDe(fiche))
                m_entrees.push_back(std::move(m_entree));
    }

    // A field the record still holds as the import wrote it goes out as the
    // source had it; one edited since, as the record holds it, with what the
    // source said about it.
    ChampStocke champ(const TFiche& fiche, const char* nom) const {
        ChampStocke c;
        for (const EntreePersonne& e : m_entrees)
            for (const EntreePersonne::Champ& ch : e.champs)
                if (ch.nom == nom) {
                    c = {&ch.gedcom, &ch.ecrit, ch.ecrit == ecritDe(fiche, nom)};
                    if (c.aJour) return c;
                }
        return c;
    }

    void nom(const TFiche& fiche) {
        // The names the source gave first, its preferred one first.
        for (const EntreePersonne& e : m_entrees)
            for (const EntreePersonne::Champ& ch : e.champs)
                if (ch.nom == "NAME0") ecrireStocke(m_s, ch.gedcom);
        if (const ChampStocke n = champ(fiche, "NAME"); n.aJour)
            ecrireStocke(m_s, *n.gedcom);
        else if (n.gedcom && n.gedcom->starts_with("1 NAME"))
            ecrireNomParParties(m_s, fiche, *n.gedcom, *n.ecrit);
        else
            ecrireLigneNom(m_s, fiche);
    }

    // The sex as the record holds it, with what the source said under it.
    void sexe(const TFiche& fiche) {
        const ChampStocke s = champ(fiche, "SEX");
        if (s.aJour) return ecrireStocke(m_s, *s.gedcom);
        ecrireSexe(m_s, fiche);
        if (s.gedcom) ecrireStocke(m_s, sousLignes(*s.gedcom, {}, {}));
    }

    void profession(const TFiche& fiche) {
        const ChampStocke p = champ(fiche, "OCCU");
        if (p.aJour) return ecrireStocke(m_s, *p.gedcom);
        if (fiche.Profession.vide() && !p.gedcom) return;
        m_s.brut("1 OCCU ");
        m_s.champ(fiche.Profession);
        m_s.finDeLigne();
        if (p.gedcom) ecrireStocke(m_s, sousLignes(*p.gedcom, {}, {}));
    }

    // A birth or a death as the record holds it, with what the source said;
    // a baptism or burial that stood in for it goes out as an event of its own.
    void evenement(const TFiche& fiche, const char* nom, const char* ligne,
                   const ChampTexte<10>& date, const ChampTexte<30>& lieu) {
        const ChampStocke stocke = champ(fiche, nom);
        if (stocke.aJour) return ecrireStocke(m_s, *stocke.gedcom);
        const bool substitut = stocke.gedcom && !stocke.gedcom->starts_with(ligne);
        if (stocke.gedcom && !substitut)
            return ecrireEvenementParParties(m_s, ligne, date, lieu, *stocke.gedcom, *stocke.ecrit);
        ecrireEvenement(m_s, ligne, date, lieu);
        if (substitut) ecrireStocke(m_s, *stocke.gedcom);
    }

    void portrait(const TFiche& fiche) {
        if (const ChampStocke p = champ(fiche, "OBJE"); p.aJour)
            ecrireStocke(m_s, *p.gedcom);
        else
            ecrirePortrait(m_s, fiche, m_options, m_r);
    }

    // Everything else the store keeps of the person, and the user's note.
    void structuresStockees() {
        for (const EntreePersonne& e : m_entrees) {
            ecrireStocke(m_s, e.structures);
            if (!e.note.empty()) ecrireNote(m_s, e.note);
        }
    }

    // The family of the record's father and mother, with what the source
    // said of the child's link to it.
    void parents(std::int32_t n, const TFiche& fiche) {
        if (const auto r = m_familles.reclames.find(n); r != m_familles.reclames.end()) {
            m_s.brut("1 FAMC ");
            ecrireFamille(m_s, m_familles.familles[r->second.first]);
            m_s.finDeLigne();
            return ecrireStocke(m_s, sansStructures(r->second.second, {"CHIL"}));
        }
        std::int32_t pere = fiche.Pere, mere = fiche.Mere;
        if (pere < 0 || pere >= m_nombre) pere = -1;
        if (mere < 0 || mere >= m_nombre) mere = -1;
        if (pere == -1 && mere == -1) return;
        m_s.brut("1 FAMC ");
        ecrireFamille(m_s, pere, mere);
        m_s.finDeLigne();
        if (const auto i = m_familles.famcNaissance.find(n);
            i != m_familles.famcNaissance.end() && i->second.first == Couple{pere, mere})
            ecrireStocke(m_s, sansStructures(i->second.second, {"CHIL"}));
    }

    // The store's families of which the person is an adopted, fostered or
    // other child.
    void filiationsEnPlus(std::int32_t n) {
        const auto& liste = m_familles.famcEnPlus;
        while (m_famcEnPlus < liste.size() && liste[m_famcEnPlus].enfant < n)
            ++m_famcEnPlus;
        for (; m_famcEnPlus < liste.size() && liste[m_famcEnPlus].enfant == n; ++m_famcEnPlus) {
            const Familles::FamcEnPlus& lien = liste[m_famcEnPlus];
            m_s.brut("1 FAMC ");
            ecrireFamille(m_s, m_familles.familles[lien.famille]);
            m_s.finDeLigne();
            m_s.brut("2 PEDI ");
            m_s.texte(
                QString::fromStdString(lien.filiation == "other-birth" ? "birth" : lien.filiation));
            m_s.finDeLigne();
            ecrireStocke(m_s, sansStructures(lien.gedcom, {"CHIL"}));
        }
    }

    void conjoints(std::int32_t n) {
        while (m_prochaine < m_famillesDe.size() && m_famillesDe[m_prochaine].first < n)
            ++m_prochaine;
        for (; m_prochaine < m_famillesDe.size() && m_famillesDe[m_prochaine].first == n;
             ++m_prochaine) {
            m_s.brut("1 FAMS ");
            ecrireFamille(m_s, m_familles.familles[m_famillesDe[m_prochaine].second]);
            m_s.finDeLigne();
        }
    }

    // Each person's families, in the order of their unions the source gave,
    // then in family order.
    void famillesDeChaquePersonne() {
        std::vector<std::tuple<std::int32_t, int, std::uint32_t>> liste;
        for (std::uint32_t i = 0; i < m_familles.familles.size(); ++i) {
            const FamilleEcrite& f = m_familles.familles[i];
            const EntreeCouple* c = complementDe(f);
            if (f.seul >= 0) liste.push_back({f.seul, 0, i});
            if (f.couple.pere >= 0) liste.push_back({f.couple.pere, c ? c->ordreMari : 0, i});
            if (f.couple.mere >= 0) liste.push_back({f.couple.mere, c ? c->ordreFemme : 0, i});
        }
        std::sort(liste.begin(), liste.end());
        m_famillesDe.reserve(liste.size());
        for (const auto& [personne, ordre, famille] : liste)
            m_famillesDe.push_back({personne, famille});
    }

    const EntreeCouple* complementDe(const FamilleEcrite& f) const {
        return f.complement >= 0 ? &m_familles.couples[static_cast<std::size_t>(f.complement)]
                                 : nullptr;
    }

    // ---- a family
    void famille(std::uint32_t i) {
        const FamilleEcrite& f = m_familles.familles[i];
        m_s.brut("0 ");
        ecrireFamille(m_s, f);
        m_s.ligne(" FAM");
        const EntreeCouple* complement = complementDe(f);
        epoux(f, complement);
        if (f.seul < 0) enfants(f, i, complement);
        // A family with a living partner keeps no marriage, event or note.
        const std::int32_t mari = f.seul >= 0 ? f.duPere : f.couple.pere;
        const std::int32_t femme = f.seul >= 0 ? f.deLaMere : f.couple.mere;
        if (!vivant(mari) && !vivant(femme)) lignesEtMariage(f, complement);
        ++m_r.familles;
    }

    // The spouses, with what the source said under each.
    void epoux(const FamilleEcrite& f, const EntreeCouple* complement) {
        const std::int32_t mari = f.seul >= 0 ? f.duPere : f.couple.pere;
        const std::int32_t femme = f.seul >= 0 ? f.deLaMere : f.couple.mere;
        for (const auto& [personne, ligne] : {std::pair{mari, "HUSB"}, std::pair{femme, "WIFE"}}) {
            if (personne < 0 || exclu(personne)) continue;
            m_s.brut("1 ");
            m_s.brut(ligne);
            m_s.brut(" ");
            ecrireIndividu(m_s, personne);
            m_s.finDeLigne();
            if (complement && !vivant(personne) &&
                complement->gedcom.find(ligne) != std::string::npos)
                ecrireStocke(m_s, sousLignesDe(complement->gedcom, 1, ligne, 2));
        }
    }

    // The children the records give, by rank, then those the store adds;
    // another union of the same parents has those the store gives it.
    void enfants(const FamilleEcrite& f, std::uint32_t i, const EntreeCouple* complement) {
        const auto& liens = m_familles.liens;
        while (m_lien < liens.size() && liens[m_lien].couple < f.couple)
            ++m_lien;
        if (f.enfantsDuMagasin()) {
            if (complement)
                for (const EntreeCouple::Enfant& e : complement->enfants)
                    if (const auto r = m_familles.reclames.find(e.fiche);
                        e.filiation != "birth" ||
                        (r != m_familles.reclames.end() && r->second.first == i))
                        enfant(e.fiche, e.gedcom);
            return;
        }
        for (; m_lien < liens.size() && liens[m_lien].couple == f.couple; ++m_lien) {
            const std::int32_t n = liens[m_lien].enfant;
            if (m_familles.reclames.contains(n)) continue;
            const auto dit = m_familles.famcNaissance.find(n);
            enfant(n, dit != m_familles.famcNaissance.end() && dit->second.first == f.couple
                          ? dit->second.second
                          : std::string());
        }
        if (complement)
            for (const EntreeCouple::Enfant& e : complement->enfants)
                if (e.filiation != "birth") enfant(e.fiche, e.gedcom);
    }

    // "1 CHIL", with what the source said under it.
    void enfant(std::int32_t n, const std::string& lien) {
        if (exclu(n)) return;
        m_s.brut("1 CHIL ");
        ecrireIndividu(m_s, n);
        m_s.finDeLigne();
        if (!lien.empty() && !vivant(n)) ecrireStocke(m_s, sousLignesDe(lien, 2, "CHIL", 2));
    }

    // The family's own lines as the source had them, its marriage too while
    // the spouses' records hold it as the import wrote it; otherwise the
    // marriage as the records hold it, with what the source said of it.
    void lignesEtMariage(const FamilleEcrite& f, const EntreeCouple* complement) {
        const MariageDeFiche* dePere = f.duPere >= 0 ? mariageDe(m_familles, f.duPere) : nullptr;
        const MariageDeFiche* deMere =
            f.deLaMere >= 0 ? mariageDe(m_familles, f.deLaMere) : nullptr;
        if (complement) {
            const std::string lignes = sansStructures(complement->gedcom, {"HUSB", "WIFE"});
            if (mariageIntact(complement->mari, complement->ecritMari, dePere) &&
                mariageIntact(complement->femme, complement->ecritFemme, deMere))
                return ecrireStocke(m_s, lignes);
            ecrireStocke(m_s, sansStructures(lignes, {"MARR"}));
        }
        const std::string sousMariage =
            complement ? sousLignes(complement->gedcom, "MARR", {"DATE", "PLAC"}) : std::string();
        mariage(dePere, deMere, sousMariage);
    }

    static bool mariageIntact(std::int32_t conjoint, const std::string& ecrit,
                              const MariageDeFiche* m) {
        if (conjoint < 0 || ecrit.empty()) return true;
        return m && m->fiche == conjoint &&
               m->date.texte().toStdString() + '\x1f' + m->lieu.texte().toStdString() == ecrit;
    }

    // The marriage as each spouse's record holds it; two records that
    // disagree are both written, each saying whose it is.
    void mariage(const MariageDeFiche* dePere, const MariageDeFiche* deMere,
                 const std::string& sousMariage) {
        if (dePere && deMere && !(dePere->memeDate(*deMere) && memeLieu(*dePere, *deMere)) &&
            !(dePere->date.vide() && deMere->date.vide() && memeLieu(*dePere, *deMere))) {
            ++m_r.mariagesEnDesaccord;
            const TFiche lui = lire(dePere->fiche);
            ecrireMariage(m_s, *dePere, &lui);
            ecrireStocke(m_s, sousMariage);
            ecrireMariage(m_s, *deMere, &lire(deMere->fiche));
        } else if (dePere || deMere) {
            MariageDeFiche m = dePere ? *dePere : *deMere;
            if (dePere && deMere && m.lieu.vide()) m.lieu = deMere->lieu;
            if (dePere && deMere && m.date.vide()) m.date = deMere->date;
            ecrireMariage(m_s, m, nullptr);
            ecrireStocke(m_s, sousMariage);
        } else if (!sousMariage.empty()) {
            m_s.ligne("1 MARR");
            ecrireStocke(m_s, sousMariage);
        }
    }

    const TFiche& lire(std::int32_t n) {
        m_fichier.positionner(n);
        m_fichier.lire(m_temoin);
        return m_temoin;
    }

    // ---- the file's own sources, notes, pictures… as the source had them
    void enregistrements() {
        if (!m_options.complements) return;
        m_options.complements->parcourirEnregistrements([&](const EnregistrementComplement& e) {
            if (e.gedcom.starts_with("0 HEAD")) return; // the export wrote its own
            // Published, notes and pictures of the file's own may tell of the
            // living: only the sources and repositories go out.
            if (m_options.vivants && m_options.traitement != TraitementVivants::Garder &&
                !(e.gedcom.find(" SOUR") < e.gedcom.find('\n') ||
                  e.gedcom.find(" REPO") < e.gedcom.find('\n')))
                return;
            ecrireStocke(m_s, e.gedcom);
            ++m_r.enregistrementsCompletes;
        });
    }

    FichierEnregistrements& m_fichier;
    const OptionsExport& m_options;
    ResultatExport m_r;
    Sortie m_s;
    const Familles m_familles;
    const std::int64_t m_nombre;
    std::vector<std::pair<std::int32_t, std::uint32_t>> m_famillesDe;
    std::size_t m_prochaine = 0, m_famcEnPlus = 0, m_lien = 0;
    std::unique_ptr<CurseurPersonnes> m_curseur;
    EntreePersonne m_entree;
    bool m_encore = false;
    std::vector<EntreePersonne> m_entrees;
    TFiche m_temoin;
};

} // namespace

ResultatExport exporterGedcom(FichierEnregistrements& fichier, const SortieOctets& sortieOctets,
                              const OptionsExport& options) {
    return ExportGedcom(fichier, sortieOctets, options).exporter();
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
