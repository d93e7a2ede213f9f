#include "ui/windows/AboutWindow.h"

#include "core/UiPorts.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/WindowParts.h"

#include <QKeyEvent>
#include <QLabel>

namespace {

// A centred line of small print over the picture, in the muted green of its field.
QLabel* AddNote(QWidget* window, const QString& name, const QString& text, int top)
{
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->setGeometry(18, top, 296, 16);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(DesignFont(11));
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, QColor(70, 96, 64));
    label->setPalette(palette);
    return label;
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("O programie"));
    setFixedSize(332, 194);
    setModal(true);

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 332, 194);
    LoadImageResource(QStringLiteral("tlo_about"), Image1);

    LLicencja = AddNote(this, QStringLiteral("LLicencja"), QStringLiteral("Licencja: GNU GPL 3 lub nowsza"), 154);
    LKompresja = AddNote(this, QStringLiteral("LKompresja"),
                         QStringLiteral("Kompresja: biblioteka 7-Zip (GNU LGPL)"), 170);

    LClose = new HotZone(this, QRect(297, 11, 22, 22), QStringLiteral("LClose"), QStringLiteral("Zamknij"));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &AboutWindow::LCloseClick));
}

void AboutWindow::ShowAbout()
{
    const QPoint main = parentWidget() ? parentWidget()->pos() : QPoint();
    move(main + QPoint(68, 115));
    show();
    raise();
    activateWindow();
    exec();
}

void AboutWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
        LCloseClick();
    // Other keys mean nothing here (the dialog's own handling of them is not wanted either).
    event->accept();
}

void AboutWindow::LCloseClick()
{
    done(0);
}
