#include "tests/DialoguesScriptes.h"

#include "data/fichier/Erreurs.h"

#include <QDialog>

namespace {

QString nomGenre(DialoguesScriptes::Genre genre) {
    using G = DialoguesScriptes::Genre;
    switch (genre) {
    case G::Message:
        return QStringLiteral("Message");
    case G::Avertissement:
        return QStringLiteral("Avertissement");
    case G::Attention:
        return QStringLiteral("ATTENTION");
    case G::Erreur:
        return QStringLiteral("Erreur");
    case G::Ouvrir:
        return QStringLiteral("Ouvrir");
    case G::Enregistrer:
        return QStringLiteral("Enregistrer");
    case G::Saisie:
        return QStringLiteral("Saisie");
    case G::Modal:
        return QStringLiteral("Modal");
    case G::Imprimante:
        return QStringLiteral("Imprimante");
    case G::Choix:
        return QStringLiteral("Choix");
    case G::Confirmation:
        return QStringLiteral("Confirmation");
    }
    return {};
}

} // namespace

DialoguesScriptes& DialoguesScriptes::attendre(Genre genre, const QString& texte) {
    m_attentes.push_back({genre, texte, false, std::nullopt, {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreQuestion(const QString& texte, bool oui) {
    m_attentes.push_back({Genre::Avertissement, texte, oui, std::nullopt, {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreQuestionAnnulee(const QString& texte) {
    Attente attente{Genre::Avertissement, texte, false, std::nullopt, {}};
    attente.annuler = true;
    m_attentes.push_back(std::move(attente));
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreConfirmation(const QString& texte, bool oui) {
    m_attentes.push_back({Genre::Confirmation, texte, oui, std::nullopt, {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreApercuEnregistreEnPdf() {
    Attente attente{
        Genre::Modal, QStringLiteral("Aperçu avant impression"), false, std::nullopt, {}};
    attente.pdf = true;
    m_attentes.push_back(std::move(attente));
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreAttention(const QString& texte, bool oui) {
    m_attentes.push_back({Genre::Attention, texte, oui, std::nullopt, {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreChoix(const QString& texte, int bouton) {
    Attente attente{Genre::Choix, texte, false, std::nullopt, {}};
    attente.bouton = bouton;
    m_attentes.push_back(std::move(attente));
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreOuverture(std::optional<QString> chemin) {
    m_attentes.push_back({Genre::Ouvrir, {}, false, std::move(chemin), {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreEnregistrement(std::optional<QString> chemin) {
    m_attentes.push_back({Genre::Enregistrer, {}, false, std::move(chemin), {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreSaisie(const QString& question,
                                                     std::optional<QString> reponse) {
    m_attentes.push_back({Genre::Saisie, question, false, std::move(reponse), {}});
    return *this;
}

DialoguesScriptes& DialoguesScriptes::attendreModal(std::function<bool(QDialog&)> action) {
    m_attentes.push_back({Genre::Modal, {}, false, std::nullopt, std::move(action)});
    return *this;
}

std::optional<DialoguesScriptes::Attente> DialoguesScriptes::prendre(Genre genre,
                                                                     const QString& texte) {
    m_journal << nomGenre(genre) + QStringLiteral(": ") + texte;
    if (m_attentes.empty() || m_attentes.front().genre != genre) {
        m_fautes << QStringLiteral("boîte inattendue : ") + m_journal.back() +
                        (m_attentes.empty()
                             ? QString()
                             : QStringLiteral(" (attendu : ") + nomGenre(m_attentes.front().genre) +
                                   QStringLiteral(": ") + m_attentes.front().texte + u')');
        return std::nullopt;
    }
    Attente attente = std::move(m_attentes.front());
    m_attentes.pop_front();
    if (!attente.texte.isNull() && genre != Genre::Ouvrir && genre != Genre::Enregistrer &&
        genre != Genre::Modal && attente.texte != texte)
        m_fautes << QStringLiteral("texte différent : « %1 » au lieu de « %2 »")
                        .arg(texte, attente.texte);
    return attente;
}

void DialoguesScriptes::message(const QString& texte) {
    prendre(Genre::Message, texte);
}

bool DialoguesScriptes::questionAvertissement(const QString& texte) {
    const auto attente = prendre(Genre::Avertissement, texte);
    if (attente && attente->annuler)
        m_fautes << QStringLiteral("pas de bouton Annuler dans : ") + texte;
    return attente && attente->oui;
}

Dialogues::Reponse DialoguesScriptes::questionAvecAnnulation(const QString& texte) {
    const auto attente = prendre(Genre::Avertissement, texte);
    if (!attente) return Reponse::Non;
    if (attente->annuler) return Reponse::Annuler;
    return attente->oui ? Reponse::Oui : Reponse::Non;
}

bool DialoguesScriptes::confirmer(const QString& texte) {
    const auto attente = prendre(Genre::Confirmation, texte);
    return attente && attente->oui;
}

void DialoguesScriptes::apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                               const std::function<void()>& enregistrerPdf) {
    const auto attente = prendre(Genre::Modal, QStringLiteral("Aperçu avant impression"));
    peindre(imprimante);
    if (attente && attente->pdf) enregistrerPdf();
}

bool DialoguesScriptes::questionAttention(const QString& texte) {
    const auto attente = prendre(Genre::Attention, texte);
    return attente && attente->oui;
}

int DialoguesScriptes::choix(const QString& texte, const QStringList&) {
    const auto attente = prendre(Genre::Choix, texte);
    return attente ? attente->bouton : -1;
}

void DialoguesScriptes::erreur(const QString& texte) {
    prendre(Genre::Erreur, texte);
}

std::optional<QString> DialoguesScriptes::ouvrirFichier(const ParametresDialogueFichier& p) {
    m_derniersParametres = p;
    const auto attente = prendre(Genre::Ouvrir, p.titre);
    return attente ? attente->reponse : std::nullopt;
}

std::optional<QString> DialoguesScriptes::enregistrerFichier(const ParametresDialogueFichier& p) {
    m_derniersParametres = p;
    const auto attente = prendre(Genre::Enregistrer, p.titre);
    return attente ? attente->reponse : std::nullopt;
}

QString DialoguesScriptes::saisie(const QString& titre, const QString& question,
                                  const QString& defaut) {
    m_derniersParametres.titre = titre;
    const auto attente = prendre(Genre::Saisie, question);
    return attente && attente->reponse ? *attente->reponse : defaut;
}

bool DialoguesScriptes::executerModal(QDialog& dialogue) {
    const auto attente = prendre(Genre::Modal, dialogue.windowTitle());
    if (!attente || !attente->action) return false;
    return attente->action(dialogue);
}

void DialoguesScriptes::configurerImprimante(QPrinter&) {
    prendre(Genre::Imprimante, {});
}

void DialoguesScriptes::afficherSommaireAide(const QString& fichierAide) {
    aides << fichierAide;
    if (!visionneuseAide)
        throw ErreurVelmoris(QStringLiteral("Impossible de trouver une table des matières"));
}
