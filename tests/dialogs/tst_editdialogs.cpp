// The category, job and import dialogs driven through their real widgets;
// the records, the tree, the lists, the job database and the files are checked.
#include "common/EditFixture.h"
#include "dialogs/CategoryPicker.h"
#include "dialogs/frmAddPbf.h"
#include "dialogs/frmAddPf.h"
#include "dialogs/frmClassD.h"
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

// The rules themselves are CategoryEdit's and JobEdit's (tst_jobedit): here
// each dialog's widgets reach them and what only the dialog does is checked.
class TestEditDialogs : public QObject {
    Q_OBJECT
    QStringList m_boxes; // the texts of the message boxes, each answered No

private slots:
    void initTestCase() {
        MsgBox::setHandler([this](MsgBox::Kind, const QString &text) {
            m_boxes << text;
            return false;
        });
    }
    void init() { m_boxes.clear(); }

    void classNew_refusesEmptyName_folderFollowsName() {
        EditFixture f;
        frmClassNew dialog(f.core, f.commit(), "101k");
        QCOMPARE(dialog.tvClass->currentKey(), QString("101k"));
        dialog.cmdCreate->click();
        QCOMPARE(m_boxes, QStringList{"Please Input Category Name First!"});
        QTest::keyClicks(dialog.txtClassName, "Flash");
        dialog.Check1->setChecked(true);
        dialog.tvClass->selectKey("102k");
        QCOMPARE(dialog.txtDir->text(), f.core.tree.find("102k")->tag + "Flash");
        dialog.cmdCreate->click();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(dialog.newKey(), QString("102k1"));
        QVERIFY(QFileInfo(f.core.tree.find("102k")->tag + "Flash").isDir());
        QCOMPARE(f.reload()->tree.find("102k1")->text, QString("Flash"));
    }

    void classP_andClassD_writeTheTree() {
        EditFixture f;
        const int mine = f.addJob("101k1", StateComplete, "/b");
        frmClassP props(f.core, f.commit(), "102k");
        QCOMPARE(props.txtClassName->text(), QString("MTV"));
        props.txtClassName->setText(" Music ");
        props.txtDir->setText("/music");
        props.cmdOK->click();
        QCOMPARE(f.reload()->tree.find("102k")->tag, QString("/music/"));
        QCOMPARE(f.reload()->tree.find("102k")->text, QString("Music"));
        frmClassD del(f.core, f.commit(), "101k1");
        del.cmdOK->click();
        QVERIFY(!f.reload()->tree.contains("101k1"));
        QCOMPARE(f.reload()->jobs[mine].CategoryKey, QString("Recely"));
    }

    void moveto_andComment() {
        EditFixture f;
        const QString path = EditFixture::file(f.dir.filePath("a.swf"), "a");
        const int job = f.addJob("101k", StateComplete, path);
        f.core.lists.FillCompletedList("101k", 0, 0);
        frmMoveto dialog(f.core, f.commit(), {job}, "101k");
        dialog.tvClass->selectKey("101k1");
        QCOMPARE(dialog.lblPath->text(), QString("MoorQuill/Downloaded/Cartoon/Short"));
        dialog.chkMoveFile->setChecked(true);
        dialog.cmdOK->click();
        QCOMPARE(f.core.lists.lvHaveDown.count(), 0);
        QCOMPARE(f.reload()->jobs[job].SavePath, f.dir.filePath("down/short/a.swf"));
        frmComment comment(f.core, f.commit(), job);
        comment.txtComment->setPlainText(QString::fromUtf8("new \xC3\xA9"));
        comment.cmdOK->click();
        QCOMPARE(f.reload()->jobs[job].Comment, QString::fromUtf8("new \xC3\xA9"));
    }

