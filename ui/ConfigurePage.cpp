#include "ConfigurePage.h"

#include <QAbstractItemView>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& tip = {})
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty())
        button->setToolTip(tip);
    return button;
}
}

ConfigurePage::ConfigurePage(const QString& appFolder, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraConfigure"));

    imgFrontPageLogo = new QLabel(this);
    imgFrontPageLogo->setObjectName(QStringLiteral("imgFrontPageLogo"));
    imgFrontPageLogo->setToolTip(QStringLiteral("Click here for the on-line help pages."));
    imgFrontPageLogo->setCursor(Qt::PointingHandCursor);
    const QPixmap logo(QDir(appFolder).filePath(QStringLiteral("logo.gif")));
    if (logo.isNull())
        imgFrontPageLogo->setText(QStringLiteral("<h1>Tolvi-M</h1>"));
    else
        imgFrontPageLogo->setPixmap(logo);
    imgFrontPageLogo->setAlignment(Qt::AlignCenter);
    imgFrontPageLogo->installEventFilter(this);

    lblInstrumentIdentity = new QLabel(this);
    lblInstrumentIdentity->setObjectName(QStringLiteral("lblInstrumentIdentity"));
    lblInstrumentIdentity->setAlignment(Qt::AlignCenter);
    lblInstrumentIdentity->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblInstrumentIdentity->hide();

    lblConnectionString = new QLabel(this);
    lblConnectionString->setObjectName(QStringLiteral("lblConnectionString"));
    lblConnectionString->setAlignment(Qt::AlignCenter);
    lblConnectionString->setAutoFillBackground(true);
    lblConnectionString->setFrameShape(QFrame::StyledPanel);
    picStatus = new QLabel(this);
    picStatus->setObjectName(QStringLiteral("picStatus"));
    picStatus->setFixedSize(24, 24);
    picStatus->setAlignment(Qt::AlignCenter);

    lstComPorts = new QComboBox(this);
    lstComPorts->setObjectName(QStringLiteral("lstComPorts"));
    lstComPorts->setEditable(true);        // shows "Please select..." without an entry of that text
    lstComPorts->lineEdit()->setReadOnly(true);
    lstComPorts->setInsertPolicy(QComboBox::NoInsert);
    lstComPorts->setMinimumWidth(200);
    lstComPorts->view()->installEventFilter(this);   // the open list closing (setPorts)

    btnSelectComPort = Button(this, "btnSelectComPort", QStringLiteral("Connect"),
        QStringLiteral("Connect to the instrument on the selected port"));
    btnAutoSelectComPort = Button(this, "btnAutoSelectComPort", QStringLiteral("Auto Connect"),
        QStringLiteral("Search every port for an instrument (F6)"));
    btnRescanPorts = Button(this, "btnRescanPorts", QStringLiteral("Rescan PC for new ports"),
        QStringLiteral("Look for serial ports again (F5)"));
    cmdUseNetwork = Button(this, "cmdUseNetwork", QStringLiteral("Network..."),
        QStringLiteral("Connect to an instrument through a network serial bridge"));
    btnDisconnect = Button(this, "btnDisconnect", QStringLiteral("Disconnect"));
    btnDisconnect->setEnabled(false);

    btnGenerateTechnicalFile = Button(this, "btnGenerateTechnicalFile", QStringLiteral("Technical File"),
        QStringLiteral("Gather a technical file about the instrument and this PC for service"));
    btnCheckForUpdates = Button(this, "btnCheckForUpdates", QStringLiteral("Check for Updates"),
        QStringLiteral("Look for newer files of this program on the update server"));
    btnGenerateTechnicalFile->setEnabled(false);   // until an instrument is connected

    auto* connection = new QGroupBox(QStringLiteral("Connection"), this);
    connection->setObjectName(QStringLiteral("fraConnection"));
    auto* grid = new QGridLayout(connection);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), connection), 0, 0);
    grid->addWidget(lstComPorts, 0, 1, 1, 2);
    grid->addWidget(btnSelectComPort, 0, 3);
    grid->addWidget(btnAutoSelectComPort, 1, 1);
    grid->addWidget(btnRescanPorts, 1, 2);
    grid->addWidget(cmdUseNetwork, 1, 3);
    grid->addWidget(btnDisconnect, 2, 3);
    auto* labelRow = new QHBoxLayout;
    labelRow->addWidget(picStatus);
    labelRow->addWidget(lblConnectionString, 1);
    grid->addLayout(labelRow, 2, 0, 1, 3);

    auto* maintenance = new QGroupBox(QStringLiteral("Maintenance"), this);
    maintenance->setObjectName(QStringLiteral("fraMaintenance"));
    auto* row = new QHBoxLayout(maintenance);
    for (QPushButton* b : {btnGenerateTechnicalFile, btnCheckForUpdates})
        row->addWidget(b);

    // The logo and the identity take the room they need; what is left stays
    // below the boxes, so the connection box sits near the top.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imgFrontPageLogo);
    layout->addWidget(lblInstrumentIdentity);
    layout->addWidget(connection);
    layout->addWidget(maintenance);
    layout->addStretch(1);
    setConnectionLabel(QString(), false);
    setStatusPicture(0);
}

