// The companion store from the main window: found beside the file at first
// use, followed by the saves, asked about before the last record goes, and
// shown in the Compléments window; its detached entries reattached or deleted.
#include "forms/UVelmorS.h"

#include "data/fichier/Dates.h"
#include "data/fichier/DatesSaisies.h"

#include "forms/uIndex.h"
#include "forms/uLieux.h"
#include <optional>

#include "session/Seance.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/gedcom/Gedcom.h"
#include "data/journal/Journal.h"
#include "data/rapports/Rapports.h"
#include "forms/uChoixPersonne.h"
#include "forms/uComplements.h"
#include "platform/Dialogues.h"

#include <QLineEdit>

Complements* TForm1::complements(bool creer) {
    return m_seance->complements(creer);
}

std::unique_ptr<FamillesConnues> TForm1::famillesConnues() {
    return m_seance->famillesConnues();
}

// What the store keeps of the person shown beyond the record, read at once.
void TForm1::montrerDeLaSource() {
    std::optional<Complements::LectureGroupee> lecture;
    if (Complements* base = complements()) lecture.emplace(*base);
    montrerNomDeLaSource();
    montrerDatesEntieres();
    montrerMarqueDeCoherence();
}

void TForm1::montrerNomDeLaSource() {
    QString nom;
    if (Complements* base = complements()) {
        try {
            nom = nomDeLaSourceAMontrer(base->noms(m_seance->numero(), m_FicheCourante),
                                        m_FicheCourante);
        } catch (const ErreurComplements&) {
            // A store that cannot be read leaves the line empty; the records go on.
        }
    }
    LNomSource->setText(nom.isEmpty() ? QString() : QStringLiteral("Selon la source : ") + nom);
}

// Under a date the record holds only in part, the whole date the store keeps.
void TForm1::montrerDatesEntieres() {
    for (const auto& [champ, etiquetteDate] :
         {std::pair{"BIRT", LDateN}, std::pair{"DEAT", LDateD}}) {
        QString entiere;
        if (Complements* base = complements(); base && m_seance->numero() >= 0) {
            try {
                entiere = dateEntiereEnClair(QString::fromStdString(
                    base->dateEntiere(m_seance->numero(), m_FicheCourante, champ)));
            } catch (const ErreurComplements&) {
                // A store that cannot be read leaves the line empty.
            }
        }
        etiquetteDate->setText(entiere.section(QStringLiteral(" ("), 0, 0));
        etiquetteDate->setToolTip(entiere);
    }
    // The first union's marriage, while the record holds its part.
    QString mariage;
    if (Complements* base = complements(); base && m_seance->numero() >= 0) {
        try {
            const QString date = QString::fromStdString(
                base->dateDuPremierMariage(m_seance->numero(), m_FicheCourante));
            if (dateDepuisGedcom(date).fiche == m_FicheCourante.DateMariage.texte())
                mariage = dateEntiereEnClair(date);
        } catch (const ErreurComplements&) {
            // A store that cannot be read leaves the line empty.
        }
    }
    LDateM->setText(mariage.section(QStringLiteral(" ("), 0, 0));
    LDateM->setToolTip(mariage);
}

// While a date is typed: its Gregorian day, what the record will hold, or
// that it does not exist.
void TForm1::montrerDateSaisie(QLineEdit* edit, QLabel* etiquetteDate) {
    const DateSaisie d = lireDateSaisie(edit->text());
    QString texte;
    if (!d.valide)
        texte = QStringLiteral("date inexistante");
    else if (!d.equivalent.isEmpty())
        texte = QStringLiteral("= ") + d.equivalent;
    else if (!d.fiche.isEmpty() && d.fiche != edit->text().simplified())
        texte = QStringLiteral("fiche : ") + d.fiche;
    etiquetteDate->setText(texte);
    etiquetteDate->setToolTip(d.valide ? d.enClair : d.erreur);
}

bool TForm1::decisionSurLesComplements(std::int32_t numero, bool& supprimer) {
    supprimer = false;
    Complements* base = complements();
    if (!base || !base->aDesEntrees(numero)) return true;
    TFiche fiche;
    m_seance->fichier().positionner(numero);
    m_seance->fichier().lire(fiche);
    const int reponse = m_dialogues.choix(
        QStringLiteral("%1 a des compléments (événements, sources, notes…). Que deviennent-ils ?")
            .arg(nomComplet(fiche)),
        {QStringLiteral("Les garder à part"), QStringLiteral("Les supprimer"),
         QStringLiteral("Annuler")});
    if (reponse < 0 || reponse == 2) return false;
    supprimer = reponse == 1;
    return true;
}

