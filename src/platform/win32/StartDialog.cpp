// The start dialog from the MAINRUTA dialog resource, run modally by DialogBoxParamA.

#include "platform/StartDialog.h"

#include <windows.h>

namespace {

constexpr const char* kDialogResource = "MAINRUTA";

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* model = reinterpret_cast<StartDialogModel*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        model = reinterpret_cast<StartDialogModel*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, LONG_PTR(model));
        CheckRadioButton(dialog, StartDialogModel::Fullscreen, StartDialogModel::Windowed,
                         StartDialogModel::Fullscreen);
        model->initialise();
        return TRUE;
    case WM_COMMAND:
        if (!model)
            return FALSE;
        model->command(LOWORD(wParam));
        if (model->ended)
            EndDialog(dialog, model->go);
        return TRUE;
    case WM_CLOSE:
        if (model)
            model->close();
        EndDialog(dialog, 0);
        return TRUE;
    default: return FALSE;
    }
}

} // namespace

bool runStartDialog(StartDialogModel& model)
{
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), kDialogResource, nullptr, dialogProc, LPARAM(&model));
    return result != -1;
}
