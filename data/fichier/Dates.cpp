#include "data/fichier/Dates.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>

#include <array>
#include <cstring>
#include <limits>
#include <memory>

namespace {

using Genre = DateLue::Genre;

const std::array<const char*, 12> MoisGedcom = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool chiffre(QChar c) {
    return c >= u'0' && c <= u'9';
}

int nombre(const QString& texte, qsizetype debut, qsizetype longueur) {
    int n = 0;
    for (qsizetype i = debut; i < debut + longueur; ++i)
        n = n * 10 + (texte[i].unicode() - u'0');
    return n;
}

bool jourExiste(int jour, int mois, int annee) {
    return QDate(annee, mois, jour).isValid();
}

// The common case, "12/03/1890", without a regular expression: an export
// reads three dates a record.
bool lireJourMoisAnnee(const QString& d, DateLue& lue) {
    if (d.size() != 10 || d[2] != u'/' || d[5] != u'/') return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!chiffre(d[i])) return false;
    lue = {Genre::Exacte, nombre(d, 0, 2), nombre(d, 3, 2), nombre(d, 6, 4), 0};
    return jourExiste(lue.jour, lue.mois, lue.annee);
}

// French and GEDCOM month names, as typed: "mai", "févr.", "MAR".
int moisNomme(const QString& nom) {
    static const std::array<QStringList, 12> noms = {
        QStringList{"jan", "janv", "janvier"},
        {"feb", "fév", "févr", "février", "fev", "fevr", "fevrier"},
        {"mar", "mars"},
        {"apr", "avr", "avril"},
        {"may", "mai"},
        {"jun", "juin"},
        {"jul", "juil", "juillet"},
        {"aug", "aoû", "août", "aout"},
        {"sep", "sept", "septembre"},
        {"oct", "octobre"},
        {"nov", "novembre"},
        {"dec", "déc", "décembre", "decembre"}};
    QString n = nom.toLower();
    if (n.endsWith(u'.')) n.chop(1);
    for (int m = 0; m < 12; ++m)
        if (noms[static_cast<std::size_t>(m)].contains(n)) return m + 1;
    return 0;
}

struct Forme {
    QRegularExpression motif;
    Genre genre;
};

// "<word> <year>" forms, the word in any case, the dot optional.
const std::array<Forme, 6>& formesAvecMot() {
    auto f = [](const char* mots, Genre g) {
        return Forme{QRegularExpression(
                         QStringLiteral("^(?:%1)\\s*(\\d{1,4})$").arg(QString::fromUtf8(mots)),
                         QRegularExpression::CaseInsensitiveOption),
                     g};
    };
    static const std::array<Forme, 6> formes = {
        f("vers|ca\\.?|c\\.|env\\.?|environ|abt\\.?|about", Genre::Environ),
        f("est\\.?|estimée?|estimation", Genre::Estimee),
        f("calc?\\.?|calculée?", Genre::Calculee),
        f("av\\.?|avant|bef\\.?|before", Genre::Avant),
        f("ap\\.?|apr\\.?|après|apres|aft\\.?|after", Genre::Apres),
        f("dep\\.?|depuis|dès|des|from", Genre::Depuis)};
    return formes;
}

