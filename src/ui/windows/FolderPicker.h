#pragma once
// FolderPicker: a non-visual component that shows a folder chooser and returns the chosen folder.
// On this platform the chooser is Qt's directory dialog; the root locations and the options
// that have no counterpart there are kept as set but change nothing.

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

enum BrowseFlag {
    bf_BrowseForComputer,
    bf_BrowseForPrinter,
    bf_DontGoBelowDomain,
    bf_statustext,
    bf_ReturnFSanceStors,
    bf_ReturnOnlyFSDIRS,
    bf_EditBox,
};
using BrowseFlags = uint32_t;  // a set of BrowseFlag: bit n for the value n
constexpr BrowseFlags BrowseFlagBit(BrowseFlag flag) { return BrowseFlags(1) << flag; }

enum BrowseLocation {
    bl_STANDART, bl_CUSTOM, bl_DESKTOP, bl_PROGRAMS, bl_CONTROLS, bl_PRINTERS, bl_PERSONAL,
    bl_FAVORITES, bl_STARTUP, bl_RECENT, bl_SENDTO, bl_BITBUCKET, bl_STARTMENU,
    bl_DESKTOPDIRECTORY, bl_DRIVES, bl_NETWORK, bl_NETHOOD, bl_FONTS, bl_TEMPLATES,
    bl_COMMON_STARTMENU, bl_COMMON_PROGRAMS, bl_COMMON_STARTUP, bl_COMMON_DESKTOPDIRECTORY,
    bl_APPDATA, bl_PRINTHOOD,
};

// What the chooser was asked to show; handed to the test seam.
struct FolderPickerRequest {
    QWidget* Owner = nullptr;
    QString Caption;
    QString StartFolder;  // empty: nothing to select
    QString StatusText;   // empty: nothing to show
    bool ShowStatusText = false;
};

class FolderPicker {
public:
    explicit FolderPicker(QWidget* owner);

    // Published properties.
    const QString& DisplayName() const { return displayName_; }
    QString StatusText = QStringLiteral("Select Folder");
    QString FolderName = QStringLiteral("C:\\");
    BrowseFlags Flags() const;
    void SetFlags(BrowseFlags flags);
    BrowseLocation Root = bl_STANDART;
    QString Caption = QStringLiteral("Select Folder");

    // Shows the chooser modally; true when a folder was chosen (FolderName and DisplayName
    // then hold it), false when it was cancelled (nothing changes).
    bool Execute();

    // The option bits kept for the chooser (the platform's values of the flag table).
    uint32_t OptionBits() const { return optionBits_; }

    // Test seam: when set, answers instead of the dialog (no value = cancelled).
    using ExecuteSeam = std::function<std::optional<QString>(const FolderPickerRequest&)>;
    void SetExecuteSeam(ExecuteSeam seam) { executeSeam = std::move(seam); }

private:
    ExecuteSeam executeSeam;
    QWidget* Owner;
    QString displayName_;
    uint32_t optionBits_ = 0;
};
