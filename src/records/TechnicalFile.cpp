#include "TechnicalFile.h"

#include "records/EepromReport.h"
#include "records/EventLogReport.h"
#include "records/PacketArchive.h"
#include "records/PacketFolder.h"
#include "data/DataFileLayout.h"
#include "data/SaveData.h"
#include "instrument/DownloadTable.h"
#include "instrument/EepromImage.h"
#include "instrument/Identity.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/Procedure.h"
#include "link/InstrumentLink.h"
#include "shell/IniFile.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Prompts.h"
#include "shell/StartupFiles.h"
#include "shell/SystemInfo.h"
#include "shell/TimeConv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString Data = QStringLiteral("data");
const QString Settings = QStringLiteral("settings");
const QString Instrument = QStringLiteral("instrument");
const QString Meta = QStringLiteral("meta");
const QString MetaSoft = QStringLiteral("meta/soft");
constexpr int ShortenedPathLength = 60;

// Writes one report into a folder of the packet and notes it in that folder's README.
void AddReport(const PacketFolder& packet, const QString& folder, const QString& name, const QStringList& lines,
    bool withContent = true)
{
    packet.write(folder + QLatin1Char('/') + name, lines);
    packet.noteFile(folder, name, withContent);
}

// Copies a file into the packet with its README line; a file left out (a
// link, no regular file) is said in the README and in the session log.
bool CopyAndNote(TechnicalFileContext& c, const PacketFolder& packet, const QString& folder, const QString& source,
    const QString& name)
{
    const PacketFolder::Copy copy = packet.copy(source, folder + QLatin1Char('/') + name);
    if (copy.skipped.isEmpty()) {
        packet.noteFile(folder, name, copy.copied);
        return copy.copied;
    }
    packet.noteSkipped(folder, name, copy.skipped);
    c.services.log.debugMessage(
        QStringLiteral("Technical file: ") + source + QStringLiteral(" not included: ") + copy.skipped, SessionLog::Problem);
    return false;
}

void Announce(TechnicalFileContext& c, const QString& text)
{
    c.services.log.debugMessage(text, SessionLog::Info);
    c.observer.statusText(1, text);
}

QStringList FramListing(const TechnicalFileContext& c)
{
    DataFileLayout layout;
    layout.format = DataFormat::Comprehensive;
    layout.sep = FieldSeparator(c.locale);
    layout.locale = c.locale;
    layout.flags = c.link.firmwareFlags();
    QStringList lines{layout.header()};
    for (int slot = 1; slot <= c.table.count(); ++slot) {
        if (c.table.isRead(slot))   // a slot that could not be read is no sample
            lines << layout.row(c.table[slot], slot);
    }
    return lines;
}

void AddSettingsReports(TechnicalFileContext& c, const PacketFolder& packet)
{
    Announce(c, QStringLiteral("Fetching instrument settings..."));
    tolviM::FillEEPROM(c.link, c.services, c.info);
    Announce(c, QStringLiteral("Adding data to Report..."));
    AddReport(packet, Settings, QStringLiteral("eeprom_hex.txt"), EepromReport::HexDump(c.info.EEPROMImage));
    AddReport(packet, Settings, QStringLiteral("eeprom.txt"),
        EepromReport::Settings(c.info.EEPROMImage, c.link.firmwareFlags(), c.locale));
    AddReport(packet, Data, QStringLiteral("eeprom.csv"),
        EepromReport::SavedSamples(c.info.EEPROMImage, FieldSeparator(c.locale), c.locale));
    packet.closeReadme(Data);
    AddReport(packet, Settings, QStringLiteral("limits.txt"), PacketReports::Limits(c.info.FlashLimits, c.locale));
    AddReport(packet, Settings, QStringLiteral("mgm.txt"), PacketReports::MgmConversion(c.info, c.locale));
    packet.closeReadme(Settings);
}

