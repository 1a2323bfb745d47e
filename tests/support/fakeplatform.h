#pragma once

#include "ui/platform.h"
#include "core/phoneticservice.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

// Readings from a table; texts not in it read as themselves in katakana.
class FakePhoneticService : public PhoneticService
{
public:
    PhoneticResult reading(const QString &text) override;

    QHash<QString, QString> readings;
    QString failWith; // when set, every lookup fails with this text
    QStringList asked;
};

// Records every call and answers from scripts; with no script a message box
// answers its first button and a dialog is cancelled.
class FakePlatform : public PlatformServices
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    struct Dialog
    {
        CommonDialogKind kind;
        CommonDialogState before;
    };
    using DialogScript = std::function<CommonDialogResult(CommonDialogState &)>;

    QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon,
                                            const QString &title, const QString &text,
                                            QMessageBox::StandardButtons buttons) override;
    CommonDialogResult showCommonDialog(QWidget *parent, CommonDialogKind kind,
                                        CommonDialogState &state) override;
    bool openWithDesktop(const QString &fileOrAddress) override;
    PhoneticService &phoneticService() override { return phonetic; }
    QString programFolder() const override { return folder; }
    QByteArray codePage() const override { return page; }

    // Scripted answers, used in order.
    void setNextAnswer(QMessageBox::StandardButton answer) { messageAnswers.append(answer); }
    void setNextFileName(const QString &path);
    void setNextCancel();
    void setNextFailure(int number, const QString &description);
    void setNextColor(QRgb color);
    void setNextFont(const QString &name, double size, bool bold, bool italic);

    QList<Message> messages;
    QList<QMessageBox::StandardButton> messageAnswers;
    std::function<void(const Message &)> onMessage; // runs while the "box" is up

    QList<Dialog> dialogs;
    QList<DialogScript> dialogScripts;
    std::function<void(CommonDialogKind)> onDialog;

    QStringList opened;
    bool openResult = true;

    FakePhoneticService phonetic;
    QString folder;
    QByteArray page = "UTF-8";
};
