#include "ui/MainMenus.h"

#include <QMenu>
#include <QMenuBar>

QMenu *MainMenus::addMenu(QMenuBar *bar, const QString &name, const QString &caption) {
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + QStringLiteral("_Menu"));
    m_menus.insert(name, menu);
    return menu;
}

QMenu *MainMenus::addPopup(const QString &name) {
    auto *menu = new QMenu(m_owner);
    menu->setObjectName(name);
    m_menus.insert(name, menu);
    return menu;
}

QAction *MainMenus::add(QMenu *menu, const QString &name, const QString &caption, bool enabled,
                        bool checkable) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setEnabled(enabled);
    action->setCheckable(checkable);
    m_actions.insert(name, action);
    return action;
}

MainMenus::MainMenus(QMenuBar *bar, QWidget *owner) : QObject(owner), m_owner(owner) {
    QMenu *file = addMenu(bar, "mnuFile", "&File");
    QMenu *category = file->addMenu("&Category");
    category->setObjectName("mnuFile_Class");
    m_menus.insert("mnuFile_Class", category);
    add(category, "mnuFile_Class_N", "&New Category...", false);
    add(category, "mnuFile_Class_M", "&MoveTo", false);
    add(category, "mnuFile_Class_D", "&Delete...", false);
    add(category, "mnuFile_Class_P", "&Properties...", false);
    file->addSeparator();
    add(file, "mnuFile_AddNew", "Import &Previous File...", false);
    add(file, "mnuFile_AddNew1", "Import Previous &Batch File...", false);
    add(file, "mnuFile_FXPage", "Process &Web Page File...", false);
    file->addSeparator();
    add(file, "mnuFile_Import", "&Import Download List...", false);
    add(file, "mnuFile_Export", "&Export Download List...", false);
    add(file, "mnuFile_Output", "&Output Down Info...", false);
    file->addSeparator();
    add(file, "mnuFile_Exit", "E&xit");

    QMenu *edit = addMenu(bar, "mnuEdit", "&Edit");
    add(edit, "mnuEdit_MoveTo", "&Move To...", false);
    add(edit, "mnuEdit_Rename", "&Rename...", false);
    add(edit, "mnuEdit_Comment", "&Comment...", false);
    add(edit, "mnuEdit_Output", "&Output File To...", false);
    add(edit, "mnuEdit_CopytoC", "&Copy URL to Clipboard", false);
    add(edit, "mnuEdit_Del", "&Delete", false);
    edit->addSeparator();
    add(edit, "mnuEdit_SelectAll", "Select &All");
    add(edit, "mnuEdit_InSAll", "&Invert Selection");
    edit->addSeparator();
    add(edit, "mnuEdit_Find", "&Find...", false);
    add(edit, "mnuEdit_FindNext", "Find &Next", false);
    edit->addSeparator();
    add(edit, "mnuEdit_OpenF", "Open Downloaded &File", false);
    add(edit, "mnuEdit_OpenD", "Open &Downloaded Directory", false);
    add(edit, "mnuEdit_Refetch", "Download &Again", false);
    add(edit, "mnuEdit_Browse", "&Browse Referer Page", false);

    QMenu *view = addMenu(bar, "mnuView", "&View");
    add(view, "mnuView_Tree", "&Navigate Tree", true, true)->setChecked(true);
    add(view, "mnuView_ToolBar", "&ToolBar", true, true)->setChecked(true);
    add(view, "mnuView_State", "&State", true, true)->setChecked(true);
    add(view, "mnuView_Pic", "&Play Bar", true, true)->setChecked(true);
    add(view, "mnuView_Thumbs", "T&humbnails", true, true);
    add(view, "mnuView_Pop", "Top Window", false, true);

    QMenu *job = addMenu(bar, "mnuJob", "&Jobs");
    add(job, "mnuJob_New", "Add &New Download Job...", false);
    add(job, "mnuJob_New1", "Add &Batch Download Job...", false);
    add(job, "mnuJob_NewS", "Add &Search Job...", false);
    job->addSeparator();
    add(job, "mnuJob_Begin", "&Start Download Job", false);
    add(job, "mnuJob_Pause", "&Pause Download Job", false);
    add(job, "mnuJob_AllBegin", "&Start Download All", false);
    add(job, "mnuJob_AllPause", "&Pause Download All", false);
    job->addSeparator();
    add(job, "mnuJob_Begin1", "Start Search Job", false);
    add(job, "mnuJob_Pause1", "Pause Search Job", false);
    add(job, "mnuJob_AllBegin1", "Start All Search Job", false);
    add(job, "mnuJob_AllPause1", "Pause All Search Job", false);

    QMenu *operate = addMenu(bar, "mnuOption", "&Operate");
    add(operate, "mnuOption_PlaySwf", "&Play", false);
    add(operate, "mnuOption_StopSwf", "&Stop", false);
    add(operate, "mnuOption_CloseSwf", "&Close", false);
    add(operate, "mnuOption_PorSwf", "&Previous Swf", false);
    add(operate, "mnuOption_NextSwf", "&Next Swf", false);
    add(operate, "mnuOption_Auto", "&AutoPlay", false, true);
    add(operate, "mnuOption_ViewSwf", "&FullScreen", false);
    operate->addSeparator();
    add(operate, "mnuOption1", "&Option");
    add(operate, "mnuOption_Skin", "&Skins");
    operate->addSeparator();
    add(operate, "mnuOption_DialOff", "&Hang Up When Done", true, true);
    add(operate, "mnuOption_PowerOff", "&Shut Down When Done", true, true);
    add(operate, "mnuOption_AutoDail", "&Redial if Disconnected", true, true);

    QMenu *help = addMenu(bar, "mnuHelp", "&Help");
    add(help, "mnuHelp1", "Help &Topic");
    add(help, "mnuHelp_HomePage", "&Go to Home Page", false);
    add(help, "mnuHelp_New", "&Check New Version", false);
    add(help, "mnuTellFriend", "&Tell Friend About Moorquill", false);
    help->addSeparator();
    add(help, "mnuHelp_About", "&About MoorQuill...");

    QMenu *popMain = addPopup("popMain");
    add(popMain, "popMain_Show", "&Restore");
    popMain->addSeparator();
    add(popMain, "popMain_BeginAll", "&Start All Download Job", false);
    add(popMain, "popMain_PauseAll", "&Pause All Download Job", false);
    add(popMain, "popMain_Pop", "&Top Window", false, true);
    add(popMain, "popMain_Tell", "Tell Friend About Moorquill", false);
    popMain->addSeparator();
    add(popMain, "popMain_Exit", "E&xit");

    QMenu *popNowDown = addPopup("popNowDown");
    add(popNowDown, "popStart", "Start Download Job", false);
    add(popNowDown, "popPause", "Pause Download Job", false);
    add(popNowDown, "popStartAll", "Start All Download Job", false);
    add(popNowDown, "popPauseAll", "Pause All Download Job", false);

    QMenu *popHTML = addPopup("popHTML");
    add(popHTML, "popStart1", "Start Search Job", false);
    add(popHTML, "popPause1", "Pause Search Job", false);
    add(popHTML, "popStartAll1", "Start All Search Job", false);
    add(popHTML, "popPauseAll1", "Pause All Search Job", false);
    add(popHTML, "popDelete1", "Delete Search Job", false);

    QMenu *popTree = addPopup("popTree");
    add(popTree, "popTree_AddPf", "Import &Previous File...", false);
    add(popTree, "popTree_AddPbf", "Import Previous &Batch File...", false);
    popTree->addSeparator();
    add(popTree, "popTree_ImportList", "&Import DownLoad List...", false);
    add(popTree, "popTree_ExportList", "&Export DownLoad List...", false);
}
