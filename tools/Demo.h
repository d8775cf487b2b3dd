#pragma once

#include "data/fichier/TFiche.h"

#include <QString>

#include <vector>

// The demonstration family, kept as a readable text file, turned into records.
// Raises ErreurVelmoris with the line number when a line cannot be read.
std::vector<TFiche> lireFamilleDemo(const QString& source);
