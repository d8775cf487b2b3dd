#pragma once

#include "session/SaisieActe.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Saisir un acte": one act of a register typed at once, as it reads: its
// kind, date and place, the register (service d'archives, commune, type,
// années, cote, vue, n° d'acte, lien), then its persons by role, each found
// in the file or typed to be created, with the age, profession and
// residence the act gives them.
class TSaisieActe : public QDialog {
    Q_OBJECT
public:
    // A person found in the file: the record, its name, its sex.
    struct Trouvee {
        std::int32_t fiche = -1;
        QString nom, prenoms;
        bool homme = true;
    };
    // Asks for a person of the file for a role of the act as typed so far;
    // nothing when none is chosen.
    using Chercher = std::function<std::optional<Trouvee>(const Acte& acte, std::size_t role)>;

    TSaisieActe(const SourceDeLActe& derniereSource, Chercher chercher, QWidget* parent = nullptr);
    // The act as typed.
    Acte acte() const;
    // Opens on an act of that kind, its principal person the one given.
    void preparer(GenreActe genre, const std::optional<Trouvee>& principal);

    QComboBox* CbGenre = nullptr;
    QLineEdit* EDate = nullptr;
    QLabel* LDate = nullptr;
    QLineEdit* ELieu = nullptr;
    QLineEdit* EService = nullptr;
    QLineEdit* ECommune = nullptr;
    QComboBox* CbRegistre = nullptr;
    QLineEdit* EAnnees = nullptr;
    QLineEdit* ECote = nullptr;
    QLineEdit* EVue = nullptr;
    QLineEdit* ENumero = nullptr;
    QLineEdit* ELien = nullptr;
    QPushButton* BtEnregistrer = nullptr;
    QPushButton* BtAnnuler = nullptr;

    // The controls of one role's row.
    struct Ligne {
        QLabel* role = nullptr;
        QLineEdit* nom = nullptr;
        QLineEdit* prenoms = nullptr;
        QComboBox* sexe = nullptr; // for a role that does not say it
        QPushButton* chercher = nullptr;
        QPushButton* effacer = nullptr;
        QLineEdit* age = nullptr;
        QLineEdit* profession = nullptr;
        QLineEdit* residence = nullptr;
        std::int32_t fiche = -1;
    };
    const std::vector<Ligne>& lignes() const { return m_lignes; }
    // A role's row given a person of the file, as "Chercher…" does.
    void choisir(std::size_t ligne, const Trouvee& personne);

private:
    QWidget* creerActe();
    QWidget* creerSource(const SourceDeLActe& derniere);
    void remplirLesRoles();
    void effacer(std::size_t ligne);
    void montrerLaDate();
    Chercher m_chercher;
    QGridLayout* m_grille = nullptr;
    QWidget* m_personnes = nullptr;
    std::vector<Ligne> m_lignes;
};
