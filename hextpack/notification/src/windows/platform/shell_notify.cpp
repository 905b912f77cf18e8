#include "shell_notify.h"

namespace notification {

shell_notify_function shell_notify_icon_call = &Shell_NotifyIconW;

}  // namespace notification
