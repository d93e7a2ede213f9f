#include "ui/windows/EntryEditor.h"

#include "ui/windows/FolderPicker.h"
#include "core/Messages.h"
#include "core/Settings.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "platform/Platform.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "ui/windows/WindowParts.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr uint32_t EditorTextColour = 1914912;

// The folder a destination names, for comparing two entries: relative to the program's folder,
// without "." steps or doubled and trailing separators, so that "/kopie/" and "/kopie" are one.
QString DestinationKey(const QString& docel)
{
    return QDir::cleanPath(QDir(ProgramDirectory()).absoluteFilePath(docel));
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

// A destination as the run finds it: relative to the program's folder.
QString DestinationPath(const QString& docel)
{
    return QDir(ProgramDirectory()).absoluteFilePath(docel);
}

// Creates a folder and the folders above it; 0, or the system's error code.
int MakeFolders(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const QStringList parts = clean.split(QLatin1Char('/'));
    QString at;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        at += (i == 0 ? QString() : QStringLiteral("/")) + parts[i];
        if (at.isEmpty() || QFileInfo(at).isDir())
            continue;
        if (::mkdir(QFile::encodeName(at).constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return QFileInfo(clean).isDir() ? 0 : ENOTDIR;
}

const QColor LimitReachedColour(150, 24, 24);

} // namespace

namespace EditorText {

QString MissingData(bool nameMissing, bool destinationMissing)
{
    QString what;
    if (nameMissing && destinationMissing)
        what = QStringLiteral("nazwę pozycji na liście i folder archiwum");
    else if (nameMissing)
        what = QStringLiteral("nazwę pozycji na liście");
    else
        what = QStringLiteral("folder archiwum");
    return QStringLiteral("Wprowadź konieczne dane: ") + what + QLatin1Char('.');
}

QString DestinationMissing(const QString& path)
{
    return QStringLiteral("Folder ") + path + QStringLiteral(" nie istnieje. Utworzyć?");
}

QString DestinationNotCreated(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można utworzyć folderu ") + path + QStringLiteral(": ") + reason;
}

QString SubfoldersLeftOut(const QString& folderName)
{
    return QStringLiteral("Folder ") + folderName
           + QStringLiteral(" ma podfoldery z plikami, których archiwum nie obejmie. Archiwizować całe podfoldery?");
}

QString WholeSubfoldersSetting()
{
    return QStringLiteral("Archiwizuj całe podfoldery");
}

QString ShallowFolderNote()
{
    return QStringLiteral("Z podfolderów tylko nazwy: „") + WholeSubfoldersSetting()
           + QStringLiteral("” jest wyłączone w ustawieniach.");
}

QString NameLength(int length)
{
    return QString::number(length) + QStringLiteral(" z ") + QString::number(EntryNameLimit) + QStringLiteral(" znaków");
}

QString NameLimitReached()
{
    return QStringLiteral("najwyżej ") + QString::number(EntryNameLimit) + QStringLiteral(" znaków");
}

} // namespace EditorText

QString SuggestedEntryName(const QString& typ, const QString& source)
{
    const QFileInfo info(QDir::cleanPath(source));
    QString base = typ == QLatin1String("Plik") ? info.completeBaseName() : info.fileName();
    if (base.isEmpty())
        base = info.fileName();  // ".bashrc"
    // A refused character ("raport.2024") parts words as a blank would.
    QString name;
    for (QChar c : base)
        name += IsRejectedNameCharacter(c) || c.unicode() < 32 ? QLatin1Char(' ') : c;
    return name.simplified().left(EntryNameLimit).trimmed();
}

bool HasSubfoldersWithFiles(const QString& folder)
{
    QDirIterator subfolders(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (subfolders.hasNext()) {
        const QFileInfo sub = subfolders.nextFileInfo();
        if (sub.isSymLink())
            continue;
        QDirIterator files(sub.filePath(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QFileInfo file = files.nextFileInfo();
            if (!file.isSymLink() || file.exists())
                return true;
        }
    }
    return false;
}

bool RepeatsAnotherEntry(const EntryVector& entries, int editedIndex, const QString& name, const QString& destination)
{
    const QString key = DestinationKey(destination);
    const auto same = [&](const Entry& entry) { return entry.Nazwa == name && DestinationKey(entry.Docel) == key; };
    const bool editing = editedIndex >= 0 && size_t(editedIndex) < entries.size();
    if (editing && same(entries[size_t(editedIndex)]))
        return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (editing && i == size_t(editedIndex))
            continue;
        if (same(entries[i]))
            return true;
    }
    return false;
}

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
    ENazwa->setMaxLength(EntryNameLimit);
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
    connect(LAnuluj, &HotZone::clicked, this, Guarded(this, &EntryEditor::Cancel));
    connect(LWprowadzDoListy, &HotZone::clicked, this, Guarded(this, &EntryEditor::Confirm));

    LLimit = new QLabel(PNazwa);
    LLimit->setObjectName(QStringLiteral("LLimit"));
    LLimit->setGeometry(236, 96, 112, 16);
    LLimit->setTextFormat(Qt::PlainText);
    LLimit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StyleField(LLimit);
    connect(ENazwa, &QLineEdit::textChanged, this, [this] { ShowNameLength(false); });
    ShowNameLength(false);

    LPodfoldery = new QLabel(EditorText::ShallowFolderNote(), PNazwa);
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
}

bool EntryEditor::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        Cancel();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A drawn button that has the keyboard takes Enter itself.
        if (qobject_cast<HotZone*>(focusWidget()))
            return false;
        Confirm();
        return true;  // the Enter character reaches no field
    default:
        return false;
    }
}

