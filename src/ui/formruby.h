#pragma once

#include <QDialog>

class EditorControl;
class QCheckBox;
class QLineEdit;
class QPushButton;
struct Module1;

// "ルビの挿入": confirms the proposed reading and replaces the editor's
// selection with one ruby element. Created afresh for every opening.
class FormRuby : public QDialog
{
    Q_OBJECT

public:
    FormRuby(Module1 &module, EditorControl &editor, QWidget *parent = nullptr);

    QLineEdit *TextRuby = nullptr;
    QPushButton *ComElie = nullptr;
    QPushButton *ComCancel = nullptr;
    QCheckBox *CheckAlt = nullptr;
    QLineEdit *TextAlt = nullptr;

    void Form_Load();
    void CheckAlt_Click();
    void ComElie_Click();
    void ComCancel_Click();

private:
    void createControls();

    Module1 &m_module;
    EditorControl &RTB1;
};
