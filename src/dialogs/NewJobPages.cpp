#include "dialogs/NewJobPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <iterator>

namespace {
template <class W> W *named(W *w, const char *name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLineEdit *edit(QWidget *parent, const char *name) {
    return named(new QLineEdit(parent), name);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption) {
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

QComboBox *combo(QWidget *parent, const char *name, bool editable) {
    auto *c = named(new QComboBox(parent), name);
    c->setEditable(editable);
    if (editable) c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

// A label in column 0 of the row, pointing at its field.
void row(QGridLayout *grid, int r, const QString &caption, QWidget *field,
         QWidget *extra = nullptr) {
    auto *label = new QLabel(caption, field->parentWidget());
    label->setBuddy(field);
    grid->addWidget(label, r, 0);
    grid->addWidget(field, r, 1, 1, extra ? 1 : 2);
    if (extra) grid->addWidget(extra, r, 2);
}

QGridLayout *grid(QWidget *page) {
    auto *g = new QGridLayout(page);
    g->setColumnStretch(1, 1);
    g->setHorizontalSpacing(8);
    return g;
}

// The box pairs for login: user name and password beside the check box.
void loginRow(QGridLayout *g, int r, QCheckBox *check, QLineEdit *user, const QString &userText,
              QLineEdit *pass, const QString &passText) {
    QWidget *parent = check->parentWidget();
    auto *box = new QWidget(parent);
    auto *h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    auto *userLabel = new QLabel(userText, box);
    userLabel->setBuddy(user);
    auto *passLabel = new QLabel(passText, box);
    passLabel->setBuddy(pass);
    user->setParent(box);
    pass->setParent(box);
    pass->setEchoMode(QLineEdit::Password);
    user->setEnabled(false);
    pass->setEnabled(false);
    h->addWidget(userLabel);
    h->addWidget(user, 1);
    h->addWidget(passLabel);
    h->addWidget(pass, 1);
    g->addWidget(check, r, 0);
    g->addWidget(box, r, 1, 1, 2);
}
// The rows " Gerenal " and " Save Option " share: category, folder, parts,
// proxy, login and user agent. Names and the three captions that differ
// between the pages come in `names`.
struct SaveRows {
    QComboBox *&category;
    QPushButton *&categoryButton;
    QLineEdit *&folder;
    QPushButton *&browse;
    QComboBox *&parts;
    QComboBox *&proxy;
    QPushButton *&proxyButton;
    QCheckBox *&login;
    QLineEdit *&user;
    QLineEdit *&pass;
    QComboBox *&agent;
};
struct SaveNames {
    const char *category, *categoryButton, *folder, *browse, *parts, *proxy, *proxyButton, *login,
        *user, *pass, *agent;
    const char *folderLabel, *proxyLabel, *passLabel;
};

void addSaveRows(QWidget *page, QGridLayout *g, int r, const SaveRows &w, const SaveNames &n) {
    w.category = combo(page, n.category, false);
    w.categoryButton = button(page, n.categoryButton, QStringLiteral("&Category"));
    row(g, r, QStringLiteral("Category:"), w.category, w.categoryButton);
    w.folder = edit(page, n.folder);
    w.browse = button(page, n.browse, QStringLiteral("&Browse"));
    row(g, r + 1, QString::fromLatin1(n.folderLabel), w.folder, w.browse);
    w.parts = combo(page, n.parts, false);
    row(g, r + 2, QStringLiteral("Part:"), w.parts);
    w.proxy = combo(page, n.proxy, false);
    w.proxyButton = button(page, n.proxyButton, QStringLiteral("&Proxy"));
    row(g, r + 3, QString::fromLatin1(n.proxyLabel), w.proxy, w.proxyButton);
    w.login = named(new QCheckBox(QStringLiteral("Login Server"), page), n.login);
    w.user = edit(page, n.user);
    w.pass = edit(page, n.pass);
    loginRow(g, r + 4, w.login, w.user, QStringLiteral("Username:"), w.pass,
             QString::fromLatin1(n.passLabel));
    w.agent = combo(page, n.agent, true);
    row(g, r + 5, QStringLiteral("User Agent:"), w.agent);
}
} // namespace

void NewJobPages::buildPages(QWidget *owner) {
    auto *v = new QVBoxLayout(owner);
    TabStrip1 = named(new QTabBar(owner), "TabStrip1");
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(true);
    v->addWidget(TabStrip1);
    auto *frame = named(new QGroupBox(owner), "fraPages");
    auto *fv = new QVBoxLayout(frame);
    Tab2 = named(new QTabBar(frame), "Tab2");
    Tab2->setExpanding(false);
    Tab2->setShape(QTabBar::RoundedNorth);
    fv->addWidget(Tab2);
    picPages = named(new QStackedWidget(frame), "picPages");
    picPages->addWidget(buildGernal(picPages));
    picPages->addWidget(buildSearch(picPages));
    picPages->addWidget(buildUrl(picPages));
    picPages->addWidget(buildSave(picPages));
    picPages->addWidget(buildSelect(picPages));
    picOption = named(new QWidget(picPages), "picOption");
    picPages->addWidget(picOption);
    fv->addWidget(picPages, 1);
    v->addWidget(frame, 1);

    auto *bottom = new QHBoxLayout;
    Option2 = named(new QRadioButton(QStringLiteral("Immediate"), owner), "Option2");
    Option3 = named(new QRadioButton(QStringLiteral("Manual"), owner), "Option3");
    auto *start = new QButtonGroup(owner);
    start->addButton(Option2);
    start->addButton(Option3);
    Option2->setChecked(true);
    cmdNewJobOk = named(new QPushButton(QStringLiteral("&OK"), owner), "cmdNewJobOk");
    cmdNewJobOk->setDefault(true);
    cmdCancle = button(owner, "cmdCancle", QStringLiteral("&Cancel"));
    bottom->addWidget(Option2);
    bottom->addWidget(Option3);
    bottom->addStretch(1);
    bottom->addWidget(cmdNewJobOk);
    bottom->addWidget(cmdCancle);
    v->addLayout(bottom);

    // Tab goes through the pages in reading order, then the start choice
    // and the buttons (hidden pages are skipped).
    QWidget *const chain[] = {
        TabStrip1,    Tab2,          txtUrl,       txtRef,          txtRename,
        txtComment,   cmbClass1,     cmdClass1,    txtSaveAs1,      cmdDlg1,
        cmbNum1,      cmbProxy1,     cmdProxy1,    chkLoginServer1, txtUsername1,
        txtPassword1, cmbUserAgent1, txtSearchUrl, OpSearch1,       OpSearch2,
        txtBatUrl,    OpNumber,      txtN1,        txtN2,           txtN3,
        OpAlp,        txtA1,         txtA2,        cmdCreateUrl,    List1,
        cmdListDel,   cmdListDelAll, cmbClass,     cmdClass,        txtSaveAs,
        cmdDlg,       cmbNums,       cmbProxy,     cmdProxy,        chkLoginServer,
        txtUserName,  txtPassWord,   cmbUserAgent, ListView1,       Option2,
        Option3,      cmdNewJobOk,   cmdCancle};
    for (size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

QWidget *NewJobPages::buildGernal(QWidget *parent) {
    picGernal = named(new QWidget(parent), "picGernal");
    QGridLayout *g = grid(picGernal);
    txtUrl = edit(picGernal, "txtUrl");
    txtUrl->setPlaceholderText(QStringLiteral("http://"));
    row(g, 0, QStringLiteral("Url:"), txtUrl);
    lblUrlWarning = named(new QLabel(picGernal), "lblUrlWarning");
    lblUrlWarning->setWordWrap(true);
    lblUrlWarning->setStyleSheet(QStringLiteral("color: #a04000;"));
    g->addWidget(lblUrlWarning, 1, 1, 1, 2);
    txtRef = edit(picGernal, "txtRef");
    row(g, 2, QStringLiteral("Refer:"), txtRef);
    txtRename = edit(picGernal, "txtRename");
    row(g, 3, QStringLiteral("Rename:"), txtRename);
    txtComment = edit(picGernal, "txtComment");
    row(g, 4, QStringLiteral("Comment:"), txtComment);
    addSaveRows(picGernal, g, 5,
                {cmbClass1, cmdClass1, txtSaveAs1, cmdDlg1, cmbNum1, cmbProxy1, cmdProxy1,
                 chkLoginServer1, txtUsername1, txtPassword1, cmbUserAgent1},
                {"cmbClass1", "cmdClass1", "txtSaveAs1", "cmdDlg1", "cmbNum1", "cmbProxy1",
                 "cmdProxy1", "chkLoginServer1", "txtUsername1", "txtPassword1", "cmbUserAgent1",
                 "Save To:", "Proxy:", "Password"});
    g->setRowStretch(11, 1);
    return picGernal;
}

QWidget *NewJobPages::buildSearch(QWidget *parent) {
    picSearch = named(new QWidget(parent), "picSearch");
    QGridLayout *g = grid(picSearch);
    txtSearchUrl = edit(picSearch, "txtSearchUrl");
    txtSearchUrl->setPlaceholderText(QStringLiteral("http://"));
    row(g, 0, QStringLiteral("Url:"), txtSearchUrl);
    OpSearch1 =
        named(new QRadioButton(QStringLiteral("Only search current page"), picSearch), "OpSearch1");
    OpSearch2 =
        named(new QRadioButton(QStringLiteral("Search current page and its links"), picSearch),
              "OpSearch2");
    auto *label = new QLabel(QStringLiteral("Search Option:"), picSearch);
    label->setBuddy(OpSearch1);
    g->addWidget(label, 1, 0);
    g->addWidget(OpSearch1, 1, 1, 1, 2);
    g->addWidget(OpSearch2, 2, 1, 1, 2);
    OpSearch1->setChecked(true);
    g->setRowStretch(3, 1);
    return picSearch;
}

QWidget *NewJobPages::buildUrl(QWidget *parent) {
    picUrl = named(new QWidget(parent), "picUrl");
    QGridLayout *g = grid(picUrl);
    txtBatUrl = edit(picUrl, "txtBatUrl");
    row(g, 0, QStringLiteral("Url:"), txtBatUrl);
    auto *hint =
        named(new QLabel(QStringLiteral("For example: http://www.example.com/a*.zip"), picUrl),
              "lblBatHint");
    hint->setEnabled(false);
    g->addWidget(hint, 1, 1, 1, 2);

    auto *ranges = new QWidget(picUrl);
    auto *rg = new QGridLayout(ranges);
    rg->setContentsMargins(0, 0, 0, 0);
    OpNumber = named(new QRadioButton(QStringLiteral("Digit"), ranges), "OpNumber");
    OpAlp = named(new QRadioButton(QStringLiteral("Denominator"), ranges), "OpAlp");
    auto addBox = [&](const char *name, const QString &caption, int r, int c) {
        QLineEdit *box = edit(ranges, name);
        box->setMaximumWidth(70);
        auto *label = new QLabel(caption, ranges);
        label->setBuddy(box);
        rg->addWidget(label, r, c);
        rg->addWidget(box, r, c + 1);
        return box;
    };
    rg->addWidget(OpNumber, 0, 0);
    txtN1 = addBox("txtN1", QStringLiteral("From:"), 0, 1);
    txtN2 = addBox("txtN2", QStringLiteral("To:"), 0, 3);
    txtN3 = addBox("txtN3", QStringLiteral("Digits count"), 0, 5);
    rg->addWidget(OpAlp, 1, 0);
    txtA1 = addBox("txtA1", QStringLiteral("From:"), 1, 1);
    txtA2 = addBox("txtA2", QStringLiteral("To:"), 1, 3);
    rg->setColumnStretch(7, 1);
    g->addWidget(ranges, 2, 0, 1, 3);

    List1 = named(new QListWidget(picUrl), "List1");
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    g->addWidget(List1, 3, 0, 4, 2);
    cmdCreateUrl = button(picUrl, "cmdCreateUrl", QStringLiteral("&Generate"));
    cmdListDel = button(picUrl, "cmdListDel", QStringLiteral("&Delete"));
    cmdListDelAll = button(picUrl, "cmdListDelAll", QStringLiteral("&Clear"));
    g->addWidget(cmdCreateUrl, 3, 2);
    g->addWidget(cmdListDel, 4, 2);
    g->addWidget(cmdListDelAll, 5, 2);
    lblBatCount = named(new QLabel(picUrl), "lblBatCount");
    lblBatCount->setWordWrap(true);
    g->addWidget(lblBatCount, 7, 0, 1, 3);
    g->setRowStretch(6, 1);
    return picUrl;
}

QWidget *NewJobPages::buildSave(QWidget *parent) {
    picSave = named(new QWidget(parent), "picSave");
    QGridLayout *g = grid(picSave);
    auto *heading = new QLabel(QStringLiteral("Please Select Save Option . "), picSave);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    g->addWidget(heading, 0, 0, 1, 3);
    addSaveRows(picSave, g, 1,
                {cmbClass, cmdClass, txtSaveAs, cmdDlg, cmbNums, cmbProxy, cmdProxy, chkLoginServer,
                 txtUserName, txtPassWord, cmbUserAgent},
                {"cmbClass", "cmdClass", "txtSaveAs", "cmdDlg", "cmbNums", "cmbProxy", "cmdProxy",
                 "chkLoginServer", "txtUserName", "txtPassWord", "cmbUserAgent",
                 "Save As:", "Proxy Server:", "Password:"});
    g->setRowStretch(7, 1);
    return picSave;
}

QWidget *NewJobPages::buildSelect(QWidget *parent) {
    picSelect = named(new QWidget(parent), "picSelect");
    auto *v = new QVBoxLayout(picSelect);
    ListView1 = named(new QTreeWidget(picSelect), "ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Comment")});
    ListView1->header()->resizeSection(0, 330);
    v->addWidget(ListView1, 1);
    lblSelectNote = named(new QLabel(picSelect), "lblSelectNote");
    lblSelectNote->setWordWrap(true);
    v->addWidget(lblSelectNote);
    return picSelect;
}