DateLue lireAutresFormes(const QString& d) {
    static const QRegularExpression separes(
        QStringLiteral("^(\\d{1,2})[/.\\-](\\d{1,2})[/.\\-](\\d{3,4})$"));
    static const QRegularExpression moisAnnee(
        QStringLiteral("^\\?\\?[/.\\-](\\d{1,2})[/.\\-](\\d{1,4})$"));
    static const QRegularExpression annee(
        QStringLiteral("^(?:\\?\\?[/.\\-]\\?\\?[/.\\-](\\d{1,4})|(\\d{4}))$"));
    static const QRegularExpression entre(QStringLiteral("^(\\d{1,4})\\s*-\\s*(\\d{1,4})$"));
    static const QRegularExpression periode(QStringLiteral("^(\\d{1,4})\\s*\\.\\.\\s*(\\d{1,4})$"));
    static const QRegularExpression jusqua(
        QStringLiteral("^(?:jusq\\.?|jusqu'en|jusqu'à|jusqu'a|to)\\s*(\\d{1,4})$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nomme(
        QStringLiteral("^(?:(\\d{1,2})(?:er)?\\s+)?([^\\d\\s]+)\\s+(\\d{3,4})$"));
    static const QRegularExpression finAnnee(QStringLiteral("(?:^|\\D)(\\d{3,4})$"));

    auto entier = [](const QRegularExpressionMatch& m, int i) { return m.captured(i).toInt(); };
    if (const auto m = separes.match(d); m.hasMatch()) {
        const DateLue lue{Genre::Exacte, entier(m, 1), entier(m, 2), entier(m, 3), 0};
        if (jourExiste(lue.jour, lue.mois, lue.annee)) return lue;
        return {Genre::AnneeSeule, 0, 0, lue.annee, 0};
    }
    if (const auto m = moisAnnee.match(d); m.hasMatch() && entier(m, 1) >= 1 && entier(m, 1) <= 12)
        return {Genre::MoisAnnee, 0, entier(m, 1), entier(m, 2), 0};
    if (const auto m = annee.match(d); m.hasMatch())
        return {Genre::Annee, 0, 0, m.captured(1).isEmpty() ? entier(m, 2) : entier(m, 1), 0};
    if (const auto m = entre.match(d); m.hasMatch())
        return {Genre::Entre, 0, 0, entier(m, 1), entier(m, 2)};
    if (const auto m = periode.match(d); m.hasMatch())
        return {Genre::Periode, 0, 0, entier(m, 1), entier(m, 2)};
    if (const auto m = jusqua.match(d); m.hasMatch()) return {Genre::Jusqua, 0, 0, entier(m, 1), 0};
    for (const Forme& forme : formesAvecMot())
        if (const auto m = forme.motif.match(d); m.hasMatch())
            return {forme.genre, 0, 0, entier(m, 1), 0};
    if (const auto m = nomme.match(d); m.hasMatch()) {
        if (const int mois = moisNomme(m.captured(2))) {
            const int jour = m.captured(1).isEmpty() ? 0 : entier(m, 1);
            if (jour == 0) return {Genre::MoisAnnee, 0, mois, entier(m, 3), 0};
            if (jourExiste(jour, mois, entier(m, 3)))
                return {Genre::Exacte, jour, mois, entier(m, 3), 0};
        }
    }
    if (const auto m = finAnnee.match(d); m.hasMatch())
        return {Genre::AnneeSeule, 0, 0, entier(m, 1), 0};
    return {Genre::Texte, 0, 0, 0, 0};
}

QString moisGedcom(int mois) {
    return QString::fromLatin1(MoisGedcom[static_cast<std::size_t>(mois - 1)]);
}

QString sansParentheses(QString texte) {
    // A phrase cannot hold its own closing parenthesis.
    texte.replace(u'(', u'[').replace(u')', u']');
    return texte;
}

} // namespace

DateLue lireDate(const QString& date) {
    const QString d = date.trimmed();
    if (d.isEmpty()) return {};
    DateLue lue;
    if (lireJourMoisAnnee(d, lue)) return lue;
    return lireAutresFormes(d);
}

QString dateEnClair(const QString& date) {
    static const char* const Mois[12] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};
    const DateLue d = lireDate(date);
    const QString a = QString::number(d.annee), b = QString::number(d.annee2);
    auto mois = [&] { return QString::fromUtf8(Mois[(d.mois - 1) % 12]); };
    switch (d.genre) {
    case Genre::Exacte:
        return QStringLiteral("%1 %2 %3").arg(d.jour).arg(mois(), a);
    case Genre::MoisAnnee:
        return mois() + u' ' + a;
    case Genre::Annee:
        return a;
    case Genre::Environ:
        return QStringLiteral("vers ") + a;
    case Genre::Estimee:
        return QStringLiteral("estimé à ") + a;
    case Genre::Calculee:
        return QStringLiteral("calculé à ") + a;
    case Genre::Avant:
        return QStringLiteral("avant ") + a;
    case Genre::Apres:
        return QStringLiteral("après ") + a;
    case Genre::Entre:
        return QStringLiteral("entre %1 et %2").arg(a, b);
    case Genre::Periode:
        return QStringLiteral("de %1 à %2").arg(a, b);
    case Genre::Depuis:
        return QStringLiteral("depuis ") + a;
    case Genre::Jusqua:
        return QStringLiteral("jusqu'en ") + a;
    case Genre::Vide:
    case Genre::AnneeSeule:
    case Genre::Texte:
        break;
    }
    return date.trimmed();
}

