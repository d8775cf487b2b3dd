// Before a publication, what to do of the persons presumed living: the
// choice, masking first, then who is masked or left out and why.
#include "forms/UVelmorS.h"

#include "forms/uRapport.h"
#include "platform/Dialogues.h"

#include <map>

namespace {

// Above this many persons, the preview opens in a window of its own.
constexpr std::size_t ListeDansLaQuestion = 40;

std::vector<std::int32_t> vivantsParmi(const PresomptionVivants& p,
                                       const std::vector<std::int32_t>* concernes) {
    std::vector<std::int32_t> r;
    const auto vivant = [&p](std::int32_t n) {
        return n >= 0 && static_cast<std::size_t>(n) < p.vivant.size() &&
               p.vivant[static_cast<std::size_t>(n)];
    };
    if (concernes) {
        for (const std::int32_t n : *concernes)
            if (vivant(n) && std::find(r.begin(), r.end(), n) == r.end()) r.push_back(n);
        return r;
    }
    for (std::size_t n = 0; n < p.vivant.size(); ++n)
        if (p.vivant[n]) r.push_back(static_cast<std::int32_t>(n));
    return r;
}

} // namespace

std::optional<Confidentialite>
TForm1::choisirLaConfidentialite(const QString& publication,
                                 const std::vector<std::int32_t>* concernes, bool listingDAbord) {
    Confidentialite c;
    Complements* base = complements();
    std::size_t nombre = 0;
    QString auSeuil;
    if (!surLeFichier([&] {
            c.presomption = presumerVivants(m_seance->fichier(), base, 100);
            nombre = vivantsParmi(c.presomption, concernes).size();
            // Nobody at 100 years may still be somebody at 120.
            if (nombre == 0) {
                nombre =
                    vivantsParmi(presumerVivants(m_seance->fichier(), base, 120), concernes).size();
                auSeuil = QStringLiteral(" à 120 ans");
            }
        }))
        return std::nullopt;
    if (nombre == 0) return Confidentialite{};
    const auto& presets = presetsConfidentialite();
    QStringList boutons;
    for (const PresetConfidentialite& p : presets)
        boutons << p.libelle;
    const QString garder =
        listingDAbord ? QStringLiteral("Tout garder (le listing complet, tel quel)")
        : publication.contains(QStringLiteral("GEDCOM"))
            ? QStringLiteral("Tout garder (échange entre vos propres programmes)")
            : QStringLiteral("Tout garder (document pour votre seul usage)");
    if (listingDAbord)
        boutons.prepend(garder);
    else
        boutons << garder;
    boutons << QStringLiteral("Annuler");
    const int reponse = m_dialogues.choix(
        QStringLiteral("%1 personne(s) sont présumées vivantes%2 : aucun décès connu, ni événement "
                       "assez ancien chez elles ou leurs proches. La loi les protège : que faire "
                       "d'elles dans %3 ?")
            .arg(nombre)
            .arg(auSeuil, publication),
        boutons);
    if (reponse < 0 || reponse == boutons.size() - 1) return std::nullopt;
    if (boutons[reponse] == garder) return Confidentialite{};
    const PresetConfidentialite& preset =
        presets[static_cast<std::size_t>(reponse - (listingDAbord ? 1 : 0))];
    c.traitement = preset.traitement;
    if (preset.seuil != 100 || preset.seuilMineurs != 0)
        if (!surLeFichier([&] {
                c.presomption = presumerVivants(m_seance->fichier(), base, preset.seuil, 0,
                                                preset.seuilMineurs);
            }))
            return std::nullopt;
    if (!confirmerLesProteges(c, concernes, publication)) return std::nullopt;
    return c;
}

// Who, grouped by the rule that decided it: in the question itself, or in a
// window of its own when the list is long.
bool TForm1::confirmerLesProteges(const Confidentialite& c,
                                  const std::vector<std::int32_t>* concernes,
                                  const QString& publication) {
    const std::vector<std::int32_t> proteges = vivantsParmi(c.presomption, concernes);
    if (proteges.empty()) return true;
    std::map<QString, QStringList> parRaison;
    surLeFichier([&] {
        TFiche f;
        for (const std::int32_t n : proteges) {
            m_seance->fichier().positionner(n);
            m_seance->fichier().lire(f);
            parRaison[c.presomption.raison(n)]
                << QStringLiteral("%1 (fiche %2)").arg(nomComplet(f)).arg(n);
        }
    });
    QStringList lignes;
    for (const auto& [raison, noms] : parRaison) {
        lignes << raison.left(1).toUpper() + raison.mid(1) + QStringLiteral(" :");
        for (const QString& nom : noms)
            lignes << QStringLiteral("  ") + nom;
    }
    const QString quoi =
        (c.traitement == TraitementVivants::Exclure
             ? QStringLiteral("%1 personne(s) seront exclues de %2, avec leurs liens")
             : QStringLiteral("%1 personne(s) seront masquées dans %2"))
            .arg(proteges.size())
            .arg(publication);
    if (proteges.size() <= ListeDansLaQuestion)
        return m_dialogues.questionAvertissement(
            QStringLiteral("%1 :\r%2\rContinuer ?").arg(quoi, lignes.join(u'\r')));
    montrerRapport(QStringLiteral("Personnes présumées vivantes"), lignes);
    return m_dialogues.questionAvertissement(
        QStringLiteral("%1 : celles de la liste qui vient d'être montrée. Continuer ?").arg(quoi));
}
