#include "ui/windows/SettingsWindow.h"

#include "core/Messages.h"
#include "core/UiPorts.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/WindowParts.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSpinBox>


namespace {

constexpr uint32_t TextColour = 1914912;

void StyleText(QWidget* widget, int pixels)
{
    widget->setFont(DesignFont(pixels));
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, ColourFromBgr(TextColour));
        palette.setColor(group, QPalette::Text, ColourFromBgr(TextColour));
        palette.setColor(group, QPalette::Base, Qt::white);
    }
    widget->setPalette(palette);
}

QCheckBox* AddSwitch(QWidget* window, const QString& name, const QString& caption, int top)
{
    auto* box = new QCheckBox(caption, window);
    box->setObjectName(name);
    box->setGeometry(24, top, 352, 18);
    box->setCursor(Qt::PointingHandCursor);
    StyleText(box, 12);
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
    return box;
}

QLabel* AddExplanation(QWidget* window, const QString& name, const QString& text, int top)
{
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->setGeometry(44, top + 18, 334, 28);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    StyleText(label, 11);
    return label;
}

} // namespace

SettingsWindow::SettingsWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FUstawienia"));
    setWindowTitle(QStringLiteral("Ustawienia"));
    setFixedSize(400, 300);
    setModal(true);
    setFont(DesignFont(11));

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 400, 300);
    LoadImageResource(QStringLiteral("tlo_ustawienia"), Image1);

    LListwa = new HotZone(this, QRect(6, 5, 352, 32), QStringLiteral("LListwa"), windowTitle(), QAccessible::TitleBar);
    LClose = new HotZone(this, QRect(365, 10, 22, 22), QStringLiteral("LClose"), QStringLiteral("Zamknij"));

    CWeryfikacja = AddSwitch(this, QStringLiteral("CWeryfikacja"), QStringLiteral("Sprawdzaj archiwa po zapisaniu"), 50);
    LWeryfikacja = AddExplanation(this, QStringLiteral("LWeryfikacja"),
                                  QStringLiteral("Każde archiwum jest odczytane z dysku i sprawdzone, zanim zostanie zgłoszone."), 50);
    CDowiazania = AddSwitch(this, QStringLiteral("CDowiazania"), QStringLiteral("Niezmienione wpisy bez pakowania"), 98);
    LDowiazania = AddExplanation(this, QStringLiteral("LDowiazania"),
                                 QStringLiteral("Bez zmian: ten sam plik co poprzednie archiwum. Po zmianie niezmienione dane są brane z poprzedniego."), 98);

    LZachowajTytul = new QLabel(QStringLiteral("Zachowuj najnowsze archiwa wpisu:"), this);
    LZachowajTytul->setObjectName(QStringLiteral("LZachowajTytul"));
    LZachowajTytul->setGeometry(24, 146, 260, 20);
    StyleText(LZachowajTytul, 12);
    QFont bold = LZachowajTytul->font();
    bold.setBold(true);
    LZachowajTytul->setFont(bold);
    EZachowaj = new QSpinBox(this);
    EZachowaj->setObjectName(QStringLiteral("EZachowaj"));
    EZachowaj->setGeometry(296, 146, 76, 20);
    EZachowaj->setRange(0, MaxKeptArchives);
    EZachowaj->setSpecialValueText(QStringLiteral("wszystkie"));
    EZachowaj->setAccessibleName(LZachowajTytul->text());
    StyleText(EZachowaj, 11);
    LZachowajTytul->setBuddy(EZachowaj);
    LZachowaj = AddExplanation(this, QStringLiteral("LZachowaj"),
                               QStringLiteral("Starsze usuwane po udanej archiwizacji; 0: wszystkie. Wpis bez zmian to jeden plik: N dat, nie N kopii."), 148);

    // The same words as the entry editor's note and question, and the help.
    CPodfoldery = AddSwitch(this, QStringLiteral("CPodfoldery"), EditorText::WholeSubfoldersSetting(), 196);
    LPodfoldery = AddExplanation(this, QStringLiteral("LPodfoldery"),
                                 QStringLiteral("Wyłączone: z folderu brane są tylko jego pliki, a z podfolderów same nazwy."), 196);

    LAnuluj = new HotZone(this, QRect(204, 264, 86, 24), QStringLiteral("LAnuluj"), QStringLiteral("Anuluj"));
    LZapisz = new HotZone(this, QRect(298, 264, 86, 24), QStringLiteral("LZapisz"), QStringLiteral("Zapisz"));

    connect(LListwa, &HotZone::mousePressed, this,
            Guarded([this](QMouseEvent* event) { drag.Press(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseMoved, this,
            Guarded([this](QMouseEvent* event) { drag.Move(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseReleased, this, Guarded([this](QMouseEvent*) { drag.Release(); }));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &SettingsWindow::LAnulujClick));
    connect(LAnuluj, &HotZone::clicked, this, Guarded(this, &SettingsWindow::LAnulujClick));
    connect(LZapisz, &HotZone::clicked, this, Guarded(this, &SettingsWindow::LZapiszClick));

    preview = new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::Show(const Settings& settings)
{
    CWeryfikacja->setChecked(settings.Weryfikacja);
    CDowiazania->setChecked(settings.Dowiazania);
    EZachowaj->setValue(settings.Zachowaj);
    CPodfoldery->setChecked(settings.Podfoldery);
}

Settings SettingsWindow::Shown() const
{
    Settings settings;
    settings.Weryfikacja = CWeryfikacja->isChecked();
    settings.Dowiazania = CDowiazania->isChecked();
    settings.Zachowaj = EZachowaj->value();
    settings.Podfoldery = CPodfoldery->isChecked();
    return settings;
}

void SettingsWindow::ShowUstawienia()
{
    if (isVisible())
        return;
    Show(LoadSettings());
    const QPoint main = parentWidget() ? parentWidget()->pos() : QPoint();
    move(main + QPoint(50, 75));
    drag.Release();
    show();
    raise();
    activateWindow();
    CWeryfikacja->setFocus();
    exec();
}

void SettingsWindow::LZapiszClick()
{
    const QString path = SettingsFilePath();
    const OsError error = SaveSettings(Shown(), path);
    if (error != NoError) {
        // The window stays open with the user's choices, so they can try again or cancel.
        ShowWarning(ButtonsClose, IconWarning, Msg::SettingsSaveFailed(path, Msg::SystemReason(error)));
        return;
    }
    done(QDialog::Accepted);
}

void SettingsWindow::LAnulujClick()
{
    done(QDialog::Rejected);
}

void SettingsWindow::reject()
{
    LAnulujClick();
}

bool SettingsWindow::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        LAnulujClick();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A drawn button that has the keyboard takes Enter itself.
        if (qobject_cast<HotZone*>(focusWidget()))
            return false;
        LZapiszClick();
        return true;
    default:
        return false;
    }
}
