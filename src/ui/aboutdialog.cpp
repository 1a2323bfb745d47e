#include "core/version.h"
#include "ui/aboutdialog.h"

#include "ui/platform.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(PlatformServices &platform, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                  | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_platform(platform)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QCoreApplication::translate("AboutDialog", "バージョン情報"));
    setSizeGripEnabled(false);
    createControls();
    fillFields();
}

QString AboutDialog::versionText()
{
    return QStringLiteral("Rubello Version ") + QLatin1StringView(kRubelloVersion);
}

QString AboutDialog::homePageAddress()
{
    // The program has no home page of its own yet; the link is shown once it has one.
    return QString();
}

QColor AboutDialog::linkColorAtRest()
{
    return QColor(0, 0, 255);
}

QColor AboutDialog::linkColorUnderPointer()
{
    return QColor(255, 0, 0);
}

void AboutDialog::createControls()
{
    m_picture = new QLabel(this);
    m_picture->setFixedSize(48, 48);
    m_picture->setPixmap(QPixmap(QStringLiteral(":/rubello/about.png")));

    m_versionLabel = new QLabel(this);
    m_copyrightLabel = new QLabel(QStringLiteral("Copyright (C) 2026 Rubello team"), this);
    m_linkLabel = new QLabel(homePageAddress(), this);
    // The label's own text handling stays off: the window decides what a click does.
    m_linkLabel->setTextFormat(Qt::PlainText);
    m_linkLabel->setMouseTracking(true);
    m_linkLabel->installEventFilter(this);
    m_linkLabel->setVisible(!homePageAddress().isEmpty());
    setLinkLook(false);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &AboutDialog::accept);

    // Laid out from the captions' own sizes, so a larger font never cuts them; the
    // window keeps the size they need.
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_versionLabel);
    texts->addWidget(m_copyrightLabel);
    texts->addSpacing(8);
    texts->addWidget(m_linkLabel);
    texts->addStretch();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_okButton);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(16);
    layout->addWidget(m_picture, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Moves over the bare background reach the window; labels, picture and button
    // swallow theirs, so passing over them changes nothing.
    setMouseTracking(true);
}

void AboutDialog::fillFields()
{
    m_versionLabel->setText(versionText());
    m_linkLabel->setCursor(Qt::CrossCursor);
}

void AboutDialog::setLinkLook(bool underPointer)
{
    QFont font = m_linkLabel->font();
    font.setUnderline(underPointer);
    m_linkLabel->setFont(font);
    QPalette colours = m_linkLabel->palette();
    colours.setColor(QPalette::WindowText,
                     underPointer ? linkColorUnderPointer() : linkColorAtRest());
    m_linkLabel->setPalette(colours);
}

void AboutDialog::leaveLink()
{
    setLinkLook(false);
}

void AboutDialog::enterLink()
{
    setLinkLook(true);
}

void AboutDialog::openHomePage()
{
    // The program's own copy of the address, not the label's caption.
    m_platform.openWithDesktop(homePageAddress());
}

void AboutDialog::accept()
{
    QDialog::accept();
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_linkLabel)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        enterLink();
        return true;
    case QEvent::MouseButtonPress:
        m_linkPressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click = m_linkPressed && mouse->button() == Qt::LeftButton
            && m_linkLabel->rect().contains(mouse->position().toPoint());
        m_linkPressed = false;
        if (click)
            openHomePage();
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void AboutDialog::mouseMoveEvent(QMouseEvent *event)
{
    leaveLink();
    QDialog::mouseMoveEvent(event);
}

void AboutDialog::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Esc leaves the window open.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
