#pragma once
// AboutWindow: the small picture window with the program's name and version, its licence and
// the credit of the compression library, opened from the "Pomoc" menu panel. Modal; closed by
// the hot zone over its close glyph, by Escape and by Enter.

#include <QDialog>

class HotZone;
class QLabel;
class SkinImage;

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // Places the window relative to the main window and shows it modally.
    void ShowAbout();
    void LCloseClick();

    SkinImage* Image1;
    HotZone* LClose;
    // Below the picture's rule: the program's licence and the 7-Zip library's credit.
    QLabel* LLicencja;
    QLabel* LKompresja;

protected:
    // Escape and Enter close it, as the close zone does.
    void keyPressEvent(QKeyEvent* event) override;
};