void ConfigurePage::setPorts(const QStringList& entries, const QString& editText)
{
    if (lstComPorts->view()->isVisible()) {
        pendingPorts_ = std::make_pair(entries, editText);
        return;
    }
    pendingPorts_.reset();
    showPorts(entries, editText);
}

void ConfigurePage::showPorts(const QStringList& entries, const QString& editText)
{
    const QSignalBlocker quiet(lstComPorts);
    QStringList shown;
    for (int i = 0; i < lstComPorts->count(); ++i)
        shown << lstComPorts->itemText(i);
    // The same entries (the user's pick coming back from the model): only the text is set.
    if (shown != entries) {
        lstComPorts->clear();
        lstComPorts->addItems(entries);
    }
    lstComPorts->setCurrentIndex(-1);
    lstComPorts->setEditText(editText);
}

void ConfigurePage::setConnectionLabel(const QString& text, bool upgrade)
{
    lblConnectionString->setText(text.isEmpty() ? QStringLiteral("Not connected") : text);
    QPalette palette = this->palette();
    if (upgrade) {
        palette.setColor(QPalette::WindowText, Qt::red);
        palette.setColor(QPalette::Window, Qt::yellow);
    }
    lblConnectionString->setPalette(palette);
    lblConnectionString->setProperty("upgrade", upgrade);
}

void ConfigurePage::setInstrumentIdentity(const QString& text)
{
    lblInstrumentIdentity->setText(text);
    lblInstrumentIdentity->setVisible(!text.isEmpty());
    // A picture logo stays above the identity; the plain title gives it its place.
    imgFrontPageLogo->setVisible(text.isEmpty() || !imgFrontPageLogo->pixmap().isNull());
}

void ConfigurePage::setStatusPicture(int frame)
{
    static const QString signs[] = {QStringLiteral("\u25CB"), QStringLiteral("\u25D4"), QStringLiteral("\u25D1"),
        QStringLiteral("\u25D5")};
    if (frame < 0) {
        picStatus->setText(QStringLiteral("\u2716"));
        picStatus->setStyleSheet(QStringLiteral("color: red"));
    } else {
        picStatus->setText(signs[frame % 4]);
        picStatus->setStyleSheet(QString());
    }
    picStatus->setProperty("frame", frame);
}

bool ConfigurePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == imgFrontPageLogo && event->type() == QEvent::MouseButtonRelease)
        Q_EMIT logoClicked();
    // The open list closed: what came meanwhile is shown after the pick it
    // closed for has been handled (that pick brings the latest list itself).
    if (watched == lstComPorts->view() && event->type() == QEvent::Hide && pendingPorts_) {
        QMetaObject::invokeMethod(this, [this] {
            if (!pendingPorts_)
                return;
            const auto [entries, editText] = *pendingPorts_;
            pendingPorts_.reset();
            showPorts(entries, editText);
        }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
