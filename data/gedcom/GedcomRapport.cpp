// The import report: every item the record could not hold, by kind, and
// each named with its person; nothing past a cap is hidden.
#include "data/gedcom/Gedcom.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include "data/fichier/Texte.h"

#include <QLocale>
#include <QTemporaryFile>

namespace {

const char* const NomsEcarts[NombreEcarts] = {
    "Dates gardées moins précises",
    "Dates d'un autre calendrier converties",
    "Dates juliennes gardées telles qu'écrites",
    "Dates qui ne tiennent pas dans la fiche (laissées vides)",
    "Textes coupés à la largeur du champ",
    "Textes aux caractères remplacés par des lettres latines",
    "Noms secondaires et noms d'épouse non gardés",
    "Titres, surnoms, suffixes et parties de nom non gardés",
    "Événements et attributs non gardés",
    "Détails d'événements non gardés (type, profession datée…)",
    "Causes non gardées",
    "Âges à un événement non gardés",
    "Adresses d'événements non gardées",
    "Coordonnées de lieux non gardées",
    "Sources et citations non gardées",
    "Notes non gardées",
    "Images et documents non gardés",
    "Mariages non représentables",
    "Enfants au-delà du dixième",
    "Liens entre familles et enfants à trancher",
    "Adoptions et autres filiations non gardées",
    "Baptêmes ou inhumations tenant lieu de naissance ou de décès",
    "Décès connus sans date",
    "Mentions de confidentialité non gardées",
    "Numéros de référence non gardés",
    "Références à des personnes ou familles absentes",
    "Autres enregistrements du fichier non gardés",
    "Lignes mal placées et identifiants en double",
    "Boucles dans les familles",
    "Particularités de lecture du fichier",
    "Enfants rangés par date de naissance",
    "Liens famille-enfant donnés d'un seul côté, complétés"};

} // namespace

bool ecartInformatif(Ecart genre) {
    return genre == Ecart::EnfantsReordonnes || genre == Ecart::LienComplete;
}

std::int64_t RapportImport::total() const {
    std::int64_t n = 0;
    for (int g = 0; g < NombreEcarts; ++g)
        if (!ecartInformatif(static_cast<Ecart>(g))) n += comptes[static_cast<std::size_t>(g)];
    return n;
}

std::int64_t RapportImport::perdus() const {
    std::int64_t n = 0;
    for (int g = 0; g < NombreEcarts; ++g)
        if (!ecartInformatif(static_cast<Ecart>(g)))
            n += comptes[static_cast<std::size_t>(g)] - gardes[static_cast<std::size_t>(g)];
    return n;
}

void RapportImport::ajouter(Ecart genre, std::int64_t quantite, const QString& texte, bool garde) {
    comptes[static_cast<std::size_t>(genre)] += quantite;
    if (garde) gardes[static_cast<std::size_t>(genre)] += quantite;
    const QString ligne = garde ? texte + QStringLiteral(" — gardé dans les compléments") : texte;
    if (lignes.size() < LignesRapportMaximum) {
        lignes << ligne;
        return;
    }
    ++lignesOmises;
    if (!suite) {
        suite = std::make_shared<QTemporaryFile>();
        if (!suite->open()) throw ErreurES(ErreurES::DisquePlein);
    }
    const QByteArray octets = ligne.toUtf8() + '\n';
    if (suite->write(octets) != octets.size()) throw ErreurES(ErreurES::DisquePlein);
}

QStringList RapportImport::texte(const QString& listeComplete) const {
    QStringList sortie;
    if (total() == 0)
        sortie << QStringLiteral("Tout a été gardé fidèlement.");
    else if (perdus() == 0)
        sortie << QStringLiteral("Rien n'est perdu : ce que les fiches ne peuvent pas tenir est "
                                 "gardé dans les compléments, à côté du fichier de généalogie.");
    else if (perdus() < total())
        sortie << QStringLiteral("Perdu pour de bon : %1 ; le reste est gardé dans les "
                                 "compléments, à côté du fichier de généalogie.")
                      .arg(nombreEnFrancais(perdus()));
    else
        sortie << QStringLiteral("Perdu pour de bon : %1 ; rien de ce que les fiches ne peuvent "
                                 "pas tenir n'a été gardé.")
                      .arg(nombreEnFrancais(perdus()));
    for (int g = 0; g < NombreEcarts; ++g) {
        const std::int64_t c = comptes[static_cast<std::size_t>(g)];
        if (!c) continue;
        const std::int64_t ici = gardes[static_cast<std::size_t>(g)];
        QString ligne =
            QStringLiteral("  %1 : %2").arg(QString::fromUtf8(NomsEcarts[g]), nombreEnFrancais(c));
        if (ici == c)
            ligne += QStringLiteral(" — gardé dans les compléments");
        else if (ici)
            ligne +=
                QStringLiteral(" — dont %1 gardé dans les compléments").arg(nombreEnFrancais(ici));
        sortie << ligne;
    }
    if (lignes.isEmpty()) return sortie;
    sortie << QString() << lignes;
    if (lignesOmises)
        sortie << (listeComplete.isEmpty()
                       ? QStringLiteral("… et %1 autres lignes").arg(nombreEnFrancais(lignesOmises))
                       : QStringLiteral("… et %1 autres lignes : la liste complète est dans %2")
                             .arg(nombreEnFrancais(lignesOmises), listeComplete));
    return sortie;
}

void RapportImport::ecrireListeComplete(const QString& chemin) const {
    EcritureAtomique ecriture(chemin);
    ecriture.ecrire((lignes.join(u'\n') + u'\n').toUtf8());
    if (suite) {
        suite->flush();
        suite->seek(0);
        while (!suite->atEnd())
            ecriture.ecrire(suite->read(1 << 20));
    }
    ecriture.valider();
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
