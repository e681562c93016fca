#pragma once

#include <QDialog>

class ListRowModel;
class QLineEdit;
class QPushButton;

// The proxy entry dialog of the options dialog's Proxy page. Mode 1 adds a
// row to the page's list, mode 2 modifies the selected row.
class frmProxy : public QDialog {
    Q_OBJECT
public:
    enum Mode { AddMode = 1, ModifyMode = 2 };
    frmProxy(ListRowModel &rows, int mode, int selectedRow, QWidget *parent = nullptr);

    QLineEdit *Text1 = nullptr;      // host
    QLineEdit *Text2 = nullptr;      // port
    QPushButton *Command1 = nullptr; // confirm
    QPushButton *Command2 = nullptr; // cancel

private slots:
    void Command1_Click();

private:
    ListRowModel &m_rows;
    int m_mode;
    int m_row;
};
