#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

#include <functional>
#include <optional>

class Dialogues;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextBrowser;

// What the whole file of a person shows, read again after each change.
struct ContenuFiche {
    QString titre; // "DUPONT Jean — fiche n° 3"
    VueComplements vue;
    std::vector<EntreePersonne::Champ> champs; // the record's fields, as the store details them
    std::vector<std::string> faits;            // every other structure, in order
    struct Union {
        std::int64_t id = 0;
        std::int32_t partenaire = -1; // the other partner's record, -1 unknown
        QString conjoint;             // "MARTIN Anne (n° 2)", or that the partner is unknown
        std::vector<std::string> faits;
        struct Enfant {
            std::int32_t fiche = -1;
            QString nom; // with its link when it is not a birth
        };
        std::vector<Enfant> enfants;
    };
    std::vector<Union> unions;
    std::vector<SourceConnue> sources;
    std::optional<bool> vivant; // marked living or dead by hand; none: as the dates say
    QString lectureSeule;       // why nothing can be changed, empty when it can
};

// What the window asks of the program; each change is one entry of the
// history, and returns what the window shows then (nothing when it could
// not be made, told already).
class ActionsFiche {
public:
    virtual ~ActionsFiche() = default;
    virtual std::optional<ContenuFiche>
    ecrireFaits(const QString& quoi, const std::vector<EntreePersonne::Champ>& champs,
                const std::vector<std::string>& faits) = 0;
    virtual std::optional<ContenuFiche>
    ecrireFaitsDUnion(const QString& quoi, std::size_t rang,
                      const std::vector<std::string>& faits) = 0;
    virtual std::optional<ContenuFiche> ajouterUnion() = 0;
    virtual std::optional<ContenuFiche> supprimerUnion(std::size_t rang) = 0;
    virtual std::optional<ContenuFiche> ajouterEnfant(std::size_t rang) = 0;
    virtual std::optional<ContenuFiche> retirerEnfant(std::size_t rang, std::int32_t enfant) = 0;
    // The person marked living (true) or dead (false), or as the dates say.
    virtual std::optional<ContenuFiche> marquerVie(std::optional<bool> vivant) = 0;
    // A new source, its title asked; its identifier.
    virtual std::optional<std::string> nouvelleSource() = 0;
};

// "Fiche complète": everything the file knows of a person, tab by tab —
// the summary and the user's note, names, events and facts, unions with
// their events and children, sources cited, notes, pictures and
// documents — each added, changed, deleted and put in order, a citation
// on any fact. Every change is written at once, and Édition › Annuler
// takes it back.
class TFicheComplete : public QDialog {
    Q_OBJECT
public:
    TFicheComplete(ContenuFiche contenu, Dialogues& dialogues, ActionsFiche* actions,
                   QWidget* parent = nullptr);
    QString note() const;
    bool noteModifiee() const;

    QTabWidget* Onglets = nullptr;
    QLabel* LPersonne = nullptr;
    QTextBrowser* Texte = nullptr;
    QLabel* LNote = nullptr;
    QPlainTextEdit* Note = nullptr;
    QComboBox* CbVie = nullptr; // living or dead, for what a publication hides
    QPushButton* BtEnregistrer = nullptr;
    QPushButton* BtFermer = nullptr;

    // A tab of facts: its list and its buttons.
    struct Liste {
        QListWidget* liste = nullptr;
        QPushButton *ajouter = nullptr, *modifier = nullptr, *supprimer = nullptr,
                    *monter = nullptr, *descendre = nullptr;
    };
    enum Categorie { Noms, Evenements, Sources, Notes, Medias, NombreDeCategories };
    Liste listes[NombreDeCategories];
    QListWidget* ListeUnions = nullptr;
    QPushButton *BtAjouterUnion = nullptr, *BtSupprimerUnion = nullptr;
    Liste evenementsUnion;
    QListWidget* EnfantsUnion = nullptr;
    QPushButton *BtAjouterEnfant = nullptr, *BtRetirerEnfant = nullptr;

    // The structures a tab lists; -1-k for the record's field k.
    static Categorie categorieDe(const std::string& structure);
    void recharger(const ContenuFiche& contenu);

private:
    QWidget* creerResume();
    QWidget* creerListe(Categorie categorie, const QString& ajout);
    QWidget* creerUnions();
    Liste boutonsDeListe(QWidget* parent, QListWidget* liste, const QString& ajout);
    void remplirListes();
    void remplirUnion();
    std::vector<int> indicesDe(Categorie categorie) const;
    int indiceChoisi(Categorie categorie) const;
    void ajouter(Categorie categorie);
    void modifier(Categorie categorie);
    void supprimer(Categorie categorie);
    void deplacer(Categorie categorie, int sens);
    void modifierUnion(int action);
    void appliquer(const std::optional<ContenuFiche>& contenu);
    void commande(const std::function<void()>& action);
    std::optional<std::string> editer(int pour, const std::string& origine, bool champ);
    QString nomDeLaPersonne() const;
    ContenuFiche m_contenu;
    Dialogues& m_dialogues;
    ActionsFiche* m_actions;
    QString m_noteInitiale;
};
