#include "data/ComplementsFichier.h"

#include "data/Erreurs.h"
#include "data/FichiersSurs.h"
#include "data/OperationsFichier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString journalDe(const QString& base) {
    return base + QStringLiteral("-journal");
}

QString raisonES(const ErreurES& e) {
    QString raison = avecPointFinal(e.texte());
    raison.chop(1);
    return raison.toLower();
}

} // namespace

// ---------------------------------------------------------------- the open file's store

Complements* ComplementsOuverts::de(const QString& cheminFichier, bool creer) {
    if (cheminFichier != m_cheminFichier) {
        fermer();
        m_cheminFichier = cheminFichier;
    }
    if (m_base) return m_base.get();
    if (cheminFichier.isEmpty() || m_dejaAverti == cheminFichier) return nullptr;
    if (!creer && !Complements::existe(cheminFichier)) return nullptr;
    try {
        m_base = Complements::ouvrir(cheminFichier, creer);
    } catch (const ErreurComplements& e) {
        avertir(cheminFichier, e.texte());
        return nullptr;
    }
    return m_base.get();
}

bool ComplementsOuverts::ecrire(const QString& cheminFichier, bool creer,
                                const std::function<void(Complements&)>& ecriture) {
    Complements* base = de(cheminFichier, creer);
    if (!base) return false;
    try {
        if (base->lectureSeule())
            throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » ne peut pas "
                                                   "être modifié (lecture seule)")
                                        .arg(base->chemin()));
        ecriture(*base);
        return true;
    } catch (const ErreurComplements& e) {
        m_dejaAverti.clear();
        avertir(cheminFichier, e.texte());
        return false;
    }
}

EtapeComplements ComplementsOuverts::etape(const QString& cheminFichier, bool creer,
                                           std::function<void(Complements&)> ecriture) {
    Complements* base = de(cheminFichier, creer);
    if (!base) return {};
    if (base->lectureSeule()) {
        // Told once for the file; the records are written all the same.
        avertir(cheminFichier, QStringLiteral("Le fichier de compléments « %1 » ne peut pas être "
                                              "modifié (lecture seule)")
                                   .arg(base->chemin()));
        return {};
    }
    return [this, base, cheminFichier, ecriture = std::move(ecriture)](
               const std::function<void(const QByteArray&)>& avantValidation,
               QByteArray& retour) -> QByteArray {
        try {
            return base->enregistrerChangements([&] { ecriture(*base); }, avantValidation, retour);
        } catch (const ErreurComplements& e) {
            // The records stay written; the store is told and left as it was.
            retour.clear();
            m_dejaAverti.clear();
            avertir(cheminFichier, e.texte());
            return {};
        }
    };
}

void ComplementsOuverts::revenir(const QString& cheminFichier, const QByteArray& changements) {
    ecrire(cheminFichier, false, [&](Complements& c) { c.revenir(changements); });
}

void ComplementsOuverts::fermer() {
    m_base.reset();
    m_cheminFichier.clear();
}

void ComplementsOuverts::avertir(const QString& cheminFichier, const QString& message) {
    if (m_dejaAverti == cheminFichier) return;
    m_dejaAverti = cheminFichier;
    m_avertir(avecPointFinal(message) +
              QStringLiteral("\rLe fichier de généalogie est utilisé sans ses compléments : ses "
                             "fiches restent entières, rien n'y est perdu."));
}

// ---------------------------------------------------------------- imports

ComplementsDImport::ComplementsDImport(const QString& cheminFichier, bool ajout)
    : m_cheminFichier(cheminFichier), m_ajout(ajout) {
    if (!ajout || !Complements::existe(cheminFichier)) return;
    try {
        const auto base = Complements::ouvrir(cheminFichier, false);
        if (base->lectureSeule())
            throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » ne peut pas "
                                                   "être modifié (lecture seule)")
                                        .arg(base->chemin()));
        m_options.numeroImport = base->prochainImport();
    } catch (const ErreurComplements& e) {
        // The report then counts as lost what the store cannot take.
        m_options.complements = false;
        m_avertissement =
            avecPointFinal(e.texte()) +
            QStringLiteral(" Ce que les fiches ne peuvent pas tenir n'est pas gardé.");
    }
}

void ComplementsDImport::garder(const ComplementsImport& complements) {
    try {
        if (!m_ajout) ecarterComplementsOrphelins(m_cheminFichier);
        if (!m_options.complements || complements.vide()) return;
        Complements::ouvrir(m_cheminFichier, true)->ajouterImport(complements);
    } catch (const ErreurComplements& e) {
        m_avertissement = avecPointFinal(e.texte()) +
                          QStringLiteral(" Les personnes sont importées, mais ce que leurs fiches "
                                         "ne peuvent pas tenir n'est pas gardé.");
    }
}

namespace {

// Roughly what an import's entries weigh in the history when kept to be redone.
std::int64_t poidsDe(const ComplementsImport& c) {
    std::int64_t octets = 0;
    for (const EntreePersonne& p : c.personnes) {
        octets += static_cast<std::int64_t>(p.structures.size() + p.note.size() + 64);
        for (const EntreePersonne::Champ& ch : p.champs)
            octets += static_cast<std::int64_t>(ch.gedcom.size() + ch.ecrit.size());
    }
    for (const EntreeCouple& x : c.couples)
        octets += static_cast<std::int64_t>(x.gedcom.size() + 64 * (x.enfants.size() + 1));
    for (const EnregistrementComplement& e : c.enregistrements)
        octets += static_cast<std::int64_t>(e.gedcom.size() + e.xref.size());
    return octets;
}

} // namespace