void EntryEditor::ShowNameLength(bool limitRefused)
{
    const int length = int(ENazwa->text().size());
    const bool atLimit = length >= EntryNameLimit;
    LLimit->setText(limitRefused ? EditorText::NameLimitReached() : EditorText::NameLength(length));
    QPalette palette = LLimit->palette();
    palette.setColor(QPalette::WindowText, atLimit ? LimitReachedColour : ColourFromBgr(EditorTextColour));
    LLimit->setPalette(palette);
    QFont font = LLimit->font();
    font.setBold(limitRefused);
    LLimit->setFont(font);
}

bool EntryEditor::eventFilter(QObject* watched, QEvent* event)
{
    // A character or a paste that the limit cuts is said next to the field, not dropped silently.
    if (watched == ENazwa && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool paste = key->matches(QKeySequence::Paste);
        QString incoming = paste ? QGuiApplication::clipboard()->text() : key->text();
        // Typed characters of the refused set never arrive; a paste is taken as it is.
        incoming.removeIf([paste](QChar c) { return c.unicode() < 32 || (!paste && IsRejectedNameCharacter(c)); });
        const qsizetype room = EntryNameLimit - (ENazwa->text().size() - ENazwa->selectedText().size());
        if (!incoming.isEmpty() && incoming.size() > room) {
            if (paste) {
                ENazwa->paste();  // cut to the limit by the field
                ShowNameLength(true);
                return true;
            }
            // The field refuses the character; the count says why.
            ShowNameLength(true);
            return false;
        }
    }
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
    Cancel();
}

