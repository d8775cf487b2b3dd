#include "data/Verification.h"

#include "data/Recherches.h"
#include "data/Texte.h"

#include <QDate>
#include <QRegularExpression>

#include <vector>

bool dateLisible(const QString& date) {
    static const QRegularExpression calendrier(QStringLiteral("^(\\d{2})/(\\d{2})/(\\d{4})$"));
    const auto m = calendrier.match(date);
    if (m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt()).isValid();
    return !date.contains(u'/') && dateAcceptable(date);
}

namespace {

struct Resume {
    std::int32_t pere, mere;
};

QString qui(FichierEnregistrements& fichier, std::int32_t n) {
    TFiche f;
    fichier.positionner(n);
    fichier.lire(f);
    return QStringLiteral("fiche %1 (%2 %3)").arg(n).arg(f.Nom.texte(), f.Prenom.texte());
}

// A person is their own ancestor when walking up the father and mother links
// comes back to them. Each record is walked once: white, on the path, done.
void chercherCycles(const std::vector<Resume>& liens, FichierEnregistrements& fichier,
                    QStringList& rapport) {
    const auto nombre = static_cast<std::int32_t>(liens.size());
    std::vector<std::uint8_t> etat(liens.size(), 0); // 0 unseen, 1 on the path, 2 done
    struct Etape {
        std::int32_t n;
        int suivant; // 0 father, 1 mother, 2 finished
    };
    for (std::int32_t depart = 0; depart < nombre; ++depart) {
        if (etat[static_cast<std::size_t>(depart)]) continue;
        std::vector<Etape> pile{{depart, 0}};
        etat[static_cast<std::size_t>(depart)] = 1;
        while (!pile.empty()) {
            Etape& e = pile.back();
            if (e.suivant == 2) {
                etat[static_cast<std::size_t>(e.n)] = 2;
                pile.pop_back();
                continue;
            }
            const Resume& r = liens[static_cast<std::size_t>(e.n)];
            const std::int32_t parent = e.suivant++ == 0 ? r.pere : r.mere;
            if (parent < 0 || parent >= nombre || parent == e.n) continue;
            if (etat[static_cast<std::size_t>(parent)] == 1) {
                rapport << QStringLiteral("Cycle : %1 est son propre ancêtre.")
                               .arg(qui(fichier, parent));
            } else if (etat[static_cast<std::size_t>(parent)] == 0) {
                etat[static_cast<std::size_t>(parent)] = 1;
                pile.push_back({parent, 0});
            }
        }
    }
}

} // namespace

QStringList verifierFichier(FichierEnregistrements& fichier) {
    QStringList rapport;
    const std::int64_t nombre = fichier.nombreFiches();
    std::vector<Resume> liens(static_cast<std::size_t>(nombre));
    struct Enfant {
        std::int32_t parent, enfant;
    };
    std::vector<Enfant> aVerifier;
    auto hors = [&](std::int32_t v) { return v < -1 || v >= nombre; };
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        liens[static_cast<std::size_t>(n)] = {f.Pere, f.Mere};
        const QString nom =
            QStringLiteral("fiche %1 (%2 %3)").arg(n).arg(f.Nom.texte(), f.Prenom.texte());
        auto lienDouteux = [&](std::int32_t v, const QString& role) {
            if (hors(v))
                rapport << QStringLiteral(
                               "Lien hors du fichier : %1 a pour %2 la fiche %3, qui n'existe pas.")
                               .arg(nom, role)
                               .arg(v);
            else if (v == n)
                rapport << QStringLiteral("Lien vers elle-même : %1 se désigne comme %2.")
                               .arg(nom, role);
        };
        lienDouteux(f.Pere, QStringLiteral("père"));
        lienDouteux(f.Mere, QStringLiteral("mère"));
        int dernierRempli = 0;
        for (int s = 0; s < NbEmplacementsEnfants; ++s) {
            const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
            if (v == -1) continue;
            dernierRempli = s + 1;
            lienDouteux(v, QStringLiteral("enfant de rang %1").arg(s + 1));
            if (!hors(v) && v != n) aVerifier.push_back({n, v});
            for (int autre = 0; autre < s; ++autre)
                if (f.Enfants[static_cast<std::size_t>(autre)] == v)
                    rapport << QStringLiteral(
                                   "Enfant en double : %1 a la fiche %2 aux rangs %3 et %4.")
                                   .arg(nom)
                                   .arg(v)
                                   .arg(autre + 1)
                                   .arg(s + 1);
        }
        if (f.NbEnfants < dernierRempli)
            rapport << QStringLiteral("Nombre d'enfants trop petit : %1 déclare %2 enfant(s) mais "
                                      "en a un au rang %3.")
                           .arg(nom)
                           .arg(f.NbEnfants)
                           .arg(dernierRempli);
        const std::pair<QString, QString> dates[] = {
            {QStringLiteral("de naissance"), f.DateNaissance.texte()},
            {QStringLiteral("de mariage"), f.DateMariage.texte()},
            {QStringLiteral("de décès"), f.DateDeces.texte()}};
        for (const auto& [quoi, date] : dates)
            if (!date.isEmpty() && !dateLisible(date))
                rapport << QStringLiteral("Date illisible : la date %1 de la %2 est « %3 ».")
                               .arg(quoi, nom, date);
        return true;
    });
    for (const Enfant& e : aVerifier) {
        const Resume& r = liens[static_cast<std::size_t>(e.enfant)];
        if (r.pere != e.parent && r.mere != e.parent)
            rapport << QStringLiteral("Lien à sens unique : %1 compte parmi ses enfants la %2, qui "
                                      "ne la nomme ni père ni mère.")
                           .arg(qui(fichier, e.parent), qui(fichier, e.enfant));
    }
    chercherCycles(liens, fichier, rapport);
    return rapport;
}
