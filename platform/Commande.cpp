#include "platform/Commande.h"

#include "data/fichier/Erreurs.h"
#include "platform/Dialogues.h"

#include <new>

void executerCommande(Dialogues& dialogues, const std::function<void()>& commande) {
    try {
        commande();
    } catch (const ErreurVelmoris& e) {
        dialogues.erreur(avecPointFinal(e.texte()));
    } catch (const std::bad_alloc&) {
        dialogues.erreur(QStringLiteral("Mémoire insuffisante."));
    } catch (const std::exception& e) {
        dialogues.erreur(avecPointFinal(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        dialogues.erreur(QStringLiteral("Erreur inattendue."));
    }
}
