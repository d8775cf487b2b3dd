#pragma once

#include <QString>

#include <exception>
#include <string>

// Every error a command can raise. The command wrapper shows its text in the
// general error box; nothing reaches the event loop.
class ErreurVelmoris : public std::exception {
public:
    explicit ErreurVelmoris(QString texte);
    const QString& texte() const { return m_texte; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_texte;
    std::string m_utf8;
};

// Input/output error of a file, by the classic numeric codes.
class ErreurES : public ErreurVelmoris {
public:
    enum Code : int {
        FichierIntrouvable = 2,
        NomIncorrect = 3,
        TropDeFichiers = 4,
        AccesRefuse = 5,
        LectureFinFichier = 100,
        DisquePlein = 101,
        SaisieNumerique = 106,
    };
    explicit ErreurES(int code);
    int code() const { return m_code; }
    static QString texteDuCode(int code);
    // Maps an errno value onto the codes above.
    static int codeDepuisErrno(int numero);

private:
    int m_code;
};

// Whole-number conversion of a text that is empty or not a number.
class ErreurConversion : public ErreurVelmoris {
public:
    explicit ErreurConversion(const QString& texteFautif);
};

// A picture that cannot be loaded or decoded.
class ErreurImage : public ErreurVelmoris {
public:
    using ErreurVelmoris::ErreurVelmoris;
};

// Whole-number conversion: optional leading blanks, optional sign, decimal
// digits, nothing after; must fit in 32 bits. Anything else raises
// ErreurConversion.
int versEntier(const QString& texte);

// Same reading without an exception; false when the text is not a whole number.
bool lireEntier(const QString& texte, int& valeur);

// The general error box adds a full stop when the last character sorts after ".".
QString avecPointFinal(const QString& texte);
