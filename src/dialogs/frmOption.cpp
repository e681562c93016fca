#include "dialogs/frmOption.h"

#include "base/ListRowModel.h"
#include "core/ProxyList.h"
#include "dialogs/frmProxy.h"
#include "kit/PlaceDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
QStringList numbers(int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// The check boxes of page Other with their values, in file order.
struct CheckKey {
    QCheckBox *frmOption::*box;
    int OptionValues::*value;
    const char *name;
    const char *caption;
};
const CheckKey kChecks[] = {
    {&frmOption::chkStartMin, &OptionValues::StartMin, "chkStartMin",
     "Start main window minimized"},
    {&frmOption::chkCloseMin, &OptionValues::CloseMin, "chkCloseMin",
     "Minimize Main window on clicking X"},
    {&frmOption::chkHideMin, &OptionValues::HideMin, "chkHideMin", "Hide window when minimized"},
    {&frmOption::chkUseMQ, &OptionValues::UseMQ, "chkUseMQ",
     "Use \"mq!\" as file extension until finished"},
    {&frmOption::chkStillDownload, &OptionValues::StillDownload, "chkStillDownload",
     "Still download from no-resumable web sites"},
    {&frmOption::chkDoneExit, &OptionValues::DoneExit, "chkDoneExit",
     "Exit Moorquill when done downloading"},
    {&frmOption::chkDoneShutDown, &OptionValues::DownShutDown, "chkDoneShutDown",
     "Shut Down when done"},
    {&frmOption::chkAutoBack, &OptionValues::AutoBack, "chkAutoBack",
     "Auto backup download database when exit"},
    {&frmOption::chkPopMessage, &OptionValues::PopMessage, "chkPopMessage",
     "Alaws pop up message window"},
};

// The text boxes of pages General and Other with their values.
struct BoxKey {
    QComboBox *frmOption::*box;
    QString OptionValues::*value;
};
const BoxKey kBoxes[] = {
    {&frmOption::cmbMaxJobs, &OptionValues::Maxjobs},
    {&frmOption::cmbParts, &OptionValues::Parts},
    {&frmOption::cmbRetries, &OptionValues::Retries},
    {&frmOption::cmbCTimeout, &OptionValues::Ctimeout},
    {&frmOption::cmbRTimeout, &OptionValues::Rtimeout},
    {&frmOption::cmbRdelay, &OptionValues::Redelay},
    {&frmOption::cmbUserAgent, &OptionValues::Useragent},
    {&frmOption::cmbSpeedLimit, &OptionValues::SpeedLimit},
};
} // namespace

