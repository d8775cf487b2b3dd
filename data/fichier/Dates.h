#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Dates as the record holds them, in ten characters, and as GEDCOM writes
// them. The record forms read naturally in French and go back to the same
// GEDCOM date:
//   "12/03/1890"  12 MAR 1890        "vers 1850"   ABT 1850
//   "??/03/1890"  MAR 1890           "est. 1850"   EST 1850
//   "??/??/1890"  1890               "calc. 1850"  CAL 1850
//   "av. 1900"    BEF 1900           "ap. 1800"    AFT 1800
//   "1850-1860"   BET 1850 AND 1860  "1850..1860"  FROM 1850 TO 1860
//   "dep. 1850"   FROM 1850          "jusq. 1860"  TO 1860
// Dates typed by hand are read as well ("ca. 1850", "3 mai 1890",
// "12.03.1890"); any other text ending in a year goes out as an
// interpreted date that keeps the text, and text without a year as a
// date phrase.

// What a date of the record says, whatever its form.
struct DateLue {
    enum class Genre {
        Vide,
        Exacte,    // day, month, year
        MoisAnnee, // month, year
        Annee,
        Environ,
        Estimee,
        Calculee,
        Avant,
        Apres,
        Entre,   // annee to annee2
        Periode, // from annee to annee2
        Depuis,
        Jusqua,
        AnneeSeule, // free text that ends in a year: the year is all that is known
        Texte,      // no year
    };
    Genre genre = Genre::Vide;
    int jour = 0;
    int mois = 0;
    int annee = 0;
    int annee2 = 0;

    bool aUneAnnee() const { return genre != Genre::Vide && genre != Genre::Texte; }
    // The year to sort and count by: the first year named.
    int anneeDeTri() const { return annee; }
};

DateLue lireDate(const QString& date);

// A date of the record in words: "12 mars 1836", "mars 1836", "vers 1850",
// "entre 1850 et 1860"; a text that reads as no date stays as it is.
QString dateEnClair(const QString& date);

// The same in a sentence, with its preposition: "le 12 mars 1836", "en
// mars 1836", "en 1836", "vers 1850".
QString phraseDeDate(const QString& dateEnClair);

// A key that sorts dates by year, month and day, whatever their form; -1
// for a date without a year.
std::int64_t cleDeTriDate(const QString& date);

// The GEDCOM date of a record's date; empty for an empty date.
QString dateGedcom(const QString& date);
// The same for the common record date, "12/03/1890", from its stored bytes,
// appended to `sortie`; false, writing nothing, for any other form.
bool ajouterDateGedcomExacte(const std::uint8_t* octets, int longueur, std::string& sortie);

// A GEDCOM date brought into the record.
struct DateImportee {
    enum class Ecart {
        Aucun,      // held as it is
        Precision,  // held less precisely (a day or a month dropped)
        Calendrier, // French Republican: converted to the Gregorian day
        Julien,     // Julian: day, month and year kept as written
        NonGardee,  // cannot be held: the field stays empty (another calendar, a long phrase)
    };
    // At most ten characters, and never a shorter text that would read as
    // another date: what cannot be held leaves it empty.
    QString fiche;
    Ecart ecart = Ecart::Aucun;
};

DateImportee dateDepuisGedcom(const QString& gedcom);
// The common GEDCOM forms, "5 MAY 1900", "MAY 1900" and "1900", read from
// their bytes without splitting or searching, as the import reads millions;
// nothing for any other form, or a day that never was.
std::optional<DateLue> dateGedcomCourante(std::string_view gedcom);
// The same forms as the record writes them, "05/05/1900", "??/05/1900" or
// "??/??/1900", in its ten characters.
bool ficheDeDateCourante(std::string_view gedcom, char (&fiche)[10]);

// The Gregorian date of a day of the French Republican calendar (month 13
// is the complementary days); invalid when the day does not exist.
struct JourGregorien {
    int jour = 0, mois = 0, annee = 0;
    bool valide() const { return annee != 0; }
};
JourGregorien depuisRepublicain(int jour, int mois, int an);
// The same for the Hebrew calendar, months numbered as GEDCOM does (TSH 1 …
// ADR 6, ADS 7 … ELL 13), by ICU's Hebrew calendar.
JourGregorien depuisHebreu(int jour, int mois, int an);
