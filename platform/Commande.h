#pragma once

#include <functional>

class Dialogues;

// Runs one command. Any error it raises stops it there and is shown in the
// general error box; nothing escapes to the event loop.
void executerCommande(Dialogues& dialogues, const std::function<void()>& commande);
