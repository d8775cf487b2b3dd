#include "print/uImprime.h"

#include "data/Cp1252.h"
#include "data/Erreurs.h"
#include "data/Recherches.h"
#include "platform/Dialogues.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray FinDeLigne("\r\n");

// The fixed texts of the listing, in the code page of the file.
struct TextesListing {
    QByteArray fiche = cp1252::encoder(QStringLiteral("Fiche "));
    QByteArray naissance = cp1252::encoder(QStringLiteral("Date de naissance : "));
    QByteArray mariage = cp1252::encoder(QStringLiteral("Date de mariage : "));
    QByteArray deces = cp1252::encoder(QStringLiteral("Date de déces : "));
    QByteArray a = cp1252::encoder(QStringLiteral("  à "));
    QByteArray pere = cp1252::encoder(QStringLiteral("Père : Enregistrement N° "));
    QByteArray mere = cp1252::encoder(QStringLiteral("  Mère : Enregistrement N° "));
    QByteArray enfants = cp1252::encoder(QStringLiteral("Enfants : "));
    QByteArray enreg = cp1252::encoder(QStringLiteral("enreg : "));
    QByteArray photo = cp1252::encoder(QStringLiteral("photo : "));
    QByteArray qualites[3] = {cp1252::encoder(QStringLiteral("Monsieur")),
                              cp1252::encoder(QStringLiteral("Madame")),
                              cp1252::encoder(QStringLiteral("Mademoiselle"))};
};

const TextesListing& textes() {
    static const TextesListing t;
    return t;
}

template <int L> void ajouter(QByteArray& sortie, const ChampTexte<L>& champ) {
    sortie.append(reinterpret_cast<const char*>(champ.octets.data()), champ.longueurSignificative());
}

template <int L>
void ligneDate(QByteArray& s, const QByteArray& debut, const ChampTexte<L>& date,
               const ChampTexte<30>& lieu) {
    if (date.vide()) return;
    s += debut;
    ajouter(s, date);
    s += textes().a;
    ajouter(s, lieu);
    s += FinDeLigne;
}

} // namespace

void ecrireBlocFiche(QByteArray& s, std::int32_t numero, const TFiche& f) {
    const TextesListing& t = textes();
    s += " " + FinDeLigne;
    s += t.fiche + QByteArray::number(numero) + FinDeLigne;
    // A title outside the three known ones has no word: the line starts with the blanks.
    if (f.Qualite <= 2) s += t.qualites[f.Qualite];
    s += "  ";
    ajouter(s, f.Nom);
    s += "  ";
    ajouter(s, f.Prenom);
    s += "     ";
    ajouter(s, f.Profession);
    s += FinDeLigne;
    ligneDate(s, t.naissance, f.DateNaissance, f.LieuNaissance);
    ligneDate(s, t.mariage, f.DateMariage, f.LieuMariage);
    ligneDate(s, t.deces, f.DateDeces, f.LieuDeces);
    if (f.Pere != -1 || f.Mere != -1) {
        if (f.Pere != -1) s += t.pere + QByteArray::number(f.Pere);
        if (f.Mere != -1) s += t.mere + QByteArray::number(f.Mere);
        s += FinDeLigne;
    }
    bool enfant = false;
    for (int i = 0; i < emplacementsEnfants(f.NbEnfants); ++i) {
        if (f.Enfants[static_cast<std::size_t>(i)] == -1) continue;
        if (!enfant) s += t.enfants;
        enfant = true;
        s += t.enreg + QByteArray::number(f.Enfants[static_cast<std::size_t>(i)]);
    }
    if (enfant) s += FinDeLigne;
    if (!f.Photo.vide()) {
        s += t.photo;
        ajouter(s, f.Photo);
        s += FinDeLigne;
    }
}

void ecrireListing(FichierEnregistrements& fichier, QIODevice& sortie) {
    constexpr qsizetype TailleTampon = 1 << 20;
    QByteArray tampon;
    tampon.reserve(TailleTampon + 4096);
    auto vider = [&] {
        if (sortie.write(tampon) != tampon.size()) throw ErreurES(ErreurES::DisquePlein);
        tampon.clear();
    };
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& fiche) {
        ecrireBlocFiche(tampon, numero, fiche);
        if (tampon.size() >= TailleTampon) vider();
        return true;
    });
    vider();
}

