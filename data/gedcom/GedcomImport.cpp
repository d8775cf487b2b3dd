// The GEDCOM import: records read as they come, block by block; only the
// persons, and a few bytes a family and a link, stay in memory. Whatever the
// record cannot hold is counted item by item and told, person by person.
#include "data/gedcom/Importateur.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace importation {

// Tags that hold nothing the user entered: kept in the store with the rest,
// never counted as a loss.
bool administratif(std::uint64_t c) {
    return c == code("CHAN") || c == code("RIN") || c == code("_UID") || c == code("UID") ||
           c == code("_UPD") || c == code("EXID");
}

bool identifiant(std::uint64_t c) {
    return c == REFN || c == code("AFN") || c == code("RFN") || c == code("_FSFTID");
}

bool adresse(std::uint64_t c) {
    return c == ADDR || c == code("PHON") || c == code("EMAIL") || c == code("FAX") ||
           c == code("WWW") || c == code("_EMAIL");
}

QString nomEvenement(std::string_view etiquette) {
    static const std::unordered_map<std::string_view, const char*> noms = {
        {"BURI", "inhumation"},
        {"CREM", "crémation"},
        {"CHR", "baptême"},
        {"BAPM", "baptême"},
        {"RESI", "résidence"},
        {"EVEN", "événement"},
        {"CENS", "recensement"},
        {"EMIG", "émigration"},
        {"IMMI", "immigration"},
        {"NATU", "naturalisation"},
        {"EDUC", "études"},
        {"GRAD", "diplôme"},
        {"RELI", "religion"},
        {"RETI", "retraite"},
        {"PROB", "homologation"},
        {"WILL", "testament"},
        {"ADOP", "adoption"},
        {"CONF", "confirmation"},
        {"FCOM", "première communion"},
        {"ORDN", "ordination"},
        {"BARM", "bar-mitsva"},
        {"BASM", "bat-mitsva"},
        {"BLES", "bénédiction"},
        {"DSCR", "description"},
        {"IDNO", "numéro d'identité"},
        {"NATI", "nationalité"},
        {"NCHI", "nombre d'enfants"},
        {"NMR", "nombre de mariages"},
        {"PROP", "propriété"},
        {"SSN", "numéro de sécurité sociale"},
        {"CAST", "caste"},
        {"ASSO", "relation"},
        {"ALIA", "alias"},
        {"TITL", "titre"},
        {"DIV", "divorce"},
        {"DIVF", "demande de divorce"},
        {"ENGA", "fiançailles"},
        {"MARB", "bans"},
        {"MARC", "contrat de mariage"},
        {"MARL", "licence de mariage"},
        {"MARS", "accord de mariage"},
        {"ANUL", "annulation"},
        {"BIRT", "seconde naissance"},
        {"DEAT", "second décès"},
        {"MARR", "second mariage"},
        {"SLGS", "scellement"},
        {"SLGC", "scellement"},
        {"BAPL", "baptême LDS"},
        {"ENDL", "dotation LDS"},
        {"OCCU", "autre profession"},
        {"FACT", "fait"}};
    const auto i = noms.find(etiquette);
    return i == noms.end()
               ? QString::fromLatin1(etiquette.data(), static_cast<qsizetype>(etiquette.size()))
               : QString::fromUtf8(i->second);
}

Filiation filiationDe(std::string_view valeur) {
    std::string v(gedcom::sansBlancs(valeur));
    std::transform(v.begin(), v.end(), v.begin(), [](unsigned char c) { return std::tolower(c); });
    if (v.empty() || v == "birth" || v == "natural" || v == "biological" || v == "naissance")
        return Filiation::Naissance;
    if (v.rfind("adopt", 0) == 0) return Filiation::Adoption;
    if (v == "foster" || v == "guardian") return Filiation::Accueil;
    return Filiation::Autre; // step, sealing, unknown…
}

QString nomFiliation(Filiation f) {
    switch (f) {
    case Filiation::Naissance:
        return QStringLiteral("de naissance");
    case Filiation::Adoption:
        return QStringLiteral("adoptif");
    case Filiation::Accueil:
        return QStringLiteral("d'accueil");
    case Filiation::Autre:
        break;
    }
    return QStringLiteral("d'un autre genre (beau-parent…)");
}