EtapeComplements ComplementsDImport::etape(const ComplementsImport& complements) {
    if (!m_options.complements || complements.vide()) return {};
    return [this, &complements](const std::function<void(const QByteArray&)>& avantValidation,
                                QByteArray& retour) -> QByteArray {
        try {
            const auto base = Complements::ouvrir(m_cheminFichier, true);
            // Kept whole to be redone while it fits what the history keeps;
            // beyond, only a mark that takes it back.
            if (poidsDe(complements) <= ChangementGardeMax)
                return base->enregistrerChangements([&] { base->ajouterImport(complements); },
                                                    avantValidation, retour);
            retour = base->marqueAvantImport();
            avantValidation(retour);
            base->ajouterImport(complements);
        } catch (const ErreurComplements& e) {
            retour.clear();
            m_avertissement = avecPointFinal(e.texte()) +
                              QStringLiteral(" Les personnes sont importées, mais ce que leurs "
                                             "fiches ne peuvent pas tenir n'est pas gardé.");
        }
        return {};
    };
}

std::unique_ptr<Complements> complementsPourExporter(const QString& cheminFichier,
                                                     QString& avertissement) {
    if (!Complements::existe(cheminFichier)) return nullptr;
    try {
        return Complements::ouvrir(cheminFichier, false);
    } catch (const ErreurComplements& e) {
        avertissement = avecPointFinal(e.texte()) +
                        QStringLiteral(" L'export ne contient que ce que les fiches tiennent.");
        return nullptr;
    }
}

void verifierComplements(Complements& base, FichierEnregistrements& fichier,
                         RapportVerification& rapport) {
    const auto entrees = base.detachees(fichier.nombreFiches(), [&](std::int32_t n) {
        TFiche f;
        fichier.positionner(n);
        fichier.lire(f);
        return f;
    });
    for (const EntreeDetachee& e : entrees)
        rapport.ajouter(Probleme::ComplementDetache,
                        QStringLiteral("Compléments de %1, écrits pour la fiche %2 : %3 (Outils › "
                                       "Compléments détachés)")
                            .arg(empreinteLisible(e.empreinte))
                            .arg(e.fiche)
                            .arg(e.raison));
}

// ---------------------------------------------------------------- moving with the file

void copierComplements(const QString& source, const QString& cible) {
    const QString depuis = Complements::cheminPour(source), vers = Complements::cheminPour(cible);
    if (memeFichier(depuis, vers)) return;
    try {
        if (!QFileInfo(depuis).isFile()) {
            // The replaced file's store would otherwise pass for the copy's.
            for (const QString& chemin : {vers, journalDe(vers)})
                if (QFileInfo::exists(chemin) && !QFile::remove(chemin))
                    throw ErreurES(ErreurES::AccesRefuse);
            return;
        }
        // A write cut short by a crash is finished or undone by the engine first.
        if (QFileInfo::exists(journalDe(depuis))) try {
                Complements::ouvrir(source, false);
            } catch (const ErreurComplements&) {
                // Copied as it is: the copy is no worse than the original.
            }
        copierFichierEnSurete(depuis, vers, QStringLiteral("Le fichier de compléments"));
        QFile::remove(journalDe(vers));
    } catch (const ErreurES& e) {
        throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » n'a pas pu être "
                                               "copié en « %2 » : %3")
                                    .arg(depuis, vers, raisonES(e)));
    }
}

QString complementsACopier(const QString& source) {
    const QString chemin = Complements::cheminPour(source);
    if (!QFileInfo(chemin).isFile()) return {};
    if (QFileInfo::exists(journalDe(chemin))) try {
            Complements::ouvrir(source, false);
        } catch (const ErreurComplements&) {
            // Copied as it is: the copy is no worse than the original.
        }
    return chemin;
}

QString ecarterComplementsOrphelins(const QString& cheminFichier) {
    const QString chemin = Complements::cheminPour(cheminFichier);
    if (!QFileInfo::exists(chemin)) return {};
    const QFileInfo info(chemin);
    const QString base = info.dir().filePath(QFileInfo(cheminFichier).completeBaseName() +
                                             QStringLiteral(" - compléments (ancien"));
    QString ecarte = base + QStringLiteral(").sqlite");
    for (int n = 2; QFileInfo::exists(ecarte); ++n)
        ecarte = base + QStringLiteral(" %1).sqlite").arg(n);
    if (!QFile::rename(chemin, ecarte))
        throw ErreurComplements(QStringLiteral("Un ancien fichier de compléments « %1 » ne peut "
                                               "pas être mis de côté : le nouveau fichier de "
                                               "généalogie ne peut pas avoir les siens")
                                    .arg(chemin));
    if (QFileInfo::exists(journalDe(chemin))) QFile::rename(journalDe(chemin), journalDe(ecarte));
    return ecarte;
}
