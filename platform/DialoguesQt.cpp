#include "platform/DialoguesQt.h"

#include "platform/BoiteDeChoix.h"

#include "data/fichier/Erreurs.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>

#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <algorithm>

namespace {

int afficherBoite(QWidget* parent, QMessageBox::Icon icone, const QString& titre,
                  const QString& texte, const QStringList& boutons, int parDefaut = 0) {
    // A lone carriage return separates lines in the program's messages.
    QString lignes = texte;
    lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox boite(icone, titre, lignes, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> crees;
    for (int i = 0; i < boutons.size(); ++i)
        crees << boite.addButton(boutons[i], i == 0 ? QMessageBox::YesRole : QMessageBox::NoRole);
    boite.setDefaultButton(static_cast<QPushButton*>(crees.at(parDefaut)));
    boite.exec();
    return static_cast<int>(crees.indexOf(boite.clickedButton()));
}

std::optional<QString> dialogueFichier(QWidget* parent, const ParametresDialogueFichier& p,
                                       QFileDialog::AcceptMode mode) {
    QFileDialog dialogue(parent, p.titre, p.repertoireInitial, filtreQt(p.filtre));
    dialogue.setAcceptMode(mode);
    dialogue.setFileMode(QFileDialog::AnyFile);
    dialogue.setOption(QFileDialog::DontUseNativeDialog, false);
    dialogue.setOption(QFileDialog::DontConfirmOverwrite, !p.confirmerRemplacement);
    QString suffixe = p.extensionParDefaut;
    suffixe.remove(u'*').remove(u'.');
    if (!suffixe.contains(u';')) dialogue.setDefaultSuffix(suffixe);
    if (!p.nomFichier.isEmpty()) dialogue.selectFile(p.nomFichier);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) return {};
    return dialogue.selectedFiles().front();
}

} // namespace

QString filtreQt(const QString& filtre) {
    const auto barre = filtre.indexOf(u'|');
    if (barre < 0) return filtre;
    QStringList motifs;
    for (const QString& motif : filtre.mid(barre + 1).split(u';', Qt::SkipEmptyParts)) {
        motifs << motif.trimmed();
        if (motif.trimmed().toLower() != motif.trimmed()) motifs << motif.trimmed().toLower();
    }
    return filtre.left(barre).trimmed() + QStringLiteral(" (") + motifs.join(u' ') + u')';
}

void DialoguesQt::message(const QString& texte) {
    afficherBoite(m_parent, QMessageBox::NoIcon, QString::fromUtf16(TitreApplication), texte,
                  {QStringLiteral("OK")});
}

bool DialoguesQt::questionAvertissement(const QString& texte) {
    return afficherBoite(m_parent, QMessageBox::Warning, QStringLiteral("Avertissement"), texte,
                         {QStringLiteral("&Oui"), QStringLiteral("&Non")}) == 0;
}

Dialogues::Reponse DialoguesQt::questionAvecAnnulation(const QString& texte) {
    switch (afficherBoite(
        m_parent, QMessageBox::Warning, QStringLiteral("Avertissement"), texte,
        {QStringLiteral("&Oui"), QStringLiteral("&Non"), QStringLiteral("Annuler")})) {
    case 0:
        return Reponse::Oui;
    case 1:
        return Reponse::Non;
    default:
        return Reponse::Annuler; // the close box too
    }
}

bool DialoguesQt::confirmer(const QString& texte) {
    return afficherBoite(m_parent, QMessageBox::Warning, QStringLiteral("Avertissement"), texte,
                         {QStringLiteral("&Oui"), QStringLiteral("&Non")}, 1) == 0;
}

bool DialoguesQt::questionAttention(const QString& texte) {
    return afficherBoite(m_parent, QMessageBox::NoIcon, QStringLiteral("ATTENTION"), texte,
                         {QStringLiteral("&Oui"), QStringLiteral("&Non")}) == 0;
}

int DialoguesQt::choix(const QString& texte, const QStringList& boutons) {
    // More than three long answers would not fit side by side.
    if (boutons.size() > 3) {
        QString lignes = texte;
        lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        BoiteDeChoix boite(QString::fromUtf16(TitreApplication), lignes, boutons, m_parent);
        boite.exec();
        return boite.reponse();
    }
    return afficherBoite(m_parent, QMessageBox::Question, QString::fromUtf16(TitreApplication),
                         texte, boutons);
}

void DialoguesQt::erreur(const QString& texte) {
    afficherBoite(m_parent, QMessageBox::Critical, QString::fromUtf16(TitreApplication), texte,
                  {QStringLiteral("OK")});
}

