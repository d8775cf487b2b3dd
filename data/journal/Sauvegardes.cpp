#include "data/journal/Sauvegardes.h"

#include "data/complements/Complements.h"
#include "data/complements/FichierComplements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierIni.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/TFiche.h"
#include "data/journal/CopieEnsemble.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace sauvegardes {
namespace {

const QString Section = QStringLiteral("SAUVEGARDES");
constexpr int GardeesToujours = 10;
constexpr int JoursGardes = 7;
const QString FormatDate = QStringLiteral("yyyy-MM-dd HH-mm-ss");

QString nomDeBase(const QString& cheminFichier) {
    return QFileInfo(cheminFichier).completeBaseName();
}

QString extension(const QString& cheminFichier) {
    const QString suffixe = QFileInfo(cheminFichier).suffix();
    return suffixe.isEmpty() ? QString() : u'.' + suffixe;
}

std::int64_t tailleDe(const QString& chemin) {
    const QFileInfo info(chemin);
    return info.isFile() ? info.size() : 0;
}

std::int64_t tailleAvecComplements(const QString& chemin) {
    return tailleDe(chemin) + tailleDe(Complements::cheminPour(chemin));
}

void supprimer(const Sauvegarde& s) {
    QFile::remove(Complements::cheminPour(s.chemin));
    QFile::remove(s.chemin);
}

} // namespace

Reglages lireReglages(const QString& cheminIni) {
    Reglages r;
    if (cheminIni.isEmpty() || !QFileInfo(cheminIni).isFile()) return r;
    const QString actives =
        ini::lireValeur(cheminIni, Section, QStringLiteral("Actives")).trimmed();
    r.actives = actives != u"0" && actives.compare(u"non", Qt::CaseInsensitive) != 0;
    r.dossier = ini::lireValeur(cheminIni, Section, QStringLiteral("Dossier")).trimmed();
    bool ok = false;
    const qint64 mo =
        ini::lireValeur(cheminIni, Section, QStringLiteral("LimiteMo")).toLongLong(&ok);
    if (ok && mo > 0 && mo < (1LL << 40)) r.limiteOctets = mo << 20;
    return r;
}

QString dossierPour(const QString& cheminFichier, const Reglages& reglages) {
    const QFileInfo fichier(cheminFichier);
    const QString nom = nomDeBase(cheminFichier) + QStringLiteral(" - sauvegardes");
    // A folder set in the settings holds the backups of every file, each in its own.
    if (!reglages.dossier.isEmpty()) return QDir(reglages.dossier).filePath(nom);
    return fichier.dir().filePath(nom);
}

std::vector<Sauvegarde> lister(const QString& cheminFichier, const Reglages& reglages) {
    const QDir dossier(dossierPour(cheminFichier, reglages));
    const QRegularExpression motif(
        QStringLiteral("^%1 (\\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2})(?: \\((\\d+)\\))?%2$")
            .arg(QRegularExpression::escape(nomDeBase(cheminFichier)),
                 QRegularExpression::escape(extension(cheminFichier))));
    std::vector<Sauvegarde> liste;
    for (const QFileInfo& info : dossier.entryInfoList(QDir::Files, QDir::Name)) {
        const auto m = motif.match(info.fileName());
        if (!m.hasMatch()) continue;
        Sauvegarde s;
        s.chemin = info.absoluteFilePath();
        s.quand = QDateTime::fromString(m.captured(1), FormatDate);
        s.rang = m.captured(2).toInt();
        s.personnes = info.size() / TailleFiche;
        s.octets = tailleAvecComplements(s.chemin);
        if (s.quand.isValid()) liste.push_back(std::move(s));
    }
    std::stable_sort(liste.begin(), liste.end(), [](const Sauvegarde& a, const Sauvegarde& b) {
        return a.quand > b.quand || (a.quand == b.quand && a.rang > b.rang);
    });
    return liste;
}

bool depasseLaLimite(const QString& cheminFichier, const Reglages& reglages) {
    return tailleAvecComplements(cheminFichier) > reglages.limiteOctets;
}

QString sauvegarder(const QString& cheminFichier, const Reglages& reglages,
                    const QDateTime& maintenant) {
    const QString dossier = dossierPour(cheminFichier, reglages);
    try {
        creerDossierDurable(dossier);
    } catch (const ErreurES& e) {
        throw ErreurVelmoris(QStringLiteral("Le dossier des sauvegardes « %1 » n'a pas pu être "
                                            "créé : %2")
                                 .arg(dossier, e.texte()));
    }
    const QString debut =
        QDir(dossier).filePath(nomDeBase(cheminFichier) + u' ' + maintenant.toString(FormatDate));
    QString cible = debut + extension(cheminFichier);
    for (int n = 2; QFileInfo::exists(cible); ++n)
        cible = debut + QStringLiteral(" (%1)").arg(n) + extension(cheminFichier);
    try {
        // The store first: a backup is listed by its records, so a crash
        // between the two never leaves one that seems whole without its store.
        if (Complements::existe(cheminFichier)) copierComplements(cheminFichier, cible);
        copierFichierEnSurete(cheminFichier, cible, QStringLiteral("Le fichier de généalogie"));
    } catch (const ErreurVelmoris& e) {
        QFile::remove(Complements::cheminPour(cible));
        QFile::remove(cible);
        throw ErreurVelmoris(QStringLiteral("La sauvegarde de « %1 » dans « %2 » n'a pas pu être "
                                            "faite : %3")
                                 .arg(cheminFichier, dossier, e.texte()));
    }
    elaguer(cheminFichier, reglages, maintenant);
    return cible;
}

void elaguer(const QString& cheminFichier, const Reglages& reglages, const QDateTime& maintenant) {
    std::vector<Sauvegarde> liste = lister(cheminFichier, reglages);
    std::vector<Sauvegarde> gardees;
    const QDateTime limite = maintenant.addDays(-JoursGardes);
    for (std::size_t i = 0; i < liste.size(); ++i) {
        if (static_cast<int>(i) < GardeesToujours || liste[i].quand >= limite)
            gardees.push_back(liste[i]);
        else
            supprimer(liste[i]);
    }
    std::int64_t total = 0;
    for (const Sauvegarde& s : gardees)
        total += s.octets;
    while (gardees.size() > 1 && total > reglages.limiteOctets) {
        total -= gardees.back().octets;
        supprimer(gardees.back());
        gardees.pop_back();
    }
}

void restaurer(const QString& cheminFichier, const Sauvegarde& sauvegarde, const QString& libelle) {
    journal::remplacerParUneCopie(
        cheminFichier, libelle,
        [&](const journal::EcrireCopie& ecrire) {
            exigerFichierOrdinaire(sauvegarde.chemin, QStringLiteral("La sauvegarde"));
            QFile lecture(sauvegarde.chemin);
            if (!lecture.open(QIODevice::ReadOnly)) throw ErreurES(ErreurES::AccesRefuse);
            while (!lecture.atEnd()) {
                const QByteArray bloc = lecture.read(1 << 20);
                if (bloc.isEmpty() && lecture.error() != QFileDevice::NoError)
                    throw ErreurES(ErreurES::LectureFinFichier);
                ecrire(bloc.constData(), bloc.size());
            }
        },
        complementsACopier(sauvegarde.chemin));
}

} // namespace sauvegardes
