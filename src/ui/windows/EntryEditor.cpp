#include "ui/windows/EntryEditor.h"

#include "ui/windows/FolderPicker.h"
#include "core/Messages.h"
#include "core/Settings.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "platform/Platform.h"
#include "ui/windows/MainWindow.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "ui/windows/WindowParts.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

QString EditTyp;
QString EditSource;
QString EditDocel;
int32_t EditMode = 0;

EntryEditor* FEdycja = nullptr;
std::function<std::optional<QString>(const QString&, const QString&)> EntryEditor::OpenFileHook;

namespace {

constexpr uint32_t EditorTextColour = 1914912;

bool HasCurrentEntry()
{
    return CurrentIndex >= 0 && size_t(CurrentIndex) < Wpisy.size();
}

// The location line shows the end of a long path, and the whole path as its tool tip.
void ShowLocation(const QString& source)
{
    QLabel* line = FEdycja->LPolozenie;
    line->setText(ElidePath(source, line->fontMetrics(), line->contentsRect().width()));
    line->setToolTip(source);
}

// The folder a destination names, for comparing two entries: relative to the program's folder,
// without "." steps or doubled and trailing separators, so that "/kopie/" and "/kopie" are one.
QString DestinationKey(const QString& docel)
{
    return QDir::cleanPath(QDir(ProgramDirectory()).absoluteFilePath(docel));
}

// True when another entry has this name and destination: both would write the same archive,
// and the later one would replace the earlier one's. An edited entry whose name and destination
// stay as they were is never refused.
bool RepeatsAnotherEntry(const QString& name, const QString& destination)
{
    const QString key = DestinationKey(destination);
    const auto same = [&](const Entry& entry) { return entry.Nazwa == name && DestinationKey(entry.Docel) == key; };
    const bool editing = EditMode == 2 && HasCurrentEntry();
    if (editing && same(Wpisy[size_t(CurrentIndex)]))
        return false;
    for (size_t i = 0; i < Wpisy.size(); ++i) {
        if (editing && i == size_t(CurrentIndex))
            continue;
        if (same(Wpisy[i]))
            return true;
    }
    return false;
}

void StyleField(QWidget* field)
{
    field->setFont(DesignFont(11));
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Text, ColourFromBgr(EditorTextColour));
    palette.setColor(QPalette::WindowText, ColourFromBgr(EditorTextColour));
    field->setPalette(palette);
}

} // namespace

bool IsRejectedNameCharacter(QChar c)
{
    static const QString rejected = QStringLiteral("\"#&*./:;<>?\\{|}");
    return c.unicode() >= 32 && c.unicode() <= 127 && rejected.contains(c);
}

