#pragma once

#include <QString>

// A date as the user types it on the entry form, beyond the record's own
// forms: "avant 1750", "après 1750", "entre 1750 et 1760", "1699/00", a
// French Republican date ("12 vendémiaire an IV", "12/01/an IV", "3 jour
// complémentaire an III"), a Julian one ("12/03/1700 julien"). The record
// gets what its ten characters can hold, as the GEDCOM import gives it; the
// whole date goes to the companion store.
struct DateSaisie {
    bool valide = true;
    QString erreur;     // in French, when the date does not exist
    QString fiche;      // what the record holds
    QString gedcom;     // the whole date, when the record cannot hold it all
    QString equivalent; // "4 octobre 1795", the Gregorian day of another calendar
    QString enClair;    // "12 vendémiaire an IV (républicain)", for the form
};

DateSaisie lireDateSaisie(const QString& texte);

// A GEDCOM date of another calendar or a double year, in French words with
// its Gregorian day: "12 vendémiaire an IV (4 octobre 1795)"; empty for a
// Gregorian date the record holds whole.
QString dateEntiereEnClair(const QString& gedcom);
