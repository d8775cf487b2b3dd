// The "&Rapports" menu: ancestors, descendants, family sheet, kinship and
// statistics, for the person on screen as the file holds it. Each report
// opens in the print preview, from which it is printed or saved as PDF.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/FamillesConnues.h"
#include "data/OperationsFichier.h"
#include "data/Rapports.h"
#include "data/Recherches.h"
#include "data/Texte.h"
#include "forms/uChoixPersonne.h"
#include "platform/ChargeurImage.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "print/DocumentRapport.h"

#include <QDate>
#include <QLocale>
#include <QPrinter>

namespace {

QString dateDuJour() {
    return QLocale(QLocale::French, QLocale::France)
        .toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));
}

} // namespace

// The record on screen, as stored; -1 and a message for a person not saved yet.
std::int32_t TForm1::personneDuRapport() {
    const int numero = numeroCourant(-1);
    if (numero < 0)
        m_dialogues.message(QStringLiteral("Enregistrez d'abord la personne : les rapports "
                                           "lisent le fichier de généalogie."));
    return numero;
}

// The number of generations, asked with its default; -1 when refused.
int TForm1::demanderGenerations(const QString& titre) {
    const QString reponse = m_dialogues.saisie(
        titre, QStringLiteral("Nombre de générations (1 à 30) ?"), QStringLiteral("10"));
    int generations = 0;
    if (!lireEntier(reponse.trimmed(), generations) || generations < 1 || generations > 30) {
        m_dialogues.message(QStringLiteral("« %1 » n'est pas un nombre de générations de 1 à 30.")
                                .arg(reponse.trimmed()));
        return -1;
    }
    return generations;
}

void TForm1::montrerRapportImprimable(const DocumentRapport& rapport) {
    imprimanteChoisie().setPageOrientation(QPageLayout::Portrait);
    montrerApercu(rapport.titre, [&rapport](QPrinter& p) { imprimerRapport(p, rapport); });
}

void TForm1::ListeAscendance1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    const int generations = demanderGenerations(QStringLiteral("Liste d'ascendance (Sosa)"));
    if (generations < 0) return;
    DocumentRapport rapport;
    if (!surLeFichier([&] {
            const AscendanceSosa a = ascendanceSosa(*m_FichierGenea, personne, generations);
            if (a.generations.empty()) throw ErreurES(ErreurES::LectureFinFichier);
            rapport = rapportAscendance(a, a.generations.front().ancetres.front().personne,
                                        m_CheminFichier, dateDuJour());
        }))
        return;
    montrerRapportImprimable(rapport);
}

void TForm1::ListeDescendance1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    const int generations =
        demanderGenerations(QStringLiteral("Liste de descendance (d'Aboville)"));
    if (generations < 0) return;
    DocumentRapport rapport;
    if (!surLeFichier([&] {
            const auto connues = famillesConnues();
            const DescendanceAboville d =
                descendanceAboville(*m_FichierGenea, personne, generations, connues.get());
            if (d.descendants.empty()) throw ErreurES(ErreurES::LectureFinFichier);
            rapport = rapportDescendance(d, d.descendants.front().personne, m_CheminFichier,
                                         dateDuJour());
        }))
        return;
    montrerRapportImprimable(rapport);
}

namespace {

// The portrait as the display finds it, or none: a missing picture does not
// stop the sheet.
QImage portraitDe(const TFiche& f, const QString& cheminFichier) {
    const QString photo = f.Photo.texte();
    if (photo.size() < 5) return {};
    for (const QString& chemin :
         {repertoireDe(cheminFichier) + QStringLiteral("/PHOTOS/") + partieNomFichier(photo),
          photo}) {
        try {
            return chargerImage(chemin);
        } catch (const ErreurVelmoris&) {
        }
    }
    return {};
}

} // namespace

