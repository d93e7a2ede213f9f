#pragma once
// The two small windows of a restore: the question before an existing file is replaced, with
// answers for this file and for every one that follows, and the summary that lists (in a
// scrollable box) every item that was not restored and why.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class ReplaceQuestion : public QDialog {
    Q_OBJECT
public:
    enum Answer { Yes = 1, YesToAll, No, NoToAll, Cancel };

    explicit ReplaceQuestion(QWidget* parent = nullptr);

    // Shows the question modally and answers the button chosen; Escape is Cancel.
    int Ask(const QString& text);

    QLabel* LPytanie;
    QPushButton* BTak;
    QPushButton* BTakWszystkie;
    QPushButton* BNie;
    QPushButton* BNieWszystkie;
    QPushButton* BAnuluj;
};

class RestoreSummaryDialog : public QDialog {
    Q_OBJECT
public:
    explicit RestoreSummaryDialog(QWidget* parent = nullptr);

    // Shows the summary (lines broken by "\r") and the items not restored, one a line; the
    // window stays open beside the restore window until closed.
    void ShowSummary(const QString& summary, const QStringList& notRestored);

    QLabel* LPodsumowanie;
    QLabel* LNaglowek;
    QPlainTextEdit* LNiePrzywrocone;
    QPushButton* BZamknij;
};
