#pragma once

#include "data/complements/Complements.h"
#include "data/recherche/Verification.h"

// The file check: every companion entry that is detached, or whose record
// is past the end of the file or holds another person now.
void verifierComplements(Complements& base, FichierEnregistrements& fichier,
                         RapportVerification& rapport);
