#pragma once

#include <QComboBox>
#include <QDialog>
#include <QStringList>

class EditorControl;
class QCheckBox;
class QLineEdit;
class QPushButton;
struct Module1;

// The reading box: typed into like a line edit, with the other candidate
// readings in its list (Alt+Down opens it).
class ReadingBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ReadingBox(QWidget *parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString &text) { setEditText(text); }
    // The proposed reading first; typing keeps what the box shows.
    void setCandidates(const QStringList &readings);
};

// "ルビの挿入": confirms the proposed reading and replaces the editor's
// selection with one ruby element. Created afresh for every opening.
class FormRuby : public QDialog
{
    Q_OBJECT

public:
    FormRuby(Module1 &module, EditorControl &editor, QWidget *parent = nullptr);

    ReadingBox *TextRuby = nullptr;
    QPushButton *ComElie = nullptr;
    QPushButton *ComCancel = nullptr;
    QCheckBox *CheckAlt = nullptr;
    QLineEdit *TextAlt = nullptr;

    void Form_Load();
    void CheckAlt_Click();
    void ComElie_Click();
    void ComCancel_Click();

    // Other readings offered in the reading box, in the kana form shown.
    void setCandidates(const QStringList &readings);

private:
    void createControls();

    Module1 &m_module;
    EditorControl &RTB1;
};
