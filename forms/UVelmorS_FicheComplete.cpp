// The whole file of a person (Ctrl+K): read from the record and the store,
// and each change the window asks for written as one entry of the history,
// the records it touches with it.
#include "data/complements/Faits.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/Translitteration.h"
#include "data/rapports/Rapports.h"
#include "forms/UVelmorS.h"
#include "forms/uChoixPersonne.h"
#include "forms/uFicheComplete.h"
#include "forms/uSources.h"
#include "platform/Dialogues.h"
#include "session/Seance.h"

namespace {

std::string joindre(const std::vector<std::string>& faits) {
    std::string texte;
    for (const std::string& f : faits)
        texte += f;
    return texte;
}

QString nomEtNumero(const TFiche& f, std::int32_t n) {
    return QStringLiteral("%1 (fiche %2)").arg(nomComplet(f)).arg(n);
}

// A child's link to a union, as the user chooses it, in the store's words.
struct Filiation {
    const char* libelle;
    const char* pedi; // as GEDCOM says it
    const char* lien; // as the store says it to the user
    bool naissance;   // the records link the child to its parents
};
const Filiation Filiations[] = {{"Naissance", "birth", "naissance", true},
                                {"Adoption", "adopted", "adoption", false},
                                {"Reconnaissance", "birth", "reconnaissance", true},
                                {"Légitimation", "birth", "légitimation", true},
                                {"Nourrice", "foster", "nourrice", false},
                                {"Tutelle", "foster", "tutelle", false}};

} // namespace

// What the window asks, done on the session for the person `m_numero`.
class ActionsDeLaFiche : public ActionsFiche {
public:
    ActionsDeLaFiche(TForm1& form, std::int32_t numero, ContenuFiche contenu)
        : m_form(form), m_numero(numero), m_contenu(std::move(contenu)) {}

    std::optional<ContenuFiche> ecrireFaits(const QString& quoi,
                                            const std::vector<EntreePersonne::Champ>& champs,
                                            const std::vector<std::string>& faits) override {
        const TFiche f = fiche(m_numero);
        return ecrire(quoi, [=, n = m_numero](Complements& c) {
            c.remplacerFaits(n, f, champs, joindre(faits));
        });
    }

    std::optional<ContenuFiche> ecrireFaitsDUnion(const QString& quoi, std::size_t rang,
                                                  const std::vector<std::string>& faits) override {
        const std::int64_t id = m_contenu.unions.at(rang).id;
        Modification fiches;
        if (rang == 0) marierLesFiches(faits, fiches);
        return ecrire(
            quoi,
            [=](Complements& c) {
                c.remplacerFaitsDuCouple(id, joindre(faits));
                // The records given this marriage hold it as the union says it.
                for (const auto& [n, f] : fiches.fiches)
                    c.suivreMariage(id, n, f);
            },
            fiches);
    }

    std::optional<ContenuFiche> ajouterUnion() override;
    std::optional<ContenuFiche> supprimerUnion(std::size_t rang) override {
        const std::int64_t id = m_contenu.unions.at(rang).id;
        return ecrire(QStringLiteral("suppression de l'union avec %1")
                          .arg(m_contenu.unions.at(rang).conjoint),
                      [=](Complements& c) { c.supprimerCouple(id); });
    }
    std::optional<ContenuFiche> ajouterEnfant(std::size_t rang) override;
    std::optional<ContenuFiche> retirerEnfant(std::size_t rang, std::int32_t enfant) override {
        const std::int64_t id = m_contenu.unions.at(rang).id;
        return ecrire(QStringLiteral("retrait d'un enfant de l'union avec %1")
                          .arg(m_contenu.unions.at(rang).conjoint),
                      [=](Complements& c) { c.retirerEnfantDuCouple(id, enfant); });
    }

    std::optional<ContenuFiche> marquerVie(std::optional<bool> vivant) override {
        const TFiche f = fiche(m_numero);
        return ecrire(!vivant   ? QStringLiteral("vivant ou décédé selon les dates")
                      : *vivant ? QStringLiteral("tenu(e) pour vivant(e)")
                                : QStringLiteral("tenu(e) pour décédé(e)"),
                      [f, n = m_numero, etat = vivant ? int(*vivant) : -1](Complements& c) {
                          c.marquerVie(n, f,
                                       etat < 0 ? std::nullopt : std::optional<bool>(etat == 1));
                      });
    }

