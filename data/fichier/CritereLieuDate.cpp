#include "data/fichier/CritereLieuDate.h"

#include "data/fichier/Texte.h"

#include <QVarLengthArray>

#include <algorithm>
#include <string_view>

IntervalleDate CritereLieuDate::jours() const {
    IntervalleDate i{-IntervalleDate::Illimite, IntervalleDate::Illimite};
    if (depuis)
        i.premier =
            intervalleDe(QStringLiteral("01/01/%1").arg(*depuis, 4, 10, QChar(u'0'))).premier;
    if (jusqua)
        i.dernier =
            intervalleDe(QStringLiteral("31/12/%1").arg(*jusqua, 4, 10, QChar(u'0'))).dernier;
    return i;
}

bool CritereLieuDate::dateConvient(const QString& dateDeFiche) const {
    if (!depuis && !jusqua) return true;
    const IntervalleDate date = intervalleDe(dateDeFiche);
    const IntervalleDate annees = jours();
    return date.connu() && annees.connu() && date.premier <= annees.dernier &&
           annees.premier <= date.dernier;
}

QStringList nomsDesEvenementsCherches() {
    return {QStringLiteral("Tous les événements"),
            QStringLiteral("Naissance"),
            QStringLiteral("Baptême"),
            QStringLiteral("Mariage"),
            QStringLiteral("Décès"),
            QStringLiteral("Inhumation"),
            QStringLiteral("Résidence"),
            QStringLiteral("Recensement")};
}

std::vector<std::string> etiquettesDe(CritereLieuDate::Evenement evenement) {
    using E = CritereLieuDate::Evenement;
    switch (evenement) {
    case E::Tous:
        return {};
    case E::Naissance:
        return {"BIRT"};
    case E::Bapteme:
        return {"BAPM", "CHR"};
    case E::Mariage:
        return {"MARR"};
    case E::Deces:
        return {"DEAT"};
    case E::Inhumation:
        return {"BURI", "CREM"};
    case E::Residence:
        return {"RESI"};
    case E::Recensement:
        return {"CENS"};
    }
    return {};
}

namespace {

QStringList partiesReduites(const QString& lieu) {
    QStringList parties;
    for (const QString& p : lieu.split(u',', Qt::SkipEmptyParts))
        if (const QString r = reduireTexte(p.simplified()); !r.isEmpty()) parties << r;
    return parties;
}

} // namespace

RechercheDeLieu::RechercheDeLieu(const QString& cherche) : m_parties(partiesReduites(cherche)) {
    for (const QString& p : m_parties)
        m_partiesUtf8.push_back(p.toStdString());
    // Every run of plain ASCII letters and digits of the first part.
    const QString premiere = m_parties.isEmpty() ? QString() : m_parties.front();
    qsizetype debut = 0;
    for (qsizetype i = 0; i <= premiere.size(); ++i)
        if (i == premiere.size() || premiere[i].unicode() >= 0x80 ||
            !premiere[i].isLetterOrNumber()) {
            if (i > debut) m_aiguilles.push_back(premiere.mid(debut, i - debut).toStdString());
            debut = i + 1;
        }
}

namespace {

// A Latin-1 letter as its base letter in lower case ("É" is "e"); 0 for a
// character that folds to more than one letter or lies beyond Latin-1.
char16_t replie(char16_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? c + 32 : c;
    if (c > 0xFF || c == 0xC6 || c == 0xE6 || c == 0xDF) return 0;
    static constexpr char16_t Bases[64] = {
        u'a', u'a', u'a', u'a', u'a', u'a', 0,    u'c', u'e', u'e', u'e', u'e', u'i',
        u'i', u'i', u'i', u'd', u'n', u'o', u'o', u'o', u'o', u'o', u'×', u'o', u'u',
        u'u', u'u', u'u', u'y', u'þ', 0,    u'a', u'a', u'a', u'a', u'a', u'a', 0,
        u'c', u'e', u'e', u'e', u'e', u'i', u'i', u'i', u'i', u'd', u'n', u'o', u'o',
        u'o', u'o', u'o', u'÷', u'o', u'u', u'u', u'u', u'u', u'y', u'þ', u'y'};
    return c >= 0xC0 ? Bases[c - 0xC0] : c;
}

// A text folded letter by letter: lower case, Latin-1 letters as their base
// letter, a no-break space as a space. False, for the whole reduction, when
// it has a character the folding cannot tell. Where it can, the folding is
// exactly the reduction, character for character.
bool plier(std::string_view utf8, char (&plie)[256], std::size_t& n) {
    n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char16_t latin1 = c;
        if (c >= 0x80) {
            if ((c != 0xC2 && c != 0xC3) || i + 1 >= utf8.size() ||
                (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) != 0x80)
                return false;
            latin1 = static_cast<char16_t>(((c & 0x03) << 6) |
                                           (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        }
        // Ð and Ø have no accent to drop: the reduction keeps them.
        if ((latin1 | 0x20) == 0xF0 || (latin1 | 0x20) == 0xF8) return false;
        const char16_t r = latin1 == 0xA0 ? u' ' : replie(latin1);
        if (!r || r >= 0x80 || n == sizeof plie) return false;
        plie[n++] = static_cast<char>(r);
    }
    return true;
}

bool blanc(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

// The parts of a folded place, each with its blanks simplified, hold the
// parts sought one after the other.
bool RechercheDeLieu::partiesDans(std::string_view plie) const {
    std::vector<std::string> parties;
    for (std::size_t debut = 0; debut <= plie.size();) {
        const std::size_t fin = std::min(plie.find(',', debut), plie.size());
        std::string partie;
        for (std::size_t i = debut; i < fin; ++i) {
            if (!blanc(plie[i])) {
                partie += plie[i];
                continue;
            }
            while (i + 1 < fin && blanc(plie[i + 1]))
                ++i;
            if (!partie.empty() && i + 1 < fin) partie += ' ';
        }
        if (!partie.empty()) parties.push_back(std::move(partie));
        debut = fin + 1;
    }
    for (std::size_t i = 0; i + m_partiesUtf8.size() <= parties.size(); ++i)
        if (std::equal(m_partiesUtf8.begin(), m_partiesUtf8.end(),
                       parties.begin() + static_cast<std::ptrdiff_t>(i)))
            return true;
    return false;
}

bool RechercheDeLieu::contient(const QString& lieu) const {
    const QByteArray utf8 = lieu.toUtf8();
    return contientUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// Most places are told by their folded letters alone: every needle first,
// then the parts; the others go through the whole reduction.
bool RechercheDeLieu::contientUtf8(std::string_view lieu) const {
    if (m_parties.isEmpty()) return true;
    char plie[256];
    std::size_t n = 0;
    if (!plier(lieu, plie, n))
        return contientSelonLeTexte(
            QString::fromUtf8(lieu.data(), static_cast<qsizetype>(lieu.size())));
    const std::string_view texte(plie, n);
    for (const std::string& a : m_aiguilles)
        if (texte.find(a) == std::string_view::npos) return false;
    return partiesDans(texte);
}

bool RechercheDeLieu::contientSelonLeTexte(const QString& lieu) const {
    const QStringList parties = partiesReduites(lieu);
    for (qsizetype i = 0; i + m_parties.size() <= parties.size(); ++i)
        if (std::equal(m_parties.begin(), m_parties.end(), parties.begin() + i)) return true;
    return false;
}

bool lieuDans(const QString& lieu, const QString& cherche) {
    return RechercheDeLieu(cherche).contient(lieu);
}
