#pragma once

#include "data/fichier/IntervalleDate.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the index's search by place and date asks: a kind of event, a place
// with every place inside it ("Morlaix" finds the lieux-dits of Morlaix),
// and a range of years. An event matches when its place is inside the one
// sought and its date may fall in the years (an approximate date counts by
// its whole range).
struct CritereLieuDate {
    enum class Evenement {
        Tous,
        Naissance,
        Bapteme,
        Mariage,
        Deces,
        Inhumation,
        Residence,
        Recensement
    };
    QString lieu; // empty for any place
    Evenement evenement = Evenement::Tous;
    std::optional<int> depuis, jusqua; // years, both included

    bool vide() const { return lieu.trimmed().isEmpty() && !depuis && !jusqua; }
    // The days of the years asked; unbounded on a side not given.
    IntervalleDate jours() const;
    // Whether a date of the record's form may fall in the years.
    bool dateConvient(const QString& dateDeFiche) const;
};

// The kinds of events as the search offers them, in the enum's order.
QStringList nomsDesEvenementsCherches();

// The GEDCOM tags of a kind of event; empty for every kind.
std::vector<std::string> etiquettesDe(CritereLieuDate::Evenement evenement);

// Whether a place as written ("Kerozar, Morlaix, Finistère") is the place
// sought or inside it: one of its parts, accents and case aside, is that
// place's name (the sought place's own parts, when it gives several, in order).
class RechercheDeLieu {
public:
    explicit RechercheDeLieu(const QString& cherche);
    bool contient(const QString& lieu) const;
    bool contientUtf8(std::string_view lieu) const;
    bool toutLieu() const { return m_parties.isEmpty(); }

private:
    bool contientSelonLeTexte(const QString& lieu) const;
    bool partiesDans(std::string_view plie) const;
    QStringList m_parties;                  // reduced
    std::vector<std::string> m_partiesUtf8; // the same
    // Runs of letters every matching place holds, whatever their case and
    // accents: most places are told apart by them without reducing their text.
    std::vector<std::string> m_aiguilles;
};
bool lieuDans(const QString& lieu, const QString& cherche);
