// The consistency check in three walks: the records in blocks (each
// person's own dates and links, kept in a few bytes a person), the store's
// events and unions, then the records again (parents against children,
// families, links both ways). Findings name related persons by a mark that
// the last step replaces by their names.
#include "data/coherence/ReglesCoherence.h"

#include "data/complements/Complements.h"

#include <QDate>

#include <algorithm>

namespace coherence {

namespace {

constexpr std::int64_t TailleBloc = 4096;
constexpr std::size_t ConstatsParLot = 250000;

// The records `voulues` (sorted, without repeats) read and handed to
// `visiter` by their rank in `voulues`; a block none of them is in is not read.
void lireLesFiches(FichierEnregistrements& fichier, const std::vector<std::int32_t>& voulues,
                   const std::function<void(std::size_t, const TFiche&)>& visiter) {
    const std::int64_t nombre = fichier.nombreFiches();
    std::vector<std::uint8_t> bloc;
    TFiche f;
    for (std::size_t k = 0; k < voulues.size();) {
        if (voulues[k] < 0 || voulues[k] >= nombre) {
            ++k;
            continue;
        }
        const std::int64_t debut = voulues[k] / TailleBloc * TailleBloc;
        const std::int64_t n = std::min(TailleBloc, nombre - debut);
        bloc.resize(static_cast<std::size_t>(n * TailleFiche));
        const std::int64_t lues = fichier.lireBloc(debut, n, bloc.data());
        for (; k < voulues.size() && voulues[k] < debut + n; ++k) {
            if (voulues[k] >= debut + lues) continue;
            decoderFiche(bloc.data() + (voulues[k] - debut) * TailleFiche, f);
            visiter(k, f);
        }
    }
}

} // namespace

// ---- the first walk: each person alone, from the records' bytes
void Verification::lirePersonnes() {
    const std::int64_t nombre = m_fichier.nombreFiches();
    m_personnes.assign(static_cast<std::size_t>(nombre), {});
    parcourirBlocs(m_fichier, FichesParBloc,
                   [&](std::int64_t debut, const std::uint8_t* bloc, std::int64_t lues) {
                       for (std::int64_t i = 0; i < lues; ++i)
                           lirePersonne(static_cast<std::int32_t>(debut + i),
                                        bloc + i * TailleFiche, nombre);
                   });
}

void Verification::lirePersonne(std::int32_t n, const std::uint8_t* o, std::int64_t nombre) {
    using namespace decalage;
    Personne& p = m_personnes[static_cast<std::size_t>(n)];
    p.sexe = o[Qualite] == 0 ? 'M' : o[Qualite] <= 2 ? 'F' : '?';
    p.pere = brut::entier(o + Pere);
    p.mere = brut::entier(o + Mere);
    p.nbEnfants = o[NbEnfants];
    p.naissance = joursDuChamp(n, o + DateNaissance, QStringLiteral("naissance"));
    p.mariage = joursDuChamp(n, o + DateMariage, QStringLiteral("mariage"));
    p.deces = joursDuChamp(n, o + DateDeces, QStringLiteral("décès"));
    if (m_complements) p.empreinte = empreinteHacheeDesOctets(o);
    verifierLaPersonne(n, o);
    verifierLesLiens(n, o, nombre);
}

// ---- the second walk: the store's events and unions
void Verification::lireLeMagasin() {
    if (!m_complements) return;
    m_complements->parcourirEvenementsDates([&](const EvenementDate& e) {
        const Personne* p = personne(e.fiche);
        if (!p || p->empreinte != empreinteHachee(e.empreinte))
            return; // the record holds someone else
        evenementDuMagasin(e);
    });
    for (std::size_t n = 0; n < m_personnes.size(); ++n)
        verifierBaptemeEtInhumation(static_cast<std::int32_t>(n));
    m_complements->parcourirUnions([&](const UnionDatee& u) {
        if (u.id < 0) {
            const Personne* e = personne(u.enfant);
            if (e && e->empreinte == empreinteHachee(u.empreinteEnfant)) enfantDuMagasin(u);
            return;
        }
        const bool mari = u.mari >= 0 && personne(u.mari) &&
                          personne(u.mari)->empreinte == empreinteHachee(u.empreinteMari);
        const bool femme = u.femme >= 0 && personne(u.femme) &&
                           personne(u.femme)->empreinte == empreinteHachee(u.empreinteFemme);
        UnionConnue x{mari ? u.mari : -1, femme ? u.femme : -1, {}, {}, u.mariage.date};
        if (!u.mariage.date.empty()) x.mariage = {u.mariage.debut, u.mariage.fin};
        // A marriage the records hold is the one of the partner's first union.
        if (!x.mariage.connu() && mari && u.ordreMari == 0) x.mariage = personne(u.mari)->mariage;
        if (!x.mariage.connu() && femme && u.ordreFemme == 0)
            x.mariage = personne(u.femme)->mariage;
        if (!u.divorce.date.empty()) x.divorce = {u.divorce.debut, u.divorce.fin};
        if (x.mari >= 0 || x.femme >= 0) m_unions.push_back(std::move(x));
    });
}

// ---- the third walk: parents and children
void Verification::lireLesFamilles() {
    m_listes.assign(m_personnes.size(), 0);
    parcourirBlocs(m_fichier, FichesParBloc,
                   [&](std::int64_t debut, const std::uint8_t* bloc, std::int64_t lues) {
                       for (std::int64_t i = 0; i < lues; ++i) {
                           const auto n = static_cast<std::int32_t>(debut + i);
                           verifierLesParents(n);
                           verifierLaFratrie(n, bloc + i * TailleFiche);
                       }
                   });
    for (std::size_t n = 0; n < m_personnes.size(); ++n)
        verifierLaReciprocite(static_cast<std::int32_t>(n));
    verifierLesAncetres();
    // The couples the records prove (a shared child), their marriage as the
    // records hold it, beside the store's unions.
    std::unordered_map<std::uint64_t, bool> vus;
    for (const UnionConnue& u : m_unions)
        vus[static_cast<std::uint64_t>(static_cast<std::uint32_t>(u.mari)) << 32 |
            static_cast<std::uint32_t>(u.femme)] = true;
    for (const Personne& p : m_personnes) {
        if (p.pere < 0 || p.mere < 0 || !personne(p.pere) || !personne(p.mere)) continue;
        const std::uint64_t cle = static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.pere))
                                      << 32 |
                                  static_cast<std::uint32_t>(p.mere);
        if (vus.emplace(cle, true).second)
            m_unions.push_back({p.pere, p.mere, personne(p.pere)->mariage, {}, {}});
    }
    verifierLesUnions();
}

