#include "dialogs/frmNewDown1.h"

#include "core/ProxyList.h"
#include "dialogs/BatchPageControl.h"
#include "kit/IconSet.h"
#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"
#include "session/AppCore.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>

using namespace NewJobRules;

namespace {
struct SubTab {
    const char *caption;
    const char *key;
};

// The sub tabs of each main tab, by main tab key.
QVector<SubTab> subTabsOf(const QString &mainKey) {
    if (mainKey == QLatin1String("Search"))
        return {{" Search Setting ", "Search"}, {" Save Option ", "Save"}};
    if (mainKey == QLatin1String("BatFile"))
        return {{" Generate Url ", "Url"}, {" Save Option ", "Save"}};
    if (mainKey == QLatin1String("FromIe"))
        return {{" Select Url ", "Select"}, {" Save Option ", "Save"}};
    return {{" Gerenal ", "Gernal"}};
}

constexpr int kFolderRole = Qt::UserRole + 1;

QString comboKey(const QComboBox *box) {
    return box->currentData().toString();
}

} // namespace

const QStringList &frmNewDown1::userAgents() {
    static const QStringList agents = {
        QStringLiteral("MoorQuill 0.1"), QStringLiteral("Mozilla/4.06 [en] (Win98; I)"),
        QStringLiteral("Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)"),
        QStringLiteral("Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]")};
    return agents;
}

frmNewDown1::frmNewDown1(AppCore &core, int mode, NewJobHooks hooks, QWidget *parent)
    : QDialog(parent), m_core(core), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("frmNewDown1"));
    setWindowTitle(QStringLiteral("Add New Job"));
    setModal(true);
    buildPages(this);
    if (!m_hooks.chooseFolder)
        m_hooks.chooseFolder = [](QWidget *p, const QString &title, const QString &start) {
            return QFileDialog::getExistingDirectory(p, title, start);
        };

    const char *const mainTabs[][2] = {{"Add Single File", "OneFile"},
                                       {"Add Page Search", "Search"},
                                       {"Add Batch File", "BatFile"},
                                       {"Add Page Links Download", "FromIe"}};
    const int tabs = mode == 4 ? 4 : 3;
    for (int i = 0; i < tabs; ++i) {
        TabStrip1->addTab(QString::fromLatin1(mainTabs[i][0]));
        TabStrip1->setTabData(i, QString::fromLatin1(mainTabs[i][1]));
    }
    TabStrip1->setTabEnabled(1, bool(m_hooks.addNewSearch));
    if (!m_hooks.addNewSearch)
        TabStrip1->setTabToolTip(1, QStringLiteral("Page search is not available yet."));

    fillCategories();
    fillProxies();
    QStringList parts;
    for (int i = 1; i <= kMaxParts; ++i)
        parts << QString::number(i);
    const int defaultParts = m_core.settings.Parts >= 1 && m_core.settings.Parts <= kMaxParts
                                 ? m_core.settings.Parts
                                 : 5;
    for (QComboBox *box : {cmbNum1, cmbNums}) {
        box->addItems(parts);
        box->setCurrentIndex(defaultParts - 1);
    }
    cmbNums->setCurrentIndex(4); // "5"
    const QString agent =
        m_core.settings.Useragent.isEmpty() ? userAgents().first() : m_core.settings.Useragent;
    for (QComboBox *box : {cmbUserAgent1, cmbUserAgent}) {
        box->addItems(userAgents());
        box->setEditText(agent);
    }
    cmdClass1->setEnabled(bool(m_hooks.newCategory));
    cmdClass->setEnabled(bool(m_hooks.newCategory));
    cmdProxy1->setEnabled(bool(m_hooks.proxyOptions));
    cmdProxy->setEnabled(bool(m_hooks.proxyOptions));

    connectEditing();
    new BatchPageControl(*this, this); // the " Generate Url " page
    connect(TabStrip1, &QTabBar::currentChanged, this, &frmNewDown1::selectMainTab);
    connect(Tab2, &QTabBar::currentChanged, this, &frmNewDown1::selectSubTab);
    selectMainTab(qBound(1, mode, tabs) - 1);
    resize(600, 500);
}

