#include "fakeplatform.h"

#include <QStringList>

PhoneticResult FakePhoneticService::reading(const QString &text)
{
    asked.append(text);
    if (!failWith.isEmpty())
        return {QString(), failWith};
    const auto it = readings.constFind(text);
    if (it != readings.constEnd())
        return {*it, QString()};
    QString katakana = text;
    for (QChar &c : katakana) {
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
            c = QChar(c.unicode() + 0x60);
    }
    return {katakana, QString()};
}

QMessageBox::StandardButton FakePlatform::showMessage(QWidget *, QMessageBox::Icon icon,
                                                      const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons buttons)
{
    const Message message {icon, title, text, buttons};
    messages.append(message);
    if (onMessage)
        onMessage(message);
    if (!messageAnswers.isEmpty())
        return messageAnswers.takeFirst();
    for (int bit = 0; bit < 32; ++bit) {
        const auto button = QMessageBox::StandardButton(1u << bit);
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::Ok;
}

CommonDialogResult FakePlatform::showCommonDialog(QWidget *, CommonDialogKind kind,
                                                  CommonDialogState &state)
{
    dialogs.append({kind, state});
    if (onDialog)
        onDialog(kind);
    if (dialogScripts.isEmpty())
        return {CommonDialogResult::Cancelled, kCancelErrorNumber, QString()};
    return dialogScripts.takeFirst()(state);
}

bool FakePlatform::openWithDesktop(const QString &fileOrAddress)
{
    opened.append(fileOrAddress);
    return openResult;
}

void FakePlatform::setNextFileName(const QString &path)
{
    dialogScripts.append([path](CommonDialogState &state) {
        state.FileName = path;
        return CommonDialogResult {CommonDialogResult::Accepted, 0, QString()};
    });
}

void FakePlatform::setNextCancel()
{
    dialogScripts.append([](CommonDialogState &) {
        return CommonDialogResult {CommonDialogResult::Cancelled, kCancelErrorNumber, QString()};
    });
}

void FakePlatform::setNextFailure(int number, const QString &description)
{
    dialogScripts.append([number, description](CommonDialogState &) {
        return CommonDialogResult {CommonDialogResult::Failed, number, description};
    });
}

void FakePlatform::setNextColor(QRgb color)
{
    dialogScripts.append([color](CommonDialogState &state) {
        state.Color = color;
        return CommonDialogResult {CommonDialogResult::Accepted, 0, QString()};
    });
}

void FakePlatform::setNextFont(const QString &name, double size, bool bold, bool italic)
{
    dialogScripts.append([=](CommonDialogState &state) {
        state.FontName = name;
        state.FontSize = size;
        state.FontBold = bold;
        state.FontItalic = italic;
        return CommonDialogResult {CommonDialogResult::Accepted, 0, QString()};
    });
}
