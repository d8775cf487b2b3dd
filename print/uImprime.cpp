#include "print/uImprime.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/recherche/Recherches.h"
#include "platform/Dialogues.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A fixed text of the listing, in the code page of the file, in room enough
// to be copied by a fixed-size move.
struct Texte {
    explicit Texte(const QString& texte) {
        const QByteArray octets = cp1252::encoder(texte);
        taille = static_cast<int>(octets.size());
        std::memcpy(brut, octets.constData(), static_cast<std::size_t>(taille));
    }
    char brut[32] = {};
    int taille = 0;
};

struct TextesListing {
    Texte blanc{QStringLiteral(" ")};
    Texte deuxBlancs{QStringLiteral("  ")};
    Texte cinqBlancs{QStringLiteral("     ")};
    Texte fiche{QStringLiteral("Fiche ")};
    Texte naissance{QStringLiteral("Date de naissance : ")};
    Texte mariage{QStringLiteral("Date de mariage : ")};
    Texte deces{QStringLiteral("Date de déces : ")};
    Texte a{QStringLiteral("  à ")};
    Texte pere{QStringLiteral("Père : Enregistrement N° ")};
    Texte mere{QStringLiteral("  Mère : Enregistrement N° ")};
    Texte enfants{QStringLiteral("Enfants : ")};
    Texte enreg{QStringLiteral("enreg : ")};
    Texte photo{QStringLiteral("photo : ")};
    Texte qualites[3] = {Texte{QStringLiteral("Monsieur")}, Texte{QStringLiteral("Madame")},
                         Texte{QStringLiteral("Mademoiselle")}};
};

const TextesListing& textes() {
    static const TextesListing t;
    return t;
}

// Writes at a cursor into room the caller has made: no check, no temporary,
// since the listing of a large file is millions of lines.
class Lignes {
public:
    explicit Lignes(char* curseur) : m_c(curseur) {}
    char* fin() const { return m_c; }
    Lignes& operator<<(const Texte& texte) {
        std::memcpy(m_c, texte.brut, sizeof texte.brut);
        m_c += texte.taille;
        return *this;
    }
    Lignes& operator<<(std::int32_t nombre) {
        std::uint32_t reste = static_cast<std::uint32_t>(nombre);
        if (nombre < 0) {
            *m_c++ = '-';
            reste = 0u - reste;
        }
        char chiffres[10];
        int n = 0;
        do {
            chiffres[n++] = static_cast<char>('0' + reste % 10);
            reste /= 10;
        } while (reste);
        while (n)
            *m_c++ = chiffres[--n];
        return *this;
    }
    // A field is copied whole, a fixed size the compiler turns into a few
    // moves, and the cursor advances by its significant length only.
    template <int L> Lignes& operator<<(const ChampTexte<L>& champ) {
        std::memcpy(m_c, champ.octets.data(), L);
        m_c += champ.longueurSignificative();
        return *this;
    }
    void finDeLigne() {
        *m_c++ = '\r';
        *m_c++ = '\n';
    }

private:
    char* m_c;
};

// The longest block a record can give (every field full, ten children), and
// the room the fixed-size copies may write past the end.
constexpr std::size_t TailleMaximaleBloc = 1024 + 128;

template <int L>
void ligneDate(Lignes& s, const Texte& debut, const ChampTexte<L>& date,
               const ChampTexte<30>& lieu) {
    if (date.vide()) return;
    s << debut << date << textes().a << lieu;
    s.finDeLigne();
}

