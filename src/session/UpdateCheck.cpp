#include "UpdateCheck.h"

#include "UpdateList.h"
#include "UpdateNames.h"
#include "link/SettingsStore.h"
#include "shell/ErrorReport.h"
#include "shell/Hashing.h"
#include "shell/Operation.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/StartupFiles.h"
#include "shell/SystemInfo.h"
#include "shell/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

const ErrorSite CheckSite{"btnCheckForUpdates_Click", "frmMain", true};
const ErrorSite DownloadSite{"DownloadFile", "frmMain", true};
constexpr int ErrorSubscriptOutOfRange = 9;
constexpr int ErrorInvalidCall = 5;
constexpr int BalloonMs = 30000;
// The name the version's list begins with.
const QString ProgramFileDescription = QStringLiteral("Tolvi");
const QString ListFileName = QStringLiteral("distlist.txt");
const QString MissingHash = QStringLiteral("Missing!");
const QString PackageFailedText =
    QStringLiteral("Failed to retrieve an update package from the server. Please try again later.");
const QString UpdateFailedText =
    QStringLiteral("Failed to retrieve the update package from the server. Please try again later.");

QString decodeList(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

class UpdateCheck {
public:
    UpdateCheck(UpdateCheckContext& context, const UpdateCheckOptions& options)
        : services_(context.services), log_(context.services.log), prompts_(context.services.prompts),
          observer_(context.observer), cancel_(context.cancel), options_(options),
          appSettings_(AppSettingsPath(context.services.paths))
    {
    }

    UpdateOutcome run();

private:
    enum class Next { Continue, Stop };

    void info(const QString& text) { log_.debugMessage(text, SessionLog::Info); }
    void status(const QString& text) { observer_.statusText(1, text); }
    void balloon(const QString& text, Prompts::Icon icon)
    {
        prompts_.balloon(text, services_.appCaption, icon, BalloonMs);
    }
    void plan(const QString& line) { outcome_.plan.append(line); }
    void refuse(const QString& what, const QString& why);

    bool fetchList(QByteArray& list);
    Next inlineCommand(const UpdateLine& line);
    Next fileEntry(const UpdateLine& line);
    Next act(const UpdateFileEntry& entry, const ConfinedPath& local);
    Next replace(const UpdateFileEntry& entry, const ConfinedPath& local, bool restart);
    void openDocument(const UpdateFileEntry& entry);
    void savePackage(const UpdateFileEntry& entry);
    void remove(const UpdateFileEntry& entry, const ConfinedPath& local);
    bool download(const QString& address, const QString& destination, bool showProgress);
    QString downloadFolder();

    Services& services_;
    SessionLog& log_;
    Prompts& prompts_;
    OperationObserver& observer_;
    const CancelToken* cancel_;
    const UpdateCheckOptions& options_;
    const QString appSettings_;
    QString baseAddress_;
    QString downloadFolder_;
    UpdateOutcome outcome_;
};

void UpdateCheck::refuse(const QString& what, const QString& why)
{
    ++outcome_.refusedEntries;
    log_.debugMessage(QStringLiteral(" Refused entry ") + what + QStringLiteral(": ") + why, SessionLog::Problem);
    if (options_.dryRun)
        plan(what + QStringLiteral(": refused, ") + why);
}

bool UpdateCheck::fetchList(QByteArray& list)
{
    TransferLimits limits = options_.limits;
    limits.maxBytes = qMin(limits.maxBytes, UpdateListMaxBytes);
    const QString address = baseAddress_ + options_.listName;
    const TransferResult result = FetchToMemory(address, limits, list, cancel_);
    if (!result.ok) {
        log_.debugMessage(ErrorText(ErrorInvalidCall, result.error, 0, DownloadSite), SessionLog::Error);
        return false;
    }
    if (options_.dryRun)
        return true;
    // Kept beside the program, or in the data folder when the program's folder is not ours to write.
    const QString folder = options_.appFolderManaged ? services_.paths.dataFolder : services_.paths.appFolder;
    if (!WriteFileAtomically(QDir(folder).filePath(ListFileName), list))
        log_.debugMessage(QStringLiteral("Could not keep the list as ") + QDir(folder).filePath(ListFileName),
            SessionLog::Warning);
    return true;
}

UpdateOutcome UpdateCheck::run()
{
    QString server = options_.server.trimmed();
    if (server.isEmpty() || !IsWebAddress(server)) {
        const QString text = server.isEmpty()
            ? NoUpdateServerText
            : QStringLiteral("The update server address \"") + server + QStringLiteral("\" is not an http or https address.");
        log_.debugMessage(text, SessionLog::Warning);
        status(text);
        balloon(text, Prompts::Icon::Information);
        outcome_.end = UpdateOutcome::End::NoServer;
        return outcome_;
    }
    baseAddress_ = server.endsWith(QLatin1Char('/')) ? server : server + QLatin1Char('/');

    info(QStringLiteral("Checking servers for updates."));
    status(QStringLiteral("Connecting to the Karvex Technology server..."));
    info(QStringLiteral("Looking for ") + baseAddress_ + options_.listName);
    QByteArray list;
    if (!fetchList(list)) {
        info(QStringLiteral("Failed to retrieve file!"));
        status(QStringLiteral("The latest Version File was not retrieved!"));
        balloon(QStringLiteral("Failed to retrieve the latest version file from the server - Please check your "
                               "internet connection and try again."),
            Prompts::Icon::Critical);
        outcome_.end = cancel_ && cancel_->isRequested() ? UpdateOutcome::End::Cancelled : UpdateOutcome::End::ListFailed;
        return outcome_;
    }

    for (const UpdateLine& line : ParseUpdateList(decodeList(list))) {
        if (cancel_ && cancel_->isRequested()) {
            info(QStringLiteral("Update check cancelled."));
            outcome_.end = UpdateOutcome::End::Cancelled;
            return outcome_;
        }
        Next next = Next::Continue;
        switch (line.kind) {
        case UpdateLine::Kind::Comment:
            break;
        case UpdateLine::Kind::InlineCommand:
            next = inlineCommand(line);
            break;
        case UpdateLine::Kind::LogText:
        case UpdateLine::Kind::BalloonText:
            info(QString());
            info(line.text);
            if (line.kind == UpdateLine::Kind::BalloonText)
                balloon(line.text, Prompts::Icon::Information);
            break;
        case UpdateLine::Kind::FileEntry:
            next = fileEntry(line);
            break;
        }
        if (outcome_.end == UpdateOutcome::End::Failed)
            return outcome_;
        if (next == Next::Stop)
            break;
    }

    if (outcome_.updatesFound) {
        status(QStringLiteral("Update complete!"));
    } else {
        status(QStringLiteral("No updates found this time."));
        balloon(QStringLiteral("No updates found this time."), Prompts::Icon::Information);
    }
    if (outcome_.managedEntries > 0)
        balloon(QStringLiteral("Some application files differ from the update server's, but they are managed by "
                               "the system's package manager: please update the package."),
            Prompts::Icon::Information);
    outcome_.end = UpdateOutcome::End::Finished;
    return outcome_;
}

UpdateCheck::Next UpdateCheck::inlineCommand(const UpdateLine& line)
{
    info(QString());
    info(QStringLiteral("In-line command found:"));
    info(line.text);
    const char16_t command = line.command.unicode();
    if (command == u'?') {
        if (options_.dryRun) {
            plan(QStringLiteral("would ask: ") + line.argument);
            return Next::Continue;
        }
        return prompts_.askYesNo(line.argument, services_.appCaption) == Prompts::Answer::Yes ? Next::Continue
                                                                                             : Next::Stop;
    }
    if (command == u'!')
        return UpdateSettings::WithUpgradeOption(appSettings_) ? Next::Stop : Next::Continue;
    if (command == u'=')
        return UpdateSettings::WithUpgradeOption(appSettings_) ? Next::Continue : Next::Stop;
    if (command == u'~')
        return ListNumber(line.argument) <= options_.revision ? Next::Stop : Next::Continue;
    info(QStringLiteral("Unknown directive - skipping rest of upgrade"));
    return Next::Stop;
}

UpdateCheck::Next UpdateCheck::fileEntry(const UpdateLine& line)
{
    UpdateFileEntry entry;
    if (!ReadFileEntry(line, entry)) {
        ReportError(log_, prompts_, CheckSite, ErrorSubscriptOutOfRange, QStringLiteral("Subscript out of range"),
            line.lineNumber);
        outcome_.end = UpdateOutcome::End::Failed;
        return Next::Stop;
    }
    const ConfinedPath local = ConfineToFolder(services_.paths.appFolder, entry.name);
    if (!local.usable()) {
        refuse(entry.name, local.refusal);
        return Next::Continue;
    }
    QString localHash = MissingHash;
    if (QFileInfo(local.path).isFile()) {
        try {
            localHash = MD5Hash::HashFile(local.path);
        } catch (const MD5Hash::Failure& failure) {
            ReportError(log_, prompts_, CheckSite, ErrorInvalidCall, failure.text(), line.lineNumber);
            outcome_.end = UpdateOutcome::End::Failed;
            return Next::Stop;
        }
    }
    info(QStringLiteral("Checking File ") + entry.name);
    info(QStringLiteral(" Remote ") + entry.hash);
    info(QStringLiteral(" Local  ") + localHash);
    if (localHash == entry.hash) {
        info(QStringLiteral(" File is OK"));
        if (options_.dryRun)
            plan(entry.name + QStringLiteral(": up to date"));
        return Next::Continue;
    }
    info(QLatin1Char(' ') + entry.description);
    outcome_.updatesFound = true;
    return act(entry, local);
}

UpdateCheck::Next UpdateCheck::act(const UpdateFileEntry& entry, const ConfinedPath& local)
{
    const char16_t command = entry.command.unicode();
    const bool fetches = command == u'D' || command == u'R' || command == u'U' || command == u'O' || command == u'W';
    if (fetches && !IsWebAddress(entry.address)) {
        refuse(entry.name, QStringLiteral("\"") + entry.address + QStringLiteral("\" is not an http or https address"));
        return Next::Continue;
    }
    const bool changesApplication = command == u'R' || command == u'U' || command == u'X';
    if (changesApplication && options_.appFolderManaged) {
        ++outcome_.managedEntries;
        log_.debugMessage(QLatin1Char(' ') + entry.name + QStringLiteral(" is managed by the system's package manager - skipped"),
            SessionLog::Warning);
        if (options_.dryRun)
            plan(entry.name + QStringLiteral(": managed by the system's package manager, would skip"));
        return Next::Continue;
    }
    switch (command) {
    case u'D':
        savePackage(entry);
        return Next::Continue;
    case u'R':
    case u'U':
        return replace(entry, local, command == u'U');
    case u'O':
        openDocument(entry);
        return Next::Continue;
    case u'W':
        info(QStringLiteral("  Navigate to ") + entry.address);
        if (options_.dryRun)
            plan(entry.name + QStringLiteral(": would open ") + entry.address);
        else
            prompts_.openPath(entry.address, Prompts::OpenVerb::Open);
        return Next::Continue;
    case u'X':
        remove(entry, local);
        return Next::Continue;
    default:
        log_.debugMessage(QStringLiteral(" Unknown or mangled command for upgradable file..."), SessionLog::Problem);
        if (options_.dryRun)
            plan(entry.name + QStringLiteral(": unknown command, would skip"));
        return Next::Continue;
    }
}

UpdateCheck::Next UpdateCheck::replace(const UpdateFileEntry& entry, const ConfinedPath& local, bool restart)
{
    log_.debugMessage((restart ? QStringLiteral(" Restart after Downloading ") : QStringLiteral(" Downloading "))
            + entry.address,
        SessionLog::Warning);
    if (options_.dryRun) {
        plan(entry.name + QStringLiteral(": would replace ") + local.path + QStringLiteral(" from ") + entry.address
            + (restart ? QStringLiteral(" and offer a restart") : QString()));
        return Next::Continue;
    }
    QDir().mkpath(QFileInfo(local.path).path());
    if (!download(entry.address, local.path, false)) {
        balloon(restart ? UpdateFailedText : PackageFailedText, Prompts::Icon::Critical);
        return Next::Continue;
    }
    info(QStringLiteral("OK"));
    UpdateSettings::MarkHashCheck(appSettings_);
    status(QStringLiteral("Application files updated!"));
    if (!restart)
        return Next::Continue;
    if (prompts_.askYesNo(QStringLiteral("Part of the application has been updated and the application needs to "
                                         "restart. Do you wish to do so now?"),
            services_.appCaption)
        == Prompts::Answer::Yes) {
        outcome_.restartRequested = true;
        return Next::Stop;
    }
    status(QStringLiteral("Application files updated - please close the application!"));
    return Next::Continue;
}

void UpdateCheck::openDocument(const UpdateFileEntry& entry)
{
    info(QStringLiteral(" Download and open ") + entry.address);
    if (!IsPlainFileName(entry.name)) {
        refuse(entry.name, QStringLiteral("a document to open needs a plain file name"));
        return;
    }
    if (options_.dryRun) {
        plan(entry.name + QStringLiteral(": would download ") + entry.address + QStringLiteral(" and ask to open it"));
        return;
    }
    const QString folder = downloadFolder();
    const QString path = QDir(folder).filePath(entry.name);
    if (folder.isEmpty() || !download(entry.address, path, false)) {
        balloon(UpdateFailedText, Prompts::Icon::Critical);
        return;
    }
    const QString question = QStringLiteral("\"") + entry.name + QStringLiteral("\" has been downloaded from ")
        + entry.address + QStringLiteral(" to ") + folder + QStringLiteral(". Do you wish to open it now?");
    if (prompts_.askYesNo(question, services_.appCaption) != Prompts::Answer::Yes) {
        info(QStringLiteral(" Not opened: ") + path);
        return;
    }
    prompts_.openPath(path, Prompts::OpenVerb::Open);
    info(QStringLiteral("OK."));
}

void UpdateCheck::savePackage(const UpdateFileEntry& entry)
{
    log_.debugMessage(QStringLiteral(" Request user to download ") + entry.address, SessionLog::Warning);
    if (!IsPlainFileName(entry.hash)) {
        refuse(entry.name, QStringLiteral("the package name \"") + entry.hash + QStringLiteral("\" is not a plain file name"));
        return;
    }
    if (options_.dryRun) {
        plan(entry.name + QStringLiteral(": would offer to save ") + entry.address + QStringLiteral(" as ") + entry.hash);
        return;
    }
    Prompts::FileChoice choice;
    choice.title = QStringLiteral("Save the upgrade package from ") + entry.address;
    choice.filters = {QStringLiteral("Applications (*.exe)")};
    choice.proposedName = entry.hash;
    choice.defaultExtension = QStringLiteral("exe");
    choice.folder = MyDocsDir();
    const std::optional<Prompts::FileChosen> chosen = prompts_.chooseSaveFile(choice);
    if (!chosen || chosen->path.isEmpty())
        return;
    status(QStringLiteral("New version package available for download."));
    if (!download(entry.address, chosen->path, true)) {
        balloon(PackageFailedText, Prompts::Icon::Critical);
        return;
    }
    info(QStringLiteral("OK"));
    prompts_.message(Prompts::Icon::Information, QStringLiteral("An upgrade package has been saved to \r\n") + chosen->path
            + QStringLiteral("\r\nYou should close the application now and run the upgrade package."),
        services_.appCaption);
    status(QStringLiteral("New version package available."));
}

void UpdateCheck::remove(const UpdateFileEntry& entry, const ConfinedPath& local)
{
    log_.debugMessage(QStringLiteral(" Delete ") + QDir::toNativeSeparators(services_.paths.appFolder)
            + QDir::separator() + entry.name,
        SessionLog::Warning);
    const QFileInfo file(local.path);
    if (local.throughLink || (file.exists() && !file.isFile())) {
        refuse(entry.name, QStringLiteral("only a regular file of the application folder is deleted"));
        return;
    }
    if (options_.dryRun) {
        plan(entry.name + QStringLiteral(": would delete ") + local.path);
        return;
    }
    if (file.exists() && !QFile::remove(local.path)) {
        log_.debugMessage(QStringLiteral("Could not delete ") + local.path, SessionLog::Problem);
        return;
    }
    info(QStringLiteral("OK."));
    UpdateSettings::MarkHashCheck(appSettings_);
}

bool UpdateCheck::download(const QString& address, const QString& destination, bool showProgress)
{
    std::function<void(int)> progress;
    if (showProgress)
        progress = [this](int percent) { observer_.progress(percent); };
    const TransferResult result = FetchToFile(address, destination, options_.limits, progress, cancel_);
    if (showProgress)
        observer_.progress(-1);
    if (!result.ok) {
        ++outcome_.failedTransfers;
        log_.debugMessage(ErrorText(ErrorInvalidCall, result.error, 0, DownloadSite), SessionLog::Error);
    }
    return result.ok;
}

QString UpdateCheck::downloadFolder()
{
    if (!options_.downloadFolder.isEmpty())
        return options_.downloadFolder;
    if (downloadFolder_.isEmpty()) {
        // A private folder of its own, so nobody else can plant a file or link under the name.
        QTemporaryDir folder(QDir(TemporaryFolder()).filePath(QStringLiteral("tolvi-update-XXXXXX")));
        folder.setAutoRemove(false);
        if (folder.isValid())
            downloadFolder_ = folder.path();
    }
    return downloadFolder_;
}

} // namespace

