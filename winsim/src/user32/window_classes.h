// The window classes that dialog templates can name: the predefined ones of
// user32 and, once InitCommonControls(Ex) has registered it, the progress bar.
#ifndef WINSIM_WINDOW_CLASSES_H
#define WINSIM_WINDOW_CLASSES_H

#include <windows.h>

#include <memory>
#include <string>

#include "user32/window_object.h"

namespace winsim {

constexpr const char* kDialogClass = "#32770";

// The class's spelling as GetClassNameA gives it, or empty when no class of
// that name (compared without case) is registered.
std::string RegisteredClass(const std::string& name);
// The window procedure for a new window of a registered class.
std::unique_ptr<WindowProcedure> MakeProcedure(const std::string& registeredClass);

// InitCommonControlsEx's classes (ICC_ bits) become registered.
void RegisterCommonControls(DWORD classes);
void ForgetCommonControls();

}  // namespace winsim

#endif