// Writes the block at `curseur` and returns the end of what it wrote.
char* ecrireBloc(char* curseur, std::int32_t numero, const TFiche& f) {
    const TextesListing& t = textes();
    Lignes s(curseur);
    s << t.blanc;
    s.finDeLigne();
    s << t.fiche << numero;
    s.finDeLigne();
    // A title outside the three known ones has no word: the line starts with the blanks.
    if (f.Qualite <= 2) s << t.qualites[f.Qualite];
    s << t.deuxBlancs << f.Nom << t.deuxBlancs << f.Prenom << t.cinqBlancs << f.Profession;
    s.finDeLigne();
    ligneDate(s, t.naissance, f.DateNaissance, f.LieuNaissance);
    ligneDate(s, t.mariage, f.DateMariage, f.LieuMariage);
    ligneDate(s, t.deces, f.DateDeces, f.LieuDeces);
    if (f.Pere != -1 || f.Mere != -1) {
        if (f.Pere != -1) s << t.pere << f.Pere;
        if (f.Mere != -1) s << t.mere << f.Mere;
        s.finDeLigne();
    }
    bool enfant = false;
    for (int i = 0; i < emplacementsEnfants(f.NbEnfants); ++i) {
        const std::int32_t numeroEnfant = f.Enfants[static_cast<std::size_t>(i)];
        if (numeroEnfant == -1) continue;
        if (!enfant) s << t.enfants;
        enfant = true;
        s << t.enreg << numeroEnfant;
    }
    if (enfant) s.finDeLigne();
    if (!f.Photo.vide()) {
        s << t.photo << f.Photo;
        s.finDeLigne();
    }
    return s.fin();
}

} // namespace

void ecrireBlocFiche(QByteArray& sortie, std::int32_t numero, const TFiche& fiche) {
    char bloc[TailleMaximaleBloc];
    const char* fin = ecrireBloc(bloc, numero, fiche);
    sortie.append(bloc, fin - bloc);
}

void ecrireListing(FichierEnregistrements& fichier, QIODevice& sortie,
                   const Confidentialite* confidentialite) {
    constexpr std::size_t TailleTampon = 1 << 20;
    std::vector<char> tampon(TailleTampon + TailleMaximaleBloc);
    char* curseur = tampon.data();
    auto vider = [&] {
        const auto taille = static_cast<qint64>(curseur - tampon.data());
        if (sortie.write(tampon.data(), taille) != taille) throw ErreurES(ErreurES::DisquePlein);
        curseur = tampon.data();
    };
    const Confidentialite aucune;
    const Confidentialite& c = confidentialite ? *confidentialite : aucune;
    FichierConfidentiel publie(fichier, c);
    parcourirFiches(c.actif() ? publie : fichier, [&](std::int32_t numero, const TFiche& fiche) {
        if (c.exclu(numero)) return true;
        curseur = ecrireBloc(curseur, numero, fiche);
        if (curseur - tampon.data() >= static_cast<std::ptrdiff_t>(TailleTampon)) vider();
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
        if (diese + 1 > largeur)
            envelopper(avant, largeur, morceaux);
        else
            morceaux << avant;
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

// The listing is written over the old one and the file is then cut at its
// end: the pages the old listing left in memory are reused, which makes the
// printout of a large file much faster than emptying the file first.
void ecrireFichierListing(FichierEnregistrements& fichier, const QString& nom,
                          const Confidentialite* confidentialite) {
    const QString quoi = QStringLiteral("Le fichier du listing");
    exigerFichierOrdinaire(nom, quoi);
    const int fd = ::open(QFile::encodeName(nom).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) throw ErreurES(ErreurES::codeDepuisErrno(errno));
    struct stat infos {};
    if (::fstat(fd, &infos) != 0 || !S_ISREG(infos.st_mode)) {
        ::close(fd);
        exigerFichierOrdinaire(nom, quoi);
        throw ErreurES(ErreurES::AccesRefuse);
    }
    QFile listing;
    if (!listing.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw ErreurES(ErreurES::AccesRefuse);
    }
    try {
        ecrireListing(fichier, listing, confidentialite);
        if (!listing.flush()) throw ErreurES(ErreurES::DisquePlein);
    } catch (...) {
        // What was written stays; nothing of the old listing remains after it.
        listing.flush();
        [[maybe_unused]] const int coupe = ::ftruncate(fd, listing.pos());
        throw;
    }
    if (::ftruncate(fd, listing.pos()) != 0) throw ErreurES(ErreurES::codeDepuisErrno(errno));
    listing.close();
}
