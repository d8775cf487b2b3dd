#pragma once

// Keys under which the spellings of one French name meet: accents, case
// and doubled letters aside; PH and F, B and V, C, K and QU, silent H,
// Y and I, AU, EAU and O, AI and E; the silent endings (-e, -s, -t, -d,
// -x, -ault); Lefebvre, Lefèvre and Lefebure one key. A surname loses its
// particle (de, du, d', des, de la); a given name's Latin form of the
// parish registers is its French one (Joannes is Jean).

#include <QString>
#include <QStringList>

QString clePhonetique(const QString& mot);

// The surname's key, its particle and blanks and hyphens left out.
QString cleDuNom(const QString& nom);

// Each given name's key, in order; an initial ("J." of "J.-Baptiste")
// stays one letter, which any given name starting with it matches.
QStringList clesDesPrenoms(const QString& prenoms);

// How far two lists of given names agree, from 0 (the first ones differ)
// to 1 (all the same): "Marie Thérèse" and "Marie-Thérèse" are 1, "Marie"
// and "Marie Thérèse" ½, "Jean-Baptiste" and "J.-Baptiste" 1.
double accordDesPrenoms(const QStringList& a, const QStringList& b);
