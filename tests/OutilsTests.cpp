#include "tests/OutilsTests.h"

#include <QProcess>

#include <QtTest>

#include "data/gedcom/Gedcom.h"

#include "data/gedcom/EchangeGedcom.h"

#include "data/gedcom/ComplementsDImport.h"

#include "forms/UVelmorS.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <jpeglib.h>

RepertoireDeTravail::RepertoireDeTravail()
    : m_racine(QDir(m_dossier.path()).canonicalPath()), m_ancien(QDir::currentPath()) {
    QDir::setCurrent(m_racine);
}

RepertoireDeTravail::~RepertoireDeTravail() {
    QDir::setCurrent(m_ancien);
}

QString RepertoireDeTravail::chemin(const QString& nom) const {
    return m_racine + u'/' + nom;
}

TFiche personne(const QString& nom, const QString& prenom, int qualite, const QString& naissance) {
    TFiche f;
    ViderFiche(f);
    f.Qualite = static_cast<std::uint8_t>(qualite);
    f.Nom.definir(nom);
    f.Prenom.definir(prenom);
    f.DateNaissance.definir(naissance);
    return f;
}

void lier(std::vector<TFiche>& fiches, int enfant, int pere, int mere) {
    TFiche& f = fiches[static_cast<std::size_t>(enfant)];
    f.Pere = pere;
    f.Mere = mere;
    for (const int p : {pere, mere}) {
        if (p < 0) continue;
        TFiche& parent = fiches[static_cast<std::size_t>(p)];
        parent.Enfants[parent.NbEnfants++] = enfant;
    }
}

QByteArray octetsFiche(const TFiche& fiche) {
    QByteArray octets(TailleFiche, '\0');
    encoderFiche(fiche, reinterpret_cast<std::uint8_t*>(octets.data()));
    return octets;
}

void ecrireOctets(const QString& chemin, const QByteArray& octets) {
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
        qFatal("écriture impossible : %s", qPrintable(chemin));
}

void ecrireFichier(const QString& chemin, const std::vector<TFiche>& fiches) {
    QByteArray octets;
    for (const TFiche& f : fiches)
        octets += octetsFiche(f);
    ecrireOctets(chemin, octets);
}

QByteArray octetsDe(const QString& chemin) {
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) return {};
    return fichier.readAll();
}

std::vector<TFiche> lireFichier(const QString& chemin) {
    const QByteArray octets = octetsDe(chemin);
    std::vector<TFiche> fiches(static_cast<std::size_t>(octets.size() / TailleFiche));
    for (std::size_t i = 0; i < fiches.size(); ++i)
        decoderFiche(reinterpret_cast<const std::uint8_t*>(octets.constData()) + i * TailleFiche,
                     fiches[i]);
    return fiches;
}

QByteArray jpegDeTest(int largeur, int hauteur, bool gris, bool progressif) {
    jpeg_compress_struct info{};
    jpeg_error_mgr erreurs{};
    info.err = jpeg_std_error(&erreurs);
    jpeg_create_compress(&info);
    unsigned char* sortie = nullptr;
    unsigned long taille = 0;
    jpeg_mem_dest(&info, &sortie, &taille);
    info.image_width = static_cast<JDIMENSION>(largeur);
    info.image_height = static_cast<JDIMENSION>(hauteur);
    info.input_components = gris ? 1 : 3;
    info.in_color_space = gris ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressif) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> ligne(static_cast<std::size_t>(largeur * info.input_components));
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < largeur; ++x) {
            for (int c = 0; c < info.input_components; ++c)
                ligne[static_cast<std::size_t>(x * info.input_components + c)] =
                    static_cast<unsigned char>(c == 0 ? 200 : (c == 1 ? 40 : 60));
        }
        JSAMPROW lignes[1] = {ligne.data()};
        jpeg_write_scanlines(&info, lignes, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray octets(reinterpret_cast<const char*>(sortie), static_cast<qsizetype>(taille));
    std::free(sortie);
    return octets;
}

QByteArray bmpDeTest(int largeur, int hauteur) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    image.fill(qRgb(20, 120, 220));
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "BMP");
    return octets;
}

TForm1& Session::creer(Dialogues& dialogues, std::unique_ptr<Fenetres>& fenetres,
                       std::unique_ptr<FichierEnregistrements> fichier) {
    preparerApplication();
    if (!fichier) fichier = std::make_unique<FichierDisque>();
    fenetres = std::make_unique<Fenetres>(dialogues, std::move(fichier));
    return fenetres->principale();
}

Session::Session(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier)
    : form(creer(dialogues, fenetres, std::move(fichier))) {}

Session::~Session() = default;

void importerAvecComplements(const QByteArray& gedcom, const QString& fic) {
    const ResultatImport r = importerGedcom(gedcom);
    creerFichierImporte(fic, r.fiches);
    ComplementsDImport complements(fic, false);
    complements.garder(r);
    QVERIFY(complements.avertissement().isEmpty());
}

QByteArray exporterAvecComplements(const QString& fic) {
    FichierDisque f;
    f.ouvrir(fic);
    OptionsExport options;
    QString avertissement;
    const auto base = complementsPourExporter(fic, avertissement);
    options.complements = base.get();
    return exporterGedcom(f, options).gedcom;
}

QString texteDuPdf(const QString& chemin) {
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), chemin, "-"});
    texte.waitForFinished();
    return QString::fromUtf8(texte.readAllStandardOutput()).simplified();
}