void frmNewDown1::fillCategories() {
    const QVector<CategoryChoice> choices = categoryChoices(m_core.tree);
    for (QComboBox *box : {cmbClass1, cmbClass}) {
        const QString keep = comboKey(box);
        const QSignalBlocker block(box);
        box->clear();
        for (const CategoryChoice &c : choices) {
            box->addItem(IconSet::icon(c.image), QString(c.depth * 3, QLatin1Char(' ')) + c.text,
                         c.key);
            box->setItemData(box->count() - 1, c.folder, kFolderRole);
        }
        const int again = box->findData(keep);
        box->setCurrentIndex(again >= 0 ? again : 0);
    }
    // The save-folder boxes follow the selected categories.
    txtSaveAs1->setText(cmbClass1->currentData(kFolderRole).toString());
    txtSaveAs->setText(cmbClass->currentData(kFolderRole).toString());
}

void frmNewDown1::fillProxies() {
    const ProxyChoices choices = FillProxyChoices(m_core.paths.SettingsPath);
    for (QComboBox *box : {cmbProxy1, cmbProxy}) {
        box->clear();
        box->addItems(choices.texts);
        box->setCurrentIndex(qBound(0, choices.selected, box->count() - 1));
    }
}

void frmNewDown1::selectCategory(const QString &key) {
    for (QComboBox *box : {cmbClass1, cmbClass}) {
        const int index = box->findData(key);
        if (index >= 0) box->setCurrentIndex(index);
    }
}

void frmNewDown1::selectMainTab(int index) {
    if (index < 0 || index >= TabStrip1->count()) return;
    if (TabStrip1->currentIndex() != index) {
        TabStrip1->setCurrentIndex(index); // comes back here through currentChanged
        return;
    }
    const QString key = TabStrip1->tabData(index).toString();
    if (key == m_mainKey) return;
    m_mainKey = key;
    m_mode = index + 1;
    {
        const QSignalBlocker block(Tab2);
        while (Tab2->count() > 0)
            Tab2->removeTab(0);
        for (const SubTab &tab : subTabsOf(key)) {
            const int i = Tab2->addTab(QString::fromLatin1(tab.caption));
            Tab2->setTabData(i, QString::fromLatin1(tab.key));
        }
        Tab2->setCurrentIndex(0);
    }
    selectSubTab(0);
}

void frmNewDown1::selectSubTab(int index) {
    const QString key = Tab2->tabData(index).toString();
    QWidget *const pages[] = {picGernal, picSearch, picUrl, picSave, picSelect};
    const char *const keys[] = {"Gernal", "Search", "Url", "Save", "Select"};
    for (int i = 0; i < 5; ++i)
        if (key == QLatin1String(keys[i])) picPages->setCurrentWidget(pages[i]);
    QLineEdit *box = key == QLatin1String("Gernal")   ? txtUrl
                     : key == QLatin1String("Search") ? txtSearchUrl
                     : key == QLatin1String("Url")    ? txtBatUrl
                                                      : nullptr;
    if (box) focusUrlBox(box);
}

QLineEdit *frmNewDown1::urlBoxOfMode() const {
    switch (m_mode) {
    case 2:
        return txtSearchUrl;
    case 3:
        return txtBatUrl;
    case 4:
        return nullptr;
    default:
        return txtUrl;
    }
}

void frmNewDown1::focusUrlBox(QLineEdit *box) {
    // The box takes the handed-over URL as the focus arrives; done here too,
    // so that it holds before the window is active.
    box->setFocus();
    if (!PresetUrl.isEmpty()) box->setText(PresetUrl);
}

void frmNewDown1::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    if (PresetUrl.isEmpty()) {
        const QString text = QGuiApplication::clipboard()->text().trimmed();
        const QString head = text.left(8).toLower();
        if (head.startsWith(QLatin1String("http://")) || head == QLatin1String("https://"))
            PresetUrl = text;
    }
    PlaceDialog(this);
    selectSubTab(Tab2->currentIndex());
}

