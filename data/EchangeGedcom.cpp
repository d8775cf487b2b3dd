#include "data/EchangeGedcom.h"

#include "data/Erreurs.h"
#include "data/FichiersSurs.h"

#include <QFileInfo>
#include <QLocale>

#include <limits>

namespace {

QString nombre(std::int64_t n) {
    return QLocale(QLocale::French, QLocale::France).toString(static_cast<qlonglong>(n));
}

} // namespace

ResultatExport exporterVersFichier(FichierEnregistrements& fichier, const QString& cible,
                                   const OptionsExport& options) {
    EcritureAtomique sortie(cible);
    ResultatExport r = exporterGedcom(
        fichier, [&](const char* octets, std::int64_t taille) { sortie.ecrire(octets, taille); },
        options);
    sortie.valider();
    return r;
}

QStringList resumeExport(const ResultatExport& r, const QString& cible,
                         const OptionsExport& options) {
    QStringList lignes{QStringLiteral("%1 personne(s) et %2 famille(s) exportées dans %3.")
                           .arg(nombre(r.personnes), nombre(r.familles), cible)};
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
    EcritureAtomique sortie(cible);
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

void ajouterAuFichier(FichierEnregistrements& fichier, const std::vector<TFiche>& fiches,
                      std::int64_t attendu) {
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
    fichier.ajouter(fiches);
}

QStringList resumeImport(const ResultatImport& r, const QString& source, const QString& cible,
                         bool ajout) {
    QStringList lignes{(ajout ? QStringLiteral("%1 personne(s) de %2 ajoutées à %3.")
                              : QStringLiteral("%1 personne(s) de %2 importées dans %3."))
                           .arg(nombre(static_cast<std::int64_t>(r.fiches.size())), source, cible)};
    lignes << r.rapport.texte();
    return lignes;
}
