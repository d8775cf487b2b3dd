#include "data/fichier/CritereLieuDate.h"

#include "data/fichier/Texte.h"

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

bool lieuDans(const QString& lieu, const QString& cherche) {
    const QStringList voulu = partiesReduites(cherche);
    if (voulu.isEmpty()) return true;
    const QStringList parties = partiesReduites(lieu);
    for (qsizetype i = 0; i + voulu.size() <= parties.size(); ++i)
        if (std::equal(voulu.begin(), voulu.end(), parties.begin() + i)) return true;
    return false;
}
