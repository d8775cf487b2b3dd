#include "app/LigneDeCommande.h"

#include "data/coherence/Coherence.h"
#include "data/complements/Complements.h"
#include "data/doublons/Doublons.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/journal/Journal.h"
#include "data/vivants/Vivants.h"
#include "session/Commandes.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

void ecrire(std::FILE* flux, const QString& texte) {
    const QByteArray octets = texte.toUtf8() + '\n';
    std::fwrite(octets.constData(), 1, static_cast<std::size_t>(octets.size()), flux);
}

// A command cut short by a crash is undone before the file is read.
void rejouerLeJournal(const QString& fichier) {
    const QString message = journal::rejouerSiPresent(fichier);
    if (!message.isEmpty()) ecrire(stderr, message);
}

DemandeLigneDeCommande erreur(const QString& texte) {
    DemandeLigneDeCommande d;
    d.genre = DemandeLigneDeCommande::Genre::Erreur;
    d.erreur = texte;
    return d;
}

int importer(const DemandeLigneDeCommande& d) {
    if (d.ajouter) {
        if (!fichierExiste(d.fichier))
            throw ErreurVelmoris(QStringLiteral("Le fichier « %1 » n'existe pas : sans --ajouter, "
                                                "l'importation le crée")
                                     .arg(d.fichier));
        rejouerLeJournal(d.fichier);
        FichierDisque fichier;
        nommerSiErreur(
            QStringLiteral("Le fichier de généalogie « %1 » ne peut pas être ouvert : %2"),
            d.fichier, [&] { fichier.ouvrir(d.fichier); });
        FermetureGarantie fermeture(fichier);
        const std::int64_t avant = fichier.nombreFiches();
        ComplementsDImport complements(d.fichier, true);
        const ResultatImport r = importerGedcomFichier(d.gedcom, static_cast<std::int32_t>(avant),
                                                       complements.options());
        ajouterAuFichier(fichier, d.fichier, r.fiches, avant, complements.etape(r));
        fichier.fermer();
        ecrire(stdout,
               resumeImport(r, d.gedcom, d.fichier, true, complements.avertissement()).join(u'\n'));
        return 0;
    }
    if (fichierExiste(d.fichier))
        throw ErreurVelmoris(
            QStringLiteral("Le fichier « %1 » existe déjà : il n'est pas remplacé. "
                           "Ajoutez --ajouter pour y ajouter les personnes")
                .arg(d.fichier));
    const ResultatImport r = importerGedcomFichier(d.gedcom);
    const QString avertissement = creationDepuisImport(d.fichier, r);
    ecrire(stdout, resumeImport(r, d.gedcom, d.fichier, false, avertissement).join(u'\n'));
    return 0;
}

// The file a reading command works on, a command a crash cut short undone
// first; raises ErreurVelmoris, the file named, when it cannot be opened.
void ouvrirPourLire(const QString& chemin, FichierDisque& fichier) {
    if (!fichierExiste(chemin))
        throw ErreurVelmoris(QStringLiteral("Le fichier « %1 » est introuvable").arg(chemin));
    rejouerLeJournal(chemin);
    nommerSiErreur(QStringLiteral("Le fichier de généalogie « %1 » ne peut pas être ouvert : %2"),
                   chemin, [&] { fichier.ouvrir(chemin); });
}

// One finding a line: record number, rule, severity, message, tab-separated.
int verifier(const DemandeLigneDeCommande& d) {
    FichierDisque fichier;
    ouvrirPourLire(d.fichier, fichier);
    FermetureGarantie fermeture(fichier);
    std::unique_ptr<Complements> complements;
    std::vector<ConstatIgnore> ignores;
    if (Complements::existe(d.fichier)) {
        try {
            complements = Complements::ouvrir(d.fichier, false);
            ignores = complements->constatsIgnores();
        } catch (const ErreurComplements& e) {
            ecrire(stderr, avecPointFinal(e.texte()) +
                               QStringLiteral(" Seules les fiches sont vérifiées."));
        }
    }
    QString lignes;
    verifierCoherence(fichier, complements.get(),
                      lireSeuils(QDir::current().filePath(QStringLiteral("VELMOR.INI"))),
                      [&](Constat&& c) {
                          if (!d.tout && estIgnore(c, ignores)) return;
                          lignes += QStringLiteral("%1\t%2\t%3\t%4\n")
                                        .arg(c.fiche)
                                        .arg(QString::fromLatin1(c.regle), nomDeGravite(c.gravite),
                                             QString(c.message).replace(u'\t', u' '));
                          if (lignes.size() > (1 << 20)) {
                              std::fputs(lignes.toUtf8().constData(), stdout);
                              lignes.clear();
                          }
                      });
    std::fputs(lignes.toUtf8().constData(), stdout);
    fichier.fermer();
    return 0;
}