void AddInstrumentReports(TechnicalFileContext& c, const PacketFolder& packet)
{
    const QString id = tolviM::GetFirmwareID(c.link, c.services, false);
    const QString full = tolviM::GetFirmwareID(c.link, c.services, true);
    AddReport(packet, Instrument, QStringLiteral("fw_id.txt"), PacketReports::FirmwareId(id, full));
    // The clock as last read (at the connection or the last keep-alive): the
    // report describes the instrument as the program has seen it.
    AddReport(packet, Instrument, QStringLiteral("rtc.txt"), PacketReports::Clock(c.info, c.locale));
    for (const char* fileName : {"history.txt", "initial.txt"}) {
        const QString name = QLatin1String(fileName);
        if (c.info.RecordFolder.isEmpty())
            packet.noteFile(Instrument, name, false);
        else
            CopyAndNote(c, packet, Instrument, QDir(c.info.RecordFolder).filePath(name), name);
    }
    packet.closeReadme(Instrument);
}

void AddMetaReports(TechnicalFileContext& c, const PacketFolder& packet)
{
    const AppPaths& paths = c.services.paths;
    const auto userFile = IniFile::load(UserSettingsPath(paths));
    const QString passwordValid = userFile ? userFile->value(QStringLiteral("Password"), QStringLiteral("Valid"),
                                                 QStringLiteral("Unknown"))
                                           : QStringLiteral("Unknown");
    AddReport(packet, Meta, QStringLiteral("user.txt"), PacketReports::User(GetUserName(), UsrDir(), passwordValid));

    auto install = [&](const char* key) {
        return c.services.perUser.value(QStringLiteral("Install"), QLatin1String(key)).toString();
    };
    AddReport(packet, Meta, QStringLiteral("regs.txt"),
        PacketReports::Registry({install("Done"), install("Date"), install("Type"), install("Version")}), false);

    PacketReports::Environment environment;
    environment.computerName = GetComputerName();
    environment.utcOffsetHours = QDateTime::currentDateTime().offsetFromUtc() / 3600.0;
    environment.locationCode = GetLocationCode(c.locale);
    environment.windowsFolder = WinDir();
    AddReport(packet, Meta, QStringLiteral("envr.txt"), PacketReports::OperatingSystem(environment, c.locale));
    AddReport(packet, Meta, QStringLiteral("soft.txt"), PacketReports::SoftwareInfo(c.software, c.locale));
    packet.closeReadme(Meta);
}

// The installer's logs of the program folder, the post-install logs (written
// into the data folder, formerly into the folder above it) and the install history.
void AddInstallLogs(TechnicalFileContext& c, const PacketFolder& packet)
{
    const AppPaths& paths = c.services.paths;
    const QDir above(QDir(paths.dataFolder).absoluteFilePath(QStringLiteral("..")));
    const QList<std::pair<QDir, QString>> sources{{QDir(paths.appFolder), QStringLiteral("install_*.log")},
        {above, QStringLiteral("postinst_*.log")}, {QDir(paths.dataFolder), QStringLiteral("postinst_*.log")}};
    QSet<QString> taken;
    for (const auto& [dir, pattern] : sources) {
        for (const QFileInfo& log : dir.entryInfoList({pattern}, QDir::Files, QDir::Name)) {
            if (taken.contains(log.fileName()))
                continue;
            taken.insert(log.fileName());
            CopyAndNote(c, packet, MetaSoft, log.filePath(), log.fileName());
        }
    }
    const QString history = QStringLiteral("install_history.txt");
    const QString installText = above.filePath(QStringLiteral("install.txt"));
    if (QFileInfo(installText).isSymLink() || QFileInfo::exists(installText))
        CopyAndNote(c, packet, MetaSoft, installText, history);
    packet.closeReadme(MetaSoft);
}

void OfferFolder(TechnicalFileContext& c, const QString& archivePath)
{
    if (!c.offerToOpenFolder)
        return;
    const QString question = QStringLiteral("Technical File generation is complete. The file is located at:\r\n\t")
        + QDir::toNativeSeparators(archivePath) + QStringLiteral("\r\nWould you like to open this directory?");
    if (c.services.prompts.askYesNo(question, c.services.appCaption, Prompts::Icon::Question) == Prompts::Answer::Yes)
        c.services.prompts.openPath(QFileInfo(archivePath).absolutePath(), Prompts::OpenVerb::Explore);
}

}

