#pragma once

#include <QString>

// The companion store's file, moved, copied and set aside with its
// genealogy file, whole or not at all.

// "Enregistrer sous": the store of `source` copied beside `cible`, whole or
// not at all. The store of the file replaced goes with it; a source without
// a store leaves none at the target.
void copierComplements(const QString& source, const QString& cible);

// The store a copy of `source` takes with it, settled first (a write a crash
// cut short is finished or undone by the engine); empty when it has none.
QString complementsACopier(const QString& source);

// A store left beside a genealogy file that no longer exists (the file was
// deleted by hand) is moved aside before a new file of that name gets its
// own: "FAMILLE - compléments (ancien).sqlite". Returns its new path, or
// empty when there was none.
QString ecarterComplementsOrphelins(const QString& cheminFichier);
