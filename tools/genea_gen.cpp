// Writes a generated genealogy file: genea_gen RECORDS SEED FILE
#include "data/fichier/Erreurs.h"
#include "tools/Generateur.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool nombreLu = false, graineLue = false;
    ParametresGeneration p;
    if (arguments.size() == 4) {
        p.nombre = arguments[1].toLongLong(&nombreLu);
        p.graine = arguments[2].toULongLong(&graineLue);
    }
    if (!nombreLu || !graineLue || p.nombre < 0) {
        std::fprintf(stderr, "usage : genea_gen NOMBRE_DE_FICHES GRAINE FICHIER\n");
        return 2;
    }
    try {
        genererFichier(p, arguments[3]);
    } catch (const ErreurVelmoris& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