    // Cancel keeps the job; the file box decides whether the file goes.
    void delete_forGoodWithAndWithoutFile() {
        EditFixture f;
        const QString kept = EditFixture::file(f.dir.filePath("a.swf"), "a");
        const QString gone = EditFixture::file(f.dir.filePath("b.swf"), "b");
        const int first = f.addJob("Recely", StateComplete, kept);
        const int second = f.addJob("Recely", StateComplete, gone);
        {
            frmDelete dialog(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {first});
            dialog.cmdCancel->click();
        }
        QCOMPARE(f.core.DownJobs[first].CategoryKey, QString("Recely"));
        frmDelete dialog(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {first});
        dialog.cmdDelete->click();
        frmDelete again(f.core, f.commit(), JobEdit::DeleteKind::ForGood, {second});
        again.Check2->setChecked(true);
        again.cmdDelete->click();
        QVERIFY(QFile::exists(kept) && !QFile::exists(gone));
        QCOMPARE(f.reload()->jobs.DownCount(), 0);
    }

    void addPf_asksForAFileThenImports() {
        EditFixture f;
        const QString a = EditFixture::file(f.dir.filePath("in/a.swf"), "12345");
        frmAddPf dialog(f.core, f.commit(), "101k");
        dialog.newCategory = [&](QWidget *, const QString &parent) {
            return CategoryEdit::create(f.core.tree, f.core.DownJobs, parent, "Fresh", "/fresh",
                                        false, f.commit())
                .key;
        };
        dialog.cmdAdd->click();
        QCOMPARE(m_boxes.value(0), QString("Please Input FileName First!"));
        dialog.txtFileName->setText(a + ".gone");
        dialog.cmdAdd->click();
        QCOMPARE(m_boxes.value(1), QString("The File Not Found!"));
        dialog.txtFileName->setText(a);
        QCOMPARE(dialog.txtFileSize->text(), QString("5"));
        dialog.cmdClass->click();
        QCOMPARE(dialog.cmbClass->currentData().toString(), QString("101k2"));
        QCOMPARE(dialog.txtDir->text(), QString("/fresh/"));
        dialog.cmbClass->setCurrentIndex(dialog.cmbClass->findData("102k"));
        dialog.chkMoveFile->setChecked(true);
        dialog.cmdAdd->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QString moved = f.dir.filePath("down/mtv/a.swf");
        QVERIFY(!QFile::exists(a) && QFile::exists(moved));
        QCOMPARE(f.reload()->jobs[dialog.addedJob()].SavePath, moved);
    }

    // The file type filters the list; the selection buttons set the marks.
    void addPbf_typesSelectionAndImport() {
        EditFixture f;
        const QString in = f.folder("batch");
        for (const char *name : {"c.swf", "a.swf", "b.zip"})
            EditFixture::file(in + name, name);
        frmAddPbf dialog(f.core, f.commit(), "102k");
        dialog.cmdAdd->click();
        QCOMPARE(m_boxes.value(0), QString("Please Select Folder First!"));
        dialog.txtDirName->setText(in);
        dialog.AddFiletoLv();
        QCOMPARE(dialog.lvFile->topLevelItemCount(), 2);
        dialog.Combo1->setCurrentText("*.zip");
        QCOMPARE(dialog.lvFile->topLevelItem(0)->text(0), QString("b.zip"));
        dialog.Combo1->setCurrentText("*.swf");
        QCOMPARE(dialog.lvFile->topLevelItem(0)->text(0), QString("a.swf"));
        dialog.Command1->click(); // select all
        dialog.Command2->click(); // invert: none
        QCOMPARE(dialog.lvFile->selectedItems().size(), 0);
        dialog.lvFile->topLevelItem(1)->setSelected(true);
        dialog.Command3->click(); // check the selection only
        QCOMPARE(dialog.lvFile->topLevelItem(0)->checkState(0), Qt::Unchecked);
        dialog.Command5->click(); // check all
        dialog.Command4->click(); // uncheck the selection
        QCOMPARE(dialog.lvFile->topLevelItem(1)->checkState(0), Qt::Unchecked);
        dialog.cmdAdd->click();
        QCOMPARE(dialog.addedJobs().size(), 1);
        QCOMPARE(f.reload()->jobs[1].SavePath, in + "a.swf");
    }
};

QTEST_MAIN(TestEditDialogs)
#include "tst_editdialogs.moc"