// ---------------------------------------------------------------- reading

void Importateur::ligne(std::string_view brute) {
    gedcom::Ligne l;
    if (!gedcom::decouper(brute, l)) {
        if (!gedcom::sansBlancs(brute).empty()) ++m_illisibles;
        return;
    }
    if (l.etiquette == "CONC" || l.etiquette == "CONT") {
        if (m_e.vide())
            ++m_horsEnregistrement;
        else
            m_e.continuer(l.valeur, l.etiquette == "CONT");
        return;
    }
    if (l.niveau == 0) {
        finEnregistrement();
        m_e.commencer(l);
        return;
    }
    if (m_e.vide()) {
        ++m_horsEnregistrement;
        return;
    }
    m_e.ajouter(l);
}

void Importateur::finEnregistrement() {
    if (m_e.vide()) return;
    m_e.terminer();
    const std::uint64_t c = m_e.code(0);
    // Each kind of record has its reader; any other is kept or counted.
    using Lecture = void (Importateur::*)();
    static const std::unordered_map<std::uint64_t, Lecture> ParGenre = {
        {INDI, &Importateur::individu},
        {FAM, &Importateur::famille},
        {OBJE, &Importateur::objet},
        {HEAD, &Importateur::entete},
        {TRLR, &Importateur::sansSuite},
        {code("SUBM"), &Importateur::auteur},
        {code("SUBN"), &Importateur::autreEnregistrement}};
    const auto lecture = ParGenre.find(c);
    (this->*(lecture == ParGenre.end() ? &Importateur::autreEnregistrement : lecture->second))();
    if (c != INDI) {
        m_controlesFichier += m_controles;
        m_controles = 0;
    }
    if (c != INDI && m_e.lignesReparees())
        perteDuFichier(
            Ecart::Structure,
            QStringLiteral("Le fichier : %1 ligne(s) mal placée(s) dans un "
                           "enregistrement %2, rattachée(s) à la ligne qui les précède")
                .arg(m_e.lignesReparees())
                .arg(QString::fromLatin1(m_e.etiquette(0).data(),
                                         static_cast<qsizetype>(m_e.etiquette(0).size()))),
            m_e.lignesReparees());
    m_e.vider();
}

// Control characters of the text go; a tab becomes a blank.
QString Importateur::valeur(std::size_t ligne) {
    QString t = m_decodeur.texte(gedcom::sansBlancs(m_e.valeur(ligne)));
    const char16_t* c = reinterpret_cast<const char16_t*>(t.constData());
    bool propre = true;
    for (qsizetype i = 0; i < t.size() && propre; ++i)
        propre = c[i] >= 0x20 && (c[i] < 0x7F || c[i] > 0x9F);
    if (propre) return t;
    for (QChar& c : t)
        if (c == u'\t') {
            c = u' ';
            ++m_controles;
        }
    const qsizetype avant = t.size();
    t.removeIf([](QChar c) { return c != u'\n' && estCaractereDeControle(c); });
    m_controles += avant - t.size();
    return t;
}

QString Importateur::valeurSurUneLigne(std::size_t ligne) {
    QString t = valeur(ligne);
    // Most values are one clean line: no copy for them.
    const char16_t* c = reinterpret_cast<const char16_t*>(t.constData());
    const qsizetype n = t.size();
    bool propre = n == 0 || (c[0] != u' ' && c[n - 1] != u' ');
    for (qsizetype i = 1; i < n && propre; ++i)
        propre = c[i] != u'\n' && !(c[i] == u' ' && c[i - 1] == u' ');
    if (propre) return t;
    return t.replace(u'\n', u' ').simplified();
}

// The header says which program wrote the file; another's is kept in the
// store as it was (its program, date, author, copyright, note), the export
// writing its own. Like the identifiers, it says nothing of the genealogy:
// never counted.
void Importateur::entete() {
    const std::size_t source = m_e.sous(0, SOUR);
    m_deVelmoris = source && gedcom::sansBlancs(m_e.valeur(source)) == "VELMORIS";
    if (!m_deVelmoris && m_avecComplements)
        m_enregistrementsGardes.push_back({"@HEAD@", texteUtf8(0, 0)});
}

