// The start dialog from its resource, driven through its controls from a second thread while
// runStartDialog runs it modally.

#include "platform/StartDialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

constexpr const char* kCaption = "\"Kalvora\" by Quorvel";

// The dialog once it is shown, which is after its initialisation.
HWND waitForDialog()
{
    for (int i = 0; i < 500; ++i) {
        HWND dialog = FindWindowA("#32770", kCaption);
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        Sleep(10);
    }
    return nullptr;
}

std::string itemText(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

} // namespace

TEST(Win32StartDialog, ResourceControlsAndGoWithWindowedChosen)
{
    StartDialogModel model;
    model.windowed = 7; // initialisation must set both flags
    model.go = 7;
    struct Seen {
        bool found = false, fullscreenChecked = false, goIsDefault = false, stillOpenAfterRadio = false;
        std::string go, yuck, fullscreen, windowed;
    } seen;
    std::thread user([&] {
        HWND dialog = waitForDialog();
        if (!dialog)
            return;
        seen.found = true;
        seen.fullscreenChecked = IsDlgButtonChecked(dialog, StartDialogModel::Fullscreen) == BST_CHECKED;
        seen.goIsDefault =
            (GetWindowLongA(GetDlgItem(dialog, StartDialogModel::Go), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
        seen.go = itemText(dialog, StartDialogModel::Go);
        seen.yuck = itemText(dialog, StartDialogModel::Yuck);
        seen.fullscreen = itemText(dialog, StartDialogModel::Fullscreen);
        seen.windowed = itemText(dialog, StartDialogModel::Windowed);
        click(dialog, StartDialogModel::Windowed);
        seen.stillOpenAfterRadio = IsWindow(dialog) != 0;
        click(dialog, StartDialogModel::Go);
    });
    EXPECT_TRUE(runStartDialog(model));
    user.join();
    ASSERT_TRUE(seen.found) << "no dialog with the caption " << kCaption;
    EXPECT_TRUE(seen.fullscreenChecked);
    EXPECT_TRUE(seen.goIsDefault);
    EXPECT_EQ("Go!", seen.go);
    EXPECT_EQ("Yuck!", seen.yuck);
    EXPECT_EQ("DirectDraw Fullscreen", seen.fullscreen);
    EXPECT_EQ("Windowed Mode", seen.windowed);
    EXPECT_TRUE(seen.stillOpenAfterRadio);
    EXPECT_EQ(1, model.go);
    EXPECT_EQ(1, model.windowed);
}

TEST(Win32StartDialog, ClosingTheWindowEndsWithoutGo)
{
    StartDialogModel model;
    std::thread user([] {
        if (HWND dialog = waitForDialog())
            PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(runStartDialog(model));
    user.join();
    EXPECT_EQ(0, model.go);
    EXPECT_TRUE(model.ended);
}
