#pragma once

#include "core/text/textsearch.h"

#include <QDialog>

class EditorControl;
class PlatformServices;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The modeless search-and-replace window over the editor, owned by the main window. It is deleted
// when closed; every opening builds it afresh from its opening states.
class FormSearch : public QDialog
{
    Q_OBJECT

public:
    FormSearch(QWidget *owner, PlatformServices &platform, EditorControl *editor);
    ~FormSearch() override;

    // Controls
    QLabel *LabelSearch = nullptr;
    QLineEdit *TextSearch = nullptr;
    QLabel *LabelReplace = nullptr;
    QLineEdit *TextReplace = nullptr;
    QCheckBox *CheckReplace = nullptr;
    QCheckBox *CheckStr = nullptr;
    QCheckBox *CheckTop = nullptr;
    QPushButton *ComSearch = nullptr;
    QPushButton *ComReplace = nullptr;
    QPushButton *ComAllReplace = nullptr;
    QPushButton *ComCancel = nullptr;

    // Handlers
    void Form_Load();
    void Form_Unload();
    void TextSearch_Change();
    void CheckReplace_Click();
    void ComSearch_Click();
    void ComReplace_Click();
    void ComAllReplace_Click();
    void ComCancel_Click();

    // Window state, read by tests.
    qint32 startPos() const { return mStartPos; }
    qint32 foundPos() const { return mFoundPos; }
    bool searchEnded() const { return mSearchEnded; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void createControls();
    void connectHandlers();
    CompareMode compareMode() const;
    void SetSearchStart();
    void FindAndSelect();

    PlatformServices &m_platform;
    EditorControl *RTB1;
    bool m_unloaded = false;

    QString mSearchText;
    QString mDocText;
    QString mReplaceText;
    qint32 mStartPos = 0;
    qint32 mFoundPos = 0;
    bool mSearchEnded = false;
};