// A submitter: the author of the file, kept as the other records are; the
// one Velmoris writes for itself is not.
void Importateur::auteur() {
    if (m_deVelmoris && m_e.reference(0) == "@SUBM1@") return;
    autreEnregistrement();
}

// A source, a note, a repository…: kept whole in the companion store when
// there is one and it can be named, counted either way.
void Importateur::autreEnregistrement() {
    const std::uint64_t c = m_e.code(0);
    const std::size_t genre = c == SOUR ? 0 : c == NOTE ? 1 : c == OBJE ? 2 : 3;
    const bool garde = m_avecComplements && !m_e.reference(0).empty();
    if (garde) m_enregistrementsGardes.push_back({std::string(m_e.reference(0)), texteUtf8(0, 0)});
    // Pictures are counted once their use by persons is known.
    if (genre != 2) ++(garde ? m_enregistrementsGardesParGenre : m_enregistrementsIgnores)[genre];
}

// A picture record: its file, for the portraits that point to it; the
// record itself is kept or counted as the others are.
void Importateur::objet() {
    const std::int32_t id = m_objets.numero(m_e.reference(0));
    if (static_cast<std::size_t>(id) >= m_fichiersObjets.size())
        m_fichiersObjets.resize(static_cast<std::size_t>(id) + 1);
    if (const std::size_t fichier = m_e.sous(0, FILE);
        fichier && m_fichiersObjets[static_cast<std::size_t>(id)].isEmpty())
        m_fichiersObjets[static_cast<std::size_t>(id)] = valeurSurUneLigne(fichier);
    autreEnregistrement();
}

// The trailer and the submitters: nothing the records hold.
void Importateur::sansSuite() {}

// ---------------------------------------------------------------- telling

// With a companion store, what the record cannot hold is kept there, but for
// what no store can bring back: damaged text, loops, references to nothing.
bool gardable(Ecart genre) {
    return genre != Ecart::ReferencePendante && genre != Ecart::Boucle && genre != Ecart::Lecture &&
           !ecartInformatif(genre);
}

void Importateur::dire(Ecart genre, std::int64_t quantite, const QString& texte, bool garde) {
    m_r.rapport.ajouter(genre, quantite, texte, garde && m_avecComplements && gardable(genre));
}

void Importateur::perteDuFichier(Ecart genre, const QString& ligne, std::int64_t quantite) {
    dire(genre, quantite, ligne, true);
}

void Importateur::perte(Ecart genre, std::int32_t n, const QString& detail, std::int64_t quantite,
                        bool garde) {
    // While a person is read, its lines wait for its names and dates.
    if (m_differer) {
        m_enAttente.push_back({genre, quantite, detail, garde});
        return;
    }
    dire(genre, quantite, designationPersonne(fiche(n)) + QStringLiteral(" : ") + detail, garde);
}

