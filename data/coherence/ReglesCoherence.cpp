// The rules of the consistency check. A rule fires only when the ranges of
// the dates compared break it whatever day they stand for.
#include "data/coherence/ReglesCoherence.h"

#include "data/complements/Complements.h"
#include "data/fichier/Dates.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <string_view>

namespace coherence {

namespace {

constexpr std::int64_t Ouvert = IntervalleDate::Illimite / 2;

int longueurDuMois(int mois, int annee, bool julien) {
    static const int jours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mois != 2) return jours[mois - 1];
    const bool bissextile =
        julien ? annee % 4 == 0 : (annee % 4 == 0 && (annee % 100 != 0 || annee % 400 == 0));
    return bissextile ? 29 : 28;
}

const QStringList MoisGedcom = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
const QStringList MoisRepublicains = {"VEND", "BRUM", "FRIM", "NIVO", "PLUV", "VENT", "GERM",
                                      "FLOR", "PRAI", "MESS", "THER", "FRUC", "COMP"};

// Why a Republican date ("12 VEND 4") never existed; empty when it did.
QString republicaineInexistante(int jour, int mois, int an) {
    if (an < 1 || an > 14) return QStringLiteral("l'an %1 n'est pas du calendrier").arg(an);
    const bool sextile = an == 3 || an == 7 || an == 11;
    const int longueur = mois == 13 ? (sextile ? 6 : 5) : 30;
    if (jour < 1 || jour > longueur)
        return mois == 13
                   ? QStringLiteral("l'an %1 a %2 jours complémentaires").arg(an).arg(longueur)
                   : QStringLiteral("les mois républicains ont 30 jours");
    if (an == 14 && (mois > 4 || (mois == 4 && jour > 10)))
        return QStringLiteral("le calendrier s'arrête le 10 nivôse an XIV");
    return {};
}

} // namespace

std::int64_t Verification::plusAnnees(std::int64_t jour, int annees) {
    if (jour <= -Ouvert || jour >= Ouvert) return jour;
    return QDate::fromJulianDay(jour).addYears(annees).toJulianDay();
}

QString Verification::enClair(const Jours& j) {
    if (!j.connu()) return QStringLiteral("?");
    if (j.premier <= -Ouvert)
        return QStringLiteral("avant %1").arg(QDate::fromJulianDay(j.dernier + 1).year());
    if (j.dernier >= Ouvert)
        return QStringLiteral("après %1").arg(QDate::fromJulianDay(j.premier - 1).year());
    int a1 = 0, m1 = 0, d1 = 0, a2 = 0, m2 = 0, d2 = 0;
    QDate::fromJulianDay(j.premier).getDate(&a1, &m1, &d1);
    QDate::fromJulianDay(j.dernier).getDate(&a2, &m2, &d2);
    // Written by hand: a check of a large file writes many of them.
    if (j.premier == j.dernier)
        return QStringLiteral("%1/%2/%3")
            .arg(d1, 2, 10, QLatin1Char('0'))
            .arg(m1, 2, 10, QLatin1Char('0'))
            .arg(a1, 4, 10, QLatin1Char('0'));
    if (a1 == a2) return QString::number(a1);
    return QStringLiteral("entre %1 et %2").arg(a1).arg(a2);
}

