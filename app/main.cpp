#include "app/Demarrage.h"
#include "forms/UVelmorS.h"
#include "platform/DialoguesQt.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    preparerApplication();
    DialoguesQt dialogues;
    Fenetres fenetres(dialogues, std::make_unique<FichierDisque>());
    dialogues.definirParent(&fenetres.principale());
    fenetres.principale().show();
    return application.exec();
}
