#pragma once

// The consistency check of a genealogy: the dates of each person against
// one another, parents against their children, spouses and unions,
// families, the links between records, and dates that never existed — in
// the records and in the events of the companion store. Each finding names
// its rule (a stable identifier), its severity, the persons and the dates,
// and the values it compared, by which a finding the user dismissed is
// recognised until they change.
//
// Dates are compared by their ranges: "vers 1800" is any day from 1790 to
// 1810, and a rule fires only when every day of one range breaks it against
// every day of the other, so that an approximate date never raises a false
// alarm.

#include "data/fichier/FichierGenea.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Complements;
struct ConstatIgnore;

enum class Gravite { Erreur, Avertissement };
QString nomDeGravite(Gravite gravite); // "erreur", "avertissement"

// The thresholds a careful genealogist sets; kept in the settings file, in
// French, section [COHERENCE].
enum class Seuil {
    AgeMinMereErreur,
    AgeMinMereAvertissement,
    AgeMaxMereAvertissement,
    AgeMaxMereErreur,
    AgeMinPereErreur,
    AgeMinPereAvertissement,
    AgeMaxPereAvertissement,
    AgeMaxPereErreur,
    JoursPereDecedeAvantNaissance,
    AgeMinMariageErreur,
    AgeMinMariageAvertissement,
    AgeMaxMariageAvertissement,
    EcartAgeEpoux,
    AgeDecesAvertissement,
    AgeDecesErreur,
    JoursEntreEnfants,
    AnneesEntreEnfants,
    NombreEnfants,
    JoursJumeaux,
    JoursInhumation,
    AnneesBapteme,
    Nombre
};
struct DescriptionSeuil {
    const char* cle;   // the settings key: "AgeMinimumMereErreur"
    const char* texte; // in French, for the window and the manual
    int parDefaut;
};
const DescriptionSeuil& descriptionDe(Seuil seuil);

class Seuils {
public:
    Seuils(); // the defaults
    int operator[](Seuil s) const;
    void definir(Seuil s, int valeur) { m_valeurs[static_cast<std::size_t>(s)] = valeur; }
    // The thresholds a rule read since the last reset: the test that every
    // threshold is used.
    const std::vector<bool>& lus() const { return m_lus; }
    void oublierLesLectures() { m_lus.assign(m_lus.size(), false); }

private:
    std::array<int, static_cast<std::size_t>(Seuil::Nombre)> m_valeurs{};
    mutable std::vector<bool> m_lus;
};
// Read from [COHERENCE], a value missing or not a number left at its default.
Seuils lireSeuils(const QString& cheminIni);
void ecrireSeuils(const QString& cheminIni, const Seuils& seuils);

// A rule: its identifier, severity and what it checks, in French.
struct Regle {
    const char* id;
    Gravite gravite;
    const char* description;
};
const std::vector<Regle>& reglesDeCoherence();
const Regle& regleDe(const char* id);

struct Constat {
    std::int32_t fiche = -1;
    const char* regle = ""; // a rule identifier, static
    Gravite gravite = Gravite::Avertissement;
    QString message;
    std::string valeurs;   // what was compared: the same values, the same finding
    std::string empreinte; // of the record, the person it was found on
};

// Checks the whole file, and the store when there is one; `constat` gets
// each finding, by batches of many, each batch in record order.
void verifierCoherence(FichierEnregistrements& fichier, Complements* complements,
                       const Seuils& seuils, const std::function<void(Constat&&)>& constat);

// Whether the user dismissed this finding, on this person, for these values.
bool estIgnore(const Constat& c, const std::vector<ConstatIgnore>& ignores);
