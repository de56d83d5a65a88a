#include "ConnectDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>

ConnectDialog::ConnectDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConnect"));
    caption_ = QStringLiteral("Remote Instrument");
    setWindowTitle(caption_);

    auto* instruction = new QLabel(QStringLiteral("Enter the IP Address and Port Number for the remote instrument."));
    instruction->setWordWrap(true);
    txtAddress = new QLineEdit;
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    txtAddress->setToolTip(QStringLiteral("IP Address or hostname"));
    txtPort = new QLineEdit;
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setToolTip(QStringLiteral("Port number, 8899"));
    txtPort->setValidator(new QIntValidator(0, 65535, txtPort));
    cmdPing = new QPushButton(QStringLiteral("Test..."));
    cmdPing->setObjectName(QStringLiteral("cmdPing"));
    OKButton = new QPushButton(QStringLiteral("Add and Connect"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    lblProgress = new QLabel;
    lblProgress->setObjectName(QStringLiteral("lblProgress"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(instruction, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Address:")), 1, 0);
    grid->addWidget(txtAddress, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port:")), 2, 0);
    grid->addWidget(txtPort, 2, 1);
    grid->addWidget(lblProgress, 2, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPing);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    grid->addLayout(buttons, 3, 0, 1, 3);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdPing, &QPushButton::clicked, this, &ConnectDialog::testRequested);
}

void ConnectDialog::setAddress(const QString& address, const QString& port)
{
    txtAddress->setText(address);
    txtPort->setText(port);
}

void ConnectDialog::showProgress(const QString& frame)
{
    setWindowTitle(caption_ + frame);
}

void ConnectDialog::setTesting(bool testing)
{
    for (QWidget* w : {static_cast<QWidget*>(cmdPing), static_cast<QWidget*>(OKButton),
             static_cast<QWidget*>(txtAddress), static_cast<QWidget*>(txtPort)})
        w->setEnabled(!testing);
    if (testing) {
        setCursor(Qt::WaitCursor);
    } else {
        setWindowTitle(caption_);
        unsetCursor();
    }
}