QString DefaultTechnicalFilePath(Services& services)
{
    QString documents;
    if (GetDir(services.log, FolderId::Documents, documents) != 0 || documents.isEmpty())
        documents = MyDocsDir();
    return QDir(documents).filePath(TechnicalFileName);
}

PacketReports::Software ThisSoftware(const QStringList& arguments)
{
    const ProgramIdentity program = ThisProgramIdentity(QString(), arguments);
    PacketReports::Software software;
    software.versionMajor = program.versionMajor;
    software.versionMinor = program.versionMinor;
    software.versionRevision = program.versionRevision;
    software.path = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    software.options = arguments.join(QLatin1Char(' '));
    return software;
}

TechnicalFileResult GenerateTechnicalFile(TechnicalFileContext& c)
{
    TechnicalFileResult result;
    result.archivePath = c.archivePath.isEmpty() ? DefaultTechnicalFilePath(c.services) : c.archivePath;
    tolviM::Guarded(c.services, "GenerateTechnicalFile", [&] {
        const PacketFolder packet(c.services.paths.dataFolder);
        Announce(c, QStringLiteral("Adding data to Report..."));
        packet.prepare();
        const QString info = QStringLiteral("info.txt");
        packet.write(info, PacketReports::InfoHead(GMTNow(), c.locale));

        AddReport(packet, Data, QStringLiteral("fram.csv"), FramListing(c));
        AddReport(packet, Data, QStringLiteral("events.txt"), EventLogReport::Read(c.link, c.services, c.locale));
        AddReport(packet, Data, QStringLiteral("curve.csv"), PacketReports::CurveCsv(), false);
        AddSettingsReports(c, packet);
        AddInstrumentReports(c, packet);
        AddMetaReports(c, packet);
        AddInstallLogs(c, packet);
        if (c.services.log.logToFile()) {
            const PacketFolder::Copy session = packet.copy(c.services.log.logFilePath(), Instrument + QStringLiteral("/session.txt"));
            if (!session.skipped.isEmpty())
                c.services.log.debugMessage(QStringLiteral("Technical file: ") + c.services.log.logFilePath()
                        + QStringLiteral(" not included: ") + session.skipped, SessionLog::Problem);
        }
        packet.append(info, PacketReports::InfoEnd());

        const PackResult packed = PackFolder(packet.path(), result.archivePath);
        if (!packed.ok) {
            c.services.log.debugMessage(QStringLiteral("Module:modZip.ZipIt"), SessionLog::Problem);
            c.services.log.debugMessage(QStringLiteral("Module:modZip.ZipIt : %1 (%2)").arg(packed.zipError).arg(packed.message),
                SessionLog::Problem);
            c.services.log.debugMessage(QStringLiteral("Packet generation failed"), SessionLog::Info);
            c.observer.statusText(1, QStringLiteral("Packet generation failed"));
            c.services.prompts.message(Prompts::Icon::Exclamation,
                QStringLiteral("The technical file could not be written to:\r\n\t") + QDir::toNativeSeparators(result.archivePath)
                    + QStringLiteral("\r\n") + packed.message
                    + QStringLiteral("\r\nAny earlier technical file there is unchanged."));
            return;
        }
        result.generated = true;
        c.services.log.debugMessage(QStringLiteral("Packet generated OK"), SessionLog::Info);
        c.observer.statusText(1, QStringLiteral("Packet generated OK"));
        OfferFolder(c, result.archivePath);
        c.services.log.debugMessage(QStringLiteral("Technical File saved to '")
                + CompactPath(QDir::toNativeSeparators(result.archivePath), ShortenedPathLength) + QStringLiteral("'."),
            SessionLog::Info);
        packet.clear();
    });
    return result;
}
