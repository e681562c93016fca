#pragma once

#include "dialogs/NewJobPages.h"
#include "dialogs/NewJobRules.h"

#include <QDialog>
#include <functional>

struct AppCore;
class QLineEdit;

// What the dialog asks of the main window; a button whose hook is empty is
// disabled (and the page search tab with it).
struct NewJobHooks {
    std::function<void()> newCategory;  // "&Category": the new-category dialog
    std::function<void()> proxyOptions; // "&Proxy": the options dialog on its proxy page
    std::function<void(const NewSearchValues &)> addNewSearch;
    // "&Browse": a folder, empty when cancelled (a folder dialog by default).
    std::function<QString(QWidget *parent, const QString &title, const QString &start)>
        chooseFolder;
};

// "Add New Job": one download (mode 1), a page search (2), a batch of
// generated URLs (3) or links handed over (4). OK stores the jobs through
// the rules of NewJobRules and closes; Cancel adds nothing.
class frmNewDown1 : public QDialog, public NewJobPages {
    Q_OBJECT
public:
    frmNewDown1(AppCore &core, int mode, NewJobHooks hooks = {}, QWidget *parent = nullptr);

    QString PresetUrl; // pre-fills the URL box that gets the focus
    QString Cookies;   // handed over with a browser's link: given to the new jobs

    int mode() const { return m_mode; } // the mode in force (main tab)
    int searchDepth() const { return m_depth; }
    // Mode 4: the links listed in ListView1, every row checked.
    void setLinks(const QVector<NewJobRules::LinkEntry> &links, int skippedLines = 0);
    // Selects a category in both category boxes (ignored when not listed).
    void selectCategory(const QString &key);
    // The values of the " Gerenal " page or of the " Save Option " page.
    NewJobRules::JobOptions gernalOptions() const;
    NewJobRules::JobOptions saveOptions() const;
    // The jobs OK added, in order.
    const QVector<int> &addedJobs() const { return m_added; }

    static const QStringList &userAgents(); // the four fixed user agents

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillCategories();
    void fillProxies();
    void selectMainTab(int index);
    void selectSubTab(int index);
    QLineEdit *urlBoxOfMode() const;
    void focusUrlBox(QLineEdit *box);
    void connectEditing();
    void updateUrlWarning();
    void browse(QLineEdit *folderBox);
    void onOk();
    void reportAdded(const NewJobRules::Added &added);

    AppCore &m_core;
    NewJobHooks m_hooks;
    int m_mode = 1;
    int m_depth = 0;
    QString m_mainKey;
    bool m_shown = false;
    QVector<int> m_added;
};
