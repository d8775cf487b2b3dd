#include "data/gedcom/EchangeGedcom.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include "data/fichier/Texte.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <functional>
#include <limits>
#include <memory>

namespace {} // namespace

ResultatExport exporterVersFichier(FichierEnregistrements& fichier, const QString& cible,
                                   const OptionsExport& options) {
    std::unique_ptr<EcritureAtomique> sortie;
    nommerSiErreur(QStringLiteral("Le fichier GEDCOM « %1 » ne peut pas être écrit : %2"), cible,
                   [&] { sortie = std::make_unique<EcritureAtomique>(cible); });
    ResultatExport r = exporterGedcom(
        fichier, [&](const char* octets, std::int64_t taille) { sortie->ecrire(octets, taille); },
        options);
    sortie->valider();
    return r;
}

QStringList resumeExport(const ResultatExport& r, const QString& cible,
                         const OptionsExport& options, const QString& avertissement) {
    QStringList lignes{
        QStringLiteral("%1 personne(s) et %2 famille(s) exportées dans %3.")
            .arg(nombreEnFrancais(r.personnes), nombreEnFrancais(r.familles), cible)};
    if (r.personnesCompletees || r.enregistrementsCompletes)
        lignes << QStringLiteral("Les compléments ont rendu à %1 personne(s) ce que leurs fiches "
                                 "ne peuvent pas tenir, et %2 source(s), note(s) et autre(s) "
                                 "enregistrement(s) du fichier.")
                      .arg(nombreEnFrancais(r.personnesCompletees),
                           nombreEnFrancais(r.enregistrementsCompletes));
    if (!avertissement.isEmpty()) lignes << avertissement;
    if (options.copierPortraits)
        lignes << QStringLiteral("Les portraits sont copiés dans le dossier PHOTOS à côté du "
                                 "fichier GEDCOM, qui les nomme par des chemins relatifs "
                                 "(%1 copie(s)).")
                      .arg(r.portraitsCopies);
    else
        lignes << QStringLiteral("Les portraits sont nommés par leur chemin complet.");
    if (r.portraitsIntrouvables)
        lignes << QStringLiteral("%1 portrait(s) introuvable(s) ont gardé leur chemin enregistré.")
                      .arg(r.portraitsIntrouvables);
    if (r.liensPendants)
        lignes << QStringLiteral(
                      "%1 lien(s) vers des fiches qui n'existent pas ont été laissés de côté.")
                      .arg(r.liensPendants);
    if (r.personnesMasquees)
        lignes << QStringLiteral("%1 personne(s) présumée(s) vivante(s) masquée(s) (« Vivant », "
                                 "sans date, lieu, note, source ni image).")
                      .arg(r.personnesMasquees);
    if (r.personnesExclues)
        lignes << QStringLiteral(
                      "%1 personne(s) présumée(s) vivante(s) exclue(s), avec leurs liens.")
                      .arg(r.personnesExclues);
    if (r.mariagesSansConjoint)
        lignes << QStringLiteral("%1 mariage(s) dont aucune fiche ne nomme le conjoint ont été "
                                 "écrits chacun dans une famille à un seul conjoint connu.")
                      .arg(nombreEnFrancais(r.mariagesSansConjoint));
    if (r.mariagesEnDesaccord)
        lignes << QStringLiteral("%1 couple(s) dont les deux fiches donnent des mariages "
                                 "différents : les deux sont écrits, chacun avec une note qui "
                                 "dit de quelle fiche il vient.")
                      .arg(nombreEnFrancais(r.mariagesEnDesaccord));
    if (r.caracteresDeControle)
        lignes << QStringLiteral("%1 caractère(s) de contrôle, venus d'un fichier endommagé ou "
                                 "étranger, ont été laissés de côté.")
                      .arg(r.caracteresDeControle);
    return lignes;
}

void creerFichierImporte(const QString& cible, const std::vector<TFiche>& fiches) {
    if (QFileInfo::exists(cible) || QFileInfo(cible).isSymLink())
        throw ErreurVelmoris(QStringLiteral("Le fichier « %1 » existe déjà : l'importation crée "
                                            "toujours un nouveau fichier")
                                 .arg(cible));
    std::unique_ptr<EcritureAtomique> ecriture;
    nommerSiErreur(QStringLiteral("Le fichier de généalogie « %1 » ne peut pas être créé : %2"),
                   cible, [&] { ecriture = std::make_unique<EcritureAtomique>(cible); });
    EcritureAtomique& sortie = *ecriture;
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    std::size_t dans = 0;
    auto vider = [&] {
        sortie.ecrire(reinterpret_cast<const char*>(bloc.data()),
                      static_cast<std::int64_t>(dans) * TailleFiche);
        dans = 0;
    };
    for (const TFiche& f : fiches) {
        encoderFiche(f, bloc.data() + dans * TailleFiche);
        if (++dans == static_cast<std::size_t>(FichesParBloc)) vider();
    }
    vider();
    sortie.valider();
}

EntreeHistorique ajouterAuFichier(FichierEnregistrements& fichier, const QString& chemin,
                                  const std::vector<TFiche>& fiches, std::int64_t attendu,
                                  const EtapeComplements& complements) {
    const std::int64_t maintenant = fichier.nombreFiches();
    if (maintenant != attendu)
        throw ErreurVelmoris(
            QStringLiteral("Le fichier de généalogie a changé pendant l'importation (%1 fiches au "
                           "lieu de %2) : rien n'a été ajouté. Recommencez l'importation")
                .arg(maintenant)
                .arg(attendu));
    if (attendu + static_cast<std::int64_t>(fiches.size()) >
        std::numeric_limits<std::int32_t>::max())
        throw ErreurVelmoris(QStringLiteral("Le fichier compterait plus de 2 147 483 647 fiches : "
                                            "rien n'a été ajouté"));
    return ajouterEnSurete(fichier, chemin, fiches,
                           QStringLiteral("l'importation de %1 personne(s)").arg(fiches.size()),
                           complements);
}

QString cheminListeComplete(const QString& cible) {
    const QFileInfo info(cible);
    return info.absoluteDir().filePath(info.completeBaseName() +
                                       QStringLiteral(" - rapport d'importation.txt"));
}

QStringList resumeImport(const ResultatImport& r, const QString& source, const QString& cible,
                         bool ajout, const QString& avertissement) {
    QStringList lignes{
        (ajout ? QStringLiteral("%1 personne(s) de %2 ajoutées à %3.")
               : QStringLiteral("%1 personne(s) de %2 importées dans %3."))
            .arg(nombreEnFrancais(static_cast<std::int64_t>(r.fiches.size())), source, cible)};
    // No cap hides a line: past the first ones, the whole list is written out.
    QString liste;
    if (r.rapport.lignesOmises) {
        liste = cheminListeComplete(cible);
        r.rapport.ecrireListeComplete(liste);
    }
    if (!avertissement.isEmpty()) lignes << avertissement;
    lignes << r.rapport.texte(liste);
    return lignes;
}

void nommerSiErreur(const QString& message, const QString& chemin,
                    const std::function<void()>& action) {
    try {
        action();
    } catch (const ErreurES& e) {
        QString raison = avecPointFinal(e.texte());
        raison.chop(1);
        if (e.code() == ErreurES::FichierIntrouvable && !QFileInfo(chemin).absoluteDir().exists())
            raison = QStringLiteral("le dossier « %1 » n'existe pas")
                         .arg(QFileInfo(chemin).absolutePath());
        throw ErreurVelmoris(message.arg(chemin, raison.toLower()));
    }
}
