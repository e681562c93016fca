#include "jobs/MenuRules.h"

#include "jobs/JobTable.h"

namespace {
void setAll(EnabledMap &map, std::initializer_list<const char *> names, bool on) {
    for (const char *name : names)
        map[QString::fromLatin1(name)] = on;
}

bool anyJobIn(const JobTable &jobs, std::initializer_list<int> states) {
    for (int i = 1; i <= jobs.DownCount(); ++i)
        for (int s : states)
            if (jobs[i].State == s) return true;
    return false;
}

const char *const kJobButtons[] = {"Start", "Pause", "AllStart", "AllPause"};
const char *const kSearchCommands[] = {"mnuJob_Begin1", "mnuJob_Pause1", "mnuJob_AllBegin1",
                                       "mnuJob_AllPause1"};
const char *const kDownloadCommands[] = {"mnuJob_Begin", "mnuJob_Pause", "mnuJob_AllBegin",
                                         "mnuJob_AllPause"};
} // namespace

EnabledMap jobMenuRules(const JobTable &jobs, const SelectionFacts &f) {
    EnabledMap map;
    const bool search = f.searchRows > 0 && f.selectedSearch != 0 && f.view == 1;
    setAll(map, {"mnuJob_Begin1", "mnuJob_Pause1", "mnuJob_AllBegin1", "mnuJob_AllPause1"}, search);
    setAll(map, {"mnuJob_Begin", "mnuJob_Pause", "mnuJob_AllBegin", "mnuJob_AllPause"}, false);
    if (f.nowDownRows > 0 && f.selectedJob != 0 && f.view == 2 && jobs.isValid(f.selectedJob)) {
        const int state = jobs[f.selectedJob].State;
        map["mnuJob_Begin"] = state == 2;
        map["mnuJob_Pause"] = state == 1 || state == 3;
        map["mnuJob_AllBegin"] = anyJobIn(jobs, {2, 3});
        map["mnuJob_AllPause"] = anyJobIn(jobs, {1});
    }
    return map;
}

EnabledMap editMenuRules(const JobTable &jobs, const SelectionFacts &f) {
    EnabledMap map;
    setAll(map,
           {"mnuEdit_MoveTo", "mnuEdit_Comment", "mnuEdit_Output", "mnuEdit_CopytoC", "mnuEdit_Del",
            "mnuEdit_OpenF", "mnuEdit_OpenD"},
           false);
    if (f.view == 1 && f.searchRows > 0) {
        map["mnuEdit_CopytoC"] = f.hasSelection;
        for (bool running : f.selectedSearchRunning) {
            if (running) break;
            map["mnuEdit_Del"] = true;
        }
    } else if (f.view == 2 && f.nowDownRows > 0 && f.hasSelection) {
        map["mnuEdit_CopytoC"] = true;
        map["mnuEdit_Del"] = !jobs.isValid(f.selectedJob) || jobs[f.selectedJob].State != 1;
    } else if (f.view == 3 && f.completedRows > 0) {
        setAll(map, {"mnuEdit_MoveTo", "mnuEdit_Output", "mnuEdit_Del"}, true);
        setAll(map, {"mnuEdit_Comment", "mnuEdit_CopytoC", "mnuEdit_OpenF", "mnuEdit_OpenD"},
               f.hasSelection);
    }
    return map;
}

EnabledMap fileMenuRules(int view) {
    EnabledMap map;
    setAll(map,
           {"mnuFile_Class_N", "mnuFile_Class_M", "mnuFile_Class_D", "mnuFile_Class_P",
            "mnuFile_AddNew", "mnuFile_AddNew1"},
           view == 3);
    setAll(map, {"mnuFile_Import", "mnuFile_Export"}, view == 2 || view == 3);
    return map;
}

EnabledMap operateMenuRules(int view) {
    EnabledMap map;
    setAll(map,
           {"mnuOption_PlaySwf", "mnuOption_StopSwf", "mnuOption_CloseSwf", "mnuOption_PorSwf",
            "mnuOption_NextSwf", "mnuOption_Auto", "mnuOption_ViewSwf"},
           view == 3);
    return map;
}

EnabledMap EnabledTbStates(int view, const EnabledMap &menus) {
    EnabledMap buttons;
    if (view == 1 || view == 2) {
        const char *const *commands = view == 1 ? kSearchCommands : kDownloadCommands;
        for (int i = 0; i < 4; ++i)
            buttons[kJobButtons[i]] = menus.value(commands[i]);
    }
    buttons["Comment"] = menus.value("mnuEdit_Comment");
    buttons["Delete"] = menus.value("mnuEdit_Del");
    buttons["Openfile"] = menus.value("mnuEdit_OpenF");
    buttons["Opendir"] = menus.value("mnuEdit_OpenD");
    return buttons;
}

QVector<QString> selectionButtonKeys() {
    return {"Start", "Pause", "AllStart", "AllPause", "Comment", "Delete", "Openfile", "Opendir"};
}

QVector<ToolbarButton> tbMainButtons() {
    QVector<ToolbarButton> out;
    for (const char *key :
         {"AddPf", "AddPbf", "AddNewJob", "AddNewJobB", "AddSearch", "Start", "Pause", "AllStart",
          "AllPause", "Comment", "Delete", "Openfile", "Opendir", "Option", "Help", "About"})
        out.append(ToolbarButton{key, key});
    out.append(ToolbarButton{"Homepage", "Home"});
    return out;
}

QVector<ToolbarButton> tbOperButtons() {
    return {{"tvNa", "tvNa1"},  {"lvD", "lvD1"},    {"Play", "Play"},
            {"Pause", "Pause"}, {"Stop", "Stop"},   {"Last", "Last"},
            {"Next", "Next"},   {"FullS", "FullS"}, {"Exchange", "Exchange1"}};
}

QString toolbarCommand(const QString &key, int view) {
    for (int i = 0; i < 4; ++i)
        if (key == QLatin1String(kJobButtons[i]))
            return view == 1 ? kSearchCommands[i] : view == 2 ? kDownloadCommands[i] : QString();
    static const QMap<QString, QString> commands = {
        {"AddNewJob", "mnuJob_New"},   {"AddNewJobB", "mnuJob_New1"},
        {"AddSearch", "mnuJob_NewS"},  {"Comment", "mnuEdit_Comment"},
        {"Delete", "mnuEdit_Del"},     {"Openfile", "mnuEdit_OpenF"},
        {"Opendir", "mnuEdit_OpenD"},  {"AddPf", "mnuFile_AddNew"},
        {"AddPbf", "mnuFile_AddNew1"}, {"Import", "mnuFile_Import"},
        {"Export", "mnuFile_Export"},  {"Option", "mnuOption1"},
        {"Help", "mnuHelp1"},          {"Homepage", "mnuHelp_HomePage"},
        {"About", "mnuHelp_About"}};
    return commands.value(key);
}
