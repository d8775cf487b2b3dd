#include "data/recherche/Recherches.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Texte.h"

#include <algorithm>

QString lignePersonne(const TFiche& fiche) {
    return fiche.Nom.texte() + u' ' + fiche.Prenom.texte() + u' ' + fiche.DateNaissance.texte();
}

namespace {

template <int L> bool memeTexte(const ChampTexte<L>& a, const ChampTexte<L>& b) {
    const int n = a.longueurSignificative();
    return n == b.longueurSignificative() &&
           std::equal(a.octets.begin(), a.octets.begin() + n, b.octets.begin());
}

} // namespace

bool estConjoint(const TFiche& fiche, const TFiche& candidat) {
    if (fiche.NbEnfants != 0) {
        for (int i = 0; i < emplacementsEnfants(fiche.NbEnfants); ++i)
            if (fiche.Enfants[i] != -1 && candidat.Enfants[i] == fiche.Enfants[i]) return true;
        return false;
    }
    return !fiche.DateMariage.vide() && memeTexte(fiche.DateMariage, candidat.DateMariage);
}

std::int32_t chercherConjoint(FichierEnregistrements& fichier, const TFiche& fiche,
                              std::int32_t courant, TFiche& trouve) {
    std::int32_t resultat = -1;
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& candidat) {
        if (numero == courant || !estConjoint(fiche, candidat)) return true;
        trouve = candidat;
        resultat = numero;
        return false;
    });
    return resultat;
}

namespace {

inline std::uint8_t majuscule(std::uint8_t c) {
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

// Capitalised bytes of a searched text; `impossible` gets the index of the
// first character Windows-1252 cannot hold, -1 when none.
QByteArray octetsRecherches(const QString& texte, int& impossible) {
    impossible = -1;
    QByteArray octets;
    for (int i = 0; i < texte.size(); ++i) {
        unsigned char octet = 0;
        if (!cp1252::depuisUnicode(texte[i].unicode(), octet) && impossible < 0) impossible = i;
        octets.append(static_cast<char>(majuscule(octet)));
    }
    return octets;
}

template <int L> bool egauxSur(const ChampTexte<L>& champ, const QByteArray& cherche, int n) {
    for (int i = 0; i < n; ++i)
        if (majuscule(champ.octets[static_cast<std::size_t>(i)]) !=
            static_cast<std::uint8_t>(cherche[i]))
            return false;
    return true;
}

} // namespace

CritereNom::CritereNom(const QString& nom, const QString& prenom) {
    int impossible = -1;
    m_nom = octetsRecherches(nom, impossible);
    m_nomImpossible = impossible >= 0;
    m_prenom = octetsRecherches(prenom, m_prenomImpossibleA);
}

bool CritereNom::correspond(const TFiche& fiche) const {
    const int longueurNom = fiche.Nom.longueurSignificative();
    if (m_nomImpossible || longueurNom != m_nom.size() || !egauxSur(fiche.Nom, m_nom, longueurNom))
        return false;
    const int n =
        std::min<int>(fiche.Prenom.longueurSignificative(), static_cast<int>(m_prenom.size()));
    if (m_prenomImpossibleA >= 0 && m_prenomImpossibleA < n) return false;
    return egauxSur(fiche.Prenom, m_prenom, n);
}

void rechercherNoms(FichierEnregistrements& fichier, const CritereNom& critere,
                    const std::function<void(std::int32_t, const TFiche&)>& trouve) {
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& fiche) {
        if (critere.correspond(fiche)) trouve(numero, fiche);
        return true;
    });
}

QString cleApprochee(const QString& texte) {
    QString cle;
    for (QChar c : texte.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing) continue;
        switch (c.unicode()) {
        case u' ':
        case u'-':
        case u'\'':
        case u'\u2019':
            continue;
        default:
            if (const QLatin1StringView l = ligatureDepliee(c); !l.isEmpty())
                cle += QString(l).toUpper();
            else
                cle += c.toUpper();
        }
    }
    return cle;
}

CritereApproche::CritereApproche(const QString& nom, const QString& prenom)
    : m_nom(cleApprochee(nom)), m_prenom(cleApprochee(prenom)) {}

bool CritereApproche::correspond(const TFiche& fiche) const {
    if (!cleApprochee(fiche.Nom.texte()).startsWith(m_nom)) return false;
    const QString prenom = cleApprochee(fiche.Prenom.texte());
    return prenom.startsWith(m_prenom) || m_prenom.startsWith(prenom);
}