Verification::Verification(FichierEnregistrements& fichier, Complements* complements,
                           const Seuils& seuils)
    : m_fichier(fichier), m_complements(complements), m_seuils(seuils),
      m_aujourdhui(QDate::currentDate().toJulianDay()) {}

void Verification::signaler(std::int32_t fiche, const char* regle, QString message,
                            std::string valeurs) {
    Constat c;
    c.fiche = fiche;
    c.regle = regle;
    // The severity of each rule looked up once.
    auto gravite = m_gravites.find(regle);
    if (gravite == m_gravites.end())
        gravite = m_gravites.emplace(regle, regleDe(regle).gravite).first;
    c.gravite = gravite->second;
    c.message = std::move(message);
    c.valeurs = std::move(valeurs);
    m_constats.push_back(std::move(c));
    // Memory stays bounded whatever the file: the findings go out by batches.
    if (m_constats.size() >= ConstatsParLot && m_sortie) rendre(*m_sortie);
}

const Personne* Verification::personne(std::int32_t n) const {
    return n >= 0 && static_cast<std::size_t>(n) < m_personnes.size()
               ? &m_personnes[static_cast<std::size_t>(n)]
               : nullptr;
}

// "§12§" in a message is the person of record 12, by name.
void Verification::rendre(const std::function<void(Constat&&)>& constat) {
    // The walks find in record order, mostly: sorted only when needed.
    const auto parFiche = [](const Constat& a, const Constat& b) { return a.fiche < b.fiche; };
    if (!std::is_sorted(m_constats.begin(), m_constats.end(), parFiche))
        std::stable_sort(m_constats.begin(), m_constats.end(), parFiche);
    const auto marques = [](const QString& message, const auto& visiter) {
        for (qsizetype debut = message.indexOf(u'§'); debut >= 0;) {
            const qsizetype fin = message.indexOf(u'§', debut + 1);
            if (fin < 0) return;
            visiter(debut, fin);
            debut = message.indexOf(u'§', fin + 1);
        }
    };
    // The records the findings name, read in one walk: a name, and the
    // fingerprint of those found on, for the dismissed findings.
    std::vector<std::int32_t> nommees;
    for (const Constat& c : m_constats) {
        nommees.push_back(c.fiche);
        marques(c.message, [&](qsizetype debut, qsizetype fin) {
            nommees.push_back(QStringView(c.message).mid(debut + 1, fin - debut - 1).toInt());
        });
    }
    std::sort(nommees.begin(), nommees.end());
    nommees.erase(std::unique(nommees.begin(), nommees.end()), nommees.end());
    std::vector<QString> noms(nommees.size());
    std::vector<std::string> empreintes(nommees.size());
    lireLesFiches(m_fichier, nommees, [&](std::size_t k, const TFiche& f) {
        noms[k] = QStringLiteral("%1 (fiche %2)").arg(nomComplet(f)).arg(nommees[k]);
        empreintes[k] = empreinteDe(f);
    });
    const auto rang = [&](std::int32_t n) {
        return static_cast<std::size_t>(std::lower_bound(nommees.begin(), nommees.end(), n) -
                                        nommees.begin());
    };
    const auto nom = [&](std::int32_t n) {
        const std::size_t k = rang(n);
        if (noms[k].isEmpty()) noms[k] = QStringLiteral("fiche %1").arg(n);
        return noms[k];
    };
    for (Constat& c : m_constats) {
        // The message made again, piece by piece, each mark by its name.
        QString message;
        message.reserve(c.message.size() + 80);
        qsizetype apres = 0;
        marques(c.message, [&](qsizetype debut, qsizetype fin) {
            message += QStringView(c.message).mid(apres, debut - apres);
            message += nom(QStringView(c.message).mid(debut + 1, fin - debut - 1).toInt());
            apres = fin + 1;
        });
        if (apres > 0) {
            message += QStringView(c.message).mid(apres);
            c.message = std::move(message);
        }
        c.empreinte = empreintes[rang(c.fiche)];
        constat(std::move(c));
    }
    m_constats.clear();
}

} // namespace coherence

bool estIgnore(const Constat& c, const std::vector<ConstatIgnore>& ignores) {
    return std::any_of(ignores.begin(), ignores.end(), [&](const ConstatIgnore& i) {
        return i.fiche == c.fiche && i.regle == std::string_view(c.regle) &&
               i.valeurs == c.valeurs && i.empreinte == c.empreinte;
    });
}

void verifierCoherence(FichierEnregistrements& fichier, Complements* complements,
                       const Seuils& seuils, const std::function<void(Constat&&)>& constat) {
    coherence::Verification v(fichier, complements, seuils);
    v.sortie(constat);
    v.lirePersonnes();
    v.lireLeMagasin();
    v.lireLesFamilles();
    v.rendre(constat);
}
