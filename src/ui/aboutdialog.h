#pragma once

#include <QDialog>

class PlatformServices;
class QLabel;
class QPushButton;

// The About window: picture, version, copyright line and the home-page link.
// Modal, created afresh at every opening, closed only by "OK", Enter or the close box.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(PlatformServices &platform, QWidget *parent = nullptr);

    static QString versionText();
    static QString homePageAddress();
    static QColor linkColorAtRest();
    static QColor linkColorUnderPointer();


    void fillFields();
    void leaveLink();
    void enterLink();
    void openHomePage();
    void accept();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *m_picture = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_copyrightLabel = nullptr;
    QLabel *m_linkLabel = nullptr;
    QPushButton *m_okButton = nullptr;

    void createControls();
    void setLinkLook(bool underPointer);

    PlatformServices &m_platform;
    bool m_linkPressed = false;
};
