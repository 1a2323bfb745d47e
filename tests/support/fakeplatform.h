#pragma once

#include "core/reading/phoneticservice.h"
#include "ui/platform.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

// Readings from a table; texts not in it read as themselves.
class FakePhoneticService : public PhoneticService
{
public:
    PhoneticResult reading(const QString &text) override
    {
        return {readings.value(text, text), {}};
    }
    QHash<QString, QString> readings;
};

// Records the message boxes and answers them and the dialogs from scripts; with no
// script a box answers its first button and a dialog is cancelled.
class FakePlatform : public PlatformServices
{
public:
    struct Message
    {
        QString title;
        QString text;
    };
    using Script = std::function<CommonDialogResult(CommonDialogState &)>;

    QMessageBox::StandardButton showMessage(QWidget *, QMessageBox::Icon, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons) override;
    CommonDialogResult showCommonDialog(QWidget *, CommonDialogKind,
                                        CommonDialogState &state) override;
    bool openWithDesktop(const QString &fileOrAddress) override
    {
        opened.append(fileOrAddress);
        return true;
    }
    PhoneticService &phoneticService() override { return service ? *service : phonetic; }
    QString programFolder() const override { return folder; }
    QByteArray codePage() const override { return page; }

    void setNextAnswer(QMessageBox::StandardButton answer) { answers.append(answer); }
    void setNextFileName(const QString &path);
    void setNextCancel() { scripts.append(nullptr); }

    QList<Message> messages;
    std::function<void()> whenAsked; // runs once, as the next box is shown
    QList<QMessageBox::StandardButton> answers;
    QList<Script> scripts;
    QStringList opened;
    FakePhoneticService phonetic;
    PhoneticService *service = nullptr; // instead of the table
    QString folder;
    QByteArray page = "UTF-8";
};
