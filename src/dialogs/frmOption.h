#pragma once

#include "core/OptionsLogic.h"

#include <QDialog>

class ListRowModel;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class QTreeView;

// The options dialog: pages General, Proxy Server and Other over the settings
// file. Loading it reads the file into the controls and stores them at once
// (iniReadSetting); OK stores again, Cancel leaves file and settings alone.
class frmOption : public QDialog {
    Q_OBJECT
public:
    enum Page { GeneralPage = 1, ProxyPage = 2, OtherPage = 3 };

    // page: the tab to open on (1 General, 2 Proxy Server, 3 Other).
    frmOption(const QString &settingsPath, Settings &settings, int page = GeneralPage,
              QWidget *parent = nullptr);
    ~frmOption() override;

    void iniReadSetting();
    void iniSaveSetting();
    OptionValues values() const;
    void setValues(const OptionValues &values);
    int currentPage() const;      // 1..3
    int selectedProxyRow() const; // -1 when none

    QTabBar *TabStrip1 = nullptr;
    QComboBox *cmbMaxJobs = nullptr, *cmbParts = nullptr, *cmbRetries = nullptr,
              *cmbCTimeout = nullptr, *cmbRTimeout = nullptr, *cmbRdelay = nullptr,
              *cmbSpeedLimit = nullptr, *cmbUserAgent = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    QTreeView *ListView1 = nullptr;
    QPushButton *Command1 = nullptr, *Command4 = nullptr, *Command2 = nullptr, *Command3 = nullptr,
                *cmdOk = nullptr, *cmdCancel = nullptr;
    QCheckBox *chkStartMin = nullptr, *chkCloseMin = nullptr, *chkHideMin = nullptr,
              *chkUseMQ = nullptr, *chkStillDownload = nullptr, *chkDoneExit = nullptr,
              *chkDoneShutDown = nullptr, *chkAutoBack = nullptr, *chkPopMessage = nullptr;

private slots:
    void TabStrip1_Click(int index);
    void cmdOk_Click();
    void Command1_Click(); // add new
    void Command4_Click(); // modify
    void Command2_Click(); // delete
    void updateProxyButtons();

private:
    QWidget *buildGeneral();
    QWidget *buildProxy();
    QWidget *buildOther();
    QComboBox *addCombo(const char *name, const QStringList &items);

    QString m_settingsPath;
    Settings &m_settings;
    ListRowModel *m_proxyRows = nullptr;
    QStackedWidget *m_pages = nullptr;
};
