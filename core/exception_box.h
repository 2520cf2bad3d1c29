// The box that tells the user a failure was caught while objects were being
// deleted, naming where; the program carries on after it.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

// "例外が発生しました：<where> \n\n..." with the request to report it.
std::string ExceptionBoxText(const std::string& where);
void ShowExceptionBox(HWND owner, const std::string& where);

}  // namespace mm
