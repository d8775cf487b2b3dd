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
    // The longest run of plain ASCII letters and digits of the first part.
    const QString premiere = m_parties.isEmpty() ? QString() : m_parties.front();
    qsizetype debut = 0;
    for (qsizetype i = 0; i <= premiere.size(); ++i)
        if (i == premiere.size() || premiere[i].unicode() >= 0x80 ||
            !premiere[i].isLetterOrNumber()) {
            if (i - debut > m_aiguille.size()) m_aiguille = premiere.mid(debut, i - debut);
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

} // namespace

// A place that cannot hold the needle, folded letter by letter, is no match;
// one that may is checked part by part.
bool RechercheDeLieu::contient(const QString& lieu) const {
    if (m_parties.isEmpty()) return true;
    QVarLengthArray<char16_t, 128> replies;
    bool pliable = true;
    for (const QChar c : lieu) {
        const char16_t r = replie(c.unicode());
        if (!r) {
            pliable = false;
            break;
        }
        replies.append(r);
    }
    if (pliable && !m_aiguille.isEmpty() &&
        std::u16string_view(replies.data(), static_cast<std::size_t>(replies.size()))
                .find(std::u16string_view(reinterpret_cast<const char16_t*>(m_aiguille.utf16()),
                                          static_cast<std::size_t>(m_aiguille.size()))) ==
            std::u16string_view::npos)
        return false;
    const QStringList parties = partiesReduites(lieu);
    for (qsizetype i = 0; i + m_parties.size() <= parties.size(); ++i)
        if (std::equal(m_parties.begin(), m_parties.end(), parties.begin() + i)) return true;
    return false;
}

bool lieuDans(const QString& lieu, const QString& cherche) {
    return RechercheDeLieu(cherche).contient(lieu);
}
