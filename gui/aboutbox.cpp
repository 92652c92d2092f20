#include "gui/aboutbox.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>

namespace dravimo {
namespace {

#ifndef DRAVIMO_VERSION
#define DRAVIMO_VERSION "0"
#endif

QString aboutText()
{
    return QStringLiteral("<b>Dravimo</b><br>Έκδοση ") + QStringLiteral(DRAVIMO_VERSION)
        + QStringLiteral("<br><br>Σύνδεση εφαρμογών λιανικής και εστίασης με φορολογική ταμειακή "
                         "μηχανή ή φορολογικό εκτυπωτή μέσω αρχείων εκτύπωσης.<br><br>"
                         "Η εφαρμογή διατίθεται ως έχει, χωρίς καμία εγγύηση.");
}

#ifdef Q_OS_WIN
// Platform-specific: the system-information tool, where the registry says it is.
void startSystemInformation()
{
    const QSettings key(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSInfo"),
                        QSettings::NativeFormat);
    const QString path = key.value(QStringLiteral("Path"), QStringLiteral("msinfo32.exe")).toString();
    QProcess::startDetached(path, {});
}
#endif

} // namespace

void showAboutBox(QWidget *parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Περί Dravimo"));
    box.setTextFormat(Qt::RichText);
    box.setText(aboutText());
    box.setIconPixmap(box.windowIcon().pixmap(48, 48));
    box.addButton(QMessageBox::Ok);
#ifdef Q_OS_WIN
    QPushButton *info = box.addButton(QStringLiteral("Πληροφορίες Συστήματος..."), QMessageBox::ActionRole);
    box.exec();
    if (box.clickedButton() == info)
        startSystemInformation();
#else
    box.exec();
#endif
}

} // namespace dravimo
