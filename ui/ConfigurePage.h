#pragma once
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <optional>
#include <utility>

// The "Configure" page: the port list and the connection buttons, the
// connection label, the status picture, the front-page logo (help) and the
// technical-file button. A view only: the main window binds it to the model.
class ConfigurePage : public QWidget {
    Q_OBJECT
public:
    explicit ConfigurePage(const QString& appFolder, QWidget* parent = nullptr);

    QLabel* imgFrontPageLogo = nullptr;
    QLabel* lblConnectionString = nullptr;
    QLabel* lblInstrumentIdentity = nullptr;   // the connected instrument, in place of the title
    QLabel* picStatus = nullptr;
    QComboBox* lstComPorts = nullptr;
    QPushButton* btnSelectComPort = nullptr;
    QPushButton* btnAutoSelectComPort = nullptr;
    QPushButton* btnRescanPorts = nullptr;
    QPushButton* cmdUseNetwork = nullptr;
    QPushButton* btnDisconnect = nullptr;
    QPushButton* btnGenerateTechnicalFile = nullptr;
    QPushButton* btnCheckForUpdates = nullptr;

    // The port list's entries and its edit text ("Please select..." after a
    // scan). While the user has the list open it is left alone; the latest
    // one is shown once it closes.
    void setPorts(const QStringList& entries, const QString& editText);
    // The connection label; upgrade marks an instrument whose firmware has an upgrade.
    void setConnectionLabel(const QString& text, bool upgrade);
    // The connected instrument's identity; empty text shows the title again.
    void setInstrumentIdentity(const QString& text);
    // 0 idle, 1..3 the rotating activity sign, -1 the link is lost.
    void setStatusPicture(int frame);

Q_SIGNALS:
    void logoClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPorts(const QStringList& entries, const QString& editText);

    // A list that came while the user had the port list open.
    std::optional<std::pair<QStringList, QString>> pendingPorts_;
};
