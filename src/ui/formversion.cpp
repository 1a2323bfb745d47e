#include "core/version.h"
#include "ui/formversion.h"

#include "ui/platform.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

namespace {

// A design label box is one 12-pixel line; the text is centred on it in a box as tall
// as the font's line, so nothing of the glyphs is cut off.
QRect labelBox(const QLabel *label, int left, int top, int width, int height)
{
    const int line = qMax(height, label->fontMetrics().height());
    const int centre = top + height / 2;
    return QRect(left, centre - line / 2, width, line);
}

} // namespace

FormVersion::FormVersion(PlatformServices &platform, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                  | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_platform(platform)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(413, 84);
    setSizeGripEnabled(false);
    createControls();
    Form_Load();
}

QString FormVersion::versionText()
{
    return QStringLiteral("Rubello Version ") + QLatin1StringView(kRubelloVersion);
}

QString FormVersion::homePageAddress()
{
    return QStringLiteral("https://rubello.example.org/");
}

QColor FormVersion::linkColorAtRest()
{
    return QColor(0, 0, 255);
}

QColor FormVersion::linkColorUnderPointer()
{
    return QColor(255, 0, 0);
}

void FormVersion::createControls()
{
    Image1 = new QLabel(this);
    Image1->setGeometry(16, 16, 48, 48);
    Image1->setPixmap(QPixmap(QStringLiteral(":/rubello/about.png")));

    LabelVersion = new QLabel(this);
    LabelVersion->setGeometry(labelBox(LabelVersion, 80, 16, 125, 12));

    LabelCopyright = new QLabel(QStringLiteral("Copyright (C) 2026 Rubello team"), this);
    LabelCopyright->setGeometry(labelBox(LabelCopyright, 80, 32, 189, 12));

    LabelURL = new QLabel(homePageAddress(), this);
    LabelURL->setGeometry(labelBox(LabelURL, 80, 56, 196, 12));
    // The label's own text handling stays off: the window decides what a click does.
    LabelURL->setTextFormat(Qt::PlainText);
    LabelURL->setMouseTracking(true);
    LabelURL->installEventFilter(this);
    setLinkLook(false);

    ComOK = new QPushButton(QStringLiteral("OK"), this);
    ComOK->setGeometry(304, 16, 89, 25);
    ComOK->setDefault(true);
    ComOK->setFocus();
    connect(ComOK, &QPushButton::clicked, this, &FormVersion::ComOK_Click);

    // Moves over the bare background reach the window; labels, picture and button
    // swallow theirs, so passing over them changes nothing.
    setMouseTracking(true);
}

void FormVersion::Form_Load()
{
    LabelVersion->setText(versionText());
    LabelURL->setCursor(Qt::CrossCursor);
}

void FormVersion::setLinkLook(bool underPointer)
{
    QFont font = LabelURL->font();
    font.setUnderline(underPointer);
    LabelURL->setFont(font);
    QPalette colours = LabelURL->palette();
    colours.setColor(QPalette::WindowText,
                     underPointer ? linkColorUnderPointer() : linkColorAtRest());
    LabelURL->setPalette(colours);
}

void FormVersion::Form_MouseMove()
{
    setLinkLook(false);
}

void FormVersion::LabelURL_MouseMove()
{
    setLinkLook(true);
}

void FormVersion::LabelURL_Click()
{
    // The program's own copy of the address, not the label's caption.
    m_platform.openWithDesktop(homePageAddress());
}

void FormVersion::ComOK_Click()
{
    accept();
}

bool FormVersion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != LabelURL)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        LabelURL_MouseMove();
        return true;
    case QEvent::MouseButtonPress:
        m_linkPressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click = m_linkPressed && mouse->button() == Qt::LeftButton
            && LabelURL->rect().contains(mouse->position().toPoint());
        m_linkPressed = false;
        if (click)
            LabelURL_Click();
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void FormVersion::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

void FormVersion::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Esc leaves the window open.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
