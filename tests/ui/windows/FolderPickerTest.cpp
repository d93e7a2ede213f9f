// The folder picker: its properties and flags table, the start folder, cancel, and a second
// Execute starting at the first one's choice.

#include "ui/windows/FolderPicker.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FolderPickerTest : public ::testing::Test {
protected:
    // A picker whose dialog is answered by `answer`, its requests recorded.
    std::unique_ptr<FolderPicker> Picker()
    {
        auto picker = std::make_unique<FolderPicker>(nullptr);
        picker->SetExecuteSeam([this](const FolderPickerRequest& request) -> std::optional<QString> {
            requests.push_back(request);
            return answer;
        });
        return picker;
    }

    std::vector<FolderPickerRequest> requests;
    std::optional<QString> answer;
};

TEST_F(FolderPickerTest, DefaultsOfTheComponent)
{
    const std::unique_ptr<FolderPicker> owned = Picker();
    FolderPicker& picker = *owned;
    EXPECT_EQ(picker.DisplayName(), QString());
    EXPECT_EQ(picker.StatusText, QStringLiteral("Select Folder"));
    EXPECT_EQ(picker.FolderName, QStringLiteral("C:\\"));
    EXPECT_EQ(picker.Flags(), 0u);
    EXPECT_EQ(picker.Root, bl_STANDART);
    EXPECT_EQ(picker.Caption, QStringLiteral("Select Folder"));
}

struct FlagCase {
    BrowseFlag flag;
    uint32_t option;
};

class FlagTableTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagTableTest, EachFlagKeepsItsPlatformOptionBit)
{
    FolderPicker picker(nullptr);
    picker.SetFlags(BrowseFlagBit(GetParam().flag));
    EXPECT_EQ(picker.OptionBits(), GetParam().option);
    EXPECT_EQ(picker.Flags(), BrowseFlagBit(GetParam().flag));
}

INSTANTIATE_TEST_SUITE_P(Flags, FlagTableTest,
                         ::testing::Values(FlagCase{bf_BrowseForComputer, 0x1000}, FlagCase{bf_BrowseForPrinter, 0x2000},
                                           FlagCase{bf_DontGoBelowDomain, 0x2}, FlagCase{bf_statustext, 0x4},
                                           FlagCase{bf_ReturnFSanceStors, 0x8}, FlagCase{bf_ReturnOnlyFSDIRS, 0x1},
                                           FlagCase{bf_EditBox, 0x10}));

TEST_F(FolderPickerTest, SettingFlagsReplacesTheBitsAndValidateStaysHidden)
{
    const std::unique_ptr<FolderPicker> owned = Picker();
    FolderPicker& picker = *owned;
    picker.SetFlags(BrowseFlagBit(bf_statustext) | BrowseFlagBit(bf_EditBox));
    EXPECT_EQ(picker.OptionBits(), 0x14u);
    picker.Execute();
    EXPECT_EQ(picker.OptionBits(), 0x34u);  // the validate bit stays for later calls
    EXPECT_EQ(picker.Flags(), BrowseFlagBit(bf_statustext) | BrowseFlagBit(bf_EditBox));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].ShowStatusText);
    picker.SetFlags(BrowseFlagBit(bf_ReturnOnlyFSDIRS));
    EXPECT_EQ(picker.OptionBits(), 0x1u);
}

TEST_F(FolderPickerTest, ASecondExecuteStartsAtTheFirstChoice)
{
    const std::unique_ptr<FolderPicker> owned = Picker();
    FolderPicker& picker = *owned;
    picker.Caption = QStringLiteral("Wskaż folder do archiwizacji");
    picker.FolderName = QStringLiteral("/home");
    answer = QStringLiteral("/srv/dane/projekty");
    ASSERT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderName, QStringLiteral("/srv/dane/projekty"));
    EXPECT_EQ(picker.DisplayName(), QStringLiteral("projekty"));
    answer.reset();  // cancelled: nothing changes
    EXPECT_FALSE(picker.Execute());
    EXPECT_EQ(picker.FolderName, QStringLiteral("/srv/dane/projekty"));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].StartFolder, QStringLiteral("/home"));
    EXPECT_EQ(requests[1].StartFolder, QStringLiteral("/srv/dane/projekty"));
    EXPECT_EQ(requests[1].Caption, QStringLiteral("Wskaż folder do archiwizacji"));
    EXPECT_FALSE(requests[1].ShowStatusText);
}

TEST_F(FolderPickerTest, AChoiceWithoutAPathGivesAnEmptyFolderName)
{
    const std::unique_ptr<FolderPicker> owned = Picker();
    FolderPicker& picker = *owned;
    answer = QString();
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderName, QString());
}

} // namespace