EntryEditor::EntryEditor(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FEdycja"));
    setWindowTitle(QStringLiteral("Wpis listy"));
    setFixedSize(409, 297);
    setModal(true);

    PNazwa = new QWidget(this);
    PNazwa->setGeometry(0, 0, 409, 297);
    ImNazwa = new SkinImage(PNazwa);
    ImNazwa->setGeometry(0, 0, 409, 297);
    LoadImageResource(QStringLiteral("tlo_edycja"), ImNazwa);

    LPolozenie = new QLabel(PNazwa);
    LPolozenie->setObjectName(QStringLiteral("LPolozenie"));
    LPolozenie->setGeometry(60, 67, 289, 13);
    LPolozenie->setTextFormat(Qt::PlainText);
    LPolozenie->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    StyleField(LPolozenie);

    ENazwa = new QLineEdit(PNazwa);
    ENazwa->setObjectName(QStringLiteral("ENazwa"));
    ENazwa->setGeometry(62, 117, 283, 14);
    ENazwa->setFrame(false);
    ENazwa->setMaxLength(20);
    ENazwa->setTextMargins(0, 0, 0, 0);
    StyleField(ENazwa);
    ENazwa->installEventFilter(this);

    ESciezka = new QLineEdit(PNazwa);
    ESciezka->setObjectName(QStringLiteral("ESciezka"));
    ESciezka->setGeometry(63, 166, 285, 14);
    ESciezka->setFrame(false);
    ESciezka->setTextMargins(0, 0, 0, 0);
    StyleField(ESciezka);

    LNowyFolder = new HotZone(PNazwa, QRect(87, 198, 20, 19), QStringLiteral("LNowyFolder"), QStringLiteral("Wskaż nowy folder archiwum"));
    LAnuluj = new HotZone(PNazwa, QRect(182, 254, 62, 13), QStringLiteral("LAnuluj"), QStringLiteral("Anuluj"));
    LWprowadzDoListy = new HotZone(PNazwa, QRect(276, 254, 89, 13), QStringLiteral("LWprowadzDoListy"), QStringLiteral("Wprowadź"));
    connect(LNowyFolder, &HotZone::clicked, this, Guarded(this, &EntryEditor::LNowyFolderClick));
    connect(LAnuluj, &HotZone::clicked, this, Guarded([] { CancelEditor(); }));
    connect(LWprowadzDoListy, &HotZone::clicked, this, Guarded([] { ConfirmEditor(); }));

    LPodfoldery = new QLabel(Msg::ShallowFolderNote(), PNazwa);
    LPodfoldery->setObjectName(QStringLiteral("LPodfoldery"));
    LPodfoldery->setGeometry(22, 219, 366, 15);
    LPodfoldery->setTextFormat(Qt::PlainText);
    LPodfoldery->setAlignment(Qt::AlignCenter);
    StyleField(LPodfoldery);
    {
        // One line in the space above the separator: narrowed as far as the text needs.
        QFont font = DesignFont(10);
        const int advance = QFontMetrics(font).horizontalAdvance(LPodfoldery->text());
        if (advance > LPodfoldery->width() - 2)
            font.setStretch(std::max(60, (LPodfoldery->width() - 2) * 100 / advance));
        LPodfoldery->setFont(font);
    }
    LPodfoldery->setAutoFillBackground(false);
    LPodfoldery->hide();

    DlOpenFolder = new FolderPicker(this);
    DlOpenFolder->Caption = QString::fromUtf8(OpenFolderCaption);
    DlOpenFolder->StatusText = QStringLiteral("Wskaż folder");
    DlOpenFolder->FolderName = QStringLiteral("C:\\");
    DlOpenFolder->SetFlags(0);
    DlOpenFolder->Root = bl_CUSTOM;

    setFocusProxy(ENazwa);
    preview = new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

EntryEditor::~EntryEditor()
{
    delete DlOpenFolder;
    if (FEdycja == this)
        FEdycja = nullptr;
}

bool EntryEditor::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        CancelEditor();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ConfirmEditor();
        return true;  // the Enter character reaches no field
    default:
        return false;
    }
}