    std::optional<std::string> nouvelleSource() override {
        const QString titre =
            m_form.m_dialogues
                .saisie(QStringLiteral("Nouvelle source"),
                        QStringLiteral("Titre de la source (par exemple « Morlaix, registres "
                                       "paroissiaux (BMS), 1700-1710 ») :"),
                        {})
                .simplified();
        if (titre.isEmpty()) return std::nullopt;
        std::optional<std::string> xref;
        const auto contenu =
            ecrire(QStringLiteral("nouvelle source « %1 »").arg(titre),
                   [&](Complements& c) { xref = c.creerSource(titre.toStdString()); });
        return contenu ? xref : std::nullopt;
    }

private:
    TFiche fiche(std::int32_t n) {
        TFiche f;
        m_form.surLeFichier([&] {
            m_form.m_seance->fichier().positionner(n);
            m_form.m_seance->fichier().lire(f);
        });
        return f;
    }

    std::optional<ContenuFiche> ecrire(const QString& quoi,
                                       const std::function<void(Complements&)>& ecriture,
                                       const Modification& fiches = {}) {
        bool ecrit = false;
        const QString libelle =
            QStringLiteral("la fiche complète %1 (%2)")
                .arg(deNom(m_contenu.titre.section(QStringLiteral(" — "), 0, 0)), quoi.left(80));
        m_form.executer(
            [&] { ecrit = m_form.m_seance->ecrireAuMagasin(m_numero, libelle, ecriture, fiches); });
        m_form.actualiserMenuEdition();
        if (!fiches.vide()) m_form.pAfficherEnreg(m_numero);
        if (!ecrit) return std::nullopt;
        std::optional<ContenuFiche> contenu = m_form.contenuDeLaFiche(m_numero);
        if (contenu) m_contenu = *contenu;
        return contenu;
    }

    // The first union's marriage goes to the records that have none yet.
    void marierLesFiches(const std::vector<std::string>& faits, Modification& fiches) {
        for (const std::string& f : faits) {
            const FaitSaisi mariage = lireFait(f);
            if (mariage.etiquette != "MARR") continue;
            const QString date = dateDepuisGedcom(QString::fromStdString(mariage.date)).fiche;
            const QString lieu = versCp1252(QString::fromStdString(mariage.lieu));
            for (const std::int32_t n : {m_numero, m_contenu.unions.front().partenaire}) {
                if (n < 0) continue;
                TFiche p = fiche(n);
                if (!p.DateMariage.vide() || !p.LieuMariage.vide()) continue;
                p.DateMariage.definir(date);
                p.LieuMariage.definir(lieu);
                fiches.fiches[n] = p;
            }
            return;
        }
    }

    TForm1& m_form;
    std::int32_t m_numero;
    ContenuFiche m_contenu;
};

std::optional<ContenuFiche> ActionsDeLaFiche::ajouterUnion() {
    const int choix = m_form.m_dialogues.choix(
        QStringLiteral("Avec qui est cette union ?"),
        {QStringLiteral("Une personne du fichier…"), QStringLiteral("Une nouvelle personne…"),
         QStringLiteral("Conjoint inconnu"), QStringLiteral("Annuler")});
    const TFiche moi = fiche(m_numero);
    std::int32_t autre = -1;
    TFiche ficheAutre;
    ViderFiche(ficheAutre);
    Modification fiches;
    if (choix == 0) {
        m_form.surLeFichier([&] {
            TChoixPersonne cherche(QStringLiteral("Union avec qui ?"), m_form.m_seance->fichier(),
                                   &m_form, m_numero, m_form.m_seance->autresNoms());
            if (m_form.m_dialogues.executerModal(cherche)) autre = cherche.ficheChoisie();
        });
        if (autre < 0) return std::nullopt;
        ficheAutre = fiche(autre);
    } else if (choix == 1) {
        const QStringList mots =
            m_form.m_dialogues
                .saisie(QStringLiteral("Nouvelle personne"),
                        QStringLiteral("Nom et prénoms du conjoint (NOM Prénoms) :"), {})
                .simplified()
                .split(u' ', Qt::SkipEmptyParts);
        if (mots.isEmpty()) return std::nullopt;
        ficheAutre.Nom.definir(versCp1252(mots.front()));
        ficheAutre.Prenom.definir(versCp1252(mots.mid(1).join(u' ')));
        ficheAutre.Qualite = moi.Qualite == 0 ? 1 : 0;
        m_form.surLeFichier(
            [&] { autre = static_cast<std::int32_t>(m_form.m_seance->fichier().nombreFiches()); });
        fiches.fiches[autre] = ficheAutre;
    } else if (choix != 2) {
        return std::nullopt;
    }
    for (const ContenuFiche::Union& u : m_contenu.unions)
        if (autre >= 0 && u.partenaire == autre) {
            m_form.m_dialogues.message(QStringLiteral("Cette union est déjà là."));
            return std::nullopt;
        }
    const bool homme = moi.Qualite == 0;
    const QString avec = autre < 0 ? QStringLiteral("un conjoint inconnu") : nomComplet(ficheAutre);
    return ecrire(
        QStringLiteral("union avec %1").arg(avec),
        [=, n = m_numero](Complements& c) {
            const Complements::Partenaire a{n, &moi}, b{autre, autre >= 0 ? &ficheAutre : nullptr};
            if (homme)
                c.ajouterAuCouple(a, b, {});
            else
                c.ajouterAuCouple(b, a, {});
        },
        fiches);
}

