#include "ui/windows/SettingsWindow.h"

#include "core/Messages.h"
#include "core/UiPorts.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/WindowParts.h"

#include "platform/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <algorithm>
#include <QTimeEdit>
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
    setFixedSize(400, 420);
    setModal(true);
    setFont(DesignFont(11));

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 400, 420);
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

    LHarmonogramTytul = new QLabel(QStringLiteral("Archiwizuj automatycznie:"), this);
    LHarmonogramTytul->setObjectName(QStringLiteral("LHarmonogramTytul"));
    LHarmonogramTytul->setGeometry(24, 262, 180, 20);
    StyleText(LHarmonogramTytul, 12);
    LHarmonogramTytul->setFont(bold);
    CHarmonogram = new QComboBox(this);
    CHarmonogram->setObjectName(QStringLiteral("CHarmonogram"));
    CHarmonogram->setGeometry(206, 262, 166, 20);
    CHarmonogram->addItems({QStringLiteral("Nie"), QStringLiteral("Codziennie"), QStringLiteral("W wybrane dni tygodnia")});
    CHarmonogram->setAccessibleName(LHarmonogramTytul->text());
    StyleText(CHarmonogram, 11);
    LHarmonogramTytul->setBuddy(CHarmonogram);
    LGodzina = new QLabel(QStringLiteral("o godzinie (GG:MM):"), this);
    LGodzina->setObjectName(QStringLiteral("LGodzina"));
    LGodzina->setGeometry(44, 288, 150, 20);
    StyleText(LGodzina, 11);
    EGodzina = new QTimeEdit(this);
    EGodzina->setObjectName(QStringLiteral("EGodzina"));
    EGodzina->setGeometry(206, 288, 70, 20);
    EGodzina->setDisplayFormat(QStringLiteral("HH:mm"));
    EGodzina->setAccessibleName(QStringLiteral("Godzina archiwizacji"));
    StyleText(EGodzina, 11);
    LGodzina->setBuddy(EGodzina);
    static const char* const dayNames[7] = {"Pn", "Wt", "Śr", "Cz", "Pt", "So", "Nd"};
    for (int d = 0; d < 7; ++d) {
        CDni[d] = new QCheckBox(QString::fromUtf8(dayNames[d]), this);
        CDni[d]->setObjectName(QStringLiteral("CDni%1").arg(d));
        CDni[d]->setGeometry(44 + d * 47, 312, 46, 18);
        CDni[d]->setCursor(Qt::PointingHandCursor);
        StyleText(CDni[d], 11);
        connect(CDni[d], &QCheckBox::toggled, this, Guarded([this](bool) { UpdateSchedule(); }));
    }
    LHarmonogram = new QLabel(this);
    LHarmonogram->setObjectName(QStringLiteral("LHarmonogram"));
    LHarmonogram->setGeometry(24, 334, 354, 34);
    LHarmonogram->setTextFormat(Qt::PlainText);
    LHarmonogram->setWordWrap(true);
    LHarmonogram->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LHarmonogram->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    StyleText(LHarmonogram, 11);
    connect(CHarmonogram, &QComboBox::currentIndexChanged, this, Guarded([this](int) { UpdateSchedule(); }));
    connect(EGodzina, &QTimeEdit::timeChanged, this, Guarded([this](QTime) { UpdateSchedule(); }));

    LAnuluj = new HotZone(this, QRect(204, 384, 86, 24), QStringLiteral("LAnuluj"), QStringLiteral("Anuluj"));
    LZapisz = new HotZone(this, QRect(298, 384, 86, 24), QStringLiteral("LZapisz"), QStringLiteral("Zapisz"));

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

Schedule SettingsWindow::ShownSchedule() const
{
    Schedule schedule;
    schedule.Kind = static_cast<ScheduleKind>(std::clamp(CHarmonogram->currentIndex(), 0, 2));
    schedule.Hour = EGodzina->time().hour();
    schedule.Minute = EGodzina->time().minute();
    if (schedule.Kind == ScheduleKind::Weekly)
        for (int d = 0; d < 7; ++d)
            schedule.Days[size_t(d)] = CDni[d]->isChecked();
    return schedule;
}

void SettingsWindow::ShowSchedule(const Schedule& schedule)
{
    CHarmonogram->setCurrentIndex(static_cast<int>(schedule.Kind));
    EGodzina->setTime(QTime(schedule.Hour, schedule.Minute));
    for (int d = 0; d < 7; ++d)
        CDni[d]->setChecked(schedule.Days[size_t(d)]);
    UpdateSchedule();
}

void SettingsWindow::UpdateSchedule()
{
    const Schedule schedule = ShownSchedule();
    EGodzina->setEnabled(schedule.Kind != ScheduleKind::Off);
    for (QCheckBox* day : CDni)
        day->setEnabled(schedule.Kind == ScheduleKind::Weekly);
    if (schedule.Kind == ScheduleKind::Off) {
        LHarmonogram->clear();
        return;
    }
    if (!systemdAnswers) {
        LHarmonogram->setText(Msg::ScheduleNoSystemd() + QLatin1Char('\n')
                              + CrontabLine(schedule, ProgramDirectory() + QStringLiteral("skrytkar")));
        return;
    }
    const QString next = schedule == installed ? systemd.NextRun() : QString();
    LHarmonogram->setText(next.isEmpty() ? QString() : Msg::ScheduleNextRun(next));
}

void SettingsWindow::ShowUstawienia()
{
    if (isVisible())
        return;
    systemdAnswers = systemd.Available();
    installed = InstalledSchedule();
    ShowSchedule(installed);
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
    // The schedule goes to the user's systemd; without one the window shows the crontab line.
    const Schedule schedule = ShownSchedule();
    if (systemdAnswers && !(schedule == installed)) {
        // The run finds the same data folder as the window: the XDG_DATA_HOME it had.
        const QString dataHome = DataDirectory() == ProgramDirectory() ? QString() : qEnvironmentVariable("XDG_DATA_HOME");
        const QString failed = systemd.Apply(schedule, ProgramDirectory() + QStringLiteral("skrytkar"), dataHome);
        if (!failed.isEmpty()) {
            ShowWarning(ButtonsClose, IconWarning, failed);
            return;
        }
        installed = schedule;
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