// ---- dates that never were
namespace {

bool chiffre(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// "12/03/1850", a day of the proleptic Gregorian calendar that France had,
// not after today: the days at once, and nothing to say. Anything else
// (another form, a day that never was) is 0.
std::int64_t jourSimple(const std::uint8_t* o, int longueur, std::int64_t aujourdhui) {
    if (longueur != 10 || o[2] != '/' || o[5] != '/') return 0;
    for (const int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!chiffre(o[i])) return 0;
    const int j = (o[0] - '0') * 10 + (o[1] - '0'), m = (o[3] - '0') * 10 + (o[4] - '0');
    const int a = (o[6] - '0') * 1000 + (o[7] - '0') * 100 + (o[8] - '0') * 10 + (o[9] - '0');
    if (a <= 1582) return 0; // the Julian calendar's days, and the days France skipped
    const QDate d(a, m, j);
    if (!d.isValid() || d.toJulianDay() > aujourdhui) return 0;
    return d.toJulianDay();
}

} // namespace

Jours Verification::joursDuChamp(std::int32_t n, const std::uint8_t* champ, const QString& quoi) {
    const int longueur = std::min<int>(champ[0], 10);
    if (longueur == 0) return {};
    if (const std::int64_t jour = jourSimple(champ + 1, longueur, m_aujourdhui))
        return {jour, jour};
    std::string octets(reinterpret_cast<const char*>(champ + 1),
                       static_cast<std::size_t>(longueur));
    const auto connue = m_datesDesFiches.find(octets);
    if (connue != m_datesDesFiches.end() && connue->second.sansConstat) return connue->second.jours;
    const QString texte = brut::texte<10>(champ);
    const std::size_t avant = m_constats.size();
    verifierUneDate(n, quoi, texte);
    if (connue != m_datesDesFiches.end()) return connue->second.jours;
    const IntervalleDate i = intervalleDe(texte);
    const DateDeFiche lue{{i.premier, i.dernier}, m_constats.size() == avant};
    if (m_datesDesFiches.size() < 200000) m_datesDesFiches.emplace(std::move(octets), lue);
    return lue.jours;
}

void Verification::verifierUneDate(std::int32_t n, const QString& quoi, const QString& date) {
    if (date.isEmpty()) return;
    static const QRegularExpression jma(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4})$"));
    if (const auto m = jma.match(date); m.hasMatch()) {
        const int j = m.captured(1).toInt(), mo = m.captured(2).toInt(), a = m.captured(3).toInt();
        if (mo < 1 || mo > 12 || j < 1 || j > longueurDuMois(mo, a, a < 1582))
            return signaler(
                n, "JOUR_INEXISTANT",
                QStringLiteral("%1 : la date de %2 %3 n'existe pas").arg(qui(n), quoi, date),
                date.toStdString());
        if (a == 1582 && mo == 12 && j >= 10 && j <= 19)
            signaler(n, "JOUR_SAUTE_EN_FRANCE",
                     QStringLiteral("%1 : la date de %2 %3 n'a pas existé en France, passée du 9 "
                                    "au 20 décembre 1582")
                         .arg(qui(n), quoi, date),
                     date.toStdString());
    }
    const DateLue lue = lireDate(date);
    if ((lue.genre == DateLue::Genre::Entre || lue.genre == DateLue::Genre::Periode) &&
        lue.annee > lue.annee2)
        signaler(n, "INTERVALLE_INVERSE",
                 QStringLiteral("%1 : la date de %2 « %3 » va de %4 à %5, à l'envers")
                     .arg(qui(n), quoi, date)
                     .arg(lue.annee)
                     .arg(lue.annee2),
                 date.toStdString());
    const IntervalleDate i = intervalleDe(lue);
    if (i.connu() && i.premier > m_aujourdhui && i.premier < Ouvert)
        signaler(n, "DATE_FUTURE",
                 QStringLiteral("%1 : la date de %2 %3 est dans l'avenir").arg(qui(n), quoi, date),
                 date.toStdString());
}

