#pragma once
// SettingsWindow: the settings window. It shows the four settings of "Ustawienia.ini" with a
// line of explanation each; Zapisz writes the file whole, Anuluj leaves it as it was.

#include "archive/run/Schedule.h"
#include "core/Settings.h"
#include "ui/skin/TitleDrag.h"

#include <QDialog>

class HotZone;
class QCheckBox;
class QComboBox;
class QTimeEdit;
class QLabel;
class QSpinBox;
class SkinImage;
class KeyPreview;

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    explicit SettingsWindow(QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Reads the settings file, shows its values (defaults for what is missing or bad) and
    // runs the window modally.
    void ShowUstawienia();
    // The settings as the controls show them now; Show puts them into the controls.
    Settings Shown() const;
    void Show(const Settings& settings);

    // The schedule as the controls show it now; ShowSchedule puts one into them.
    Schedule ShownSchedule() const;
    void ShowSchedule(const Schedule& schedule);
    // Test seam: the user's systemd the schedule goes to.
    void SetSystemd(UserSystemd systemd) { this->systemd = std::move(systemd); }

    // Event handlers.
    void LZapiszClick();
    void LAnulujClick();

    SkinImage* Image1;
    HotZone* LListwa;
    HotZone* LClose;
    QCheckBox* CWeryfikacja;
    QLabel* LWeryfikacja;
    QCheckBox* CDowiazania;
    QLabel* LDowiazania;
    QLabel* LZachowajTytul;
    QSpinBox* EZachowaj;
    QLabel* LZachowaj;
    QCheckBox* CPodfoldery;
    QLabel* LPodfoldery;
    QLabel* LHarmonogramTytul;
    QComboBox* CHarmonogram;
    QLabel* LGodzina;
    QTimeEdit* EGodzina;
    QCheckBox* CDni[7];
    QLabel* LHarmonogram;
    HotZone* LAnuluj;
    HotZone* LZapisz;

protected:
    void reject() override;  // closing the window any other way cancels

private:
    bool FormKeyDown(QKeyEvent* event);
    // The time and days follow the choice; the line under them says the next run or, without
    // a user manager, the crontab line to copy.
    void UpdateSchedule();
    UserSystemd systemd;
    Schedule installed;
    bool systemdAnswers = false;
    KeyPreview* preview;
    TitleDrag drag;
};
