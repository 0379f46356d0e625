#include "scenario.h"

int RunProgram(std::function<void(int presentNo)> onPresent) {
    headless::SetPresentHook(std::move(onPresent));
    return WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
}
