#include "data/Dates.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <cstring>

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
    return u'(' + sansParentheses(date.trimmed()) + u')';
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

// "[day] [month] year [B.C.]" in one calendar, the words already in capitals.
DateGedcom lireDateSimple(const QString& texte, bool republicain) {
    DateGedcom d;
    QStringList mots = texte.split(u' ', Qt::SkipEmptyParts);
    if (!mots.isEmpty() &&
        (mots.back() == u"B.C." || mots.back() == u"BC" || mots.back() == u"(B.C.)")) {
        d.avantJC = true;
        mots.removeLast();
    }
    if (mots.isEmpty() || mots.size() > 3) return d;
    // A dual year, "1750/51", is the year by the new style.
    QString an = mots.back();
    if (const auto barre = an.indexOf(u'/'); barre > 0) {
        bool ok = false, okSuite = false;
        const int base = an.left(barre).toInt(&ok);
        const QString suite = an.mid(barre + 1);
        const int fin = suite.toInt(&okSuite);
        if (!ok || !okSuite || suite.isEmpty() || suite.size() > 2) return d;
        d.annee = base - base % (suite.size() == 1 ? 10 : 100) + fin;
        d.anneeDouble = true;
    } else {
        bool ok = false;
        d.annee = an.toInt(&ok);
        if (!ok || d.annee <= 0) return d;
    }
    if (mots.size() >= 2) {
        const QString& nomMois = mots[mots.size() - 2];
        if (republicain) {
            for (int m = 0; m < 13; ++m)
                if (nomMois == QLatin1String(MoisRepublicains[static_cast<std::size_t>(m)]))
                    d.mois = m + 1;
        } else {
            for (int m = 0; m < 12; ++m)
                if (nomMois == QLatin1String(MoisGedcom[static_cast<std::size_t>(m)]))
                    d.mois = m + 1;
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

enum class Calendrier { Gregorien, Julien, Republicain, Autre };

Calendrier extraireCalendrier(QString& texte) {
    static const QRegularExpression echappement(QStringLiteral("@#D([^@]*)@\\s*"));
    Calendrier c = Calendrier::Gregorien;
    auto m = echappement.match(texte);
    while (m.hasMatch()) {
        const QString nom = m.captured(1).trimmed();
        if (nom == u"JULIAN")
            c = Calendrier::Julien;
        else if (nom == u"FRENCH R")
            c = Calendrier::Republicain;
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

// Ten characters at most; what does not fit is cut.
QString dix(const QString& texte) {
    return texte.left(10);
}

// One date, brought into the Gregorian calendar when it is Republican.
struct Simple {
    DateGedcom d;
    Calendrier calendrier = Calendrier::Gregorien;
    bool convertie = false;
};

Simple lireSimple(QString texte, Calendrier parDefaut) {
    Simple s;
    s.calendrier = extraireCalendrier(texte);
    if (s.calendrier == Calendrier::Gregorien) s.calendrier = parDefaut;
    s.d = lireDateSimple(texte.trimmed(), s.calendrier == Calendrier::Republicain);
    if (!s.d.valide || s.calendrier != Calendrier::Republicain) return s;
    // A whole Republican year or month becomes the Gregorian year of its middle.
    const int jour = s.d.jour ? s.d.jour : 15;
    const int mois = s.d.mois ? s.d.mois : 7;
    const JourGregorien g = depuisRepublicain(jour, mois, s.d.annee);
    if (!g.valide()) {
        s.d.valide = false;
        return s;
    }
    s.d.jour = s.d.jour ? g.jour : 0;
    s.d.mois = s.d.mois && s.d.jour ? g.mois : 0;
    s.d.annee = g.annee;
    s.convertie = true;
    return s;
}

bool anneeTenable(const DateGedcom& d) {
    return d.valide && !d.avantJC && d.annee >= 1000 && d.annee <= 9999;
}

DateImportee simpleVersFiche(const Simple& s, DateImportee::Ecart sinon) {
    const DateGedcom& d = s.d;
    const QString an = QString::number(d.annee);
    QString fiche;
    DateImportee::Ecart ecart = sinon;
    if (d.jour && jourExiste(d.jour, d.mois, d.annee)) {
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
    if (!anneeTenable(d)) ecart = DateImportee::Ecart::NonGardee;
    return {dix(fiche), ecart};
}

DateImportee::Ecart ecartDe(const Simple& s, bool precisionPerdue) {
    if (!anneeTenable(s.d)) return DateImportee::Ecart::NonGardee;
    if (s.convertie) return DateImportee::Ecart::Calendrier;
    if (s.calendrier == Calendrier::Julien) return DateImportee::Ecart::Julien;
    return precisionPerdue || s.d.anneeDouble ? DateImportee::Ecart::Precision
                                              : DateImportee::Ecart::Aucun;
}

DateImportee nonGardee(const QString& texte) {
    return {dix(texte), DateImportee::Ecart::NonGardee};
}

// The common forms, "5 MAY 1900", "MAY 1900" and "1900", without splitting
// or searching: an import reads millions of them.
bool lireDateCourante(const QString& d, DateImportee& sortie) {
    const qsizetype n = d.size();
    if (n < 4 || n > 11) return false;
    auto chiffre = [&](qsizetype i) { return d[i] >= u'0' && d[i] <= u'9'; };
    for (qsizetype i = n - 4; i < n; ++i)
        if (!chiffre(i)) return false;
    if (n == 4) {
        if (d[0] == u'0') return false;
        sortie = {QStringLiteral("?\?/?\?/") + d, DateImportee::Ecart::Aucun};
        return true;
    }
    // "MON YYYY" or "D MON YYYY" or "DD MON YYYY".
    if (d[n - 5] != u' ') return false;
    const qsizetype debutMois = n - 8;
    if (debutMois < 0 || (debutMois > 0 && d[debutMois - 1] != u' ')) return false;
    char mois[4] = {};
    for (int i = 0; i < 3; ++i) {
        const char16_t c = d[debutMois + i].toUpper().unicode();
        if (c < u'A' || c > u'Z') return false;
        mois[i] = static_cast<char>(c);
    }
    int m = 0;
    for (int i = 0; i < 12 && !m; ++i)
        if (std::strncmp(mois, MoisGedcom[static_cast<std::size_t>(i)], 3) == 0) m = i + 1;
    if (!m || d[n - 4] == u'0') return false;
    QString fiche(10, Qt::Uninitialized);
    fiche[2] = fiche[5] = u'/';
    fiche[3] = QChar(u'0' + m / 10);
    fiche[4] = QChar(u'0' + m % 10);
    for (int i = 0; i < 4; ++i)
        fiche[6 + i] = d[n - 4 + i];
    if (debutMois == 0) {
        fiche[0] = fiche[1] = u'?';
        sortie = {fiche, DateImportee::Ecart::Aucun};
        return true;
    }
    const qsizetype chiffresJour = debutMois - 1;
    if (chiffresJour < 1 || chiffresJour > 2 || !chiffre(0) || (chiffresJour == 2 && !chiffre(1)))
        return false;
    const int jour = chiffresJour == 1 ? d[0].unicode() - u'0'
                                       : (d[0].unicode() - u'0') * 10 + d[1].unicode() - u'0';
    if (!jourExiste(jour, m, fiche.right(4).toInt())) return false;
    fiche[0] = QChar(u'0' + jour / 10);
    fiche[1] = QChar(u'0' + jour % 10);
    sortie = {fiche, DateImportee::Ecart::Aucun};
    return true;
}

} // namespace

DateImportee dateDepuisGedcom(const QString& gedcom) {
    DateImportee courante;
    if (lireDateCourante(gedcom, courante)) return courante;
    const QString brut = gedcom.trimmed();
    if (brut.isEmpty()) return {};
    // A phrase in parentheses is kept as it was typed, as far as it fits.
    if (brut.startsWith(u'(') && brut.endsWith(u')')) {
        const QString phrase = brut.mid(1, brut.size() - 2).trimmed();
        return {dix(phrase),
                phrase.size() > 10 ? DateImportee::Ecart::NonGardee : DateImportee::Ecart::Aucun};
    }
    QString texte = brut.toUpper();
    const Calendrier calendrier = extraireCalendrier(texte);
    texte = texte.simplified();
    if (calendrier == Calendrier::Autre) return nonGardee(texte);
    const qsizetype espace = texte.indexOf(u' ');
    const QString mot = espace < 0 ? texte : texte.left(espace);
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
        const QString date = parenthese < 0 ? reste : texte.mid(4, texte.indexOf(u'(') - 4);
        // The phrase that went with the date is not kept: the report says so.
        return simpleVersFiche(lireSimple(date, calendrier), phrase.isEmpty()
                                                                 ? DateImportee::Ecart::Aucun
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
    static const QRegularExpression deux(QStringLiteral("^(BET|FROM) (.+) (AND|TO) (.+)$"));
    if (const auto m = deux.match(texte); m.hasMatch()) {
        const Simple a = lireSimple(m.captured(2), calendrier);
        const Simple b = lireSimple(m.captured(4), calendrier);
        if (!a.d.valide || !b.d.valide || a.d.avantJC || b.d.avantJC) return nonGardee(texte);
        const bool entre = m.captured(1) == u"BET";
        const QString fiche = QString::number(a.d.annee) +
                              (entre ? QStringLiteral("-") : QStringLiteral("..")) +
                              QString::number(b.d.annee);
        const bool perte = a.d.mois || b.d.mois;
        DateImportee::Ecart ecart = ecartDe(a, perte);
        if (ecart == DateImportee::Ecart::Aucun) ecart = ecartDe(b, perte);
        if (fiche.size() > 10) ecart = DateImportee::Ecart::NonGardee;
        return {dix(fiche), ecart};
    }
    for (const Qualifiee& q : qualifiees) {
        if (mot != QLatin1String(q.mot)) continue;
        const Simple s = lireSimple(reste, calendrier);
        if (!s.d.valide || s.d.avantJC) return nonGardee(texte);
        const QString fiche = QString::fromLatin1(q.prefixe) + QString::number(s.d.annee);
        return {dix(fiche), ecartDe(s, s.d.mois != 0)};
    }
    const Simple s = lireSimple(texte, calendrier);
    if (!s.d.valide || s.d.avantJC) return nonGardee(texte);
    return simpleVersFiche(s, DateImportee::Ecart::Aucun);
}
