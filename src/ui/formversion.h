#pragma once

#include <QDialog>

class PlatformServices;
class QLabel;
class QPushButton;

// The About window: picture, version, copyright line and the home-page link.
// Modal, created afresh at every opening, closed only by "OK", Enter or the close box.
class FormVersion : public QDialog
{
    Q_OBJECT

public:
    explicit FormVersion(PlatformServices &platform, QWidget *parent = nullptr);

    static QString versionText();
    static QString homePageAddress();
    static QColor linkColorAtRest();
    static QColor linkColorUnderPointer();

    // Controls
    QLabel *Image1 = nullptr;
    QLabel *LabelVersion = nullptr;
    QLabel *LabelCopyright = nullptr;
    QLabel *LabelURL = nullptr;
    QPushButton *ComOK = nullptr;

    void Form_Load();
    void Form_MouseMove();
    void LabelURL_MouseMove();
    void LabelURL_Click();
    void ComOK_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void setLinkLook(bool underPointer);

    PlatformServices &m_platform;
    bool m_linkPressed = false;
};
