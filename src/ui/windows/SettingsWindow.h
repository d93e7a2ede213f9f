#pragma once
// SettingsWindow: the settings window. It shows the four settings of "Ustawienia.ini" with a
// line of explanation each; Zapisz writes the file whole, Anuluj leaves it as it was.

#include "core/Settings.h"
#include "ui/skin/TitleDrag.h"

#include <QDialog>

class HotZone;
class QCheckBox;
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
    HotZone* LAnuluj;
    HotZone* LZapisz;

protected:
    void reject() override;  // closing the window any other way cancels

private:
    bool FormKeyDown(QKeyEvent* event);
    KeyPreview* preview;
    TitleDrag drag;
};
