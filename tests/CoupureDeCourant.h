#pragma once

#include "data/fichier/FichiersSurs.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <set>
#include <vector>

#include <sys/types.h>

// What a disk keeps when the power goes: the bytes of a file as they were at
// its last sync, and the names of a folder as they were at its last sync,
// plus any of the renames and removals made since (they reach the disk in
// no set order). A write cut short leaves a file half old and half new,
// sector by sector.
struct EtatDisque {
    std::map<ino_t, QByteArray> fichiers;
    std::map<ino_t, std::map<QString, ino_t>> dossiers;
    bool operator<(const EtatDisque& autre) const;
};

// Watches a folder while commands run (its own syncs, renames and removals,
// and the companion store's, through an SQLite file layer of its own), and
// gives every state a power cut could have left it in.
class CoupureDeCourant : public ObservateurDisque {
public:
    explicit CoupureDeCourant(const QString& racine);
    ~CoupureDeCourant() override;
    CoupureDeCourant(const CoupureDeCourant&) = delete;
    CoupureDeCourant& operator=(const CoupureDeCourant&) = delete;

    // Stops watching: the commands are done. Then the states a cut could
    // have left, from before the first write to after the last.
    void arreter();
    std::vector<EtatDisque> etats() const { return {m_etats.begin(), m_etats.end()}; }
    // Writes a state into an empty folder, as the next start would find it.
    void restituer(const EtatDisque& etat, const QString& dossier) const;

    void fichierSynchronise(int fd) override;
    void dossierSynchronise(const QString& dossier) override;
    void avantDeRemplacer(const QString& chemin) override;
    // From the SQLite layer: a file synced, named by its path.
    void cheminSynchronise(const QString& chemin);

private:
    void photographier(ino_t dossier, const QString& chemin);
    std::map<QString, ino_t> lister(const QString& chemin);
    void noterLesCoupures();
    void ecrireDossier(ino_t dossier, const QString& chemin, const EtatDisque& etat) const;
    void garderEnVie(const QString& chemin);
    QString m_racine;
    ino_t m_inodeRacine = 0;
    EtatDisque m_durable;
    std::map<ino_t, QString> m_cheminsDossiers;
    std::set<ino_t> m_sontDesDossiers;
    std::set<EtatDisque> m_etats;
    std::vector<int> m_gardes; // replaced files kept open: their inodes are never reused
    bool m_actif = true;
};
