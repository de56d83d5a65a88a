#include "AboutBox.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

void ShowAboutBox(QWidget* parent, const QString& caption, const QString& aboutText, const QString& sessionLogPath)
{
    QString html = aboutText.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    if (!sessionLogPath.isEmpty())
        html += QStringLiteral("<br><br><a href=\"%1\">Session log</a> (%2)")
                    .arg(QUrl::fromLocalFile(sessionLogPath).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                        QDir::toNativeSeparators(sessionLogPath).toHtmlEscaped());
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("dlgAbout"));
    box.setWindowTitle(QStringLiteral("About ") + caption);
    box.setIcon(QMessageBox::Information);
    box.setTextFormat(Qt::RichText);
    // The link opens the log with the desktop's handler for text files.
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    box.setText(html);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        label->setOpenExternalLinks(true);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
