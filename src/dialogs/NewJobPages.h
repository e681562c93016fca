#pragma once

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class QTreeWidget;
class QWidget;

// The widgets of the new-job dialog, each named after its control, laid out
// page by page in reading order (which is also the tab order).
struct NewJobPages {
    QTabBar *TabStrip1 = nullptr;
    QTabBar *Tab2 = nullptr;
    QStackedWidget *picPages = nullptr;
    // " Gerenal "
    QWidget *picGernal = nullptr;
    QLineEdit *txtUrl = nullptr, *txtRef = nullptr, *txtRename = nullptr, *txtComment = nullptr;
    QLabel *lblUrlWarning = nullptr;
    QComboBox *cmbClass1 = nullptr;
    QPushButton *cmdClass1 = nullptr;
    QLineEdit *txtSaveAs1 = nullptr;
    QPushButton *cmdDlg1 = nullptr;
    QComboBox *cmbNum1 = nullptr, *cmbProxy1 = nullptr, *cmbUserAgent1 = nullptr;
    QPushButton *cmdProxy1 = nullptr;
    QCheckBox *chkLoginServer1 = nullptr;
    QLineEdit *txtUsername1 = nullptr, *txtPassword1 = nullptr;
    // " Search Setting "
    QWidget *picSearch = nullptr;
    QLineEdit *txtSearchUrl = nullptr;
    QRadioButton *OpSearch1 = nullptr, *OpSearch2 = nullptr;
    // " Generate Url "
    QWidget *picUrl = nullptr;
    QLineEdit *txtBatUrl = nullptr;
    QRadioButton *OpNumber = nullptr, *OpAlp = nullptr;
    QLineEdit *txtN1 = nullptr, *txtN2 = nullptr, *txtN3 = nullptr, *txtA1 = nullptr,
              *txtA2 = nullptr;
    QPushButton *cmdCreateUrl = nullptr, *cmdListDel = nullptr, *cmdListDelAll = nullptr;
    QListWidget *List1 = nullptr;
    QLabel *lblBatCount = nullptr;
    // " Save Option "
    QWidget *picSave = nullptr;
    QComboBox *cmbClass = nullptr;
    QPushButton *cmdClass = nullptr;
    QLineEdit *txtSaveAs = nullptr;
    QPushButton *cmdDlg = nullptr;
    QComboBox *cmbNums = nullptr, *cmbProxy = nullptr, *cmbUserAgent = nullptr;
    QPushButton *cmdProxy = nullptr;
    QCheckBox *chkLoginServer = nullptr;
    QLineEdit *txtUserName = nullptr, *txtPassWord = nullptr;
    // " Select Url "
    QWidget *picSelect = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QLabel *lblSelectNote = nullptr;
    // Not shown by any sub tab.
    QWidget *picOption = nullptr;
    // Below the pages.
    QRadioButton *Option2 = nullptr, *Option3 = nullptr;
    QPushButton *cmdNewJobOk = nullptr, *cmdCancle = nullptr;

    // Creates every widget inside `owner` with its layout.
    void buildPages(QWidget *owner);

private:
    QWidget *buildGernal(QWidget *parent);
    QWidget *buildSearch(QWidget *parent);
    QWidget *buildUrl(QWidget *parent);
    QWidget *buildSave(QWidget *parent);
    QWidget *buildSelect(QWidget *parent);
};
