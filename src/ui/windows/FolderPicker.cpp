#include "ui/windows/FolderPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <array>


namespace {

// Option bit of each flag, in the order of BrowseFlag.
constexpr std::array<uint32_t, 7> FlagOptionBits = {0x1000, 0x2000, 0x2, 0x4, 0x8, 0x1, 0x10};
constexpr uint32_t ValidateBit = 0x20;

} // namespace

FolderPicker::FolderPicker(QWidget* owner) : Owner(owner) {}

BrowseFlags FolderPicker::Flags() const
{
    BrowseFlags flags = 0;
    for (size_t i = 0; i < FlagOptionBits.size(); ++i)
        if (optionBits_ & FlagOptionBits[i])
            flags |= BrowseFlags(1) << i;
    return flags;
}

void FolderPicker::SetFlags(BrowseFlags flags)
{
    uint32_t bits = 0;
    for (size_t i = 0; i < FlagOptionBits.size(); ++i)
        if (flags & (BrowseFlags(1) << i))
            bits |= FlagOptionBits[i];
    optionBits_ = bits;
}

bool FolderPicker::Execute()
{
    // The dialog validates typed names; the bit stays for later calls, as the chooser keeps it.
    optionBits_ |= ValidateBit;

    FolderPickerRequest request;
    request.Owner = Owner;
    request.Caption = Caption;
    request.StartFolder = FolderName;
    request.StatusText = StatusText;
    request.ShowStatusText = (optionBits_ & FlagOptionBits[bf_statustext]) != 0;

    std::optional<QString> chosen;
    if (executeSeam) {
        chosen = executeSeam(request);
    } else {
        QFileDialog dialog(Owner, request.Caption);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (!request.StartFolder.isEmpty()) {
            // A start folder that does not exist (such as the design's "C:\") leaves the
            // dialog where the platform puts it.
            const QFileInfo start(request.StartFolder);
            if (start.isDir())
                dialog.setDirectory(start.absoluteFilePath());
        }
        if (request.ShowStatusText && !request.StatusText.isEmpty())
            dialog.setLabelText(QFileDialog::LookIn, request.StatusText);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen)
        return false;

    FolderName = *chosen;
    const QString trimmed = QDir::cleanPath(FolderName);
    displayName_ = QFileInfo(trimmed).fileName().isEmpty() ? trimmed : QFileInfo(trimmed).fileName();
    if (FolderName.isEmpty())
        displayName_.clear();
    return true;
}
