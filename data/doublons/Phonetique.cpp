#include "data/doublons/Phonetique.h"

#include "data/fichier/Texte.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

// The Latin given names of the parish registers, by their French form.
const QHash<QString, QString>& formesLatines() {
    static const QHash<QString, QString> formes = {
        {"JOANNES", "JEAN"},         {"JOHANNES", "JEAN"},
        {"JEHAN", "JEAN"},           {"MARIA", "MARIE"},
        {"PETRUS", "PIERRE"},        {"JACOBUS", "JACQUES"},
        {"LUDOVICUS", "LOUIS"},      {"FRANCISCUS", "FRANCOIS"},
        {"JOSEPHUS", "JOSEPH"},      {"CAROLUS", "CHARLES"},
        {"GUILLELMUS", "GUILLAUME"}, {"GUILHEM", "GUILLAUME"},
        {"CATHARINA", "CATHERINE"},  {"ANNA", "ANNE"},
        {"MARGARITA", "MARGUERITE"}, {"ELISABETHA", "ELISABETH"},
        {"NICOLAUS", "NICOLAS"},     {"ANTONIUS", "ANTOINE"},
        {"STEPHANUS", "ETIENNE"},    {"MICHAEL", "MICHEL"},
        {"JOANNA", "JEANNE"},        {"MATTHAEUS", "MATHIEU"},
        {"RENATUS", "RENE"},         {"CLAUDIUS", "CLAUDE"},
    };
    return formes;
}

// Plain capitals A to Z and blanks: accents, case and ligatures undone.
QString lettres(const QString& texte) {
    QString r;
    for (const QChar c : reduireTexte(texte).toUpper())
        r += (c >= u'A' && c <= u'Z') ? c : QChar(u' ');
    return r.simplified();
}

} // namespace

QString clePhonetique(const QString& mot) {
    QString m = lettres(mot).remove(u' ');
    if (m.isEmpty()) return m;
    // Before the silent letters go: the endings that sound the same.
    static const std::pair<QRegularExpression, QString> regles[] = {
        {QRegularExpression("AULT$|AUD$|AUT$|AUX$|EAU$|EAUX$"), "O"},
        {QRegularExpression("EBVR|EBUR"), "EVR"},
        {QRegularExpression("PH"), "F"},
        {QRegularExpression("SCH|SH"), "CH"},
        {QRegularExpression("TH"), "T"},
        {QRegularExpression("GH"), "G"},
        {QRegularExpression("CK|QU|Q"), "K"},
        {QRegularExpression("GU(?=[EI])"), "G"},
        {QRegularExpression("C(?=[EIY])"), "S"},
        {QRegularExpression("G(?=[EIY])"), "J"},
        {QRegularExpression("C(?!H)"), "K"},
        {QRegularExpression("W"), "V"},
        {QRegularExpression("Y"), "I"},
        {QRegularExpression("Z"), "S"},
        {QRegularExpression("EAU|AU"), "O"},
        {QRegularExpression("AI|EI"), "E"},
        {QRegularExpression("(?<!C)H"), ""},
        {QRegularExpression("[AE]N(?![AEIOU])"), "AN"},
        {QRegularExpression("[AEU]IN(?![AEIOU])"), "IN"},
        {QRegularExpression("ER$|EZ$|ET$"), "E"},
        {QRegularExpression("[ESTDX]+$"), ""},
        {QRegularExpression("V"), "B"},
    };
    for (const auto& [motif, par] : regles)
        m.replace(motif, par);
    QString r;
    for (const QChar c : m)
        if (r.isEmpty() || r.back() != c) r += c;
    // A word of one silent ending ("Le", "Dieu") keeps a key of its own.
    return r.isEmpty() ? lettres(mot).left(1) : r;
}

QString cleDuNom(const QString& nom) {
    QStringList mots = lettres(nom).split(u' ', Qt::SkipEmptyParts);
    if (mots.size() > 1 && mots.front() == u"D") mots.removeFirst();
    // Glued or apart, the particle goes: "du Bois" and "Dubois" meet, as do
    // "de la Haye", "Delahaye" and "Haye".
    QString m = mots.join(QString());
    for (const char* particule : {"DELA", "DES", "DE", "DU"})
        if (m.startsWith(QLatin1String(particule)) && m.size() - qstrlen(particule) >= 3) {
            m.remove(0, static_cast<qsizetype>(qstrlen(particule)));
            break;
        }
    return clePhonetique(m);
}

QStringList clesDesPrenoms(const QString& prenoms) {
    QStringList cles;
    for (const QString& mot : lettres(prenoms).split(u' ', Qt::SkipEmptyParts)) {
        if (mot.size() == 1) {
            cles << mot;
            continue;
        }
        cles << clePhonetique(formesLatines().value(mot, mot));
    }
    return cles;
}

double accordDesPrenoms(const QStringList& a, const QStringList& b) {
    if (a.isEmpty() || b.isEmpty()) return 0;
    const auto memes = [](const QString& x, const QString& y) {
        if (x.size() == 1 || y.size() == 1) return x.front() == y.front();
        return x == y;
    };
    if (!memes(a.front(), b.front())) return 0;
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype accord = 0;
    for (qsizetype i = 0; i < n; ++i)
        accord += memes(a[i], b[i]) ? 1 : 0;
    return static_cast<double>(accord) / static_cast<double>(std::max(a.size(), b.size()));
}