// One pair a line: the two records, the smaller first, and the score; best first.
int doublons(const DemandeLigneDeCommande& d) {
    FichierDisque fichier;
    ouvrirPourLire(d.fichier, fichier);
    FermetureGarantie fermeture(fichier);
    QByteArray lignes;
    for (const PaireDoublon& p : chercherDoublons(fichier)) {
        lignes += QByteArray::number(p.a) + '\t' + QByteArray::number(p.b) + '\t' +
                  QByteArray::number(p.score) + '\n';
        if (lignes.size() > (1 << 20)) {
            std::fputs(lignes.constData(), stdout);
            lignes.clear();
        }
    }
    std::fputs(lignes.constData(), stdout);
    fichier.fermer();
    return 0;
}

int exporter(const DemandeLigneDeCommande& d) {
    if (!fichierExiste(d.fichier))
        throw ErreurVelmoris(QStringLiteral("Le fichier « %1 » est introuvable").arg(d.fichier));
    refuserSiFichierGenealogie(d.gedcom, d.fichier, QStringLiteral("L'export GEDCOM"));
    rejouerLeJournal(d.fichier);
    FichierDisque fichier;
    nommerSiErreur(QStringLiteral("Le fichier de généalogie « %1 » ne peut pas être ouvert : %2"),
                   d.fichier, [&] { fichier.ouvrir(d.fichier); });
    FermetureGarantie fermeture(fichier);
    OptionsExport options;
    options.cheminFichier = d.fichier;
    options.dossierGedcom = QFileInfo(d.gedcom).absolutePath();
    options.copierPortraits = d.copierPortraits;
    QString avertissement;
    const std::unique_ptr<Complements> complements =
        complementsPourExporter(d.fichier, avertissement);
    options.complements = complements.get();
    // The living: presumed from the records and the store, then treated as asked.
    PresomptionVivants vivants;
    if (!d.vivants.isEmpty() && d.vivants != u"garder") {
        vivants = presumerVivants(fichier, complements.get(), d.seuilVivants);
        options.vivants = &vivants.vivant;
        options.traitement =
            d.vivants == u"exclure" ? TraitementVivants::Exclure : TraitementVivants::Masquer;
    }
    const ResultatExport r = exporterVersFichier(fichier, d.gedcom, options);
    fichier.fermer();
    const QStringList resume = resumeExport(r, d.gedcom, options, avertissement);
    ecrire(stdout, resume.join(u'\n'));
    return 0;
}

} // namespace

QString aideLigneDeCommande() {
    return QStringLiteral(
        "Velmoris, éditeur d'arbre généalogique.\n"
        "\n"
        "Utilisation :\n"
        "  Velmoris                       ouvre le dernier fichier de généalogie utilisé\n"
        "  Velmoris FICHIER.FIC           ouvre ce fichier de généalogie\n"
        "  Velmoris --importer-gedcom ENTREE.ged FICHIER.FIC [--ajouter]\n"
        "                                 crée FICHIER.FIC à partir du fichier GEDCOM ;\n"
        "                                 avec --ajouter, ajoute les personnes à FICHIER.FIC\n"
        "  Velmoris --exporter-gedcom FICHIER.FIC SORTIE.ged [--copier-portraits]\n"
        "                                 écrit FICHIER.FIC en GEDCOM ; avec --copier-portraits,\n"
        "                                 les portraits sont copiés dans un dossier PHOTOS\n"
        "                                 à côté de SORTIE.ged\n"
        "  Velmoris --exporter-gedcom FICHIER.FIC SORTIE.ged --vivants exclure|masquer|garder\n"
        "           [--seuil-vivants N]\n"
        "                                 les personnes présumées vivantes (aucun événement\n"
        "                                 de plus de N ans, 100 par défaut, ni chez leurs\n"
        "                                 proches) sont exclues, masquées (« Vivant ») ou gardées\n"
        "  Velmoris --verifier-coherence FICHIER.FIC [--tout]\n"
        "                                 vérifie la cohérence de la généalogie : une ligne par\n"
        "                                 constat (numéro de fiche, règle, gravité, message,\n"
        "                                 séparés par des tabulations) ; avec --tout, les\n"
        "                                 constats ignorés aussi\n"
        "  Velmoris --doublons FICHIER.FIC\n"
        "                                 les personnes saisies deux fois : une ligne par paire\n"
        "                                 (les deux numéros de fiche, le plus petit d'abord, et\n"
        "                                 le score sur 100, séparés par des tabulations), les\n"
        "                                 plus probables d'abord\n"
        "  Velmoris --bureau [FICHIER.FIC]\n"
        "                                 comme lancé depuis le menu du bureau : le dossier de\n"
        "                                 travail est Documents/Généalogie\n"
        "  Velmoris --aide                affiche cette aide\n"
        "\n"
        "Les conversions n'ouvrent aucune fenêtre. Le code de sortie vaut 0 en cas de succès,\n"
        "1 en cas d'échec, 2 quand la ligne de commande est incorrecte.");
}

