#pragma once

#include "data/fichier/TFiche.h"

#include <QString>

#include <cstdint>
#include <functional>

// Realistic genealogy files for tests and benchmarks: French names, places
// and occupations, families over generations with parents, children at their
// ranks and shared marriage dates, some free-text dates, some portraits and a
// few dangling links. The same count and seed always give the same bytes.
struct ParametresGeneration {
    std::int64_t nombre = 1000;
    std::uint64_t graine = 1;
};

// Hands each record over in record order. Memory stays bounded whatever the count.
void genererFiches(const ParametresGeneration& parametres,
                   const std::function<void(const TFiche&)>& recevoir);

// Writes the generated records to a file; raises ErreurES on failure.
void genererFichier(const ParametresGeneration& parametres, const QString& chemin);
