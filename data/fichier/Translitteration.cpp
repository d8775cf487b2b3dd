#include "data/fichier/Translitteration.h"

#include "data/fichier/Cp1252.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

// One transliterator for the run: building it reads ICU's rule data.
icu::Transliterator* romaniseur() {
    static const std::unique_ptr<icu::Transliterator> instance = [] {
        UErrorCode etat = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8("Any-Latin; Latin-ASCII"), UTRANS_FORWARD, etat));
        return U_SUCCESS(etat) ? std::move(t) : nullptr;
    }();
    return instance.get();
}

QString romaniser(const QString& mot) {
    icu::Transliterator* t = romaniseur();
    if (!t) return QString(mot.size(), u'?');
    icu::UnicodeString texte(reinterpret_cast<const UChar*>(mot.utf16()),
                             static_cast<int32_t>(mot.size()));
    t->transliterate(texte);
    QString resultat(reinterpret_cast<const QChar*>(texte.getBuffer()), texte.length());
    // A script without capitals (Chinese, Japanese…) romanises in small
    // letters: a name then starts each word with a capital.
    if (!mot.front().isUpper() && !mot.front().isLower())
        for (qsizetype i = 0; i < resultat.size(); ++i)
            if (i == 0 || resultat[i - 1] == u' ') resultat[i] = resultat[i].toUpper();
    for (QChar& c : resultat) {
        unsigned char octet = 0;
        if (!cp1252::depuisUnicode(c.unicode(), octet)) c = u'?';
    }
    return resultat;
}

bool dansUnMot(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

} // namespace

bool estCaractereDeControle(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString versCp1252(const QString& texte) {
    if (cp1252::representable(texte)) return texte;
    QString sortie;
    sortie.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size();) {
        // A word, or a single character between words.
        qsizetype fin = i + 1;
        if (dansUnMot(texte[i]))
            while (fin < texte.size() && (dansUnMot(texte[fin]) || texte[fin].isLowSurrogate()))
                ++fin;
        else if (texte[i].isHighSurrogate() && fin < texte.size())
            ++fin;
        const QString morceau = texte.mid(i, fin - i);
        sortie += cp1252::representable(morceau) ? morceau : romaniser(morceau);
        i = fin;
    }
    return sortie;
}
