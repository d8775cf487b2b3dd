#pragma once

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierGenea.h"

#include <QStringList>

// The record file with a fault on demand: the n-th operation (open, create,
// seek, read, write, count, cut, close) fails with the chosen code before it
// does anything, as a refused access, a full disk or a read past the end would.
class FichierDefaillant : public FichierEnregistrements {
public:
    int echecA = 0; // the operation that fails, from 1; 0 for none
    int code = ErreurES::AccesRefuse;
    int operations = 0;  // operations seen so far
    bool echoue = false; // whether the fault was raised
    QStringList journal;

    void ouvrir(const QString& chemin) override {
        etape("ouvrir");
        m_disque.ouvrir(chemin);
    }
    void creer(const QString& chemin) override {
        etape("créer");
        m_disque.creer(chemin);
    }
    void positionner(std::int64_t n) override {
        etape("positionner");
        m_disque.positionner(n);
    }
    void lire(TFiche& fiche) override {
        etape("lire");
        m_disque.lire(fiche);
    }
    void ecrire(const TFiche& fiche) override {
        etape("écrire");
        m_disque.ecrire(fiche);
    }
    std::int64_t nombreFiches() override {
        etape("compter");
        return m_disque.nombreFiches();
    }
    void tronquer() override {
        etape("couper");
        m_disque.tronquer();
    }
    void fermer() override {
        if (!m_disque.estOuvert()) return;
        // A failed close still releases the handle, as the system does.
        try {
            etape("fermer");
        } catch (...) {
            m_disque.fermer();
            throw;
        }
        m_disque.fermer();
    }
    bool estOuvert() const override { return m_disque.estOuvert(); }
    std::int64_t lireBloc(std::int64_t premier, std::int64_t nombre, std::uint8_t* dest) override {
        etape("lire un bloc");
        return m_disque.lireBloc(premier, nombre, dest);
    }

private:
    void etape(const char* nom) {
        ++operations;
        journal << QString::fromUtf8(nom);
        if (operations == echecA) {
            echoue = true;
            throw ErreurES(code);
        }
    }
    FichierDisque m_disque;
};