void TForm1::ecrireNote(std::int32_t numero, const TFiche& fiche, const QString& ancienne,
                        const QString& nouvelle) {
    if (!ancienne.trimmed().isEmpty() && nouvelle.trimmed().isEmpty() &&
        !m_dialogues.confirmer(QStringLiteral("Effacer la note %1 ? (Édition › Annuler la "
                                              "rétablit.)")
                                   .arg(deNom(nomComplet(fiche)))))
        return;
    if (!m_seance->ecrireNote(numero, fiche, nouvelle,
                              QStringLiteral("la note %1").arg(deNom(nomComplet(fiche)))))
        m_dialogues.message(QStringLiteral("La note n'a pas été enregistrée."));
    actualiserMenuEdition();
}

void TForm1::ComplementsDetaches1Click() {
    Complements* base = complements();
    if (!base) {
        m_dialogues.message(QStringLiteral("Ce fichier de généalogie n'a pas de compléments."));
        return;
    }
    std::vector<EntreeDetachee> entrees;
    auto relire = [&] {
        surLeFichier([&] {
            entrees = base->detachees(m_seance->fichier().nombreFiches(), [&](std::int32_t n) {
                TFiche f;
                m_seance->fichier().positionner(n);
                m_seance->fichier().lire(f);
                return f;
            });
        });
    };
    relire();
    TComplementsDetaches fenetre(
        entrees,
        [base](std::int64_t id) {
            const auto e = base->entree(id);
            return e ? texteDeLEntree(*base, *e) : QStringList();
        },
        this);
    connect(&fenetre, &TComplementsDetaches::rattachementDemande, this, [&](std::int64_t id) {
        executer([&] {
            rattacherDetache(id);
            relire();
            fenetre.remplir(entrees);
        });
    });
    connect(&fenetre, &TComplementsDetaches::suppressionDemandee, this, [&](std::int64_t id) {
        executer([&] {
            if (!m_dialogues.confirmer(QStringLiteral("Supprimer ces compléments pour de bon ?")))
                return;
            m_seance->ecrireComplements(false, [&](Complements& c) { c.supprimerEntree(id); });
            relire();
            fenetre.remplir(entrees);
        });
    });
    m_dialogues.executerModal(fenetre);
}

// The user names the record the entry belongs to; it is tied to that
// record as it is now.
void TForm1::rattacherDetache(std::int64_t id) {
    std::int32_t fiche = -1;
    TFiche personne;
    if (!surLeFichier([&] {
            TChoixPersonne choix(QStringLiteral("Rattacher ces compléments à…"),
                                 m_seance->fichier(), this);
            if (!m_dialogues.executerModal(choix) || (fiche = choix.ficheChoisie()) < 0) return;
            m_seance->fichier().positionner(fiche);
            m_seance->fichier().lire(personne);
        }) ||
        fiche < 0)
        return;
    m_seance->ecrireComplements(false, [&](Complements& c) { c.rattacher(id, fiche, personne); });
}

// The places window; a place chosen opens the index narrowed to it.
void TForm1::Lieux1Click() {
    Complements* base = complements();
    if (!base) {
        m_dialogues.message(QStringLiteral("Ce fichier de généalogie n'a pas de compléments : "
                                           "les lieux ne sont connus que par les fiches, et "
                                           "l'index les cherche."));
        return;
    }
    // Counted as the places are shown; a store that fails then leaves the count blank.
    auto personnes = [base](std::int64_t lieu) -> std::int64_t {
        try {
            return base->personnesDuLieu(lieu);
        } catch (const std::exception&) {
            return -1;
        }
    };
    // Each change of the places is one entry of the history.
    auto modifier = [this](const QString& libelle,
                           const std::function<void(Complements&)>& changement)
        -> std::optional<std::vector<LieuConnu>> {
        bool ecrit = false;
        executer(
            [&] { ecrit = m_seance->ecrireAuMagasin(numeroCourant(-1), libelle, changement); });
        actualiserMenuEdition();
        Complements* c = complements();
        if (!ecrit || !c) return std::nullopt;
        return c->lieux();
    };
    const bool modifiable = !base->lectureSeule();
    TLieux fenetre(base->lieux(), personnes, this, &m_dialogues,
                   modifiable ? TLieux::Modifier(modifier) : TLieux::Modifier());
    connect(&fenetre, &TLieux::personnesDemandees, this, [&](const QString& lieu) {
        executer([&] {
            fenetre.accept();
            IndexDesPersonnes1Click();
            if (Index && Index->isVisible()) Index->chercherLieu(lieu);
        });
    });
    m_dialogues.executerModal(fenetre);
}

std::vector<std::pair<std::int32_t, std::string>>
TForm1::personnesSelon(const CritereLieuDate& critere) {
    std::vector<std::pair<std::int32_t, std::string>> trouvees;
    executer([&] {
        if (Complements* base = complements()) trouvees = base->personnesSelon(critere);
    });
    return trouvees;
}