void Importateur::date(std::int32_t n, ChampTexte<10>& champ, const QString& valeur,
                       const char* quoi) {
    const DateImportee d = dateDepuisGedcom(valeur);
    champ.definir(d.fiche);
    if (d.ecart == DateImportee::Ecart::Aucun) return;
    const QString q = QString::fromUtf8(quoi);
    switch (d.ecart) {
    case DateImportee::Ecart::Aucun:
        return;
    case DateImportee::Ecart::Precision:
        perte(Ecart::DatePrecision, n,
              QStringLiteral("%1 « %2 » devient « %3 »").arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Calendrier:
        perte(Ecart::DateCalendrier, n,
              QStringLiteral("%1 « %2 » devient « %3 » au calendrier grégorien")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::Julien:
        perte(Ecart::DateJulienne, n,
              QStringLiteral("%1 du calendrier julien « %2 » est gardée telle qu'écrite : « %3 »")
                  .arg(q, valeur, d.fiche));
        return;
    case DateImportee::Ecart::NonGardee:
        perte(Ecart::DateNonGardee, n,
              QStringLiteral("%1 « %2 » ne tient pas dans la fiche : le champ reste vide")
                  .arg(q, valeur));
        return;
    }
}

ResultatImport Importateur::terminer(const QString& nom) {
    finEnregistrement();
    m_titreDonne = std::vector<std::uint8_t>(); // read with the persons only
    const auto nombre = static_cast<std::int32_t>(m_r.fiches.size());
    if (nombre == 0)
        throw ErreurVelmoris(
            (nom.isEmpty() ? QStringLiteral("Ce texte")
                           : QStringLiteral("Le fichier « %1 »").arg(nom)) +
            QStringLiteral(" ne contient aucune personne : ce n'est pas un fichier GEDCOM, ou il "
                           "est vide. Rien n'a été importé."));
    portraits();
    referencesPendantes();
    liens();
    mariages();
    briserBoucles(m_r.fiches, m_decalage,
                  [&](std::int32_t n, const QString& detail) { perte(Ecart::Boucle, n, detail); });
    if (m_avecComplements) m_r.complements = complementsResolus();
    static const char* const quoi[] = {"source(s)", "note(s)", "image(s) ou document(s)",
                                       "autre(s) enregistrement(s) (dépôts, lieux…)"};
    static const Ecart genres[] = {Ecart::Source, Ecart::Note, Ecart::Media, Ecart::Enregistrement};
    for (std::size_t i = 0; i < 4; ++i) {
        if (const std::int64_t n = m_enregistrementsIgnores[i])
            m_r.rapport.ajouter(genres[i], n,
                                QStringLiteral("Le fichier : %1 %2 non gardé(e)s")
                                    .arg(n)
                                    .arg(QString::fromUtf8(quoi[i])));
        if (const std::int64_t n = m_enregistrementsGardesParGenre[i])
            m_r.rapport.ajouter(
                genres[i], n,
                QStringLiteral("Le fichier : %1 %2").arg(n).arg(QString::fromUtf8(quoi[i])), true);
    }
    const gedcom::JeuDeCaracteres& jeu = m_decodeur.jeu();
    if (jeu.inconnu)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("Le fichier annonce le jeu de caractères « %1 », inconnu : "
                                      "il a été lu en UTF-8.")
                           .arg(jeu.nom));
    if (const std::int64_t n = m_decodeur.valeursFautives())
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("%1 texte(s) ne sont pas écrits dans le jeu de caractères "
                                      "annoncé (%2) : des lettres ont pu être mal lues.")
                           .arg(n)
                           .arg(jeu.nom.isEmpty() ? QStringLiteral("UTF-8") : jeu.nom),
                       n);
    if (m_controlesFichier)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("Le fichier : %1 caractère(s) de contrôle (tabulations, "
                                      "octets nuls…) ont été retirés des textes de ses familles "
                                      "et autres enregistrements.")
                           .arg(m_controlesFichier),
                       m_controlesFichier);
    if (m_illisibles)
        perteDuFichier(Ecart::Lecture,
                       QStringLiteral("%1 ligne(s) qui ne suivent pas la forme GEDCOM ont été "
                                      "ignorées.")
                           .arg(m_illisibles),
                       m_illisibles);
    if (m_horsEnregistrement)
        perteDuFichier(Ecart::Structure,
                       QStringLiteral("%1 ligne(s) hors de tout enregistrement ont été ignorées.")
                           .arg(m_horsEnregistrement),
                       m_horsEnregistrement);
    return std::move(m_r);
}

// Feeds the importer with the bytes of a file or of memory, as UTF-8 when
// the file is UTF-16.
class Alimentation {
public:
    Alimentation(Importateur& importateur, gedcom::Codage codage)
        : m_importateur(importateur), m_codage(codage) {
        if (codage == gedcom::Codage::Utf16LE) m_utf16 = QStringDecoder(QStringDecoder::Utf16LE);
        if (codage == gedcom::Codage::Utf16BE) m_utf16 = QStringDecoder(QStringDecoder::Utf16BE);
    }
    void ajouter(const char* octets, std::int64_t taille) {
        auto ligne = [this](std::string_view l) { m_importateur.ligne(l); };
        if (m_codage == gedcom::Codage::Utf16LE || m_codage == gedcom::Codage::Utf16BE) {
            const QByteArray utf8 =
                QString(m_utf16(QByteArrayView(octets, static_cast<qsizetype>(taille)))).toUtf8();
            if (m_utf16.hasError()) m_erreurs = true;
            m_decoupeur.ajouter(
                std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), ligne);
        } else {
            m_decoupeur.ajouter(std::string_view(octets, static_cast<std::size_t>(taille)), ligne);
        }
    }
    void terminer() {
        m_decoupeur.terminer([this](std::string_view l) { m_importateur.ligne(l); });
    }
    bool erreursUtf16() const { return m_erreurs; }

