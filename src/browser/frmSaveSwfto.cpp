#include "browser/frmSaveSwfto.h"

#include "browser/BrowserCache.h"
#include "browser/CacheSave.h"
#include "dialogs/frmAddPf.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"
#include "player/MoviePlayer.h"
#include "player/MoviePlayerLoader.h"
#include "session/AppCore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

using namespace DialogKit;

frmSaveSwfto::frmSaveSwfto(AppCore &core, DbCommit commit, std::unique_ptr<BrowserCache> cache,
                           QWidget *parent)
    : QDialog(parent), m_core(core), m_commit(std::move(commit)),
      m_cache(cache ? std::move(cache) : std::make_unique<BrowserCache>()) {
    setObjectName(QStringLiteral("frmSaveSwfto"));
    setWindowTitle(QStringLiteral("Save Flash"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    createPlayer = [](QWidget *parent) { return loadMoviePlayer(parent); };

    Label1 = named(new QLabel(this), "Label1");
    ListView1 = named(new QListWidget(this), "ListView1");
    myFlash1 = named(new QWidget(this), "myFlash1");
    myFlash1->setMinimumSize(240, 180);
    new QVBoxLayout(myFlash1);
    myFlash1->layout()->setContentsMargins(0, 0, 0, 0);
    Slider1 = named(new QSlider(Qt::Horizontal, this), "Slider1");
    Slider1->setEnabled(false); // shows the frame; no seeking
    txtRename = edit(this, "txtRename");
    txtSaveAs1 = edit(this, "txtSaveAs1");
    txtComment = edit(this, "txtComment");
    cmbClass1 = named(new QComboBox(this), "cmbClass1");
    cmdSave = button(this, "cmdSave", QStringLiteral("Save Flash"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdClass1 = button(this, "cmdClass1", QStringLiteral("&Category"));
    cmdDlg1 = button(this, "cmdDlg1", QStringLiteral("&Browse"));
    Command1 = button(this, "Command1", QStringLiteral("..."));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 4);
    grid->addWidget(ListView1, 1, 0, 1, 2);
    grid->addWidget(myFlash1, 1, 2, 1, 2);
    grid->addWidget(Slider1, 2, 2, 1, 2);
    grid->addWidget(label(this, QStringLiteral("Category")), 3, 0);
    grid->addWidget(cmbClass1, 3, 1, 1, 2);
    grid->addWidget(cmdClass1, 3, 3);
    grid->addWidget(label(this, QStringLiteral("Save to")), 4, 0);
    grid->addWidget(txtSaveAs1, 4, 1, 1, 2);
    grid->addWidget(cmdDlg1, 4, 3);
    grid->addWidget(label(this, QStringLiteral("Rename")), 5, 0);
    grid->addWidget(txtRename, 5, 1, 1, 2);
    grid->addWidget(Command1, 5, 3);
    grid->addWidget(label(this, QStringLiteral("Comment")), 6, 0);
    grid->addWidget(txtComment, 6, 1, 1, 3);
    grid->addWidget(cmdSave, 7, 2);
    grid->addWidget(cmdCancel, 7, 3);

    wireCategoryBox(core, cmbClass1, txtSaveAs1, cmdClass1, QStringLiteral("Downloaded"),
                    &newCategory);
    connect(ListView1, &QListWidget::itemClicked, this, &frmSaveSwfto::rowClicked);
    connect(cmdSave, &QPushButton::clicked, this, &frmSaveSwfto::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdDlg1, &QPushButton::clicked, this, [this] {
        QString folder = browseFolder(this, txtSaveAs1->text());
        if (folder.isEmpty()) return;
        if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
        txtSaveAs1->setText(folder);
    });
    connect(Command1, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem *row = ListView1->currentItem())
            txtRename->setText(CacheSave::fileNameOf(row->text()));
    });
    m_follow = new QTimer(this);
    m_follow->setInterval(100);
    connect(m_follow, &QTimer::timeout, this, &frmSaveSwfto::followMovie);

    const int count = qBound(0, core.scan.FoundCount, int(core.scan.FoundMovies.size()));
    setHeader(core.scan.FoundCount);
    for (int i = 0; i < count; ++i)
        ListView1->addItem(core.scan.FoundMovies.at(i).trimmed());
    core.scan.FoundCount = 0;
}

frmSaveSwfto::~frmSaveSwfto() = default;

void frmSaveSwfto::setHeader(int count) {
    Label1->setText(
        QStringLiteral("Moorquill total have found %1 Flash files in Ie window.").arg(count));
}

void frmSaveSwfto::appendFound() {
    const int count = qBound(0, m_core.scan.FoundCount, int(m_core.scan.FoundMovies.size()));
    QSet<QString> listed;
    for (int i = 0; i < ListView1->count(); ++i)
        listed.insert(ListView1->item(i)->text());
    for (int i = 0; i < count; ++i) {
        const QString url = m_core.scan.FoundMovies.at(i).trimmed();
        if (listed.contains(url)) continue;
        listed.insert(url);
        ListView1->addItem(url);
    }
    m_core.scan.FoundCount = 0;
    setHeader(ListView1->count());
}

void frmSaveSwfto::rowClicked() {
    QListWidgetItem *row = ListView1->currentItem();
    if (!row) return;
    const QString url = row->text();
    if (m_cache->IsInCache(url)) {
        const QString file = m_cache->CacheFileName();
        if (!m_player && createPlayer && !file.isEmpty()) {
            m_player = createPlayer(myFlash1);
            if (m_player) myFlash1->layout()->addWidget(m_player->widget());
        }
        if (m_player && !file.isEmpty() && m_player->setMovie(file)) {
            Slider1->setMaximum(m_player->TotalFrames());
            Slider1->setValue(0);
            m_follow->start();
        }
    }
    txtRename->setText(CacheSave::fileNameOf(url));
}

void frmSaveSwfto::followMovie() {
    if (!m_player || m_player->Movie().isEmpty()) {
        m_follow->stop();
        return;
    }
    Slider1->setMaximum(m_player->TotalFrames());
    Slider1->setValue(m_player->FrameNum());
}

void frmSaveSwfto::save() {
    QListWidgetItem *row = ListView1->currentItem();
    if (!row) return;
    const QString url = row->text();
    if (m_cache->IsInCache(url)) {
        const QString target = CacheSave::targetPath(txtSaveAs1->text(), txtRename->text());
        if (txtRename->text().isEmpty()) {
            MsgBox::information(this, QStringLiteral("Please Input FileName First!"));
            txtRename->setFocus();
            return;
        }
        const QString body = m_cache->CacheFileName();
        const CacheSave::Result result =
            body.isEmpty()
                ? CacheSave::Result{0, CacheSave::failedText(target, m_cache->error())}
                : CacheSave::saveMovie(m_core, m_commit, url, body, target,
                                       cmbClass1->currentData().toString(), txtComment->text());
        if (result.job == 0) {
            // The row stays for another try (another folder or name).
            MsgBox::error(this, result.message);
            return;
        }
        if (jobSaved) jobSaved(result.job);
        MsgBox::show(this, result.message);
    } else if (MsgBox::question(this, CacheSave::notCachedQuestion())) {
        if (downloadMovie) downloadMovie(url, txtComment->text());
    }
    delete ListView1->takeItem(ListView1->row(row));
}

bool showFoundMovies(AppCore &core, QPointer<frmSaveSwfto> &dialog,
                     const std::function<frmSaveSwfto *()> &create) {
    if (core.scan.FoundCount <= 0) return false;
    if (dialog) {
        dialog->appendFound();
    } else {
        dialog = create();
        if (!dialog) return false;
        PlaceDialog(dialog);
        dialog->show();
    }
    core.scan.FoundMovies.clear();
    return true;
}