bool frmNewDown1::event(QEvent *event) {
    if (event->type() == QEvent::WindowActivate)
        if (QLineEdit *box = urlBoxOfMode(); box && box->isVisible()) box->setFocus();
    return QDialog::event(event);
}

bool frmNewDown1::eventFilter(QObject *watched, QEvent *event) {
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn && !PresetUrl.isEmpty() &&
        (box == txtUrl || box == txtSearchUrl || box == txtBatUrl))
        box->setText(PresetUrl);
    return QDialog::eventFilter(watched, event);
}

void frmNewDown1::connectEditing() {
    for (QLineEdit *box : {txtUrl, txtSearchUrl, txtBatUrl})
        box->installEventFilter(this);
    connect(txtUrl, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.isEmpty()) PresetUrl = text;
        txtRename->setText(renameFromUrl(text));
        updateUrlWarning();
    });
    for (QLineEdit *box : {txtSearchUrl, txtBatUrl})
        connect(box, &QLineEdit::textChanged, this,
                [this](const QString &text) { PresetUrl = text; });
    connect(txtRename, &QLineEdit::textChanged, this, &frmNewDown1::updateUrlWarning);
    connect(txtSaveAs1, &QLineEdit::textChanged, this, &frmNewDown1::updateUrlWarning);
    const std::pair<QComboBox *, QLineEdit *> categories[] = {{cmbClass1, txtSaveAs1},
                                                              {cmbClass, txtSaveAs}};
    for (const auto &pair : categories) {
        QComboBox *box = pair.first;
        QLineEdit *folder = pair.second;
        connect(box, &QComboBox::currentIndexChanged, this,
                [box, folder] { folder->setText(box->currentData(kFolderRole).toString()); });
    }
    for (QPushButton *b : {cmdClass1, cmdClass})
        connect(b, &QPushButton::clicked, this, [this] {
            if (m_hooks.newCategory) m_hooks.newCategory();
            fillCategories();
        });
    connect(cmdDlg1, &QPushButton::clicked, this, [this] { browse(txtSaveAs1); });
    connect(cmdDlg, &QPushButton::clicked, this, [this] { browse(txtSaveAs); });
    for (QPushButton *b : {cmdProxy1, cmdProxy})
        connect(b, &QPushButton::clicked, this, [this] {
            if (m_hooks.proxyOptions) m_hooks.proxyOptions();
            fillProxies();
        });
    const std::tuple<QCheckBox *, QLineEdit *, QLineEdit *> logins[] = {
        {chkLoginServer1, txtUsername1, txtPassword1}, {chkLoginServer, txtUserName, txtPassWord}};
    for (const auto &login : logins) {
        QLineEdit *user = std::get<1>(login);
        QLineEdit *pass = std::get<2>(login);
        connect(std::get<0>(login), &QCheckBox::toggled, this, [user, pass](bool on) {
            user->setEnabled(on);
            pass->setEnabled(on);
        });
    }
    connect(OpSearch1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_depth = 0;
    });
    connect(OpSearch2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_depth = 1;
    });
    connect(cmdNewJobOk, &QPushButton::clicked, this, &frmNewDown1::onOk);
    connect(cmdCancle, &QPushButton::clicked, this, &QDialog::reject);
}

void frmNewDown1::updateUrlWarning() {
    QString path = txtSaveAs1->text();
    if (!path.isEmpty() && !txtRename->text().isEmpty())
        path = folderWithSeparator(path) + txtRename->text();
    else
        path.clear();
    lblUrlWarning->setText(urlWarning(txtUrl->text(), path, m_core.settings.Fileexits));
}

void frmNewDown1::browse(QLineEdit *folderBox) {
    const QString folder =
        m_hooks.chooseFolder(this, QStringLiteral("Browsing"), folderBox->text());
    if (!folder.isEmpty()) folderBox->setText(folderWithSeparator(folder));
}

