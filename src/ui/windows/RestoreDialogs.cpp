#include "ui/windows/RestoreDialogs.h"

#include "ui/windows/WindowParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReplaceQuestion::ReplaceQuestion(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FZastapic"));
    setWindowTitle(QStringLiteral("Przywracanie"));
    setModal(true);
    setFont(DesignFont(11));

    LPytanie = new QLabel(this);
    LPytanie->setObjectName(QStringLiteral("LPytanie"));
    LPytanie->setTextFormat(Qt::PlainText);
    LPytanie->setWordWrap(true);
    LPytanie->setMinimumWidth(360);

    BTak = new QPushButton(QStringLiteral("Tak"), this);
    BTakWszystkie = new QPushButton(QStringLiteral("Tak dla wszystkich"), this);
    BNie = new QPushButton(QStringLiteral("Nie"), this);
    BNieWszystkie = new QPushButton(QStringLiteral("Nie dla wszystkich"), this);
    BAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    const std::pair<QPushButton*, int> buttons[] = {
        {BTak, Yes}, {BTakWszystkie, YesToAll}, {BNie, No}, {BNieWszystkie, NoToAll}, {BAnuluj, Cancel}};
    auto* row = new QHBoxLayout;
    for (const auto& [button, answer] : buttons) {
        button->setAutoDefault(false);
        row->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, answer = answer] { done(answer); });
    }
    // Keeping what is there loses nothing: the safe answer is the default one.
    BNie->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LPytanie);
    layout->addLayout(row);
}

int ReplaceQuestion::Ask(const QString& text)
{
    LPytanie->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    adjustSize();
    BNie->setFocus();
    const int answer = exec();
    // Escape and the window's close button end the dialog with 0.
    return answer == 0 ? int(Cancel) : answer;
}

RestoreSummaryDialog::RestoreSummaryDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FPodsumowanie"));
    setWindowTitle(QStringLiteral("Przywracanie"));
    setModal(false);
    setFont(DesignFont(11));

    LPodsumowanie = new QLabel(this);
    LPodsumowanie->setObjectName(QStringLiteral("LPodsumowanie"));
    LPodsumowanie->setTextFormat(Qt::PlainText);
    LPodsumowanie->setWordWrap(true);
    LPodsumowanie->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LNaglowek = new QLabel(QStringLiteral("Czego nie przywrócono i dlaczego:"), this);
    LNiePrzywrocone = new QPlainTextEdit(this);
    LNiePrzywrocone->setObjectName(QStringLiteral("LNiePrzywrocone"));
    LNiePrzywrocone->setReadOnly(true);
    LNiePrzywrocone->setLineWrapMode(QPlainTextEdit::NoWrap);
    LNiePrzywrocone->setAccessibleName(LNaglowek->text());
    LNaglowek->setBuddy(LNiePrzywrocone);
    BZamknij = new QPushButton(QStringLiteral("Zamknij"), this);
    BZamknij->setDefault(true);
    connect(BZamknij, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(BZamknij);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LPodsumowanie);
    layout->addWidget(LNaglowek);
    layout->addWidget(LNiePrzywrocone, 1);
    layout->addLayout(row);
    resize(520, 360);
    // Placed now, not at the first show: a label measured before then has no room of its own.
    layout->activate();
}

void RestoreSummaryDialog::ShowSummary(const QString& summary, const QStringList& notRestored)
{
    LPodsumowanie->setText(QString(summary).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    LNiePrzywrocone->setPlainText(notRestored.join(QLatin1Char('\n')));
    const bool any = !notRestored.isEmpty();
    LNaglowek->setVisible(any);
    LNiePrzywrocone->setVisible(any);
    show();
    raise();
    activateWindow();
    BZamknij->setFocus();
}
