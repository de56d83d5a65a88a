#include "CalibrationCheckWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace {
QPushButton* Button(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}
}

CalibrationCheckWindow::CalibrationCheckWindow(QString company, QString title, CalibrationReader reader, QWidget* parent)
    : QWidget(parent, Qt::Dialog), model_(std::move(company), std::move(title)), reader_(std::move(reader))
{
    setObjectName(QStringLiteral("frmGuru"));
    resize(420, 300);
    rtbGuruOutput = new QTextEdit;
    rtbGuruOutput->setObjectName(QStringLiteral("rtbGuruOutput"));
    rtbGuruOutput->setReadOnly(true);
    btnNext = Button("btnNext", QStringLiteral("Next >"));
    btnRedoTest = Button("btnRedoTest", QStringLiteral("Redo Test"));
    btnCopy = Button("btnCopy", QStringLiteral("Copy Results"));
    btnClose = Button("btnClose", QStringLiteral("Close"));
    pbrProgress = new QProgressBar;
    pbrProgress->setObjectName(QStringLiteral("pbrProgress"));
    pbrProgress->setRange(0, 100);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopy);
    buttons->addStretch(1);
    buttons->addWidget(btnRedoTest);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rtbGuruOutput, 1);
    layout->addWidget(pbrProgress);
    layout->addLayout(buttons);

    connect(btnNext, &QPushButton::clicked, this, [this] { run(model_.next()); });
    connect(btnRedoTest, &QPushButton::clicked, this, [this] { run(model_.redo()); });
    connect(btnCopy, &QPushButton::clicked, this, &CalibrationCheckWindow::copyResults);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    display(model_);
}

void CalibrationCheckWindow::run(bool needsRead)
{
    display(model_);
    if (!needsRead)
        return;
    // The step waits for its read; the buttons come back with the reading.
    btnNext->setEnabled(false);
    btnRedoTest->setEnabled(false);
    QPointer<CalibrationCheckWindow> self(this);
    reader_([self](const CalibrationReading& reading) {
        if (!self)
            return;
        self->model_.calibrationRead(reading);
        self->btnNext->setEnabled(true);
        self->btnRedoTest->setEnabled(true);
        self->display(self->model_);
    });
}

void CalibrationCheckWindow::display(const CalibrationCheckModel& model)
{
    setWindowTitle(model.caption());
    pbrProgress->setValue(model.progress());
    rtbGuruOutput->clear();
    QTextCursor cursor = rtbGuruOutput->textCursor();
    for (const CalibrationCheckModel::Run& run : model.output()) {
        QTextCharFormat format;
        format.setForeground(run.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
        cursor.insertText(QString(run.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), format);
    }
}

void CalibrationCheckWindow::placeOver(const QWidget* owner)
{
    if (owner)
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
}

void CalibrationCheckWindow::copyResults()
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(rtbGuruOutput->toPlainText());
}