void frmNewDown1::setLinks(const QVector<LinkEntry> &links, int skippedLines) {
    ListView1->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(links.size());
    for (const LinkEntry &link : links) {
        auto *item = new QTreeWidgetItem({link.url, link.comment});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        item->setToolTip(0, link.url);
        items.append(item);
    }
    ListView1->addTopLevelItems(items);
    QString note = QStringLiteral("%1 links.").arg(links.size());
    if (skippedLines > 0)
        note += QStringLiteral(" %1 lines were skipped (blank or not an http:// or https:// URL).")
                    .arg(skippedLines);
    lblSelectNote->setText(note);
}

namespace {
JobOptions optionsOf(const AppCore &core, QComboBox *category, QLineEdit *folder, QComboBox *parts,
                     QComboBox *agent, QComboBox *proxy, QCheckBox *login, QLineEdit *user,
                     QLineEdit *pass, bool manual) {
    JobOptions o;
    o.categoryKey = comboKey(category);
    // A folder typed without its separator still names the folder.
    o.saveFolder =
        folder->text().isEmpty() ? core.paths.DownloadFolder : folderWithSeparator(folder->text());
    o.parts = parts->currentText().toInt();
    o.userAgent = agent->currentText();
    o.proxyIndex = proxy->currentIndex();
    o.proxyText = proxy->currentText();
    o.login = login->isChecked();
    o.userName = user->text();
    o.password = pass->text();
    o.manual = manual;
    return o;
}
} // namespace

JobOptions frmNewDown1::gernalOptions() const {
    JobOptions o = optionsOf(m_core, cmbClass1, txtSaveAs1, cmbNum1, cmbUserAgent1, cmbProxy1,
                             chkLoginServer1, txtUsername1, txtPassword1, Option3->isChecked());
    o.referer = txtRef->text();
    o.comment = txtComment->text();
    o.cookies = Cookies;
    return o;
}

JobOptions frmNewDown1::saveOptions() const {
    JobOptions o = optionsOf(m_core, cmbClass, txtSaveAs, cmbNums, cmbUserAgent, cmbProxy,
                             chkLoginServer, txtUserName, txtPassWord, Option3->isChecked());
    o.cookies = Cookies;
    return o;
}

void frmNewDown1::reportAdded(const Added &added) {
    m_added += added.jobs;
    if (!added.message.isEmpty()) MsgBox::show(this, added.message);
}

void frmNewDown1::onOk() {
    switch (m_mode) {
    case 2: {
        if (txtSearchUrl->text().isEmpty()) {
            MsgBox::show(this, kNeedSearchUrl);
            txtSearchUrl->setFocus();
            return;
        }
        NewSearchValues request;
        QString message;
        if (!m_hooks.addNewSearch ||
            !newSearchRequest(saveOptions(), txtSearchUrl->text(), m_depth, &request, &message)) {
            MsgBox::show(this, message.isEmpty()
                                   ? QStringLiteral("Page search is not available yet.")
                                   : message);
            return;
        }
        m_hooks.addNewSearch(request);
        break;
    }
    case 3:
    case 4: {
        QStringList urls;
        QVector<LinkEntry> links;
        if (m_mode == 3) {
            for (int i = 0; i < List1->count(); ++i)
                urls.append(List1->item(i)->text());
        } else {
            for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = ListView1->topLevelItem(i);
                if (item->checkState(0) == Qt::Checked)
                    links.append({item->text(0), item->text(1)});
            }
        }
        const Added added = m_mode == 3 ? AddBatFile(m_core, saveOptions(), urls)
                                        : AddLinkJobs(m_core, saveOptions(), links);
        reportAdded(added);
        // A refused proxy entry adds nothing: the dialog stays for another choice.
        if (added.jobs.isEmpty() && !added.message.isEmpty()) return;
        break;
    }
    default: {
        if (txtUrl->text().isEmpty()) {
            MsgBox::show(this, kNeedDownloadUrl);
            txtUrl->setFocus();
            return;
        }
        const Added added = AddNewJob(m_core, gernalOptions(), txtUrl->text(), txtRename->text());
        reportAdded(added);
        if (added.jobs.isEmpty()) return;
        break;
    }
    }
    PresetUrl.clear();
    accept();
}
