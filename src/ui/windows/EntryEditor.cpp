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
#include <QDir>
#include <QFontMetrics>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

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

} // namespace

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
    connect(LAnuluj, &HotZone::clicked, this, Guarded(this, &EntryEditor::Cancel));
    connect(LWprowadzDoListy, &HotZone::clicked, this, Guarded(this, &EntryEditor::Confirm));

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
}

bool EntryEditor::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        Cancel();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Confirm();
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
    Cancel();
}

std::optional<QString> EntryEditor::RunOpenFileDialog()
{
    const QString title = QString::fromUtf8(OpenFileTitle);
    const QString filter = QString::fromUtf8(OpenFileFilter);
    if (openFileSeam)
        return openFileSeam(title, filter);
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
    ESciezka->setText(DlOpenFolder->FolderName);
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
        ShowWarning(ButtonsClose, IconInfo, Msg::EnterRequiredData());
        return;
    }
    if (request.RepeatsAnotherEntry && request.RepeatsAnotherEntry(name, destination)) {
        ShowWarning(ButtonsClose, IconInfo, Msg::DuplicateEntry());
        return;
    }
    done(QDialog::Accepted);
}

void EntryEditor::Cancel()
{
    done(QDialog::Rejected);
}
