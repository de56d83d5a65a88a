#include "TerminalWindow.h"

#include "InstrumentThread.h"
#include "instrument/TerminalEepromDump.h"
#include "shell/Prompts.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace {
QColor MarkerColour(TranscriptLine::Kind kind)
{
    switch (kind) {
    case TranscriptLine::Kind::Request: return Qt::blue;
    case TranscriptLine::Kind::Reply: return QColor(0, 128, 0);
    case TranscriptLine::Kind::NoReply: return Qt::red;
    }
    return Qt::black;
}
}

TerminalWindow::TerminalWindow(TerminalSession& session, InstrumentThread& thread, Prompts& prompts,
    QString hexPath, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), thread_(thread), prompts_(prompts), hexPath_(std::move(hexPath))
{
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(QStringLiteral("Debug Terminal"));
    resize(560, 420);

    txtTermISay = new QLineEdit;
    txtTermISay->setObjectName(QStringLiteral("txtTermISay"));
    txtTermISay->installEventFilter(this);
    btnTermSendISay = new QPushButton(QStringLiteral("Send"));
    btnTermSendISay->setObjectName(QStringLiteral("btnTermSendISay"));
    btnTermSaveEE = new QPushButton(QStringLiteral("Save EE"));
    btnTermSaveEE->setObjectName(QStringLiteral("btnTermSaveEE"));
    rtbTermHeSays = new QTextEdit;
    rtbTermHeSays->setObjectName(QStringLiteral("rtbTermHeSays"));
    rtbTermHeSays->setReadOnly(true);
    rtbTermHeSays->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    rtbTermHeSays->setLineWrapMode(QTextEdit::NoWrap);

    lblTermState = new QLabel;
    lblTermState->setObjectName(QStringLiteral("lblTermState"));
    lblTermState->setWordWrap(true);

    auto* frame = new QGroupBox(QStringLiteral("Terminal"));
    frame->setObjectName(QStringLiteral("fraTerminal"));
    auto* input = new QHBoxLayout;
    input->addWidget(txtTermISay, 1);
    input->addWidget(btnTermSendISay);
    input->addWidget(btnTermSaveEE);
    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(input);
    inner->addWidget(lblTermState);
    inner->addWidget(rtbTermHeSays, 1);
    (new QVBoxLayout(this))->addWidget(frame);

    tmrTerminalScan = new QTimer(this);
    tmrTerminalScan->setObjectName(QStringLiteral("tmrTerminalScan"));
    tmrTerminalScan->setInterval(100);
    connect(tmrTerminalScan, &QTimer::timeout, this, &TerminalWindow::scanTick);
    connect(btnTermSendISay, &QPushButton::clicked, this, &TerminalWindow::send);
    connect(btnTermSaveEE, &QPushButton::clicked, this, &TerminalWindow::saveEeprom);
    connect(&thread_, &InstrumentThread::busyChanged, btnTermSaveEE, [this](bool busy) {
        btnTermSaveEE->setEnabled(!busy);
    });
    showLinkState();
}

void TerminalWindow::setLinkConnected(bool connected)
{
    connected_ = connected;
    if (connected_ && session_.hasPending())
        tmrTerminalScan->start();
    else if (!connected_)
        tmrTerminalScan->stop();
    showLinkState();
}

void TerminalWindow::showLinkState()
{
    lblTermState->setVisible(!connected_);
    lblTermState->setText(session_.hasPending()
            ? QStringLiteral("No instrument is connected: the request is sent once one is.")
            : QStringLiteral("No instrument is connected."));
}

void TerminalWindow::send()
{
    // The frame waits for the scan timer, which runs only while an instrument
    // is connected.
    txtTermISay->setText(session_.queue(txtTermISay->text()));
    // Selected, so the next request simply replaces it.
    txtTermISay->setFocus();
    txtTermISay->selectAll();
    if (connected_)
        tmrTerminalScan->start();
    showLinkState();
}

void TerminalWindow::scanTick()
{
    // One frame at a time, and only when no other procedure talks to the instrument.
    if (!session_.hasPending()) {
        // Nothing waits: outside debug mode the next send starts the timer again.
        if (!debugMode_)
            tmrTerminalScan->stop();
        return;
    }
    if (thread_.isBusy())
        return;
    const QByteArray frame = session_.takePending();
    QPointer<TerminalWindow> self(this);
    thread_.submit(QStringLiteral("terminal send"), [this, self, frame] {
        const QList<TranscriptLine> lines = session_.exchange(frame);
        QMetaObject::invokeMethod(this, [self, lines] {
            if (self)
                self->appendLines(lines);
        }, Qt::QueuedConnection);
    });
}

void TerminalWindow::saveEeprom()
{
    QPointer<TerminalWindow> self(this);
    thread_.submit(QStringLiteral("EEPROM dump"), [this, self] {
        auto toTranscript = [this, self](const QList<TranscriptLine>& lines) {
            QMetaObject::invokeMethod(this, [self, lines] {
                if (self)
                    self->appendLines(lines);
            }, Qt::QueuedConnection);
        };
        TerminalEepromDump dump(session_, toTranscript);
        const EepromDumpResult result = dump.run(hexPath_, nullptr, &thread_.cancelToken());
        prompts_.message(result.ok ? Prompts::Icon::Information : Prompts::Icon::Exclamation, result.message);
    });
}

void TerminalWindow::appendLines(const QList<TranscriptLine>& lines)
{
    QTextCursor cursor(rtbTermHeSays->document());
    cursor.movePosition(QTextCursor::End);
    for (const TranscriptLine& line : lines) {
        QTextCharFormat format;
        format.setForeground(Qt::magenta);
        cursor.insertText(line.timeText() + QLatin1Char('\t'), format);
        format.setForeground(MarkerColour(line.kind));
        cursor.insertText(line.marker() + QLatin1Char('\t'), format);
        format.setForeground(Qt::black);
        cursor.insertText(line.text + QLatin1Char('\n'), format);
    }
    rtbTermHeSays->setTextCursor(cursor);
    rtbTermHeSays->ensureCursorVisible();
}

void TerminalWindow::clear()
{
    txtTermISay->clear();
    rtbTermHeSays->clear();
}

bool TerminalWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtTermISay) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                btnTermSendISay->click();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            QMetaObject::invokeMethod(txtTermISay, &QLineEdit::selectAll, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}