QString phraseDeDate(const QString& enClair) {
    if (enClair.isEmpty()) return {};
    static const QRegularExpression jour(QStringLiteral("^\\d{1,2} \\S+ -?\\d+( \\(.+\\))?$"));
    static const QRegularExpression annee(
        QStringLiteral("^(janvier|février|mars|avril|mai|juin|juillet|août|septembre|octobre|"
                       "novembre|décembre)? ?-?\\d+( \\(.+\\))?$"));
    if (jour.match(enClair).hasMatch()) return QStringLiteral("le ") + enClair;
    if (annee.match(enClair).hasMatch()) return QStringLiteral("en ") + enClair;
    return enClair;
}

std::int64_t cleDeTriDate(const QString& date) {
    const DateLue d = lireDate(date);
    if (!d.aUneAnnee()) return -1;
    return static_cast<std::int64_t>(d.annee) * 10000 + d.mois * 100 + d.jour;
}

QString dateGedcom(const QString& date) {
    const DateLue d = lireDate(date);
    const QString a = QString::number(d.annee), b = QString::number(d.annee2);
    switch (d.genre) {
    case Genre::Vide:
        return {};
    case Genre::Exacte:
        return QStringLiteral("%1 %2 %3").arg(d.jour).arg(moisGedcom(d.mois), a);
    case Genre::MoisAnnee:
        return moisGedcom(d.mois) + u' ' + a;
    case Genre::Annee:
        return a;
    case Genre::Environ:
        return QStringLiteral("ABT ") + a;
    case Genre::Estimee:
        return QStringLiteral("EST ") + a;
    case Genre::Calculee:
        return QStringLiteral("CAL ") + a;
    case Genre::Avant:
        return QStringLiteral("BEF ") + a;
    case Genre::Apres:
        return QStringLiteral("AFT ") + a;
    case Genre::Entre:
        return QStringLiteral("BET %1 AND %2").arg(a, b);
    case Genre::Periode:
        return QStringLiteral("FROM %1 TO %2").arg(a, b);
    case Genre::Depuis:
        return QStringLiteral("FROM ") + a;
    case Genre::Jusqua:
        return QStringLiteral("TO ") + a;
    case Genre::AnneeSeule:
        return QStringLiteral("INT %1 (%2)").arg(a, sansParentheses(date.trimmed()));
    case Genre::Texte:
        break;
    }
    // A year before our era, as the import keeps it.
    static const QRegularExpression avantJC(QStringLiteral("^(\\d{1,4}) B\\.C\\.$"));
    if (const auto m = avantJC.match(date.trimmed()); m.hasMatch())
        return m.captured(1) + QStringLiteral(" B.C.");
    return u'(' + sansParentheses(date.trimmed()) + u')';
}

bool ajouterDateGedcomExacte(const std::uint8_t* o, int longueur, std::string& sortie) {
    if (longueur != 10 || o[2] != '/' || o[5] != '/') return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (o[i] < '0' || o[i] > '9') return false;
    const auto nombre = [o](int debut, int taille) {
        int n = 0;
        for (int i = debut; i < debut + taille; ++i)
            n = n * 10 + (o[i] - '0');
        return n;
    };
    const int jour = nombre(0, 2), mois = nombre(3, 2), annee = nombre(6, 4);
    if (!jourExiste(jour, mois, annee)) return false;
    sortie += std::to_string(jour);
    sortie += ' ';
    sortie += MoisGedcom[static_cast<std::size_t>(mois - 1)];
    sortie += ' ';
    sortie += std::to_string(annee);
    return true;
}

