#pragma once

#include "jobs/DbCommit.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

struct AppCore;
class BrowserCache;
class MoviePlayer;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;

// "Save Flash": the movies a browser-page scan found, each one previewed and
// saved out of the browser's cache as a finished job, or handed to the
// new-job dialog when the browser has not got it whole. Modeless.
class frmSaveSwfto : public QDialog {
    Q_OBJECT
public:
    // Lists core.scan.FoundMovies (1 to FoundCount) and resets FoundCount. The
    // cache lookup is `cache`, every browser profile by default.
    frmSaveSwfto(AppCore &core, DbCommit commit, std::unique_ptr<BrowserCache> cache = {},
                 QWidget *parent = nullptr);
    ~frmSaveSwfto() override;

    // The preview player; the player library by default. May return nullptr.
    std::function<MoviePlayer *(QWidget *parent)> createPlayer;
    // "&Category": creates a category and returns its key (empty when none).
    std::function<QString(QWidget *parent, const QString &selectedKey)> newCategory;
    // "Yes" to the download question: opens the new-job dialog for the address
    // with the comment.
    std::function<void(const QString &url, const QString &comment)> downloadMovie;
    // A movie was saved as this finished job (the lists show it).
    std::function<void(int job)> jobSaved;

    // A scan ended while the dialog is open: appends its addresses not listed
    // yet and resets FoundCount.
    void appendFound();
    // The row click: preview when cached, the file name in every case.
    void rowClicked();
    // "Save Flash" on the selected row.
    void save();

    BrowserCache &cache() { return *m_cache; }
    MoviePlayer *player() const { return m_player; }

    QLabel *Label1 = nullptr; // the header
    QListWidget *ListView1 = nullptr;
    QWidget *myFlash1 = nullptr; // where the preview plays
    QSlider *Slider1 = nullptr;
    QLineEdit *txtRename = nullptr;
    QLineEdit *txtSaveAs1 = nullptr;
    QLineEdit *txtComment = nullptr;
    QComboBox *cmbClass1 = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdClass1 = nullptr;
    QPushButton *cmdDlg1 = nullptr;
    QPushButton *Command1 = nullptr;

private:
    void setHeader(int count);
    void followMovie();
    AppCore &m_core;
    DbCommit m_commit;
    std::unique_ptr<BrowserCache> m_cache;
    MoviePlayer *m_player = nullptr;
    QTimer *m_follow = nullptr;
};

// The scan list's part of the main window's Timer1: when a list waits
// (FoundCount > 0) it goes into the open save dialog, or into a new one made
// by `create` and shown modeless; FoundMovies is emptied. False when no list
// waits.
bool showFoundMovies(AppCore &core, QPointer<frmSaveSwfto> &dialog,
                     const std::function<frmSaveSwfto *()> &create);
