#include "data/fichier/DatesSaisies.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Texte.h"

#include <QCalendar>
#include <QDate>
#include <QRegularExpression>

#include <array>

namespace {

constexpr std::array<const char*, 13> NomsDesMoisRepublicains = {
    "vendémiaire", "brumaire", "frimaire", "nivôse",    "pluviôse",  "ventôse",       "germinal",
    "floréal",     "prairial", "messidor", "thermidor", "fructidor", "complémentaire"};
constexpr std::array<const char*, 13> MoisRepublicainsGedcom = {
    "VEND", "BRUM", "FRIM", "NIVO", "PLUV", "VENT", "GERM",
    "FLOR", "PRAI", "MESS", "THER", "FRUC", "COMP"};
constexpr std::array<const char*, 12> MoisGedcomAbreges = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The years of the Republic, I to XV.
constexpr std::array<const char*, 15> AnsRomains = {
    "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII", "XIII", "XIV", "XV"};

QString versFiche(int jour, int mois, int annee) {
    return QStringLiteral("%1/%2/%3")
        .arg(jour, 2, 10, QChar(u'0'))
        .arg(mois, 2, 10, QChar(u'0'))
        .arg(annee, 4, 10, QChar(u'0'));
}

QString enClair(int jour, int mois, int annee) {
    return dateEnClair(versFiche(jour, mois, annee));
}

// "IV", "iv" or "4": the year of the Republic; 0 when it is none.
int anRepublicain(const QString& texte) {
    bool nombre = false;
    if (const int n = texte.toInt(&nombre); nombre) return n;
    for (std::size_t i = 0; i < AnsRomains.size(); ++i)
        if (texte.compare(QLatin1String(AnsRomains[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

// The month of the Republic a word names ("vend.", "Nivose", "sans-culottide"…), 0 for none.
int moisRepublicain(const QString& mot) {
    const QString m = reduireTexte(mot).remove(u'.');
    if (m.isEmpty()) return 0;
    if (m.startsWith(QLatin1String("sans")) || m.startsWith(QLatin1String("jour")) ||
        m.startsWith(QLatin1String("compl")))
        return 13;
    for (std::size_t i = 0; i + 1 < NomsDesMoisRepublicains.size(); ++i)
        if (reduireTexte(QString::fromUtf8(NomsDesMoisRepublicains[i])).startsWith(m) &&
            m.size() >= 3)
            return static_cast<int>(i) + 1;
    return 0;
}

QString nomDuJourRepublicain(int jour, int mois, int an) {
    const QString annee =
        QStringLiteral("an ") + QLatin1String(AnsRomains[static_cast<std::size_t>(an - 1)]);
    if (mois == 13) return QStringLiteral("%1e jour complémentaire %2").arg(jour).arg(annee);
    return QStringLiteral("%1 %2 %3")
        .arg(jour == 1 ? QStringLiteral("1er") : QString::number(jour),
             QString::fromUtf8(NomsDesMoisRepublicains[static_cast<std::size_t>(mois - 1)]), annee);
}

// The Republic counted its days from 1 vendémiaire an I (22 September 1792)
// to 10 nivôse an XIV (31 December 1805).
DateSaisie republicaine(int jour, int mois, int an, const QString& texte) {
    DateSaisie d;
    const JourGregorien g =
        an >= 1 && an <= 14 ? depuisRepublicain(jour, mois, an) : JourGregorien{};
    if (!g.valide() || QDate(g.annee, g.mois, g.jour) > QDate(1805, 12, 31)) {
        d.valide = false;
        d.erreur = QStringLiteral("La date républicaine « %1 » n'existe pas : le calendrier "
                                  "républicain va du 1er vendémiaire an I au 10 nivôse an XIV, "
                                  "ses mois ont 30 jours, et les jours complémentaires sont 5 (6 "
                                  "les années III, VII et XI).")
                       .arg(texte.simplified());
        return d;
    }
    d.fiche = versFiche(g.jour, g.mois, g.annee);
    d.gedcom = QStringLiteral("@#DFRENCH R@ %1 %2 %3")
                   .arg(jour)
                   .arg(QLatin1String(MoisRepublicainsGedcom[static_cast<std::size_t>(mois - 1)]))
                   .arg(an);
    d.equivalent = enClair(g.jour, g.mois, g.annee);
    d.enClair = nomDuJourRepublicain(jour, mois, an) + QStringLiteral(" (") + d.equivalent + u')';
    return d;
}

// A Julian day as the record holds it (day, month and year as written) and
// its Gregorian day beside it.
DateSaisie julienne(int jour, int mois, int annee, const QString& texte) {
    DateSaisie d;
    const QDate g = QCalendar(QCalendar::System::Julian).dateFromParts(annee, mois, jour);
    if (!g.isValid()) {
        d.valide = false;
        d.erreur = QStringLiteral("La date julienne « %1 » n'existe pas.").arg(texte.simplified());
        return d;
    }
    d.fiche = versFiche(jour, mois, annee);
    d.gedcom = QStringLiteral("@#DJULIAN@ %1 %2 %3")
                   .arg(jour)
                   .arg(QLatin1String(MoisGedcomAbreges[static_cast<std::size_t>(mois - 1)]))
                   .arg(annee);
    d.equivalent = enClair(g.day(), g.month(), g.year());
    d.enClair = enClair(jour, mois, annee) + QStringLiteral(" julien (") + d.equivalent +
                QStringLiteral(" grégorien)");
    return d;
}

} // namespace

DateSaisie lireDateSaisie(const QString& texte) {
    const QString t = texte.simplified();
    DateSaisie d;
    if (t.isEmpty()) return d;
    // The Republic: "12 vendémiaire an IV", "12/01/an IV".
    static const QRegularExpression RepublicaineEnMots(
        QStringLiteral("^(\\d{1,2})(?:er|e)?\\s+(?:jour\\s+)?([\\p{L}.-]+)\\s+(?:de\\s+l')?an\\s+(["
                       "IVXivx]+|\\d{1,2})$"));
    static const QRegularExpression RepublicaineEnChiffres(
        QStringLiteral("^(\\d{1,2})/(\\d{1,2})/an\\s*([IVXivx]+|\\d{1,2})$"));
    if (const auto m = RepublicaineEnMots.match(t); m.hasMatch())
        if (const int mois = moisRepublicain(m.captured(2)); mois)
            return republicaine(m.captured(1).toInt(), mois, anRepublicain(m.captured(3)), t);
    if (const auto m = RepublicaineEnChiffres.match(t); m.hasMatch())
        return republicaine(m.captured(1).toInt(), m.captured(2).toInt(),
                            anRepublicain(m.captured(3)), t);
    // Julian: the date, then "julien" or "(julien)".
    static const QRegularExpression Julienne(
        QStringLiteral("^(.*\\S)\\s*\\(?\\s*(?:julien|calendrier julien|v\\.\\s*st\\.?)\\s*\\)?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const auto m = Julienne.match(t); m.hasMatch()) {
        const DateLue l = lireDate(m.captured(1));
        if (l.genre == DateLue::Genre::Exacte) return julienne(l.jour, l.mois, l.annee, t);
    }
    // A double year: "1699/00", "12/02/1699/00", the record keeping the later year.
    static const QRegularExpression AnneeDouble(
        QStringLiteral("^(?:(\\d{1,2})/(\\d{1,2})/)?(\\d{4})/(\\d{2})$"));
    if (const auto m = AnneeDouble.match(t); m.hasMatch()) {
        const int annee = m.captured(3).toInt();
        const int suivante = annee / 100 * 100 + m.captured(4).toInt() +
                             (m.captured(4).toInt() < annee % 100 ? 100 : 0);
        if (suivante != annee + 1) {
            d.valide = false;
            d.erreur = QStringLiteral("L'année double « %1 » doit nommer deux années qui se "
                                      "suivent, comme 1699/00.")
                           .arg(t);
            return d;
        }
        d.fiche = m.captured(1).isEmpty()
                      ? QStringLiteral("?\?/?\?/%1").arg(suivante)
                      : versFiche(m.captured(1).toInt(), m.captured(2).toInt(), suivante);
        d.gedcom = (m.captured(1).isEmpty()
                        ? QString()
                        : QStringLiteral("%1 %2 ")
                              .arg(m.captured(1).toInt())
                              .arg(QLatin1String(MoisGedcomAbreges[static_cast<std::size_t>(
                                  std::clamp(m.captured(2).toInt(), 1, 12) - 1)]))) +
                   QStringLiteral("%1/%2").arg(annee).arg(m.captured(4));
        d.enClair = t + QStringLiteral(" (année double)");
        return d;
    }
    // Words the record writes shorter.
    static const std::array<std::pair<const char*, const char*>, 8> Mots = {
        {{"^(?:avant|av\\.?)\\s+(\\d{4})$", "av. %1"},
         {"^(?:après|apres|ap\\.?)\\s+(\\d{4})$", "ap. %1"},
         {"^(?:vers|environ|env\\.?|ca\\.?|circa)\\s+(\\d{4})$", "vers %1"},
         {"^(?:depuis|dep\\.?|à partir de)\\s+(\\d{4})$", "dep. %1"},
         {"^(?:jusqu'en|jusqu’en|jusqu'à|jusq\\.?)\\s+(\\d{4})$", "jusq. %1"},
         {"^entre\\s+(\\d{4})\\s+et\\s+(\\d{4})$", "%1-%2"},
         {"^de\\s+(\\d{4})\\s+à\\s+(\\d{4})$", "%1..%2"},
         {"^estimée?\\s+(\\d{4})$", "est. %1"}}};
    for (const auto& [motif, forme] : Mots) {
        const QRegularExpression e(QString::fromUtf8(motif),
                                   QRegularExpression::CaseInsensitiveOption);
        if (const auto m = e.match(t); m.hasMatch()) {
            QString f = QString::fromUtf8(forme).arg(m.captured(1));
            if (m.lastCapturedIndex() >= 2) f = f.arg(m.captured(2));
            d.fiche = f;
            return d;
        }
    }
    d.fiche = t;
    return d;
}

QString dateEntiereEnClair(const QString& gedcom) {
    const QString g = gedcom.simplified();
    static const QRegularExpression Republicaine(
        QStringLiteral("^@#DFRENCH R@\\s+(\\d{1,2})\\s+([A-Z]{4})\\s+(\\d{1,2})$"));
    if (const auto m = Republicaine.match(g); m.hasMatch())
        for (std::size_t i = 0; i < MoisRepublicainsGedcom.size(); ++i)
            if (m.captured(2) == QLatin1String(MoisRepublicainsGedcom[i]))
                return republicaine(m.captured(1).toInt(), static_cast<int>(i) + 1,
                                    m.captured(3).toInt(), g)
                    .enClair;
    static const QRegularExpression Julienne(
        QStringLiteral("^@#DJULIAN@\\s+(\\d{1,2})\\s+([A-Z]{3})\\s+(\\d{1,4})$"));
    if (const auto m = Julienne.match(g); m.hasMatch())
        for (std::size_t i = 0; i < MoisGedcomAbreges.size(); ++i)
            if (m.captured(2) == QLatin1String(MoisGedcomAbreges[i]))
                return julienne(m.captured(1).toInt(), static_cast<int>(i) + 1,
                                m.captured(3).toInt(), g)
                    .enClair;
    static const QRegularExpression AnneeDouble(QStringLiteral("\\d{4}/\\d{2}$"));
    if (AnneeDouble.match(g).hasMatch()) return g + QStringLiteral(" (année double)");
    return {};
}
