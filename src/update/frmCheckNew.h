#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class UpdateCheck;

// "Check Newest Version": runs the update check when it opens and, when a
// newer version exists, offers to download it.
class frmCheckNew : public QDialog {
    Q_OBJECT
public:
    // Starts the check against host:port at once.
    frmCheckNew(const QString &host, quint16 port, const QString &appVersion,
                QWidget *parent = nullptr);

    // "DownLoad Now!" hands the address here, then the dialog closes.
    std::function<void(const QString &url)> downloadNow;
    // "More Infomation" opens this address.
    std::function<void()> moreInformation;

    UpdateCheck *check() const { return m_check; }
    QLabel *Label1;
    QPushButton *Command1, *Command2, *OKButton;

private:
    UpdateCheck *m_check;
};