frmOption::frmOption(const QString &settingsPath, Settings &settings, int page, QWidget *parent)
    : QDialog(parent), m_settingsPath(settingsPath), m_settings(settings) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    const QPair<QString, QString> tabs[] = {
        {QStringLiteral(" General  "), QStringLiteral("General")},
        {QStringLiteral(" Proxy Server"), QStringLiteral("Proxy")},
        {QStringLiteral(" Other "), QStringLiteral("Other")}};
    for (const auto &tab : tabs)
        TabStrip1->setTabData(TabStrip1->addTab(tab.first), tab.second);

    m_pages = new QStackedWidget(this);
    m_pages->setFrameShape(QFrame::StyledPanel);
    m_pages->addWidget(buildGeneral());
    m_pages->addWidget(buildProxy());
    m_pages->addWidget(buildOther());

    cmdOk = button(this, "cmdOk", QStringLiteral("&OK"));
    cmdOk->setDefault(true);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("&Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(TabStrip1);
    layout->addWidget(m_pages, 1);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    connect(TabStrip1, &QTabBar::currentChanged, this, &frmOption::TabStrip1_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmOption::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    adjustSize();
    PlaceDialog(this);
    const int tab = page >= GeneralPage && page <= OtherPage ? page - 1 : 0;
    TabStrip1->setCurrentIndex(tab);
    TabStrip1_Click(tab);
    iniReadSetting();
}

frmOption::~frmOption() = default;

QComboBox *frmOption::addCombo(const char *name, const QStringList &items) {
    auto *box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    return box;
}

QWidget *frmOption::buildGeneral() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picGeneral"));
    cmbMaxJobs = addCombo("cmbMaxJobs", numbers(1, 8));
    cmbParts = addCombo("cmbParts", numbers(1, 10));
    cmbRetries = addCombo("cmbRetries", numbers(1, 10));
    cmbCTimeout = addCombo("cmbCTimeout", {});
    cmbRTimeout = addCombo("cmbRTimeout", {});
    cmbRdelay = addCombo("cmbRdelay", {});
    cmbUserAgent =
        addCombo("cmbUserAgent",
                 {QStringLiteral("MoorQuill 1.0"), QStringLiteral("Mozilla/4.06 [en] (Win98; I)"),
                  QStringLiteral("Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)"),
                  QStringLiteral("Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]")});
    cmbUserAgent->setMinimumContentsLength(32);

    for (QComboBox *box : {cmbMaxJobs, cmbParts, cmbRetries, cmbCTimeout, cmbRTimeout, cmbRdelay})
        box->setMinimumContentsLength(8);
    cmbRetries->setToolTip(QStringLiteral(
        "How often a part whose connection failed (time-out, refused, reset, closed early, "
        "a 5xx, 408 or 429 answer) is tried again, continuing where it stopped. Received data "
        "gives the part its full count back. Other 4xx answers are never retried."));
    cmbCTimeout->setToolTip(QStringLiteral(
        "Seconds a connection may take to be established before it is given up (0: no limit)."));
    cmbRTimeout->setToolTip(
        QStringLiteral("Seconds a connection may stay silent, the wait for the server's answer "
                       "included, before it is given up (0: no limit)."));
    cmbRdelay->setToolTip(QStringLiteral(
        "Seconds between a failed connection and its retry. A 429 or 503 answer with "
        "Retry-After waits as long as the server asks, at most 10 minutes."));
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Max downloading jobs:"), cmbMaxJobs);
    form->addRow(QStringLiteral("Default part nums:"), cmbParts);
    form->addRow(QStringLiteral("Number of retries:"), cmbRetries);
    form->addRow(QStringLiteral("Connect timeout:"), cmbCTimeout);
    form->addRow(QStringLiteral("Receive timeout:"), cmbRTimeout);
    form->addRow(QStringLiteral("Retry delay:"), cmbRdelay);

    auto *exists = new QGroupBox(QStringLiteral("if download file exits then"));
    Option1 = new QRadioButton(QStringLiteral("Overwrite"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Auto rename"));
    Option2->setObjectName(QStringLiteral("Option2"));
    auto *choice = new QHBoxLayout(exists);
    choice->addWidget(Option1);
    choice->addWidget(Option2);
    choice->addStretch();

    auto *agent = new QFormLayout;
    agent->addRow(QStringLiteral("Set default user agent:"), cmbUserAgent);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(exists);
    layout->addLayout(agent);
    layout->addStretch();
    return page;
}

QWidget *frmOption::buildProxy() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picProxy"));
    m_proxyRows = new ListRowModel(this);
    setupProxyColumns(*m_proxyRows);
    ListView1 = new QTreeView(page);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(m_proxyRows);
    ListView1->header()->resizeSection(0, 220);

    Command1 = button(page, "Command1", QStringLiteral("&Add New"));
    Command4 = button(page, "Command4", QStringLiteral("&Modify"));
    Command2 = button(page, "Command2", QStringLiteral("&Delete"));
    Command3 = button(page, "Command3", QStringLiteral("&Set Default"));
    auto *defaultLabel = new QLabel(QStringLiteral("Default:"), page);
    defaultLabel->setObjectName(QStringLiteral("lblDefault"));
    auto *defaultBox = new QLineEdit(page);
    defaultBox->setObjectName(QStringLiteral("txtDefault"));
    defaultBox->setReadOnly(true);
    defaultLabel->setBuddy(defaultBox);

    auto *side = new QVBoxLayout;
    for (QPushButton *b : {Command1, Command4, Command2, Command3})
        side->addWidget(b);
    side->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(ListView1, 1);
    top->addLayout(side);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(defaultLabel);
    bottom->addWidget(defaultBox, 1);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(bottom);

    connect(Command1, &QPushButton::clicked, this, &frmOption::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &frmOption::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &frmOption::Command2_Click);
    // Command3 ("&Set Default") has no action: the default entry is always "0".
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmOption::updateProxyButtons);
    connect(ListView1, &QTreeView::clicked, this, &frmOption::updateProxyButtons);
    updateProxyButtons();
    return page;
}

