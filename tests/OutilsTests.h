#pragma once

#include "app/Demarrage.h"
#include "data/fichier/TFiche.h"
#include "tests/DialoguesScriptes.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class TForm1;

// A fresh temporary folder that is the working directory for the test's life.
class RepertoireDeTravail {
public:
    RepertoireDeTravail();
    ~RepertoireDeTravail();
    QString chemin(const QString& nom) const;
    const QString& racine() const { return m_racine; }

private:
    QTemporaryDir m_dossier;
    QString m_racine;
    QString m_ancien;
};

// A person with no link, as a test writes it.
TFiche personne(const QString& nom, const QString& prenom = {}, int qualite = 0,
                const QString& naissance = {});

// Makes `enfant` the child of `pere` and `mere` (-1 for none), entered at
// the next child slot of each parent.
void lier(std::vector<TFiche>& fiches, int enfant, int pere, int mere);

void ecrireFichier(const QString& chemin, const std::vector<TFiche>& fiches);
std::vector<TFiche> lireFichier(const QString& chemin);
QByteArray octetsDe(const QString& chemin);
// A document saved as PDF, as its text reads, blanks simplified.
QString texteDuPdf(const QString& chemin);
void ecrireOctets(const QString& chemin, const QByteArray& octets);
// A genealogy file and its companion store made from a GEDCOM text, as an
// import into a new file makes them; and the file exported with its store.
void importerAvecComplements(const QByteArray& gedcom, const QString& fic);
QByteArray exporterAvecComplements(const QString& fic);
// The 380 bytes of one record as the codec writes them.
QByteArray octetsFiche(const TFiche& fiche);

// A JPEG file of our own, made with libjpeg: colour or grey, baseline or progressive.
QByteArray jpegDeTest(int largeur, int hauteur, bool gris = false, bool progressif = false);
QByteArray bmpDeTest(int largeur, int hauteur);

// The five windows over scripted dialogs, started in the current directory.
struct Session {
    explicit Session(Dialogues& dialogues,
                     std::unique_ptr<FichierEnregistrements> fichier = nullptr);
    ~Session();
    std::unique_ptr<Fenetres> fenetres;
    TForm1& form;

private:
    static TForm1& creer(Dialogues& dialogues, std::unique_ptr<Fenetres>& fenetres,
                         std::unique_ptr<FichierEnregistrements> fichier);
};