namespace {

// A Gregorian date of the common forms ("12 MAR 1850", "ABT MAR 1850",
// "BEF 1850") that did exist: nothing to say, at once. Any other form, or a
// day that never was, is for the whole reading.
bool dateGedcomSimple(std::string_view g) {
    static constexpr std::string_view Mois[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    std::string_view mots[4];
    int nombre = 0;
    for (std::size_t debut = 0; debut < g.size();) {
        const std::size_t fin = std::min(g.find(' ', debut), g.size());
        if (fin == debut || nombre == 4) return false;
        mots[nombre++] = g.substr(debut, fin - debut);
        debut = fin + 1;
    }
    int k = 0;
    if (nombre > 0 && (mots[0] == "ABT" || mots[0] == "BEF" || mots[0] == "AFT" ||
                       mots[0] == "EST" || mots[0] == "CAL"))
        k = 1;
    const int reste = nombre - k;
    if (reste < 1 || reste > 3) return false;
    const auto nombreDe = [](std::string_view m, std::size_t chiffres) {
        if (m.empty() || m.size() > chiffres) return -1;
        int v = 0;
        for (const char c : m) {
            if (c < '0' || c > '9') return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    const int annee = nombreDe(mots[nombre - 1], 4);
    if (annee < 1) return false;
    if (reste == 1) return true;
    const auto mois = std::find(std::begin(Mois), std::end(Mois), mots[nombre - 2]);
    if (mois == std::end(Mois)) return false;
    if (reste == 2) return true;
    const int jour = nombreDe(mots[k], 2);
    const int m = static_cast<int>(mois - std::begin(Mois)) + 1;
    return jour >= 1 && jour <= longueurDuMois(m, annee, false) &&
           !(annee == 1582 && m == 12 && jour >= 10 && jour <= 19);
}

} // namespace

void Verification::verifierUneDateGedcom(std::int32_t n, const std::string& etiquette,
                                         const std::string& gedcom) {
    if (dateGedcomSimple(gedcom)) return;
    // A file repeats its dates: one that existed is not read again.
    if (m_datesExistantes.count(gedcom)) return;
    const std::size_t avant = m_constats.size();
    verifierUneDateGedcomNeuve(n, libelleDEtiquette(etiquette).toLower(), gedcom);
    if (m_constats.size() == avant && m_datesExistantes.size() < 200000)
        m_datesExistantes.insert(gedcom);
}

void Verification::verifierUneDateGedcomNeuve(std::int32_t n, const QString& quoi,
                                              const std::string& gedcom) {
    const QString date = QString::fromStdString(gedcom).toUpper().simplified();
    const bool republicain = date.contains(QStringLiteral("@#DFRENCH R@"));
    const bool julien = date.contains(QStringLiteral("@#DJULIAN@"));
    const bool gregorien = !date.contains(u'@') || date.contains(QStringLiteral("@#DGREGORIAN@"));
    static const QRegularExpression jour(QStringLiteral("(\\d{1,2}) ([A-Z]{3,4}) (\\d{1,4})"));
    for (auto it = jour.globalMatch(date); it.hasNext();) {
        const auto m = it.next();
        const int j = m.captured(1).toInt(), a = m.captured(3).toInt();
        const QString mot = m.captured(2);
        QString pourquoi;
        if (republicain && MoisRepublicains.contains(mot)) {
            pourquoi =
                republicaineInexistante(j, static_cast<int>(MoisRepublicains.indexOf(mot)) + 1, a);
            if (!pourquoi.isEmpty())
                return signaler(n, "DATE_REPUBLICAINE_INEXISTANTE",
                                QStringLiteral("%1 : la date de %2 « %3 » n'a pas existé : %4")
                                    .arg(qui(n), quoi, dateGedcomEnClair(gedcom), pourquoi),
                                gedcom);
        } else if ((gregorien || julien) && MoisGedcom.contains(mot)) {
            const int mois = static_cast<int>(MoisGedcom.indexOf(mot)) + 1;
            if (j < 1 || j > longueurDuMois(mois, a, julien))
                return signaler(n, "JOUR_INEXISTANT",
                                QStringLiteral("%1 : la date de %2 « %3 » n'existe pas")
                                    .arg(qui(n), quoi, dateGedcomEnClair(gedcom)),
                                gedcom);
            if (gregorien && a == 1582 && mois == 12 && j >= 10 && j <= 19)
                signaler(
                    n, "JOUR_SAUTE_EN_FRANCE",
                    QStringLiteral("%1 : la date de %2 « %3 » n'a pas existé en France, passée "
                                   "du 9 au 20 décembre 1582")
                        .arg(qui(n), quoi, dateGedcomEnClair(gedcom)),
                    gedcom);
        }
    }
    static const QRegularExpression entre(QStringLiteral("^(?:BET (.+) AND|FROM (.+) TO) (.+)$"));
    static const QRegularExpression calendrier(QStringLiteral("@#D[^@]*@ ?"));
    const QString sansCalendrier = QString(date).remove(calendrier);
    if (const auto m = entre.match(sansCalendrier); m.hasMatch()) {
        const QString debut = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        const DateImportee a = dateDepuisGedcom(debut), b = dateDepuisGedcom(m.captured(3));
        const IntervalleDate ia = intervalleDe(a.fiche), ib = intervalleDe(b.fiche);
        if (ia.connu() && ib.connu() && ib.dernier < ia.premier)
            signaler(n, "INTERVALLE_INVERSE",
                     QStringLiteral("%1 : la date de %2 « %3 » va de %4 à %5, à l'envers")
                         .arg(qui(n), quoi, dateGedcomEnClair(gedcom), a.fiche, b.fiche),
                     gedcom);
    }
}

// ---- one person's own dates
void Verification::verifierLaPersonne(std::int32_t n, const std::uint8_t* fiche) {
    const Personne& p = m_personnes[static_cast<std::size_t>(n)];
    // The texts are made only for a finding: most persons have none.
    const auto ne = [&] { return brut::texte<10>(fiche + decalage::DateNaissance); };
    const auto mort = [&] { return brut::texte<10>(fiche + decalage::DateDeces); };
    const auto marie = [&] { return brut::texte<10>(fiche + decalage::DateMariage); };
    if (p.deces.avant(p.naissance))
        signaler(
            n, "NAISSANCE_APRES_DECES",
            QStringLiteral("%1 : né(e) le %2, après son décès le %3").arg(qui(n), ne(), mort()),
            valeurs({ne(), mort()}));
    if (p.mariage.avant(p.naissance))
        signaler(n, "MARIAGE_AVANT_NAISSANCE",
                 QStringLiteral("%1 : marié(e) le %2, avant sa naissance le %3")
                     .arg(qui(n), marie(), ne()),
                 valeurs({marie(), ne()}));
    if (p.deces.avant(p.mariage))
        signaler(n, "MARIAGE_APRES_DECES",
                 QStringLiteral("%1 : marié(e) le %2, après son décès le %3")
                     .arg(qui(n), marie(), mort()),
                 valeurs({marie(), mort()}));
    verifierLAgeAuMariage(n, p.mariage, marie);
    if (p.naissance.connu() && p.deces.connu()) {
        const int avertissement = m_seuils[Seuil::AgeDecesAvertissement];
        const int erreur = m_seuils[Seuil::AgeDecesErreur];
        const bool impossible = p.deces.premier > plusAnnees(p.naissance.dernier, erreur);
        if (impossible || p.deces.premier > plusAnnees(p.naissance.dernier, avertissement))
            signaler(n, impossible ? "AGE_AU_DECES_IMPOSSIBLE" : "AGE_AU_DECES_ELEVE",
                     QStringLiteral("%1 : décédé(e) le %2 à plus de %3 ans (né(e) le %4)")
                         .arg(qui(n), mort())
                         .arg(impossible ? erreur : avertissement)
                         .arg(ne()),
                     valeurs({ne(), mort()}));
    }
}

void Verification::verifierLAgeAuMariage(std::int32_t n, const Jours& mariage,
                                         const std::function<QString()>& date) {
    const Personne& p = m_personnes[static_cast<std::size_t>(n)];
    if (!p.naissance.connu() || !mariage.connu() || mariage.avant(p.naissance)) return;
    const int erreur = m_seuils[Seuil::AgeMinMariageErreur];
    const int jeune = m_seuils[Seuil::AgeMinMariageAvertissement];
    const int tardif = m_seuils[Seuil::AgeMaxMariageAvertissement];
    const auto plusTard = [&](int ans) {
        return mariage.dernier < plusAnnees(p.naissance.premier, ans);
    };
    const char* regle = plusTard(erreur)  ? "MARIAGE_TROP_JEUNE"
                        : plusTard(jeune) ? "MARIAGE_JEUNE"
                                          : nullptr;
    if (regle)
        signaler(n, regle,
                 QStringLiteral("%1 : marié(e) le %2 avant %3 ans (né(e) le %4)")
                     .arg(qui(n), date())
                     .arg(plusTard(erreur) ? erreur : jeune)
                     .arg(enClair(p.naissance)),
                 valeurs({date(), enClair(p.naissance)}));
    if (mariage.premier > plusAnnees(p.naissance.dernier, tardif))
        signaler(n, "MARIAGE_TARDIF",
                 QStringLiteral("%1 : marié(e) le %2 à plus de %3 ans (né(e) le %4)")
                     .arg(qui(n), date())
                     .arg(tardif)
                     .arg(enClair(p.naissance)),
                 valeurs({date(), enClair(p.naissance)}));
}

// ---- links to nowhere or to oneself
void Verification::verifierLesLiens(std::int32_t n, const std::uint8_t* fiche,
                                    std::int64_t nombre) {
    std::array<std::int32_t, 2 + NbEmplacementsEnfants> liens{};
    liens[0] = brut::entier(fiche + decalage::Pere);
    liens[1] = brut::entier(fiche + decalage::Mere);
    const int enfants = std::min<int>(fiche[decalage::NbEnfants], NbEmplacementsEnfants);
    for (int k = 0; k < enfants; ++k)
        liens[static_cast<std::size_t>(2 + k)] = brut::entier(fiche + decalage::Enfants + 4 * k);
    for (int k = 0; k < 2 + enfants; ++k) {
        const std::int32_t l = liens[static_cast<std::size_t>(k)];
        if (l == n)
            signaler(n, "LIEN_SUR_SOI",
                     QStringLiteral("%1 se désigne comme son propre parent ou enfant").arg(qui(n)),
                     std::to_string(l));
        else if (l < -1 || l >= nombre)
            signaler(
                n, "LIEN_VERS_FICHE_ABSENTE",
                QStringLiteral("%1 : lien vers la fiche %2, qui n'existe pas").arg(qui(n)).arg(l),
                std::to_string(l));
    }
}

// ---- the store's events
void Verification::evenementDuMagasin(const EvenementDate& e) {
    verifierUneDateGedcom(e.fiche, e.etiquette, e.date);
    Personne& p = m_personnes[static_cast<std::size_t>(e.fiche)];
    const Jours jours{e.debut, e.fin};
    if (!jours.connu()) return;
    const std::string& t = e.etiquette;
    // The record's own birth and death are its fields; what the store
    // details of them is checked with the record.
    if ((t == "BIRT" || t == "DEAT") && !e.champ.empty()) return;
    if (t == "BAPM" || t == "CHR") {
        if (!p.bapteme.connu() || jours.premier < p.bapteme.premier) p.bapteme = jours;
        return;
    }
    if (t == "BURI" || t == "CREM") {
        if (!p.inhumation.connu() || jours.premier < p.inhumation.premier) p.inhumation = jours;
        return;
    }
    const auto date = [&] { return dateGedcomEnClair(e.date); };
    if (jours.avant(p.naissance))
        signaler(e.fiche, "EVENEMENT_AVANT_NAISSANCE",
                 QStringLiteral("%1 : %2 le %3, avant sa naissance (%4)")
                     .arg(qui(e.fiche), libelleDEtiquette(t), date(), enClair(p.naissance)),
                 e.etiquette + '|' + e.date);
    // A will is proved, an estate settled, after the death.
    if (t != "PROB" && t != "WILL" && t != "BIRT" && t != "DEAT" && p.deces.avant(jours))
        signaler(e.fiche, "EVENEMENT_APRES_DECES",
                 QStringLiteral("%1 : %2 le %3, après son décès (%4)")
                     .arg(qui(e.fiche), libelleDEtiquette(t), date(), enClair(p.deces)),
                 e.etiquette + '|' + e.date);
}

void Verification::verifierBaptemeEtInhumation(std::int32_t n) {
    const Personne& p = m_personnes[static_cast<std::size_t>(n)];
    if (!p.bapteme.connu() && !p.inhumation.connu()) return;
    // The texts are made only for a finding: most persons have none.
    const auto b = [&] { return enClair(p.bapteme); };
    const auto i = [&] { return enClair(p.inhumation); };
    const auto ne = [&] { return enClair(p.naissance); };
    const auto mort = [&] { return enClair(p.deces); };
    if (p.bapteme.avant(p.naissance))
        signaler(n, "BAPTEME_AVANT_NAISSANCE",
                 QStringLiteral("%1 : baptisé(e) le %2, avant sa naissance le %3")
                     .arg(qui(n), b(), ne()),
                 valeurs({b(), ne()}));
    if (p.deces.avant(p.bapteme))
        signaler(
            n, "BAPTEME_APRES_DECES",
            QStringLiteral("%1 : baptisé(e) le %2, après son décès le %3").arg(qui(n), b(), mort()),
            valeurs({b(), mort()}));
    const int ans = m_seuils[Seuil::AnneesBapteme];
    if (p.bapteme.connu() && p.naissance.connu() &&
        p.bapteme.premier > plusAnnees(p.naissance.dernier, ans))
        signaler(n, "BAPTEME_TARDIF",
                 QStringLiteral("%1 : baptisé(e) le %2, plus de %3 ans après sa naissance le %4")
                     .arg(qui(n), b())
                     .arg(ans)
                     .arg(ne()),
                 valeurs({b(), ne()}));
    if (p.inhumation.avant(p.deces))
        signaler(
            n, "INHUMATION_AVANT_DECES",
            QStringLiteral("%1 : inhumé(e) le %2, avant son décès le %3").arg(qui(n), i(), mort()),
            valeurs({i(), mort()}));
    if (p.inhumation.avant(p.naissance))
        signaler(
            n, "INHUMATION_AVANT_NAISSANCE",
            QStringLiteral("%1 : inhumé(e) le %2, avant sa naissance le %3").arg(qui(n), i(), ne()),
            valeurs({i(), ne()}));
    const int jours = m_seuils[Seuil::JoursInhumation];
    if (p.inhumation.connu() && p.deces.connu() && p.inhumation.premier > p.deces.dernier + jours)
        signaler(n, "INHUMATION_TARDIVE",
                 QStringLiteral("%1 : inhumé(e) le %2, plus de %3 jours après son décès le %4")
                     .arg(qui(n), i())
                     .arg(jours)
                     .arg(mort()),
                 valeurs({i(), mort()}));
}

// A child of a union by birth, whose record names other parents.
void Verification::enfantDuMagasin(const UnionDatee& u) {
    const Personne* e = personne(u.enfant);
    if (!e) return;
    for (const auto& [parent, nomme, role] :
         {std::tuple{u.mari, e->pere, "père"}, std::tuple{u.femme, e->mere, "mère"}})
        if (parent >= 0 && nomme >= 0 && nomme != parent)
            signaler(u.enfant, "ENFANTS_EN_DESACCORD",
                     QStringLiteral("%1 : enfant de %2 selon les compléments, mais sa fiche lui "
                                    "donne pour %3 %4")
                         .arg(qui(u.enfant), qui(parent), QString::fromUtf8(role), qui(nomme)),
                     std::to_string(parent) + '|' + std::to_string(nomme));
}

} // namespace coherence