private:
    Importateur& m_importateur;
    gedcom::Codage m_codage;
    QStringDecoder m_utf16;
    gedcom::Decoupeur m_decoupeur;
    bool m_erreurs = false;
};

ResultatImport conclure(Importateur& importateur, Alimentation& alimentation, const QString& nom) {
    alimentation.terminer();
    ResultatImport r = importateur.terminer(nom);
    if (alimentation.erreursUtf16())
        r.rapport.ajouter(Ecart::Lecture, 1,
                          QStringLiteral("Le fichier, écrit en UTF-16, contient des octets qui "
                                         "ne sont pas du texte : ils ont été remplacés."));
    return r;
}

} // namespace importation

using namespace importation;

ResultatImport importerGedcom(const QByteArray& contenu, std::int32_t decalage, const QString& nom,
                              const OptionsImport& options) {
    const gedcom::JeuDeCaracteres jeu = gedcom::jeuDeCaracteres(contenu.left(65536));
    Importateur importateur(jeu, decalage, options);
    importateur.prevoir(contenu.size());
    Alimentation alimentation(importateur, jeu.codage);
    const std::int64_t marque = gedcom::tailleMarque(contenu, jeu.codage);
    alimentation.ajouter(contenu.constData() + marque, contenu.size() - marque);
    return conclure(importateur, alimentation, nom);
}

ResultatImport importerGedcomFichier(const QString& chemin, std::int32_t decalage,
                                     const OptionsImport& options) {
    const QString quoi = QStringLiteral("Le fichier GEDCOM");
    if (!QFile::exists(chemin))
        throw ErreurVelmoris(QStringLiteral("%1 « %2 » est introuvable").arg(quoi, chemin));
    exigerFichierOrdinaire(chemin, quoi);
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ErreurVelmoris(
            QStringLiteral("%1 « %2 » ne peut pas être lu (%3)")
                .arg(quoi, chemin, ErreurES::texteDuCode(ErreurES::codeDepuisErrno(errno))));
    struct Fermeture {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};
    struct stat infos {};
    if (::fstat(fd, &infos) != 0 || !S_ISREG(infos.st_mode)) {
        exigerFichierOrdinaire(chemin, quoi);
        throw ErreurES(ErreurES::AccesRefuse);
    }
    if (infos.st_size > TailleMaxGedcom)
        throw ErreurVelmoris(QStringLiteral("%1 « %2 » est trop grand (%3 Mo ; au plus %4 Mo)")
                                 .arg(quoi, chemin)
                                 .arg(static_cast<qint64>(infos.st_size >> 20))
                                 .arg(TailleMaxGedcom >> 20));
    std::vector<char> bloc(4 << 20);
    std::int64_t lus = 0;
    auto lire = [&]() -> std::int64_t {
        for (;;) {
            const ssize_t n = ::read(fd, bloc.data(), bloc.size());
            if (n >= 0) return n;
            if (errno != EINTR) throw ErreurES(ErreurES::codeDepuisErrno(errno));
        }
    };
    std::int64_t n = lire();
    const QByteArray tete = QByteArray::fromRawData(
        bloc.data(), static_cast<qsizetype>(std::min<std::int64_t>(n, 65536)));
    const gedcom::JeuDeCaracteres jeu = gedcom::jeuDeCaracteres(tete);
    Importateur importateur(jeu, decalage, options);
    importateur.prevoir(infos.st_size);
    Alimentation alimentation(importateur, jeu.codage);
    const std::int64_t marque = gedcom::tailleMarque(tete, jeu.codage);
    alimentation.ajouter(bloc.data() + marque, n - marque);
    lus += n;
    // The file never grows past its size at the start, whatever another program does.
    while (n > 0 && lus < infos.st_size) {
        n = lire();
        alimentation.ajouter(bloc.data(), n);
        lus += n;
    }
    // Read whole: its 4 MiB would stand beside the import's last steps, its peak.
    bloc = std::vector<char>();
    return conclure(importateur, alimentation, chemin);
}
