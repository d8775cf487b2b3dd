#pragma once

#include <QString>
#include <QStringList>

// The program's own settings, kept in the settings file beside the genealogy
// file's name, each in a section of its own, so that other programs reading
// [FICHIER] see nothing new there.
namespace preferences {

// The display size: "Automatique" (the screen's resolution decides) or a
// percentage, "100", "125", "150" or "200". Anything else reads as automatic.
QString lireTailleAffichage(const QString& cheminIni);
void ecrireTailleAffichage(const QString& cheminIni, const QString& taille);
const QStringList& taillesAffichage();
// The scale factor of a display size; 0 for automatic.
double facteurAffichage(const QString& taille);

// The most recent genealogy files first, at most four.
constexpr int NombreFichiersRecents = 4;
QStringList lireFichiersRecents(const QString& cheminIni);
void ecrireFichiersRecents(const QString& cheminIni, const QStringList& fichiers);
// The list with `chemin` first, once, cut to four.
QStringList avecRecent(QStringList fichiers, const QString& chemin);

} // namespace preferences
