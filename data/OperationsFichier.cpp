#include "data/OperationsFichier.h"

#include "platform/Dialogues.h"

#include "data/Erreurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <vector>

namespace {

// Qt reports file errors by kind; the general error box wants the classic codes.
int codeDepuisQt(QFileDevice::FileError erreur, const QString& chemin) {
    switch (erreur) {
    case QFileDevice::ResourceError:
        return ErreurES::DisquePlein;
    case QFileDevice::OpenError:
        return QFileInfo(chemin).absoluteDir().exists() ? ErreurES::AccesRefuse
                                                        : ErreurES::FichierIntrouvable;
    default:
        return ErreurES::AccesRefuse;
    }
}

} // namespace

bool fichierExiste(const QString& chemin) {
    return !chemin.isEmpty() && QFileInfo::exists(chemin);
}

bool OuvrirFichier(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues) {
    if (!fichierExiste(chemin)) {
        dialogues.message(QStringLiteral("Le fichier est introuvable"));
        return false;
    }
    fichier.ouvrir(chemin);
    return true;
}

void EcrireFiche(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues,
                 std::int32_t numero, const TFiche& fiche) {
    if (!OuvrirFichier(fichier, chemin, dialogues)) return;
    FermetureGarantie fermeture(fichier);
    fichier.positionner(numero);
    fichier.ecrire(fiche);
    fichier.fermer();
}

bool memeFichier(const QString& premier, const QString& second) {
    struct stat a {
    }, b{};
    if (::stat(QFile::encodeName(premier).constData(), &a) != 0) return false;
    if (::stat(QFile::encodeName(second).constData(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void copierFiches(FichierEnregistrements& source, const QString& cible) {
    QSaveFile copie(cible);
    if (!copie.open(QIODevice::WriteOnly)) throw ErreurES(codeDepuisQt(copie.error(), cible));
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    const std::int64_t total = source.nombreFiches();
    for (std::int64_t debut = 0; debut < total; debut += FichesParBloc) {
        const std::int64_t voulu = std::min(FichesParBloc, total - debut);
        if (source.lireBloc(debut, voulu, bloc.data()) < voulu)
            throw ErreurES(ErreurES::LectureFinFichier);
        const qint64 octets = voulu * TailleFiche;
        if (copie.write(reinterpret_cast<const char*>(bloc.data()), octets) != octets)
            throw ErreurES(ErreurES::DisquePlein);
    }
    if (!copie.commit()) throw ErreurES(codeDepuisQt(copie.error(), cible));
}