void TForm1::FicheFamiliale1Click() {
    const std::int32_t personne = personneDuRapport();
    if (personne < 0) return;
    std::vector<MembreFamille> membres;
    QStringList remarques;
    if (!surLeFichier([&] {
            const std::int64_t nombre = m_FichierGenea->nombreFiches();
            auto ajouter = [&](const QString& role, std::int32_t n) {
                if (n < 0 || n >= nombre) return;
                MembreFamille m{role, n, {}, {}};
                m_FichierGenea->positionner(n);
                m_FichierGenea->lire(m.personne);
                m.portrait = portraitDe(m.personne, m_CheminFichier);
                membres.push_back(m);
            };
            ajouter(QStringLiteral("Personne"), personne);
            if (membres.empty()) throw ErreurES(ErreurES::LectureFinFichier);
            const TFiche fiche = membres.front().personne;
            // Every marriage the companion store knows, else the spouse search.
            const auto connues = famillesConnues();
            std::vector<std::int32_t> conjoints =
                connues ? connues->conjoints(personne, fiche) : std::vector<std::int32_t>();
            if (conjoints.empty()) {
                TFiche conjoint;
                conjoints.push_back(chercherConjoint(*m_FichierGenea, fiche, personne, conjoint));
            }
            for (std::size_t i = 0; i < conjoints.size(); ++i)
                ajouter(i == 0 ? QStringLiteral("Conjoint(e)")
                               : QStringLiteral("Conjoint(e), %1e mariage").arg(i + 1),
                        conjoints[i]);
            ajouter(QStringLiteral("Père"), fiche.Pere);
            ajouter(QStringLiteral("Mère"), fiche.Mere);
            std::vector<std::int32_t> vus;
            int rang = 0;
            for (; rang < NbEmplacementsEnfants; ++rang) {
                const std::int32_t enfant = fiche.Enfants[static_cast<std::size_t>(rang)];
                if (enfant == -1 || std::find(vus.begin(), vus.end(), enfant) != vus.end())
                    continue;
                vus.push_back(enfant);
                ajouter(QStringLiteral("Enfant (rang %1)").arg(rang + 1), enfant);
            }
            // The children beyond the ten slots, as the companion store lists them.
            const std::vector<std::int32_t> enPlus =
                connues ? connues->enfantsEnPlus(personne, fiche) : std::vector<std::int32_t>();
            for (const std::int32_t enfant : enPlus)
                ajouter(QStringLiteral("Enfant (rang %1)").arg(++rang), enfant);
            // The ranks are those the record holds: told when they are not the birth order.
            if (!enfantsDansLOrdreDesDates(*m_FichierGenea, fiche))
                remarques << QStringLiteral("Les enfants sont donnés dans l'ordre de leur rang sur "
                                            "la fiche, qui n'est pas celui de leurs dates de "
                                            "naissance.");
            if (enPlus.empty() && std::none_of(fiche.Enfants.begin(), fiche.Enfants.end(),
                                               [](std::int32_t e) { return e == -1; }))
                remarques << QStringLiteral("Les dix emplacements d'enfants de la fiche sont "
                                            "pris : d'autres enfants peuvent manquer.");
        }))
        return;
    montrerRapportImprimable(
        rapportFicheFamiliale(membres, m_CheminFichier, dateDuJour(), remarques));
}

// The second person is chosen in the index of persons.
void TForm1::LienDeParente1Click() {
    const std::int32_t a = personneDuRapport();
    if (a < 0) return;
    std::int32_t b = -1;
    if (!surLeFichier([&] {
            TChoixPersonne choix(QStringLiteral("Lien de parenté : avec qui ?"), *m_FichierGenea,
                                 this, a);
            if (m_dialogues.executerModal(choix)) b = choix.ficheChoisie();
        }))
        return;
    if (b < 0) return;
    DocumentRapport rapport;
    surLeFichier([&] {
        const LienDeParente lien = lienDeParente(*m_FichierGenea, a, b);
        auto lire = [&](std::int32_t n) {
            TFiche f;
            m_FichierGenea->positionner(n);
            m_FichierGenea->lire(f);
            return f;
        };
        rapport = rapportParente(lien, lire, a, b, m_CheminFichier, dateDuJour());
    });
    montrerRapportImprimable(rapport);
}

void TForm1::Statistiques1Click() {
    DocumentRapport rapport;
    if (!surLeFichier([&] {
            rapport =
                rapportStatistiques(statistiques(*m_FichierGenea), m_CheminFichier, dateDuJour());
        }))
        return;
    montrerRapportImprimable(rapport);
}
