// The category, job and import dialogs driven through their real widgets;
// the records, the tree, the lists, the job database and the files are checked.
#include "common/EditFixture.h"
#include "dialogs/CategoryPicker.h"
#include "dialogs/frmAddPbf.h"
#include "dialogs/frmAddPf.h"
#include "dialogs/frmClassD.h"
#include "dialogs/frmClassMoveto.h"
#include "dialogs/frmClassNew.h"
#include "dialogs/frmClassP.h"
#include "dialogs/frmComment.h"
#include "dialogs/frmDelete.h"
#include "dialogs/frmMoveto.h"
#include "jobs/CategoryEdit.h"
#include "kit/MsgBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
// Records every box and answers questions with `answer`.
struct Boxes {
    QStringList texts;
    QList<MsgBox::Kind> kinds;
    bool answer = false;
    Boxes() {
        MsgBox::setHandler([this](MsgBox::Kind kind, const QString &text) {
            kinds << kind;
            texts << text;
            return answer;
        });
    }
    ~Boxes() { MsgBox::setHandler({}); }
};

void click(QAbstractButton *button) {
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

class TestEditDialogs : public QObject {
    Q_OBJECT
private slots:
    void classNew_emptyOrBadNameIsRefused() {
        EditFixture f;
        Boxes boxes;
        frmClassNew dialog(f.core, f.commit(), "101k");
        QCOMPARE(dialog.tvClass->currentKey(), QString("101k"));
        click(dialog.cmdCreate);
        QCOMPARE(boxes.texts, QStringList{"Please Input Category Name First!"});
        dialog.txtClassName->setText("a/b");
        click(dialog.cmdCreate);
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts[1].contains('/'));
        QVERIFY(dialog.newKey().isEmpty());
        QVERIFY(!dialog.isVisible() || dialog.result() == 0);
        QVERIFY(!f.core.tree.contains("101k2"));
        QVERIFY(!QFile::exists(f.core.paths.JobDbPath));
    }

    void classNew_folderFollowsAndIsCreated() {
        EditFixture f;
        Boxes boxes;
        frmClassNew dialog(f.core, f.commit(), "101k");
        const QString cartoon = f.core.tree.find("101k")->tag;
        QCOMPARE(dialog.txtDir->text(), cartoon);
        QTest::keyClicks(dialog.txtClassName, "Flash");
        QCOMPARE(dialog.txtDir->text(), cartoon);
        dialog.Check1->setChecked(true);
        QCOMPARE(dialog.txtDir->text(), cartoon + "Flash");
        dialog.tvClass->selectKey("102k");
        QCOMPARE(dialog.txtDir->text(), f.core.tree.find("102k")->tag + "Flash");
        click(dialog.cmdCreate);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join('\n')));
        QCOMPARE(dialog.newKey(), QString("102k1"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(QFileInfo(f.core.tree.find("102k")->tag + "Flash").isDir());
        auto saved = f.reload();
        QCOMPARE(saved->tree.find("102k1")->text, QString("Flash"));
        QCOMPARE(saved->tree.find("102k1")->tag, f.core.tree.find("102k")->tag + "Flash/");
    }

    void classMoveto_refusesOwnSubTree() {
        EditFixture f;
        Boxes boxes;
        const QString path = EditFixture::file(f.dir.filePath("down/cartoon/c.swf"), "c");
        const QString clash = EditFixture::file(f.dir.filePath("down/cartoon/d.swf"), "new");
        EditFixture::file(f.dir.filePath("down/mtv/d.swf"), "old");
        const int job = f.addJob("101k", StateComplete, path);
        const int kept = f.addJob("101k", StateComplete, clash);
        frmClassMoveto dialog(f.core, f.commit(), "101k");
        dialog.tvClass->selectKey("101k1");
        click(dialog.cmdOK);
        QCOMPARE(boxes.kinds, QList<MsgBox::Kind>{MsgBox::Kind::Error});
        QCOMPARE(f.core.tree.find("101k")->parent->key, QString("Downloaded"));
        dialog.tvClass->selectKey("102k");
        dialog.chkMoveFile->setChecked(true);
        click(dialog.cmdOK);
        QCOMPARE(boxes.texts.value(1), QString("File existed! Do you want to overwrite it?"));
        auto saved = f.reload();
        QCOMPARE(saved->tree.find("101k")->parent->key, QString("102k"));
        QCOMPARE(saved->jobs[job].SavePath, f.dir.filePath("down/mtv/c.swf"));
        QVERIFY(QFile::exists(f.dir.filePath("down/mtv/c.swf")) && !QFile::exists(path));
        QCOMPARE(saved->jobs[kept].SavePath, clash); // "No": the file and its record stay
        QCOMPARE(readFileBytes(f.dir.filePath("down/mtv/d.swf")), QByteArray("old"));
    }

    void classP_writesNameAndFolder() {
        EditFixture f;
        Boxes boxes;
        frmClassP dialog(f.core, f.commit(), "102k");
        QCOMPARE(dialog.txtClassName->text(), QString("MTV"));
        dialog.txtClassName->setText(" Music ");
        dialog.txtDir->setText("/music");
        click(dialog.cmdOK);
        auto saved = f.reload();
        QCOMPARE(saved->tree.find("102k")->text, QString("Music"));
        QCOMPARE(saved->tree.find("102k")->tag, QString("/music/"));
    }

    // The refusal of a fixed node is a rule of CategoryEdit (tst_jobedit).
    void classD_categoryDeleted() {
        EditFixture f;
        Boxes boxes;
        const int mine = f.addJob("102k", StateComplete, "/b");
        frmClassD dialog(f.core, f.commit(), "102k");
        click(dialog.cmdOK);
        auto saved = f.reload();
        QVERIFY(!saved->tree.contains("102k"));
        QCOMPARE(saved->jobs[mine].CategoryKey, QString("Recely"));
    }

    void moveto_ownCategoryDoesNothing_otherMoves() {
        EditFixture f;
        Boxes boxes;
        const QString path = EditFixture::file(f.dir.filePath("a.swf"), "a");
        const int job = f.addJob("101k", StateComplete, path);
        f.core.lists.FillCompletedList("101k", 0, 0);
        {
            frmMoveto dialog(f.core, f.commit(), {job}, "101k");
            QCOMPARE(dialog.tvClass->currentKey(), QString("101k"));
            click(dialog.cmdOK);
        }
        QCOMPARE(f.core.lists.lvHaveDown.count(), 1);
        QVERIFY(!QFile::exists(f.core.paths.JobDbPath));

        frmMoveto dialog(f.core, f.commit(), {job}, "101k");
        dialog.tvClass->selectKey("101k1");
        QCOMPARE(dialog.lblPath->text(), QString("MoorQuill/Downloaded/Cartoon/Short"));
        dialog.chkMoveFile->setChecked(true);
        click(dialog.cmdOK);
        QCOMPARE(f.core.lists.lvHaveDown.count(), 0);
        const QString moved = f.dir.filePath("down/short/a.swf");
        QVERIFY(QFile::exists(moved) && !QFile::exists(path));
        QCOMPARE(f.reload()->jobs[job].CategoryKey, QString("101k1"));
        QCOMPARE(f.reload()->jobs[job].SavePath, moved);
    }

    void comment_storesText() {
        EditFixture f;
        const int job = f.addJob("101k", StateComplete, "/a");
        f.core.DownJobs[job].Comment = "old";
        frmComment dialog(f.core, f.commit(), job);
        QCOMPARE(dialog.txtComment->toPlainText(), QString("old"));
        dialog.txtComment->setPlainText(QString::fromUtf8("new é"));
        click(dialog.cmdOK);
        QCOMPARE(f.reload()->jobs[job].Comment, QString::fromUtf8("new é"));
    }

    void delete_recycleThenForGoodWithFile() {
        EditFixture f;
        Boxes boxes;
        const QString path = EditFixture::file(f.dir.filePath("a.swf"), "a");
        const int job = f.addJob("Recely", StateComplete, path);
        f.core.lists.FillCompletedList("Recely", 0, 0);
        {
            frmDelete dialog(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {job});
            click(dialog.cmdCancel);
        }
        QCOMPARE(f.core.DownJobs[job].CategoryKey, QString("Recely"));
        frmDelete dialog(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {job});
        dialog.Check1->setChecked(true); // the unfinished-file box has no say here
        click(dialog.cmdDelete);
        QVERIFY(QFile::exists(path));
        QCOMPARE(f.core.DownJobs[job].CategoryKey, QString("Recely_Really"));
        QCOMPARE(f.core.lists.lvHaveDown.count(), 0);
        QCOMPARE(f.reload()->jobs.DownCount(), 0);

        const QString other = EditFixture::file(f.dir.filePath("b.swf"), "b");
        const int second = f.addJob("Recely", StateComplete, other);
        frmDelete again(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {second});
        again.Check2->setChecked(true);
        click(again.cmdDelete);
        QVERIFY(!QFile::exists(other));
        QVERIFY(boxes.texts.isEmpty());
    }

    void addPf_importWithAndWithoutMove() {
        EditFixture f;
        Boxes boxes;
        const QString a = EditFixture::file(f.dir.filePath("in/a.swf"), "12345");
        {
            frmAddPf dialog(f.core, f.commit(), "101k");
            QCOMPARE(dialog.cmbClass->currentData().toString(), QString("101k"));
            QCOMPARE(dialog.txtDir->text(), f.core.tree.find("101k")->tag);
            click(dialog.cmdAdd);
            QCOMPARE(boxes.texts.value(0), QString("Please Input FileName First!"));
            dialog.txtFileName->setText(a + ".gone");
            click(dialog.cmdAdd);
            QCOMPARE(boxes.texts.value(1), QString("The File Not Found!"));
            dialog.txtFileName->setText(a);
            QCOMPARE(dialog.txtFileSize->text(), QString("5"));
            QVERIFY(!dialog.txtFileDate->text().isEmpty());
            dialog.txtRef->setText("http://r/a.swf");
            dialog.txtComment->setText("c");
            click(dialog.cmdAdd);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(f.reload()->jobs[dialog.addedJob()].SavePath, a);
            QVERIFY(QFile::exists(a));
        }
        frmAddPf dialog(f.core, f.commit(), "101k");
        dialog.cmbClass->setCurrentIndex(dialog.cmbClass->findData("102k"));
        QCOMPARE(dialog.txtDir->text(), f.core.tree.find("102k")->tag);
        dialog.txtFileName->setText(a);
        dialog.chkMoveFile->setChecked(true);
        click(dialog.cmdAdd);
        const QString moved = f.dir.filePath("down/mtv/a.swf");
        QVERIFY(!QFile::exists(a) && QFile::exists(moved));
        auto saved = f.reload();
        QCOMPARE(saved->jobs.DownCount(), 2);
        QCOMPARE(saved->jobs[2].SavePath, moved);
        QCOMPARE(saved->jobs[2].CategoryKey, QString("102k"));
        QCOMPARE(saved->jobs[1].Url, QString("http://r/a.swf"));
    }

    void addPf_categoryButtonCreatesAndChooses() {
        EditFixture f;
        frmAddPf dialog(f.core, f.commit(), "101k");
        dialog.newCategory = [&](QWidget *, const QString &parent) {
            return CategoryEdit::create(f.core.tree, f.core.DownJobs, parent, "Fresh", "/fresh",
                                        false, f.commit())
                .key;
        };
        click(dialog.cmdClass);
        QCOMPARE(dialog.cmbClass->currentData().toString(), QString("101k2"));
        QCOMPARE(dialog.txtDir->text(), QString("/fresh/"));
    }

    void addPbf_typesSelectionAndImport() {
        EditFixture f;
        Boxes boxes;
        const QString in = f.folder("batch");
        for (const char *name : {"c.swf", "a.swf", "b.zip", "x.txt"})
            EditFixture::file(in + name, name);
        frmAddPbf dialog(f.core, f.commit(), "102k");
        click(dialog.cmdAdd);
        QCOMPARE(boxes.texts.value(0), QString("Please Select Folder First!"));
        dialog.txtDirName->setText(f.dir.filePath("empty-none"));
        click(dialog.cmdAdd);
        QCOMPARE(boxes.texts.value(1), QString("The folder Not Found!"));

        dialog.txtDirName->setText(in);
        dialog.AddFiletoLv();
        QCOMPARE(dialog.lvFile->topLevelItemCount(), 2);
        QCOMPARE(dialog.lvFile->topLevelItem(0)->text(0), QString("a.swf"));
        dialog.Combo1->setCurrentText("*.zip");
        QCOMPARE(dialog.lvFile->topLevelItemCount(), 1);
        QCOMPARE(dialog.lvFile->topLevelItem(0)->text(0), QString("b.zip"));
        QCOMPARE(dialog.lvFile->topLevelItem(0)->text(1), QString("5"));
        dialog.Combo1->setCurrentText("*.swf");

        // Select all, invert (none selected), select the second, check the selection.
        click(dialog.Command1);
        QCOMPARE(dialog.lvFile->selectedItems().size(), 2);
        click(dialog.Command2);
        QCOMPARE(dialog.lvFile->selectedItems().size(), 0);
        dialog.lvFile->topLevelItem(1)->setSelected(true);
        click(dialog.Command3);
        QCOMPARE(dialog.lvFile->topLevelItem(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(dialog.lvFile->topLevelItem(1)->checkState(0), Qt::Checked);
        click(dialog.Command5);
        QCOMPARE(dialog.lvFile->topLevelItem(0)->checkState(0), Qt::Checked);
        click(dialog.Command4);
        QCOMPARE(dialog.lvFile->topLevelItem(1)->checkState(0), Qt::Unchecked);

        dialog.chkMoveFile->setChecked(true);
        click(dialog.cmdAdd);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.addedJobs().size(), 1);
        auto saved = f.reload();
        QCOMPARE(saved->jobs.DownCount(), 1);
        QCOMPARE(saved->jobs[1].SavePath, f.dir.filePath("down/mtv/a.swf"));
        QCOMPARE(saved->jobs[1].TotalSize, 5);
        QVERIFY(QFile::exists(in + "c.swf"));
    }

    void addPbf_noCheckMarksAddsNothing() {
        EditFixture f;
        Boxes boxes;
        const QString in = f.folder("batch");
        EditFixture::file(in + "a.swf", "a");
        frmAddPbf dialog(f.core, f.commit(), "102k");
        dialog.txtDirName->setText(in);
        click(dialog.Command6);
        QCOMPARE(dialog.lvFile->topLevelItemCount(), 1);
        click(dialog.cmdAdd);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(f.core.DownJobs.DownCount(), 0);
        QVERIFY(!QFile::exists(f.core.paths.JobDbPath));
    }
};

QTEST_MAIN(TestEditDialogs)
#include "tst_editdialogs.moc"
