#include "data/fichier/IntervalleDate.h"

#include <QDate>

namespace {

using Genre = DateLue::Genre;

std::int64_t jour(int annee, int mois, int jourDuMois) {
    const QDate d(annee, mois, jourDuMois);
    return d.isValid() ? d.toJulianDay() : QDate(annee, mois, 1).toJulianDay();
}

std::int64_t debutDAnnee(int annee) {
    return jour(annee, 1, 1);
}

std::int64_t finDAnnee(int annee) {
    return jour(annee, 12, 31);
}

IntervalleDate annees(int premiere, int derniere) {
    return {debutDAnnee(premiere), finDAnnee(derniere)};
}

} // namespace

IntervalleDate intervalleDe(const DateLue& d) {
    switch (d.genre) {
    case Genre::Vide:
    case Genre::Texte:
        return {};
    case Genre::Exacte: {
        const QDate exacte(d.annee, d.mois, d.jour);
        if (!exacte.isValid()) return {jour(d.annee, d.mois, 1), jour(d.annee, d.mois, 28) + 3};
        return {exacte.toJulianDay(), exacte.toJulianDay()};
    }
    case Genre::MoisAnnee: {
        const QDate debut(d.annee, d.mois, 1);
        if (!debut.isValid()) return annees(d.annee, d.annee);
        return {debut.toJulianDay(), debut.addMonths(1).toJulianDay() - 1};
    }
    case Genre::Annee:
    case Genre::AnneeSeule:
        return annees(d.annee, d.annee);
    case Genre::Environ:
    case Genre::Estimee:
    case Genre::Calculee:
        return annees(d.annee - AnneesDApproximation, d.annee + AnneesDApproximation);
    case Genre::Avant:
        return {-IntervalleDate::Illimite, debutDAnnee(d.annee) - 1};
    case Genre::Apres:
        return {finDAnnee(d.annee) + 1, IntervalleDate::Illimite};
    case Genre::Entre:
    case Genre::Periode:
        return d.annee2 >= d.annee ? annees(d.annee, d.annee2) : annees(d.annee2, d.annee);
    case Genre::Depuis:
        return {debutDAnnee(d.annee), IntervalleDate::Illimite};
    case Genre::Jusqua:
        return {-IntervalleDate::Illimite, finDAnnee(d.annee)};
    }
    return {};
}

IntervalleDate intervalleDe(const QString& date) {
    return intervalleDe(lireDate(date));
}

int premiereAnnee(const IntervalleDate& i) {
    return QDate::fromJulianDay(i.premier).year();
}

int derniereAnnee(const IntervalleDate& i) {
    return QDate::fromJulianDay(i.dernier).year();
}
