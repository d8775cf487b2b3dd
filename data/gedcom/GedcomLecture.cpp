#include "data/gedcom/GedcomLecture.h"

#include "data/fichier/Cp1252.h"

#include <QStringDecoder>

#include <unicode/ucnv.h>

#include <algorithm>

namespace gedcom {

// ---------------------------------------------------------------- character sets

namespace {

// The 256 characters of a one-byte set, as ICU converts them; nothing when
// ICU does not know the set or it is not a one-byte set.
std::shared_ptr<const std::array<char16_t, 256>> tableDe(const char* nomIcu) {
    UErrorCode etat = U_ZERO_ERROR;
    UConverter* convertisseur = ucnv_open(nomIcu, &etat);
    if (U_FAILURE(etat) || !convertisseur) return nullptr;
    std::shared_ptr<std::array<char16_t, 256>> table;
    if (ucnv_getMaxCharSize(convertisseur) == 1) {
        table = std::make_shared<std::array<char16_t, 256>>();
        for (int b = 0; b < 256; ++b) {
            const char octet = static_cast<char>(b);
            UChar sortie[4] = {};
            etat = U_ZERO_ERROR;
            ucnv_reset(convertisseur);
            const int32_t n = ucnv_toUChars(convertisseur, sortie, 4, &octet, 1, &etat);
            (*table)[static_cast<std::size_t>(b)] =
                U_SUCCESS(etat) && n == 1 ? static_cast<char16_t>(sortie[0]) : u'\uFFFD';
        }
    }
    ucnv_close(convertisseur);
    return table;
}

// The CHAR of the header, upper case, blanks and dashes left out for the comparison.
QString nomCompact(const QString& nom) {
    QString n = nom.toUpper();
    n.remove(u' ').remove(u'-').remove(u'_');
    return n;
}

JeuDeCaracteres jeuNomme(const QString& nom) {
    JeuDeCaracteres jeu;
    jeu.nom = nom;
    const QString n = nomCompact(nom);
    if (n.isEmpty() || n == u"UTF8" || n == u"UNICODE" || n == u"UTF16") return jeu;
    if (n == u"ANSEL") {
        jeu.codage = Codage::Ansel;
        return jeu;
    }
    if (n == u"ANSI" || n == u"WINDOWS" || n == u"CP1252" || n == u"WINDOWS1252" || n == u"ASCII" ||
        n == u"USASCII") {
        jeu.codage = Codage::Cp1252;
        return jeu;
    }
    // Programs of the DOS days name code page 437 in several ways.
    QByteArray icu = nom.trimmed().toLatin1();
    if (n == u"IBMPC" || n == u"CP437" || n == u"DOS" || n == u"IBM437" || n == u"PC8" ||
        n == u"OEM")
        icu = "ibm-437";
    else if (n == u"MACINTOSH" || n == u"MAC" || n == u"MACROMAN")
        icu = "macintosh";
    else if (n == u"LATIN1" || n == u"ISO88591" || n == u"88591")
        icu = "ISO-8859-1";
    if (auto table = tableDe(icu.constData())) {
        jeu.codage = Codage::TableOctets;
        jeu.table = std::move(table);
        return jeu;
    }
    jeu.inconnu = true;
    return jeu;
}

} // namespace

JeuDeCaracteres jeuDeCaracteres(const QByteArray& tete) {
    JeuDeCaracteres jeu;
    if (tete.startsWith("\xFF\xFE") || (tete.size() > 1 && tete[0] != 0 && tete[1] == 0)) {
        jeu.codage = Codage::Utf16LE;
        jeu.nom = QStringLiteral("UTF-16");
        return jeu;
    }
    if (tete.startsWith("\xFE\xFF") || (tete.size() > 1 && tete[0] == 0)) {
        jeu.codage = Codage::Utf16BE;
        jeu.nom = QStringLiteral("UTF-16");
        return jeu;
    }
    if (tete.startsWith("\xEF\xBB\xBF")) {
        jeu.nom = QStringLiteral("UTF-8");
        return jeu;
    }
    // The header's character set.
    Decoupeur decoupeur;
    QString nom;
    bool trouve = false;
    decoupeur.ajouter(std::string_view(tete.constData(), static_cast<std::size_t>(tete.size())),
                      [&](std::string_view brute) {
                          Ligne l;
                          if (!trouve && decouper(brute, l) && l.niveau == 1 &&
                              l.etiquette == "CHAR") {
                              const std::string_view v = sansBlancs(l.valeur);
                              nom = QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
                              trouve = true;
                          }
                      });
    return jeuNomme(nom);
}

std::int64_t tailleMarque(const QByteArray& tete, Codage codage) {
    if ((codage == Codage::Utf16LE && tete.startsWith("\xFF\xFE")) ||
        (codage == Codage::Utf16BE && tete.startsWith("\xFE\xFF")))
        return 2;
    return codage == Codage::Utf8 && tete.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

QString decoderAnsel(std::string_view octets) {
    // The letters and signs of ANSI Z39.47, with the GEDCOM additions (ß, €,
    // the empty and black squares).
    static const std::unordered_map<unsigned char, char16_t> speciaux = {
        {0xA1, u'Ł'}, {0xA2, u'Ø'}, {0xA3, u'Đ'}, {0xA4, u'Þ'}, {0xA5, u'Æ'}, {0xA6, u'Œ'},
        {0xA7, u'ʹ'}, {0xA8, u'·'}, {0xA9, u'♭'}, {0xAA, u'®'}, {0xAB, u'±'}, {0xAC, u'Ơ'},
        {0xAD, u'Ư'}, {0xAE, u'ʼ'}, {0xB0, u'ʻ'}, {0xB1, u'ł'}, {0xB2, u'ø'}, {0xB3, u'đ'},
        {0xB4, u'þ'}, {0xB5, u'æ'}, {0xB6, u'œ'}, {0xB7, u'ʺ'}, {0xB8, u'ı'}, {0xB9, u'£'},
        {0xBA, u'ð'}, {0xBC, u'ơ'}, {0xBD, u'ư'}, {0xBE, u'□'}, {0xBF, u'■'}, {0xC0, u'°'},
        {0xC1, u'ℓ'}, {0xC2, u'℗'}, {0xC3, u'©'}, {0xC4, u'♯'}, {0xC5, u'¿'}, {0xC6, u'¡'},
        {0xC7, u'ß'}, {0xC8, u'€'}, {0xCF, u'ß'}};
    // The marks; the two halves of the ligature and of the double tilde are
    // Unicode's combining half marks, left then right.
    static const std::unordered_map<unsigned char, char16_t> diacritiques = {
        {0xE0, 0x0309}, {0xE1, 0x0300}, {0xE2, 0x0301}, {0xE3, 0x0302}, {0xE4, 0x0303},
        {0xE5, 0x0304}, {0xE6, 0x0306}, {0xE7, 0x0307}, {0xE8, 0x0308}, {0xE9, 0x030C},
        {0xEA, 0x030A}, {0xEB, 0xFE20}, {0xEC, 0xFE21}, {0xED, 0x0315}, {0xEE, 0x030B},
        {0xEF, 0x0310}, {0xF0, 0x0327}, {0xF1, 0x0328}, {0xF2, 0x0323}, {0xF3, 0x0324},
        {0xF4, 0x0325}, {0xF5, 0x0333}, {0xF6, 0x0332}, {0xF7, 0x0326}, {0xF8, 0x031C},
        {0xF9, 0x032E}, {0xFA, 0xFE22}, {0xFB, 0xFE23}, {0xFE, 0x0313}};
    QString texte;
    QString enAttente; // ANSEL puts the marks before the letter they go on
    for (const char c : octets) {
        const auto o = static_cast<unsigned char>(c);
        if (const auto d = diacritiques.find(o); d != diacritiques.end()) {
            enAttente += QChar(d->second);
            continue;
        }
        if (o < 0x80) {
            texte += QChar(o);
        } else {
            const auto s = speciaux.find(o);
            texte += QChar(s == speciaux.end() ? u'\uFFFD' : s->second);
        }
        texte += enAttente;
        enAttente.clear();
    }
    return (texte + enAttente).normalized(QString::NormalizationForm_C);
}

QString Decodeur::texte(std::string_view v) {
    const QByteArray octets = QByteArray::fromRawData(v.data(), static_cast<qsizetype>(v.size()));
    const bool ascii = std::all_of(v.begin(), v.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return QString::fromLatin1(octets);
    switch (m_jeu.codage) {
    case Codage::Ansel: {
        QString t = decoderAnsel(v);
        if (t.contains(u'\uFFFD')) ++m_fautives;
        return t;
    }
    case Codage::Cp1252:
        return cp1252::decoder(octets);
    case Codage::TableOctets: {
        QString t(static_cast<qsizetype>(v.size()), Qt::Uninitialized);
        for (std::size_t i = 0; i < v.size(); ++i)
            t[static_cast<qsizetype>(i)] = QChar((*m_jeu.table)[static_cast<unsigned char>(v[i])]);
        return t;
    }
    default:
        break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString t = utf8(octets);
    if (!utf8.hasError()) return t;
    ++m_fautives;
    return cp1252::decoder(octets);
}

// ---------------------------------------------------------------- lines

namespace {

bool blanc(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

bool decouper(std::string_view l, Ligne& sortie) {
    std::size_t i = 0;
    while (i < l.size() && blanc(l[i]))
        ++i;
    if (i == l.size() || l[i] < '0' || l[i] > '9') return false;
    int niveau = 0;
    while (i < l.size() && l[i] >= '0' && l[i] <= '9') {
        niveau = niveau * 10 + (l[i] - '0');
        if (niveau > 99) return false;
        ++i;
    }
    if (i == l.size() || !blanc(l[i])) return false;
    while (i < l.size() && blanc(l[i]))
        ++i;
    sortie = {};
    sortie.niveau = niveau;
    if (i < l.size() && l[i] == '@') {
        const std::size_t fin = l.find('@', i + 1);
        if (fin == std::string_view::npos) return false;
        sortie.reference = l.substr(i, fin - i + 1);
        i = fin + 1;
        while (i < l.size() && blanc(l[i]))
            ++i;
    }
    const std::size_t debut = i;
    while (i < l.size() && !blanc(l[i]))
        ++i;
    if (i == debut) return false;
    sortie.etiquette = l.substr(debut, i - debut);
    if (i < l.size()) sortie.valeur = l.substr(i + 1); // one delimiter blank, the rest is value
    return true;
}

std::string_view sansBlancs(std::string_view v) {
    while (!v.empty() && blanc(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && (blanc(v.back()) || v.back() == '\r'))
        v.remove_suffix(1);
    return v;
}

// ---------------------------------------------------------------- records

Enregistrement::Portion Enregistrement::garder(std::string_view octets) {
    const Portion p{static_cast<std::uint32_t>(m_octets.size()),
                    static_cast<std::uint32_t>(octets.size())};
    m_octets.append(octets.data(), octets.size());
    return p;
}

void Enregistrement::commencer(const Ligne& l) {
    m_octets.clear();
    m_lignes.clear();
    m_reparees = 0;
    m_lignes.push_back(
        {0, gedcom::code(l.etiquette), garder(l.reference), garder(l.etiquette), garder(l.valeur)});
}

void Enregistrement::ajouter(const Ligne& l) {
    int niveau = l.niveau;
    const int permis = m_lignes.empty() ? 0 : m_lignes.back().niveau + 1;
    if (niveau > permis) {
        niveau = permis;
        ++m_reparees;
    }
    m_lignes.push_back({niveau, gedcom::code(l.etiquette), garder(l.reference), garder(l.etiquette),
                        garder(l.valeur)});
}

// The value of the last line is the last thing kept: it grows in place.
void Enregistrement::continuer(std::string_view valeur, bool nouvelleLigne) {
    if (m_lignes.empty()) return;
    Portion& v = m_lignes.back().valeur;
    if (nouvelleLigne) {
        m_octets.push_back('\n');
        ++v.longueur;
    }
    m_octets.append(valeur.data(), valeur.size());
    v.longueur += static_cast<std::uint32_t>(valeur.size());
}

void Enregistrement::terminer() {
    calculerFins();
    constexpr std::uint64_t Date = gedcom::code("DATE"), Lieu = gedcom::code("PLAC");
    for (std::size_t i = 1; i < m_lignes.size(); ++i) {
        if (m_lignes[i].code != Date && m_lignes[i].code != Lieu) continue;
        std::size_t parent = i - 1;
        while (parent > 0 && m_lignes[parent].niveau >= m_lignes[i].niveau)
            --parent;
        if (m_lignes[parent].code != Date && m_lignes[parent].code != Lieu) continue;
        const std::size_t f = fin(i);
        for (std::size_t j = i; j < f; ++j)
            --m_lignes[j].niveau;
        ++m_reparees;
        calculerFins();
    }
}

// The end of each line's lines, in one pass from the last line up.
void Enregistrement::calculerFins() {
    m_fins.resize(m_lignes.size());
    for (std::size_t i = m_lignes.size(); i-- > 0;) {
        std::size_t j = i + 1;
        while (j < m_lignes.size() && m_lignes[j].niveau > m_lignes[i].niveau)
            j = m_fins[j];
        m_fins[i] = static_cast<std::uint32_t>(j);
    }
}

std::size_t Enregistrement::sous(std::size_t i, std::uint64_t etiquette) const {
    const std::size_t f = fin(i);
    for (std::size_t j = i + 1; j < f; ++j)
        if (m_lignes[j].niveau == m_lignes[i].niveau + 1 && m_lignes[j].code == etiquette) return j;
    return 0;
}

std::string Enregistrement::texte(std::size_t i, int niveau) const {
    std::string t;
    const int ecart = niveau - m_lignes[i].niveau;
    for (std::size_t j = i, f = fin(i); j < f; ++j) {
        t += std::to_string(m_lignes[j].niveau + ecart);
        t += ' ';
        if (m_lignes[j].reference.longueur) {
            t += vue(m_lignes[j].reference);
            t += ' ';
        }
        t += vue(m_lignes[j].etiquette);
        if (m_lignes[j].valeur.longueur) {
            t += ' ';
            t += vue(m_lignes[j].valeur);
        }
        t += '\n';
    }
    return t;
}

// ---------------------------------------------------------------- identifiers

namespace {

// A run of digits with no leading zero ("0" alone is one), read as a number
// below 2^bits; the position past it.
std::optional<std::uint64_t> nombreSansZeroDeTete(std::string_view r, std::size_t& i, int bits) {
    const std::size_t debut = i;
    std::uint64_t valeur = 0;
    while (i < r.size() && r[i] >= '0' && r[i] <= '9') {
        valeur = valeur * 10 + static_cast<std::uint64_t>(r[i++] - '0');
        if (valeur >> bits) return std::nullopt;
    }
    if (i == debut || (r[debut] == '0' && i - debut > 1)) return std::nullopt;
    return valeur;
}

} // namespace

// Two forms fit in 64 bits: letters and a number ("@I12@", "@SUBM1@"), and
// one or two letters with two numbers joined by "_" ("@F3_2@", as this
// program writes a family); the top bit tells them apart.
std::optional<std::uint64_t> Identifiants::cleCompacte(std::string_view r) {
    if (r.size() < 3 || r.front() != '@' || r.back() != '@') return std::nullopt;
    r = r.substr(1, r.size() - 2);
    std::size_t lettres = 0;
    while (lettres < r.size() && !(r[lettres] >= '0' && r[lettres] <= '9'))
        ++lettres;
    std::uint64_t prefixe = 0;
    for (std::size_t i = 0; i < lettres; ++i)
        prefixe = prefixe << 8 | static_cast<std::uint8_t>(r[i]);
    if (const std::size_t trait = r.find('_', lettres); trait != std::string_view::npos) {
        std::size_t i = lettres;
        if (lettres == 0 || lettres > 2) return std::nullopt;
        const auto premier = nombreSansZeroDeTete(r, i, 23);
        if (!premier || i != trait) return std::nullopt;
        const auto second = nombreSansZeroDeTete(r, ++i, 23);
        if (!second || i != r.size()) return std::nullopt;
        return 1ULL << 63 | prefixe << 46 | *premier << 23 | *second;
    }
    const std::size_t chiffres = r.size() - lettres;
    if (lettres > 3 || prefixe >> 23 || chiffres == 0 || chiffres > 10) return std::nullopt;
    std::uint64_t valeur = 0;
    for (std::size_t i = lettres; i < r.size(); ++i) {
        if (r[i] < '0' || r[i] > '9') return std::nullopt;
        valeur = valeur * 10 + static_cast<std::uint64_t>(r[i] - '0');
    }
    return prefixe << 40 | static_cast<std::uint64_t>(chiffres) << 36 | valeur;
}

namespace {

// The series of a compact key of the first form ("@I12@": the letters I)
// and its number, when it is written with no leading zero; nothing else.
std::optional<std::pair<std::uint64_t, std::uint64_t>> serieEtNombre(std::uint64_t cle) {
    if (cle >> 63) return std::nullopt;
    const std::uint64_t valeur = cle & ((1ULL << 36) - 1);
    const auto chiffres = static_cast<int>(cle >> 36 & 0xF);
    int ecrits = 1;
    for (std::uint64_t v = valeur; v >= 10; v /= 10)
        ++ecrits;
    if (ecrits != chiffres || valeur >> 31) return std::nullopt;
    return std::pair{cle >> 40, valeur};
}

} // namespace

// A compact key of the first series met, written with no leading zero, has
// its place in the array by its number, when the array may grow to it.
std::int32_t* Identifiants::dansLaSuite(std::uint64_t cle) {
    const auto sn = serieEtNombre(cle);
    if (!sn) return nullptr;
    if (m_serie == ~0ULL) m_serie = sn->first;
    if (sn->first != m_serie) return nullptr;
    const std::uint64_t valeur = sn->second;
    // The array grows only where identifiers are dense, never for one stray number.
    if (valeur >= m_suite.size()) {
        if (valeur > 2 * static_cast<std::uint64_t>(m_nombre) + 65536) return nullptr;
        m_suite.resize(std::max<std::size_t>(valeur + 1, m_suite.size() * 3 / 2), -1);
    }
    return &m_suite[valeur];
}

const std::int32_t* Identifiants::dansLaSuite(std::uint64_t cle) const {
    const auto sn = serieEtNombre(cle);
    if (!sn || sn->first != m_serie || sn->second >= m_suite.size()) return nullptr;
    return &m_suite[sn->second];
}

std::int32_t Identifiants::numero(std::string_view ref) {
    const auto cle = cleCompacte(ref);
    if (!cle) {
        const auto [i, nouveau] = m_autres.try_emplace(std::string(ref), m_nombre);
        if (nouveau) ++m_nombre;
        return i->second;
    }
    std::int32_t* place = dansLaSuite(*cle);
    if (place && *place >= 0) return *place;
    // A key first met beyond the array's reach stays in the table for good.
    if (const auto i = m_compactes.find(*cle); i != m_compactes.end()) return i->second;
    if (place) return *place = m_nombre++;
    return m_compactes.emplace(*cle, m_nombre++).first->second;
}

std::int32_t Identifiants::chercher(std::string_view ref) const {
    if (const auto cle = cleCompacte(ref)) {
        if (const std::int32_t* place = dansLaSuite(*cle); place && *place >= 0) return *place;
        const auto i = m_compactes.find(*cle);
        return i == m_compactes.end() ? -1 : i->second;
    }
    const auto i = m_autres.find(std::string(ref));
    return i == m_autres.end() ? -1 : i->second;
}

} // namespace gedcom