std::optional<QString> EntryEditor::RunOpenFileDialog()
{
    const QString title = QString::fromUtf8(OpenFileTitle);
    const QString filter = QString::fromUtf8(OpenFileFilter);
    std::optional<QString> chosen;
    if (openFileSeam) {
        chosen = openFileSeam(title, filter);
    } else {
        QFileDialog dialog(this, title);
        dialog.setDirectory(StartFolder());
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // "*" and not "*.*": on this platform many files have no dot in their names.
        dialog.setNameFilter(filter + QStringLiteral(" (*)"));
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    // The file's folder is the last folder used, for both choosers.
    if (chosen && !chosen->isEmpty())
        DlOpenFolder->FolderName = QFileInfo(*chosen).absolutePath();
    return chosen;
}

QString EntryEditor::StartFolder() const
{
    // The picker keeps the folder chosen last; until then (or once it is gone) the user's home.
    const QString last = DlOpenFolder->FolderName;
    if (!last.isEmpty() && last != QLatin1String("C:\\") && QFileInfo(last).isDir())
        return last;
    return QDir::homePath();
}

std::optional<QString> EntryEditor::RunFolderPicker()
{
    DlOpenFolder->FolderName = StartFolder();
    if (!DlOpenFolder->Execute())
        return std::nullopt;
    return DlOpenFolder->FolderName;
}

void EntryEditor::LNowyFolderClick()
{
    const std::optional<QString> chosen = RunFolderPicker();
    if (!chosen)
        return;
    ESciezka->setText(*chosen);
}

// The location line shows the end of a long path, and the whole path as its tool tip.
void EntryEditor::ShowLocation(const QString& source)
{
    LPolozenie->setText(ElidePath(source, LPolozenie->fontMetrics(), LPolozenie->contentsRect().width()));
    LPolozenie->setToolTip(source);
}

std::optional<EditorChoice> EntryEditor::Edit(const EditorRequest& given, const QPoint& at)
{
    if (isVisible())
        return std::nullopt;
    request = given;
    ENazwa->setText(request.Nazwa);
    ShowLocation(request.Source);
    move(at);
    PNazwa->setVisible(true);
    ESciezka->setText(request.Docel);
    ENazwa->selectAll();
    ShowNameLength(false);
    LPodfoldery->setVisible(request.Typ == QLatin1String("Folder") && !LoadSettings().Podfoldery);
    // Shown before its modal loop so it takes the keyboard at once, with the name field focused.
    show();
    raise();
    activateWindow();
    ENazwa->setFocus();
    const bool confirmed = exec() == QDialog::Accepted;
    request = EditorRequest{};
    if (!confirmed)
        return std::nullopt;
    return EditorChoice{ENazwa->text(), ESciezka->text()};
}

void EntryEditor::Confirm()
{
    const QString name = ENazwa->text();
    const QString destination = ESciezka->text();
    if (name.isEmpty() || destination.isEmpty()) {
        ShowWarning(ButtonsClose, IconInfo, EditorText::MissingData(name.isEmpty(), destination.isEmpty()));
        (name.isEmpty() ? ENazwa : ESciezka)->setFocus();
        return;
    }
    if (request.RepeatsAnotherEntry && request.RepeatsAnotherEntry(name, destination)) {
        ShowWarning(ButtonsClose, IconInfo, Msg::DuplicateEntry());
        return;
    }
    if (!DestinationReady(destination) || !SubfoldersSettled())
        return;
    done(QDialog::Accepted);
}

// A destination that does not exist is offered to be made: Tak makes it, Nie keeps it as typed
// (a drive that is not plugged in now), Anuluj goes back to the editor.
bool EntryEditor::DestinationReady(const QString& destination)
{
    const QString path = DestinationPath(destination);
    if (QFileInfo(path).isDir())
        return true;
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion, EditorText::DestinationMissing(destination));
    if (answer == AnswerNo)
        return true;
    if (answer != AnswerYes) {
        ESciezka->setFocus();
        return false;
    }
    if (const int error = MakeFolders(path); error != 0) {
        ShowWarning(ButtonsClose, IconWarning, EditorText::DestinationNotCreated(destination, Msg::SystemReason(error)));
        ESciezka->setFocus();
        return false;
    }
    return true;
}

// A folder entry whose subfolders hold files, while whole subfolders are off, would leave them
// out: the user is asked whether to switch whole subfolders on. Tak saves the setting, Nie
// keeps it off, Anuluj goes back to the editor.
bool EntryEditor::SubfoldersSettled()
{
    if (request.Typ != QLatin1String("Folder"))
        return true;
    Settings settings = LoadSettings();
    if (settings.Podfoldery || !HasSubfoldersWithFiles(request.Source))
        return true;
    const QString folderName = QFileInfo(QDir::cleanPath(request.Source)).fileName();
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion,
                                   EditorText::SubfoldersLeftOut(folderName.isEmpty() ? request.Source : folderName));
    if (answer == AnswerNo)
        return true;
    if (answer != AnswerYes)
        return false;
    settings.Podfoldery = true;
    const QString file = SettingsFilePath();
    if (const OsError error = SaveSettings(settings, file); error != NoError) {
        ShowWarning(ButtonsClose, IconWarning, Msg::SettingsSaveFailed(file, Msg::SystemReason(error)));
        return false;
    }
    LPodfoldery->hide();
    return true;
}

void EntryEditor::Cancel()
{
    done(QDialog::Rejected);
}