std::optional<QString> DialoguesQt::ouvrirFichier(const ParametresDialogueFichier& parametres) {
    return dialogueFichier(m_parent, parametres, QFileDialog::AcceptOpen);
}

std::optional<QString>
DialoguesQt::enregistrerFichier(const ParametresDialogueFichier& parametres) {
    return dialogueFichier(m_parent, parametres, QFileDialog::AcceptSave);
}

QString DialoguesQt::saisie(const QString& titre, const QString& question, const QString& defaut) {
    QInputDialog dialogue(m_parent);
    dialogue.setWindowTitle(titre);
    dialogue.setLabelText(question);
    dialogue.setTextValue(defaut);
    dialogue.setOkButtonText(QStringLiteral("OK"));
    dialogue.setCancelButtonText(QStringLiteral("Annuler"));
    if (dialogue.exec() != QDialog::Accepted) return defaut;
    return dialogue.textValue();
}

bool DialoguesQt::executerModal(QDialog& dialogue) {
    ajusterALEcran(dialogue);
    return dialogue.exec() == QDialog::Accepted;
}

void ajusterALEcran(QWidget& fenetre) {
    const QScreen* ecran = fenetre.screen() ? fenetre.screen() : QGuiApplication::primaryScreen();
    if (!ecran) return;
    const QRect disponible = ecran->availableGeometry();
    // Room for the frame the desktop adds around the window.
    const QSize place = disponible.size() - QSize(16, 48);
    const QSize taille = fenetre.size().boundedTo(place);
    if (taille != fenetre.size()) fenetre.resize(taille.expandedTo(fenetre.minimumSize()));
    // A window keeps its place unless part of it would be off the screen.
    QRect cadre = fenetre.frameGeometry();
    if (disponible.contains(cadre)) return;
    cadre.moveLeft(std::clamp(cadre.left(), disponible.left(),
                              std::max(disponible.left(), disponible.right() - cadre.width())));
    cadre.moveTop(std::clamp(cadre.top(), disponible.top(),
                             std::max(disponible.top(), disponible.bottom() - cadre.height())));
    fenetre.move(cadre.topLeft());
}

void DialoguesQt::configurerImprimante(QPrinter& imprimante) {
    QPrintDialog dialogue(&imprimante, m_parent);
    dialogue.setWindowTitle(QStringLiteral("Choix de l'imprimante"));
    dialogue.exec();
}

namespace {

// Whether the desktop has a program for the document's type: the opener
// itself starts whatever it finds and cannot say, later, that it found none.
bool visionneusePour(const QString& document) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return true; // no way to know: the opener will try
    const QString type = QMimeDatabase().mimeTypeForFile(document).name();
    QProcess requete;
    requete.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!requete.waitForFinished(5000)) return true;
    return !requete.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

// The manual's command line names the Windows file explorer; here the document
// it names goes to the desktop's opener instead.
bool DialoguesQt::lancer(const QString& ligneDeCommande) {
    const QString explorateur = QStringLiteral("explorer.exe ");
    if (ligneDeCommande.startsWith(explorateur, Qt::CaseInsensitive)) {
        const QString document = ligneDeCommande.mid(explorateur.size());
        if (!QFileInfo(document).isFile() || !visionneusePour(document)) return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(document));
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(ligneDeCommande));
}

// Windows help files have no viewer on this platform.
void DialoguesQt::afficherSommaireAide(const QString&) {
    throw ErreurVelmoris(QStringLiteral("Impossible de trouver une table des matières"));
}

void DialoguesQt::apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                         const std::function<void()>& enregistrerPdf) {
    QPrintPreviewDialog dialogue(&imprimante, m_parent);
    dialogue.setWindowTitle(QStringLiteral("Aperçu avant impression"));
    dialogue.resize(900, 700);
    ajusterALEcran(dialogue);
    QObject::connect(&dialogue, &QPrintPreviewDialog::paintRequested, &dialogue,
                     [&peindre](QPrinter* p) { peindre(*p); });
    // Beside the preview's own print button: the document as a PDF file.
    if (auto* barre = dialogue.findChild<QToolBar*>()) {
        barre->addSeparator();
        QAction* pdf = barre->addAction(QStringLiteral("Enregistrer en PDF"));
        pdf->setObjectName(QStringLiteral("EnregistrerEnPdf"));
        pdf->setToolTip(QStringLiteral("Enregistrer ce document en PDF, à côté du fichier de "
                                       "généalogie"));
        QObject::connect(pdf, &QAction::triggered, &dialogue, enregistrerPdf);
    }
    dialogue.exec();
}