std::optional<ContenuFiche> ActionsDeLaFiche::ajouterEnfant(std::size_t rang) {
    const ContenuFiche::Union& u = m_contenu.unions.at(rang);
    std::int32_t enfant = -1;
    m_form.surLeFichier([&] {
        TChoixPersonne cherche(QStringLiteral("Enfant de l'union avec %1").arg(u.conjoint),
                               m_form.m_seance->fichier(), &m_form, m_numero,
                               m_form.m_seance->autresNoms());
        if (m_form.m_dialogues.executerModal(cherche)) enfant = cherche.ficheChoisie();
    });
    if (enfant < 0 || enfant == u.partenaire) return std::nullopt;
    QStringList boutons;
    for (const Filiation& f : Filiations)
        boutons << QString::fromUtf8(f.libelle);
    boutons << QStringLiteral("Annuler");
    const TFiche ficheEnfant = fiche(enfant);
    const int choix = m_form.m_dialogues.choix(
        QStringLiteral("%1 : enfant de cette union par…").arg(nomComplet(ficheEnfant)), boutons);
    if (choix < 0 || choix >= static_cast<int>(std::size(Filiations))) return std::nullopt;
    const Filiation& filiation = Filiations[choix];
    // A child by birth is the parents' in the records too, where they can hold it.
    Modification fiches;
    QStringList remarques;
    if (filiation.naissance) {
        const bool jeSuisLePere = fiche(m_numero).Qualite == 0;
        m_form.surLeFichier([&] {
            FichierEnregistrements& fichier = m_form.m_seance->fichier();
            lienAuParent(fichier, fiches, enfant, m_numero, jeSuisLePere, remarques);
            if (u.partenaire >= 0)
                lienAuParent(fichier, fiches, enfant, u.partenaire, !jeSuisLePere, remarques);
        });
    }
    TFiche apres = ficheEnfant;
    if (const auto i = fiches.fiches.find(enfant); i != fiches.fiches.end()) apres = i->second;
    const std::int64_t id = u.id;
    const auto contenu = ecrire(
        QStringLiteral("enfant de l'union avec %1").arg(u.conjoint),
        [=](Complements& c) {
            c.ajouterEnfantAUnion(id, enfant, apres, filiation.pedi, filiation.lien);
        },
        fiches);
    if (contenu && !remarques.isEmpty()) m_form.m_dialogues.message(remarques.join(u'\r'));
    return contenu;
}