std::optional<DateLue> dateGedcomCourante(std::string_view d) {
    const std::size_t n = d.size();
    if (n < 4 || n > 11) return std::nullopt;
    const auto chiffre = [&](std::size_t i) { return d[i] >= '0' && d[i] <= '9'; };
    for (std::size_t i = n - 4; i < n; ++i)
        if (!chiffre(i)) return std::nullopt;
    if (d[n - 4] == '0') return std::nullopt;
    const int annee =
        (d[n - 4] - '0') * 1000 + (d[n - 3] - '0') * 100 + (d[n - 2] - '0') * 10 + (d[n - 1] - '0');
    if (n == 4) return DateLue{Genre::Annee, 0, 0, annee, 0};
    // "MON YYYY" or "D MON YYYY" or "DD MON YYYY", the month in any case.
    if (n < 8 || d[n - 5] != ' ') return std::nullopt;
    const std::size_t debutMois = n - 8;
    if (debutMois > 0 && d[debutMois - 1] != ' ') return std::nullopt;
    char mois[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = d[debutMois + i];
        mois[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    int m = 0;
    for (int i = 0; i < 12 && !m; ++i)
        if (std::strncmp(mois, MoisGedcom[static_cast<std::size_t>(i)], 3) == 0) m = i + 1;
    if (!m) return std::nullopt;
    if (debutMois == 0) return DateLue{Genre::MoisAnnee, 0, m, annee, 0};
    const std::size_t chiffresJour = debutMois - 1;
    if (chiffresJour < 1 || chiffresJour > 2 || !chiffre(0) || (chiffresJour == 2 && !chiffre(1)))
        return std::nullopt;
    const int jour = chiffresJour == 1 ? d[0] - '0' : (d[0] - '0') * 10 + d[1] - '0';
    if (!jourExiste(jour, m, annee)) return std::nullopt;
    return DateLue{Genre::Exacte, jour, m, annee, 0};
}

bool ficheDeDateCourante(std::string_view gedcom, char (&fiche)[10]) {
    const auto lue = dateGedcomCourante(gedcom);
    if (!lue) return false;
    const auto deux = [&fiche](int i, int n) {
        fiche[i] = n ? static_cast<char>('0' + n / 10) : '?';
        fiche[i + 1] = n ? static_cast<char>('0' + n % 10) : '?';
    };
    deux(0, lue->jour);
    fiche[2] = '/';
    deux(3, lue->mois);
    fiche[5] = '/';
    std::memcpy(fiche + 6, gedcom.data() + gedcom.size() - 4, 4);
    return true;
}

// ---------------------------------------------------------------- French Republican

JourGregorien depuisRepublicain(int jour, int mois, int an) {
    if (an < 1 || mois < 1 || mois > 13 || jour < 1 || jour > 30) return {};
    // Years III, VII, XI and XV were sextile (six complementary days), as the
    // calendar was kept; after that, the rule of the Gregorian leap years.
    auto sextile = [](int a) {
        if (a <= 16) return a == 3 || a == 7 || a == 11 || a == 15;
        return a % 4 == 0 && (a % 100 != 0 || a % 400 == 0);
    };
    if (mois == 13 && jour > (sextile(an) ? 6 : 5)) return {};
    // 1 vendémiaire an I was 22 September 1792; each year has 365 or 366 days.
    QDate debut(1792, 9, 22);
    for (int a = 1; a < an; ++a)
        debut = debut.addDays(sextile(a) ? 366 : 365);
    const QDate d = debut.addDays((mois - 1) * 30 + jour - 1);
    return {d.day(), d.month(), d.year()};
}

// ---------------------------------------------------------------- import

namespace {

struct DateGedcom {
    int jour = 0, mois = 0, annee = 0;
    bool valide = false;
    bool avantJC = false;
    bool anneeDouble = false; // "1750/51"
};

const std::array<const char*, 13> MoisRepublicains = {"VEND", "BRUM", "FRIM", "NIVO", "PLUV",
                                                      "VENT", "GERM", "FLOR", "PRAI", "MESS",
                                                      "THER", "FRUC", "COMP"};
const std::array<const char*, 13> MoisHebreux = {"TSH", "CSH", "KSL", "TVT", "SHV", "ADR", "ADS",
                                                 "NSN", "IYR", "SVN", "TMZ", "AAV", "ELL"};

// Month names as programs write them, in capitals without the final dot:
// GEDCOM's, English and French, in full or cut.
int moisEcrit(QString nom) {
    static const std::array<QStringList, 12> noms = {
        QStringList{"JAN", "JANUARY", "JANV", "JANVIER"},
        {"FEB", "FEBRUARY", "FEV", "FÉV", "FEVR", "FÉVR", "FEVRIER", "FÉVRIER"},
        {"MAR", "MARCH", "MARS"},
        {"APR", "APRIL", "AVR", "AVRIL"},
        {"MAY", "MAI"},
        {"JUN", "JUNE", "JUIN"},
        {"JUL", "JULY", "JUIL", "JUILLET"},
        {"AUG", "AUGUST", "AOU", "AOÛ", "AOUT", "AOÛT"},
        {"SEP", "SEPT", "SEPTEMBER", "SEPTEMBRE"},
        {"OCT", "OCTOBER", "OCTOBRE"},
        {"NOV", "NOVEMBER", "NOVEMBRE"},
        {"DEC", "DÉC", "DECEMBER", "DECEMBRE", "DÉCEMBRE"}};
    if (nom.endsWith(u'.')) nom.chop(1);
    for (int m = 0; m < 12; ++m)
        if (noms[static_cast<std::size_t>(m)].contains(nom)) return m + 1;
    return 0;
}

// The year of a dual date, "1750/51", by the new style: the year that
// follows the first, across a decade or a century ("1699/00" is 1700).
bool lireAnneeDouble(const QString& an, DateGedcom& d) {
    const auto barre = an.indexOf(u'/');
    bool ok = false, okSuite = false;
    const int base = an.left(barre).toInt(&ok);
    const QString suite = an.mid(barre + 1);
    const int fin = suite.toInt(&okSuite);
    if (!ok || !okSuite || base <= 0 || suite.isEmpty() || suite.size() > 4 || suite.size() == 3)
        return false;
    int annee = fin;
    if (suite.size() < 4) {
        const int pas = suite.size() == 1 ? 10 : 100;
        annee = base - base % pas + fin;
        if (annee <= base) annee += pas;
    }
    if (annee <= base || annee > base + 1) return false;
    d.annee = annee;
    d.anneeDouble = true;
    return true;
}

// "[day] [month] year [B.C.]" in one calendar, the words already in capitals;
// "Dec 29, 1812" as American programs write it.
DateGedcom lireDateSimple(QString texte, bool republicain, bool hebreu) {
    DateGedcom d;
    texte.replace(u',', u' ');
    QStringList mots = texte.split(u' ', Qt::SkipEmptyParts);
    if (!mots.isEmpty() && (mots.back() == u"B.C." || mots.back() == u"BC" ||
                            mots.back() == u"(B.C.)" || mots.back() == u"BCE")) {
        d.avantJC = true;
        mots.removeLast();
    }
    if (mots.size() == 3 && moisEcrit(mots[0]) && !moisEcrit(mots[1]) && !republicain && !hebreu)
        std::swap(mots[0], mots[1]);
    if (mots.isEmpty() || mots.size() > 3) return d;
    const QString& an = mots.back();
    if (an.indexOf(u'/') > 0) {
        if (!lireAnneeDouble(an, d)) return d;
    } else {
        bool ok = false;
        d.annee = an.toInt(&ok);
        if (!ok || d.annee <= 0 || an.startsWith(u'+') || an.startsWith(u'-')) return d;
    }
    if (mots.size() >= 2) {
        const QString& nomMois = mots[mots.size() - 2];
        if (republicain) {
            for (int m = 0; m < 13; ++m)
                if (nomMois == QLatin1String(MoisRepublicains[static_cast<std::size_t>(m)]))
                    d.mois = m + 1;
        } else if (hebreu) {
            for (int m = 0; m < 13; ++m)
                if (nomMois == QLatin1String(MoisHebreux[static_cast<std::size_t>(m)]))
                    d.mois = m + 1;
        } else {
            d.mois = moisEcrit(nomMois);
        }
        if (d.mois == 0) return d;
    }
    if (mots.size() == 3) {
        bool ok = false;
        d.jour = mots[0].toInt(&ok);
        if (!ok || d.jour < 1 || d.jour > 31) return d;
    }
    d.valide = true;
    return d;
}

enum class Calendrier { Gregorien, Julien, Republicain, Hebreu, Autre };

Calendrier extraireCalendrier(QString& texte) {
    static const QRegularExpression echappement(QStringLiteral("@#D([^@]*)@\\s*"));
    Calendrier c = Calendrier::Gregorien;
    if (!texte.contains(u'@')) return c;
    auto m = echappement.match(texte);
    while (m.hasMatch()) {
        const QString nom = m.captured(1).trimmed();
        if (nom == u"JULIAN")
            c = Calendrier::Julien;
        else if (nom == u"FRENCH R")
            c = Calendrier::Republicain;
        else if (nom == u"HEBREW")
            c = Calendrier::Hebreu;
        else if (nom != u"GREGORIAN")
            c = Calendrier::Autre;
        texte.remove(m.capturedStart(), m.capturedLength());
        m = echappement.match(texte);
    }
    return c;
}

QString deuxChiffres(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// One date, brought into the Gregorian calendar when it is Republican or Hebrew.
struct Simple {
    DateGedcom d;
    Calendrier calendrier = Calendrier::Gregorien;
    bool convertie = false;
    bool anneeDeuxFois = false; // a whole Hebrew year lies across two Gregorian ones
};

Simple lireSimple(QString texte, Calendrier parDefaut) {
    Simple s;
    s.calendrier = extraireCalendrier(texte);
    if (s.calendrier == Calendrier::Gregorien) s.calendrier = parDefaut;
    s.d = lireDateSimple(texte.trimmed(), s.calendrier == Calendrier::Republicain,
                         s.calendrier == Calendrier::Hebreu);
    if (!s.d.valide) return s;
    if (s.calendrier == Calendrier::Republicain) {
        // A whole Republican year or month becomes the Gregorian year of its middle.
        const JourGregorien g =
            depuisRepublicain(s.d.jour ? s.d.jour : 15, s.d.mois ? s.d.mois : 7, s.d.annee);
        if (!g.valide()) {
            s.d.valide = false;
            return s;
        }
        s.d.mois = s.d.mois && s.d.jour ? g.mois : 0;
        s.d.jour = s.d.jour ? g.jour : 0;
        s.d.annee = g.annee;
        s.convertie = true;
    } else if (s.calendrier == Calendrier::Hebreu) {
        const JourGregorien g =
            depuisHebreu(s.d.jour ? s.d.jour : 1, s.d.mois ? s.d.mois : 1, s.d.annee);
        if (!g.valide()) {
            s.d.valide = false;
            return s;
        }
        s.anneeDeuxFois = s.d.mois == 0;
        s.d.jour = s.d.jour ? g.jour : 0;
        s.d.mois = s.d.mois ? g.mois : 0;
        s.d.annee = g.annee;
        s.convertie = true;
    }
    return s;
}

bool anneeTenable(const DateGedcom& d) {
    return d.valide && !d.avantJC && d.annee >= 1 && d.annee <= 9999;
}

// What cannot be held leaves the field empty: a cut text would read as another date.
DateImportee nonGardee() {
    return {QString(), DateImportee::Ecart::NonGardee};
}

// The record's text when it holds the date, else nothing: ten characters at most.
DateImportee tenue(const QString& fiche, DateImportee::Ecart ecart) {
    if (fiche.size() > 10) return nonGardee();
    return {fiche, ecart};
}

// A year in four digits: "0036" never reads as 1936.
QString anneeSurQuatre(int annee) {
    return QStringLiteral("%1").arg(annee, 4, 10, QLatin1Char('0'));
}

DateImportee simpleVersFiche(const Simple& s, DateImportee::Ecart sinon) {
    const DateGedcom& d = s.d;
    const QString an = d.avantJC ? QString::number(d.annee) : anneeSurQuatre(d.annee);
    if (d.avantJC) {
        // "534 B.C." is held, never as a year of our era.
        return tenue(an + QStringLiteral(" B.C."),
                     d.mois ? DateImportee::Ecart::Precision : DateImportee::Ecart::Aucun);
    }
    if (!anneeTenable(d)) return nonGardee();
    QString fiche;
    DateImportee::Ecart ecart = sinon;
    if (s.anneeDeuxFois) {
        fiche = an + u'-' + anneeSurQuatre(d.annee + 1);
    } else if (d.jour && jourExiste(d.jour, d.mois, d.annee)) {
        fiche = deuxChiffres(d.jour) + u'/' + deuxChiffres(d.mois) + u'/' + an;
    } else if (d.mois) {
        fiche = QStringLiteral("?\?/") + deuxChiffres(d.mois) + u'/' + an;
        if (d.jour) ecart = DateImportee::Ecart::Precision; // a day the calendar does not have
    } else {
        fiche = QStringLiteral("?\?/?\?/") + an;
    }
    if (d.anneeDouble) ecart = DateImportee::Ecart::Precision;
    if (s.calendrier == Calendrier::Julien) ecart = DateImportee::Ecart::Julien;
    if (s.convertie) ecart = DateImportee::Ecart::Calendrier;
    return tenue(fiche, ecart);
}

DateImportee::Ecart ecartDe(const Simple& s, bool precisionPerdue) {
    if (s.convertie) return DateImportee::Ecart::Calendrier;
    if (s.calendrier == Calendrier::Julien) return DateImportee::Ecart::Julien;
    return precisionPerdue || s.d.anneeDouble ? DateImportee::Ecart::Precision
                                              : DateImportee::Ecart::Aucun;
}

// The common forms as the record holds them: "05/05/1900", "??/05/1900", "??/??/1900".
bool lireDateCourante(const QString& d, DateImportee& sortie) {
    // Latin letters and digits only: copied to bytes without an allocation.
    char octets[11];
    if (d.size() > 11) return false;
    for (qsizetype i = 0; i < d.size(); ++i) {
        if (d[i].unicode() >= 0x80) return false;
        octets[i] = static_cast<char>(d[i].unicode());
    }
    char fiche[10];
    if (!ficheDeDateCourante(std::string_view(octets, static_cast<std::size_t>(d.size())), fiche))
        return false;
    sortie = {QString::fromLatin1(fiche, 10), DateImportee::Ecart::Aucun};
    return true;
}

// The words before a date: "Abt.", "abt", "About", "circa" are ABT; the
// dot and the case do not matter.
QString motQualifiant(QString mot) {
    if (mot.endsWith(u'.')) mot.chop(1);
    if (mot == u"APRÈS") return QStringLiteral("AFT");
    static const std::array<std::pair<const char*, const char*>, 16> synonymes = {
        {{"ABOUT", "ABT"},
         {"CIRCA", "ABT"},
         {"CA", "ABT"},
         {"C", "ABT"},
         {"CIR", "ABT"},
         {"APPROX", "ABT"},
         {"BEFORE", "BEF"},
         {"BEFOR", "BEF"},
         {"AFTER", "AFT"},
         {"ESTIMATED", "EST"},
         {"CALCULATED", "CAL"},
         {"BETWEEN", "BET"},
         {"INTERPRETED", "INT"},
         {"VERS", "ABT"},
         {"AVANT", "BEF"},
         {"APRES", "AFT"}}};
    for (const auto& [long_, court] : synonymes)
        if (mot == QLatin1String(long_)) return QString::fromLatin1(court);
    return mot;
}

} // namespace

JourGregorien depuisHebreu(int jour, int mois, int an) {
    if (an < 1 || mois < 1 || mois > 13 || jour < 1 || jour > 30) return {};
    UErrorCode etat = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> hebreu(
        icu::Calendar::createInstance(icu::Locale("fr_FR@calendar=hebrew"), etat));
    if (U_FAILURE(etat)) return {};
    hebreu->setLenient(false);
    hebreu->clear();
    // GEDCOM's months: TSH 1 … ADR 6 (Adar, Adar I of a leap year), ADS 7 (Adar II) … ELL 13.
    // ICU's: TISHRI 0 … ADAR_1 5, ADAR 6 … ELUL 12; ADAR_1 exists in leap years only.
    const bool embolismique = (7 * an + 1) % 19 < 7;
    int moisIcu = mois - 1;
    constexpr int AdarIcu = 6; // ICU's ADAR: Adar of a common year, Adar II of a leap one
    if (mois == 6 && !embolismique) moisIcu = AdarIcu;
    if (mois == 7 && !embolismique) return {}; // no Adar II in a common year
    hebreu->set(UCAL_EXTENDED_YEAR, an);
    hebreu->set(UCAL_MONTH, moisIcu);
    hebreu->set(UCAL_DATE, jour);
    const UDate instant = hebreu->getTime(etat);
    if (U_FAILURE(etat)) return {};
    // The Gregorian calendar before 1582 as well: ICU's own would give the
    // Julian day there, which the record would read as Gregorian.
    auto gregorien = std::make_unique<icu::GregorianCalendar>(icu::Locale("fr_FR"), etat);
    if (U_FAILURE(etat)) return {};
    gregorien->setGregorianChange(-std::numeric_limits<double>::max(), etat);
    gregorien->setTime(instant, etat);
    const int j = gregorien->get(UCAL_DATE, etat);
    const int m = gregorien->get(UCAL_MONTH, etat) + 1;
    const int a = gregorien->get(UCAL_EXTENDED_YEAR, etat);
    if (U_FAILURE(etat) || a < 1) return {};
    return {j, m, a};
}

DateImportee dateDepuisGedcom(const QString& gedcom) {
    DateImportee courante;
    if (lireDateCourante(gedcom, courante)) return courante;
    const QString brut = gedcom.simplified();
    if (brut.isEmpty()) return {};
    // A phrase in parentheses is kept as it was typed, when it fits.
    if (brut.startsWith(u'(') && brut.endsWith(u')')) {
        const QString phrase = brut.mid(1, brut.size() - 2).trimmed();
        return phrase.size() <= 10 ? DateImportee{phrase, DateImportee::Ecart::Aucun} : nonGardee();
    }
    // ISO dates, "2000-05-20" or "2000-05".
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})(?:-(\\d{2}))?$"));
    if (brut.size() >= 7 && brut[4] == u'-' && chiffre(brut[0]))
        if (const auto m = iso.match(brut); m.hasMatch()) {
            const int annee = m.captured(1).toInt(), mois = m.captured(2).toInt();
            const int jour = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
            if (mois < 1 || mois > 12 || annee < 1) return nonGardee();
            if (jour && jourExiste(jour, mois, annee))
                return {deuxChiffres(jour) + u'/' + deuxChiffres(mois) + u'/' + m.captured(1),
                        DateImportee::Ecart::Aucun};
            if (jour) return nonGardee();
            return {QStringLiteral("?\?/") + deuxChiffres(mois) + u'/' + m.captured(1),
                    DateImportee::Ecart::Aucun};
        }
    QString texte = brut.toUpper();
    const Calendrier calendrier = extraireCalendrier(texte);
    texte = texte.simplified();
    if (calendrier == Calendrier::Autre) return nonGardee();
    const qsizetype espace = texte.indexOf(u' ');
    const QString mot = motQualifiant(espace < 0 ? texte : texte.left(espace));
    const QString reste = espace < 0 ? QString() : texte.mid(espace + 1);

    // INT: the date is exact; a phrase this program wrote from a typed date
    // comes back as it was typed.
    if (mot == u"INT") {
        const qsizetype parenthese = brut.indexOf(u'(');
        const QString phrase =
            parenthese < 0 ? QString() : brut.mid(parenthese + 1).chopped(1).trimmed();
        if (!phrase.isEmpty() && phrase.size() <= 10 &&
            dateGedcom(phrase).compare(brut, Qt::CaseInsensitive) == 0)
            return {phrase, DateImportee::Ecart::Aucun};
        const qsizetype debut = texte.indexOf(u' ') + 1;
        const QString date = parenthese < 0 ? reste : texte.mid(debut, texte.indexOf(u'(') - debut);
        const Simple s = lireSimple(date, calendrier);
        if (!s.d.valide) return nonGardee();
        // The phrase that went with the date is not kept: the report says so.
        return simpleVersFiche(s, phrase.isEmpty() ? DateImportee::Ecart::Aucun
                                                   : DateImportee::Ecart::Precision);
    }
    struct Qualifiee {
        const char* mot;
        const char* prefixe;
    };
    static const Qualifiee qualifiees[] = {{"ABT", "vers "}, {"EST", "est. "}, {"CAL", "calc. "},
                                           {"BEF", "av. "},  {"AFT", "ap. "},  {"FROM", "dep. "},
                                           {"TO", "jusq. "}};
    // BET … AND …, FROM … TO …: two years.
    static const QRegularExpression deux(
        QStringLiteral("^(BET|BETWEEN|FROM)\\.? (.+) (AND|TO|-)\\.? (.+)$"));
    if (const auto m = deux.match(texte); m.hasMatch()) {
        const Simple a = lireSimple(m.captured(2), calendrier);
        const Simple b = lireSimple(m.captured(4), calendrier);
        if (!anneeTenable(a.d) || !anneeTenable(b.d)) return nonGardee();
        const bool entre = m.captured(1) != u"FROM";
        const QString fiche = QString::number(a.d.annee) +
                              (entre ? QStringLiteral("-") : QStringLiteral("..")) +
                              QString::number(b.d.annee);
        const bool perte = a.d.mois || b.d.mois;
        DateImportee::Ecart ecart = ecartDe(a, perte);
        if (ecart == DateImportee::Ecart::Aucun) ecart = ecartDe(b, perte);
        return tenue(fiche, ecart);
    }
    for (const Qualifiee& q : qualifiees) {
        if (mot != QLatin1String(q.mot)) continue;
        const Simple s = lireSimple(reste, calendrier);
        if (!anneeTenable(s.d)) return nonGardee();
        return tenue(QString::fromLatin1(q.prefixe) + QString::number(s.d.annee),
                     ecartDe(s, s.d.mois != 0 || s.anneeDeuxFois));
    }
    const Simple s = lireSimple(texte, calendrier);
    if (s.d.valide) return simpleVersFiche(s, DateImportee::Ecart::Aucun);
    // Free text that a record can hold as it is, and that reads as no date.
    if (brut.size() <= 10 && lireDate(brut).genre == DateLue::Genre::Texte)
        return {brut, DateImportee::Ecart::Aucun};
    return nonGardee();
}
