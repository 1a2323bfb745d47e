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
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    SearchDialog(QWidget *owner, PlatformServices &platform, EditorControl *editor);
    ~SearchDialog() override;


    // Handlers
    void resetFields();
    void forgetSearch();
    void onSearchTextChanged();
    void onReplaceToggled();
    void find();
    void replace();
    void replaceAllMatches();
    void cancel();

    // Window state, read by tests.
    qint32 startPos() const { return m_startPos; }
    qint32 foundPos() const { return m_foundPos; }
    bool searchEnded() const { return m_searchEnded; }

    // Its widgets, for tests and the windows that work with it.
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QLineEdit *replaceEdit() const { return m_replaceEdit; }
    QCheckBox *replaceCheck() const { return m_replaceCheck; }
    QCheckBox *exactCheck() const { return m_exactCheck; }
    QCheckBox *fromTopCheck() const { return m_fromTopCheck; }
    QPushButton *findButton() const { return m_findButton; }
    QPushButton *replaceButton() const { return m_replaceButton; }
    QPushButton *replaceAllButton() const { return m_replaceAllButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

signals:
    // A sentence for the owner's status bar: how many places Replace All replaced.
    void statusMessage(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QLabel *m_searchLabel = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QLabel *m_replaceLabel = nullptr;
    QLineEdit *m_replaceEdit = nullptr;
    QCheckBox *m_replaceCheck = nullptr;
    QCheckBox *m_exactCheck = nullptr;
    QCheckBox *m_fromTopCheck = nullptr;
    QPushButton *m_findButton = nullptr;
    QPushButton *m_replaceButton = nullptr;
    QPushButton *m_replaceAllButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    void createControls();
    void connectHandlers();
    CompareMode compareMode() const;
    void setSearchStart();
    void findAndSelect();

    PlatformServices &m_platform;
    EditorControl *m_editor;
    bool m_unloaded = false;

    QString m_searchText;
    QString m_docText;
    QString m_replaceText;
    qint32 m_startPos = 0;
    qint32 m_foundPos = 0;
    bool m_searchEnded = false;
};
