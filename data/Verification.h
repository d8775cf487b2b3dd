#pragma once

#include "data/FichierGenea.h"

#include <QStringList>

// Everything in a genealogy file that does not hold together, one French line
// each with the record numbers and names: links past the end or to the
// record itself, a child who does not name the parent that lists it, a person
// who is their own ancestor, a child in several slots, dates that do not read
// as dates, a declared number of children below the filled slots.
// Reads the file only; changes nothing.
QStringList verifierFichier(FichierEnregistrements& fichier);

// Whether a date text reads as a date: dd/mm/yyyy of the calendar, or a
// form with a year such as "vers 1850".
bool dateLisible(const QString& date);