bool EntryEditor::eventFilter(QObject* watched, QEvent* event)
{
    // The name filter: typed characters of the refused set are dropped. Control characters
    // (backspace, clipboard shortcuts) pass, so a pasted name is not filtered.
    if (watched == ENazwa && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (std::any_of(typed.cbegin(), typed.cend(), IsRejectedNameCharacter)) {
            QString kept;
            for (QChar c : typed)
                if (!IsRejectedNameCharacter(c))
                    kept += c;
            if (!kept.isEmpty())
                ENazwa->insert(kept);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EntryEditor::reject()
{
    CancelEditor();
}

std::optional<QString> EntryEditor::RunOpenFileDialog()
{
    const QString title = QString::fromUtf8(OpenFileTitle);
    const QString filter = QString::fromUtf8(OpenFileFilter);
    if (OpenFileHook)
        return OpenFileHook(title, filter);
    QFileDialog dialog(this, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // "*" and not "*.*": on this platform many files have no dot in their names.
    dialog.setNameFilter(filter + QStringLiteral(" (*)"));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void EntryEditor::LNowyFolderClick()
{
    if (!DlOpenFolder->Execute())
        return;
    EditDocel = DlOpenFolder->FolderName;
    ESciezka->setText(EditDocel);
}

void AddFileEntry()
{
    const std::optional<QString> file = FEdycja->RunOpenFileDialog();
    if (!file)
        return;
    EditTyp = QStringLiteral("Plik");
    EditSource = *file;
    EditMode = 1;
    ShowLocation(EditSource);
    FEdycja->ENazwa->clear();
    FEdycja->PNazwa->setVisible(true);
    ShowEditor();
}

void AddFolderEntry()
{
    FolderPicker* picker = FEdycja->DlOpenFolder;
    if (picker->FolderName == QLatin1String("C:\\"))
        picker->FolderName = ProgramDirectory();
    if (!picker->Execute())
        return;
    EditTyp = QStringLiteral("Folder");
    EditMode = 1;
    EditSource = picker->FolderName;
    FEdycja->ENazwa->clear();
    ShowLocation(EditSource);
    FEdycja->PNazwa->setVisible(true);
    ShowEditor();
}

void EditEntry()
{
    if (CurrentIndex < 0) {
        ShowWarning(ButtonsClose, IconInfo, Msg::NothingToEdit());
        return;
    }
    if (!HasCurrentEntry())
        return;
    const Entry& entry = Wpisy[size_t(CurrentIndex)];
    EditMode = 2;
    EditTyp = entry.Typ;
    EditSource = entry.Source;
    EditDocel = entry.Docel;
    FEdycja->ENazwa->setText(entry.Nazwa);
    ShowLocation(EditSource);
    FEdycja->ESciezka->setText(EditDocel);
    FEdycja->PNazwa->setVisible(true);
    ShowEditor();
}

void ShowEditor()
{
    if (FEdycja->isVisible())
        return;
    EditDocel = HasCurrentEntry() ? Wpisy[size_t(CurrentIndex)].Docel : QString();
    const QPoint main = FGlowny ? FGlowny->pos() : QPoint();
    FEdycja->move(main + QPoint(25, 81));
    FEdycja->PNazwa->setVisible(true);
    FEdycja->ESciezka->setText(EditDocel);
    FEdycja->ENazwa->selectAll();
    FEdycja->LPodfoldery->setVisible(EditTyp == QLatin1String("Folder") && !LoadSettings().Podfoldery);
    // Shown before its modal loop so it takes the keyboard at once, with the name field focused.
    FEdycja->show();
    FEdycja->raise();
    FEdycja->activateWindow();
    FEdycja->ENazwa->setFocus();
    FEdycja->exec();
}

void ConfirmEditor()
{
    const QString name = FEdycja->ENazwa->text();
    const QString destination = FEdycja->ESciezka->text();
    if (name.isEmpty() || destination.isEmpty()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::EnterRequiredData());
        return;
    }
    if (RepeatsAnotherEntry(name, destination)) {
        ShowWarning(ButtonsClose, IconInfo, Msg::DuplicateEntry());
        return;
    }
    if (EditMode == 1)
        AppendEntry(EditTyp, name, EditSource, destination);
    else if (EditMode == 2)
        UpdateCurrentEntry(EditTyp, name, EditSource, destination);
    FEdycja->done(QDialog::Accepted);
}

void CancelEditor()
{
    FEdycja->done(QDialog::Rejected);
    EditTyp.clear();
    EditSource.clear();
}

void DeleteEntry()
{
    if (CurrentIndex < 0) {
        ShowWarning(ButtonsClose, IconInfo, Msg::NothingToDelete());
        return;
    }
    if (!HasCurrentEntry())
        return;
    const QString question = Msg::ConfirmDelete(Wpisy[size_t(CurrentIndex)].Nazwa);
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion, question);
    QCoreApplication::processEvents();
    if (answer == AnswerYes)
        DeleteCurrentEntry();
}

void NewList()
{
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion, Msg::ConfirmNewList());
    QCoreApplication::processEvents();
    if (answer == AnswerYes)
        ClearList();
}