std::optional<ContenuFiche> TForm1::contenuDeLaFiche(std::int32_t numero) {
    ContenuFiche contenu;
    TFiche fiche;
    const bool lu = surLeFichier([&] {
        FichierEnregistrements& fichier = m_seance->fichier();
        if (numero >= fichier.nombreFiches()) throw ErreurES(ErreurES::LectureFinFichier);
        fichier.positionner(numero);
        fichier.lire(fiche);
        contenu.titre =
            QStringLiteral("%1 — fiche n° %2").arg(designationPersonne(fiche)).arg(numero);
        Complements* base = complements();
        if (!base) return;
        contenu.vue = vueComplements(*base, fichier, numero, fiche);
        if (const auto entree = base->personne(numero, fiche)) {
            contenu.champs = entree->champs;
            contenu.faits = structuresDe(entree->structures);
        }
        FamillesDesComplements familles(*base, fichier);
        for (const EntreeCouple& c : familles.couplesVerifies(numero, fiche)) {
            ContenuFiche::Union u;
            u.id = c.id;
            u.partenaire = c.mari == numero ? c.femme : c.mari;
            TFiche f;
            if (u.partenaire >= 0) {
                fichier.positionner(u.partenaire);
                fichier.lire(f);
            }
            u.conjoint = u.partenaire >= 0 ? nomEtNumero(f, u.partenaire)
                                           : QStringLiteral("un conjoint inconnu");
            u.faits = structuresDe(c.gedcom);
            for (const EntreeCouple::Enfant& e : c.enfants) {
                fichier.positionner(e.fiche);
                fichier.lire(f);
                QString nom = nomEtNumero(f, e.fiche);
                if (e.filiation != "birth")
                    nom += QStringLiteral(", ") +
                           QString::fromStdString(lienEnFrancaisDe(e.filiation));
                u.enfants.push_back({e.fiche, nom});
            }
            contenu.unions.push_back(std::move(u));
        }
        contenu.sources = base->sources();
        for (const VieMarquee& m : base->viesMarquees())
            if (m.fiche == numero && m.empreinte == empreinteDe(fiche)) contenu.vivant = m.vivant;
    });
    if (!lu) return std::nullopt;
    if (Complements* base = complements(); base && base->lectureSeule())
        contenu.lectureSeule = QStringLiteral("le fichier de compléments est en lecture seule");
    else if (!base && Complements::existe(m_seance->chemin()))
        contenu.lectureSeule = QStringLiteral("le fichier de compléments ne peut pas servir");
    return contenu;
}

// The person as the file holds it: the form may hold edits not saved yet.
void TForm1::Complements1Click() {
    const std::int32_t numero = personneDuRapport();
    if (numero < 0) return;
    const std::optional<ContenuFiche> contenu = contenuDeLaFiche(numero);
    if (!contenu) return;
    ActionsDeLaFiche actions(*this, numero, *contenu);
    TFicheComplete fenetre(*contenu, m_dialogues,
                           contenu->lectureSeule.isEmpty() ? &actions : nullptr, this);
    if (!m_dialogues.executerModal(fenetre) || !fenetre.noteModifiee()) return;
    TFiche fiche;
    if (!surLeFichier([&] {
            m_seance->fichier().positionner(numero);
            m_seance->fichier().lire(fiche);
        }))
        return;
    ecrireNote(numero, fiche, contenu->vue.note, fenetre.note());
}

// The sources of the file; a person of a citation double-clicked is shown.
void TForm1::Sources1Click() {
    Complements* base = complements();
    if (!base) {
        m_dialogues.message(QStringLiteral("Ce fichier de généalogie n'a pas encore de sources : "
                                           "elles viennent d'un fichier GEDCOM importé, d'un acte "
                                           "saisi ou d'une citation de la fiche complète."));
        return;
    }
    auto nomDe = [this](std::int32_t fiche, const std::string& empreinte) {
        QString nom;
        surLeFichier([&] {
            if (fiche < 0 || fiche >= m_seance->fichier().nombreFiches()) return;
            TFiche f;
            m_seance->fichier().positionner(fiche);
            m_seance->fichier().lire(f);
            nom = empreinteDe(f) == empreinte ? nomEtNumero(f, fiche) : QString();
        });
        return nom.isEmpty() ? QStringLiteral("%1 (la fiche %2 tient maintenant une autre "
                                              "personne)")
                                   .arg(empreinteLisible(empreinte))
                                   .arg(fiche)
                             : nom;
    };
    auto citations = [base](const std::string& xref) { return base->citationsDe(xref); };
    TSources fenetre(base->sourcesDetaillees(), base->depots(), citations, nomDe, this);
    std::int32_t montree = -1;
    connect(&fenetre, &TSources::personneDemandee, this, [&](std::int32_t fiche) {
        montree = fiche;
        fenetre.accept();
    });
    m_dialogues.executerModal(fenetre);
    if (montree >= 0 && peutQuitterLaFiche()) pAfficherEnreg(montree);
}
