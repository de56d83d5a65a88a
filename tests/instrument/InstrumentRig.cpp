#include "InstrumentRig.h"

#include "link/NetworkTransport.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

QByteArray MemoryInstrument::answer(const QByteArray& payload)
{
    QMutexLocker lock(&mutex_);
    if (spoil_ > 0) {
        --spoil_;
        return Responder::Spoilt(payload);
    }
    for (const QByteArray& prefix : silent_) {
        if (payload.startsWith(prefix))
            return {};
    }
    if (replies_.contains(payload))
        return Responder::Reply(replies_.value(payload));
    if (payload == "A00")
        return Responder::Reply("A01" + scheduleBlock_);
    if (payload.startsWith("A01") && payload.size() == 25) {
        scheduleBlock_ = payload.mid(3);
        return Responder::Reply(payload);
    }
    if (payload == "A02" || payload == "A03")
        scheduleState_ = payload == "A02" ? 3 : 0;
    if (payload == "A02" || payload == "A03" || payload == "A04")
        return Responder::Reply("A00" + QByteArray::number(scheduleState_, 16).toUpper().rightJustified(2, '0'));
    const char letter = payload.isEmpty() ? '\0' : payload.at(0);
    bool ok = false;
    const int address = payload.mid(1, 4).toInt(&ok, 16);
    if (ok && payload.size() == 7 && (letter == 'G' || letter == 'E')) {
        const int count = payload.mid(5, 2).toInt(nullptr, 16);
        const auto& memory = letter == 'G' ? QByteArray(reinterpret_cast<const char*>(eeprom_.data()), 1024)
                                           : QByteArray(reinterpret_cast<const char*>(flash_.data()), 512);
        if (address + count <= memory.size())
            return Responder::Reply(payload.left(5) + memory.mid(address, count).toHex().toUpper());
    }
    if (ok && letter == 'B' && payload.size() > 5) {
        const QByteArray bytes = QByteArray::fromHex(payload.mid(5));
        for (int k = 0; k < bytes.size() && address + k < 1024; ++k)
            eeprom_[size_t(address + k)] = uint8_t(bytes[k]);
        return Responder::Reply(payload);
    }
    return Responder::Spoilt(payload);
}

void MemoryInstrument::setEeprom(int address, const QByteArray& bytes)
{
    QMutexLocker lock(&mutex_);
    for (int k = 0; k < bytes.size(); ++k)
        eeprom_.at(size_t(address + k)) = uint8_t(bytes[k]);
}

QByteArray MemoryInstrument::eeprom(int address, int count) const
{
    QMutexLocker lock(&mutex_);
    return QByteArray(reinterpret_cast<const char*>(eeprom_.data()) + address, count);
}

void MemoryInstrument::setFlash(int address, const QByteArray& bytes)
{
    QMutexLocker lock(&mutex_);
    for (int k = 0; k < bytes.size(); ++k)
        flash_.at(size_t(address + k)) = uint8_t(bytes[k]);
}

void MemoryInstrument::setScheduleBlock(const QByteArray& hex)
{
    QMutexLocker lock(&mutex_);
    scheduleBlock_ = hex;
}

void MemoryInstrument::setScheduleState(int state)
{
    QMutexLocker lock(&mutex_);
    scheduleState_ = state;
}

void MemoryInstrument::setReply(const QByteArray& request, const QByteArray& replyPayload)
{
    QMutexLocker lock(&mutex_);
    replies_.insert(request, replyPayload);
}

void MemoryInstrument::setSilent(const QByteArray& prefix)
{
    QMutexLocker lock(&mutex_);
    silent_.append(prefix);
}

void MemoryInstrument::spoilFirst(int count)
{
    QMutexLocker lock(&mutex_);
    spoil_ = count;
}

InstrumentRig::InstrumentRig()
    : perUser(folder.file(QStringLiteral("peruser.ini")))
    , services{log, prompts, perUser, folder.paths()}
{
    log.setListener([this](const QString& line, int level) {
        QMutexLocker lock(&linesMutex_);
        lines_.append({line.section(QLatin1Char('\t'), 2), level});
    });
    info.SerialNumber = QStringLiteral("12345");
    info.RecordFolder = folder.file(QStringLiteral("12345"));
    QDir().mkpath(info.RecordFolder);
}

InstrumentRig::~InstrumentRig()
{
    link.network().close();
}

void InstrumentRig::start()
{
    start([this](const QByteArray& payload) { return memory.answer(payload); });
}

void InstrumentRig::start(Responder::Handler handler)
{
    responder = std::make_unique<Responder>(std::move(handler));
    link.setUseNetwork(true);
    if (link.network().connectTo(QStringLiteral("127.0.0.1"), responder->port(), 5000) != NetworkTransport::Connected)
        throw std::runtime_error("link cannot reach the responder");
}

QStringList InstrumentRig::logged(int level) const
{
    QMutexLocker lock(&linesMutex_);
    QStringList texts;
    for (const Line& line : lines_) {
        if (level < 0 || line.level == level)
            texts << line.text;
    }
    return texts;
}

QStringList InstrumentRig::historyTexts() const
{
    QFile file(QDir(info.RecordFolder).filePath(QStringLiteral("history.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList texts;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        if (line.isEmpty())
            continue;
        if (line.endsWith('\r'))
            line.chop(1);
        texts << QString::fromUtf8(line).section(QLatin1Char('\t'), 1);
    }
    return texts;
}
