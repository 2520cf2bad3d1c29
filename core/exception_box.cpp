#include "core/exception_box.h"

#include "platform/platform.h"
#include "res/version.h"

namespace mm {

std::string ExceptionBoxText(const std::string& where) {
  return "例外が発生しました：" + where +
         " \n\nこのメッセージをコピー（Ctrl+C）して、作者までご連絡ください。（任意）";
}

void ShowExceptionBox(HWND owner, const std::string& where) {
  Os().MessageBoxU8(owner, ExceptionBoxText(where), MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
}

}  // namespace mm