namespace UpdateSettings {

QString Server(const QString& appSettingsFile)
{
    return StoreReadText(appSettingsFile, Section, QStringLiteral("Server"), QString()).trimmed();
}

bool WithUpgradeOption(const QString& appSettingsFile)
{
    return StoreReadText(appSettingsFile, Section, QStringLiteral("WithUpgradeOption"), QStringLiteral("False"))
               .trimmed()
               .compare(QLatin1String("True"), Qt::CaseInsensitive)
        == 0;
}

void MarkHashCheck(const QString& appSettingsFile)
{
    StoreWrite(appSettingsFile, Section, QStringLiteral("DoHashCheck"), QStringLiteral("S"), QStringLiteral("True"));
}

} // namespace UpdateSettings

UpdateOutcome CheckForUpdates(UpdateCheckContext& context, const UpdateCheckOptions& options)
{
    UpdateCheck check(context, options);
    try {
        return check.run();
    } catch (const std::exception& e) {
        ReportError(context.services.log, context.services.prompts, CheckSite, ErrorInvalidCall,
            QString::fromLocal8Bit(e.what()));
        UpdateOutcome failed;
        failed.end = UpdateOutcome::End::Failed;
        return failed;
    }
}

bool ApplicationFolderManaged(const QString& appFolder)
{
    const QString folder = QFileInfo(appFolder).canonicalFilePath();
    if (folder.isEmpty())
        return true;
    if (folder.startsWith(QLatin1String("/usr/")) && !folder.startsWith(QLatin1String("/usr/local/")))
        return true;
    // Writable is what a file created there says, not the permission bits.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("tolvi-probe-XXXXXX")));
    return !probe.open();
}

UpdateCheckOptions UpdateOptionsFor(const Services& services, const QString& version, const QString& server)
{
    UpdateCheckOptions options;
    options.server = server.isEmpty() ? UpdateSettings::Server(AppSettingsPath(services.paths)) : server;
    options.listName = VersionListName(ProgramFileDescription, version);
    options.revision = VersionRevision(version);
    options.appFolderManaged = ApplicationFolderManaged(services.paths.appFolder);
    return options;
}

QString UpdateOutcomeText(const UpdateOutcome& outcome)
{
    switch (outcome.end) {
    case UpdateOutcome::End::NoServer:
        return NoUpdateServerText;
    case UpdateOutcome::End::ListFailed:
        return QStringLiteral("The list of updates could not be fetched from the update server. Please try again later.");
    case UpdateOutcome::End::Finished:
        if (!outcome.updatesFound)
            return QStringLiteral("This program is up to date.");
        break;
    case UpdateOutcome::End::Failed:
    case UpdateOutcome::End::Cancelled:
        break;
    }
    return {};
}