QWidget *frmOption::buildOther() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picOther"));
    auto *layout = new QVBoxLayout(page);
    for (const CheckKey &c : kChecks) {
        auto *box = new QCheckBox(QString::fromUtf8(c.caption), page);
        box->setObjectName(QLatin1String(c.name));
        this->*c.box = box;
        layout->addWidget(box);
    }
    cmbSpeedLimit =
        addCombo("cmbSpeedLimit", {QStringLiteral("0"), QStringLiteral("64"), QStringLiteral("256"),
                                   QStringLiteral("1024"), QStringLiteral("4096")});
    cmbSpeedLimit->setMinimumContentsLength(8);
    cmbSpeedLimit->setToolTip(QStringLiteral(
        "The most all downloads together may receive, in KiB per second (0: no limit). A "
        "change takes effect within a second, also for running downloads."));
    auto *limit = new QFormLayout;
    limit->addRow(QStringLiteral("Speed limit (KiB/s):"), cmbSpeedLimit);
    layout->addLayout(limit);
    layout->addStretch();
    return page;
}

void frmOption::TabStrip1_Click(int index) {
    const QString key = TabStrip1->tabData(index).toString();
    const char *panel = key == QLatin1String("Proxy")   ? "picProxy"
                        : key == QLatin1String("Other") ? "picOther"
                                                        : "picGeneral";
    if (auto *page = m_pages->findChild<QWidget *>(QLatin1String(panel)))
        m_pages->setCurrentWidget(page);
}

int frmOption::currentPage() const {
    return m_pages->currentIndex() + 1;
}

OptionValues frmOption::values() const {
    OptionValues v;
    for (const BoxKey &b : kBoxes)
        v.*b.value = (this->*b.box)->currentText();
    v.Overwrite = Option1->isChecked();
    v.proxies = proxyRows(*m_proxyRows);
    for (const CheckKey &c : kChecks)
        v.*c.value = (this->*c.box)->isChecked() ? 1 : 0;
    return v;
}

void frmOption::setValues(const OptionValues &v) {
    for (const BoxKey &b : kBoxes)
        (this->*b.box)->setCurrentText(v.*b.value);
    Option1->setChecked(v.Overwrite);
    Option2->setChecked(!v.Overwrite);
    setProxyRows(*m_proxyRows, v.proxies);
    for (const CheckKey &c : kChecks)
        (this->*c.box)->setChecked(v.*c.value != 0);
    updateProxyButtons();
}

void frmOption::iniReadSetting() {
    setValues(iniReadValues(m_settingsPath));
    iniSaveSetting();
}

void frmOption::iniSaveSetting() {
    iniSaveValues(m_settingsPath, values(), m_settings);
}

void frmOption::cmdOk_Click() {
    iniSaveSetting();
    accept();
}

int frmOption::selectedProxyRow() const {
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmOption::updateProxyButtons() {
    const bool selected = selectedProxyRow() >= 0;
    Command2->setEnabled(selected);
    Command3->setEnabled(selected);
    Command4->setEnabled(selected);
}

void frmOption::Command1_Click() {
    frmProxy dialog(*m_proxyRows, frmProxy::AddMode, -1, this);
    dialog.exec();
}

void frmOption::Command4_Click() {
    const int row = selectedProxyRow();
    if (row < 0) return;
    frmProxy dialog(*m_proxyRows, frmProxy::ModifyMode, row, this);
    dialog.exec();
}

void frmOption::Command2_Click() {
    const int row = selectedProxyRow();
    if (row < 0) return;
    m_proxyRows->removeRowByKey(m_proxyRows->row(row).key);
    ListView1->selectionModel()->clearSelection();
    updateProxyButtons();
}