DemandeLigneDeCommande analyserLigneDeCommande(const QStringList& arguments) {
    using G = DemandeLigneDeCommande::Genre;
    DemandeLigneDeCommande d;
    QStringList positionnels;
    bool seuilDonne = false;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& a = arguments[k];
        if (a == u"--vivants" || a == u"--seuil-vivants") {
            if (k + 1 >= arguments.size())
                return erreur(QStringLiteral("%1 attend une valeur").arg(a));
            const QString v = arguments[++k];
            if (a == u"--vivants") {
                if (v != u"exclure" && v != u"masquer" && v != u"garder")
                    return erreur(QStringLiteral("--vivants attend exclure, masquer ou garder"));
                d.vivants = v;
            } else {
                bool ok = false;
                d.seuilVivants = v.toInt(&ok);
                if (!ok || d.seuilVivants < 30 || d.seuilVivants > 200)
                    return erreur(QStringLiteral("--seuil-vivants attend un nombre d'années de 30 "
                                                 "à 200"));
                seuilDonne = true;
            }
            continue;
        }
        if (a == u"--aide" || a == u"-h" || a == u"--help")
            d.genre = G::Aide;
        else if (a == u"--importer-gedcom")
            d.genre = d.genre == G::Fenetre ? G::Importer : G::Erreur;
        else if (a == u"--exporter-gedcom")
            d.genre = d.genre == G::Fenetre ? G::Exporter : G::Erreur;
        else if (a == u"--verifier-coherence")
            d.genre = d.genre == G::Fenetre ? G::Coherence : G::Erreur;
        else if (a == u"--doublons")
            d.genre = d.genre == G::Fenetre ? G::Doublons : G::Erreur;
        else if (a == u"--tout")
            d.tout = true;
        else if (a == u"--ajouter")
            d.ajouter = true;
        else if (a == u"--copier-portraits")
            d.copierPortraits = true;
        else if (a == u"--bureau")
            d.bureau = true;
        else if (a.startsWith(u'-') && a.size() > 1)
            return erreur(QStringLiteral("Option inconnue : %1").arg(a));
        else
            positionnels << a;
    }
    if (d.genre == G::Aide) return d;
    if (d.genre == G::Erreur)
        return erreur(QStringLiteral("Une seule commande à la fois : --importer-gedcom, "
                                     "--exporter-gedcom, --verifier-coherence ou --doublons"));
    if (d.ajouter && d.genre != G::Importer)
        return erreur(QStringLiteral("--ajouter ne sert qu'avec --importer-gedcom"));
    if (d.copierPortraits && d.genre != G::Exporter)
        return erreur(QStringLiteral("--copier-portraits ne sert qu'avec --exporter-gedcom"));
    if ((!d.vivants.isEmpty() || seuilDonne) && d.genre != G::Exporter)
        return erreur(QStringLiteral("--vivants et --seuil-vivants ne servent qu'avec "
                                     "--exporter-gedcom"));
    if (seuilDonne && d.vivants.isEmpty())
        return erreur(QStringLiteral("--seuil-vivants ne sert qu'avec --vivants"));
    if (d.tout && d.genre != G::Coherence)
        return erreur(QStringLiteral("--tout ne sert qu'avec --verifier-coherence"));
    if (d.genre == G::Coherence || d.genre == G::Doublons) {
        if (positionnels.size() != 1)
            return erreur(QStringLiteral("%1 attend FICHIER.FIC")
                              .arg(d.genre == G::Coherence ? QStringLiteral("--verifier-coherence")
                                                           : QStringLiteral("--doublons")));
        d.fichier = positionnels[0];
        return d;
    }
    if (d.bureau && d.genre != G::Fenetre)
        return erreur(QStringLiteral("--bureau ne sert qu'à ouvrir la fenêtre"));
    if (d.genre == G::Fenetre) {
        if (positionnels.size() > 1)
            return erreur(QStringLiteral("Un seul fichier de généalogie à ouvrir"));
        d.fichier = positionnels.value(0);
        return d;
    }
    if (positionnels.size() != 2)
        return erreur(d.genre == G::Importer
                          ? QStringLiteral("--importer-gedcom attend ENTREE.ged et FICHIER.FIC")
                          : QStringLiteral("--exporter-gedcom attend FICHIER.FIC et SORTIE.ged"));
    d.gedcom = positionnels[d.genre == G::Importer ? 0 : 1];
    d.fichier = positionnels[d.genre == G::Importer ? 1 : 0];
    return d;
}

int executerSansFenetre(const DemandeLigneDeCommande& d) {
    using G = DemandeLigneDeCommande::Genre;
    switch (d.genre) {
    case G::Aide:
        ecrire(stdout, aideLigneDeCommande());
        return 0;
    case G::Erreur:
        ecrire(stderr, d.erreur + QStringLiteral(".\n\n") + aideLigneDeCommande());
        return 2;
    case G::Fenetre:
        return 2;
    case G::Importer:
    case G::Exporter:
    case G::Coherence:
    case G::Doublons:
        break;
    }
    try {
        if (d.genre == G::Coherence) return verifier(d);
        if (d.genre == G::Doublons) return doublons(d);
        return d.genre == G::Importer ? importer(d) : exporter(d);
    } catch (const ErreurVelmoris& e) {
        ecrire(stderr, QStringLiteral("Erreur : ") + avecPointFinal(e.texte()));
    } catch (const std::bad_alloc&) {
        ecrire(stderr, QStringLiteral("Erreur : Mémoire insuffisante."));
    }
    return 1;
}