namespace {

// The wrap of one text at the width, breaking on the last blank of each head.
void envelopper(QString texte, int largeur, QStringList& morceaux) {
    while (texte.size() > largeur) {
        QString tete = texte.left(largeur);
        QString reste = texte.mid(largeur);
        if (tete.back() == u' ' && tete.size() > 1) {
            tete.chop(1);
            reste.prepend(u' ');
        } else if (tete.back() != u' ') {
            // The last blank at positions largeur - 1 down to 2: a blank in first
            // position would leave an empty head and never end, so the head is
            // then broken after `largeur` characters, as one without a blank.
            const auto blanc = tete.lastIndexOf(u' ', largeur - 2);
            if (blanc > 0) {
                reste.prepend(tete.mid(blanc));
                tete.truncate(blanc);
            }
        }
        morceaux << tete;
        texte = reste;
    }
    morceaux << texte;
}

constexpr int PiecesAvantLeReste = 9;

} // namespace

QStringList CouperLigne(const QString& ligne, int largeur) {
    QStringList morceaux;
    if (largeur < 1) largeur = 1;
    if (!ligne.contains(u'#')) {
        envelopper(ligne, largeur, morceaux);
        return morceaux;
    }
    QString reste = ligne;
    while (reste.contains(u'#') && morceaux.size() < PiecesAvantLeReste) {
        const auto diese = reste.indexOf(u'#');
        const QString avant = reste.left(diese);
        if (diese + 1 > largeur) envelopper(avant, largeur, morceaux);
        else morceaux << avant;
        reste = reste.mid(diese + 1);
    }
    morceaux << reste; // not wrapped; any "#" left in it is printed
    return morceaux;
}

QString dateCourteDuJour() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

namespace {

// Opens the listing for reading; the error code of the system when it cannot.
int ouvrirEnLecture(const QString& nom, QFile& fichier) {
    const int fd = ::open(QFile::encodeName(nom).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErreurES::codeDepuisErrno(errno);
    struct stat infos {};
    if (::fstat(fd, &infos) != 0 || S_ISDIR(infos.st_mode)) {
        ::close(fd);
        return ErreurES::AccesRefuse;
    }
    if (!fichier.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return ErreurES::AccesRefuse;
    }
    return 0;
}

QString lireLigne(QFile& fichier) {
    QByteArray octets = fichier.readLine();
    if (octets.endsWith('\n')) octets.chop(1);
    if (octets.endsWith('\r')) octets.chop(1);
    return cp1252::decoder(octets);
}

} // namespace

void ImprimerFichier(const QString& nomFichier, const QString& titre,
                     Imprimante::Orientation orientation, std::uint8_t largeur,
                     std::uint8_t lignesParPage, Imprimante& imprimante, Dialogues& dialogues) {
    if (!QFileInfo::exists(nomFichier)) {
        dialogues.message(QStringLiteral("Fichier d'impression non trouvé..."));
        return;
    }
    QFile fichier;
    if (const int code = ouvrirEnLecture(nomFichier, fichier)) {
        dialogues.message(QStringLiteral("Erreur d'accès au fichier : ") + QString::number(code));
        return;
    }
    const QString entete = titre + QStringLiteral(" le ") + dateCourteDuJour();
    imprimante.definirTitre(entete);
    imprimante.definirOrientation(orientation);
    const QString regle(largeur, u'_');
    const QString marge(5, u' ');
    imprimante.commencer();
    imprimante.choisirPolice(QStringLiteral("Courier"), 10);
    imprimante.ecrireLigne(marge + regle);
    imprimante.choisirPolice(QStringLiteral("Arial"), 15);
    imprimante.ecrireLigne(marge + entete);
    imprimante.choisirPolice(QStringLiteral("Courier"), 10);
    imprimante.ecrireLigne(marge + regle);
    int compteur = 3;
    do {
        for (const QString& morceau : CouperLigne(lireLigne(fichier), largeur)) {
            imprimante.ecrireLigne(marge + morceau);
            if (++compteur > lignesParPage) {
                imprimante.ecrireLigne(QStringLiteral("\r\n\f"));
                compteur = 1;
            }
        }
    } while (!fichier.atEnd());
    imprimante.terminer();
    fichier.close();
}

void ecrireFichierListing(FichierEnregistrements& fichier, const QString& nom) {
    const int fd = ::open(QFile::encodeName(nom).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw ErreurES(ErreurES::codeDepuisErrno(errno));
    QFile listing;
    if (!listing.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw ErreurES(ErreurES::AccesRefuse);
    }
    ecrireListing(fichier, listing);
    if (!listing.flush()) throw ErreurES(ErreurES::DisquePlein);
    listing.close();
}
